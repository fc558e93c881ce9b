// TCurveFit: Kendall's tau-b, Kruskal's gamma, Spearman's rho and the ASC table.
#include "qmr_test_support.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace qmr::detail {
struct TCurveFitAccess {
    static const TCurveFitSums& Sums(const TCurveFit& C) { return C.FSums; }
    static std::array<std::int64_t, 4> Counts(const TCurveFit& C) {
        double p;
        C.KendallsTau(p);
        return {C.FKendallConcord, C.FKendallDiscord, C.FKendallTies1, C.FKendallTies2};
    }
};
}  // namespace qmr::detail

namespace {

using namespace qmr;
using Acc = detail::TCurveFitAccess;
using Pairs = std::vector<std::pair<double, double>>;

void Fill(TCurveFit& C, const Pairs& P) {
    for (auto [x, y] : P) C.EnterStatValue(x, y);
}

// Concordant, discordant, tied in y only, tied in x only: every pair by itself.
std::array<std::int64_t, 4> BruteCounts(const Pairs& P) {
    std::array<std::int64_t, 4> N{};
    auto Sign = [](double a, double b) { return (a > b) - (a < b); };
    for (std::size_t i = 0; i < P.size(); ++i)
        for (std::size_t j = i + 1; j < P.size(); ++j) {
            const int h = Sign(P[i].first, P[j].first) * Sign(P[i].second, P[j].second);
            if (h != 0) {
                ++N[h > 0 ? 0 : 1];
                continue;
            }
            N[2] += P[i].first != P[j].first;  // with a NaN a pair may count as both
            N[3] += P[i].second != P[j].second;
        }
    return N;
}

TEST(CurveFitRanks, WorkedExamples) {
    struct Case {
        Pairs P;
        double Tau, Gamma, Spearman;
    } Cases[] = {{{{1, 1}, {2, 2}, {3, 3}}, 1, 1, 1},
                 {{{1, 1}, {1, 2}, {2, 3}}, 2 / std::sqrt(6.0), 1, 0.8660254037844387},  // scipy spearmanr
                 {{{1, 1}, {2, 2}}, 0, 1, 0},
                 {{{5, 1}, {5, 2}, {5, 3}}, 0, 0, 0},
                 {{{3, 1}, {2, 2}, {1, 3}, {0, 4}}, -1, -1, -1}};
    for (const auto& K : Cases) {
        TCurveFit C(nullptr);
        Fill(C, K.P);
        double p = -1;
        EXPECT_NEAR(C.KendallsTau(p), K.Tau, 1e-15) << K.P.size();
        if (K.P.size() < 3) {
            EXPECT_EQ(p, 0);
            EXPECT_EQ(C.KruskalGamma(), 0);
        } else {
            EXPECT_NEAR(C.KruskalGamma(), K.Gamma, 1e-15);
        }
        EXPECT_NEAR(C.SpearmanRankCorr(), K.Spearman, 1e-15);
    }
    TCurveFit C(nullptr);
    Fill(C, {{1, 1}, {1, 2}, {2, 3}});
    EXPECT_EQ(Acc::Counts(C), (std::array<std::int64_t, 4>{2, 0, 0, 1}));
}

TEST(CurveFitRanks, AgreeWithScipy) {
    const std::vector<double> X = {0.5, 1.25, 2.0, 3.5, 3.75, 5.0, 6.5, 7.25, 8.0, 9.5, 10.25, 12.0};
    const std::vector<double> Y = {2.1, 4.4, 2.9, 7.2, 5.1, 6.9, 12.6, 10.1, 9.8, 17.9, 13.0, 15.7};
    TCurveFit C(nullptr);
    for (std::size_t i = 0; i < X.size(); ++i) C.EnterStatValue(X[i], Y[i]);
    double p = 0;
    // scipy.stats.kendalltau(method='asymptotic'), spearmanr
    EXPECT_NEAR(C.KendallsTau(p), 0.7575757575757575, 1e-15);
    EXPECT_NEAR(p, 0.0006066417252270709, 2e-7);
    EXPECT_NEAR(C.SpearmanRankCorr(), 0.9230769230769231, 1e-14);

    // Ties in both: spearmanr 0.93812095999547; the counts change with the data.
    TCurveFit T(nullptr);
    const std::vector<double> TX = {1, 2, 2, 3, 4, 4, 4, 5, 6, 7}, TY = {2, 1, 3, 3, 5, 4, 6, 6, 8, 7};
    for (std::size_t i = 0; i < TX.size(); ++i) T.EnterStatValue(TX[i], TY[i]);
    EXPECT_NEAR(T.SpearmanRankCorr(), 0.93812095999547, 1e-14);
    const double Gamma = T.KruskalGamma();
    T.EnterStatValue(0, 100);
    EXPECT_NE(T.KruskalGamma(), Gamma);
    T.RemoveStatValue(T.NumData());
    EXPECT_EQ(T.KruskalGamma(), Gamma);
}

TEST(CurveFitRanks, MergeCountsEqualPairByPair) {
    std::mt19937 G(11);
    constexpr double Inf = std::numeric_limits<double>::infinity();
    const double Pool[] = {-Inf, -2, -0.0, 0.0, 1e-300, 3, 3.5, Inf};
    for (int Round = 0; Round < 40; ++Round) {
        const int n = 3 + Round * 7;
        Pairs P;
        std::uniform_int_distribution<int> Pick(0, Round % 2 ? 7 : 3);
        for (int i = 0; i < n; ++i) P.emplace_back(Pool[Pick(G)] + (Round % 3 == 0 ? 0 : i % 5), Pool[Pick(G)]);
        if (Round % 4 == 1) P[n / 2].second = std::nan("");  // pair-by-pair route
        TCurveFit C(nullptr);
        Fill(C, P);
        EXPECT_EQ(Acc::Counts(C), BruteCounts(P)) << Round;
    }
    // Steps of 1e-200 whose products underflow are still ordered.
    TCurveFit C(nullptr);
    for (int i = 1; i <= 5; ++i) C.EnterStatValue(i * 1e-200, -i * 1e-200);
    double p;
    EXPECT_EQ(C.KendallsTau(p), -1);
    EXPECT_EQ(C.KruskalGamma(), -1);
}

TEST(CurveFitRanks, SpearmanLargeTiedRuns) {
    // n = 3000 in ten runs of 300: the tie terms pass 32 bits; each column is a ranked
    // copy of the other, so rho is 1.
    TCurveFit C(nullptr);
    for (int i = 0; i < 3000; ++i) C.EnterStatValue(i / 300, 10 + i / 300);
    EXPECT_NEAR(C.SpearmanRankCorr(), 1, 1e-14);
    C.EnterStatValue(std::nan(""), 1);
    EXPECT_TRUE(std::isfinite(C.SpearmanRankCorr()));
}

// ---------------------------------------------------------------- ASC files

TEST(CurveFitFiles, ExportIsByteExact) {
    test::TempPath F("cf.asc");
    TCurveFit C(nullptr);
    Fill(C, {{1.5, -2}, {0.125, 1e3}});
    EXPECT_EQ(C.ExportAsASC(F.str(), "a\nb", 3), "");
    EXPECT_EQ(test::FileBytes(F.str()),
              "a b\r\n2\t;nr. of columns\r\n2\t;nr. of rows\r\n"
              "FALSE TRUE FALSE\t;row attributes, column names, row names\r\nx   y\r\n"
              "1.500\t-2.000\r\n0.125\t1000.000\r\n");
    EXPECT_EQ(C.ExportAsASC(F.str(), "", 0).size(), 0u);
    EXPECT_EQ(test::FileBytes(F.str()).substr(0, 40), "Exported by QMR TCurveFit component: " + F.str().substr(0, 3));
    const std::string Bad = F.str() + "/no/such/dir/x.asc";
    const std::string Msg = C.ExportAsASC(Bad, "", 2);
    EXPECT_NE(Msg.find(Bad), std::string::npos) << Msg;
}

TEST(CurveFitFiles, ImportRestoresPairsAndSums) {
    test::TempPath F("rt.asc");
    std::mt19937 G(5);
    std::uniform_int_distribution<int> U(-100000, 100000);
    TCurveFit C(nullptr), D(nullptr), Fresh(nullptr);
    for (int i = 0; i < 2500; ++i) {
        const double x = U(G) / 1024.0, y = U(G) / 64.0;  // exact in 10 decimals
        C.EnterStatValue(x, y);
        Fresh.EnterStatValue(x, y);
    }
    ASSERT_EQ(C.ExportAsASC(F.str(), "round trip", 10), "");
    D.EnterStatValue(77, 77);  // replaced, not added to
    D.SetSplineSmoothingFactor(0.25);
    ASSERT_EQ(D.ImportASC(F.str()), 0);
    ASSERT_EQ(D.NumData(), 2500);
    for (int i = 1; i <= 2500; i += 37) EXPECT_EQ(D.DataY(i), C.DataY(i));
    EXPECT_EQ(std::memcmp(&Acc::Sums(D), &Acc::Sums(Fresh), sizeof(detail::TCurveFitSums)), 0);
    EXPECT_EQ(D.MinX(), Fresh.MinX());
    EXPECT_EQ(D.SplineSmoothingFactor(), 0.25);
}

TEST(CurveFitFiles, FailedImportsLeaveTheObject) {
    test::TempPath F("bad.asc");
    const std::string Head = "c\r\n2\t;c\r\n2\t;r\r\n";
    struct Case {
        std::string Body;
        std::int32_t Want;
    } Cases[] = {
        {"FALSE TRUE FALSE\r\nx y\r\n1 2\r\n3 abc\r\n", 250},
        {"FALSE TRUE FALSE\r\nx y\r\n1 2\r\n3\r\n", 250},      // the file ends
        {"TRUE FALSE FALSE\r\n1 1 2\r\nq 3 4\r\n", 251},        // a row attribute
        {"FALSE FALSE FALSE TRUE\r\n1 2\r\n3 4\r\n", -7},       // nominal variables
        {"MAYBE\r\n", ascErrFlags},
        {"TRUE TRUE TRUE\r\n\"a b\" \"c\"\r\n9 \"r1\" 1 2\r\n9 \"r2\" 3 4\r\n", 0},
        {"FALSE FALSE FALSE\r\nNAN 2\r\n3 4\r\n", 250},
    };
    for (const auto& K : Cases) {
        test::WriteBytes(F.str(), Head + K.Body);
        TCurveFit C(nullptr);
        C.EnterStatValue(5, 6);
        EXPECT_EQ(C.ImportASC(F.str()), K.Want) << K.Body;
        if (K.Want == 0) {
            EXPECT_EQ(C.NumData(), 2);
            EXPECT_EQ(C.DataX(2), 3);
            EXPECT_EQ(C.MaxY(), 4);
        } else {
            EXPECT_EQ(C.NumData(), 1);
            EXPECT_EQ(C.DataX(1), 5);
            EXPECT_EQ(C.MeanY(), 6);
        }
    }
    // A header announcing 2e9 rows over two: refused without a large allocation.
    test::WriteBytes(F.str(), "c\n2\n2000000000\nFALSE TRUE FALSE\nx y\n1 2\n3 4\n");
    TCurveFit C(nullptr);
    EXPECT_EQ(C.ImportASC(F.str()), 250);
    EXPECT_EQ(C.ImportASC(F.str() + ".missing"), ascErrOpen);
    test::WriteBytes(F.str(), "c\n3\n1\nFALSE\n1 2 3\n");
    EXPECT_TRUE(test::ThrowsWith<EQMRMath2Error>(
        [&] { C.ImportASC(F.str()); }, "TCurveFit.ImportASC: number of columns must be 2 (is actually 3)."));
    EXPECT_EQ(C.NumData(), 0);
}

TEST(CurveFitFiles, RandomAndTruncatedInputs) {
    test::TempPath F("fz.asc");
    TCurveFit Src(nullptr);
    for (int i = 0; i < 20; ++i) Src.EnterStatValue(i * 0.5, 20 - i);
    ASSERT_EQ(Src.ExportAsASC(F.str(), "", 2), "");
    const std::string Good = test::FileBytes(F.str());
    std::mt19937 G(3);
    for (int Round = 0; Round < 400; ++Round) {
        std::string B = Good.substr(0, G() % (Good.size() + 1));
        for (int k = Round % 4; k > 0 && !B.empty(); --k) B[G() % B.size()] = static_cast<char>(G());
        test::WriteBytes(F.str(), B);
        TCurveFit C(nullptr);
        C.EnterStatValue(-1, -1);
        try {
            if (C.ImportASC(F.str()) == 0) {
                for (int i = 1; i <= C.NumData(); ++i) ASSERT_FALSE(std::isnan(C.DataX(i)));
                continue;
            }
        } catch (const EQMRMath2Error&) {
        }
        ASSERT_EQ(C.NumData(), 1);
        ASSERT_EQ(C.DataX(1), -1);
    }
}

}  // namespace
