// Decimal, hexadecimal, octal and binary text, hexadecimal images of floating-point
// numbers, Roman numerals and tolerant integer parsing.
#include "qmr_test_support.h"

#include <concepts>
#include <cstdint>
#include <cstring>
#include <limits>
#include <typeinfo>

using namespace qmr;

namespace {

// Independent reference: digits of U in the given base via repeated division.
std::string RefRadix(std::uint32_t U, unsigned Base, unsigned Count) {
    std::string S;
    for (unsigned i = 0; i < Count; ++i, U /= Base) S.insert(S.begin(), "0123456789ABCDEF"[U % Base]);
    return S;
}

std::uint64_t Bits(double X) {
    std::uint64_t B;
    std::memcpy(&B, &X, sizeof B);
    return B;
}

std::uint32_t Bits(float X) {
    std::uint32_t B;
    std::memcpy(&B, &X, sizeof B);
    return B;
}

double FromBits(std::uint64_t B) {
    double X;
    std::memcpy(&X, &B, sizeof X);
    return X;
}

float FromBits32(std::uint32_t B) {
    float X;
    std::memcpy(&X, &B, sizeof X);
    return X;
}

std::string ExpectHexError(const std::string& Routine, const std::string& S) {
    return Routine + ": invalid hex string \"" + S + "\"";
}

}  // namespace

TEST(DecimalTextTest, PadsTruncatesAndSigns) {
    EXPECT_EQ(Decimal(-42, 5), "-00042");
    EXPECT_EQ(Decimal(12345, 3), "345");
    EXPECT_EQ(Decimal(7, 0), "7");
    EXPECT_EQ(Decimal(0, 0), "0");
    EXPECT_EQ(Decimal(0, 3), "000");
    EXPECT_EQ(Decimal(-5, 1), "-5");
    EXPECT_EQ(Decimal(2147483647, 12), "002147483647");
    EXPECT_EQ(Decimal(std::numeric_limits<std::int32_t>::min(), 10), "-2147483648");
    EXPECT_EQ(Decimal(std::numeric_limits<std::int32_t>::min(), 3), "-648");
}

TEST(RadixTextTest, SpecExamples) {
    EXPECT_EQ(Hex(255, 4), "00FF");
    EXPECT_EQ(Hex(-1, 0), "F");
    EXPECT_EQ(Bin(5, 40).size(), 32u);
    EXPECT_EQ(Bin(5, 40), std::string(29, '0') + "101");
}

TEST(RadixTextTest, AgreesWithIndependentDivision) {
    const std::int32_t Values[] = {0, 1, 7, 8, 255, 256, 0x7FFFFFFF, -1, -2, -255,
                                   std::numeric_limits<std::int32_t>::min(), 0x12345678, -0x0ABCDEF1};
    for (std::int32_t N : Values) {
        std::uint32_t U = static_cast<std::uint32_t>(N);
        for (unsigned D = 0; D <= 40; ++D) {
            SCOPED_TRACE(std::to_string(N) + " digits " + std::to_string(D));
            std::uint8_t B = static_cast<std::uint8_t>(D);
            EXPECT_EQ(Hex(N, B), RefRadix(U, 16, D == 0 ? 1 : std::min(D, 8u)));
            EXPECT_EQ(Octal(N, B), RefRadix(U, 8, D == 0 ? 1 : std::min(D, 11u)));
            EXPECT_EQ(Bin(N, B), RefRadix(U, 2, D == 0 ? 1 : std::min(D, 32u)));
        }
    }
    EXPECT_EQ(Octal(-1, 11), "37777777777");
    EXPECT_EQ(Hex(-1, 255), "FFFFFFFF");
}

// FPNumToHex of a long double resolves only where a 10-byte overload exists.
template <class T>
concept HasFPNumToHex = requires(T X) {
    { qmr::FPNumToHex(X) } -> std::same_as<std::string>;
};
static_assert(HasFPNumToHex<double> && HasFPNumToHex<float>);
static_assert(HasFPNumToHex<long double> == static_cast<bool>(QMR_EXTENDED_80));

TEST(HexImageTest, SpecExamplesAndCase) {
    EXPECT_EQ(FPNumToHex(1.0), "3FF0000000000000");
    EXPECT_EQ(HexToDouble("3FF0000000000000"), 1.0);
    EXPECT_EQ(HexToDouble("c000000000000000"), -2.0);
    EXPECT_EQ(HexToDouble("3fF8000000000000"), 1.5);
    EXPECT_EQ(FPNumToHex(1.0f), "3F800000");
    EXPECT_EQ(HexToSingle("bf800000"), -1.0f);
    EXPECT_EQ(FPNumToHex(-0.1), "BFB999999999999A");
}

TEST(HexImageTest, DoubleRoundTripsBitExact) {
    const std::uint64_t Patterns[] = {
        0x0000000000000000ull,  // +0
        0x8000000000000000ull,  // -0
        0x0000000000000001ull,  // smallest denormal
        0x800FFFFFFFFFFFFFull,  // largest negative denormal
        0x7FF0000000000000ull,  // +inf
        0xFFF0000000000000ull,  // -inf
        0x7FF8000000000000ull,  // quiet NaN
        0x7FF0000000000001ull,  // signalling NaN payload 1
        0xFFF4000000ABCDEFull,  // negative NaN with payload
        0x7FEFFFFFFFFFFFFFull,  // max
        0x0123456789ABCDEFull,
    };
    for (std::uint64_t P : Patterns) {
        double X = FromBits(P);
        std::string S = FPNumToHex(X);
        ASSERT_EQ(S.size(), 16u);
        EXPECT_EQ(S, RefRadix(static_cast<std::uint32_t>(P >> 32), 16, 8) +
                         RefRadix(static_cast<std::uint32_t>(P), 16, 8));
        EXPECT_EQ(Bits(HexToDouble(S)), P) << S;
    }
}

TEST(HexImageTest, SingleRoundTripsBitExact) {
    const std::uint32_t Patterns[] = {0x00000000u, 0x80000000u, 0x00000001u, 0x807FFFFFu, 0x7F800000u,
                                      0xFF800000u, 0x7FC00000u, 0x7F800001u, 0xFFA5A5A5u, 0x12345678u};
    for (std::uint32_t P : Patterns) {
        std::string S = FPNumToHex(FromBits32(P));
        EXPECT_EQ(S, RefRadix(P, 16, 8));
        EXPECT_EQ(Bits(HexToSingle(S)), P) << S;
    }
}

TEST(HexImageTest, InvalidInputRaisesBaseError) {
    const std::string BadDouble[] = {"", "3FF000000000000", "3FF00000000000000", "3FF000000000000G",
                                     " 3FF000000000000", "3FF0-00000000000", "0x3FF00000000000"};
    for (const std::string& S : BadDouble) {
        try {
            HexToDouble(S);
            ADD_FAILURE() << "accepted " << S;
        } catch (const EQMRError& E) {
            EXPECT_TRUE(typeid(E) == typeid(EQMRError)) << typeid(E).name();  // the base class itself
            EXPECT_EQ(std::string(E.what()), ExpectHexError("HexToDouble", S));
        }
    }
    const std::string BadSingle[] = {"3F80000", "3F8000000", "3F80000Z", "3FF0000000000000"};
    for (const std::string& S : BadSingle) {
        try {
            HexToSingle(S);
            ADD_FAILURE() << "accepted " << S;
        } catch (const EQMRError& E) {
            EXPECT_TRUE(typeid(E) == typeid(EQMRError)) << typeid(E).name();  // the base class itself
            EXPECT_EQ(std::string(E.what()), ExpectHexError("HexToSingle", S));
        }
    }
}

#if QMR_EXTENDED_80
TEST(HexImageTest, ExtendedRoundTripsBitExact) {
    EXPECT_EQ(FPNumToHex(1.0L), "3FFF8000000000000000");
    EXPECT_EQ(HexToExtended("3fff8000000000000000"), 1.0L);
    EXPECT_EQ(HexToExtended("C000C000000000000000"), -3.0L);
    const char* Patterns[] = {
        "00000000000000000000",  // +0
        "80000000000000000000",  // -0
        "00000000000000000001",  // smallest denormal
        "7FFF8000000000000000",  // +inf
        "FFFF8000000000000000",  // -inf
        "7FFFC000000000000000",  // quiet NaN
        "7FFF8000000000000001",  // signalling NaN with payload
        "FFFFC0000000DEADBEEF",  // negative quiet NaN with payload
        "7FFEFFFFFFFFFFFFFFFF",  // max
        "3FFDAAAAAAAAAAAAAAAB",
    };
    for (const char* P : Patterns) {
        long double X = HexToExtended(P);
        EXPECT_EQ(FPNumToHex(X), P);
    }
    for (const std::string S : {"3FFF800000000000000", "3FFF80000000000000000", "3FFF800000000000000X"}) {
        try {
            HexToExtended(S);
            ADD_FAILURE() << "accepted " << S;
        } catch (const EQMRError& E) {
            EXPECT_TRUE(typeid(E) == typeid(EQMRError)) << typeid(E).name();  // the base class itself
            EXPECT_EQ(std::string(E.what()), ExpectHexError("HexToExtended", S));
        }
    }
}
#endif

TEST(RomanTest, AgreesWithIndependentTable) {
    EXPECT_EQ(Roman(1994), "MCMXCIV");
    EXPECT_EQ(Roman(0), "");
    EXPECT_EQ(Roman(30000), "");
    EXPECT_EQ(Roman(-5), "");
    EXPECT_EQ(Roman(29999), std::string(29, 'M') + "CMXCIX");
    // Independent construction: per decimal place from the classic digit table.
    const char* Ones[] = {"", "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX"};
    const char* Tens[] = {"", "X", "XX", "XXX", "XL", "L", "LX", "LXX", "LXXX", "XC"};
    const char* Hundreds[] = {"", "C", "CC", "CCC", "CD", "D", "DC", "DCC", "DCCC", "CM"};
    for (std::int32_t N = 1; N <= 29999; N += (N < 4000 ? 1 : 37)) {
        std::string Ref = std::string(static_cast<std::size_t>(N / 1000), 'M') + Hundreds[N / 100 % 10] +
                          Tens[N / 10 % 10] + Ones[N % 10];
        ASSERT_EQ(Roman(N), Ref) << N;
    }
}

TEST(StrToIntDefaultTest, ParsesOrFallsBack) {
    EXPECT_EQ(StrToIntDefault("", 7), 7);
    EXPECT_EQ(StrToIntDefault("123", 7), 123);
    EXPECT_EQ(StrToIntDefault("-45", 7), -45);
    EXPECT_EQ(StrToIntDefault("+45", 7), 45);
    EXPECT_EQ(StrToIntDefault("  12", 7), 12);
    EXPECT_EQ(StrToIntDefault("2147483647", 7), 2147483647);
    EXPECT_EQ(StrToIntDefault("-2147483648", 7), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(StrToIntDefault("2147483648", 7), 7);
    EXPECT_EQ(StrToIntDefault("-2147483649", 7), 7);
    EXPECT_EQ(StrToIntDefault("99999999999999999999", 7), 7);
    EXPECT_EQ(StrToIntDefault("12a", 7), 7);
    EXPECT_EQ(StrToIntDefault("1.5", 7), 7);
    EXPECT_EQ(StrToIntDefault("-", 7), 7);
    EXPECT_EQ(StrToIntDefault(" ", 7), 7);
}
