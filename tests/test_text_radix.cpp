// Decimal, hexadecimal, octal and binary text, hexadecimal images of floating-point
// numbers, Roman numerals and tolerant integer parsing.
#include "qmr_test_support.h"

#include <bit>
#include <concepts>
#include <cstdint>
#include <functional>
#include <limits>
#include <typeinfo>

using namespace qmr;

namespace {

// Independent reference: the lowest Count digits of U in Base, by repeated division.
std::string RefRadix(std::uint64_t U, unsigned Base, unsigned Count) {
    std::string S;
    for (unsigned i = 0; i < Count; ++i, U /= Base) S.insert(S.begin(), "0123456789ABCDEF"[U % Base]);
    return S;
}

}  // namespace

TEST(DecimalTextTest, PadsTruncatesAndSigns) {
    const struct { std::int32_t N; std::uint8_t D; const char* Want; } Cases[] = {
        {-42, 5, "-00042"}, {12345, 3, "345"}, {7, 0, "7"}, {0, 3, "000"}, {2147483647, 12, "002147483647"},
        {INT32_MIN, 10, "-2147483648"}, {INT32_MIN, 3, "-648"}};
    for (const auto& C : Cases) EXPECT_EQ(Decimal(C.N, C.D), C.Want) << C.N;
}

TEST(RadixTextTest, AgreesWithIndependentDivision) {
    EXPECT_EQ(Hex(255, 4), "00FF");
    EXPECT_EQ(Hex(-1, 0), "F");
    EXPECT_EQ(Bin(5, 40), std::string(29, '0') + "101");
    for (std::int32_t N : {0, 1, 7, 8, 255, INT32_MAX, -1, -255, INT32_MIN, 0x12345678}) {
        const std::uint32_t U = static_cast<std::uint32_t>(N);
        for (unsigned D = 0; D <= 40; ++D) {
            const std::uint8_t B = static_cast<std::uint8_t>(D);
            const unsigned Min1 = D == 0 ? 1 : D;
            ASSERT_EQ(Hex(N, B), RefRadix(U, 16, std::min(Min1, 8u))) << N << " " << D;
            ASSERT_EQ(Octal(N, B), RefRadix(U, 8, std::min(Min1, 11u))) << N << " " << D;
            ASSERT_EQ(Bin(N, B), RefRadix(U, 2, std::min(Min1, 32u))) << N << " " << D;
        }
    }
}

// The 10-byte overload of FPNumToHex exists only in the wide build.
template <class T>
concept HasFPNumToHex = requires(T X) {
    { qmr::FPNumToHex(X) } -> std::same_as<std::string>;
};
static_assert(HasFPNumToHex<long double> == static_cast<bool>(QMR_EXTENDED_80));

TEST(HexImageTest, RoundTripsBitExactInAnyCase) {
    EXPECT_EQ(FPNumToHex(1.0), "3FF0000000000000");
    EXPECT_EQ(HexToDouble("3FF0000000000000"), 1.0);
    EXPECT_EQ(HexToDouble("c000000000000000"), -2.0);
    EXPECT_EQ(HexToDouble("3fF8000000000000"), 1.5);
    EXPECT_EQ(HexToSingle("bf800000"), -1.0f);
    // Signed zeros, denormals, infinities, NaNs with payloads, extremes.
    for (std::uint64_t P : {0x0ull, 0x8000000000000000ull, 0x1ull, 0x800FFFFFFFFFFFFFull, 0xFFF0000000000000ull,
                            0x7FF0000000000001ull, 0xFFF4000000ABCDEFull, 0x7FEFFFFFFFFFFFFFull}) {
        const std::string S = FPNumToHex(std::bit_cast<double>(P));
        EXPECT_EQ(S, RefRadix(P, 16, 16));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(HexToDouble(S)), P) << S;
    }
    for (std::uint32_t P : {0x80000000u, 0x00000001u, 0x807FFFFFu, 0xFF800000u, 0x7F800001u, 0xFFA5A5A5u}) {
        const std::string S = FPNumToHex(std::bit_cast<float>(P));
        EXPECT_EQ(S, RefRadix(P, 16, 8));
        EXPECT_EQ(std::bit_cast<std::uint32_t>(HexToSingle(S)), P) << S;
    }
#if QMR_EXTENDED_80
    EXPECT_EQ(FPNumToHex(1.0L), "3FFF8000000000000000");
    EXPECT_EQ(HexToExtended("3fff8000000000000000"), 1.0L);
    EXPECT_EQ(HexToExtended("C000C000000000000000"), -3.0L);
    for (const char* P : {"80000000000000000000", "00000000000000000001", "FFFF8000000000000000",
                          "7FFF8000000000000001", "FFFFC0000000DEADBEEF", "7FFEFFFFFFFFFFFFFFFF"})
        EXPECT_EQ(FPNumToHex(HexToExtended(P)), P);
#endif
}

TEST(HexImageTest, InvalidInputRaisesTheBaseError) {
    const std::function<void(const std::string&)> D = HexToDouble, S = HexToSingle;
    const struct { const char* Routine; std::function<void(const std::string&)> Parse; const char* S; } Cases[] = {
        {"HexToDouble", D, ""}, {"HexToDouble", D, "3FF000000000000"}, {"HexToDouble", D, "3FF00000000000000"},
        {"HexToDouble", D, "3FF000000000000G"}, {"HexToDouble", D, " 3FF000000000000"},
        {"HexToDouble", D, "0x3FF00000000000"}, {"HexToSingle", S, "3F80000"}, {"HexToSingle", S, "3F80000Z"},
        {"HexToSingle", S, "3FF0000000000000"},
#if QMR_EXTENDED_80
        {"HexToExtended", HexToExtended, "3FFF800000000000000"},
        {"HexToExtended", HexToExtended, "3FFF800000000000000X"},
#endif
    };
    for (const auto& C : Cases) {
        try {
            C.Parse(C.S);
            ADD_FAILURE() << "accepted " << C.S;
        } catch (const EQMRError& E) {
            EXPECT_TRUE(typeid(E) == typeid(EQMRError)) << typeid(E).name();
            EXPECT_EQ(E.what(), std::string(C.Routine) + ": invalid hex string \"" + C.S + "\"");
        }
    }
}

TEST(RomanTest, AgreesWithTheDigitTable) {
    EXPECT_EQ(Roman(1994), "MCMXCIV");
    EXPECT_EQ(Roman(0), "");
    EXPECT_EQ(Roman(30000), "");
    EXPECT_EQ(Roman(-5), "");
    const char* Ones[] = {"", "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX"};
    const char* Tens[] = {"", "X", "XX", "XXX", "XL", "L", "LX", "LXX", "LXXX", "XC"};
    const char* Hundreds[] = {"", "C", "CC", "CCC", "CD", "D", "DC", "DCC", "DCCC", "CM"};
    for (std::int32_t N = 1; N <= 29999; N += (N < 4000 ? 1 : 37)) {
        const std::string Ref = std::string(static_cast<std::size_t>(N / 1000), 'M') + Hundreds[N / 100 % 10] +
                                Tens[N / 10 % 10] + Ones[N % 10];
        ASSERT_EQ(Roman(N), Ref) << N;
    }
    EXPECT_EQ(Roman(29999), std::string(29, 'M') + "CMXCIX");
}

TEST(StrToIntDefaultTest, ParsesOrFallsBack) {
    const struct { const char* S; std::int32_t Want; } Cases[] = {
        {"", 7}, {"123", 123}, {"-45", -45}, {"+45", 45}, {"  12", 12}, {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()}, {"2147483648", 7}, {"-2147483649", 7},
        {"99999999999999999999", 7}, {"12a", 7}, {"1.5", 7}, {"-", 7}, {" ", 7},
    };
    for (const auto& C : Cases) EXPECT_EQ(StrToIntDefault(C.S, 7), C.Want) << '"' << C.S << '"';
}
