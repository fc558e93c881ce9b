// Universal numeric constants and the table of ln n!.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <limits>

namespace qmr {

// Largest finite double.
inline constexpr double uc_MaxDouble = std::numeric_limits<double>::max();
// Largest finite value of the general real type (a double).
inline constexpr double uc_MaxReal = std::numeric_limits<double>::max();
// Largest finite single.
inline constexpr float uc_MaxSingle = std::numeric_limits<float>::max();
// Square root of 2.
inline constexpr double uc_sqrt2 = 1.41421356237309504880168872420969808;
// 1 / sqrt(2 pi), the peak of the standard normal density.
#if QMR_EXTENDED_80
inline constexpr Extended uc_sqrt2pitom1 = 0.398942280401432677939946059934381868L;
#else
inline constexpr Extended uc_sqrt2pitom1 = 0.398942280401432677939946059934381868;
#endif
// Largest 64-bit signed integer.
inline constexpr std::int64_t uc_MaxInt64 = std::numeric_limits<std::int64_t>::max();

// Highest n of the ln n! table.
inline constexpr int uc_LnFactorialMax = 1000;
// ln n! for n = 0..1000, correctly rounded to Extended.
extern QMR_API const Extended uc_LnFactorial[uc_LnFactorialMax + 1];

}  // namespace qmr
