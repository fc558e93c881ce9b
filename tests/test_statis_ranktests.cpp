// Wilcoxon signed-rank critical values, Friedman's test, Levene's test and the one-way ANOVA.
#include "qmr_test_support.h"

#include "analysis/detail/QMR_statis_tables.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <tuple>
#include <vector>

namespace {

using namespace qmr;
using qmr::test::NaN;

void ExpectRel(double Got, double Want, double Tol, const std::string& What) {
    EXPECT_LE(std::fabs(Got - Want), Tol * std::fabs(Want)) << What << ": " << Got << " vs " << Want;
}

TEST(WilcoxonSRQuantile, TableIsTheExactNullDistribution) {
    // P(W+ <= w) by the subset-sum recursion in doubles (the generator counts in exact
    // integers); the levels' halves are never hit exactly (a factor 5 in each denominator).
    for (int n = detail::WilcoxonSRLowN; n <= detail::WilcoxonSRHighN; ++n) {
        std::vector<double> P(static_cast<std::size_t>(n * (n + 1) / 2 + 1), 0.0);
        P[0] = 1;
        for (int r = 1; r <= n; ++r)
            for (int s = n * (n + 1) / 2; s >= 0; --s) P[s] = (P[s] + (s >= r ? P[s - r] : 0.0)) / 2;
        for (int L = 0; L < detail::WilcoxonSRLevels; ++L) {
            double Cdf = 0;
            int Best = 0;
            for (int w = 0; Cdf + P[w] <= detail::WilcoxonSRLevelValues[L] / 2; ++w) Cdf += P[w], Best = w;
            EXPECT_EQ(detail::WilcoxonSRCritical[n - detail::WilcoxonSRLowN][L], Best) << n << " " << L;
        }
    }
}

TEST(WilcoxonSRQuantile, FittedParabolaNormalApproximationAndRange) {
    // n <= 100: numpy.polyfit of (ln level, table value) over the first 3/4/5 levels,
    // read at ln alpha (two-sided) or ln 2 alpha, rounded, clamped at 0 (n = 10 over 5
    // levels would give 13 and 1). n > 100: n(n + 1)/4 - z sqrt(n(n + 1)(2n + 1)/24) with
    // scipy's normal quantile. Then the range: n, alpha (NaN refused), a result beyond 32 bits.
    for (const auto& [n, Alpha, Two, Want] : std::vector<std::tuple<int, double, bool, int>>{
             {8, 0.1, true, 5}, {8, 0.03, true, 2}, {8, 0.2, true, 7}, {8, 0.004, false, 0}, {8, 0.0005, true, 0},
             {9, 0.1, true, 8}, {9, 0.03, true, 4}, {9, 0.004, false, 1}, {9, 0.0005, true, 0}, {10, 0.2, true, 12},
             {10, 0.004, true, 0}, {11, 0.2, true, 16}, {11, 0.004, false, 4}, {20, 0.0005, true, 18},
             {20, 0.03, true, 47}, {50, 0.1, true, 465}, {50, 0.025, false, 435}, {100, 0.03, true, 1896},
             {100, 0.004, false, 1755}, {101, 0.05, true, 1997}, {500, 0.01, false, 55105},
             {5000, 0.001, true, 5915362}, {7, 0.05, true, -1}, {1000001, 0.05, true, -1}, {8, 0.0004, true, -1},
             {8, 0.2000001, true, -1}, {50, NaN, true, -1}, {92900, 0.2, false, -1}, {1000000, 0.05, true, -1}})
        EXPECT_EQ(WilcoxonSRQuantile(n, Alpha, Two), Want) << n << " " << Alpha << " " << Two;
    // Near the 32-bit limit: 2146226562.57 (the quantile's last digits move it by ~2).
    EXPECT_NEAR(WilcoxonSRQuantile(93000, 0.05, true), 2146226563.0, 3.0);
    for (int n : {8, 9, 10, 15, 60, 100, 101, 2000})
        EXPECT_EQ(WilcoxonSRQuantile(n, 0.05, false), WilcoxonSRQuantile(n, 0.1, true)) << n;
}

TEST(FriedmanTest, AgreesWithScipyHandlesTiesAndRefuses) {
    // scipy.stats.friedmanchisquare statistic; p from mpmath's regularised gamma. The
    // second case has ties within rows and one fully tied row.
    using Grid = std::vector<std::vector<double>>;
    for (const auto& [Rows, Chi2W, PW] : std::vector<std::tuple<Grid, double, double>>{
             {{{7.0, 9.9, 8.5, 6.1}, {5.2, 6.4, 6.0, 5.9}, {8.8, 9.5, 9.1, 8.0}, {6.6, 8.1, 7.7, 6.3}, {7.4, 8.0, 8.8, 7.1}},
              13.08, 0.0044667563699977095},
             {{{1, 2, 2, 3}, {4, 4, 4, 4}, {3, 1, 2, 2}, {5, 5, 1, 5}, {2, 3, 1, 4}, {1, 1, 2, 2}}, 3.928571428571429,
              0.26928114172552413},
             {{{3, 1, 2, 5, 4}, {2, 1, 3, 4, 5}, {1, 2, 3, 4, 5}, {5, 4, 3, 1, 2}, {1, 3, 2, 5, 4}, {2, 1, 4, 3, 5},
               {1, 2, 3, 5, 4}},
              10.628571428571433, 0.031071288851337747}}) {
        TMatrix M(nullptr);
        test::SetRows(M, Rows);
        double Chi2 = -1;
        ExpectRel(FriedmanTest(&M, Chi2), PW, 1e-12, "p");
        ExpectRel(Chi2, Chi2W, 1e-12, "chi2");
    }
    // Every row fully tied: 0 / 0 in the tie correction gives Chi2 = 0 and 1.
    TMatrix Tied(nullptr), Two(nullptr), NoRows(nullptr);
    test::SetRows(Tied, {{2, 2, 2}, {5, 5, 5}});
    double Chi2 = -1;
    EXPECT_EQ(FriedmanTest(&Tied, Chi2), 1.0);
    EXPECT_EQ(Chi2, 0.0);
    // Refusals leave Chi2 untouched.
    test::SetRows(Two, {{1, 2}, {2, 1}});
    NoRows.Resize(4, 0);
    Chi2 = 5;
    for (const TMatrix* M : std::initializer_list<const TMatrix*>{nullptr, &Two, &NoRows})
        EXPECT_EQ(FriedmanTest(M, Chi2), -1.0);
    EXPECT_EQ(Chi2, 5.0);
}

struct TSample {
    TVector Data{nullptr};
    TIntVector Groups{nullptr};
    TSample(const std::vector<double>& X, const std::vector<std::int32_t>& G) {
        test::SetValues(Data, X);
        test::SetValues(Groups, G);
    }
};

// Anova1F with every output preset to -7.
struct TAnova {
    double SSb = -7, SSw = -7, SSt = -7, F = -7;
    std::int32_t Dfb = -7, Dfw = -7, Dft = -7;
    double Run(const TVector* D, const TIntVector* G) { return Anova1F(D, G, SSb, SSw, SSt, Dfb, Dfw, Dft, F); }
    double Run(const TSample& S) { return Run(&S.Data, &S.Groups); }
};

TEST(LeveneAndAnova, AgreeWithExactValues) {
    // Python fractions (sums of squares, F of both tests), mpmath's regularised beta (p).
    // The third sample sits at 3e8: the raw sums of squares would cancel completely.
    std::vector<double> Offset;
    std::vector<std::int32_t> OffsetGroups;
    for (int i = 0; i < 27; ++i) {
        Offset.push_back(3e8 + ((i * 37) % 101) / 7.0 - 3);
        OffsetGroups.push_back(i % 4);
    }
    // Levene F, p; ANOVA SSbetween, SSwithin, SStotal, F, p.
    using Want = std::array<double, 7>;
    for (const auto& [X, G, W] : std::vector<std::tuple<std::vector<double>, std::vector<std::int32_t>, Want>>{
             {{4.2, 5.1, 3.9, 6.0, 5.5, 7.1, 6.8, 7.4, 6.2, 3.3, 2.9, 4.0, 3.6}, {1, 1, 1, 2, 2, 2, 2, 3, 3, 1, 3, 3, 2},
              {2.9275374516074746, 0.099806427268698685, 6.2480769230769235, 21.895, 28.143076923076922,
               1.4268273402778997, 0.2850144368902255}},
             {{10.5, 11.2, 9.8, 10.1, 14.0, 13.2, 15.1, 12.9, 9.0, 9.5, 8.7, 10.0, 11.1, 12.5, 7.7},
              {-3, -3, -3, -3, 7, 7, 7, 7, 0, 0, 0, 0, 5, 5, 5},
              {4.534451230797705, 0.026551066615119656, 45.31733333333333, 17.166666666666664, 62.483999999999995,
               9.679430420711975, 0.0020278816602903781}},
             {Offset, OffsetGroups,
              {0.08928046052974216, 0.96521013615896131, 13.491631381211254, 453.9747332884804, 467.4663646696917,
               0.22784492837304557, 0.87604099342965215}}}) {
        TSample S(X, G);
        double F = 0;
        ExpectRel(LeveneTest(&S.Data, &S.Groups, F), W[1], 1e-12, "levene p");
        TAnova A;
        const double P = A.Run(S);
        const std::array<double, 7> Got{F, 0, A.SSb, A.SSw, A.SSt, A.F, P};
        for (std::size_t i : {0, 2, 3, 4, 5, 6}) ExpectRel(Got[i], W[i], 1e-12, "value " + std::to_string(i));
        const auto n = static_cast<std::int32_t>(X.size()),
                   k = static_cast<std::int32_t>(std::set(G.begin(), G.end()).size());
        EXPECT_TRUE(A.Dfb == k - 1 && A.Dfw == n - k && A.Dft == n - 1);
    }
}

TEST(LeveneAndAnova, ManyGroupsMatchABruteForceGrouping) {
    // 300 groups with scattered codes (the code index grows several times): the sums of
    // squares of a std::map grouping with two passes in long double.
    std::mt19937 Gen(7);
    std::uniform_int_distribution<std::int32_t> Code(-1000000, 1000000);
    std::normal_distribution<double> Noise(0, 1);
    std::vector<std::int32_t> Codes(300), G(6000);
    for (auto& c : Codes) c = Code(Gen) * 2;  // even, so codes never coincide by chance below
    std::vector<double> X(6000);
    std::map<std::int32_t, std::vector<double>> By;
    long double Grand = 0, SSw = 0, SSb = 0;
    for (std::size_t i = 0; i < X.size(); ++i) {
        G[i] = Codes[(i * 7919) % Codes.size()];
        X[i] = 50 + 1e-3 * static_cast<double>(G[i] % 1000) + Noise(Gen);
        By[G[i]].push_back(X[i]);
        Grand += X[i] / static_cast<long double>(X.size());
    }
    for (const auto& [c, v] : By) {
        long double m = 0;
        for (double u : v) m += u / static_cast<long double>(v.size());
        for (double u : v) SSw += (u - m) * (u - m);
        SSb += v.size() * (m - Grand) * (m - Grand);
    }
    TAnova A;
    A.Run(TSample(X, G));
    EXPECT_EQ(A.Dfb, 299);
    ExpectRel(A.SSw, static_cast<double>(SSw), 1e-12, "SSwithin");
    ExpectRel(A.SSb, static_cast<double>(SSb), 1e-11, "SSbetween");
}

TEST(LeveneAndAnova, CodesUntouchedOutputsAndNaN) {
    const TSample Good({1, 2, 3, 4, 6}, {1, 1, 2, 2, 2}), Short({1, 2, 3}, {1, 2}), OneGroup({1, 2, 3}, {4, 4, 4}),
        Singles({1, 2, 3}, {1, 2, 3}), Equal({5, 5, 5, 5}, {1, 2, 1, 2}), Means({2, 2, 7, 7, 7}, {1, 1, 2, 2, 2}),
        Third({1.0, 1.0, 1.0, 0.3, 0.3, 0.3}, {3, 3, 3, 8, 8, 8});  // (d + d + d) / 3 != d
    for (const auto& [D, G, Code] : std::vector<std::tuple<const TVector*, const TIntVector*, double>>{
             {nullptr, &Good.Groups, -4}, {&Good.Data, nullptr, -4}, {&Short.Data, &Short.Groups, -4},
             {&OneGroup.Data, &OneGroup.Groups, -1}, {&Singles.Data, &Singles.Groups, -2}}) {
        double F = -7;
        EXPECT_EQ(LeveneTest(D, G, F), Code);
        EXPECT_EQ(F, -7.0);
        TAnova A;
        EXPECT_EQ(A.Run(D, G), Code);
        EXPECT_TRUE(A.F == -7 && A.SSb == -7 && A.SSw == -7 && A.SSt == -7);
        EXPECT_TRUE(A.Dfb == -7 && A.Dfw == -7 && A.Dft == -7);
    }
    // All equal: -3 with F = 0; the sums of squares and degrees of freedom are set.
    double F = -7;
    EXPECT_EQ(LeveneTest(&Equal.Data, &Equal.Groups, F), -3.0);
    EXPECT_EQ(F, 0.0);
    TAnova A;
    EXPECT_EQ(A.Run(Equal), -3.0);
    EXPECT_TRUE(A.F == 0 && A.SSb == 0 && A.SSw == 0 && A.SSt == 0 && A.Dfb == 1 && A.Dfw == 2 && A.Dft == 3);
    // Members at their group means, means apart: F = uc_MaxReal, result 0, SSb = 2 (2 -
    // 5)^2 + 3 (7 - 5)^2 (for Levene every deviation is 0: -3).
    EXPECT_EQ(A.Run(Means), 0.0);
    EXPECT_TRUE(A.F == uc_MaxReal && A.SSb == 30.0);
    EXPECT_EQ(A.Run(Third), 0.0);
    EXPECT_EQ(A.SSw, 0.0);
    EXPECT_EQ(LeveneTest(&Means.Data, &Means.Groups, F), -3.0);
    // A value that is not a number or infinite, first or later: F and the result are NaN.
    for (double Bad : {NaN, HUGE_VAL})
        for (std::size_t At : {0u, 3u}) {
            std::vector<double> X{1, 2, 3, 4, 6};
            X[At] = Bad;
            const TSample S(X, {1, 1, 2, 2, 2});
            EXPECT_TRUE(std::isnan(LeveneTest(&S.Data, &S.Groups, F)) && std::isnan(F));
            EXPECT_TRUE(std::isnan(A.Run(S)) && std::isnan(A.F) && std::isnan(A.SSw));
            EXPECT_TRUE(A.Dfb == 1 && A.Dfw == 3 && A.Dft == 4);
        }
}

}  // namespace
