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
        double d, Ref, Tol;
    } Cases[] = {
        // scipy.stats.kstwo.sf(d, n) (exact for n <= 140 below n d^2 = 4; the tail of the
        // Smirnov distribution doubled above, off by far less than 1e-12 there)
        {1, 0.7, 0.6000000000000001, 1e-12}, {3, 0.5, 0.3333333333333333, 1e-12}, {10, 0.2, 0.7487190399999999, 1e-12},
        {20, 0.35, 0.01075496344438931, 1e-12}, {50, 0.15, 0.19026366518248072, 1e-12},
        {100, 0.12, 0.1033037490181987, 1e-12}, {140, 0.05, 0.857648029765611, 1e-12},
        {99, 0.19, 0.001327167593568163, 1e-12}, {140, 0.16, 0.0013440163244194184, 1e-12},
        {138, 0.16181673498456065, 0.001264176390626565, 1e-12},
        // the same matrix power in mpmath at 40 digits
        {1000, 0.04, 0.079339554975401223647, 1e-12}, {400, 0.06, 0.10777126814683762521, 1e-12},
        // scipy.stats._ksstats._kolmogn_DMTW (the exact matrix power), order 297 here and
        // above 1000 (Pelz-Good) in the rest
        {10000, 0.014832396974191326, 0.02431016269616507932, 1e-11},
        {70000, 0.007270291799999699, 0.0012165172878372400669, 1e-10},
        {100000, 0.005099019513592785, 0.0109954816991720679895, 1e-10},
        {300000, 0.002, 0.18105935574260768878, 1e-10},
        // twice the one-sided Birnbaum-Tingey sum (numpy, in logs; scipy's kstwo is 3e-9 off here)
        {2000000, 0.0013601470508735444, 0.0012213947934348348, 1e-10},
        {2, 0.74, 0.1352, 1e-12}, {1, 0.46, 1.0, 1e-12},  // (2h - 1)^m added only for h > 1/2
        // n d <= 1/2: D_n >= 1/(2n) always; d >= 1: never
        {7, 0.05, 1.0, 1e-12}, {1, 0.5, 1.0, 0}, {2, 1.0, 0.0, 0}, {3, 1.2, 0.0, 1e-15},
    };
    for (const auto& C : Cases) EXPECT_NEAR(KSPValue(C.n, C.d), C.Ref, C.Tol) << C.n << " " << C.d;
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
    // n d^2 equal to the limit in double: still the exact branch
    for (const auto& [n, d] : {std::pair{2, 1.9026297590440449}, {102, 0.19199673199833173}})
        EXPECT_NE(KSPValue(n, d), Asymptotic(n, d)) << n;
    for (const auto& [n, d] : {std::pair{0, 0.3}, {-5, 0.3}, {10, 0.0}, {10, -0.2}}) EXPECT_EQ(KSPValue(n, d), 1);
    EXPECT_TRUE(std::isnan(KSPValue(10, std::numeric_limits<double>::quiet_NaN())));
}

TEST(StatisKS, CriticalValues) {
    const auto Bad = static_cast<TSignifLevel>(5);
    const struct {
        double Got, Want;
    } Cases[] = {
        {KolmogSmir1SampleTestStat(1, TSignifLevel::Dot20), 0.900},
        {KolmogSmir1SampleTestStat(13, TSignifLevel::Dot10), 0.325},
        {KolmogSmir1SampleTestStat(20, TSignifLevel::Dot01), 0.356},
        {KolmogSmir1SampleTestStat(21, TSignifLevel::Dot05), 1.358 / std::sqrt(21.0)},
        {KolmogSmir1SampleTestStat(400, TSignifLevel::Dot15), 1.138 / 20},
        {KolmogSmir1SampleTestStat(0, TSignifLevel::Dot05), -1}, {KolmogSmir1SampleTestStat(5, Bad), -1},
        {KSQuantile(0, TSignifLevel::Dot05), -1}, {KSQuantile(-3, TSignifLevel::Dot01), -1}, {KSQuantile(5, Bad), -1},
        // Lilliefors closed forms evaluated in Python (double)
        {LillieforsPValue(5, 0.2), -1}, {LillieforsPValue(-1, 0.2), -1}, {LillieforsPValue(50, 0.01), 1},
    };
    for (std::size_t i = 0; i < std::size(Cases); ++i) EXPECT_EQ(Cases[i].Got, Cases[i].Want) << "case " << i;
    const double Signif[] = {0.20, 0.15, 0.10, 0.05, 0.01};
    for (std::int32_t n : {1, 4, 12, 35, 300})
        for (int l = 0; l < 5; ++l)
            EXPECT_NEAR(KSPValue(n, KSQuantile(n, static_cast<TSignifLevel>(l))), Signif[l], 1e-4) << n << " " << l;
    const struct {
        double Got, Want;
    } Lf[] = {{LillieforsPValue(6, 0.3), 0.09803982039428039},   {LillieforsPValue(20, 0.2), 0.03507618544732804},
              {LillieforsPValue(100, 0.05), 0.7474506816217762}, {LillieforsPValue(400, 0.05), 0.01790208282857655},
              {LillieforsPValue(101, 0.05), 0.7398400308168681},
              {LillieforsQuantile(20, 0.05), 0.1934176758428456}, {LillieforsQuantile(100, 0.01), 0.10118198611344052}};
    for (const auto& L : Lf) EXPECT_NEAR(L.Got, L.Want, 1e-15);
    for (double d = 0; d <= 1; d += 0.01) EXPECT_LE(LillieforsPValue(30, d), 1.0);
}

TEST(StatisKS, NormalityTestsWorkOnTheCallersVector) {
    const std::vector<double> Data{0.3, -1.2, 2.5, 0.1, -0.4, 1.7, -2.2, 0.05, 0.9, -0.7};
    TVector V(nullptr);
    const auto Fill = [&](const std::vector<double>& X) {
        V.SetNrOfElem(static_cast<std::int32_t>(X.size()));
        for (std::size_t i = 0; i < X.size(); ++i) V.SetElem(static_cast<std::int32_t>(i + 1), X[i]);
    };
    int Exchanges = 0;
    V.OnSortExchange = [&](TObject*, std::uint8_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
        ++Exchanges;
    };
    const auto Sorted = [&] {
        for (std::int32_t i = 2; i <= V.NrOfElem(); ++i)
            if (V.Elem(i - 1) > V.Elem(i)) return false;
        return true;
    };
    // scipy.stats.kstest(data, 'norm').statistic
    Fill(Data);
    EXPECT_NEAR(PerformKSNormalityTest(&V, false), 0.15543453724145695, 1e-9);
    EXPECT_TRUE(Exchanges > 0 && Sorted());
    // IsSorted: the vector is taken as it is (here unsorted, so the distance differs).
    Fill(Data);
    Exchanges = 0;
    EXPECT_NE(PerformKSNormalityTest(&V, true), 0.15543453724145695);
    EXPECT_TRUE(Exchanges == 0 && V.Elem(1) == 0.3);
    // Lilliefors: sorted, then standardised in place (sample standard deviation);
    // scipy.stats.kstest((x - x.mean()) / x.std(ddof=1), 'norm').statistic
    Fill(Data);
    EXPECT_NEAR(PerformLillieforsTest(&V, false), 0.14337434216289546, 1e-9);
    double Mean, Var;
    V.MeanVar(0, 0, Mean, Var);
    EXPECT_NEAR(Mean, 0, 1e-15);
    EXPECT_NEAR(Var, 1, 1e-14);
    EXPECT_TRUE(Sorted());
    // Two elements are only centred.
    Fill({3, 1});
    PerformLillieforsTest(&V, false);
    EXPECT_TRUE(V.Elem(1) == -1 && V.Elem(2) == 1);
    EXPECT_EQ(PerformKSNormalityTest(nullptr, false), 0);
    EXPECT_EQ(PerformLillieforsTest(nullptr, true), 0);
}

}  // namespace
