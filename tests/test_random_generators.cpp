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

// Reference of the combined congruential generator, written with 64-bit arithmetic
// and explicit masking of the 32-bit shifts.
struct RefLongRand {
    std::int64_t S1 = 0, S2 = 0, S3 = 0;

    static std::int64_t Mix(std::int64_t R, int Shift) {
        const std::uint64_t Bits = static_cast<std::uint64_t>(R) & 0xFFFFFFFFull;
        const std::uint64_t M = ((Bits << Shift) ^ Bits) & 0xFFFFFFFFull;
        const std::int64_t Signed = M >= 0x80000000ull ? static_cast<std::int64_t>(M) - 0x100000000ll
                                                       : static_cast<std::int64_t>(M);
        return (Signed < 0 ? -Signed : Signed) % 990923;
    }
    void Seed(std::int32_t Seed) {
        const std::int64_t Mag = (Seed < 0 ? -static_cast<std::int64_t>(Seed) : Seed) % 990923;
        const std::int64_t R = Seed < 0 ? -Mag : Mag;
        S1 = Mag;
        S2 = Mix(R, 8);
        S3 = Mix(R, 16);
    }
    double Next() {
        S1 = S1 * 1187 % 1001003;
        S2 = S2 * 983 % 990923;
        S3 = S3 * 1283 % 1400423;
        const double X = static_cast<double>(static_cast<long double>(S1) / 1001003 +
                                             static_cast<long double>(S2) / 990923 +
                                             static_cast<long double>(S3) / 1400423);
        return X - std::floor(X);
    }
};

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

TEST(LongRandTest, SequencesMatchTheReference) {
    for (std::int32_t Seed : {1, -1, 7, 12345, -12345, 990922, 990924, 1000000, -987654321, 123456789,
                              std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()}) {
        RefLongRand Ref;
        Ref.Seed(Seed);
        EXPECT_NEAR(LongRand(Seed), Ref.Next(), 1e-15) << Seed;
        for (int I = 0; I < 2000; ++I) {
            const double Got = LongRand(0);
            ASSERT_NEAR(Got, Ref.Next(), 1e-15) << "seed " << Seed << " step " << I;
            ASSERT_GE(Got, 0.0);
            ASSERT_LT(Got, 1.0);
        }
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
        std::vector<double> Expected;
        for (int I = 0; I < 100; ++I) Expected.push_back(2.0 + 0.5 * std::tan((Random() - 0.5) * std::numbers::pi));
        RandSeed = Start;
        for (std::size_t I = 0; I < Expected.size(); ++I) ASSERT_DOUBLE_EQ(CRandom(2.0, 0.5), Expected[I]) << I;
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
