// Random numbers of a tabulated density.
#include "qmr_test_support.h"

#include <algorithm>
#include <functional>
#include <cmath>
#include <limits>

namespace {

using namespace qmr;

TEST(RandGen, BinsBordersAndIndices) {
    TRandGen G(nullptr);
    EXPECT_EQ(G.Resolution(), 500);
    EXPECT_EQ(G.Probability(500), 1.0);
    for (auto [Write, Read] : {std::pair{5, 10}, {10000, 4000}, {-3, 10}, {123, 123}}) {
        G.SetProbability(3, 0.25);
        G.SetResolution(Write);
        EXPECT_EQ(G.Resolution(), Read);
        for (int i = 1; i <= Read; ++i) ASSERT_EQ(G.Probability(i), 1.0) << Write;  // reset
    }
    G.SetResolution(10);
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    for (auto [Value, Stored] : {std::pair{1.7, 1.0}, {-2.0, 0.0}, {NaN, 0.0}, {0.375, 0.375}}) {
        G.SetProbability(3, Value);
        EXPECT_EQ(G.Probability(3), Stored) << Value;
    }
    G.SetProbability(0, 0.5);  // outside: ignored, reads 0
    G.SetProbability(11, 0.5);
    EXPECT_EQ(G.Probability(0), 0.0);
    EXPECT_EQ(G.Probability(11), 0.0);

    G.SetLowBorder(0);
    G.SetHighBorder(10);
    for (auto [Ix, L] : {std::pair{1, 0.0}, {10, 9.0}, {11, 10.0}, {0, 0.0}, {-5, 0.0}, {4, 3.0}}) EXPECT_EQ(G.Lambda(Ix), L) << Ix;
    for (auto [L, Ix] : {std::pair{9.5, 10}, {10.5, 11}, {10.0, 11}, {-1.0, 0}, {0.0, 1}, {NaN, 0}, {3.0, 4}})
        EXPECT_EQ(G.IndexOfLambda(L), Ix) << L;
    G.SetHighBorder(0);  // equal borders: the value at them is in bin 1, never 0 / 0
    EXPECT_EQ(G.IndexOfLambda(0.0), 1);
    EXPECT_EQ(G.IndexOfLambda(1e-300), 11);
}

TEST(RandGen, ShapeFillersStoreTheDensities) {
    TRandGen G(nullptr);
    G.SetLowBorder(-2);
    G.SetHighBorder(8);
    G.SetResolution(100);  // bin i starts at -2 + (i - 1) / 10
    const double Inf = std::numeric_limits<double>::infinity(), NaN = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        std::function<void()> Fill;
        int Bin;
        double Want;  // scipy.stats 1.10 pdf at the bin start; inf and 0 by definition
    };
    const Case Cases[] = {
        {[&] { G.tDistri(5); }, 6, 0.12451734464635515},          // t(5) at -1.5
        {[&] { G.tDistri(1); }, 24, 0.2920274185172392},          // t(1) at 0.3
        {[&] { G.Chi2Distri(4); }, 58, 0.14544437884010555},      // chi2(4) at 3.7
        {[&] { G.Chi2Distri(1); }, 26, 0.43939128946772243},      // chi2(1) at 0.5
        {[&] { G.Chi2Distri(1); }, 21, Inf},                      // at 0, stored as is
        {[&] { G.Chi2Distri(2); }, 21, 0.5},
        {[&] { G.Chi2Distri(3); }, 20, 0.0},                      // below 0
        {[&] { G.FDistri(3, 7); }, 33, 0.314540383128293},        // F(3, 7) at 1.2
        {[&] { G.FDistri(1, 1); }, 25, 0.3594943721749075},       // F(1, 1) at 0.4
        {[&] { G.FDistri(2, 2); }, 21, 0.0},                      // at 0
        {[&] { G.WeibullDistri(2.5, 1.7); }, 34, 0.5897217415825098},
        {[&] { G.tDistri(0); }, 30, 0.0},                         // no such density: 0, never NaN
        {[&] { G.NormalDistri(0.5, 0.0); }, 26, 1.0},             // the limit of a vanishing width
        {[&] { G.NormalDistri(0.5, 0.0); }, 27, 0.0},
        {[&] { G.NormalDistri(1.0, 2.0); }, 31, std::exp(-0.5 * 0.0)},
        {[&] { G.NormalDistri(1.0, 2.0); }, 41, std::exp(-0.125)},  // one sigma from 1 at 3
        {[&] { G.NormalDistri(NaN, 1.0); }, 41, 0.0},
    };
    for (const Case& C : Cases) {
        C.Fill();
        const double P = G.Probability(C.Bin);
        if (std::isinf(C.Want) || C.Want == 0)
            EXPECT_EQ(P, C.Want) << C.Bin;
        else
            EXPECT_NEAR(P, C.Want, 1e-12 * C.Want) << C.Bin;
        for (int i = 1; i <= 100; ++i) ASSERT_FALSE(std::isnan(G.Probability(i))) << C.Bin;
    }
}

TEST(RandGen, NormalizeAndStandardize) {
    TRandGen G(nullptr);
    G.SetResolution(10);
    EXPECT_TRUE(G.Standardize());  // all 1: unchanged
    G.Normalize();                 // all equal: unchanged
    EXPECT_EQ(G.Probability(4), 1.0);
    for (int i = 1; i <= 10; ++i) G.SetProbability(i, 0.1 * i);
    G.Normalize();
    EXPECT_EQ(G.Probability(1), 0.0);
    EXPECT_EQ(G.Probability(10), 1.0);
    EXPECT_NEAR(G.Probability(4), 3.0 / 9.0, 1e-15);
    for (int i = 1; i <= 10; ++i) G.SetProbability(i, i == 5 ? 0.5 : 0.25);
    EXPECT_TRUE(G.Standardize());
    EXPECT_EQ(G.Probability(5), 1.0);
    EXPECT_EQ(G.Probability(6), 0.5);
    for (int i = 1; i <= 10; ++i) G.SetProbability(i, 0);
    EXPECT_FALSE(G.Standardize());
    EXPECT_EQ(G.Probability(5), 0.0);
}

TEST(RandGen, DrawFollowsThePlatformSequence) {
    TRandGen G(nullptr);
    G.SetResolution(10);
    G.SetLowBorder(-1);
    G.SetHighBorder(4);
    // All bins 1: a try outside the last bin is taken with two draws of the generator.
    int Checked = 0;
    for (std::int32_t Seed : {1, 77, 4242, 90001, 5, 6}) {
        RandSeed = Seed;
        const double X = G.Random();
        RandSeed = Seed;
        const std::int32_t a = Random(10);
        const double r = Random();
        if (a < 9) {
            EXPECT_EQ(X, -1 + (a + r) * 5 / 10) << Seed;
            ++Checked;
        }
    }
    EXPECT_GE(Checked, 3);
    // An infinite first bin (chi-square with one degree of freedom at 0) interpolates to
    // NaN, which is taken at once as well.
    G.SetLowBorder(0);
    G.Chi2Distri(1);
    ASSERT_TRUE(std::isinf(G.Probability(1)));
    for (std::int32_t Seed = 1;; ++Seed) {
        RandSeed = Seed;
        if (Random(10) != 0) continue;
        const double r = Random();
        RandSeed = Seed;
        EXPECT_EQ(G.Random(), r * 4 / 10);
        break;
    }
    G.SetLowBorder(-1);
    // All bins 0: no try is accepted; the value comes from the last of 100000 tries of
    // three draws each, inside the borders.
    for (int i = 1; i <= 10; ++i) G.SetProbability(i, 0);
    RandSeed = 5;
    const double X = G.Random();
    RandSeed = 5;
    double Want = 0;
    for (int Try = 0; Try < 100000; ++Try) {
        const std::int32_t a = Random(10);
        const double r = Random();
        Random();
        Want = -1 + (a + r) * 5 / 10;
    }
    EXPECT_EQ(X, Want);
    EXPECT_TRUE(X >= -1 && X < 4);
}

TEST(RandGen, DrawsFollowTheTabulatedDensity) {
    // Flat bins: uniform inside the first nine, the last falling linearly to 0, so it
    // weighs half a bin: P(last) = 0.5 / 9.5, and 3/4 of its draws lie in its first half.
    TRandGen G(nullptr);
    G.SetResolution(10);
    G.SetHighBorder(10);
    RandSeed = 11;
    constexpr int N = 200000;
    int Last = 0, LastLow = 0;
    for (int k = 0; k < N; ++k) {
        const double X = G.Random();
        ASSERT_TRUE(X >= 0 && X < 10);
        if (X >= 9) {
            ++Last;
            LastLow += X < 9.5;
        }
    }
    const double PLast = 0.5 / 9.5;
    EXPECT_NEAR(Last / double(N), PLast, 5 * std::sqrt(PLast * (1 - PLast) / N));
    EXPECT_NEAR(LastLow / double(Last), 0.75, 5 * std::sqrt(0.75 * 0.25 / Last));

    // A normal shape over +-4 sigma: Kolmogorov-Smirnov distance of the draws from the
    // normal distribution function (the tabulation's own error is far below the bound).
    G.SetResolution(4000);
    G.SetLowBorder(-4);
    G.SetHighBorder(4);
    G.NormalDistri(0, 1);
    std::vector<double> X(20000);
    for (double& V : X) V = G.Random();
    std::sort(X.begin(), X.end());
    const double Mass = std::erf(4 / std::sqrt(2.0));
    double D = 0;
    for (std::size_t i = 0; i < X.size(); ++i) {
        const double F = (0.5 * std::erfc(-X[i] / std::sqrt(2.0)) - 0.5 * std::erfc(4 / std::sqrt(2.0))) / Mass;
        D = std::max({D, std::abs(F - double(i) / X.size()), std::abs(F - double(i + 1) / X.size())});
    }
    EXPECT_LT(D, 1.63 / std::sqrt(double(X.size())));  // the 1% critical value
}

}  // namespace
