// Primes, factorisation, fractions, table interpolation, bits and byte order.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

// The I-th prime (1 gives 2, 4792 gives 46337); 0 for I outside 1..4792.
QMR_API std::int32_t ListOfPrimes(std::int32_t I);
// Trial division by 2 .. Trunc(Sqrt(|N|)); 0, 1 and -1 count as prime.
QMR_API bool IsPrime(std::int32_t N);
// Prime factors of N in ascending order, repeated by multiplicity; empty for N < 2.
QMR_API void FindPrimeFactors(std::int32_t N, TIntArray& Factors);
// Cancels the common factors of a fraction in place; signs stay where they were.
// Nothing happens when min(|Numerator|, |Denominator|) < 2.
QMR_API void CancelFraction(std::int32_t& Numerator, std::int32_t& Denominator);

// Linear interpolation in a pivot table: Pivots[0] x values (ascending or descending),
// Pivots[1] y values. Beyond the ends: linear extrapolation when Extrapolate, else 0.
QMR_API double InterpolXYTable(double X, const TDouble2DArray& Pivots, bool Extrapolate);
// Linear interpolation in values equally spaced from X0 (first) to X1 (last); outside
// the range the two pivots at the nearer end are extended.
QMR_API double InterpolTable(double X, double X0, double X1, const TDoubleArray& Values);
QMR_API double InterpolTable(double X, double X0, double X1, const TIntArray& Values);
// Bilinear interpolation: A + (B - A) T with A = Z1 + (Z3 - Z1) S, B = Z2 + (Z4 - Z2) S.
QMR_API double InterpolZofXYRect(double Z1, double Z2, double Z3, double Z4, double S, double T);

// 1 shl N for N in 0..7, else 0.
QMR_API std::int32_t DecodeBit(std::int32_t N);
// 1 shl N for N in 0..31 (31 gives the sign bit), else 0.
QMR_API std::int32_t DecodeLong(std::int32_t N);
// Index of the lowest set bit of N; 31 for N = 0.
QMR_API std::int32_t EncodeLong(std::uint32_t N);
// Number of set bits of B.
QMR_API std::int32_t CountBits(std::uint8_t B);
// B with its bit order reversed.
QMR_API std::uint8_t BitReversal(std::uint8_t B);
// Gray code of N: N xor (N shr 1).
QMR_API std::uint16_t GrayCode(std::uint16_t N);
// The argument with its bytes in reverse order.
QMR_API double ConvertEndian(double X);
QMR_API float ConvertEndian(float X);
QMR_API std::uint16_t ConvertEndian(std::uint16_t X);
QMR_API std::int32_t ConvertEndian(std::int32_t X);

}  // namespace qmr
