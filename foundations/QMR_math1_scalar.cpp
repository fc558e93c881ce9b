// Compensated summation and scalar functions.
#include "foundations/QMR_math1_scalar.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <utility>

namespace qmr {

// ---------------------------------------------------------------- TKahanSum

TKahanSum::TKahanSum(TComponent* AOwner) : TComponent(AOwner) { Reset(); }

std::string TKahanSum::ClassName() const { return "TKahanSum"; }

void TKahanSum::Reset() {
    Sum = 0.0;
    cps = 0.0;
}

void TKahanSum::Add(double ANumber) {
    // Every intermediate is a double (no wider evaluation, no contraction).
    const double Y = ANumber - cps;
    const double T = Sum + Y;
    cps = (T - Sum) - Y;
    Sum = T;
}

// ---------------------------------------------------------------- polynomials

namespace {

void CheckOrder(const TDoubleArray& Coeff, std::int32_t Order) {
    if (Order < 0 || static_cast<std::size_t>(Order) >= Coeff.size())
        throw EQMRMath1Error("Polynomial: invalid order of polynomial");
}

double PowerSeries(const TDoubleArray& Coeff, std::int32_t Order, double X) {
    double Result = 0.0;
    double Power = 1.0;
    for (std::int32_t I = 0; I <= Order; ++I) {
        Result += Coeff[static_cast<std::size_t>(I)] * Power;
        Power *= X;
    }
    return Result;
}

}  // namespace

double Polynomial(const TDoubleArray& Coeff, std::int32_t Order, double X) {
    CheckOrder(Coeff, Order);
    return PowerSeries(Coeff, Order, X);
}

double CenteredPolynomial(const TDoubleArray& Coeff, std::int32_t Order, double A, double B) {
    CheckOrder(Coeff, Order);
    return PowerSeries(Coeff, Order, B - A);
}

// ---------------------------------------------------------------- small helpers

double Squash(double X, double Center, double Slope, double Limit) {
    // A NaN argument gives NaN rather than one of the limits.
    if (std::isnan(X) || std::isnan(Center) || std::isnan(Slope) || std::isnan(Limit))
        return std::numeric_limits<double>::quiet_NaN();
    const double E = -2.0 * Slope / Limit * (X - Center);
    if (std::fabs(E) < 200.0) {
        const Extended L = Limit;
        return static_cast<double>(L * (2 / (std::exp(static_cast<Extended>(E)) + 1) - 1));
    }
    return E > 0 ? -Limit : Limit;
}

double modr(double X, double Y) {
    const Extended Q = static_cast<Extended>(X) / Y;
    return static_cast<double>(Y * Frac(Q));
}

bool WithinBounds(double X, double Bound1, double Bound2, double Tolerance) {
    double Lo = Bound1 < Bound2 ? Bound1 : Bound2;
    double Hi = Bound1 < Bound2 ? Bound2 : Bound1;
    return Lo - Tolerance <= X && X <= Hi + Tolerance;
}

namespace {
template <typename T> T Confine(T X, T Bound1, T Bound2) {
    T Lo = Bound1 < Bound2 ? Bound1 : Bound2;
    T Hi = Bound1 < Bound2 ? Bound2 : Bound1;
    if (X < Lo) return Lo;
    if (X > Hi) return Hi;
    return X;
}
}  // namespace

double ConfineValue(double X, double Bound1, double Bound2) { return Confine(X, Bound1, Bound2); }
float ConfineValue(float X, float Bound1, float Bound2) { return Confine(X, Bound1, Bound2); }
std::int32_t ConfineValue(std::int32_t X, std::int32_t Bound1, std::int32_t Bound2) {
    return Confine(X, Bound1, Bound2);
}

// ---------------------------------------------------------------- integer rounding

std::int64_t RoundLimit(double X, std::int64_t Lo, std::int64_t Hi) {
    std::int64_t R = 0;
    if (std::isnan(X)) {
        R = Lo;
    } else if (!detail::CheckedRoundToInt64(X, R)) {
        R = X > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }
    if (R < Lo) R = Lo;
    if (R > Hi) R = Hi;
    return R;
}

std::int32_t IntPos(double X) {
    std::int32_t R = detail::RoundToInt32Sat(X, 0);
    if (X > R && R < std::numeric_limits<std::int32_t>::max()) ++R;
    return R;
}

std::int32_t IntNeg(double X) {
    std::int32_t R = detail::RoundToInt32Sat(X, 0);
    if (X < R && R > std::numeric_limits<std::int32_t>::min()) --R;
    return R;
}

// ---------------------------------------------------------------- 1-2-5 series

namespace {

enum class TStepRule { Nearest, Up, Down };

// D * 10^E correctly rounded to double (10^E itself for D = 1).
double ScaledPowerOfTen(int D, std::int32_t E) {
    char Buf[32];
    std::snprintf(Buf, sizeof Buf, "%de%d", D, static_cast<int>(E));
    return std::strtod(Buf, nullptr);
}

// The mantissa of the 1-2-5 series is never computed: the decade and the step are chosen by
// comparing |X| with the decimal thresholds as doubles, so no rounding noise can put a value
// on the wrong side of a threshold, a value written as a decimal (0.3, 2e-5) sits exactly
// where its text says, and the result lies at or beyond X in the direction asked.
double Series125(double X, TStepRule Rule) {
    if (X == 0.0) return 0.0;
    if (!std::isfinite(X)) return X;
    const double A = std::fabs(X);
    // Decade E with 10^E <= A < 10^(E+1); the logarithm only gives the first guess.
    std::int32_t E = IntNeg(std::log10(A));
    while (A < ScaledPowerOfTen(1, E)) --E;  // ends: 10^E rounds to 0 below 1e-323
    while (A >= ScaledPowerOfTen(1, E + 1)) ++E;
    auto Below = [&](int D, std::int32_t Exp) { return A < ScaledPowerOfTen(D, Exp); };
    auto AtMost = [&](int D) { return A <= ScaledPowerOfTen(D, E); };
    // Magnitude up (towards the larger step) or down.
    const bool MagnitudeUp = (Rule == TStepRule::Up) == (X >= 0);
    int S;
    if (Rule == TStepRule::Nearest) {
        S = Below(15, E - 1) ? 1 : Below(3, E) ? 2 : Below(8, E) ? 5 : 10;
    } else if (MagnitudeUp) {
        S = AtMost(1) ? 1 : AtMost(2) ? 2 : AtMost(5) ? 5 : 10;
    } else {
        S = Below(2, E) ? 1 : Below(5, E) ? 2 : 5;  // A < 10^(E+1): never 10
    }
    const double R = ScaledPowerOfTen(S, E);
    return X < 0 ? -R : R;
}

}  // namespace

double Round125(double X) { return Series125(X, TStepRule::Nearest); }
double RoundPos125(double X) { return Series125(X, TStepRule::Up); }
double RoundNeg125(double X) { return Series125(X, TStepRule::Down); }

// ---------------------------------------------------------------- factorials and products

Extended Factorial(std::int32_t N) {
    if (N < 0) throw EQMRMath1Error("Factorial: negative argument");
#if QMR_EXTENDED_80
    constexpr std::int32_t MaxN = 1000;
#else
    constexpr std::int32_t MaxN = 170;  // 171! exceeds the double range
#endif
    if (N > MaxN) throw EQMRMath1Error("Factorial: argument too big");
    Extended Result = 1;
    for (std::int32_t I = 2; I <= N; ++I) Result *= static_cast<Extended>(I);
    return Result;
}

std::int64_t ProductConsecInts(std::int32_t A, std::int32_t B) {
    if (A > B) std::swap(A, B);
    if (A == 0) return 0;
    if (A < 0) return -2;
    const std::int64_t Limit = std::numeric_limits<std::int64_t>::max() / B;
    std::int64_t P = 1;
    std::int64_t I = A;  // 64-bit so that the counter may pass B = 2^31 - 1
    for (; I <= B; ++I) {
        if (P >= Limit) break;
        P *= I;
    }
    return I > B ? P : -1;
}

bool CheckPowerOfTwo(std::uint32_t N) { return (N & (N - 1u)) == 0; }

// ---------------------------------------------------------------- angles

namespace {
Extended Canonical(Extended X, Extended Full, Extended Half) {
    // Only turns beyond one full circle are removed; fmod is the exact
    // Frac(X / Full) * Full and keeps the sign of X.
    if (X > Full || X < -Full) X = std::fmod(X, Full);
    if (X > Half) {
        X -= Full;
    } else if (X < -Half) {
        X += Full;
    }
    return X;
}
}  // namespace

double CanonicalAngleRadians(double X) {
    // pi in the precision of Extended: the wide build reduces large angles more exactly.
    constexpr Extended Pi = std::numbers::pi_v<Extended>;
    return static_cast<double>(Canonical(X, 2 * Pi, Pi));
}

double CanonicalAngleDegrees(double X) { return static_cast<double>(Canonical(X, 360, 180)); }

// ---------------------------------------------------------------- elementary functions
// Evaluated in Extended and rounded to double once.

double lg(double X) {
    if (X <= 0) throw EMathError("logarithm: invalid argument");
    return static_cast<double>(std::log10(static_cast<Extended>(X)));
}

double ld(double X) {
    if (X <= 0) throw EMathError("logarithm: invalid argument");
    return static_cast<double>(std::log2(static_cast<Extended>(X)));
}

double sinh(double X) { return static_cast<double>(std::sinh(static_cast<Extended>(X))); }

double cosh(double X) { return static_cast<double>(std::cosh(static_cast<Extended>(X))); }

double tgh(double X) { return static_cast<double>(std::tanh(static_cast<Extended>(X))); }

double tg(double X) {
    const Extended C = std::cos(static_cast<Extended>(X));
    if (C == 0) throw EMathError("tangens overflow");
    return static_cast<double>(std::sin(static_cast<Extended>(X)) / C);
}

double cot(double X) {
    const Extended S = std::sin(static_cast<Extended>(X));
    if (S == 0) throw EMathError("cotangens overflow");
    return static_cast<double>(std::cos(static_cast<Extended>(X)) / S);
}

}  // namespace qmr
