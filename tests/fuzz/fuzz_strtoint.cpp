// Decimal number parsing: TryStrToInt and TryStrToFloat accept exactly the texts of their
// grammar and give the value the C library gives in the "C" locale; StrToIntDefault agrees
// with TryStrToInt; printed values read back to the same bits.
#include "fuzz_support.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <locale.h>

using namespace qmr;

namespace {

bool Digit(char C) { return C >= '0' && C <= '9'; }

// Integer grammar: blanks (space, TAB), a sign at most, digits, nothing after.
bool IntText(const std::string& S, std::string& Core) {
    std::size_t I = S.find_first_not_of(" \t");
    if (I == std::string::npos) return false;
    Core = S.substr(I);
    const std::size_t D = (Core[0] == '+' || Core[0] == '-') ? 1 : 0;
    return Core.size() > D && std::all_of(Core.begin() + static_cast<long>(D), Core.end(), Digit);
}

// Real grammar: blanks around, a sign at most, digits with an optional fraction (or a
// point and digits), an optional exponent.
bool RealText(const std::string& S, std::string& Core) {
    const std::size_t B = S.find_first_not_of(" \t");
    if (B == std::string::npos) return false;
    Core = S.substr(B, S.find_last_not_of(" \t") + 1 - B);
    std::size_t I = (Core[0] == '+' || Core[0] == '-') ? 1 : 0;
    std::size_t Digits = 0;
    for (; I < Core.size() && Digit(Core[I]); ++I) ++Digits;
    if (I < Core.size() && Core[I] == '.')
        for (++I; I < Core.size() && Digit(Core[I]); ++I) ++Digits;
    if (Digits == 0) return false;
    if (I < Core.size() && (Core[I] == 'e' || Core[I] == 'E')) {
        ++I;
        if (I < Core.size() && (Core[I] == '+' || Core[I] == '-')) ++I;
        const std::size_t E = I;
        while (I < Core.size() && Digit(Core[I])) ++I;
        if (I == E) return false;
    }
    return I == Core.size();
}

locale_t CLocale() {
    static locale_t L = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return L;
}

void CheckInt(const std::string& S) {
    std::string Core;
    const bool Grammar = IntText(S, Core);
    errno = 0;
    const long long Want = Grammar ? strtoll_l(Core.c_str(), nullptr, 10, CLocale()) : 0;
    const bool Ok = Grammar && errno == 0 && Want >= INT32_MIN && Want <= INT32_MAX;
    std::int32_t V = 12345;
    FUZZ_CHECK(TryStrToInt(S, V) == Ok);
    FUZZ_CHECK(V == (Ok ? Want : 12345));
    FUZZ_CHECK(StrToIntDefault(S, -7) == (Ok ? V : -7));
}

void CheckReal(const std::string& S) {
    std::string Core;
    const bool Grammar = RealText(S, Core);
    const double Want = Grammar ? strtod_l(Core.c_str(), nullptr, CLocale()) : 0;
    const bool Ok = Grammar && std::isfinite(Want);
    double V = 0.5;
    FUZZ_CHECK(TryStrToFloat(S, V) == Ok);
    FUZZ_CHECK(fuzz::SameBits(V, Ok ? Want : 0.5));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider In(Data, Size);
    const auto N = In.ConsumeIntegral<std::int32_t>();
    const double X = In.ConsumeFloatingPoint<double>();
    const std::string Pad(In.ConsumeIntegralInRange(0, 2), In.ConsumeBool() ? ' ' : '\t');
    const std::string S = In.ConsumeRemainingBytesAsString();
    CheckInt(S);
    CheckReal(S);
    // Printed values read back.
    std::int32_t V = 0;
    FUZZ_CHECK(TryStrToInt(Pad + (N >= 0 && N % 2 ? "+" : "") + std::to_string(N), V) && V == N);
    if (std::isfinite(X)) {
        char Buf[40];
        std::snprintf(Buf, sizeof Buf, "%.17g", X);
        double Y = 0;
        FUZZ_CHECK(TryStrToFloat(Pad + Buf + Pad, Y) && fuzz::SameBits(X, Y));
    }
    return 0;
}
