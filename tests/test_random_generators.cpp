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

// Runs Fn with the platform generator at a fixed seed, restoring the seed afterwards.
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

TEST(LongRandTest, GoldenSequencesAndReseeding) {
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
    const double First = LongRand(4711), Second = LongRand(0);
    Random();
    EXPECT_EQ(LongRand(4711), First);
    EXPECT_EQ(LongRand(0), Second);
    EXPECT_EQ(LongRand(5), LongRand(5 + 990923));  // same remainder, same sign
    for (std::int32_t Seed : {990923, -990923, 2 * 990923}) {  // zero seeds stay zero
        EXPECT_EQ(LongRand(Seed), 0.0);
        for (int I = 0; I < 100; ++I) ASSERT_EQ(LongRand(0), 0.0);
    }
}

TEST(GRandomTest, PolarPairsFromThePlatformGenerator) {
    DrainGaussCache();
    WithPlatformSeed(20240601, [] {
        // Reference pairs from the same uniform stream: u first, v * f returned, u * f cached.
        std::vector<double> Expected;
        const std::int32_t Start = RandSeed;
        for (int Pair = 0; Pair < 50; ++Pair) {
            double U, V, S;
            do U = 2.0 * Random() - 1.0, V = 2.0 * Random() - 1.0, S = U * U + V * V;
            while (S >= 1.0 || S == 0.0);
            const double F = std::sqrt(-2.0 * std::log(S) / S);
            Expected.push_back(V * F);
            Expected.push_back(U * F);
        }
        RandSeed = Start;
        for (std::size_t I = 0; I < Expected.size(); ++I) {
            const std::int32_t Before = RandSeed;
            ASSERT_EQ(GRandom(), Expected[I]) << I;
            ASSERT_EQ(RandSeed != Before, I % 2 == 0) << I;  // only the first of a pair draws
        }
    });
}

TEST(BRandomCRandomTest, DrawsFromThePlatformGenerator) {
    WithPlatformSeed(5, [] {
        const std::int32_t Start = RandSeed;
        EXPECT_TRUE(BRandom(1.0) && BRandom(2.0));
        EXPECT_EQ(RandSeed, Start);  // P >= 1 draws nothing
        Random(), Random();  // P <= 0 still draws: the sequence below follows two draws
        std::vector<bool> Expected;
        for (int I = 0; I < 200; ++I) Expected.push_back(0.37 > Random());
        std::vector<double> Tangents;
        for (int I = 0; I < 100; ++I) Tangents.push_back(std::tan((Random() - 0.5) * std::numbers::pi));
        RandSeed = Start;
        EXPECT_FALSE(BRandom(0.0));
        EXPECT_FALSE(BRandom(-3.0));
        for (std::size_t I = 0; I < Expected.size(); ++I) ASSERT_EQ(BRandom(0.37), Expected[I]) << I;
        for (double T : Tangents)  // tolerance after the terms and the slope of tan
            ASSERT_NEAR(CRandom(2.0, 0.5), 2.0 + 0.5 * T, 1e-15 * (2.0 + std::fabs(T) + T * T));
    });
    EXPECT_TRUE(Signum(0.0) == 1 && Signum(-0.0) == 1 && Signum(3.5) == 1);
    EXPECT_TRUE(Signum(-1e-300) == -1 && Signum(-std::numeric_limits<double>::infinity()) == -1);
}

TEST(RandomStatisticsTest, GaussianAndCauchyDistributions) {
    constexpr int N = 100000;  // bounds at about five standard deviations
    DrainGaussCache();
    WithPlatformSeed(99, [] {
        double Sum = 0, Sum2 = 0;
        int Beyond2 = 0;
        for (int I = 0; I < N; ++I) {
            const double G = GRandom();
            Sum += G, Sum2 += G * G, Beyond2 += std::fabs(G) > 2;
        }
        EXPECT_NEAR(Sum / N, 0.0, 0.016);
        EXPECT_NEAR(Sum2 / N, 1.0, 0.025);
        EXPECT_NEAR(static_cast<double>(Beyond2) / N, 0.0455, 0.0035);
        std::vector<double> Draws(N);
        for (double& D : Draws) D = CRandom(-3.0, 2.0);
        std::sort(Draws.begin(), Draws.end());
        EXPECT_NEAR(Draws[N / 2], -3.0, 0.05);  // median at Location, quartiles at -/+ Scale
        EXPECT_NEAR(Draws[N / 4], -5.0, 0.1);
        EXPECT_NEAR(Draws[3 * N / 4], -1.0, 0.1);
    });
}
