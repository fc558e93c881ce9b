// Fixed-point and exponent text (platform), strff, strf, MakeEFormat and EEngStr.
#include "qmr_test_support.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

using namespace qmr;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Independent reference: M / 1024 with three decimals, ties away from zero, by
// integer arithmetic (thousandths = M * 125 / 128).
std::string RefThousandths(std::int64_t M) {
    bool Neg = M < 0;
    std::uint64_t A = static_cast<std::uint64_t>(Neg ? -M : M) * 125;
    std::uint64_t Q = A / 128, R = A % 128;
    if (R >= 64) ++Q;
    std::string Frac = std::to_string(Q % 1000);
    Frac.insert(0, 3 - Frac.size(), '0');
    return (Neg ? "-" : "") + std::to_string(Q / 1000) + "." + Frac;
}

}  // namespace

TEST(FixedTextTest, TiesGoAwayFromZero) {
    EXPECT_EQ(StrFixed(-0.125, 0, 2), "-0.13");
    EXPECT_EQ(StrFixed(2.5, 0, 0), "3");
    EXPECT_EQ(StrFixed(-2.5, 0, 0), "-3");
    EXPECT_EQ(StrFixed(9.5, 0, 0), "10");
    EXPECT_EQ(StrFixed(-99.5, 0, 0), "-100");
    EXPECT_EQ(StrFixed(4503599627370494.5, 0, 0), "4503599627370495");
    EXPECT_EQ(StrFixed(4503599627370495.5, 0, 0), "4503599627370496");
    EXPECT_EQ(strff(0.125, 1, 2), "0.13");
    EXPECT_EQ(strff(2.5, 1, 0), "3");
}

TEST(FixedTextTest, RoundsTheExactBinaryValue) {
    // 2.675 is stored as 2.67499999..., 1.005 as 1.00499999..., 12.345 as 12.34500000...06.
    EXPECT_EQ(StrFixed(2.675, 0, 2), "2.67");
    EXPECT_EQ(StrFixed(1.005, 0, 2), "1.00");
    EXPECT_EQ(StrFixed(12.345, 0, 2), "12.35");
    EXPECT_EQ(StrFixed(0.15, 0, 1), "0.1");
    // A long double just below a tie must not be taken for one.
    EXPECT_EQ(StrFixed(2.5L - std::ldexp(1.0L, -62), 0, 0), "2");
    EXPECT_EQ(StrFixed(0.125L + std::ldexp(1.0L, -64), 0, 2), "0.13");
    EXPECT_EQ(StrFixed(1e22, 0, 0), "10000000000000000000000");
    EXPECT_EQ(StrFixed(5e-324, 0, 3), "0.000");
}

TEST(FixedTextTest, AgreesWithIntegerReference) {
    std::mt19937_64 Gen(12345);
    std::uniform_int_distribution<std::int64_t> Dist(-(std::int64_t(1) << 40), std::int64_t(1) << 40);
    for (int i = 0; i < 20000; ++i) {
        std::int64_t M = i < 4096 ? i - 2048 : Dist(Gen);
        double X = std::ldexp(static_cast<double>(M), -10);
        ASSERT_EQ(StrFixed(X, 0, 3), RefThousandths(M)) << M;
    }
}

TEST(FixedTextTest, WidthSignsAndSpecialValues) {
    EXPECT_EQ(StrFixed(3.14159, 8, 2), "    3.14");
    EXPECT_EQ(StrFixed(-3.14159, 2, 2), "-3.14");
    EXPECT_EQ(StrFixed(1.5, -4, 1), "1.5");
    EXPECT_EQ(StrFixed(1.5, 0, -3), "2");
    EXPECT_EQ(StrFixed(-0.0, 0, 2), "0.00");
    EXPECT_EQ(StrFixed(-0.001, 0, 2), "-0.00");
    EXPECT_EQ(StrFixed(std::nan(""), 5, 2), "  Nan");
    EXPECT_EQ(StrFixed(kInf, 6, 2), "  +Inf");
    EXPECT_EQ(StrFixed(-kInf, 0, 2), "-Inf");
}

TEST(ExponentTextTest, LayoutAndTies) {
    EXPECT_EQ(StrExp(1234.5, 12), " 1.235E+0003");  // tie at the last digit
    EXPECT_EQ(StrExp(-1234.5, 12), "-1.235E+0003");
    EXPECT_EQ(StrExp(1234.4, 12), " 1.234E+0003");
    EXPECT_EQ(StrExp(125, 10), " 1.3E+0002");  // tie left of the point
    EXPECT_EQ(StrExp(135, 10), " 1.4E+0002");
    EXPECT_EQ(StrExp(99.5, 10), " 1.0E+0002");  // tie that carries into the exponent
    EXPECT_EQ(StrExp(0, 12), " 0.000E+0000");
    EXPECT_EQ(StrExp(-0.0, 12), " 0.000E+0000");
    EXPECT_EQ(StrExp(1e-5, 14), " 1.00000E-0005");
    EXPECT_EQ(StrExp(5e-324, 10), " 4.9E-0324");
    EXPECT_EQ(StrExp(1.7976931348623157e308, 16), " 1.7976931E+0308");
    EXPECT_EQ(StrExp(1, 3), " 1.0E+0000");  // at least one fraction digit
    EXPECT_EQ(StrExp(std::nan(""), 6), "   Nan");
    EXPECT_EQ(StrExp(1, 20).size(), 20u);
#if QMR_EXTENDED_80
    EXPECT_EQ(StrExp(std::numeric_limits<long double>::max(), 14), " 1.18973E+4932");
#endif
}

TEST(StrfTest, ExponentAndFixedForms) {
    EXPECT_EQ(strf(1234.5, 10, -2), " 1.235E+03");
    EXPECT_EQ(strf(-0.00012345, 11, -2), "-1.2345E-04");
    EXPECT_EQ(strf(1e100, 10, -2), "**********");  // exponent needs three digits
    EXPECT_EQ(strf(1e-100, 10, -2), "**********");
    EXPECT_EQ(strf(1.5, 8, 2), "    1.50");
    EXPECT_EQ(strf(-2.5, 0, 0), "-3");
    EXPECT_EQ(strf(0.125, 6, 2), "  0.13");
    EXPECT_EQ(strf(std::nan(""), 5, -2), "  Nan");
}

TEST(MakeEFormatTest, SpecExamples) {
    EXPECT_EQ(MakeEFormat(1234.4, 12, 4), "  0.1234E+04");
    EXPECT_EQ(MakeEFormat(0, 8, 2), "0.00E+00");
}

TEST(MakeEFormatTest, SignExponentAndClamps) {
    EXPECT_EQ(MakeEFormat(-1234.4, 12, 4), " -0.1234E+04");
    EXPECT_EQ(MakeEFormat(0.05, 8, 2), "0.50E-01");
    EXPECT_EQ(MakeEFormat(-0.05, 8, 2), "-0.50E-01");
    EXPECT_EQ(MakeEFormat(0.5, 8, 2), "0.50E+00");
    EXPECT_EQ(MakeEFormat(9.96, 8, 2), "0.10E+02");  // rounding carries into the exponent
    EXPECT_EQ(MakeEFormat(1234.5, 8, 4), "0.1235E+04");
    // Three-digit exponents keep all their digits.
    EXPECT_EQ(MakeEFormat(1e100, 8, 2), "0.10E+101");
    EXPECT_EQ(MakeEFormat(1e-100, 8, 2), "0.10E-99");
    EXPECT_EQ(MakeEFormat(2e-300, 8, 2), "0.20E-299");
    EXPECT_EQ(MakeEFormat(1, 100, 2).size(), 40u);
    EXPECT_EQ(MakeEFormat(1, 1, 2), "0.10E+01");
    EXPECT_EQ(MakeEFormat(1, 8, 40), "0.100000000000000E+01");
    EXPECT_EQ(MakeEFormat(1, 8, 0), "0.10E+01");
    EXPECT_EQ(MakeEFormat(kInf, 8, 2), "    +Inf");
}

TEST(EEngStrTest, SpecExamples) {
    EXPECT_EQ(EEngStr(12345, 3), "12.3k");
    EXPECT_EQ(EEngStr(0.0012, -3), "1m20");
    EXPECT_EQ(EEngStr(0.00012, -3), "120u");
    EXPECT_EQ(EEngStr(-5, 2), "-5.0");
}

TEST(EEngStrTest, PowersOfTenAndPrefixes) {
    EXPECT_EQ(EEngStr(1000, 3), "1.00k");
    EXPECT_EQ(EEngStr(1e6, 3), "1.00M");
    EXPECT_EQ(EEngStr(1e9, 3), "1.00G");
    EXPECT_EQ(EEngStr(1e12, 3), "1.00T");
    EXPECT_EQ(EEngStr(1e15, 3), "1000T");  // the largest prefix is T
    EXPECT_EQ(EEngStr(1e-3, 3), "1.00m");
    EXPECT_EQ(EEngStr(1e-6, 3), "1.00u");
    EXPECT_EQ(EEngStr(1e-9, 3), "1.00n");
    EXPECT_EQ(EEngStr(1e-12, 3), "1.00p");
    EXPECT_EQ(EEngStr(1e-15, 3), "1.00f");
    EXPECT_EQ(EEngStr(1e-18, 3), "1.00a");
    EXPECT_EQ(EEngStr(1, 3), "1.00");
    EXPECT_EQ(EEngStr(100, 3), "100");
    EXPECT_EQ(EEngStr(999, 3), "999");
}

TEST(EEngStrTest, DigitsLetterPlacementAndSpecialValues) {
    EXPECT_EQ(EEngStr(12345, -3), "12k3");
    EXPECT_EQ(EEngStr(123456, -3), "123k");
    EXPECT_EQ(EEngStr(4.7e-9, -2), "4n7");
    EXPECT_EQ(EEngStr(5, -2), "5.0");  // no letter for the unit prefix
    EXPECT_EQ(EEngStr(12345, 1), "12k");
    EXPECT_EQ(EEngStr(12345, 0), "12k");
    EXPECT_EQ(EEngStr(12345, -1), "12k");
    EXPECT_EQ(EEngStr(1.23456789e3, 20), "1.23456789k");  // clamped to 9 digits
    EXPECT_EQ(EEngStr(2.25, 2), "2.3");      // tie away from zero
    EXPECT_EQ(EEngStr(-2.25e3, 2), "-2.3k");
    EXPECT_EQ(EEngStr(0.125, 2), "125m");    // decimals never drop below zero
    EXPECT_EQ(EEngStr(0, 3), "0.00");
    EXPECT_EQ(EEngStr(0, -3), "0.00");
    EXPECT_EQ(EEngStr(0, 1), "0");
    EXPECT_EQ(EEngStr(-1.5e-3, 2), "-1.5m");
    EXPECT_EQ(EEngStr(std::nan(""), 3), "Nan");
    EXPECT_EQ(EEngStr(-kInf, 3), "-Inf");
    // The smallest denormal: 4.94e-324 = 4.94e-306 atto, three significant digits.
    EXPECT_EQ(EEngStr(5e-324, 3), "0." + std::string(305, '0') + "494a");
    EXPECT_EQ(EEngStr(-5e-324, -3), "-0a" + std::string(305, '0') + "494");
}
