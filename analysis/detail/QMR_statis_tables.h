// Tables of the statistical tests. Internal to the library.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

// --- Wilcoxon signed-rank critical values ---
namespace qmr::detail {

// Row n - WilcoxonSRLowN holds the two-sided lower critical values of Wilcoxon's
// signed-rank statistic for n pairs at the levels WilcoxonSRLevelValues: the largest w
// with P(W+ <= w) <= level / 2 under the exact null distribution, 0 when there is none.
inline constexpr int WilcoxonSRLowN = 8, WilcoxonSRHighN = 100, WilcoxonSRLevels = 5;
inline constexpr double WilcoxonSRLevelValues[WilcoxonSRLevels] = {0.1, 0.05, 0.02, 0.01, 0.001};
extern QMR_API const std::int16_t WilcoxonSRCritical[WilcoxonSRHighN - WilcoxonSRLowN + 1][WilcoxonSRLevels];

}  // namespace qmr::detail
// --- end of Wilcoxon table ---
