// Degree text, degree conversions, plotting steps of angles and axis tick parameters.
#include "qmr_test_support.h"

#include <cmath>
#include <cstdint>
#include <limits>

using namespace qmr;
using F = TDegreeFormat;

#define DEG "\xC2\xB0"

TEST(DegreeToStrTest, FormatsRoundingHalfAwayFromZero) {
    const struct { double X; F Fmt; int Dec; std::string Want; } Cases[] = {
        {2.675, F::dfDeg, 2, "2.67" DEG},  // stored below the tie
        {-12.5, F::dfPlain, 0, "-13"},
        {1.0 / 3, F::dfPlain, 20, "0.33333333"},  // decimals clamped to 8
        {1.25, F::dfDeg, -1, "1" DEG},
        {1.25, static_cast<F>(7), 1, "1.3"},
        {10.5, F::dfDegMin, 1, "10" DEG " 30.0'"},
        {-0.5, F::dfDegMin, 1, "-0" DEG " 30.0'"},
        {0.125, F::dfDegMin, 2, "0" DEG "  7.50'"},
        {0.375, F::dfDegMin, 0, "0" DEG "  23'"},  // 22.5 minutes: away from zero, not to even
        {0.99999999, F::dfDegMin, 2, "1" DEG "  0.00'"},
        {359.9999, F::dfDegMin, 1, "360" DEG "  0.0'"},
        {10 + 30 / 60.0 + 15.5 / 3600, F::dfDegMinSec, 1, "10" DEG " 30' 15.5\""},
        {-(10 + 5 / 60.0 + 3.25 / 3600), F::dfDegMinSec, 2, "-10" DEG "  5'  3.25\""},
        {1.0 / 32, F::dfDegMinSec, 0, "0" DEG "  1'  53\""},  // 112.5 seconds
        {45.9999999, F::dfDegMinSec, 1, "46" DEG "  0'  0.0\""},
        {0.25, F::dfDegMinSec, 0, "0" DEG " 15'   0\""},
        // A hair below (A, B) or above (C) a half of the last unit, closer than the
        // product with the unit scale resolves: judged on the exact value.
        {0x1.ef9ac6b3963b7p+6, F::dfDegMinSec, 2, "123" DEG " 54'  4.13\""},
        {-0x1.ef9ac6b3963b7p+6, F::dfDegMinSec, 2, "-123" DEG " 54'  4.13\""},
        {0x1.020d54d781142p+8, F::dfDegMin, 4, "258" DEG "  3.1245'"},
        {0x1.3e7b71dc15275p+6, F::dfDegMinSec, 3, "79" DEG " 37' 13.986\""},
        {std::nan(""), F::dfDegMinSec, 1, "Nan" DEG},
        {-std::numeric_limits<double>::infinity(), F::dfDegMin, 1, "-Inf" DEG},
    };
    for (const auto& C : Cases) EXPECT_EQ(DegreeToStr(C.X, C.Fmt, C.Dec), C.Want) << C.X;
    const std::string Big = DegreeToStr(1e300, F::dfDegMinSec, 8);
    EXPECT_EQ(Big.substr(0, 4), "1000");
    EXPECT_NE(Big.find(DEG "  0'  0.00000000\""), std::string::npos) << Big;
}

TEST(ConvertDegreesTest, ConvertsFromTheOriginalValuesKeepingTheSign) {
    const F D0 = F::dfDeg, D1 = F::dfDegMin, D2 = F::dfDegMinSec, D3 = F::dfPlain;
    const struct { double D, M, S; F From, To; double WD, WM, WS; } Cases[] = {
        {10.75, 7, 9, D0, D1, 10, 45, 0},          {10.7625, 0, 0, D0, D2, 10, 45, 45},
        {10, 30.75, 0, D1, D2, 10, 30, 45},        {10, 30, 45, D2, D1, 10, 30.75, 0},
        {10, 30, 45, D2, D0, 10.5125, 0, 0},       {3.5, 20, 30, D0, D0, 3.5, 0, 0},
        {-10.5, 0, 0, D0, D1, -10, 30, 0},         {-10, 30, 0, D1, D0, -10.5, 0, 0},
        {-20.25, 0, 0, D0, D2, -20, 15, 0},        {-20, 15, 36, D2, D0, -20.26, 0, 0},
        {-0.0, 15, 36, D2, D0, -0.26, 0, 0},       {1, 60, 60, D2, D1, 1, 61, 0},  // 60 is in range
        {1.5, 30.5, 20.5, D1, D1, 1.5, 30.5, 20.5}, {1.5, 30.5, 20.5, D3, D0, 1.5, 30.5, 20.5},
        {1.5, 30.5, 20.5, D0, D3, 1.5, 30.5, 20.5},
    };
    for (const auto& C : Cases) {
        double D = C.D, M = C.M, S = C.S;
        ConvertDegrees(D, M, S, C.From, C.To);
        EXPECT_TRUE(std::fabs(D - C.WD) < 1e-12 && std::fabs(M - C.WM) < 1e-12 && std::fabs(S - C.WS) < 1e-9)
            << C.D << " " << C.M << " " << C.S << ": " << D << " " << M << " " << S;
    }
    double D = -0.5, M = 0, S = 0;  // -0.5 -> (-0, 30) -> -0.5
    ConvertDegrees(D, M, S, D0, D1);
    EXPECT_TRUE(D == 0 && std::signbit(D) && M == 30);
    ConvertDegrees(D, M, S, D1, D0);
    EXPECT_EQ(D, -0.5);
}

TEST(ConvertDegreesTest, ValidatesMinutesFirstAndLeavesArgumentsAlone) {
    const std::string Minutes = "ConvertDegrees: invalid range of minutes";
    const std::string Seconds = "ConvertDegrees: invalid range of seconds";
    const struct { double M, S; F From, To; std::string Want; } Cases[] = {
        {61, 70, F::dfDegMinSec, F::dfDeg, Minutes},  {-1, 0, F::dfDegMin, F::dfDeg, Minutes},
        {std::nan(""), 0, F::dfDegMin, F::dfDeg, Minutes}, {61, 0, F::dfPlain, F::dfPlain, Minutes},
        {30, 60.5, F::dfDegMinSec, F::dfDeg, Seconds}, {30, -0.1, F::dfDeg, F::dfDegMin, Seconds},
        {30, std::nan(""), F::dfDegMinSec, F::dfDegMinSec, Seconds},
    };
    for (const auto& C : Cases) {
        double D = 1, M = C.M, S = C.S;
        try {
            ConvertDegrees(D, M, S, C.From, C.To);
            ADD_FAILURE() << "accepted " << C.M << " " << C.S;
        } catch (const EQMRMath1Error& E) {
            EXPECT_EQ(E.what(), C.Want);
            EXPECT_TRUE(D == 1 && (M == C.M || std::isnan(C.M)) && (S == C.S || std::isnan(C.S)));
        }
    }
}

TEST(RoundDegreesTest, PlottingSteps) {
    const struct { std::int32_t D, M, S; bool Up; std::int32_t WD, WM, WS; } Cases[] = {
        {5, 0, 0, false, 5, 0, 0},   {5, 0, 0, true, 5, 0, 0},    {5, 1, 0, false, 5, 0, 0},
        {5, 0, 1, true, 10, 0, 0},   {4, 0, 0, false, 3, 0, 0},   {4, 0, 0, true, 5, 0, 0},
        {45, 0, 0, false, 30, 0, 0}, {45, 0, 0, true, 60, 0, 0},  {100, 0, 0, false, 90, 0, 0},
        {200, 0, 0, true, 360, 0, 0}, {400, 0, 0, true, 360, 0, 0}, {400, 0, 0, false, 360, 0, 0},
        {1, 59, 59, false, 1, 0, 0}, {1, 0, 0, true, 1, 0, 0},    {0, 2, 0, true, 0, 2, 0},
        {0, 7, 30, false, 0, 5, 0},  {0, 7, 30, true, 0, 10, 0},  {0, 15, 1, true, 0, 20, 0},
        {0, 31, 0, false, 0, 30, 0}, {0, 31, 0, true, 1, 0, 0},   {0, 70, 0, false, 0, 30, 0},
        {0, 0, 7, false, 0, 0, 5},   {0, 0, 7, true, 0, 0, 10},   {0, 0, 45, true, 0, 1, 0},
        {0, 0, 61, false, 0, 0, 30}, {0, 0, 3, true, 0, 0, 3},    {0, 0, 0, true, 0, 0, 0},
        {-1, 5, 5, true, 0, 0, 0},   {3, -5, 5, true, 0, 0, 0},   {3, 5, -5, false, 0, 0, 0},
    };
    for (const auto& C : Cases) {
        std::int32_t D = C.D, M = C.M, S = C.S;
        RoundDegrees(D, M, S, C.Up);
        EXPECT_TRUE(D == C.WD && M == C.WM && S == C.WS)
            << C.D << "/" << C.M << "/" << C.S << (C.Up ? " up: " : " down: ") << D << "/" << M << "/" << S;
    }
}

TEST(CalcScaleParsTest, StepsSubTicksAndFirstTick) {
    const struct { std::int32_t N; double Low, High, First, Dist; std::uint16_t Sub; } Cases[] = {
        {5, 0, 10, 0, 1, 5},        {4, 0, 10, 0, 2, 4},       {2, 0, 10, 0, 2, 4},
        {1, 0, 7, 0, 5, 5},         {10, 0, 100, 0, 10, 5},    {-10, 0, 100, 0, 10, 5},
        {5, 0.15, 10.15, 1, 1, 5},  {5, -3.5, 6.5, -3, 1, 5},  {5, 2.0005, 12, 2, 1, 5},
        {10, 0, 0.01, 0, 0.001, 5}, {10, 0, 0.03, 0, 0.002, 4},
        {1, 1.1, 1.2, 1.1, 0.1, 5},  // log10 of the range misses -1 by rounding
        {1, 0.4, 1.4, 1, 1, 5},      // ... and 0 from below
        {5, 10, 0, 10, -1, 5},       // descending axis
        {5, 3, 3, 3, 0, 1},          {0, 0.5, 5.5, 1, 1, 5},   {0, -2, 100, -2, 1, 1},
    };
    for (const auto& C : Cases) {
        Extended First = -7, Dist = -7;
        std::uint16_t Sub = 0;
        CalcScalePars(C.N, C.Low, C.High, First, Dist, Sub);
        EXPECT_NEAR(static_cast<double>(First), C.First, 1e-12) << C.N << " " << C.Low << " " << C.High;
        EXPECT_NEAR(static_cast<double>(Dist), C.Dist, 1e-15) << C.N << " " << C.Low << " " << C.High;
        EXPECT_EQ(Sub, C.Sub) << C.N << " " << C.Low << " " << C.High;
    }
    // A step below the resolution of the first tick still ends; non-finite input is defined.
    Extended First = 0, Dist = 0;
    std::uint16_t Sub = 0;
    const Extended Big = std::ldexp(Extended(1), std::numeric_limits<Extended>::digits) + 2;
    CalcScalePars(0, Big, Big + 98, First, Dist, Sub);
    EXPECT_LE(std::fabs(First - Big), 2);
    const Extended Low = std::ldexp(Extended(1), std::numeric_limits<Extended>::digits - 13) + std::ldexp(1.0, -12);
    CalcScalePars(5, Low, Low + 0.001, First, Dist, Sub);  // a step below half an ulp of Low
    EXPECT_LE(std::fabs(First - Low), 0.001);
    CalcScalePars(5, 0, std::numeric_limits<Extended>::infinity(), First, Dist, Sub);
    CalcScalePars(5, std::numeric_limits<Extended>::quiet_NaN(), 1, First, Dist, Sub);
    EXPECT_TRUE(std::isnan(First));
}
