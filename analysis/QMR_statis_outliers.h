// Single-outlier tests (Dean-Dixon's Q, Grubbs) and the Durbin-Watson statistic with its
// 5% bounds.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <array>
#include <cstdint>

namespace qmr {

class TVector;

// Significance levels of the outlier tables, 0.001 .. 0.5.
enum class TSignifLevelEx : std::uint8_t {
    Dot001 = 0, Dot002 = 1, Dot005 = 2, Dot010 = 3, Dot020 = 4, Dot050 = 5, Dot100 = 6, Dot200 = 7, Dot500 = 8
};
// The level of each TSignifLevelEx, indexed by its ordinal.
inline constexpr std::array<double, 9> NumericSigLevel = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5};

// Upper critical value of Dean-Dixon's Q for n values at level; -1 for n outside 3..100
// (or a level outside the enumeration).
QMR_API double DeanDixonCriticalValues(std::int32_t n, TSignifLevelEx level);
// Dean-Dixon's Q test for one outlier (the smallest or the largest value, whichever gap
// ratio is larger; the ratio's form changes at n = 8, 11 and 14). Q := the ratio; the
// result is the first 1-based position holding the suspect when Q exceeds the critical
// value, else 0. Data is not changed. EQMRStatisError "DeanDixonTest: number of data
// points is too low" (n < 3 or nil Data) or "... too high" (n > 100), Q = 0.
QMR_API std::int32_t DeanDixonTest(const TVector* Data, TSignifLevelEx level, double& Q);

// Critical value (n - 1)/sqrt(n) sqrt(t^2 / (n - 2 + t^2)) of Grubbs' statistic, t the
// Student-t quantile (n - 2 degrees of freedom) of upper-tail probability alpha / (2n)
// (TwoSided) or alpha / n; -1 unless 0 < alpha < 1 and n > 2.
QMR_API double GrubbsCriticalValues(std::int32_t n, double alpha, bool TwoSided);
// Grubbs' test for one outlier: G := max |x - mean| / sd (0 when sd is 0); the result is
// the first position reaching it when G exceeds the two-sided critical value, else 0.
// EQMRStatisError "GrubbsTest: invalid level of significance" unless 0 < alpha < 1, then
// "GrubbsTest: number of data points is too low" for n <= 3 or nil Data; G = 0.
QMR_API std::int32_t GrubbsTest(const TVector* Data, double alpha, double& G);

// Durbin-Watson statistic sum (e_i - e_(i-1))^2 / sum e_i^2; 2 for fewer than three
// residuals, 0 when all are 0, NaN when one is not finite (sums taken over e / max|e|).
QMR_API double DurbinWatson(const TDoubleArray& Resid);
// 5% bounds dL, dU of the Durbin-Watson statistic for n observations and k regressors
// besides the constant: tabulated to 3 decimals up to n = 100, fitted within 2e-4 above.
// False, dL and dU untouched, unless 1 <= k <= 20, n - k >= 5 and n <= 2000.
QMR_API bool DurbinWatsonCrit5pct(std::int32_t n, std::int32_t k, double& dL, double& dU);

}  // namespace qmr
