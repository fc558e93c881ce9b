// The unit's random generators: congruential uniform sequence, Gaussian, Bernoulli,
// Cauchy, and Signum.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

using namespace qmr;

namespace {

// Runs F with the platform generator at a fixed seed, restoring the seed afterwards.
template <typename F> void WithPlatformSeed(std::int32_t Seed, F&& Fn) {
    const std::int32_t Saved = RandSeed;
    RandSeed = Seed;
    Fn();
    RandSeed = Saved;
}

// Empties the Gaussian cache: after a call that drew, the next call returns the cache.
void DrainGaussCache() {
    const std::int32_t Before = RandSeed;
    GRandom();
    if (RandSeed != Before) GRandom();
}

}  // namespace

TEST(LongRandTest, HandComputedFirstSteps) {
    // Seed 1: s1 = 1, s2 = 256 xor 1 = 257, s3 = 65536 xor 1 = 65537, then one step.
    EXPECT_NEAR(LongRand(1), 1187.0 / 1001003 + 257.0 * 983 / 990923 + (65537.0 * 1283 - 60 * 1400423.0) / 1400423,
                1e-15);
    // Seed -1: s1 = 1; $FFFFFF00 xor $FFFFFFFF = 255; $FFFF0000 xor $FFFFFFFF = 65535.
    const double X = 1187.0 / 1001003 + 255.0 * 983 / 990923 + (65535.0 * 1283 - 60 * 1400423.0) / 1400423;
    EXPECT_NEAR(LongRand(-1), X - std::floor(X), 1e-15);
}

TEST(LongRandTest, GoldenSequences) {
    // First four values and the 1000th of five sequences, computed independently.
    const struct { std::int32_t Seed; double First[4]; double At1000; } Cases[] = {
        {12345, {0.9918772283555497, 0.7858948414495446, 0.2971496983237336, 0.022311373137547275}, 0.05078411384838999},
        {-987654321, {0.5882040660305363, 0.46186925088040365, 0.9859817523663511, 0.9814952671121878}, 0.8155272003274687},
        {2147483647, {0.5166717926221054, 0.7870059459445687, 0.7201846151086748, 0.20774704841535785}, 0.061713839861743836},
        {-2147483647 - 1, {0.38351777806779497, 0.3710590321710132, 0.3400243243337062, 0.8361647094981182}, 0.14111474836766602},
        {-12345, {0.2590017025087361, 0.43314648619455065, 0.520943907092762, 0.4854041344610067}, 0.2373197839570329}};
    for (const auto& C : Cases) {
        EXPECT_NEAR(LongRand(C.Seed), C.First[0], 1e-15) << C.Seed;
        for (int I = 1; I < 4; ++I) EXPECT_NEAR(LongRand(0), C.First[I], 1e-15) << C.Seed << " " << I;
        double X = 0;
        for (int I = 4; I < 1000; ++I) X = LongRand(0);
        EXPECT_NEAR(X, C.At1000, 1e-15) << C.Seed;
    }
}

TEST(LongRandTest, ReseedRestartsAndIgnoresThePlatformGenerator) {
    std::vector<double> First, Second;
    First.push_back(LongRand(4711));
    for (int I = 0; I < 50; ++I) First.push_back(LongRand(0));
    const std::int32_t Seed = RandSeed;
    Random();  // the platform generator moves; the congruential one must not care
    EXPECT_NE(RandSeed, Seed);
    Second.push_back(LongRand(4711));
    for (int I = 0; I < 50; ++I) Second.push_back(LongRand(0));
    EXPECT_EQ(First, Second);
    // Seeds congruent modulo 990923 (same sign) start the same sequence.
    EXPECT_EQ(LongRand(5), LongRand(5 + 990923));
    EXPECT_NE(LongRand(5), LongRand(-5));
}

TEST(LongRandTest, MultipleOfTheModulusGivesZeroForever) {
    for (std::int32_t Seed : {990923, -990923, 2 * 990923}) {
        EXPECT_EQ(LongRand(Seed), 0.0);
        for (int I = 0; I < 100; ++I) ASSERT_EQ(LongRand(0), 0.0);
    }
}

TEST(LongRandTest, UniformStatistics) {
    LongRand(271828);
    constexpr int N = 200000;
    int Bins[10] = {};
    double Sum = 0;
    for (int I = 0; I < N; ++I) {
        const double U = LongRand(0);
        ASSERT_GE(U, 0.0);
        ASSERT_LT(U, 1.0);
        Sum += U;
        ++Bins[static_cast<int>(U * 10)];
    }
    EXPECT_NEAR(Sum / N, 0.5, 0.004);  // sd of the mean 0.00065
    double Chi2 = 0;
    for (int B : Bins) Chi2 += (B - N / 10.0) * (B - N / 10.0) / (N / 10.0);
    EXPECT_LT(Chi2, 33.7);  // 9 degrees of freedom, p = 1e-4
}

TEST(GRandomTest, PolarPairsFromThePlatformGenerator) {
    DrainGaussCache();
    WithPlatformSeed(20240601, [] {
        // Reference pairs from the same uniform stream.
        std::vector<double> Expected;
        const std::int32_t Start = RandSeed;
        for (int Pair = 0; Pair < 50; ++Pair) {
            double U, V, S;
            do {
                U = 2.0 * Random() - 1.0;
                V = 2.0 * Random() - 1.0;
                S = U * U + V * V;
            } while (S >= 1.0 || S == 0.0);
            const double F = std::sqrt(-2.0 * std::log(S) / S);
            Expected.push_back(V * F);
            Expected.push_back(U * F);
        }
        RandSeed = Start;
        for (std::size_t I = 0; I < Expected.size(); ++I) {
            const std::int32_t Before = RandSeed;
            ASSERT_EQ(GRandom(), Expected[I]) << I;
            // Only the first call of a pair draws uniform numbers.
            if (I % 2 == 0) {
                ASSERT_NE(RandSeed, Before) << I;
            } else {
                ASSERT_EQ(RandSeed, Before) << I;
            }
        }
    });
}

TEST(GRandomTest, NormalStatistics) {
    DrainGaussCache();
    WithPlatformSeed(99, [] {
        constexpr int N = 200000;
        double Sum = 0, Sum2 = 0;
        int Within1 = 0, Beyond2 = 0;
        for (int I = 0; I < N; ++I) {
            const double G = GRandom();
            ASSERT_TRUE(std::isfinite(G));
            Sum += G;
            Sum2 += G * G;
            if (std::fabs(G) < 1) ++Within1;
            if (std::fabs(G) > 2) ++Beyond2;
        }
        const double Mean = Sum / N;
        EXPECT_NEAR(Mean, 0.0, 0.012);                       // sd 0.0022
        EXPECT_NEAR(Sum2 / N - Mean * Mean, 1.0, 0.018);     // sd 0.0032
        EXPECT_NEAR(static_cast<double>(Within1) / N, 0.6827, 0.006);  // sd 0.001
        EXPECT_NEAR(static_cast<double>(Beyond2) / N, 0.0455, 0.0025); // sd 0.00047
    });
}

TEST(BRandomTest, DrawsAndProbabilities) {
    WithPlatformSeed(5, [] {
        const std::int32_t Before = RandSeed;
        EXPECT_TRUE(BRandom(1.0));
        EXPECT_TRUE(BRandom(2.0));
        EXPECT_EQ(RandSeed, Before);  // P >= 1 draws nothing
        EXPECT_FALSE(BRandom(0.0));
        const std::int32_t AfterOne = RandSeed;
        EXPECT_NE(AfterOne, Before);
        EXPECT_FALSE(BRandom(-3.0));  // still draws one number
        RandSeed = Before;
        Random();
        EXPECT_EQ(RandSeed, AfterOne);
        Random();
        const std::int32_t AfterTwo = RandSeed;
        RandSeed = AfterOne;
        BRandom(-3.0);
        EXPECT_EQ(RandSeed, AfterTwo);
    });
    WithPlatformSeed(77, [] {
        const std::int32_t Start = RandSeed;
        std::vector<bool> Expected;
        for (int I = 0; I < 200; ++I) Expected.push_back(0.37 > Random());
        RandSeed = Start;
        for (int I = 0; I < 200; ++I) ASSERT_EQ(BRandom(0.37), Expected[static_cast<std::size_t>(I)]) << I;
        constexpr int N = 100000;
        int Hits = 0;
        for (int I = 0; I < N; ++I) Hits += BRandom(0.3) ? 1 : 0;
        EXPECT_NEAR(static_cast<double>(Hits) / N, 0.3, 0.007);  // sd 0.00145
    });
}

TEST(CRandomTest, ValuesAndQuartiles) {
    WithPlatformSeed(31337, [] {
        const std::int32_t Start = RandSeed;
        // One draw per value, Location + Scale * tan((u - 0.5) * pi); the tolerance
        // follows the size of the terms and the slope of tan (the wide build evaluates in 80 bits).
        std::vector<double> Tangents;
        for (int I = 0; I < 100; ++I) Tangents.push_back(std::tan((Random() - 0.5) * std::numbers::pi));
        RandSeed = Start;
        for (std::size_t I = 0; I < Tangents.size(); ++I) {
            const double T = Tangents[I];
            ASSERT_NEAR(CRandom(2.0, 0.5), 2.0 + 0.5 * T, 1e-15 * (2.0 + std::fabs(T) + T * T)) << I;
        }
        constexpr int N = 100000;
        std::vector<double> Draws(N);
        for (double& D : Draws) D = CRandom(-3.0, 2.0);
        std::sort(Draws.begin(), Draws.end());
        // Median at Location, quartiles at Location -/+ Scale.
        EXPECT_NEAR(Draws[N / 2], -3.0, 0.05);
        EXPECT_NEAR(Draws[N / 4], -5.0, 0.1);
        EXPECT_NEAR(Draws[3 * N / 4], -1.0, 0.1);
    });
}

TEST(SignumTest, ZeroCountsAsPositive) {
    EXPECT_EQ(Signum(0.0), 1);
    EXPECT_EQ(Signum(-0.0), 1);
    EXPECT_EQ(Signum(3.5), 1);
    EXPECT_EQ(Signum(-1e-300), -1);
    EXPECT_EQ(Signum(-std::numeric_limits<double>::infinity()), -1);
}
