// Degree text, degree conversions, plotting steps of angles and axis tick parameters.
#include "qmr_test_support.h"

#include <cmath>
#include <cstdint>
#include <limits>

using namespace qmr;

namespace {

const std::string Deg = "\xC2\xB0";

struct Angle {
    double D, M, S;
};

Angle Convert(Angle A, TDegreeFormat From, TDegreeFormat To) {
    ConvertDegrees(A.D, A.M, A.S, From, To);
    return A;
}

struct Rounded {
    std::int32_t D, M, S;
    friend bool operator==(const Rounded&, const Rounded&) = default;
};

Rounded RoundDeg(std::int32_t D, std::int32_t M, std::int32_t S, bool Up) {
    RoundDegrees(D, M, S, Up);
    return {D, M, S};
}

std::ostream& operator<<(std::ostream& Os, const Rounded& R) { return Os << R.D << "/" << R.M << "/" << R.S; }

}  // namespace

TEST(DegreeToStrTest, DegreesAndPlain) {
    EXPECT_EQ(DegreeToStr(12.5, TDegreeFormat::dfDeg, 1), "12.5" + Deg);
    EXPECT_EQ(DegreeToStr(2.675, TDegreeFormat::dfDeg, 2), "2.67" + Deg);
    EXPECT_EQ(DegreeToStr(12.5, TDegreeFormat::dfPlain, 0), "13");
    EXPECT_EQ(DegreeToStr(-12.5, TDegreeFormat::dfPlain, 0), "-13");
    EXPECT_EQ(DegreeToStr(1.0 / 3, TDegreeFormat::dfPlain, 20), "0.33333333");  // clamped to 8
    EXPECT_EQ(DegreeToStr(1.25, TDegreeFormat::dfDeg, -1), "1" + Deg);
    EXPECT_EQ(DegreeToStr(1.25, static_cast<TDegreeFormat>(7), 1), "1.3");
}

TEST(DegreeToStrTest, DegreesAndMinutes) {
    EXPECT_EQ(DegreeToStr(10.5, TDegreeFormat::dfDegMin, 1), "10" + Deg + " 30.0'");
    EXPECT_EQ(DegreeToStr(10.5, TDegreeFormat::dfDegMin, 0), "10" + Deg + "  30'");
    EXPECT_EQ(DegreeToStr(-10.5, TDegreeFormat::dfDegMin, 1), "-10" + Deg + " 30.0'");
    EXPECT_EQ(DegreeToStr(-0.5, TDegreeFormat::dfDegMin, 1), "-0" + Deg + " 30.0'");
    EXPECT_EQ(DegreeToStr(0.125, TDegreeFormat::dfDegMin, 2), "0" + Deg + "  7.50'");
    // 22.5 minutes: half away from zero, not to even.
    EXPECT_EQ(DegreeToStr(0.375, TDegreeFormat::dfDegMin, 0), "0" + Deg + "  23'");
    EXPECT_EQ(DegreeToStr(-0.375, TDegreeFormat::dfDegMin, 0), "-0" + Deg + "  23'");
    // Rounding up to a whole degree.
    EXPECT_EQ(DegreeToStr(0.99999999, TDegreeFormat::dfDegMin, 2), "1" + Deg + "  0.00'");
    EXPECT_EQ(DegreeToStr(359.9999, TDegreeFormat::dfDegMin, 1), "360" + Deg + "  0.0'");
}

TEST(DegreeToStrTest, DegreesMinutesAndSeconds) {
    EXPECT_EQ(DegreeToStr(10 + 30 / 60.0 + 15.5 / 3600, TDegreeFormat::dfDegMinSec, 1),
              "10" + Deg + " 30' 15.5\"");
    EXPECT_EQ(DegreeToStr(-(10 + 5 / 60.0 + 3.25 / 3600), TDegreeFormat::dfDegMinSec, 2),
              "-10" + Deg + "  5'  3.25\"");
    // 1/32 degree = 112.5 seconds: rounded away from zero to 113 = 1' 53".
    EXPECT_EQ(DegreeToStr(1.0 / 32, TDegreeFormat::dfDegMinSec, 0), "0" + Deg + "  1'  53\"");
    EXPECT_EQ(DegreeToStr(45.9999999, TDegreeFormat::dfDegMinSec, 1), "46" + Deg + "  0'  0.0\"");
    EXPECT_EQ(DegreeToStr(0.25, TDegreeFormat::dfDegMinSec, 0), "0" + Deg + " 15'   0\"");
}

TEST(DegreeToStrTest, HalvesAreJudgedOnTheExactValue) {
    // Both angles lie a hair below a half of the last unit shown, closer than the
    // product with the unit scale can resolve: they round down.
    const double A = 0x1.ef9ac6b3963b7p+6;  // 123 deg 54' 4.135" less 1e-14"
    EXPECT_EQ(DegreeToStr(A, TDegreeFormat::dfDegMinSec, 2), "123" + Deg + " 54'  4.13\"");
    EXPECT_EQ(DegreeToStr(-A, TDegreeFormat::dfDegMinSec, 2), "-123" + Deg + " 54'  4.13\"");
    const double B = 0x1.020d54d781142p+8;  // 258 deg 3.12455' less 1e-15'
    EXPECT_EQ(DegreeToStr(B, TDegreeFormat::dfDegMin, 4), "258" + Deg + "  3.1245'");
    EXPECT_EQ(DegreeToStr(-B, TDegreeFormat::dfDegMin, 4), "-258" + Deg + "  3.1245'");
    // A hair above a half rounds up.
    const double C = 0x1.3e7b71dc15275p+6;  // 79 deg 37' 13.9855" plus 2e-15"
    EXPECT_EQ(DegreeToStr(C, TDegreeFormat::dfDegMinSec, 3), "79" + Deg + " 37' 13.986\"");
}

TEST(DegreeToStrTest, NonFiniteAndHugeValuesAreDefined) {
    EXPECT_EQ(DegreeToStr(std::nan(""), TDegreeFormat::dfDegMinSec, 1), "Nan" + Deg);
    EXPECT_EQ(DegreeToStr(-std::numeric_limits<double>::infinity(), TDegreeFormat::dfDegMin, 1), "-Inf" + Deg);
    std::string Big = DegreeToStr(1e300, TDegreeFormat::dfDegMinSec, 8);
    EXPECT_EQ(Big.substr(0, 4), "1000");
    EXPECT_NE(Big.find(Deg + "  0'  0.00000000\""), std::string::npos) << Big;
}

TEST(ConvertDegreesTest, BetweenTheThreeForms) {
    using F = TDegreeFormat;
    Angle A = Convert({10.75, 7, 9}, F::dfDeg, F::dfDegMin);
    EXPECT_EQ(A.D, 10);
    EXPECT_EQ(A.M, 45);
    EXPECT_EQ(A.S, 0);
    A = Convert({10.7625, 0, 0}, F::dfDeg, F::dfDegMinSec);
    EXPECT_EQ(A.D, 10);
    EXPECT_EQ(A.M, 45);
    EXPECT_NEAR(A.S, 45, 1e-9);
    A = Convert({10, 30.75, 0}, F::dfDegMin, F::dfDegMinSec);
    EXPECT_EQ(A.D, 10);
    EXPECT_EQ(A.M, 30);
    EXPECT_EQ(A.S, 45);
    A = Convert({10, 30, 45}, F::dfDegMinSec, F::dfDegMin);
    EXPECT_EQ(A.D, 10);
    EXPECT_EQ(A.M, 30.75);
    EXPECT_EQ(A.S, 0);
    A = Convert({10, 30, 45}, F::dfDegMinSec, F::dfDeg);
    EXPECT_DOUBLE_EQ(A.D, 10.5125);
    EXPECT_EQ(A.M, 0);
    EXPECT_EQ(A.S, 0);
    A = Convert({10, 30.5, 0}, F::dfDegMin, F::dfDeg);
    EXPECT_DOUBLE_EQ(A.D, 10 + 30.5 / 60);
    A = Convert({3.5, 20, 30}, F::dfDeg, F::dfDeg);  // only minutes and seconds are cleared
    EXPECT_EQ(A.D, 3.5);
    EXPECT_EQ(A.M, 0);
    EXPECT_EQ(A.S, 0);
}

TEST(ConvertDegreesTest, KeepsTheFractionAndTheSign) {
    using F = TDegreeFormat;
    Angle A = Convert({-10.5, 0, 0}, F::dfDeg, F::dfDegMin);
    EXPECT_EQ(A.D, -10);
    EXPECT_EQ(A.M, 30);
    EXPECT_EQ(Convert(A, F::dfDegMin, F::dfDeg).D, -10.5);
    A = Convert({-0.5, 0, 0}, F::dfDeg, F::dfDegMin);
    EXPECT_TRUE(A.D == 0 && std::signbit(A.D));
    EXPECT_EQ(A.M, 30);
    EXPECT_EQ(Convert(A, F::dfDegMin, F::dfDeg).D, -0.5);
    A = Convert({-20.25, 0, 0}, F::dfDeg, F::dfDegMinSec);
    EXPECT_EQ(A.D, -20);
    EXPECT_EQ(A.M, 15);
    EXPECT_EQ(A.S, 0);
    EXPECT_DOUBLE_EQ(Convert({-20, 15, 36}, F::dfDegMinSec, F::dfDeg).D, -20.26);
    EXPECT_DOUBLE_EQ(Convert({-0.0, 15, 36}, F::dfDegMinSec, F::dfDeg).D, -0.26);
    // Round trips through every form.
    for (double X : {0.0, 1.0, 12.34, -12.34, 179.999, -0.001, 359.5}) {
        Angle B = Convert({X, 0, 0}, F::dfDeg, F::dfDegMinSec);
        EXPECT_NEAR(Convert(B, F::dfDegMinSec, F::dfDeg).D, X, 1e-12) << X;
        Angle C = Convert(Convert(B, F::dfDegMinSec, F::dfDegMin), F::dfDegMin, F::dfDeg);
        EXPECT_NEAR(C.D, X, 1e-12) << X;
    }
}

TEST(ConvertDegreesTest, ValidatesMinutesFirstAndLeavesArgumentsAlone) {
    using F = TDegreeFormat;
    auto Message = [](double D, double M, double S, F From, F To) -> std::string {
        double D0 = D, M0 = M, S0 = S;
        try {
            ConvertDegrees(D, M, S, From, To);
        } catch (const EQMRMath1Error& E) {
            auto Same = [](double A, double B) { return A == B || (std::isnan(A) && std::isnan(B)); };
            EXPECT_TRUE(Same(D, D0) && Same(M, M0) && Same(S, S0));
            return E.what();
        }
        return "";
    };
    const std::string Minutes = "ConvertDegrees: invalid range of minutes";
    const std::string Seconds = "ConvertDegrees: invalid range of seconds";
    EXPECT_EQ(Message(1, 61, 70, F::dfDegMinSec, F::dfDeg), Minutes);
    EXPECT_EQ(Message(1, -1, 0, F::dfDegMin, F::dfDeg), Minutes);
    EXPECT_EQ(Message(1, std::nan(""), 0, F::dfDegMin, F::dfDeg), Minutes);
    EXPECT_EQ(Message(1, 30, 60.5, F::dfDegMinSec, F::dfDeg), Seconds);
    EXPECT_EQ(Message(1, 30, -0.1, F::dfDeg, F::dfDegMin), Seconds);
    EXPECT_EQ(Message(1, 30, std::nan(""), F::dfDegMinSec, F::dfDegMinSec), Seconds);
    EXPECT_EQ(Message(1, 61, 0, F::dfPlain, F::dfPlain), Minutes);
    EXPECT_EQ(Message(1, 60, 60, F::dfDegMinSec, F::dfDegMin), "");
    // Same form in and out, and the plain form, change nothing.
    Angle A = Convert({1.5, 30.5, 20.5}, F::dfDegMin, F::dfDegMin);
    EXPECT_TRUE(A.D == 1.5 && A.M == 30.5 && A.S == 20.5);
    A = Convert({1.5, 30.5, 20.5}, F::dfDegMinSec, F::dfDegMinSec);
    EXPECT_TRUE(A.D == 1.5 && A.M == 30.5 && A.S == 20.5);
    A = Convert({1.5, 30.5, 20.5}, F::dfPlain, F::dfDeg);
    EXPECT_TRUE(A.D == 1.5 && A.M == 30.5 && A.S == 20.5);
    A = Convert({1.5, 30.5, 20.5}, F::dfDeg, F::dfPlain);
    EXPECT_TRUE(A.D == 1.5 && A.M == 30.5 && A.S == 20.5);
}

TEST(RoundDegreesTest, PlottingSteps) {
    struct Case {
        std::int32_t D, M, S;
        bool Up;
        Rounded Want;
    };
    const Case Cases[] = {
        {5, 0, 0, false, {5, 0, 0}},
        {5, 0, 0, true, {5, 0, 0}},
        {5, 1, 0, false, {5, 0, 0}},
        {5, 0, 1, true, {10, 0, 0}},
        {4, 0, 0, false, {3, 0, 0}},
        {4, 0, 0, true, {5, 0, 0}},
        {45, 0, 0, false, {30, 0, 0}},
        {45, 0, 0, true, {60, 0, 0}},
        {100, 0, 0, false, {90, 0, 0}},
        {200, 0, 0, true, {360, 0, 0}},
        {400, 0, 0, true, {360, 0, 0}},
        {400, 0, 0, false, {360, 0, 0}},
        {1, 59, 59, false, {1, 0, 0}},
        {1, 0, 0, true, {1, 0, 0}},
        {0, 2, 0, false, {0, 2, 0}},
        {0, 2, 0, true, {0, 2, 0}},
        {0, 7, 30, false, {0, 5, 0}},
        {0, 7, 30, true, {0, 10, 0}},
        {0, 15, 1, true, {0, 20, 0}},
        {0, 31, 0, false, {0, 30, 0}},
        {0, 31, 0, true, {1, 0, 0}},
        {0, 70, 0, false, {0, 30, 0}},  // clamped to 59
        {0, 0, 7, false, {0, 0, 5}},
        {0, 0, 7, true, {0, 0, 10}},
        {0, 0, 45, true, {0, 1, 0}},
        {0, 0, 61, false, {0, 0, 30}},
        {0, 0, 3, true, {0, 0, 3}},
        {0, 0, 0, true, {0, 0, 0}},
        {-1, 5, 5, true, {0, 0, 0}},
        {3, -5, 5, true, {0, 0, 0}},
        {3, 5, -5, false, {0, 0, 0}},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(RoundDeg(C.D, C.M, C.S, C.Up), C.Want) << C.D << "/" << C.M << "/" << C.S << (C.Up ? " up" : " down");
}

TEST(CalcScaleParsTest, StepsAndFirstTick) {
    Extended First = -7, Dist = -7;
    std::uint16_t Sub = 0;
    CalcScalePars(5, 0, 10, First, Dist, Sub);  // 2 per tick: step 1
    EXPECT_EQ(First, 0);
    EXPECT_EQ(Dist, 1);
    EXPECT_EQ(Sub, 5);
    CalcScalePars(4, 0, 10, First, Dist, Sub);  // 2.5: step 2
    EXPECT_EQ(Dist, 2);
    EXPECT_EQ(Sub, 4);
    CalcScalePars(2, 0, 10, First, Dist, Sub);  // 5: step 2
    EXPECT_EQ(Dist, 2);
    CalcScalePars(1, 0, 7, First, Dist, Sub);  // 7: step 5
    EXPECT_EQ(Dist, 5);
    EXPECT_EQ(Sub, 5);
    CalcScalePars(10, 0, 100, First, Dist, Sub);
    EXPECT_EQ(Dist, 10);
    CalcScalePars(-10, 0, 100, First, Dist, Sub);  // a negative count counts as positive
    EXPECT_EQ(Dist, 10);
    EXPECT_EQ(First, 0);
    CalcScalePars(5, 0.15, 10.15, First, Dist, Sub);
    EXPECT_EQ(First, 1);
    CalcScalePars(5, -3.5, 6.5, First, Dist, Sub);
    EXPECT_EQ(First, -3);
    CalcScalePars(5, 2.0005, 12, First, Dist, Sub);  // within a thousandth of a tick
    EXPECT_EQ(First, 2);
    CalcScalePars(10, 0, 0.01, First, Dist, Sub);
    EXPECT_NEAR(Dist, 0.001, 1e-15);
    EXPECT_EQ(Sub, 5);
    EXPECT_NEAR(First, 0, 1e-15);
    CalcScalePars(10, 0, 0.03, First, Dist, Sub);
    EXPECT_NEAR(Dist, 0.002, 1e-15);
    EXPECT_EQ(Sub, 4);
    // A logarithm that misses an integer by rounding counts as that integer.
    CalcScalePars(1, 1.1, 1.2, First, Dist, Sub);  // log10(0.0999..9) = -1.0000000000000007
    EXPECT_NEAR(Dist, 0.1, 1e-15);
    EXPECT_EQ(Sub, 5);
    EXPECT_NEAR(First, 1.1, 1e-12);
    CalcScalePars(1, 0.4, 1.4, First, Dist, Sub);  // log10(0.99..9) just below 0
    EXPECT_EQ(Dist, 1);
    EXPECT_EQ(Sub, 5);
    CalcScalePars(5, 10, 0, First, Dist, Sub);  // descending axis
    EXPECT_EQ(Dist, -1);
    EXPECT_EQ(First, 10);
    CalcScalePars(5, 3, 3, First, Dist, Sub);
    EXPECT_EQ(First, 3);
    EXPECT_EQ(Dist, 0);
    EXPECT_EQ(Sub, 1);
}

TEST(CalcScaleParsTest, NoTickCountAndPrecisionLimits) {
    Extended First = 0, Dist = 0;
    std::uint16_t Sub = 0;
    CalcScalePars(0, 0.5, 5.5, First, Dist, Sub);
    EXPECT_EQ(First, 1);
    EXPECT_EQ(Dist, 1);
    EXPECT_EQ(Sub, 5);
    CalcScalePars(0, -2, 100, First, Dist, Sub);
    EXPECT_EQ(First, -2);
    EXPECT_EQ(Sub, 1);
    // A unit step below the resolution of the first tick must still end.
    const Extended Big = std::ldexp(Extended(1), std::numeric_limits<Extended>::digits) + 2;
    CalcScalePars(0, Big, Big + 98, First, Dist, Sub);
    EXPECT_LE(std::fabs(First - Big), 2);
    CalcScalePars(1000000, Big, Big + 1000, First, Dist, Sub);
    EXPECT_LE(std::fabs(First - Big), 8);
    EXPECT_NEAR(Dist, 0.001, 1e-18);
    // Non-finite input gives a defined result.
    CalcScalePars(5, 0, std::numeric_limits<Extended>::infinity(), First, Dist, Sub);
    CalcScalePars(5, std::numeric_limits<Extended>::quiet_NaN(), 1, First, Dist, Sub);
    EXPECT_TRUE(std::isnan(First));
}
