// Platform number text. glibc's printf prints the exact binary value correctly rounded
// to the nearest, ties to even; exact ties are found here and rounded away from zero.
#include "platform/rtl_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qmr {

namespace {

// Enough fraction digits for the exact value of any long double.
constexpr std::int32_t kMaxDigits = 20000;

std::string PadLeft(std::string S, std::int32_t Width) {
    if (Width > 0 && static_cast<std::size_t>(Width) > S.size()) S.insert(0, static_cast<std::size_t>(Width) - S.size(), ' ');
    return S;
}

std::string NonFiniteText(long double X) {
    if (std::isnan(X)) return "Nan";
    return X > 0 ? "+Inf" : "-Inf";
}

// printf of one long double with the given precision; Conv is 'f' or 'e'.
std::string Print(char Conv, std::int32_t Precision, long double X) {
    const char* Fmt = Conv == 'f' ? "%.*Lf" : "%.*Le";
    char Buf[128];
    int N = std::snprintf(Buf, sizeof Buf, Fmt, static_cast<int>(Precision), X);
    if (N >= 0 && static_cast<std::size_t>(N) < sizeof Buf) return std::string(Buf, static_cast<std::size_t>(N));
    std::string S(static_cast<std::size_t>(N > 0 ? N : 0) + 1, '\0');
    std::snprintf(S.data(), S.size(), Fmt, static_cast<int>(Precision), X);
    S.resize(S.size() - 1);
    return S;
}

// True when R is an odd integer.
bool IsOddInteger(long double R) {
    return std::isfinite(R) && R == std::trunc(R) && std::fmod(R, 2.0L) != 0;
}

// True when X * 10^K lies exactly halfway between two integers.
bool IsTie(long double X, std::int64_t K) {
    if (K >= 0) {
        // X * 2^(K+1) * 5^K is odd exactly when X * 2^(K+1) is an odd integer.
        return IsOddInteger(std::ldexp(X, static_cast<int>(std::min<std::int64_t>(K + 1, 40000))));
    }
    // X = (n + 1/2) * 10^M needs 5^M in X's 64-bit mantissa, so M <= 27, where 10^M is exact.
    std::int64_t M = -K;
    if (M > 27) return false;
    long double P = 1;
    for (std::int64_t i = 0; i < M; ++i) P *= 10;
    return std::fmod(std::fabs(X), P) == P / 2;
}

// Adds one unit of the last digit to a decimal text of digits with an optional sign
// and point; a carry out of the first digit inserts a "1".
void IncrementLast(std::string& S) {
    for (std::size_t i = S.size(); i-- > 0;) {
        char& C = S[i];
        if (C < '0' || C > '9') continue;
        if (C != '9') {
            ++C;
            return;
        }
        C = '0';
    }
    std::size_t First = S.find_first_of("0123456789");
    S.insert(First == std::string::npos ? S.size() : First, 1, '1');
}

}  // namespace

std::string StrFixed(long double X, std::int32_t Width, std::int32_t Decimals) {
    if (!std::isfinite(X)) return PadLeft(NonFiniteText(X), Width);
    if (X == 0) X = 0;  // no sign for negative zero
    std::int32_t D = std::clamp(Decimals, 0, kMaxDigits);
    std::string S;
    if (IsTie(X, D)) {
        // A tie has exactly D + 1 decimals, the last a 5: printed exactly, then cut and rounded up.
        S = Print('f', D + 1, X);
        S.pop_back();
        if (D == 0) S.pop_back();
        IncrementLast(S);
    } else {
        S = Print('f', D, X);
    }
    return PadLeft(std::move(S), Width);
}

std::string StrExp(long double X, std::int32_t Width) {
    if (!std::isfinite(X)) return PadLeft(NonFiniteText(X), Width);
    if (X == 0) X = 0;
    std::int32_t F = std::clamp(Width - 9, 1, kMaxDigits);
    bool Neg = std::signbit(X);
    // One digit more than shown: exact for a tie, whose last digit is then 5.
    std::string S = Print('e', F + 1, std::fabs(X));
    std::size_t EPos = S.find('e');
    long Exp = std::strtol(S.c_str() + EPos + 1, nullptr, 10);
    std::string Mant = S.substr(0, EPos);  // "d.ddd...d"
    if (Mant.back() == '5' && IsTie(X, static_cast<std::int64_t>(F) - Exp)) {
        Mant.pop_back();
        IncrementLast(Mant);
        if (Mant[1] != '.') {  // carried to "10.00..": renormalise
            Mant.erase(2, 1);
            Mant.insert(1, 1, '.');
            Mant.pop_back();
            ++Exp;
        }
    } else {
        S = Print('e', F, std::fabs(X));
        EPos = S.find('e');
        Exp = std::strtol(S.c_str() + EPos + 1, nullptr, 10);
        Mant = S.substr(0, EPos);
    }
    char ExpText[32];
    std::snprintf(ExpText, sizeof ExpText, "E%c%04ld", Exp < 0 ? '-' : '+', Exp < 0 ? -Exp : Exp);
    return (Neg ? "-" : " ") + Mant + ExpText;
}

std::string strff(long double X, std::int32_t Width, std::int32_t Decimals) {
    return StrFixed(X, Width, Decimals);
}

bool TryStrToInt(const std::string& S, std::int32_t& Value) {
    std::size_t i = 0;
    while (i < S.size() && (S[i] == ' ' || S[i] == '\t')) ++i;
    bool Neg = false;
    if (i < S.size() && (S[i] == '+' || S[i] == '-')) Neg = S[i++] == '-';
    if (i >= S.size()) return false;
    std::int64_t V = 0;
    for (; i < S.size(); ++i) {
        if (S[i] < '0' || S[i] > '9') return false;
        V = V * 10 + (S[i] - '0');
        if (V > 2147483648LL) return false;
    }
    if (Neg) V = -V;
    if (V > 2147483647LL) return false;
    Value = static_cast<std::int32_t>(V);
    return true;
}

namespace {

// Rough decimal exponent of the leading digit of a well-formed number text.
std::int64_t DecimalMagnitude(const char* P, const char* Last) {
    std::int64_t Mag = 0;
    bool Seen = false, Point = false;
    for (; P < Last && *P != 'e' && *P != 'E'; ++P) {
        if (*P == '.') { Point = true; continue; }
        if (!Seen && *P == '0') { if (Point) --Mag; continue; }
        Seen = true;
        if (!Point) ++Mag;
    }
    if (!Seen) return -1;  // all zeros never overflow
    std::int64_t Exp = 0;
    if (P < Last) {
        ++P;
        bool Neg = P < Last && *P == '-';
        if (P < Last && (*P == '-' || *P == '+')) ++P;
        for (; P < Last; ++P) Exp = std::min<std::int64_t>(Exp * 10 + (*P - '0'), 1000000000);
        if (Neg) Exp = -Exp;
    }
    return Mag + Exp;
}

}  // namespace

bool TryStrToFloat(const std::string& S, double& Value) {
    std::size_t i = 0, e = S.size();
    while (i < e && (S[i] == ' ' || S[i] == '\t')) ++i;
    while (e > i && (S[e - 1] == ' ' || S[e - 1] == '\t')) --e;
    bool Neg = false;
    if (i < e && (S[i] == '+' || S[i] == '-')) Neg = S[i++] == '-';
    // Only digits or a point may start the number: from_chars would also take "inf",
    // "nan" and a second sign.
    if (i >= e || !((S[i] >= '0' && S[i] <= '9') || S[i] == '.')) return false;
    double V = 0;
    const char* First = S.data() + i;
    const char* Last = S.data() + e;
    auto [Ptr, Ec] = std::from_chars(First, Last, V, std::chars_format::general);
    if (Ptr != Last) return false;
    if (Ec == std::errc::result_out_of_range) {
        // from_chars leaves V untouched; out of range means a decimal magnitude far
        // beyond +-300, so a rough one tells an overflow from an underflow.
        if (DecimalMagnitude(First, Last) > 0) return false;
        V = 0.0;
    } else if (Ec != std::errc()) {
        return false;
    }
    Value = Neg ? -V : V;
    return true;
}

}  // namespace qmr
