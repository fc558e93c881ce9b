// Normalisation of 1-based inclusive index ranges, shared by the vector and matrix
// classes. Internal to the library.
#pragma once

#include "foundations/QMR_math1_sort.h"

#include <cstdint>

namespace qmr::detail {

// Clamps each bound to 1..Count (Count >= 1) and exchanges a reversed pair.
inline void ClampRange(std::int32_t& Low, std::int32_t& High, std::int32_t Count) noexcept {
    if (Low <= 0) Low = 1;
    if (Low > Count) Low = Count;
    if (High <= 0) High = 1;
    if (High > Count) High = Count;
    if (High < Low) ExChange(Low, High);
}

// The range rule: (0, 0) is 1..Count, any other pair is clamped; with Count < 1 the
// range is empty (1, 0).
inline void NormaliseRange(std::int32_t& Low, std::int32_t& High, std::int32_t Count) noexcept {
    if (Count < 1) {
        Low = 1;
        High = 0;
    } else if (Low == 0 && High == 0) {
        Low = 1;
        High = Count;
    } else {
        ClampRange(Low, High, Count);
    }
}

}  // namespace qmr::detail
