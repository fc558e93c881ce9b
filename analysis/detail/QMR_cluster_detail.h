// Internals shared by the clustering and nearest-neighbour routines. Internal to the library.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace qmr::detail {

// Row bounds of the neighbour routines: a bound <= 0 becomes 1, both are cut to NRows
// and a reversed pair is swapped. False (bounds unchanged) when there are no rows.
inline bool ClusterRowRange(std::int32_t NRows, std::int32_t& LoRow, std::int32_t& HiRow) noexcept {
    if (NRows < 1) return false;
    LoRow = std::min(std::max(LoRow, 1), NRows);
    HiRow = std::min(std::max(HiRow, 1), NRows);
    if (LoRow > HiRow) std::swap(LoRow, HiRow);
    return true;
}

// Rank of a distance in the searches that start at +infinity and let only a strictly
// smaller value win: NaN ranks with +infinity, so when nothing compares smaller the
// first candidate is taken.
inline double PairRank(double D) noexcept { return std::isnan(D) ? std::numeric_limits<double>::infinity() : D; }

}  // namespace qmr::detail
