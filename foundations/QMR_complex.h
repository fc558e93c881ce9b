// Complex numbers in rectangular and polar form.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

// Complex number in rectangular form.
struct TComplex {
    Extended re = 0;
    Extended im = 0;
};

// Complex number in polar form: magnitude r and angle phi in radians.
struct TComplexPolar {
    Extended r = 0;
    Extended phi = 0;
};

// Exception class of the complex-number unit.
class QMR_API EQMRComplexError : public EQMRError { public: using EQMRError::EQMRError; };

// The complex numbers 0 and 1.
extern QMR_API const TComplex COMPLEX_0;
extern QMR_API const TComplex COMPLEX_1;
// Tolerance of CpxIsNearEqual and CpxIsZero; 1e-15 after load, the host may change it.
extern QMR_API Extended CpxNearZero;

// The complex number (re, im).
QMR_API TComplex Cpx(Extended re, Extended im);
// Modulus |Z|, without intermediate overflow or underflow.
QMR_API Extended CpxAbs(const TComplex& Z);
// Squared modulus re^2 + im^2.
QMR_API Extended CpxAbsSqr(const TComplex& Z);
// Z1 + Z2.
QMR_API TComplex CpxAdd(const TComplex& Z1, const TComplex& Z2);
// Z1 - Z2.
QMR_API TComplex CpxSub(const TComplex& Z1, const TComplex& Z2);
// Z1 * Z2.
QMR_API TComplex CpxMult(const TComplex& Z1, const TComplex& Z2);
// Z1 / Z2; the divisor is not tested (0 follows the floating-point rules).
QMR_API TComplex CpxDiv(const TComplex& Z1, const TComplex& Z2);
// Conjugate (re, -im).
QMR_API TComplex CpxConj(const TComplex& Z);
// Negation (-re, -im).
QMR_API TComplex CpxNeg(const TComplex& Z);
// True when both parts are exactly equal.
QMR_API bool CpxIsEqual(const TComplex& Z1, const TComplex& Z2);
// True when both parts differ by less than CpxNearZero.
QMR_API bool CpxIsNearEqual(const TComplex& Z1, const TComplex& Z2);
// True when both parts are smaller than CpxNearZero in magnitude.
QMR_API bool CpxIsZero(const TComplex& Z);
// Polar form: r = |Z|, phi = atan2(im, re).
QMR_API TComplexPolar ConvertRectToPolar(const TComplex& Z);
// Rectangular form: (r cos phi, r sin phi).
QMR_API TComplex ConvertPolarToRect(const TComplexPolar& P);

}  // namespace qmr
