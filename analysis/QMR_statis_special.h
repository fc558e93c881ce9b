// Special functions and distributions: ln Gamma, the incomplete gamma and beta functions,
// the error function, the standard normal, Weibull and hypergeometric distributions,
// binomial coefficients, Fisher's z, and the one-sample Kolmogorov-Smirnov and Lilliefors
// statistics with their p-values and critical values.
//
// These are the library's fixed approximations (Lanczos ln Gamma, series and continued
// fractions to a relative 1e-8, a bisected normal quantile): about eight to ten digits.
// Code that needs full double precision uses the distributions of
// analysis/detail/QMR_distributions.h. Nothing here raises except FisherTransform and
// HyperGeoDistriDensity (EQMRStatisError); the others return the neutral value stated.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

class TVector;

// Significance levels 0.20, 0.15, 0.10, 0.05, 0.01 of the Kolmogorov-Smirnov tables.
enum class TSignifLevel : std::uint8_t { Dot20 = 0, Dot15 = 1, Dot10 = 2, Dot05 = 3, Dot01 = 4 };

// ln Gamma(x) by a six-term Lanczos series (about 3e-10 absolute); 0 for x <= 0; NaN and
// +inf give themselves.
QMR_API double LnGamma(double x);
// Regularised lower incomplete gamma P(a, x) (x first); 0 when x <= 0 or a <= 0; NaN in, NaN out;
// 1 for x = +inf, 0 for a = +inf. Series or continued fraction to a relative 1e-8.
QMR_API double IncompleteGamma(double x, double a);
// Error function as +-IncompleteGamma(x^2, 0.5); Erf(+-inf) = +-1.
QMR_API double Erf(double x);
// Error function by a rational Chebyshev approximation (absolute error below 1.2e-7).
QMR_API double ErfApprox(double x);
// Standard normal density.
QMR_API double nDistriDensity(double x);
// Standard normal distribution function Phi(x) through IncompleteGamma (1e-9 absolute).
QMR_API double nDistriIntegral(double x);
// x with Phi(x) = p, bisected to |Phi(x) - p| / p < 1e-8 (at most 200 halvings; about
// 2e-7 absolute for p in [1e-7, 0.99], coarser in the upper tail); 0 unless 0 < p < 1.
QMR_API double nDistriQuantile(double p);
// Weibull density (shape / scale^shape) x^(shape - 1) exp(-(x / scale)^shape);
// 0 for x <= 0, scale <= 0 or shape <= 0.
QMR_API double WeibullDensity(double x, double shape, double scale);
// Binomial coefficient Round(exp(ln n! - ln k! - ln (n - k)!)); 0 when n < 0, k < 0,
// k > n, or when the value exceeds the 32-bit range (C(34, 17) and up).
QMR_API std::int32_t BinomCoeff(std::int32_t n, std::int32_t k);
// ln C(n, k) through LnGamma; -1 when n < 0, k < 0 or k > n.
QMR_API double LnBinomCoeff(std::int32_t n, std::int32_t k);
// ln B(z, w) = LnGamma(z) + LnGamma(w) - LnGamma(z + w); 0 when z < 0 or w < 0.
QMR_API double LnBeta(double z, double w);
// Regularised incomplete beta I_x(a, b) (x first), continued fraction to a relative 1e-8
// in at most 100 steps; 0 for x < 0, 1 for x > 1, then 0 for a <= 0 or b <= 0; NaN in, NaN out.
QMR_API double IncompleteBeta(double x, double a, double b);
// Fisher's z = 0.5 ln((1 + r) / (1 - r)); EQMRStatisError "FisherTransform: argument out of
// range" unless -1 < r < 1.
QMR_API double FisherTransform(double r);
// Inverse of FisherTransform: tanh(z).
QMR_API double FisherTransformInv(double z);
// Fisher's separation (mean1 - mean2)^2 / max(sd1^2 + sd2^2, 1e-6).
QMR_API double CalcFishQ(double mean1, double mean2, double sd1, double sd2);
// Half-width nDistriQuantile(1 - alpha / 2) * sd / sqrt(n) of a confidence interval;
// 0 for n <= 0.
QMR_API double ConfidenceInterval(double alpha, double sd, std::int32_t n);
// Probability of k successes in nsample draws without replacement from npop items of
// which Round(p * npop) are successes; 0 for k outside the possible range.
// EQMRStatisError, checked in this order, for p outside [0, 1] or NaN, npop <= 0,
// nsample > npop, nsample <= 0.
QMR_API double HyperGeoDistriDensity(double p, std::int32_t npop, std::int32_t nsample, std::int32_t k);

// Upper-tail probability P(D_n >= d) of the one-sample Kolmogorov-Smirnov statistic.
// Asymptotic 2 exp(-(2.000071 + 0.331/sqrt n + 1.409/n) n d^2) when n d^2 > 7.24, or > 3.76
// with n > 99; otherwise the exact distribution (Marsaglia-Tsang-Wang matrix power) while
// the matrix order stays <= 1000 (n up to about 66 000), the Pelz-Good series beyond.
// 1 for n < 1 or d <= 0; NaN for a NaN d.
QMR_API double KSPValue(std::int32_t n, double d);
// Tabled critical value of D_n (n <= 20), c / sqrt(n) above; -1 for n < 1 or a level
// outside TSignifLevel.
QMR_API double KolmogSmir1SampleTestStat(std::int32_t n, TSignifLevel level);
// Critical value refined until |KSPValue(n, c) - level| <= 1e-4 (at most 1000 steps);
// -1 for n < 1 or a level outside TSignifLevel.
QMR_API double KSQuantile(std::int32_t n, TSignifLevel level);
// Approximate p-value of the Lilliefors statistic d (in (0, 1]); -1 for n < 6.
QMR_API double LillieforsPValue(std::int32_t n, double d);
// Approximate critical value of the Lilliefors statistic at significance alpha.
QMR_API double LillieforsQuantile(std::int32_t n, double alpha);
// Kolmogorov-Smirnov distance of the data from the standard normal distribution. Unless
// IsSorted, sorts Data ascending in place first (SortElems: OnSortExchange and OnChange
// fire). 0 for a nil vector.
QMR_API double PerformKSNormalityTest(TVector* Data, bool IsSorted);
// The same after standardising Data in place (sort first, then TVector::Standardize, which
// only centres up to two elements). 0 for a nil vector.
QMR_API double PerformLillieforsTest(TVector* Data, bool IsSorted);

}  // namespace qmr
