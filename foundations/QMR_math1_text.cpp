// Number text: decimal, engineering, exponent, radix, Roman and degree text and parsing.
#include "foundations/QMR_math1_text.h"
#include "foundations/QMR_math1_scalar.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>

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

// The first Bytes bytes of the memory image of T read from hexadecimal text (see
// ParseHexImage); any bytes beyond them are zero.
template <class T, std::size_t Bytes = sizeof(T)> T FromHexImage(const std::string& S, const char* Routine) {
    unsigned char Image[sizeof(T)] = {};
    ParseHexImage(S, Image, Bytes, Routine);
    T X;
    std::memcpy(&X, Image, sizeof X);
    return X;
}

// The first Bytes bytes of the memory image of X as hexadecimal text, most significant byte first.
template <class T, std::size_t Bytes = sizeof(T)> std::string ToHexImage(T X) {
    unsigned char Image[sizeof(T)];
    std::memcpy(Image, &X, sizeof Image);
    std::string S;
    S.reserve(2 * Bytes);
    for (std::size_t i = Bytes; i-- > 0;) {
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

double HexToDouble(const std::string& S) { return FromHexImage<double>(S, "HexToDouble"); }

float HexToSingle(const std::string& S) { return FromHexImage<float>(S, "HexToSingle"); }

std::string FPNumToHex(double X) { return ToHexImage(X); }

std::string FPNumToHex(float X) { return ToHexImage(X); }

#if QMR_EXTENDED_80
// The 80-bit value occupies the low 10 bytes of a long double.
long double HexToExtended(const std::string& S) { return FromHexImage<long double, 10>(S, "HexToExtended"); }

std::string FPNumToHex(long double X) { return ToHexImage<long double, 10>(X); }
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
    std::int32_t V = 0;
    return TryStrToInt(S, V) ? V : Default;
}

// ---------------------------------------------------------------- engineering and exponent text

namespace {

// 10^K for 0 <= K <= 22, exact.
double ExactPow10(int K) {
    double P = 1;
    for (int i = 0; i < K; ++i) P *= 10;
    return P;
}

}  // namespace

std::string EEngStr(double X, std::int32_t Digits) {
    Digits = std::clamp(Digits, -9, 9);
    std::int32_t A = Digits < 0 ? -Digits : Digits;
    std::int32_t P = Digits >= 2 ? A - 1 : Digits <= -2 ? -(A - 1) : 0;
    std::int32_t D = P < 0 ? -P : P;
    if (X == 0 || !std::isfinite(X)) return strff(X, 1, D);
    double AX = std::fabs(X);
    double L = lg(AX);
    // A magnitude within rounding noise of a power of ten (999.99999999999, or a subnormal
    // 1e-312, which is not exactly that power) counts as that power.
    double LR = std::nearbyint(L);
    if (std::fabs(L - LR) < 1e-12) L = LR;
    std::int32_t E = IntNeg(L);
    std::int32_t G = std::clamp(IntNeg(L / 3), -6, 4);
    D = D + 3 * G - E;
    double V = G >= 0 ? AX / ExactPow10(3 * G) : AX * ExactPow10(-3 * G);
    std::string S = strff(V, 1, std::max(D, 0));
    if (G != 0) {
        char Letter = "afpnum kMGT"[G + 6];
        std::size_t Point = S.find('.');
        if (P < 0 && Point != std::string::npos)
            S[Point] = Letter;
        else
            S += Letter;
    }
    return X < 0 ? "-" + S : S;
}

std::string strf(double X, std::int32_t Width, std::int32_t Decimals) {
    if (Decimals != -2) return StrFixed(X, Width, Decimals);
    if (!std::isfinite(X)) return StrFixed(X, Width, 0);
    // The platform text has four exponent digits; two are dropped.
    std::string S = StrExp(X, std::clamp(Width, -10, 1 << 20) + 2);
    bool TwoDigits = S.compare(S.size() - 4, 2, "00") == 0;
    S.erase(S.size() - 4, 2);
    if (!TwoDigits) S.assign(S.size(), '*');
    return S;
}

std::string MakeEFormat(double X, std::int32_t Width, std::int32_t Digits) {
    Digits = std::clamp(Digits, 2, 15);
    Width = std::clamp(Width, 8, 40);
    if (!std::isfinite(X)) return StrFixed(X, Width, 0);
    // Sign or blank, d1, '.', d2..dDigits, 'E', exponent sign, four exponent digits.
    std::string S = StrExp(X, Digits + 8);
    std::size_t EPos = S.find('E');
    long Exp = std::strtol(S.c_str() + EPos + 1, nullptr, 10);
    if (X != 0) ++Exp;
    std::string R = S[0] == '-' ? "-0." : "0.";
    R += S[1];
    R.append(S, 3, EPos - 3);
    char ExpText[32];
    std::snprintf(ExpText, sizeof ExpText, "E%c%02ld", Exp < 0 ? '-' : '+', Exp < 0 ? -Exp : Exp);
    R += ExpText;
    if (R.size() < static_cast<std::size_t>(Width)) R.insert(0, static_cast<std::size_t>(Width) - R.size(), ' ');
    return R;
}

// ---------------------------------------------------------------- degrees

namespace {

constexpr const char* kDegreeSign = "\xC2\xB0";

// V, snapped to the nearest integer when within 3e-12 of it.
long double SnapToInteger(long double V) {
    long double R = std::nearbyint(V);
    return std::fabs(V - R) < 3e-12L ? R : V;
}

// X * Scale (both at least 0) rounded to an integer, halves away from zero. The product
// may round onto a half that the exact product misses; its rounding error decides then.
long double RoundHalfAway(long double X, long double Scale) {
    long double P = X * Scale;
    long double R = std::round(P);
    if (R - P == 0.5L && std::fmal(X, Scale, -P) < 0) R -= 1;
    return R;
}

}  // namespace

std::string DegreeToStr(double X, TDegreeFormat Format, std::int32_t Decimals) {
    std::int32_t D = std::clamp(Decimals, 0, 8);
    switch (Format) {
        case TDegreeFormat::dfDeg: return StrFixed(X, 0, D) + kDegreeSign;
        case TDegreeFormat::dfDegMin:
        case TDegreeFormat::dfDegMinSec: break;
        default: return StrFixed(X, 0, D);
    }
    if (!std::isfinite(X)) return StrFixed(X, 0, D) + kDegreeSign;
    bool WithSeconds = Format == TDegreeFormat::dfDegMinSec;
    // Round |X| half away from zero to D decimals of the last unit.
    long double Scale = (WithSeconds ? 3600.0L : 60.0L) * ExactPow10(D);
    long double A = SnapToInteger(RoundHalfAway(std::fabs(static_cast<long double>(X)), Scale) / Scale);
    std::string S = (X < 0 ? "-" : "") + StrFixed(std::trunc(A), 0, 0) + kDegreeSign + " ";
    long double Minutes = (A - std::trunc(A)) * 60;
    if (!WithSeconds) return S + StrFixed(Minutes, D + 3, D) + "'";
    Minutes = SnapToInteger(Minutes);
    long double WholeMinutes = std::trunc(Minutes);
    return S + StrFixed(WholeMinutes, 2, 0) + "' " + StrFixed((Minutes - WholeMinutes) * 60, D + 3, D) + "\"";
}

void ConvertDegrees(double& Deg, double& Min, double& Sec, TDegreeFormat From, TDegreeFormat To) {
    if (!(Min >= 0 && Min <= 60)) throw EQMRMath1Error("ConvertDegrees: invalid range of minutes");
    if (!(Sec >= 0 && Sec <= 60)) throw EQMRMath1Error("ConvertDegrees: invalid range of seconds");
    const int F = static_cast<int>(From);
    const int T = static_cast<int>(To);
    if (F > 2 || T > 2) return;
    // Every result is computed from the values given, never from one already replaced.
    const double D0 = Deg, M0 = Min, S0 = Sec;
    // Whole degrees plus a positive part, in the direction of Deg's sign (also for -0).
    auto Signed = [&](double Part) { return std::signbit(D0) ? std::trunc(D0) - Part : std::trunc(D0) + Part; };
    switch (T) {
        case 0:
            if (F == 1) Deg = Signed(M0 / 60);
            if (F == 2) Deg = Signed(std::trunc(M0) / 60 + S0 / 3600);
            Min = 0;
            Sec = 0;
            break;
        case 1:
            if (F == 0) {
                Min = Frac(std::fabs(D0)) * 60;
                Deg = std::trunc(D0);
                Sec = 0;
            } else if (F == 2) {
                Min = M0 + S0 / 60;
                Sec = 0;
            }
            break;
        default:
            if (F == 0) {
                double M = Frac(std::fabs(D0)) * 60;
                Deg = std::trunc(D0);
                Min = std::trunc(M);
                Sec = Frac(M) * 60;
            } else if (F == 1) {
                Min = std::trunc(M0);
                Sec = Frac(M0) * 60;
            }
            break;
    }
}

void RoundDegrees(std::int32_t& Deg, std::int32_t& Min, std::int32_t& Sec, bool Up) {
    static constexpr std::int32_t Steps[] = {1, 2, 3, 5, 10, 15, 20, 30, 60, 90, 180, 360};
    // Largest step <= V (at least the first), or with Up the smallest step >= V (at most the last).
    auto Snap = [Up](double V, std::size_t Count) {
        if (Up) {
            for (std::size_t i = 0; i < Count; ++i)
                if (Steps[i] >= V) return Steps[i];
            return Steps[Count - 1];
        }
        std::int32_t R = Steps[0];
        for (std::size_t i = 0; i < Count; ++i)
            if (Steps[i] <= V) R = Steps[i];
        return R;
    };
    if (Deg < 0 || Min < 0 || Sec < 0) {
        Deg = Min = Sec = 0;
        return;
    }
    Min = std::min(Min, 59);
    Sec = std::min(Sec, 59);
    if (Deg >= 1) {
        Deg = Snap(Deg + Min / 60.0 + Sec / 3600.0, 12);
        Min = Sec = 0;
    } else if (Min >= 1) {
        // The angle in minutes, computed without a detour through degrees.
        Min = Snap(Min + Sec / 60.0, 9);
        Sec = 0;
        if (Min == 60) {
            Deg = 1;
            Min = 0;
        }
    } else if (Sec >= 1) {
        Sec = Snap(Sec, 9);
        if (Sec == 60) {
            Min = 1;
            Sec = 0;
        }
    }
}

// ---------------------------------------------------------------- axis ticks

void CalcScalePars(std::int32_t NTicks, Extended Low, Extended High, Extended& FirstTick, Extended& Distance,
                   std::uint16_t& SubTicks) {
    if (Low == High) {
        FirstTick = Low;
        Distance = 0;
        SubTicks = 1;
        return;
    }
    const Extended S = High > Low ? 1 : -1;
    const Extended R = std::fabs(High - Low);
    Extended Tick;
    if (NTicks != 0) {
        const Extended N = std::fabs(static_cast<Extended>(NTicks));
        Extended L = std::log10(R / N);
        Extended Fr = Frac(L);
        if (std::fabs(Fr) < Extended(1e-10) || std::fabs(Fr) > 1 - Extended(1e-10)) {
            L = std::nearbyint(L);
            Fr = 0;
        }
        if (L < 0 && Fr != 0) {
            L -= 1;
            Fr += 1;
        }
        const Extended Base = std::pow(Extended(10), std::trunc(L));
        Extended Step;
        if (Fr < std::log10(Extended(2)) + Extended(1e-10)) {
            Step = Base;
            SubTicks = 5;
        } else if (Fr < std::log10(Extended(5)) + Extended(1e-10)) {
            Step = 2 * Base;
            SubTicks = 4;
        } else {
            Step = 5 * Base;
            SubTicks = 5;
        }
        Distance = S * Step;
        Tick = (std::trunc(Low / Distance) - 1) * Distance;
        // Stop as well when the distance is lost in the tick's rounding.
        while (S * (Low - Tick) > Extended(0.001) * std::fabs(Distance) && Tick + Distance != Tick) Tick += Distance;
    } else {
        Distance = 1;
        Tick = std::trunc(Low) - 1;
        while (S * (Low - Tick) > Extended(0.001) && Tick + 1 != Tick) Tick += 1;
        SubTicks = R > 10 ? 1 : 5;
    }
    FirstTick = Tick;
}

}  // namespace qmr
