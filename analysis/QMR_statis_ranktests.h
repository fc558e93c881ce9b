// Rank and variance tests: critical values of Wilcoxon's signed-rank statistic, Friedman's
// rank test, Levene's test of equal variances and the one-way analysis of variance.
// The tests return a p-value (an upper tail to full precision) or a negative code, and
// never change the caller's objects.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

class TIntVector;
class TMatrix;
class TVector;

// Lower critical value of the signed-rank statistic for n pairs at level alpha. n <= 100:
// the parabola fitted (TCurveFit) to (ln level, two-sided table value) over the levels
// 0.1, 0.05, 0.02, 0.01, 0.001 (the first 3 for n = 8, 4 for n = 9 and 10), read at
// ln alpha (TwoSided) or ln 2 alpha, rounded, at least 0. n > 100: the normal
// approximation n(n + 1)/4 - z sqrt(n(n + 1)(2n + 1)/24), z = -nDistriQuantile(alpha/2)
// (TwoSided) or -nDistriQuantile(alpha), rounded. -1 for n < 8, n > 1000000, alpha
// outside 0.000499999..0.20000001 (NaN included), or a value beyond 32 bits.
QMR_API std::int32_t WilcoxonSRQuantile(std::int32_t n, double alpha, bool TwoSided);

// Friedman's test of a blocks (rows) x treatments (columns) matrix, each row ranked with
// mid-ranks for ties; Chi2 is corrected for ties and the result is its upper tail with
// columns - 1 degrees of freedom. Every row fully tied gives Chi2 = 0 and 1. -1 with Chi2
// untouched for nil Data, no rows, or fewer than 3 columns.
QMR_API double FriedmanTest(const TMatrix* Data, double& Chi2);

// Levene's test (mean-centred) of equal variances of the groups of Data: element i
// belongs to the group coded Groups[i], groups numbered by first appearance. F = MSB /
// MSW of the absolute deviations from the group means; the result is its upper tail.
// MSW = 0 gives F = uc_MaxReal and 0 when MSB != 0, else F = 0 and -3. Codes, F
// untouched: -4 nil Data or Groups or different element counts; -1 fewer than 2 groups;
// -2 as many groups as elements or more. A value that is NaN or infinite gives F and the
// result NaN.
QMR_API double LeveneTest(const TVector* Data, const TIntVector* Groups, double& F);

// One-way analysis of variance of the groups of Data (grouped as LeveneTest): sums of
// squares between and within the groups and in total (from deviations about the group
// means and the grand mean), their degrees of freedom k - 1, n - k, n - 1, and F = MSB /
// MSW with its upper tail as the result. Codes as LeveneTest; the sums of squares and
// degrees of freedom are delivered with the result -3 too, nothing is with -4, -1, -2.
// A value that is NaN or infinite gives NaN sums of squares, F and result.
QMR_API double Anova1F(const TVector* Data, const TIntVector* Groups, double& SSbetween, double& SSwithin,
                       double& SStotal, std::int32_t& dfbetween, std::int32_t& dfwithin, std::int32_t& dftotal,
                       double& F);

}  // namespace qmr
