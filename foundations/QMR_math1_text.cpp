// Number text: decimal, engineering, exponent, radix, Roman and degree text and parsing.
#include "foundations/QMR_math1_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qmr {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Lowest Count digits of N (as unsigned) in base 2^Bits, most significant first.
std::string RadixText(std::int32_t N, unsigned Count, unsigned Bits) {
    std::uint32_t U = static_cast<std::uint32_t>(N);
    std::string S(Count, '0');
    for (unsigned i = 0; i < Count; ++i) {
        unsigned Shift = i * Bits;
        if (Shift >= 32) break;
        S[Count - 1 - i] = kHexDigits[(U >> Shift) & ((1u << Bits) - 1)];
    }
    return S;
}

unsigned DigitCount(std::uint8_t Digits, unsigned Max) {
    return Digits == 0 ? 1u : std::min<unsigned>(Digits, Max);
}

int HexValue(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

// Fills Image (Size bytes, little-endian memory order) from 2 * Size hexadecimal
// digits given most significant byte first; EQMRError naming Routine otherwise.
void ParseHexImage(const std::string& S, unsigned char* Image, std::size_t Size, const char* Routine) {
    auto Fail = [&] { throw EQMRError(std::string(Routine) + ": invalid hex string \"" + S + "\""); };
    if (S.size() != 2 * Size) Fail();
    for (std::size_t i = 0; i < Size; ++i) {
        int Hi = HexValue(S[2 * i]);
        int Lo = HexValue(S[2 * i + 1]);
        if (Hi < 0 || Lo < 0) Fail();
        Image[Size - 1 - i] = static_cast<unsigned char>(Hi * 16 + Lo);
    }
}

std::string HexImage(const unsigned char* Image, std::size_t Size) {
    std::string S;
    S.reserve(2 * Size);
    for (std::size_t i = Size; i-- > 0;) {
        S += kHexDigits[Image[i] >> 4];
        S += kHexDigits[Image[i] & 15];
    }
    return S;
}

}  // namespace

// ---------------------------------------------------------------- decimal and radix text

std::string Decimal(std::int32_t N, std::uint8_t Digits) {
    unsigned Count = Digits == 0 ? 1u : Digits;
    std::uint32_t U = N < 0 ? 0u - static_cast<std::uint32_t>(N) : static_cast<std::uint32_t>(N);
    std::string S(Count, '0');
    for (unsigned i = 0; i < Count && U != 0; ++i, U /= 10) S[Count - 1 - i] = static_cast<char>('0' + U % 10);
    return N < 0 ? "-" + S : S;
}

std::string Hex(std::int32_t N, std::uint8_t Digits) { return RadixText(N, DigitCount(Digits, 8), 4); }

std::string Octal(std::int32_t N, std::uint8_t Digits) { return RadixText(N, DigitCount(Digits, 11), 3); }

std::string Bin(std::int32_t N, std::uint8_t Digits) { return RadixText(N, DigitCount(Digits, 32), 1); }

// ---------------------------------------------------------------- hexadecimal images

double HexToDouble(const std::string& S) {
    unsigned char Image[sizeof(double)];
    ParseHexImage(S, Image, sizeof Image, "HexToDouble");
    double X;
    std::memcpy(&X, Image, sizeof X);
    return X;
}

float HexToSingle(const std::string& S) {
    unsigned char Image[sizeof(float)];
    ParseHexImage(S, Image, sizeof Image, "HexToSingle");
    float X;
    std::memcpy(&X, Image, sizeof X);
    return X;
}

std::string FPNumToHex(double X) {
    unsigned char Image[sizeof(double)];
    std::memcpy(Image, &X, sizeof Image);
    return HexImage(Image, sizeof Image);
}

std::string FPNumToHex(float X) {
    unsigned char Image[sizeof(float)];
    std::memcpy(Image, &X, sizeof Image);
    return HexImage(Image, sizeof Image);
}

#if QMR_EXTENDED_80
long double HexToExtended(const std::string& S) {
    unsigned char Image[sizeof(long double)] = {};
    ParseHexImage(S, Image, 10, "HexToExtended");
    long double X;
    std::memcpy(&X, Image, sizeof X);
    return X;
}

std::string FPNumToHex(long double X) {
    unsigned char Image[sizeof(long double)];
    std::memcpy(Image, &X, sizeof Image);
    return HexImage(Image, 10);
}
#endif

// ---------------------------------------------------------------- Roman numerals, parsing

std::string Roman(std::int32_t N) {
    if (N < 1 || N > 29999) return {};
    static constexpr std::int32_t Values[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
    static constexpr const char* Symbols[] = {"M", "CM", "D", "CD", "C", "XC", "L", "XL", "X", "IX", "V", "IV", "I"};
    std::string S;
    for (std::size_t i = 0; i < std::size(Values); ++i)
        for (; N >= Values[i]; N -= Values[i]) S += Symbols[i];
    return S;
}

std::int32_t StrToIntDefault(const std::string& S, std::int32_t Default) {
    std::int32_t V = Default;
    if (S.empty() || !TryStrToInt(S, V)) return Default;
    return V;
}

}  // namespace qmr
