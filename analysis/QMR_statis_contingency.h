// Contingency tables and binned counts: chi-square (plain and with Yates' correction),
// the median test of two samples, the chi-square comparison of two histograms, the
// probability of a 2 x 2 table, Fisher's exact test, the adjusted Rand index and
// Goodman-Kruskal's lambda.
//
// Tables are TInt2DArray indexed [column][row]. A table "with margins" holds the data
// cells in all but its last column and row, the row totals in the last column, the column
// totals in the last row and the grand total in the last cell; the margins are used as
// given. A bare 2 x 2 table holds a = [0][0], b = [1][0], c = [0][1], d = [1][1]. Every
// column must be as long as the first; a ragged or too small table is refused with the
// shape code. Outputs are set to 0 before any check; P-values are upper tails of the
// chi-square distribution to full precision.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

// Chi2 = sum over the data cells with E = column total * row total / grand total > 0 of
// (O - E)^2 / E; P its upper tail with (columns - 2)(rows - 2) degrees of freedom. 0; -1
// for fewer than 3 x 3 cells, a ragged table or a grand total <= 0 (Chi2 = P = 0).
QMR_API std::int32_t Chi2OfContTab(const TInt2DArray& Table, double& Chi2, double& P);
// Yates-corrected chi-square of a 2 x 2 table with margins (a 3 x 3 array):
// Chi2 = max(0, |ad - bc| - N/2)^2 N / (r1 r2 c1 c2), P its upper tail with 1 degree of
// freedom. Checks in this order: -1 not 3 x 3, a negative margin or grand total; -2 a
// margin is 0 (Chi2 keeps the numerator, P = 0); -1 a grand total of 0. Chi2 = P = 0 on -1.
QMR_API std::int32_t Chi2OfContTabYates(const TInt2DArray& Table, double& Chi2, double& P);
// Median test of two samples: each value at or below the median of all values counts as
// below, the others (NaN included) above; the 2 x 2 table of sample against position
// gives Chi2/P (Chi2OfContTab), Chi2Yates/PYates (Chi2OfContTabYates) and PFisher =
// min(PLeft, PRight) of FisherExactTest. PFisher starts at -1 and stays -1 when Fisher's
// test refuses (more than 1000 values). 0; -1 an array is empty; -2 the Yates correction
// refused (Chi2Yates = PYates = 0; the others are still delivered).
QMR_API std::int32_t MedianTest(const TDoubleArray& Data1, const TDoubleArray& Data2, double& Chi2, double& P,
                                double& Chi2Yates, double& PYates, double& PFisher);
// Chi-square comparison of the counts of Hist1 with those of Hist2 taken as expectations,
// scaled to equal totals: bins are merged in order until the expectation exceeds 5 and
// the next bin of Hist2 is not 0, the rest after the last bin forms a bin of its own; DF =
// merged bins - 1 (DF < 1 gives P = 1). Checks, the first failing one wins: -1 lengths
// differ; -2 an array is empty; -3 a negative count, a total <= 0 or a total beyond 32
// bits. Total1 and Total2 are the sums whenever the lengths agree (0 for one beyond 32
// bits); Chi2, P and DF stay 0 on a refusal.
QMR_API std::int32_t PerformChi2DistComp(const TIntArray& Hist1, const TIntArray& Hist2, double& Chi2, double& P,
                                         std::int32_t& DF, std::int32_t& Total1, std::int32_t& Total2);
// Hypergeometric probability of the bare 2 x 2 table under its margins. 0; -1 not 2 x 2
// (or ragged); -3 a negative cell; -2 N > 1000; checked in this order.
QMR_API std::int8_t Prob2x2Contingency(const TInt2DArray& Table, double& Prob);
// Fisher's exact test of the bare 2 x 2 table: PLeft = P(A <= a), PRight = P(A >= a) for
// the observed top-left cell a, PTwoTail = the sum over the tables with the same margins
// whose probability is at most that of the observed table (relative tolerance 1e-7).
// 0; -1 not 2 x 2 (or ragged); -3 a negative cell; -2 N > 1000 (-3 wins over -2).
QMR_API std::int32_t FisherExactTest(const TInt2DArray& Table, double& PLeft, double& PRight, double& PTwoTail);
// Adjusted Rand index of a table with margins: the row partition's pair count from the
// row totals (last column), the column partition's from the column totals (last row),
// formed exactly. 1 when the denominator is 0 (both partitions trivial and equal, or a
// grand total below 2); 0 for fewer than 2 x 2 cells or a ragged table.
QMR_API double AdjustedRandIx(const TInt2DArray& Table);
// Goodman-Kruskal's lambda of a table with margins: LambdaRows predicts the row variable
// from the column maxima, LambdaCols the column variable from the row maxima; a lambda
// whose denominator (grand total - largest total) is 0 is 0. 0; -1 for fewer than 2 x 2
// cells, a ragged table, or a data column or row whose cells do not sum to its total.
QMR_API std::int32_t Lambda(const TInt2DArray& Table, double& LambdaRows, double& LambdaCols);

}  // namespace qmr
