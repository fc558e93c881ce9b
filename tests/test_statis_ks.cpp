// Kolmogorov-Smirnov and Lilliefors statistics, p-values and critical values.
#include "qmr_test_support.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

using namespace qmr;

TEST(StatisKS, PValueMatchesReferences) {
    const struct {
        std::int32_t n;
        double d, Ref;
    } Exact[] = {
        // scipy.stats.kstwo.sf(d, n) (exact for n <= 140)
        {1, 0.7, 0.6000000000000001}, {3, 0.5, 0.3333333333333333}, {10, 0.2, 0.7487190399999999},
        {20, 0.35, 0.01075496344438931}, {50, 0.15, 0.19026366518248072}, {100, 0.12, 0.1033037490181987},
        {140, 0.05, 0.857648029765611}, {99, 0.19, 0.001327167593568163}, {140, 0.16, 0.0013440163244194184},
        // the same matrix power in mpmath at 40 digits
        {1000, 0.04, 0.079339554975401223647}, {400, 0.06, 0.10777126814683762521},
    };
    for (const auto& E : Exact) EXPECT_NEAR(KSPValue(E.n, E.d), E.Ref, 1e-12) << E.n << " " << E.d;
    // Pelz-Good where the matrix order 2 trunc(n d) + 1 would exceed 1000; scipy.stats.kstwo.sf
    const struct {
        std::int32_t n;
        double d, Ref;
    } Large[] = {{200000, 0.003, 0.0545369786611305}, {300000, 0.0025, 0.04695644256141551},
                 {1000000, 0.0011, 0.17758816911349928}, {100000, 0.0052, 0.008929990118978454}};
    for (const auto& E : Large) EXPECT_NEAR(KSPValue(E.n, E.d), E.Ref, 1e-6) << E.n << " " << E.d;
}

TEST(StatisKS, PValueBranchesAndDomain) {
    const auto Asymptotic = [](double n, double d) {
        const double s = n * d * d;
        return 2 * std::exp(-(2.000071 + 0.331 / std::sqrt(n) + 1.409 / n) * s);
    };
    // The asymptotic tail takes over exactly above n d^2 = 7.24 (n <= 99) or 3.76 (n > 99).
    for (const auto& [n, Limit] : {std::pair{50, 7.24}, std::pair{99, 7.24}, std::pair{100, 3.76}, std::pair{3000, 3.76}}) {
        const double dAt = std::sqrt(Limit / n);
        const double dAbove = std::nextafter(dAt, 1.0) * (1 + 1e-15), dBelow = dAt * (1 - 1e-9);
        EXPECT_EQ(KSPValue(n, dAbove), Asymptotic(n, dAbove)) << n;
        EXPECT_NE(KSPValue(n, dBelow), Asymptotic(n, dBelow)) << n;
        EXPECT_NEAR(KSPValue(n, dBelow), Asymptotic(n, dBelow), 2e-3) << n;  // the two agree roughly
    }
    EXPECT_EQ(KSPValue(0, 0.3), 1);
    EXPECT_EQ(KSPValue(-5, 0.3), 1);
    EXPECT_EQ(KSPValue(10, 0), 1);
    EXPECT_EQ(KSPValue(10, -0.2), 1);
    EXPECT_TRUE(std::isnan(KSPValue(10, std::numeric_limits<double>::quiet_NaN())));
    // n d <= 1/2: D_n >= 1/(2n) always
    EXPECT_NEAR(KSPValue(7, 0.05), 1.0, 1e-12);
}

TEST(StatisKS, CriticalValues) {
    EXPECT_EQ(KolmogSmir1SampleTestStat(1, TSignifLevel::Dot20), 0.900);
    EXPECT_EQ(KolmogSmir1SampleTestStat(13, TSignifLevel::Dot10), 0.325);
    EXPECT_EQ(KolmogSmir1SampleTestStat(20, TSignifLevel::Dot01), 0.356);
    EXPECT_EQ(KolmogSmir1SampleTestStat(21, TSignifLevel::Dot05), 1.358 / std::sqrt(21.0));
    EXPECT_EQ(KolmogSmir1SampleTestStat(400, TSignifLevel::Dot15), 1.138 / 20);
    const auto Bad = static_cast<TSignifLevel>(5);
    for (double v : {KolmogSmir1SampleTestStat(0, TSignifLevel::Dot05), KolmogSmir1SampleTestStat(5, Bad),
                     KSQuantile(0, TSignifLevel::Dot05), KSQuantile(-3, TSignifLevel::Dot01), KSQuantile(5, Bad)})
        EXPECT_EQ(v, -1);
    const double Signif[] = {0.20, 0.15, 0.10, 0.05, 0.01};
    for (std::int32_t n : {1, 4, 12, 35, 300})
        for (int l = 0; l < 5; ++l) {
            const double c = KSQuantile(n, static_cast<TSignifLevel>(l));
            EXPECT_NEAR(KSPValue(n, c), Signif[l], 1e-4) << n << " " << l;
        }
}

TEST(StatisKS, Lilliefors) {
    // The closed form evaluated in Python (double).
    const struct {
        std::int32_t n;
        double d, Ref;
    } P[] = {{6, 0.3, 0.09803982039428039}, {20, 0.2, 0.03507618544732804}, {100, 0.05, 0.7474506816217762},
             {400, 0.05, 0.01790208282857655}, {50, 0.01, 1.0}};
    for (const auto& E : P) EXPECT_NEAR(LillieforsPValue(E.n, E.d), E.Ref, 1e-15) << E.n;
    EXPECT_EQ(LillieforsPValue(5, 0.2), -1);
    EXPECT_EQ(LillieforsPValue(-1, 0.2), -1);
    for (double d = 0; d <= 1; d += 0.01) EXPECT_LE(LillieforsPValue(30, d), 1.0);
    EXPECT_NEAR(LillieforsQuantile(20, 0.05), 0.1934176758428456, 1e-15);
    EXPECT_NEAR(LillieforsQuantile(100, 0.01), 0.10118198611344052, 1e-15);
}

TEST(StatisKS, NormalityTestsWorkOnTheCallersVector) {
    const std::vector<double> Data{0.3, -1.2, 2.5, 0.1, -0.4, 1.7, -2.2, 0.05, 0.9, -0.7};
    const auto Fill = [&](TVector& V) {
        V.SetNrOfElem(static_cast<std::int32_t>(Data.size()));
        for (std::size_t i = 0; i < Data.size(); ++i) V.SetElem(static_cast<std::int32_t>(i + 1), Data[i]);
    };
    TVector V(nullptr);
    Fill(V);
    int Exchanges = 0;
    V.OnSortExchange = [&](TObject*, std::uint8_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
        ++Exchanges;
    };
    // scipy.stats.kstest(data, 'norm').statistic
    EXPECT_NEAR(PerformKSNormalityTest(&V, false), 0.15543453724145695, 1e-9);
    EXPECT_GT(Exchanges, 0);
    for (std::int32_t i = 2; i <= V.NrOfElem(); ++i) EXPECT_LE(V.Elem(i - 1), V.Elem(i));

    // IsSorted: the vector is taken as it is (here unsorted, so the distance differs).
    Fill(V);
    Exchanges = 0;
    const double Unsorted = PerformKSNormalityTest(&V, true);
    EXPECT_EQ(Exchanges, 0);
    EXPECT_EQ(V.Elem(1), 0.3);
    EXPECT_NE(Unsorted, 0.15543453724145695);

    // Lilliefors: sorted, then standardised in place (sample standard deviation);
    // scipy.stats.kstest((x - x.mean()) / x.std(ddof=1), 'norm').statistic
    Fill(V);
    EXPECT_NEAR(PerformLillieforsTest(&V, false), 0.14337434216289546, 1e-9);
    double Mean, Var;
    V.MeanVar(0, 0, Mean, Var);
    EXPECT_NEAR(Mean, 0, 1e-15);
    EXPECT_NEAR(Var, 1, 1e-14);
    EXPECT_LT(V.Elem(1), V.Elem(2));

    // Two elements are only centred.
    V.SetNrOfElem(2);
    V.SetElem(1, 3);
    V.SetElem(2, 1);
    PerformLillieforsTest(&V, false);
    EXPECT_EQ(V.Elem(1), -1);
    EXPECT_EQ(V.Elem(2), 1);

    EXPECT_EQ(PerformKSNormalityTest(nullptr, false), 0);
    EXPECT_EQ(PerformLillieforsTest(nullptr, true), 0);
}

}  // namespace
