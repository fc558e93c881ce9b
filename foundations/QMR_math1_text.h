// Number text: decimal, engineering, exponent, radix, Roman and degree text and parsing.
#pragma once

#include "platform/Qmr_qmrbase.h"
#include "platform/rtl_text.h"

#include <cstdint>
#include <string>

namespace qmr {

// Exactly Digits (0 counts as 1) decimal digits of |N|, zero-padded, higher digits
// dropped; "-" in front for negative N.
QMR_API std::string Decimal(std::int32_t N, std::uint8_t Digits);
// Engineering notation with an SI prefix letter; |Digits| (clamped to 1..9) significant
// digits; negative Digits put the letter in place of the decimal point.
QMR_API std::string EEngStr(double X, std::int32_t Digits);
// Decimals = -2: exponent notation with a two-digit exponent in Width characters
// (all "*" when the exponent needs more digits); otherwise fixed-point text.
QMR_API std::string strf(double X, std::int32_t Width, std::int32_t Decimals);
// Normalised exponent text "0.ddddE+xx" with Digits (2..15) mantissa digits,
// right-aligned in Width (8..40) characters; a sign character only for negative X.
QMR_API std::string MakeEFormat(double X, std::int32_t Width, std::int32_t Digits);

// Lowest Digits (1..8) hexadecimal digits of N taken as unsigned, upper case.
QMR_API std::string Hex(std::int32_t N, std::uint8_t Digits);
// Lowest Digits (1..11) octal digits of N taken as unsigned.
QMR_API std::string Octal(std::int32_t N, std::uint8_t Digits);
// Lowest Digits (1..32) binary digits of N taken as unsigned.
QMR_API std::string Bin(std::int32_t N, std::uint8_t Digits);

// Double from its 16-digit hexadecimal image (most significant byte first, any case);
// EQMRError for a wrong length or a non-hexadecimal character.
QMR_API double HexToDouble(const std::string& S);
// Single from its 8-digit hexadecimal image; EQMRError as above.
QMR_API float HexToSingle(const std::string& S);
// Hexadecimal image of X, most significant byte first, upper case (16 digits).
QMR_API std::string FPNumToHex(double X);
// Hexadecimal image of X (8 digits).
QMR_API std::string FPNumToHex(float X);
#if QMR_EXTENDED_80
// 80-bit extended from its 20-digit hexadecimal image; EQMRError as above.
QMR_API long double HexToExtended(const std::string& S);
// Hexadecimal image of the 10 bytes of X (20 digits).
QMR_API std::string FPNumToHex(long double X);
#endif

// Roman numeral of N in 1..29999 (thousands repeat "M"); empty text otherwise.
QMR_API std::string Roman(std::int32_t N);
// Decimal integer in S; Default when S is empty or no valid 32-bit integer.
QMR_API std::int32_t StrToIntDefault(const std::string& S, std::int32_t Default);

// Angle text in degrees, degrees and minutes, degrees, minutes and seconds, or plain;
// Decimals (0..8) apply to the last unit shown.
QMR_API std::string DegreeToStr(double X, TDegreeFormat Format, std::int32_t Decimals);
// Converts an angle in place between decimal degrees (Deg), degrees and decimal
// minutes (Deg, Min) and degrees, minutes and decimal seconds (Deg, Min, Sec).
// EQMRMath1Error when Min or Sec lies outside 0..60 (arguments unchanged).
QMR_API void ConvertDegrees(double& Deg, double& Min, double& Sec, TDegreeFormat From, TDegreeFormat To);
// Rounds an angle down (Up false) or up to the nearest plotting step of its largest
// non-zero unit.
QMR_API void RoundDegrees(std::int32_t& Deg, std::int32_t& Min, std::int32_t& Sec, bool Up);

// Tick parameters of an axis from Low to High with about NTicks ticks: the first tick,
// the signed tick distance and the number of sub-ticks.
QMR_API void CalcScalePars(std::int32_t NTicks, Extended Low, Extended High, Extended& FirstTick,
                           Extended& Distance, std::uint16_t& SubTicks);

}  // namespace qmr
