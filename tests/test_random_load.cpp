// Load-time state of the unit's generators. Runs in its own process: the first test
// sees the library exactly as the loader left it.
#include "qmr_test_support.h"

#include <cmath>
#include <cstdint>

using namespace qmr;

TEST(RandomLoadTest, SeedsComeFromThreePlatformDrawsAndTheCacheIsEmpty) {
    EXPECT_EQ(MathFeedBackProc, nullptr);
    const std::int32_t AfterLoad = RandSeed;
    // Replay the load: the platform generator starts at seed 0 and three values are drawn.
    RandSeed = 0;
    std::int64_t S[3];
    for (auto& Si : S) Si = static_cast<std::int64_t>(std::nearbyint(Random() * 990000));
    EXPECT_EQ(RandSeed, AfterLoad) << "the load must draw exactly three numbers";
    // LongRand(0) continues from those seeds.
    for (int I = 0; I < 100; ++I) {
        S[0] = S[0] * 1187 % 1001003;
        S[1] = S[1] * 983 % 990923;
        S[2] = S[2] * 1283 % 1400423;
        const long double X = static_cast<long double>(S[0]) / 1001003 + static_cast<long double>(S[1]) / 990923 +
                              static_cast<long double>(S[2]) / 1400423;
        ASSERT_NEAR(LongRand(0), static_cast<double>(X - std::floor(X)), 1e-15) << I;
    }
    // The Gaussian cache is empty: the first call draws, the second does not.
    const std::int32_t Before = RandSeed;
    GRandom();
    const std::int32_t AfterPair = RandSeed;
    GRandom();
    EXPECT_NE(AfterPair, Before);
    EXPECT_EQ(RandSeed, AfterPair);
}
