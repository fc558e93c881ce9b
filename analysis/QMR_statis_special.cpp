// Special functions of QMR_statis: ln Gamma, incomplete gamma and beta, the error function,
// the normal, Weibull and hypergeometric distributions, binomial coefficients, Fisher's z.
#include "analysis/QMR_statis.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace qmr {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Lanczos coefficients of LnGamma.
constexpr double kLanczos[6] = {76.18009173, -86.50532033, 24.01409822, -1.231739516, 0.120858003e-2,
                                -0.536382e-5};
// The series of IncompleteGamma stops here at the latest: beyond 2^53 its index a + k no
// longer grows and the test |term| < |sum| 1e-8 may never be met.
constexpr std::int64_t kMaxGammaSeriesTerms = 10000000;
// Halvings of nDistriQuantile's bracket at most (far below p = 1e-9 the relative
// tolerance cannot be met).
constexpr int kMaxQuantileHalvings = 200;

// ln C(n, k) = ln n! - ln k! - ln (n - k)! for 0 <= k <= n (n + 1 formed in 64 bits).
double LnBinom(std::int32_t n, std::int32_t k) {
    return LnGamma(static_cast<double>(std::int64_t{n} + 1)) - LnGamma(static_cast<double>(std::int64_t{k} + 1)) -
           LnGamma(static_cast<double>(std::int64_t{n} - k + 1));
}

}  // namespace

double LnGamma(double x) {
    if (std::isnan(x) || x == std::numeric_limits<double>::infinity()) return x;
    if (x <= 0) return 0;
    double Ser = 1.0;
    for (int i = 0; i < 6; ++i) Ser += kLanczos[i] / (x + i);
    const double Tmp = x + 4.5;
    return (x - 0.5) * std::log(Tmp) - Tmp + std::log(2.50662827463100050 * Ser);
}

double IncompleteGamma(double x, double a) {
    if (std::isnan(x) || std::isnan(a)) return kNaN;
    if (x <= 0 || a <= 0 || std::isinf(a)) return 0;
    if (std::isinf(x)) return 1;
    const double g = std::exp(a * std::log(x) - x - LnGamma(a));
    if (x < a + 1) {
        double ap = a, Term = 1.0 / a, Sum = Term;
        for (std::int64_t k = 0; k < kMaxGammaSeriesTerms; ++k) {
            ap += 1;
            Term = Term * x / ap;
            Sum += Term;
            if (std::fabs(Term) < std::fabs(Sum) * 1e-8) break;
        }
        return g * Sum;
    }
    double a0 = 1, a1 = x, b0 = 0, b1 = 1, Fac = 1, Prev = 0, Value = 0;
    for (int n = 1; n <= 99; ++n) {
        const double an = n, ana = an - a;
        a0 = (a1 + ana * a0) * Fac;
        b0 = (b1 + ana * b0) * Fac;
        a1 = x * a0 + an * Fac * a1;
        b1 = x * b0 + an * Fac * b1;
        if (a1 != 0) {
            Fac = 1 / a1;
            Value = b1 * Fac;
            const double Rel = std::fabs((Value - Prev) / Value);
            if (Rel < 1e-8 || std::isnan(Rel)) break;
            Prev = Value;
        }
    }
    return 1 - g * Value;
}

double Erf(double x) {
    const double P = IncompleteGamma(x * x, 0.5);
    return x < 0 ? -P : P;
}

double ErfApprox(double x) {
    const double z = std::fabs(x);
    const double t = 1 / (1 + 0.5 * z);
    const double e =
        t * std::exp(-z * z - 1.26551223 +
                     t * (1.00002368 +
                          t * (0.37409196 +
                               t * (0.09678418 +
                                    t * (-0.18628806 +
                                         t * (0.27886807 +
                                              t * (-1.13520398 + t * (1.48851587 + t * (-0.82215223 + t * 0.17087277)))))))));
    return x >= 0 ? 1 - e : e - 1;
}

double nDistriDensity(double x) { return 0.3989422804014327 * std::exp(-x * x / 2); }

double nDistriIntegral(double x) {
    const double P = IncompleteGamma(x * x / 2, 0.5);
    return x > 0 ? 0.5 * (1 + P) : 0.5 * (1 - P);
}

double nDistriQuantile(double p) {
    if (!(p > 0 && p < 1)) return 0;
    // Start value: the rational approximation in t = sqrt(-2 ln(min(p, 1 - p))); for p < 0.5
    // ln p itself (1 - (1 - p) is 0 below p = 1.1e-16).
    const double Sign = p < 0.5 ? -1.0 : 1.0;
    const double t = std::sqrt(-2 * std::log(p < 0.5 ? p : 1 - p));
    const double x0 = Sign * (t - (2.515517 + 0.802853 * t + 0.010328 * t * t) /
                                      (1 + 1.432788 * t + 0.189269 * t * t + 0.001308 * t * t * t));
    const double e = 0.1 * std::fmax(std::fabs(x0), 0.1);
    double Upper = x0 + e, Lower = x0 - e, x = x0;
    for (int i = 0; i < kMaxQuantileHalvings; ++i) {
        x = (Upper + Lower) / 2;
        if (x == Upper || x == Lower) break;  // the bracket no longer shrinks
        const double Phi = nDistriIntegral(x);
        if (Phi <= p) Lower = x; else Upper = x;
        if (std::fabs(Phi - p) / p < 1e-8) break;
    }
    return x;
}

double WeibullDensity(double x, double shape, double scale) {
    if (x <= 0 || scale <= 0 || shape <= 0) return 0;
    return shape / std::exp(shape * std::log(scale)) * std::exp((shape - 1) * std::log(x)) *
           std::exp(-std::exp(shape * std::log(x / scale)));
}

std::int32_t BinomCoeff(std::int32_t n, std::int32_t k) {
    if (n < 0 || k < 0 || k > n) return 0;
    std::int64_t R = 0;
    if (!detail::CheckedRoundToInt64(std::exp(LnBinom(n, k)), R) || R > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(R);
}

double LnBinomCoeff(std::int32_t n, std::int32_t k) {
    if (n < 0 || k < 0 || k > n) return -1;
    return LnBinom(n, k);
}

double LnBeta(double z, double w) {
    if (z < 0 || w < 0) return 0;
    return LnGamma(z) + LnGamma(w) - LnGamma(z + w);
}

double IncompleteBeta(double x, double a, double b) {
    if (std::isnan(x) || std::isnan(a) || std::isnan(b)) return kNaN;
    if (x < 0) return 0;
    if (x > 1) return 1;
    if (a <= 0 || b <= 0) return 0;
    // Continued fraction of I_x(a, b) up to the prefactor, at most 100 steps.
    const auto CF = [](double x, double a, double b) {
        const double qab = a + b, qap = a + 1, qam = a - 1;
        double am = 1, bm = 1, az = 1, bz = 1 - qab * x / qap;
        for (int m = 1; m <= 100; ++m) {
            const double em = m, tem = 2 * em;
            double d = em * (b - em) * x / ((qam + tem) * (a + tem));
            const double ap = az + d * am, bp = bz + d * bm;
            d = -(a + em) * (qab + em) * x / ((a + tem) * (qap + tem));
            const double app = ap + d * az, bpp = bp + d * bz;
            const double aold = az;
            am = ap / bpp;
            bm = bp / bpp;
            az = app / bpp;
            bz = 1;
            if (std::fabs(az - aold) < 1e-8 * std::fabs(az)) break;
        }
        return az;
    };
    const double bt = (x == 0 || x == 1)
                          ? 0.0
                          : std::exp(LnGamma(a + b) - LnGamma(a) - LnGamma(b) + a * std::log(x) + b * std::log(1 - x));
    if (x < (a + 1) / (a + b + 2)) return bt * CF(x, a, b) / a;
    return 1 - bt * CF(1 - x, b, a) / b;
}

double FisherTransform(double r) {
    if (!(r > -1 && r < 1)) throw EQMRStatisError("FisherTransform: argument out of range");
    return 0.5 * std::log((1 + r) / (1 - r));
}

double FisherTransformInv(double z) { return std::tanh(z); }

double CalcFishQ(double mean1, double mean2, double sd1, double sd2) {
    double Den = sd1 * sd1 + sd2 * sd2;
    if (Den < 1e-6) Den = 1e-6;
    const double d = mean1 - mean2;
    return d * d / Den;
}

double ConfidenceInterval(double alpha, double sd, std::int32_t n) {
    if (n <= 0) return 0;
    return nDistriQuantile(1 - alpha / 2) * sd / std::sqrt(static_cast<double>(n));
}

double HyperGeoDistriDensity(double p, std::int32_t npop, std::int32_t nsample, std::int32_t k) {
    if (!(p >= 0 && p <= 1))
        throw EQMRStatisError("HyperGeoDistriDensity: probability p must be between 0.0 and 1.0");
    if (npop <= 0) throw EQMRStatisError("HyperGeoDistriDensity: npop must be greater than 0");
    if (nsample > npop) throw EQMRStatisError("HyperGeoDistriDensity: nsample must not be greater than npop");
    if (nsample <= 0) throw EQMRStatisError("HyperGeoDistriDensity: nsample must not be less than 1");
    const std::int64_t m = Round(p * npop), N = npop, n = nsample, kk = k;
    if (kk < 0 || kk > m || kk > n || kk < n + m - N) return 0;
    const auto LnFact = [](std::int64_t v) { return LnGamma(static_cast<double>(v + 1)); };
    return std::exp(LnFact(m) - LnFact(kk) - LnFact(m - kk) + LnFact(N - m) - LnFact(n - kk) -
                    LnFact(N - m - n + kk) - LnFact(N) + LnFact(n) + LnFact(N - n));
}

}  // namespace qmr
