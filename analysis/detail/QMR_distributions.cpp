// Full-precision incomplete gamma and beta functions and the t, chi-square and F
// distributions built on them.
//
// Accuracy comes from the prefactors x^a e^-x / Gamma(a) and x^a y^b / B(a, b): they are
// formed from the scaled gamma function Gamma*(z) = Gamma(z) / (sqrt(2 pi / z) (z / e)^z)
// and exponents of the form -a phi(t), phi(t) = t - ln(1 + t) >= 0, in which the large
// linear parts cancel analytically. The naive exp(a ln x - x - lgamma(a)) loses
// |a ln x| ulps: 4e-12 already at a = 5000.
#include "analysis/detail/QMR_distributions.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace qmr::detail {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kTiny = 1e-300;  // Lentz's guard against a zero denominator
constexpr double kPi = 3.14159265358979323846264338327950288;
// Term limit of the series and continued fractions: they need O(sqrt(a)) terms near the
// transition, about 3e5 at a = 2^30.
constexpr std::int64_t kMaxTerms = 10000000;

// ln Gamma*(z) by its asymptotic series for z >= 10 (the omitted term is below 3e-17).
double LnGammaStarSeries(double z) {
    const double r = 1.0 / z, r2 = r * r;
    return r * (1.0 / 12 + r2 * (-1.0 / 360 + r2 * (1.0 / 1260 + r2 * (-1.0 / 1680 + r2 * (1.0 / 1188 +
           r2 * (-691.0 / 360360 + r2 * (1.0 / 156 + r2 * (-3617.0 / 122400))))))));
}

// ln Gamma*(z), z > 0: below 10 through Gamma*(z) = Gamma*(z + 1) (1 + 1/z)^(z + 1/2) / e.
double LnGammaStar(double z) {
    double Acc = 0;
    while (z < 10) {
        Acc += (z + 0.5) * std::log1p(1.0 / z) - 1.0;
        z += 1.0;
    }
    return Acc + LnGammaStarSeries(z);
}

// phi(t) = t - ln(1 + t) for |t| < 0.5, through u = t / (2 + t):
// ln(1 + t) = 2 atanh(u), t - 2u = u t, so phi = u t - 2 u^3 (1/3 + u^2/5 + u^4/7 + ...).
double PhiSmall(double t) {
    const double u = t / (2.0 + t), u2 = u * u;
    double S = 0, Pow = 1;
    for (int k = 3; k < 80; k += 2) {
        const double Term = Pow / k;
        S += Term;
        if (Term < 1e-18 * S) break;
        Pow *= u2;
    }
    return u * t - 2.0 * u * u2 * S;
}

// a (ln(v / v0) - t) = -a phi(t) for the relative deviation t = v / v0 - 1 >= -1 (v >= 0,
// v0 > 0). The caller forms t to full relative precision from its own variables: taking
// it as (v - v0) / v0 would carry the rounding of v and v0 into a phi(t) times a.
double LogRatioTerm(double a, double t, double v, double v0) {
    if (std::fabs(t) < 0.5) return -a * PhiSmall(t);
    if (v == 0) return -kInf;
    const double r = v / v0;
    const double LnR = r >= std::numeric_limits<double>::min() ? std::log(r) : std::log(v) - std::log(v0);
    return a * (LnR - t);
}

// x^a e^-x / Gamma(a) / e^LnDiv, a > 0, 0 < x < inf.
double GammaPrefix(double a, double x, double LnDiv = 0) {
    const double E = LogRatioTerm(a, (x - a) / a, x, a) - LnGammaStar(a);
    return std::sqrt(a / (2 * kPi)) * std::exp(E - LnDiv);
}

// Prefix / v for a density: divided after the exponential, unless the prefix alone has
// left the normal range while the quotient need not have (v tiny, x^a below 1e-308).
template <class F>
double PrefixOver(F Prefix, double v) {
    const double P = Prefix(0.0);
    return P >= std::numeric_limits<double>::min() ? P / v : Prefix(std::log(v));
}

// The point of an incomplete beta function: x and y = 1 - x, each to full relative
// precision, and their relative deviations t1 = x / x0 - 1, t2 = y / y0 - 1 from the
// centre x0 = a / (a + b), y0 = b / (a + b), with a t1 + b t2 = 0.
struct TBetaPoint {
    long double x, y;
    double t1, t2;
};

// The point for a plain x: D = (a + b) x - a in one rounding, t1 = D / a, t2 = -D / b.
TBetaPoint PlainBetaPoint(double a, double b, double x) {
    const double D = std::fma(a + b, x, -a);
    return {x, 1 - static_cast<long double>(x), D / a, -D / b};
}

// x^a y^b / B(a, b) / e^LnDiv = Gamma*(a + b) / (Gamma*(a) Gamma*(b)) sqrt(ab / (2 pi (a + b)))
// exp(-a phi(t1) - b phi(t2) - LnDiv); 0 < x, y < 1.
double BetaPrefix(double a, double b, const TBetaPoint& P, double LnDiv = 0) {
    const double c = a + b;
    const double E = LogRatioTerm(a, P.t1, static_cast<double>(P.x), a / c) +
                     LogRatioTerm(b, P.t2, static_cast<double>(P.y), b / c) + LnGammaStar(c) -
                     LnGammaStar(a) - LnGammaStar(b);
    return std::sqrt(a * b / (2 * kPi * c)) * std::exp(E - LnDiv);
}

// Sum of x^n / ((a + 1) ... (a + n)), n >= 0 (P(a, x) = prefix / a * sum).
double GammaSeries(double a, double x) {
    double Sum = 1, Term = 1, ap = a;
    for (std::int64_t n = 0; n < kMaxTerms; ++n) {
        ap += 1;
        Term *= x / ap;
        Sum += Term;
        if (Term < Sum * (kEps / 4)) break;
    }
    return Sum;
}

// Continued fraction of Q(a, x) = prefix * CF for x >= a + 1 (modified Lentz).
double GammaContinuedFraction(double a, double x) {
    double b = x + 1 - a, c = 1 / kTiny, d = 1 / b, h = d;
    for (std::int64_t i = 1; i < kMaxTerms; ++i) {
        const double an = -static_cast<double>(i) * (static_cast<double>(i) - a);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < kTiny) d = kTiny;
        c = b + an / c;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1 / d;
        const double Del = d * c;
        h *= Del;
        if (std::fabs(Del - 1) < kEps / 2) break;
    }
    return h;
}

// (P, Q) with the smaller of the two formed directly.
std::pair<double, double> GammaPQ(double a, double x) {
    if (std::isnan(a) || std::isnan(x) || !(a > 0) || x < 0) return {kNaN, kNaN};
    if (x == 0) return {0.0, 1.0};
    if (std::isinf(x)) return {1.0, 0.0};
    if (std::isinf(a)) return {0.0, 1.0};
    if (x < a + 1) {
        const double P = GammaPrefix(a, x) / a * GammaSeries(a, x);
        return {P, 1 - P};
    }
    const double Q = GammaPrefix(a, x) * GammaContinuedFraction(a, x);
    return {1 - Q, Q};
}

// Continued fraction of I_x(a, b) = prefix * CF / a (modified Lentz), for
// x < (a + 1) / (a + b + 2). Near that bound with a large, its terms 1 + aa d cancel to
// about 1/a: x carries 64 bits and the recurrence runs in long double, so the rounding of
// x (made from its small complement y) is not magnified a-fold.
double BetaContinuedFraction(double a, double b, long double x) {
    using L = long double;
    constexpr L Tiny = 1e-300L;
    const L qab = L(a) + b, qap = L(a) + 1, qam = L(a) - 1;
    L c = 1, d = 1 - qab * x / qap;
    if (std::fabs(d) < Tiny) d = Tiny;
    d = 1 / d;
    L h = d;
    for (std::int64_t m = 1; m < kMaxTerms; ++m) {
        const L md = static_cast<L>(m), m2 = 2 * md;
        L aa = md * (b - md) * x / ((qam + m2) * (a + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < Tiny) d = Tiny;
        c = 1 + aa / c;
        if (std::fabs(c) < Tiny) c = Tiny;
        d = 1 / d;
        h *= d * c;
        aa = -(a + md) * (qab + md) * x / ((a + m2) * (qap + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < Tiny) d = Tiny;
        c = 1 + aa / c;
        if (std::fabs(c) < Tiny) c = Tiny;
        d = 1 / d;
        const L Del = d * c;
        h *= Del;
        if (std::fabs(Del - 1) < L(kEps) / 8) break;
    }
    return static_cast<double>(h);
}

// (I_x(a, b), 1 - I_x(a, b)) at the point P; the smaller formed directly.
std::pair<double, double> BetaPair(double a, double b, const TBetaPoint& P) {
    if (P.x <= 0) return {0.0, 1.0};
    if (P.y <= 0) return {1.0, 0.0};
    if (P.x < (a + 1) / (a + b + 2)) {
        const double I = BetaPrefix(a, b, P) * BetaContinuedFraction(a, b, P.x) / a;
        return {I, 1 - I};
    }
    const double Ic = BetaPrefix(b, a, {P.y, P.x, P.t2, P.t1}) * BetaContinuedFraction(b, a, P.y) / b;
    return {1 - Ic, Ic};
}

bool BadBeta(double a, double b, double x) {
    return std::isnan(a) || std::isnan(b) || std::isnan(x) || !(a > 0) || !(b > 0) || x < 0 || x > 1 ||
           std::isinf(a) || std::isinf(b);
}

// (P(T > |t|), P(0 < T < |t|)) for Df >= 2: I_x(Df/2, 1/2) / 2 and its complement / 2 at
// x = Df / (Df + t^2), y = t^2 / (Df + t^2), t1 = (1 - t^2) / (Df + t^2), t2 = -Df t1.
std::pair<double, double> TTailAndCentre(double t, double Nu) {
    const double T2 = t * t;
    TBetaPoint P;
    if (std::isfinite(T2)) {
        const long double T2L = static_cast<long double>(t) * t, DenL = Nu + T2L;
        const double Den = Nu + T2;
        P = {Nu / DenL, T2L / DenL, (1 - T2) / Den, Nu * (T2 - 1) / Den};
    } else {
        const double x = Nu / std::fabs(t) / std::fabs(t);
        P = {x, 1, -1, Nu};
    }
    const auto [I, Ic] = BetaPair(Nu / 2, 0.5, P);
    return {0.5 * I, 0.5 * Ic};
}

// ln(Gamma(a + 1/2) / Gamma(a)) - 1/2 ln a, a > 0: exp of it times sqrt(a).
double LnGammaHalfRatio(double a) {
    return a * std::log1p(0.5 / a) - 0.5 + LnGammaStar(a + 0.5) - LnGammaStar(a);
}

// Normal upper quantile to about 4.5e-4 (Abramowitz and Stegun 26.2.23), 0 < q <= 0.5.
double RoughNormalUpperQuantile(double q) {
    const double t = std::sqrt(-2 * std::log(q));
    return t - (2.515517 + t * (0.802853 + t * 0.010328)) / (1 + t * (1.432788 + t * (0.189269 + t * 0.001308)));
}

}  // namespace

double GammaP(double a, double x) { return GammaPQ(a, x).first; }
double GammaQ(double a, double x) { return GammaPQ(a, x).second; }

double BetaI(double a, double b, double x) {
    if (BadBeta(a, b, x)) return kNaN;
    return BetaPair(a, b, PlainBetaPoint(a, b, x)).first;
}

double BetaIc(double a, double b, double x) {
    if (BadBeta(a, b, x)) return kNaN;
    return BetaPair(a, b, PlainBetaPoint(a, b, x)).second;
}

// ---------------------------------------------------------------- Student t

double StudentTUpper(double t, std::int32_t Df) {
    if (Df < 1 || std::isnan(t)) return kNaN;
    if (Df == 1) return std::atan2(1.0, t) / kPi;
    const auto [Tail, Centre] = TTailAndCentre(t, Df);
    return t >= 0 ? Tail : 0.5 + Centre;
}

double StudentTCdf(double t, std::int32_t Df) {
    if (Df < 1 || std::isnan(t)) return kNaN;
    return StudentTUpper(-t, Df);
}

double StudentTDensity(double t, std::int32_t Df) {
    if (Df < 1 || std::isnan(t)) return kNaN;
    const double Nu = Df;
    if (std::isinf(t)) return 0;
    // Gamma((Nu + 1) / 2) / (sqrt(Nu pi) Gamma(Nu / 2)) (1 + t^2 / Nu)^(-(Nu + 1) / 2)
    const double a = Nu / 2;
    const double T2 = t * t;
    const double L = std::isfinite(T2 / Nu) ? std::log1p(T2 / Nu)
                                             : 2 * std::log(std::fabs(t)) - std::log(Nu);
    return std::sqrt(a / (Nu * kPi)) * std::exp(LnGammaHalfRatio(a) - (Nu + 1) / 2 * L);
}

double StudentTQuantileUpper(double q, std::int32_t Df) {
    if (Df < 1 || std::isnan(q) || q < 0 || q > 1) return kNaN;
    if (q == 0) return kInf;
    if (q == 1) return -kInf;
    if (q > 0.5) return -StudentTQuantileUpper(1 - q, Df);  // 1 - q is exact here
    if (q == 0.5) return 0;
    if (Df == 1) return q < 0.25 ? 1 / std::tan(kPi * q) : std::tan(kPi * (0.5 - q));
    if (Df == 2) return (1 - 2 * q) / std::sqrt(2 * q * (1 - q));
    const double Nu = Df;
    // Newton's method on g(u) = ln S(e^u) - ln target, S the tail (q <= 0.25) or the
    // central probability P(0 < T < t) (target 0.5 - q, exact), safeguarded by a bracket.
    const bool UseTail = q <= 0.25;
    const double LnTarget = std::log(UseTail ? q : 0.5 - q);
    const double z = RoughNormalUpperQuantile(q);
    double t0 = z + (z * z * z + z) / (4 * Nu) + (5 * std::pow(z, 5) + 16 * z * z * z + 3 * z) / (96 * Nu * Nu);
    if (!(t0 > 0)) t0 = 0.1;
    double u = std::log(t0), Lo = -kInf, Hi = kInf;
    for (int It = 0; It < 200; ++It) {
        const double t = std::exp(u);
        const auto [Tail, Centre] = TTailAndCentre(t, Nu);
        const double S = UseTail ? Tail : Centre;
        const double g = std::log(S) - LnTarget;
        if (g == 0) break;
        // The tail falls and the central probability rises with t.
        if ((g > 0) == UseTail) Lo = u; else Hi = u;
        const double Slope = (UseTail ? -1.0 : 1.0) * t * StudentTDensity(t, Df) / S;
        double Next = u - g / Slope;
        if (!std::isfinite(Next) || Next <= Lo || Next >= Hi) {
            if (std::isfinite(Lo) && std::isfinite(Hi)) Next = 0.5 * (Lo + Hi);
            else Next = std::isfinite(Lo) ? u + 2 : u - 2;
        }
        const double Step = Next - u;
        u = Next;
        if (std::fabs(Step) <= 2 * kEps * std::fabs(u) + 1e-300 || Hi - Lo <= 2 * kEps * std::fabs(u)) break;
    }
    return std::exp(u);
}

// ---------------------------------------------------------------- chi-square

double ChiSquareCdf(double x, std::int32_t Df) {
    if (Df < 1 || std::isnan(x)) return kNaN;
    if (x <= 0) return 0;
    return GammaPQ(Df / 2.0, x / 2).first;
}

double ChiSquareUpper(double x, std::int32_t Df) {
    if (Df < 1 || std::isnan(x)) return kNaN;
    if (x <= 0) return 1;
    return GammaPQ(Df / 2.0, x / 2).second;
}

double ChiSquareDensity(double x, std::int32_t Df) {
    if (Df < 1 || std::isnan(x)) return kNaN;
    if (x < 0 || std::isinf(x)) return 0;
    if (x == 0) return Df == 1 ? kInf : Df == 2 ? 0.5 : 0.0;
    // (x/2)^(a-1) e^(-x/2) / (2 Gamma(a)) = prefix(a, x/2) / x
    return PrefixOver([&](double LnDiv) { return GammaPrefix(Df / 2.0, x / 2, LnDiv); }, x);
}

// ---------------------------------------------------------------- F

namespace {
// The point of the F distribution: z = Df1 x / (Df1 x + Df2), y = Df2 / (Df1 x + Df2),
// t1 = Df2 (x - 1) / (Df1 x + Df2), t2 = -Df1 (x - 1) / (Df1 x + Df2); above x = 1 through
// r = Df2 / (Df1 x) so that nothing overflows.
TBetaPoint FBetaPoint(double x, double d1, double d2) {
    using L = long double;
    if (x <= 1) {
        const double Den = d1 * x + d2, w = x - 1;
        const L DenL = L(d1) * x + d2;
        return {L(d1) * x / DenL, d2 / DenL, d2 * w / Den, -d1 * w / Den};
    }
    const double r = d2 / d1 / x, w = x - 1;
    const L rL = L(d2) / d1 / x;
    return {1 / (1 + rL), rL / (1 + rL), r * w / (1 + r), -(w / x) / (1 + r)};
}
}  // namespace

double FCdf(double x, std::int32_t Df1, std::int32_t Df2) {
    if (Df1 < 1 || Df2 < 1 || std::isnan(x)) return kNaN;
    if (x <= 0) return 0;
    if (std::isinf(x)) return 1;
    return BetaPair(Df1 / 2.0, Df2 / 2.0, FBetaPoint(x, Df1, Df2)).first;
}

double FUpper(double x, std::int32_t Df1, std::int32_t Df2) {
    if (Df1 < 1 || Df2 < 1 || std::isnan(x)) return kNaN;
    if (x <= 0) return 1;
    if (std::isinf(x)) return 0;
    return BetaPair(Df1 / 2.0, Df2 / 2.0, FBetaPoint(x, Df1, Df2)).second;
}

double FDensity(double x, std::int32_t Df1, std::int32_t Df2) {
    if (Df1 < 1 || Df2 < 1 || std::isnan(x)) return kNaN;
    if (x < 0 || std::isinf(x)) return 0;
    if (x == 0) return Df1 == 1 ? kInf : Df1 == 2 ? 1.0 : 0.0;
    const TBetaPoint P = FBetaPoint(x, Df1, Df2);
    if (P.x <= 0 || P.y <= 0) return 0;
    return PrefixOver([&](double LnDiv) { return BetaPrefix(Df1 / 2.0, Df2 / 2.0, P, LnDiv); }, x);
}

}  // namespace qmr::detail
