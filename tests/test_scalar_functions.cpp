// Compensated summation, polynomials, clamping, integer rounding, the 1-2-5 series,
// factorials, angles and the elementary functions.
#include "qmr_test_support.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

using namespace qmr;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

template <typename E, typename F> std::string MessageOf(F&& Fn) {
    try {
        Fn();
    } catch (const E& Ex) {
        return Ex.what();
    }
    return "<no exception>";
}
}  // namespace

TEST(KahanSumTest, CompensatesWhatPlainSummationLoses) {
    TComponent Owner(nullptr);
    auto* K = new TKahanSum(&Owner);
    EXPECT_EQ(Owner.ComponentCount(), 1);
    EXPECT_EQ(K->ClassName(), "TKahanSum");
    EXPECT_EQ(K->Sum, 0.0);
    EXPECT_EQ(K->cps, 0.0);
    K->Add(1e16);
    double Plain = 1e16;
    for (int I = 0; I < 10; ++I) {
        K->Add(1.0);
        Plain += 1.0;
    }
    EXPECT_EQ(Plain, 1e16);
    EXPECT_EQ(K->Sum, 1e16 + 10);
    K->Reset();
    EXPECT_EQ(K->Sum, 0.0);
    EXPECT_EQ(K->cps, 0.0);
    // Many addends below half an ulp of the total: plain summation drops every one.
    K->Add(1.0);
    Plain = 1.0;
    for (int I = 0; I < 1000000; ++I) {
        K->Add(1e-16);
        Plain += 1e-16;
    }
    EXPECT_EQ(Plain, 1.0);
    EXPECT_NEAR(K->Sum, 1.0 + 1e-10, 1e-15);
}

TEST(PolynomialTest, EvaluatesAndChecksOrder) {
    const TDoubleArray C{1.0, -3.0, 0.5, 2.0};
    EXPECT_DOUBLE_EQ(Polynomial(C, 3, 2.0), 1 - 6 + 2 + 16);
    EXPECT_DOUBLE_EQ(Polynomial(C, 2, -1.5), 1 + 4.5 + 1.125);
    EXPECT_EQ(Polynomial(C, 0, 1e300), 1.0);
    EXPECT_EQ(Polynomial(C, 0, kNaN), 1.0 + 0.0 * 0.0);  // X never used for order 0
    // Powers of B - A, not A - B.
    EXPECT_DOUBLE_EQ(CenteredPolynomial(C, 3, 1.0, 3.0), 1 - 6 + 2 + 16);
    EXPECT_DOUBLE_EQ(CenteredPolynomial(C, 1, 3.0, 1.0), 1 + 6);
    const std::string Msg = "Polynomial: invalid order of polynomial";
    EXPECT_EQ(MessageOf<EQMRMath1Error>([&] { Polynomial(C, 4, 1.0); }), Msg);
    EXPECT_EQ(MessageOf<EQMRMath1Error>([&] { Polynomial(C, -1, 1.0); }), Msg);
    EXPECT_EQ(MessageOf<EQMRMath1Error>([&] { CenteredPolynomial(C, 4, 0, 1); }), Msg);
    EXPECT_EQ(MessageOf<EQMRMath1Error>([&] { Polynomial({}, 0, 1.0); }), Msg);
    EXPECT_THROW(Polynomial(C, 9, 1.0), EQMRError);
}

TEST(ScalarHelpersTest, SquashModuloBoundsAndClamps) {
    for (double X : {-3.0, -0.4, 0.0, 0.7, 2.5, 10.0}) {
        EXPECT_NEAR(Squash(X, 0.5, 1.5, 2.0), 2.0 * std::tanh(1.5 * (X - 0.5) / 2.0), 1e-14) << X;
    }
    EXPECT_EQ(Squash(1e6, 0, 1, 1), 1.0);
    EXPECT_EQ(Squash(-1e6, 0, 1, 1), -1.0);
    EXPECT_TRUE(std::isnan(Squash(kNaN, 0, 1, 1)));

    EXPECT_DOUBLE_EQ(modr(7.5, 2.0), 1.5);
    EXPECT_DOUBLE_EQ(modr(-7.5, 2.0), -1.5);
    EXPECT_DOUBLE_EQ(modr(7.5, -2.0), 1.5);  // Frac(-3.75) * -2
    EXPECT_DOUBLE_EQ(modr(-7.5, -2.0), -1.5);
    EXPECT_TRUE(std::isnan(modr(3.0, 0.0)));
    EXPECT_TRUE(std::isnan(modr(0.0, 0.0)));

    EXPECT_TRUE(WithinBounds(5, 10, 0));
    EXPECT_TRUE(WithinBounds(10, 10, 0));
    EXPECT_FALSE(WithinBounds(10.5, 0, 10));
    EXPECT_TRUE(WithinBounds(10.5, 0, 10, 0.5));
    EXPECT_TRUE(WithinBounds(-0.5, 10, 0, 0.5));
    EXPECT_FALSE(WithinBounds(-0.6, 10, 0, 0.5));
    EXPECT_FALSE(WithinBounds(kNaN, 0, 10));

    EXPECT_EQ(ConfineValue(12.0, 10.0, 0.0), 10.0);
    EXPECT_EQ(ConfineValue(-2.0, 10.0, 0.0), 0.0);
    EXPECT_EQ(ConfineValue(3.5, 0.0, 10.0), 3.5);
    EXPECT_EQ(ConfineValue(12.0f, 10.0f, 0.0f), 10.0f);
    EXPECT_EQ(ConfineValue(-1.5f, 10.0f, 0.0f), 0.0f);
    EXPECT_EQ(ConfineValue(12, 10, 0), 10);
    EXPECT_EQ(ConfineValue(-7, 10, -5), -5);
    EXPECT_EQ(ConfineValue(3, 10, -5), 3);

    EXPECT_TRUE(CheckPowerOfTwo(0));
    EXPECT_TRUE(CheckPowerOfTwo(1));
    EXPECT_TRUE(CheckPowerOfTwo(0x80000000u));
    EXPECT_FALSE(CheckPowerOfTwo(6));
    EXPECT_FALSE(CheckPowerOfTwo(0xFFFFFFFFu));
}

TEST(IntegerRoundingTest, IntPosIntNegRoundLimit) {
    EXPECT_EQ(IntNeg(-0.5), -1);
    EXPECT_EQ(IntPos(0.5), 1);
    EXPECT_EQ(IntNeg(2.0), 2);
    EXPECT_EQ(IntPos(2.0), 2);
    EXPECT_EQ(IntNeg(2.5), 2);  // Round gives 2, nothing to subtract
    EXPECT_EQ(IntPos(2.5), 3);
    EXPECT_EQ(IntNeg(3.5), 3);  // Round gives 4, lowered
    EXPECT_EQ(IntPos(-3.5), -3);
    EXPECT_EQ(IntNeg(-1e-300), -1);
    EXPECT_EQ(IntPos(1e-300), 1);
    for (double X = -5.0; X <= 5.0; X += 0.125) {
        EXPECT_EQ(IntNeg(X), static_cast<std::int32_t>(std::floor(X))) << X;
        EXPECT_EQ(IntPos(X), static_cast<std::int32_t>(std::ceil(X))) << X;
    }
    // Out of range and non-finite input saturate instead of reaching a bad conversion.
    constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(IntPos(1e20), Max);
    EXPECT_EQ(IntNeg(-1e20), Min);
    EXPECT_EQ(IntPos(2147483647.25), Max);
    EXPECT_EQ(IntNeg(-2147483648.5), Min);
    EXPECT_EQ(IntPos(kInf), Max);
    EXPECT_EQ(IntNeg(-kInf), Min);
    EXPECT_EQ(IntPos(kNaN), 0);
    EXPECT_EQ(IntNeg(kNaN), 0);

    EXPECT_EQ(RoundLimit(2.5, 0, 10), 2);
    EXPECT_EQ(RoundLimit(3.5, 0, 10), 4);
    EXPECT_EQ(RoundLimit(-3.0, 0, 10), 0);
    EXPECT_EQ(RoundLimit(13.0, 0, 10), 10);
    EXPECT_EQ(RoundLimit(5.0, 8, 2), 2);  // Lo first, then Hi
    EXPECT_EQ(RoundLimit(1e300, 0, 10), 10);
    EXPECT_EQ(RoundLimit(-1e300, -5, 10), -5);
    EXPECT_EQ(RoundLimit(kInf, 0, std::numeric_limits<std::int64_t>::max()),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(RoundLimit(kNaN, -3, 10), -3);
}

TEST(Series125Test, WorkedExamplesAreExact) {
    EXPECT_EQ(Round125(0.14), 0.1);
    EXPECT_EQ(Round125(2.9), 2.0);
    EXPECT_EQ(Round125(3.0), 5.0);
    EXPECT_EQ(Round125(7.9), 5.0);
    EXPECT_EQ(Round125(8.0), 10.0);
    EXPECT_EQ(Round125(-350.0), -500.0);
    EXPECT_EQ(RoundPos125(2.1), 5.0);
    EXPECT_EQ(RoundPos125(-2.1), -2.0);
    EXPECT_EQ(RoundNeg125(-2.1), -5.0);
    EXPECT_EQ(RoundNeg125(2.1), 2.0);
    EXPECT_EQ(RoundNeg125(5.0), 5.0);
    EXPECT_EQ(Round125(0.0), 0.0);
    EXPECT_EQ(RoundPos125(0.0), 0.0);
    EXPECT_EQ(RoundNeg125(0.0), 0.0);
}

TEST(Series125Test, StepValuesMapToThemselvesAcrossDecades) {
    for (int E = -300; E <= 300; E += 7) {
        for (int S : {1, 2, 5}) {
            const std::string Text = std::to_string(S) + "e" + std::to_string(E);
            const double V = std::strtod(Text.c_str(), nullptr);
            EXPECT_EQ(Round125(V), V) << Text;
            EXPECT_EQ(RoundPos125(V), V) << Text;
            EXPECT_EQ(RoundNeg125(V), V) << Text;
            EXPECT_EQ(Round125(-V), -V) << Text;
            EXPECT_EQ(RoundPos125(-V), -V) << Text;
            EXPECT_EQ(RoundNeg125(-V), -V) << Text;
        }
    }
}

TEST(Series125Test, DirectionsAndThresholds) {
    // Independent reference: the candidates around |X| from the decade found by text.
    std::vector<double> Steps;
    for (int E = -12; E <= 12; ++E)
        for (int S : {1, 2, 5})
            Steps.push_back(std::strtod((std::to_string(S) + "e" + std::to_string(E)).c_str(), nullptr));
    for (double X : {0.0013, 0.0047, 0.31, 1.01, 1.49, 1.51, 2.0001, 4.4, 5.6, 7.99, 9.7, 13.0, 33.0, 777.0, 1.2e9}) {
        double Up = 0, Down = 0;
        for (double S : Steps) {
            if (S >= X && Up == 0) Up = S;
            if (S <= X) Down = S;
        }
        EXPECT_EQ(RoundPos125(X), Up) << X;
        EXPECT_EQ(RoundNeg125(X), Down) << X;
        EXPECT_EQ(RoundPos125(-X), -Down) << X;
        EXPECT_EQ(RoundNeg125(-X), -Up) << X;
        EXPECT_TRUE(Round125(X) == Up || Round125(X) == Down) << X;
    }
    // Thresholds of the nearest rule: 1.5, 3 and 8 times a power of ten.
    EXPECT_EQ(Round125(1.4999), 1.0);
    EXPECT_EQ(Round125(1.5), 2.0);
    EXPECT_EQ(Round125(0.03), 0.05);
    EXPECT_EQ(Round125(299.0), 200.0);
    EXPECT_EQ(Round125(8e-7), 1e-6);
    EXPECT_EQ(Round125(1000.0), 1000.0);
    EXPECT_EQ(Round125(1e15), 1e15);
    EXPECT_TRUE(std::isnan(Round125(kNaN)));
    EXPECT_EQ(RoundPos125(kInf), kInf);
}

TEST(FactorialTest, ValuesAndLimits) {
    EXPECT_EQ(Factorial(0), 1);
    EXPECT_EQ(Factorial(1), 1);
    EXPECT_EQ(Factorial(5), 120);
    EXPECT_EQ(Factorial(20), static_cast<Extended>(2432902008176640000ULL));
    EXPECT_NEAR(static_cast<double>(Factorial(170) / 7.257415615307994e306L), 1.0, 1e-13);
    EXPECT_EQ(MessageOf<EQMRMath1Error>([] { Factorial(-1); }), "Factorial: negative argument");
    EXPECT_EQ(MessageOf<EQMRMath1Error>([] { Factorial(1001); }), "Factorial: argument too big");
#if QMR_EXTENDED_80
    // ln(1000!) = 5912.12817848816334887...
    EXPECT_NEAR(static_cast<double>(std::log(Factorial(1000))), 5912.128178488163, 1e-9);
    EXPECT_NO_THROW(Factorial(171));
#else
    EXPECT_EQ(MessageOf<EQMRMath1Error>([] { Factorial(171); }), "Factorial: argument too big");
    EXPECT_TRUE(std::isfinite(Factorial(170)));
#endif
}

TEST(ProductConsecIntsTest, ProductsCodesAndOverflow) {
    EXPECT_EQ(ProductConsecInts(5, 3), 60);
    EXPECT_EQ(ProductConsecInts(3, 5), 60);
    EXPECT_EQ(ProductConsecInts(0, 9), 0);
    EXPECT_EQ(ProductConsecInts(9, 0), 0);
    EXPECT_EQ(ProductConsecInts(-1, 3), -2);
    EXPECT_EQ(ProductConsecInts(7, 7), 7);
    EXPECT_EQ(ProductConsecInts(1, 20), 2432902008176640000LL);
    EXPECT_EQ(ProductConsecInts(1, 21), -1);
    EXPECT_EQ(ProductConsecInts(1, 100), -1);
    // The loop ends at the largest 32-bit factor without its counter overflowing.
    EXPECT_EQ(ProductConsecInts(2147483647, 2147483647), 2147483647LL);
    EXPECT_EQ(ProductConsecInts(2147483646, 2147483647), 2147483646LL * 2147483647LL);
    EXPECT_EQ(ProductConsecInts(2147483645, 2147483647), -1);
}

TEST(AngleTest, CanonicalRanges) {
    EXPECT_EQ(CanonicalAngleDegrees(540), 180);
    EXPECT_EQ(CanonicalAngleDegrees(-190), 170);
    EXPECT_EQ(CanonicalAngleDegrees(-540), -180);
    EXPECT_EQ(CanonicalAngleDegrees(360), 0);  // not reduced, then lowered by 360
    EXPECT_EQ(CanonicalAngleDegrees(180), 180);
    EXPECT_EQ(CanonicalAngleDegrees(-180), -180);
    EXPECT_EQ(CanonicalAngleDegrees(725), 5);
    EXPECT_EQ(CanonicalAngleDegrees(-725), -5);
    EXPECT_EQ(CanonicalAngleDegrees(1e6 + 0.25), 280.25 - 360);
    const double Pi = std::numbers::pi;
    EXPECT_EQ(CanonicalAngleRadians(Pi), Pi);
    EXPECT_EQ(CanonicalAngleRadians(-Pi), -Pi);
    EXPECT_NEAR(CanonicalAngleRadians(3 * Pi), Pi, 1e-12);
    EXPECT_NEAR(CanonicalAngleRadians(1.5 * Pi), -0.5 * Pi, 1e-12);
    EXPECT_NEAR(CanonicalAngleRadians(-7.5 * Pi), 0.5 * Pi, 1e-12);
    for (double X = -1000.0; X <= 1000.0; X += 0.37) {
        const double R = CanonicalAngleRadians(X);
        EXPECT_GE(R, -Pi);
        EXPECT_LE(R, Pi);
        EXPECT_NEAR(std::sin(R), std::sin(X), 1e-12) << X;
        EXPECT_NEAR(std::cos(R), std::cos(X), 1e-12) << X;
        const double D = CanonicalAngleDegrees(X);
        EXPECT_GE(D, -180.0);
        EXPECT_LE(D, 180.0);
        EXPECT_NEAR(std::remainder(D - X, 360.0), 0.0, 1e-10) << X;
    }
}

TEST(ElementaryTest, LogarithmsHyperbolicTrigAndErrors) {
    EXPECT_EQ(lg(1000.0), 3.0);
    EXPECT_EQ(lg(1e-5), -5.0);
    EXPECT_EQ(ld(1024.0), 10.0);
    EXPECT_DOUBLE_EQ(lg(2.0), std::log(2.0) / std::log(10.0));
    EXPECT_DOUBLE_EQ(ld(10.0), std::log(10.0) / std::log(2.0));
    for (double X : {0.0, -1.0}) {
        EXPECT_EQ(MessageOf<EMathError>([X] { lg(X); }), "logarithm: invalid argument");
        EXPECT_EQ(MessageOf<EMathError>([X] { ld(X); }), "logarithm: invalid argument");
    }
    for (double X : {-20.0, -1.0, -0.3, 0.5, 2.0, 15.0}) {
        const double E = std::exp(X);
        EXPECT_NEAR(qmr::sinh(X), (E - 1 / E) / 2, 1e-14 * std::fabs((E + 1 / E) / 2)) << X;
        EXPECT_NEAR(qmr::cosh(X), (E + 1 / E) / 2, 1e-14 * ((E + 1 / E) / 2)) << X;
        EXPECT_NEAR(tgh(X), 1 - 2 / (std::exp(2 * X) + 1), 1e-15) << X;
        EXPECT_NEAR(tg(X), std::tan(X), 1e-13 * (1 + std::fabs(std::tan(X)))) << X;
        EXPECT_NEAR(cot(X), 1 / std::tan(X), 1e-13 * (1 + std::fabs(1 / std::tan(X)))) << X;
    }
    // Tiny arguments keep their full relative accuracy.
    EXPECT_EQ(qmr::sinh(1e-20), 1e-20);
    EXPECT_EQ(tgh(1e-20), 1e-20);
    EXPECT_DOUBLE_EQ(qmr::sinh(1e-8), 1e-8 + 1e-24 / 6);
    EXPECT_EQ(tgh(-1e-300), -1e-300);
    EXPECT_EQ(qmr::cosh(0.0), 1.0);
    EXPECT_EQ(tgh(50.0), 1.0);
    EXPECT_EQ(tg(0.0), 0.0);
    EXPECT_EQ(MessageOf<EMathError>([] { cot(0.0); }), "cotangens overflow");
}
