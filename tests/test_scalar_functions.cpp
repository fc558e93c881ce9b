// Compensated summation, polynomials, clamping, integer rounding, the 1-2-5 series,
// factorials, angles and the elementary functions.
#include "qmr_test_support.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

using namespace qmr;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

template <typename E, typename F> std::string MessageOf(F&& Fn) try {
    return Fn(), "<no exception>";
} catch (const E& Ex) {
    return Ex.what();
}

// S * 10^E, correctly rounded, from its decimal text.
double Dec(double S, int E) { return std::strtod((std::to_string(S) + "e" + std::to_string(E)).c_str(), nullptr); }
}  // namespace

TEST(KahanSumTest, CompensatesWhatPlainSummationLoses) {
    TKahanSum K(nullptr);
    K.Add(7);
    K.Reset();
    EXPECT_TRUE(K.Sum == 0 && K.cps == 0);
    K.Add(1e16);
    double Plain = 1e16;
    for (int I = 0; I < 10; ++I) K.Add(1.0), Plain += 1.0;
    EXPECT_EQ(Plain, 1e16);
    EXPECT_EQ(K.Sum, 1e16 + 10);
}

TEST(PolynomialTest, EvaluatesAndChecksOrder) {
    const TDoubleArray C{1.0, -3.0, 0.5, 2.0};
    EXPECT_DOUBLE_EQ(Polynomial(C, 3, 2.0), 1 - 6 + 2 + 16);
    EXPECT_DOUBLE_EQ(Polynomial(C, 2, -1.5), 1 + 4.5 + 1.125);
    EXPECT_EQ(Polynomial(C, 0, kNaN), 1.0);
    EXPECT_DOUBLE_EQ(CenteredPolynomial(C, 1, 3.0, 1.0), 1 + 6);  // powers of B - A
    const std::string Msg = "Polynomial: invalid order of polynomial";
    EXPECT_EQ(MessageOf<EQMRMath1Error>([&] { Polynomial(C, 4, 1.0); }), Msg);
    EXPECT_EQ(MessageOf<EQMRMath1Error>([&] { Polynomial(C, -1, 1.0); }), Msg);
    EXPECT_EQ(MessageOf<EQMRMath1Error>([&] { CenteredPolynomial(C, 4, 0, 1); }), Msg);
    EXPECT_EQ(MessageOf<EQMRMath1Error>([&] { Polynomial({}, 0, 1.0); }), Msg);
}

TEST(ScalarHelpersTest, SquashModuloBoundsAndClamps) {
    for (double X : {-3.0, -0.4, 0.0, 0.7, 2.5, 10.0})
        EXPECT_NEAR(Squash(X, 0.5, 1.5, 2.0), 2.0 * std::tanh(1.5 * (X - 0.5) / 2.0), 1e-14) << X;
    EXPECT_TRUE(Squash(1e6, 0, 1, 1) == 1 && Squash(-1e6, 0, 1, 1) == -1);
    EXPECT_TRUE(std::isnan(Squash(kNaN, 0, 1, 1)) && std::isnan(Squash(1, 0, 1, kNaN)));
    EXPECT_TRUE(Squash(5, 3, 1, 0) == 0 && Squash(3, 3, 1, 0) == 0);  // a zero limit gives 0
    EXPECT_DOUBLE_EQ(modr(-7.5, 2.0), -1.5);
    EXPECT_DOUBLE_EQ(modr(7.5, -2.0), 1.5);  // Frac(-3.75) * -2
    EXPECT_TRUE(std::isnan(modr(3.0, 0.0)));
    EXPECT_TRUE(WithinBounds(5, 10, 0) && WithinBounds(10, 10, 0) && WithinBounds(-0.5, 10, 0, 0.5));
    EXPECT_FALSE(WithinBounds(10.5, 0, 10) || WithinBounds(-0.6, 10, 0, 0.5) || WithinBounds(kNaN, 0, 10));
    EXPECT_TRUE(ConfineValue(12.0, 10.0, 0.0) == 10 && ConfineValue(-2.0, 10.0, 0.0) == 0);
    EXPECT_TRUE(ConfineValue(-1.5f, 10.0f, 0.0f) == 0 && ConfineValue(12, 10, 0) == 10 && ConfineValue(3, 10, -5) == 3);
    EXPECT_TRUE(CheckPowerOfTwo(0) && CheckPowerOfTwo(1) && CheckPowerOfTwo(0x80000000u));
    EXPECT_FALSE(CheckPowerOfTwo(6) || CheckPowerOfTwo(0xFFFFFFFFu));
}

TEST(IntegerRoundingTest, IntPosIntNegRoundLimit) {
    for (double X = -5.0; X <= 5.0; X += 0.125) {  // includes the examples -0.5, 0.5 and 2
        EXPECT_EQ(IntNeg(X), std::floor(X)) << X;
        EXPECT_EQ(IntPos(X), std::ceil(X)) << X;
    }
    EXPECT_TRUE(IntNeg(-1e-300) == -1 && IntPos(1e-300) == 1);
    // Out of range and non-finite input saturate instead of reaching a bad conversion.
    EXPECT_TRUE(IntPos(1e20) == INT32_MAX && IntPos(2147483647.25) == INT32_MAX);
    EXPECT_TRUE(IntNeg(-2147483648.5) == INT32_MIN && IntNeg(-kInf) == INT32_MIN);
    EXPECT_TRUE(IntPos(kNaN) == 0 && IntNeg(kNaN) == 0);
    const struct { double X; std::int64_t Lo, Hi, Want; } Cases[] = {
        {2.5, 0, 10, 2}, {3.5, 0, 10, 4}, {-3, 0, 10, 0}, {13, 0, 10, 10}, {5, 8, 2, 2},  // Lo first, then Hi
        {-1e300, -5, 10, -5}, {kInf, 0, INT64_MAX, INT64_MAX}, {kNaN, -3, 10, -3}};
    for (const auto& C : Cases) EXPECT_EQ(RoundLimit(C.X, C.Lo, C.Hi), C.Want) << C.X;
}

TEST(Series125Test, WorkedExamplesStepsAndThresholdsAreExact) {
    const double Cases[][4] = {  // X, Round125, RoundPos125, RoundNeg125
        {0.14, 0.1, 0.2, 0.1}, {2.9, 2, 5, 2}, {3, 5, 5, 2}, {7.9, 5, 10, 5}, {8, 10, 10, 5},
        {-350, -500, -200, -500}, {2.1, 2, 5, 2}, {-2.1, -2, -2, -5}, {5, 5, 5, 5}, {0, 0, 0, 0}};
    for (const auto& C : Cases) {
        EXPECT_EQ(Round125(C[0]), C[1]) << C[0];
        EXPECT_EQ(RoundPos125(C[0]), C[2]) << C[0];
        EXPECT_EQ(RoundNeg125(C[0]), C[3]) << C[0];
    }
    EXPECT_TRUE(std::isnan(Round125(kNaN)) && RoundPos125(kInf) == kInf);
    for (int E = -300; E <= 300; ++E) {
        for (int S : {1, 2, 5}) {  // the steps map to themselves in every direction
            const double V = Dec(S, E);
            ASSERT_TRUE(Round125(V) == V && RoundPos125(V) == V && RoundNeg125(V) == V) << S << "e" << E;
            ASSERT_TRUE(Round125(-V) == -V && RoundPos125(-V) == -V && RoundNeg125(-V) == -V) << S << "e" << E;
        }
        // 1.5, 3 and 8 belong to the upper step of the nearest rule, just below to the lower.
        for (const auto& C : {std::pair{1.5, 2}, {3.0, 5}, {8.0, 10}, {1.4999, 1}, {2.9999, 2}, {7.9999, 5}}) {
            ASSERT_EQ(Round125(Dec(C.first, E)), Dec(C.second, E)) << C.first << "e" << E;
            ASSERT_EQ(Round125(-Dec(C.first, E)), -Dec(C.second, E)) << C.first << "e" << E;
        }
    }
    // Upward and downward: the neighbouring steps around X.
    std::vector<double> Steps;
    for (int E = -12; E <= 12; ++E)
        for (int S : {1, 2, 5}) Steps.push_back(Dec(S, E));
    for (double X : {0.0013, 0.0047, 0.31, 1.01, 1.49, 2.0001, 4.4, 5.6, 7.99, 9.7, 13.0, 33.0, 777.0, 1.2e9}) {
        double Up = 0, Down = 0;
        for (double S : Steps) Up = Up == 0 && S >= X ? S : Up, Down = S <= X ? S : Down;
        EXPECT_TRUE(RoundPos125(X) == Up && RoundNeg125(-X) == -Up) << X;
        EXPECT_TRUE(RoundNeg125(X) == Down && RoundPos125(-X) == -Down) << X;
    }
}

TEST(Series125Test, ValuesBesideAThresholdStayOnTheirSide) {
    const double Below2 = std::nextafter(2.0, 0.0), Above2 = std::nextafter(2.0, 3.0);
    const double Cases[][4] = {  // X, Round125, RoundPos125, RoundNeg125
        {2.9999999997, 2, 5, 2}, {1.4999999999, 1, 2, 1}, {7.9999999999, 5, 10, 5},
        {0.99999999999999, 1, 1, 0.5}, {999.99999999999, 1000, 1000, 500}, {1.00000000000001, 1, 2, 1},
        {Below2, 2, 2, 1}, {Above2, 2, 5, 2}, {std::nextafter(3.0, 0.0), 2, 5, 2}, {std::nextafter(1e-7, 0.0), 1e-7, 1e-7, 5e-8},
        {1.7e308, kInf, kInf, 1e308},  // the nearest step, 2e308, lies beyond double
        {std::numeric_limits<double>::denorm_min(), 5e-324, 5e-324, 5e-324}};
    for (const auto& C : Cases) {
        EXPECT_EQ(Round125(C[0]), C[1]) << C[0];
        EXPECT_EQ(RoundPos125(C[0]), C[2]) << C[0];
        EXPECT_EQ(RoundNeg125(C[0]), C[3]) << C[0];
        EXPECT_TRUE(Round125(-C[0]) == -C[1] && RoundPos125(-C[0]) == -C[3] && RoundNeg125(-C[0]) == -C[2]) << C[0];
    }
    // Over the normal range: the directed forms give the nearest step at or beyond X.
    std::mt19937_64 Gen(125);
    for (int T = 0; T < 20000; ++T) {
        double X;
        const std::uint64_t Bits = Gen();
        std::memcpy(&X, &Bits, sizeof X);
        if (!std::isnormal(X) || std::fabs(X) > 1e308) continue;
        const double Up = RoundPos125(X), Down = RoundNeg125(X);
        ASSERT_TRUE(Up >= X && Down <= X) << X;
        ASSERT_TRUE(RoundPos125(Up) == Up && RoundNeg125(Down) == Down) << X;  // steps of the series
        ASSERT_LT(RoundNeg125(std::nextafter(Up, -kInf)), X) << X;            // no step between
        ASSERT_GT(RoundPos125(std::nextafter(Down, kInf)), X) << X;
    }
}

TEST(FactorialTest, ProductsAndLimits) {
    EXPECT_TRUE(Factorial(0) == 1 && Factorial(1) == 1);
    EXPECT_EQ(Factorial(20), static_cast<Extended>(2432902008176640000ULL));
    EXPECT_NEAR(static_cast<double>(Factorial(170) / 7.257415615307994e306L), 1.0, 1e-13);
    EXPECT_EQ(MessageOf<EQMRMath1Error>([] { Factorial(-1); }), "Factorial: negative argument");
    EXPECT_EQ(MessageOf<EQMRMath1Error>([] { Factorial(1001); }), "Factorial: argument too big");
#if QMR_EXTENDED_80
    EXPECT_NEAR(static_cast<double>(std::log(Factorial(1000))), 5912.128178488163, 1e-9);  // ln(1000!)
#else
    EXPECT_EQ(MessageOf<EQMRMath1Error>([] { Factorial(171); }), "Factorial: argument too big");
#endif
    const struct { std::int32_t A, B; std::int64_t Want; } Cases[] = {
        {5, 3, 60}, {3, 5, 60}, {0, 9, 0}, {9, 0, 0}, {-1, 3, -2}, {7, 7, 7}, {1, 20, 2432902008176640000LL},
        {1, 21, -1},  // the largest 32-bit factor ends the loop without overflowing its counter
        {INT32_MAX, INT32_MAX, INT32_MAX}, {INT32_MAX - 1, INT32_MAX, 2147483646LL * 2147483647LL},
        {INT32_MAX - 2, INT32_MAX, -1}, {2097152, 2097154, -1}};  // the last would pass 2^63
    for (const auto& C : Cases) EXPECT_EQ(ProductConsecInts(C.A, C.B), C.Want) << C.A << " " << C.B;
}

TEST(AngleTest, CanonicalRanges) {
    const double Pi = std::numbers::pi;
    const double Deg[][2] = {{540, 180}, {-190, 170}, {-540, -180}, {360, 0}, {180, 180},
                             {-180, -180}, {725, 5}, {-725, -5}, {1e6 + 0.25, 280.25 - 360}};
    for (const auto& C : Deg) EXPECT_EQ(CanonicalAngleDegrees(C[0]), C[1]) << C[0];
    EXPECT_TRUE(CanonicalAngleRadians(Pi) == Pi && CanonicalAngleRadians(-Pi) == -Pi);
    EXPECT_NEAR(CanonicalAngleRadians(3 * Pi), Pi, 1e-12);
#if QMR_EXTENDED_80
    EXPECT_EQ(CanonicalAngleRadians(-1000.0), -0.9735361584457501);  // 318 pi - 1000, exact with 80-bit pi
#endif
    for (double X = -1000.0; X <= 1000.0; X += 0.37) {
        const double R = CanonicalAngleRadians(X), D = CanonicalAngleDegrees(X);
        EXPECT_TRUE(R >= -Pi && R <= Pi && D >= -180 && D <= 180) << X;
        EXPECT_NEAR(std::sin(R), std::sin(X), 1e-12) << X;
        EXPECT_NEAR(std::cos(R), std::cos(X), 1e-12) << X;
        EXPECT_NEAR(std::remainder(D - X, 360.0), 0.0, 1e-10) << X;
    }
}

TEST(ElementaryTest, LogarithmsHyperbolicTrigAndErrors) {
    EXPECT_TRUE(lg(1000.0) == 3 && lg(1e-5) == -5 && ld(1024.0) == 10);
    EXPECT_DOUBLE_EQ(lg(2.0), std::log(2.0) / std::log(10.0));
    EXPECT_DOUBLE_EQ(ld(10.0), std::log(10.0) / std::log(2.0));
    EXPECT_EQ(MessageOf<EMathError>([] { lg(0); }), "logarithm: invalid argument");
    EXPECT_EQ(MessageOf<EMathError>([] { ld(-1); }), "logarithm: invalid argument");
    EXPECT_EQ(MessageOf<EMathError>([] { cot(0.0); }), "cotangens overflow");
    for (double X : {-20.0, -1.0, -0.3, 0.5, 2.0, 15.0}) {
        const double E = std::exp(X), C = (E + 1 / E) / 2, T = std::tan(X);
        EXPECT_NEAR(qmr::sinh(X), (E - 1 / E) / 2, 1e-14 * C) << X;
        EXPECT_NEAR(qmr::cosh(X), C, 1e-14 * C) << X;
        EXPECT_NEAR(tgh(X), 1 - 2 / (std::exp(2 * X) + 1), 1e-15) << X;
        EXPECT_NEAR(tg(X), T, 1e-13 * (1 + std::fabs(T))) << X;
        EXPECT_NEAR(cot(X), 1 / T, 1e-13 * (1 + std::fabs(1 / T))) << X;
    }
    // Tiny arguments keep their full relative accuracy.
    EXPECT_TRUE(qmr::sinh(1e-20) == 1e-20 && tgh(-1e-300) == -1e-300);
    EXPECT_DOUBLE_EQ(qmr::sinh(1e-8), 1e-8 + 1e-24 / 6);
}
