// Fixed-point and exponent text (platform), strff, strf, MakeEFormat and EEngStr.
#include "qmr_test_support.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <clocale>
#include <random>

using namespace qmr;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Independent reference: M / 1024 with three decimals, ties away from zero, by
// integer arithmetic (thousandths = M * 125 / 128).
std::string RefThousandths(std::int64_t M) {
    const bool Neg = M < 0;
    const std::uint64_t A = static_cast<std::uint64_t>(Neg ? -M : M) * 125;
    const std::uint64_t Q = A / 128 + (A % 128 >= 64 ? 1 : 0);
    std::string Frac = std::to_string(Q % 1000);
    Frac.insert(0, 3 - Frac.size(), '0');
    return (Neg ? "-" : "") + std::to_string(Q / 1000) + "." + Frac;
}

}  // namespace

TEST(FixedTextTest, RoundsTheExactBinaryValueTiesAwayFromZero) {
    const struct { long double X; int W, D; const char* Want; } Cases[] = {
        {-0.125, 0, 2, "-0.13"}, {2.5, 0, 0, "3"}, {-2.5, 0, 0, "-3"}, {-99.5, 0, 0, "-100"},
        {4503599627370494.5, 0, 0, "4503599627370495"}, {4503599627370495.5, 0, 0, "4503599627370496"},
        // 2.675 and 1.005 are stored below the tie, 12.345 above it.
        {2.675, 0, 2, "2.67"}, {1.005, 0, 2, "1.00"}, {12.345, 0, 2, "12.35"}, {0.15, 0, 1, "0.1"},
        // Long doubles a hair off a tie.
        {2.5L - std::ldexp(1.0L, -62), 0, 0, "2"}, {0.125L + std::ldexp(1.0L, -64), 0, 2, "0.13"},
        {1e22, 0, 0, "10000000000000000000000"}, {5e-324, 0, 3, "0.000"},
        {3.14159, 8, 2, "    3.14"}, {-3.14159, 2, 2, "-3.14"}, {1.5, -4, 1, "1.5"}, {1.5, 0, -3, "2"},
        {-0.0, 0, 2, "0.00"}, {-0.001, 0, 2, "-0.00"}, {std::nan(""), 5, 2, "  Nan"}, {kInf, 6, 2, "  +Inf"},
        {-kInf, 0, 2, "-Inf"},
    };
    for (const auto& C : Cases) EXPECT_EQ(StrFixed(C.X, C.W, C.D), C.Want) << static_cast<double>(C.X);
    EXPECT_EQ(strff(0.125, 1, 2), "0.13");
    std::mt19937_64 Gen(12345);
    std::uniform_int_distribution<std::int64_t> Dist(-(std::int64_t(1) << 40), std::int64_t(1) << 40);
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t M = i < 4096 ? i - 2048 : Dist(Gen);
        ASSERT_EQ(StrFixed(std::ldexp(static_cast<double>(M), -10), 0, 3), RefThousandths(M)) << M;
    }
}

TEST(ExponentTextTest, LayoutAndTies) {
    const struct { long double X; int W; const char* Want; } Cases[] = {
        {1234.5, 12, " 1.235E+0003"}, {-1234.5, 12, "-1.235E+0003"}, {1234.4, 12, " 1.234E+0003"},
        {125, 10, " 1.3E+0002"}, {135, 10, " 1.4E+0002"},
        {99.5, 10, " 1.0E+0002"},  // the tie carries into the exponent
        {-0.0, 12, " 0.000E+0000"}, {1e-5, 14, " 1.00000E-0005"}, {5e-324, 10, " 4.9E-0324"},
        {1.7976931348623157e308, 16, " 1.7976931E+0308"}, {1, 3, " 1.0E+0000"}, {std::nan(""), 6, "   Nan"},
#if QMR_EXTENDED_80
        {std::numeric_limits<long double>::max(), 14, " 1.18973E+4932"},
#endif
    };
    for (const auto& C : Cases) EXPECT_EQ(StrExp(C.X, C.W), C.Want) << static_cast<double>(C.X);
}

TEST(StrfTest, ExponentAndFixedForms) {
    EXPECT_EQ(strf(1234.5, 10, -2), " 1.235E+03");
    EXPECT_EQ(strf(-0.00012345, 11, -2), "-1.2345E-04");
    EXPECT_EQ(strf(1e100, 10, -2), "**********");  // the exponent needs three digits
    EXPECT_EQ(strf(1e-100, 10, -2), "**********");
    EXPECT_EQ(strf(std::nan(""), 5, -2), "  Nan");
    EXPECT_EQ(strf(1.5, 8, 2), "    1.50");
    EXPECT_EQ(strf(-2.5, 0, 0), "-3");
}

TEST(MakeEFormatTest, NormalisedMantissa) {
    const struct { double X; int W, D; const char* Want; } Cases[] = {
        {1234.4, 12, 4, "  0.1234E+04"}, {0, 8, 2, "0.00E+00"}, {-1234.4, 12, 4, " -0.1234E+04"},
        {0.05, 8, 2, "0.50E-01"}, {-0.05, 8, 2, "-0.50E-01"}, {0.5, 8, 2, "0.50E+00"},
        {9.96, 8, 2, "0.10E+02"},  // rounding carries into the exponent
        {1234.5, 8, 4, "0.1235E+04"},
        {1e100, 8, 2, "0.10E+101"}, {1e-100, 8, 2, "0.10E-99"}, {2e-300, 8, 2, "0.20E-299"},
        {1, 1, 2, "0.10E+01"}, {1, 8, 40, "0.100000000000000E+01"}, {1, 8, 0, "0.10E+01"},
        {kInf, 8, 2, "    +Inf"},
    };
    for (const auto& C : Cases) EXPECT_EQ(MakeEFormat(C.X, C.W, C.D), C.Want) << C.X;
    EXPECT_EQ(MakeEFormat(1, 100, 2).size(), 40u);
}

TEST(EEngStrTest, PrefixesDigitsAndLetterPlacement) {
    const struct { double X; int D; std::string Want; } Cases[] = {
        {12345, 3, "12.3k"}, {0.0012, -3, "1m20"}, {0.00012, -3, "120u"}, {-5, 2, "-5.0"},
        {1000, 3, "1.00k"}, {1e6, 3, "1.00M"}, {1e9, 3, "1.00G"}, {1e12, 3, "1.00T"},
        {1e15, 3, "1000T"}, {1e-3, 3, "1.00m"}, {1e-6, 3, "1.00u"}, {1e-9, 3, "1.00n"},
        {1e-12, 3, "1.00p"}, {1e-15, 3, "1.00f"}, {1e-18, 3, "1.00a"}, {1, 3, "1.00"},
        {100, 3, "100"}, {999, 3, "999"}, {12345, -3, "12k3"}, {123456, -3, "123k"},
        {4.7e-9, -2, "4n7"}, {5, -2, "5.0"}, {12345, 1, "12k"}, {12345, 0, "12k"},
        {12345, -1, "12k"}, {1.23456789e3, 20, "1.23456789k"}, {2.25, 2, "2.3"}, {-2.25e3, 2, "-2.3k"},
        {0.125, 2, "125m"}, {0, 3, "0.00"}, {0, -3, "0.00"}, {0, 1, "0"},
        {-1.5e-3, 2, "-1.5m"}, {std::nan(""), 3, "Nan"}, {-kInf, 3, "-Inf"},
        // Within rounding noise of a power of ten: counted as that power.
        {999.99999999999, 3, "1.00k"},
        // The smallest denormal: 4.94e-306 atto.
        {5e-324, 3, "0." + std::string(305, '0') + "494a"},
        {-5e-324, -3, "-0a" + std::string(305, '0') + "494"},
    };
    for (const auto& C : Cases) EXPECT_EQ(EEngStr(C.X, C.D), C.Want) << C.X << " " << C.D;
}

TEST(NumberParsingTest, IntegersAndRealsWhateverTheLocale) {
    std::int32_t I = 7;
    EXPECT_TRUE(TryStrToInt(" -2147483648", I));
    EXPECT_EQ(I, INT32_MIN);
    EXPECT_FALSE(TryStrToInt("2147483648", I));
    EXPECT_FALSE(TryStrToInt("12x", I));
    EXPECT_EQ(I, INT32_MIN);

    const struct { const char* S; double Want; } Good[] = {
        {"1.5", 1.5}, {" -2.25e3 ", -2250}, {"+.5", 0.5}, {"7.", 7}, {"1E-3", 1e-3},
        {"1e-400", 0.0}, {"0.1", 0.1}, {"1.7976931348623157e308", 1.7976931348623157e308}};
    for (const auto& C : Good) {
        double V = -99;
        EXPECT_TRUE(TryStrToFloat(C.S, V)) << C.S;
        EXPECT_EQ(V, C.Want) << C.S;
    }
    double Z = 1;
    ASSERT_TRUE(TryStrToFloat("-1e-999", Z));
    EXPECT_TRUE(Z == 0 && std::signbit(Z));
    for (const char* Bad : {"", " ", "1,5", "inf", "nan", "-inf", "1e999", "--1", "+-1", ".", "1e", "0x10", "1.5 2"}) {
        double V = 42;
        EXPECT_FALSE(TryStrToFloat(Bad, V)) << Bad;
        EXPECT_EQ(V, 42) << Bad;
    }
    // A host that switched its numeric locale does not change the separator.
    const char* Old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string Saved = Old ? Old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        double V = 0;
        EXPECT_TRUE(TryStrToFloat("2.5", V));
        EXPECT_EQ(V, 2.5);
        EXPECT_FALSE(TryStrToFloat("2,5", V));
        std::setlocale(LC_NUMERIC, Saved.c_str());
    }
}
