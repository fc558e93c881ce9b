// Platform number text: fixed-point and exponent notation, decimal integer parsing.
//
// Both notations round the exact binary value of their argument to the digits shown,
// a value exactly halfway between two texts going away from zero. NaN prints as "Nan",
// infinities as "+Inf" and "-Inf" (right-aligned in the width like any other text).
// Negative zero prints like zero; other negative values keep their "-" even when
// the digits shown are all zero.
#pragma once

#include "platform/rtl_core.h"

#include <cstdint>
#include <string>

namespace qmr {

// Fixed-point text of X with Decimals (at least 0) decimals and '.' as separator,
// right-aligned in at least Width characters.
QMR_API std::string StrFixed(long double X, std::int32_t Width, std::int32_t Decimals);
// Exponent text of X in Width characters: "-" or a blank, one digit, '.', Width - 9
// fraction digits (at least 1), "E", the exponent's sign and four exponent digits.
QMR_API std::string StrExp(long double X, std::int32_t Width);
// Fixed-point text of X with Decimals decimals, '.' as separator, at least Width wide.
QMR_API std::string strff(long double X, std::int32_t Width, std::int32_t Decimals);
// Parses a decimal 32-bit integer (leading blanks, optional sign, digits, nothing after);
// false and Value untouched when S holds no such number.
QMR_API bool TryStrToInt(const std::string& S, std::int32_t& Value);
// Parses a real number in fixed or exponent notation with '.' as separator, whatever the
// host's locale (leading and trailing blanks, optional sign, digits with an optional
// fraction, optional exponent). A value too small for a double gives a zero of its sign;
// false and Value untouched when S holds no such number or it overflows a double.
QMR_API bool TryStrToFloat(const std::string& S, double& Value);

}  // namespace qmr
