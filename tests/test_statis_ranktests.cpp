// Wilcoxon signed-rank critical values, Friedman's test, Levene's test and the one-way ANOVA.
#include "qmr_test_support.h"

#include "analysis/detail/QMR_statis_tables.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
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
    // read at ln alpha (two-sided) or ln 2 alpha, rounded, clamped at 0. n > 100:
    // n(n + 1)/4 - z sqrt(n(n + 1)(2n + 1)/24) with scipy's normal quantile.
    struct Case {
        int n;
        double Alpha;
        bool Two;
        int Want;
    };
    for (const Case& C : std::vector<Case>{
             {8, 0.1, true, 5}, {8, 0.03, true, 2}, {8, 0.2, true, 7}, {8, 0.004, false, 0}, {8, 0.0005, true, 0},
             {9, 0.1, true, 8}, {9, 0.03, true, 4}, {9, 0.004, false, 1}, {9, 0.0005, true, 0},
             {11, 0.2, true, 16}, {11, 0.004, false, 4}, {20, 0.0005, true, 18}, {20, 0.03, true, 47},
             {50, 0.1, true, 465}, {50, 0.025, false, 435}, {100, 0.03, true, 1896}, {100, 0.004, false, 1755},
             {101, 0.05, true, 1997}, {500, 0.01, false, 55105}, {5000, 0.001, true, 5915362},
             // Range: n, alpha (NaN refused), a result beyond 32 bits.
             {7, 0.05, true, -1}, {1000001, 0.05, true, -1}, {8, 0.0004, true, -1}, {8, 0.2000001, true, -1},
             {50, NaN, true, -1}, {92900, 0.2, false, -1}, {1000000, 0.05, true, -1}}) {
        EXPECT_EQ(WilcoxonSRQuantile(C.n, C.Alpha, C.Two), C.Want) << C.n << " " << C.Alpha << " " << C.Two;
    }
    // Near the 32-bit limit: 2146226562.57 (the quantile's last digits move it by ~2).
    EXPECT_NEAR(WilcoxonSRQuantile(93000, 0.05, true), 2146226563.0, 3.0);
    for (int n : {8, 9, 10, 15, 60, 100, 101, 2000})
        EXPECT_EQ(WilcoxonSRQuantile(n, 0.05, false), WilcoxonSRQuantile(n, 0.1, true)) << n;
}

TMatrix* MatrixOf(const std::vector<std::vector<double>>& Rows) {
    auto* M = new TMatrix(nullptr);
    M->Resize(static_cast<std::int32_t>(Rows[0].size()), static_cast<std::int32_t>(Rows.size()));
    for (std::size_t r = 0; r < Rows.size(); ++r)
        for (std::size_t c = 0; c < Rows[r].size(); ++c)
            M->SetElem(static_cast<std::int32_t>(c + 1), static_cast<std::int32_t>(r + 1), Rows[r][c]);
    return M;
}

TEST(FriedmanTest, AgreesWithScipyAndHandlesTies) {
    // scipy.stats.friedmanchisquare statistic; p from mpmath's regularised gamma.
    struct Case {
        std::vector<std::vector<double>> Rows;
        double Chi2, P;
    };
    for (const Case& C : std::vector<Case>{
             {{{7.0, 9.9, 8.5, 6.1}, {5.2, 6.4, 6.0, 5.9}, {8.8, 9.5, 9.1, 8.0}, {6.6, 8.1, 7.7, 6.3}, {7.4, 8.0, 8.8, 7.1}},
              13.08, 0.0044667563699977095},
             // Ties within rows and one fully tied row.
             {{{1, 2, 2, 3}, {4, 4, 4, 4}, {3, 1, 2, 2}, {5, 5, 1, 5}, {2, 3, 1, 4}, {1, 1, 2, 2}},
              3.928571428571429, 0.26928114172552413},
             {{{3, 1, 2, 5, 4}, {2, 1, 3, 4, 5}, {1, 2, 3, 4, 5}, {5, 4, 3, 1, 2}, {1, 3, 2, 5, 4}, {2, 1, 4, 3, 5},
               {1, 2, 3, 5, 4}},
              10.628571428571433, 0.031071288851337747}}) {
        std::unique_ptr<TMatrix> M(MatrixOf(C.Rows));
        double Chi2 = -1;
        const double P = FriedmanTest(M.get(), Chi2);
        ExpectRel(Chi2, C.Chi2, 1e-12, "chi2");
        ExpectRel(P, C.P, 1e-12, "p");
    }
    // Every row fully tied: 0 / 0 in the tie correction.
    std::unique_ptr<TMatrix> Tied(MatrixOf({{2, 2, 2}, {5, 5, 5}}));
    double Chi2 = -1;
    EXPECT_EQ(FriedmanTest(Tied.get(), Chi2), 1.0);
    EXPECT_EQ(Chi2, 0.0);
    // Refusals leave Chi2 untouched.
    std::unique_ptr<TMatrix> Two(MatrixOf({{1, 2}, {2, 1}})), NoRows(new TMatrix(nullptr));
    NoRows->Resize(4, 0);
    Chi2 = 5;
    for (const TMatrix* M : std::initializer_list<const TMatrix*>{nullptr, Two.get(), NoRows.get()})
        EXPECT_EQ(FriedmanTest(M, Chi2), -1.0);
    EXPECT_EQ(Chi2, 5.0);
}

struct TSample {
    std::unique_ptr<TVector> Data{new TVector(nullptr)};
    std::unique_ptr<TIntVector> Groups{new TIntVector(nullptr)};
    TSample(const std::vector<double>& X, const std::vector<std::int32_t>& G) {
        Data->Resize(static_cast<std::int32_t>(X.size()));
        Groups->Resize(static_cast<std::int32_t>(G.size()));
        for (std::size_t i = 0; i < X.size(); ++i) Data->SetElem(static_cast<std::int32_t>(i + 1), X[i]);
        for (std::size_t i = 0; i < G.size(); ++i) Groups->SetElem(static_cast<std::int32_t>(i + 1), G[i]);
    }
};

struct TAnova {
    double SSb = -7, SSw = -7, SSt = -7, F = -7;
    std::int32_t Dfb = -7, Dfw = -7, Dft = -7;
    double Run(const TVector* D, const TIntVector* G) { return Anova1F(D, G, SSb, SSw, SSt, Dfb, Dfw, Dft, F); }
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
    struct Case {
        std::vector<double> X;
        std::vector<std::int32_t> G;
        double LeveneF, LeveneP, SSb, SSw, SSt, AnovaF, AnovaP;
    };
    for (const Case& C : std::vector<Case>{
             {{4.2, 5.1, 3.9, 6.0, 5.5, 7.1, 6.8, 7.4, 6.2, 3.3, 2.9, 4.0, 3.6}, {1, 1, 1, 2, 2, 2, 2, 3, 3, 1, 3, 3, 2},
              2.9275374516074746, 0.099806427268698685, 6.2480769230769235, 21.895, 28.143076923076922,
              1.4268273402778997, 0.2850144368902255},
             {{10.5, 11.2, 9.8, 10.1, 14.0, 13.2, 15.1, 12.9, 9.0, 9.5, 8.7, 10.0, 11.1, 12.5, 7.7},
              {-3, -3, -3, -3, 7, 7, 7, 7, 0, 0, 0, 0, 5, 5, 5},
              4.534451230797705, 0.026551066615119656, 45.31733333333333, 17.166666666666664, 62.483999999999995,
              9.679430420711975, 0.0020278816602903781},
             {Offset, OffsetGroups, 0.08928046052974216, 0.96521013615896131, 13.491631381211254, 453.9747332884804,
              467.4663646696917, 0.22784492837304557, 0.87604099342965215}}) {
        TSample S(C.X, C.G);
        double F = 0;
        ExpectRel(LeveneTest(S.Data.get(), S.Groups.get(), F), C.LeveneP, 1e-12, "levene p");
        ExpectRel(F, C.LeveneF, 1e-12, "levene F");
        TAnova A;
        ExpectRel(A.Run(S.Data.get(), S.Groups.get()), C.AnovaP, 1e-12, "anova p");
        ExpectRel(A.F, C.AnovaF, 1e-12, "anova F");
        ExpectRel(A.SSb, C.SSb, 1e-12, "SSbetween");
        ExpectRel(A.SSw, C.SSw, 1e-12, "SSwithin");
        ExpectRel(A.SSt, C.SSt, 1e-12, "SStotal");
        const auto n = static_cast<std::int32_t>(C.X.size()),
                   k = static_cast<std::int32_t>(std::set<std::int32_t>(C.G.begin(), C.G.end()).size());
        EXPECT_TRUE(A.Dfb == k - 1 && A.Dfw == n - k && A.Dft == n - 1);
    }
}

TEST(LeveneAndAnova, ManyGroupsMatchABruteForceGrouping) {
    // 300 groups with scattered codes (the code index grows several times): the sums of
    // squares of a std::map grouping with two passes in long double.
    std::mt19937 Gen(7);
    std::uniform_int_distribution<std::int32_t> Code(-1000000, 1000000);
    std::vector<std::int32_t> Codes(300);
    for (auto& c : Codes) c = Code(Gen) * 2;  // even, so codes never coincide by chance below
    std::vector<double> X(6000);
    std::vector<std::int32_t> G(6000);
    std::normal_distribution<double> Noise(0, 1);
    for (std::size_t i = 0; i < X.size(); ++i) {
        G[i] = Codes[(i * 7919) % Codes.size()];
        X[i] = 50 + 1e-3 * static_cast<double>(G[i] % 1000) + Noise(Gen);
    }
    std::map<std::int32_t, std::vector<double>> By;
    for (std::size_t i = 0; i < X.size(); ++i) By[G[i]].push_back(X[i]);
    long double Grand = 0, SSw = 0, SSb = 0;
    for (double v : X) Grand += v;
    Grand /= X.size();
    for (const auto& [c, v] : By) {
        long double m = 0;
        for (double u : v) m += u;
        m /= v.size();
        for (double u : v) SSw += (u - m) * (u - m);
        SSb += v.size() * (m - Grand) * (m - Grand);
    }
    TSample S(X, G);
    TAnova A;
    A.Run(S.Data.get(), S.Groups.get());
    EXPECT_EQ(A.Dfb, 299);
    ExpectRel(A.SSw, static_cast<double>(SSw), 1e-12, "SSwithin");
    ExpectRel(A.SSb, static_cast<double>(SSb), 1e-11, "SSbetween");
}

TEST(LeveneAndAnova, CodesAndUntouchedOutputs) {
    TSample Good({1, 2, 3, 4, 6}, {1, 1, 2, 2, 2}), Short({1, 2, 3}, {1, 2}), OneGroup({1, 2, 3}, {4, 4, 4}),
        Singles({1, 2, 3}, {1, 2, 3}), Equal({5, 5, 5, 5}, {1, 2, 1, 2}), Means({2, 2, 7, 7, 7}, {1, 1, 2, 2, 2});
    struct Case {
        const TVector* D;
        const TIntVector* G;
        double Code;
    };
    for (const Case& C : std::vector<Case>{{nullptr, Good.Groups.get(), -4},
                                           {Good.Data.get(), nullptr, -4},
                                           {Short.Data.get(), Short.Groups.get(), -4},
                                           {OneGroup.Data.get(), OneGroup.Groups.get(), -1},
                                           {Singles.Data.get(), Singles.Groups.get(), -2}}) {
        double F = -7;
        EXPECT_EQ(LeveneTest(C.D, C.G, F), C.Code);
        EXPECT_EQ(F, -7.0);
        TAnova A;
        EXPECT_EQ(A.Run(C.D, C.G), C.Code);
        EXPECT_TRUE(A.F == -7 && A.SSb == -7 && A.SSw == -7 && A.SSt == -7 && A.Dfb == -7 && A.Dfw == -7 &&
                    A.Dft == -7);
    }
    // All equal: -3 with F = 0; the sums of squares and degrees of freedom are set.
    double F = -7;
    EXPECT_EQ(LeveneTest(Equal.Data.get(), Equal.Groups.get(), F), -3.0);
    EXPECT_EQ(F, 0.0);
    TAnova A;
    EXPECT_EQ(A.Run(Equal.Data.get(), Equal.Groups.get()), -3.0);
    EXPECT_TRUE(A.F == 0 && A.SSb == 0 && A.SSw == 0 && A.SSt == 0 && A.Dfb == 1 && A.Dfw == 2 && A.Dft == 3);
    // Members at their group means, means apart: F = uc_MaxReal, result 0 (for Levene
    // every deviation is 0: -3).
    EXPECT_EQ(A.Run(Means.Data.get(), Means.Groups.get()), 0.0);
    EXPECT_EQ(A.F, uc_MaxReal);
    EXPECT_EQ(A.SSb, 30.0);  // 2 (2 - 5)^2 + 3 (7 - 5)^2
    TSample Third({1.0, 1.0, 1.0, 0.3, 0.3, 0.3}, {3, 3, 3, 8, 8, 8});  // (d + d + d) / 3 != d
    EXPECT_EQ(A.Run(Third.Data.get(), Third.Groups.get()), 0.0);
    EXPECT_EQ(A.SSw, 0.0);
    EXPECT_EQ(LeveneTest(Means.Data.get(), Means.Groups.get(), F), -3.0);
    // A value that is not a number or infinite: F and the result are NaN, never a code.
    for (double Bad : {NaN, HUGE_VAL}) {
        for (std::size_t At : {0u, 3u}) {
            std::vector<double> X{1, 2, 3, 4, 6};
            X[At] = Bad;
            TSample S(X, {1, 1, 2, 2, 2});
            EXPECT_TRUE(std::isnan(LeveneTest(S.Data.get(), S.Groups.get(), F)) && std::isnan(F));
            TAnova B;
            EXPECT_TRUE(std::isnan(B.Run(S.Data.get(), S.Groups.get())) && std::isnan(B.F) && std::isnan(B.SSw));
            EXPECT_TRUE(B.Dfb == 1 && B.Dfw == 3 && B.Dft == 4);
        }
    }
}

}  // namespace
