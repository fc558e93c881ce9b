// Compensated summation and scalar functions.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

// Exception class of the QMR_math1 unit.
class QMR_API EQMRMath1Error : public EQMRError { public: using EQMRError::EQMRError; };

// Running sum with Kahan compensation; the caller reads Sum (and cps) directly.
class QMR_API TKahanSum : public TComponent {
public:
    // New sum, already reset.
    explicit TKahanSum(TComponent* AOwner);
    std::string ClassName() const override;
    // Sets Sum and cps to 0.
    void Reset();
    // Adds ANumber with compensation (double precision in every build).
    void Add(double ANumber);

    double cps = 0;  // running compensation
    double Sum = 0;  // compensated total
};

// Sum of Coeff[i] * X^i for i = 0..Order; EQMRMath1Error for Order outside 0..High(Coeff).
QMR_API double Polynomial(const TDoubleArray& Coeff, std::int32_t Order, double X);
// Sum of Coeff[i] * (B - A)^i for i = 0..Order; same check as Polynomial.
QMR_API double CenteredPolynomial(const TDoubleArray& Coeff, std::int32_t Order, double A, double B);
// Bounded sigmoid: Limit * tanh(Slope * (X - Center) / Limit).
QMR_API double Squash(double X, double Center, double Slope, double Limit);
// Real modulo Y * Frac(X / Y), keeping the sign of X / Y; NaN for Y = 0.
QMR_API double modr(double X, double Y);
// True when X lies within the bounds (in any order) widened by Tolerance.
QMR_API bool WithinBounds(double X, double Bound1, double Bound2, double Tolerance = 0.0);
// X clamped into the range of the two bounds (in any order).
QMR_API double ConfineValue(double X, double Bound1, double Bound2);
QMR_API float ConfineValue(float X, float Bound1, float Bound2);
QMR_API std::int32_t ConfineValue(std::int32_t X, std::int32_t Bound1, std::int32_t Bound2);
// Round(X) raised to Lo when below it, then lowered to Hi when above it (NaN counts as below Lo).
QMR_API std::int64_t RoundLimit(double X, std::int64_t Lo, std::int64_t Hi);
// Smallest integer >= X (saturated to the 32-bit range; NaN gives 0).
QMR_API std::int32_t IntPos(double X);
// Largest integer <= X (saturated to the 32-bit range; NaN gives 0).
QMR_API std::int32_t IntNeg(double X);
// Nearest value of the 1-2-5 series (1, 2, 5, 10, 20, ...), sign kept.
QMR_API double Round125(double X);
// Value of the 1-2-5 series at or above X.
QMR_API double RoundPos125(double X);
// Value of the 1-2-5 series at or below X.
QMR_API double RoundNeg125(double X);
// N!; EQMRMath1Error for N < 0 or N beyond the range of Extended (at most 1000).
QMR_API Extended Factorial(std::int32_t N);
// A * (A+1) * ... * B with the pair in any order; 0 when the lower one is 0, -2 when it is
// negative, -1 when the product would overflow.
QMR_API std::int64_t ProductConsecInts(std::int32_t A, std::int32_t B);
// True when N has at most one bit set (so also for 0).
QMR_API bool CheckPowerOfTwo(std::uint32_t N);
// X reduced into [-pi, pi].
QMR_API double CanonicalAngleRadians(double X);
// X reduced into [-180, 180].
QMR_API double CanonicalAngleDegrees(double X);
// Decimal logarithm; EMathError "logarithm: invalid argument" for X <= 0.
QMR_API double lg(double X);
// Binary logarithm; EMathError "logarithm: invalid argument" for X <= 0.
QMR_API double ld(double X);
// Hyperbolic sine (hides std::sinh inside namespace qmr).
QMR_API double sinh(double X);
// Hyperbolic cosine (hides std::cosh inside namespace qmr).
QMR_API double cosh(double X);
// Hyperbolic tangent.
QMR_API double tgh(double X);
// Tangent; EMathError "tangens overflow" when Cos(X) = 0.
QMR_API double tg(double X);
// Cotangent; EMathError "cotangens overflow" when Sin(X) = 0.
QMR_API double cot(double X);

}  // namespace qmr
