// Complex arithmetic in Extended precision.
#include "foundations/QMR_complex.h"

#include <cmath>
#include <limits>

namespace qmr {

const TComplex COMPLEX_0{0, 0};
const TComplex COMPLEX_1{1, 0};
Extended CpxNearZero = 0;

TComplex Cpx(Extended re, Extended im) { return TComplex{re, im}; }

Extended CpxAbs(const TComplex& Z) { return std::hypot(Z.re, Z.im); }

Extended CpxAbsSqr(const TComplex& Z) { return Z.re * Z.re + Z.im * Z.im; }

TComplex CpxAdd(const TComplex& Z1, const TComplex& Z2) { return TComplex{Z1.re + Z2.re, Z1.im + Z2.im}; }

TComplex CpxSub(const TComplex& Z1, const TComplex& Z2) { return TComplex{Z1.re - Z2.re, Z1.im - Z2.im}; }

TComplex CpxMult(const TComplex& Z1, const TComplex& Z2) {
    return TComplex{Z1.re * Z2.re - Z1.im * Z2.im, Z1.re * Z2.im + Z2.re * Z1.im};
}

TComplex CpxDiv(const TComplex& Z1, const TComplex& Z2) {
    const Extended C = Z2.re, D = Z2.im;
    const Extended Denom = C * C + D * D;
    const bool Finite = std::isfinite(C) && std::isfinite(D) && (C != 0 || D != 0);
    if (Finite && (!std::isfinite(Denom) || Denom < std::numeric_limits<Extended>::min())) {
        // The squared modulus overflows or underflows: divide by the divisor scaled by a
        // power of two near its magnitude, then undo the scale.
        const int K = std::ilogb(std::fmax(std::fabs(C), std::fabs(D)));
        const Extended Cs = std::scalbn(C, -K), Ds = std::scalbn(D, -K);
        const Extended Ds2 = Cs * Cs + Ds * Ds;
        return TComplex{std::scalbn((Z1.re * Cs + Z1.im * Ds) / Ds2, -K),
                        std::scalbn((Z1.im * Cs - Z1.re * Ds) / Ds2, -K)};
    }
    return TComplex{(Z1.re * C + Z1.im * D) / Denom, (Z1.im * C - Z1.re * D) / Denom};
}

TComplex CpxConj(const TComplex& Z) { return TComplex{Z.re, -Z.im}; }

TComplex CpxNeg(const TComplex& Z) { return TComplex{-Z.re, -Z.im}; }

bool CpxIsEqual(const TComplex& Z1, const TComplex& Z2) { return Z1.re == Z2.re && Z1.im == Z2.im; }

bool CpxIsNearEqual(const TComplex& Z1, const TComplex& Z2) {
    return std::fabs(Z1.re - Z2.re) < CpxNearZero && std::fabs(Z1.im - Z2.im) < CpxNearZero;
}

bool CpxIsZero(const TComplex& Z) { return std::fabs(Z.re) < CpxNearZero && std::fabs(Z.im) < CpxNearZero; }

TComplexPolar ConvertRectToPolar(const TComplex& Z) { return TComplexPolar{CpxAbs(Z), std::atan2(Z.im, Z.re)}; }

TComplex ConvertPolarToRect(const TComplexPolar& P) {
    return TComplex{P.r * std::cos(P.phi), P.r * std::sin(P.phi)};
}

}  // namespace qmr
