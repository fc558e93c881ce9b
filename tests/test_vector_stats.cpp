// TVector statistics and operations: moments, order statistics, search, sorting with
// exchange events, normalisations, pairwise measures, histogram and integration.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

using qmr::TIntVector;
using qmr::TVector;
using qmr::test::CountChanges;
using qmr::test::SetValues;
using qmr::test::ValuesOf;
using Vals = std::vector<double>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

Vals RandomVals(std::size_t N, unsigned Seed, double Lo = -100, double Hi = 100) {
    std::mt19937 Gen(Seed);
    std::uniform_real_distribution<double> U(Lo, Hi);
    Vals X(N);
    for (double& V : X) V = U(Gen);
    return X;
}

// ---------------------------------------------------------------- moments

// Reference values: numpy 1.24 / scipy 1.10 (mean, var ddof=1; mean(d^3)/s^3 and
// mean(d^4)/s^4 - 3 with s = std ddof=1; scipy.stats.skew/kurtosis with bias=False).
struct MomentCase {
    Vals X;
    double Mean, Var, Skew, Kurt, SkewS, KurtS;
};

TEST(VectorMoments, MatchReferenceValues) {
    const MomentCase Cases[] = {
        {{2.5, -1.25, 3.75, 8.0, 0.5, 4.25, -3.0, 6.5}, 2.65625, 14.141741071428571, -0.0842762458509018,
         -1.5501672253981442, -0.128420946058517, -0.9233158182349106},
        // Far from zero: a one-pass sum of squares loses every digit here.
        {{1e9, 1e9 + 1, 1e9 + 2, 1e9 + 3, 1e9 + 4, 1e9 + 5, 1e9 + 6, 1e9 + 7, 1e9 + 8, 1e9 + 9}, 1000000004.5,
         9.166666666666666, 0.0, -1.5616363636363637, 0.0, -1.2000000000000002},
        {{1, 2, 3, 4, 10}, 4.0, 12.5, 0.8145870119269027, -1.2156800000000003, 1.697056274847714, 3.152000000000001},
    };
    for (const auto& C : Cases) {
        TVector V(nullptr);
        SetValues(V, C.X);
        double M, Var, S, K;
        V.MeanVar(0, 0, M, Var);
        EXPECT_DOUBLE_EQ(M, C.Mean);
        EXPECT_NEAR(Var, C.Var, 1e-12 * C.Var);
        V.SkewKurt(0, 0, S, K);
        EXPECT_NEAR(S, C.Skew, 1e-12);
        EXPECT_NEAR(K, C.Kurt, 1e-12);
        V.SkewKurtSample(0, 0, S, K);
        EXPECT_NEAR(S, C.SkewS, 1e-12);
        EXPECT_NEAR(K, C.KurtS, 1e-12);
    }
}

TEST(VectorMoments, SmallAndConstantRanges) {
    TVector V(nullptr);
    double M, Var, S, K;
    SetValues(V, Vals{4, 8, 5, 5, 5, 5});
    V.MeanVar(1, 2, M, Var);  // two values: variance 1 by definition
    EXPECT_EQ(M, 6);
    EXPECT_EQ(Var, 1);
    V.MeanVar(4, 6, M, Var);
    EXPECT_EQ(Var, 0);
    V.SkewKurt(1, 3, S, K);  // fewer than four
    EXPECT_EQ(S, 0);
    EXPECT_EQ(K, 0);
    for (double C : {5.0, 0.1, 1e9 + 0.1}) {  // constant data: 0 and 0, not 26.5
        SetValues(V, Vals(4, C));
        V.SkewKurtSample(0, 0, S, K);
        EXPECT_EQ(S, 0) << C;
        EXPECT_EQ(K, 0) << C;
    }
    // Standardize divides by the variance of 1 that two values report.
    SetValues(V, Vals{3, 7});
    int Ev;
    CountChanges(V, Ev);
    V.Standardize(M, S);
    EXPECT_EQ(ValuesOf(V), (Vals{-2, 2}));
    EXPECT_EQ(S, 1);
    EXPECT_EQ(V.MeanCenter(), 0);
    EXPECT_EQ(Ev, 0);
}

TEST(VectorMoments, MeansSumsAndTheirRefusals) {
    TVector V(nullptr);
    V.SetName("G");
    SetValues(V, Vals{2, 0, 8, 2, 8, 1, 2, 4});
    EXPECT_EQ(V.GeometricMean(3, 1), 0);
    EXPECT_NEAR(static_cast<double>(V.GeometricMean(4, 5)), 4, 1e-15);
    EXPECT_NEAR(static_cast<double>(V.GeometricMean(6, 8)), 2, 1e-15);  // (1 * 2 * 4)^(1/3)
    EXPECT_NEAR(static_cast<double>(V.HarmonicMean(6, 8)), 3 / 1.75, 1e-15);
    EXPECT_EQ(V.Sum(0, 0), 27);
    EXPECT_EQ(V.Sum(7, 99), 6);
    V.SetElem(2, -1);
    try {
        V.GeometricMean(1, 3);
        ADD_FAILURE();
    } catch (const qmr::EQMRVectorError& E) {
        EXPECT_STREQ(E.what(), "Component \"G\": negative argument passed to GeometricMean");
    }
    V.SetElem(2, 0);
    try {
        V.HarmonicMean(1, 3);
        ADD_FAILURE();
    } catch (const qmr::EQMRVectorError& E) {
        EXPECT_STREQ(E.what(), "Component \"G\": negative or zero argument passed to HarmonicMean");
    }
}

// ---------------------------------------------------------------- order statistics

// Percentiles: numpy.percentile (method "linear"); quartiles: method "weibull", which is
// the (n + 1) p rule wherever its clamps do not act (n >= 4).
TEST(VectorOrderStats, PercentilesAndQuartilesMatchNumpy) {
    struct Case {
        Vals X;
        double P[7];  // at 0, 10, 25, 50, 62.5, 90, 100
        double Q[3];
    };
    const Case Cases[] = {
        {{2.5, -1.25, 3.75, 8.0, 0.5, 4.25, -3.0, 6.5},
         {-3.0, -1.775, 0.0625, 3.125, 3.9375, 6.949999999999999, 8.0},
         {-0.8125, 3.125, 5.9375}},
        {{1, 2, 3, 4, 10}, {1.0, 1.4, 2.0, 3.0, 3.5, 7.6000000000000005, 10.0}, {1.5, 3.0, 7.0}},
        {{7, -2, 5, 5, 1, 9, -4}, {-4.0, -2.8, -0.5, 5.0, 5.0, 7.800000000000001, 9.0}, {-2.0, 5.0, 7.0}},
    };
    const double Probs[7] = {0, 10, 25, 50, 62.5, 90, 100};
    for (const auto& C : Cases) {
        TVector V(nullptr);
        SetValues(V, C.X);
        for (int I = 0; I < 7; ++I) EXPECT_NEAR(V.Percentile(Probs[I], 0, 0), C.P[I], 1e-12) << Probs[I];
        double Q1, Q2, Q3;
        EXPECT_TRUE(V.Quartiles(0, 0, Q1, Q2, Q3));
        EXPECT_NEAR(Q1, C.Q[0], 1e-12);
        EXPECT_NEAR(Q2, C.Q[1], 1e-12);
        EXPECT_NEAR(Q3, C.Q[2], 1e-12);
        EXPECT_EQ(ValuesOf(V), C.X);  // the vector itself is not reordered
    }
}

TEST(VectorOrderStats, ClampsEdgesAndNaNs) {
    TVector V(nullptr);
    double Q1, Q2, Q3;
    // The clamps of the (n + 1) p rule: the upper quartile of two or three values is s[n-1].
    for (auto [X, W1, W2, W3] : {std::tuple{Vals{1, 2, 3}, 1.0, 2.0, 2.0}, {Vals{4, 2}, 2.0, 3.0, 2.0},
                                 {Vals{6}, 6.0, 6.0, 6.0}}) {
        SetValues(V, X);
        V.Quartiles(0, 0, Q1, Q2, Q3);
        EXPECT_EQ(std::tuple(Q1, Q2, Q3), std::tuple(W1, W2, W3));
    }
    SetValues(V, Vals{4, 1, 3, 2});
    EXPECT_EQ(V.Percentile(50, 0, 0), 2.5);
    EXPECT_EQ(V.Percentile(kNaN, 0, 0), 1);  // NaN counts as 0
    EXPECT_EQ(V.Percentile(-5, 0, 0), 1);
    EXPECT_EQ(V.Percentile(250, 0, 0), 4);
    EXPECT_EQ(V.Percentile(50, 2, 2), 1);
    // NaNs order after every number.
    SetValues(V, Vals{3, kNaN, 1, 2});
    EXPECT_EQ(V.Percentile(0, 0, 0), 1);
    EXPECT_EQ(V.Percentile(50, 0, 0), 2.5);
    EXPECT_TRUE(std::isnan(static_cast<double>(V.Percentile(100, 0, 0))));
    // Infinite neighbours do not spoil a whole position.
    SetValues(V, Vals{-kInf, 5, kInf});
    EXPECT_EQ(V.Percentile(50, 0, 0), 5);
}

TEST(VectorOrderStats, SelectionAgreesWithFullSort) {
    for (std::size_t N : {2u, 3u, 4u, 9u, 1000u, 20001u}) {
        Vals X = RandomVals(N, static_cast<unsigned>(N));
        for (std::size_t I = 0; I < N; I += 3) X[I] = std::round(X[I] / 10);  // ties
        TVector V(nullptr);
        SetValues(V, X);
        Vals S = X;
        std::sort(S.begin(), S.end());
        const double Nm1 = static_cast<double>(N - 1);
        for (double P : {0.0, 1.0, 33.3, 50.0, 75.0, 99.9}) {
            const double Pos = P * Nm1 / 100;
            const auto K = static_cast<std::size_t>(Pos);
            const double F = Pos - static_cast<double>(K);
            const double Want = F == 0 ? S[K] : S[K] + (S[K + 1] - S[K]) * F;
            EXPECT_EQ(V.Percentile(P, 0, 0), Want) << N << " " << P;
        }
        double Q[3];
        V.Quartiles(0, 0, Q[0], Q[1], Q[2]);
        for (int I = 0; I < 3; ++I) {
            const double Pos = static_cast<double>(N + 1) * (I + 1) / 4;
            auto K = static_cast<std::size_t>(Pos);
            double F = Pos - static_cast<double>(K);
            if (K == 0) K = 1, F = 0;
            if (K > N - 1) K = N - 1, F = 0;
            EXPECT_EQ(Q[I], F == 0 ? S[K - 1] : S[K - 1] + (S[K] - S[K - 1]) * F) << N << " " << I;
        }
    }
}

TEST(VectorOrderStats, ModeTakesTheFirstLongestRunAndReportsProgress) {
    TVector V(nullptr);
    for (auto [X, Want] : {std::pair{Vals{3, 1, 3, 1}, 1.0}, {Vals{5, 4, 3}, 3.0}, {Vals{2, 7, 7, 2, 7}, 7.0}}) {
        SetValues(V, X);
        EXPECT_EQ(V.Mode(0, 0), Want);
    }
    const double Before = qmr::ProcStat;
    V.Mode(0, 0);
    EXPECT_GT(qmr::ProcStat.load(), Before);  // the copy is comb-sorted by SortArray
}

// ---------------------------------------------------------------- search

TEST(VectorSearch, FindsNearestSortedDichotomousAndExtremes) {
    TVector V(nullptr);
    SetValues(V, Vals{1, 3, 1});
    EXPECT_EQ(V.Find(0, 0, 2), 1);
    EXPECT_EQ(V.Find(3, 2, 2), 2);
    SetValues(V, Vals{1, 2, 4});
    for (auto [X, W] : {std::pair{3.0, 3}, {2.0, 2}, {1.4, 1}, {1.5, 2}, {-9.0, 1}, {99.0, 3}})
        EXPECT_EQ(V.FindInSortedVector(true, X), W) << X;
    SetValues(V, Vals{9, 5, 4, 0});
    for (auto [X, W] : {std::pair{5.0, 2}, {4.5, 3}, {2.0, 4}, {10.0, 1}}) EXPECT_EQ(V.FindInSortedVector(false, X), W);
    double A, B;
    SetValues(V, Vals{5, 2, 5, 2});
    EXPECT_TRUE(V.IsDichotomous(A, B));
    EXPECT_EQ(std::pair(A, B), std::pair(5.0, 2.0));
    SetValues(V, Vals{5, 5});
    EXPECT_TRUE(V.IsDichotomous(A, B));
    EXPECT_EQ(B, 5);
    SetValues(V, Vals{5, 2, 1});
    EXPECT_FALSE(V.IsDichotomous(A, B));
    SetValues(V, Vals{5});
    EXPECT_FALSE(V.IsDichotomous(A, B));
    EXPECT_EQ(std::pair(A, B), std::pair(0.0, 0.0));

    double Mn, Mx;
    int MnI, MxI;
    SetValues(V, Vals{kNaN, 2, -1, 7, -1, 7});
    V.MinMax(0, 0, Mn, Mx, MnI, MxI);
    EXPECT_EQ(std::tuple(Mn, Mx, MnI, MxI), std::tuple(-1.0, 7.0, 3, 4));
    // Beyond the start values of +-1.7e308: found because the first number seeds the search.
    SetValues(V, Vals{kNaN, 1.75e308, kInf});
    V.MinMax(0, 0, Mn, Mx, MnI, MxI);
    EXPECT_EQ(std::tuple(Mn, Mx, MnI, MxI), std::tuple(1.75e308, kInf, 2, 3));
    SetValues(V, Vals{-kInf, -1.75e308});
    V.MinMax(0, 0, Mn, Mx, MnI, MxI);
    EXPECT_EQ(std::tuple(Mn, Mx, MnI, MxI), std::tuple(-kInf, -1.75e308, 1, 2));
    SetValues(V, Vals{kNaN, kNaN});
    V.MinMax(0, 0, Mn, Mx, MnI, MxI);  // no number: the start values stay
    EXPECT_EQ(std::tuple(Mn, Mx, MnI, MxI), std::tuple(1.7e308, -1.7e308, 0, 0));
}

// ---------------------------------------------------------------- reordering

// Exchanges reported by OnSortExchange, 1-based.
using Exchanges = std::vector<std::pair<int, int>>;

Exchanges SortWithEvents(TVector& V, bool Asc, int Lo, int Hi, int& Changes) {
    Exchanges E;
    CountChanges(V, Changes);
    V.OnSortExchange = [&](qmr::TObject*, std::uint8_t What, std::int32_t I, std::int32_t J, std::int32_t A,
                           std::int32_t B) {
        EXPECT_EQ(std::tuple(What, A, B), std::tuple(0, 0, 0));
        E.emplace_back(I, J);
    };
    V.SortElems(Asc, Lo, Hi);
    return E;
}

class VectorSort : public qmr::test::ProgressFixture {};

TEST_F(VectorSort, CombScheduleStartsAtCountMinusOne) {
    TVector V(nullptr);
    int Ch;
    // Gap 2 then 1: a start gap of 3 would have sorted (3, 2, 1) with one exchange (1, 3).
    SetValues(V, Vals{3, 2, 1});
    EXPECT_EQ(SortWithEvents(V, true, 0, 0, Ch), (Exchanges{{1, 2}, {2, 3}, {1, 2}}));
    EXPECT_EQ(ValuesOf(V), (Vals{1, 2, 3}));
    EXPECT_EQ(Ch, 1);
    EXPECT_EQ(Calls().size(), 3u);  // one progress step per pass
    SetValues(V, Vals{1, 9, 8, 5});
    EXPECT_EQ(SortWithEvents(V, true, 3, 2, Ch), (Exchanges{{2, 3}}));  // a range of two still sorts
    EXPECT_EQ(SortWithEvents(V, true, 4, 4, Ch), Exchanges{});
    EXPECT_EQ(Ch, 0);  // fewer than two elements: no event
}

TEST_F(VectorSort, EventsReplayTheSortAndBothPathsAgree) {
    for (bool Asc : {true, false}) {
        Vals X = RandomVals(300, Asc ? 1u : 2u);
        for (std::size_t I = 0; I < X.size(); I += 4) X[I] = 7;  // equal values are never exchanged
        TVector V(nullptr), Quiet(nullptr);
        SetValues(V, X);
        SetValues(Quiet, X);
        Vals Shadow = X;
        int Ch;
        for (auto [I, J] : SortWithEvents(V, Asc, 11, 290, Ch)) {
            EXPECT_NE(Shadow[I - 1], Shadow[J - 1]);
            std::swap(Shadow[I - 1], Shadow[J - 1]);
        }
        Quiet.SortElems(Asc, 11, 290);
        EXPECT_EQ(ValuesOf(V), Shadow);
        EXPECT_EQ(ValuesOf(Quiet), Shadow);
        Vals Want = X;
        if (Asc) std::sort(Want.begin() + 10, Want.begin() + 290);
        else std::sort(Want.begin() + 10, Want.begin() + 290, std::greater<>());
        EXPECT_EQ(Shadow, Want);
    }
}

TEST(VectorReorder, MirrorShuffleAndNormalisations) {
    TVector V(nullptr);
    int Ev;
    SetValues(V, Vals{1, 2, 3, 4});
    CountChanges(V, Ev);
    V.Mirror();
    EXPECT_EQ(ValuesOf(V), (Vals{4, 3, 2, 1}));
    EXPECT_EQ(Ev, 1);
    const Vals X = RandomVals(50, 3);
    SetValues(V, X);
    CountChanges(V, Ev);
    V.ShuffleElems();
    Vals A = ValuesOf(V), B = X;
    EXPECT_NE(A, B);
    std::sort(A.begin(), A.end());
    std::sort(B.begin(), B.end());
    EXPECT_EQ(A, B);
    double Median, QDiff, Mean, Sd;
    SetValues(V, Vals{1, 2, 3, 4, 5});
    CountChanges(V, Ev);
    V.QNormalize(75, Median, QDiff);
    EXPECT_EQ(std::pair(Median, QDiff), std::pair(3.0, 1.0));
    EXPECT_EQ(ValuesOf(V), (Vals{-2, -1, 0, 1, 2}));
    V.Standardize(Mean, Sd);
    EXPECT_NEAR(Sd, std::sqrt(2.5), 1e-15);
    EXPECT_NEAR(static_cast<double>(V.Elem(5)), 2 / std::sqrt(2.5), 1e-15);
    EXPECT_EQ(Ev, 0);
}

// ---------------------------------------------------------------- pairwise

TEST(VectorPairwise, ArithmeticProductsDistancesCorrelations) {
    TVector V(nullptr), W(nullptr), Three(nullptr);
    V.SetName("V");
    SetValues(V, Vals{0, 0});
    SetValues(W, Vals{3, 4});
    SetValues(Three, Vals{1, 2, 3});
    EXPECT_EQ(V.EuclideanDistance(&W), 5);
    for (const TVector* Other : {static_cast<const TVector*>(nullptr), static_cast<const TVector*>(&Three)}) {
        try {
            V.EuclideanDistance(Other);
            ADD_FAILURE();
        } catch (const qmr::EQMRVectorError& E) {
            EXPECT_STREQ(E.what(), "EuclideanDistance: dimensions of vectors do not match");
        }
    }
    EXPECT_THROW(V.Add(&Three), qmr::EQMRVectorError);
    EXPECT_THROW(V.DotProduct(&Three), qmr::EQMRVectorError);
    EXPECT_EQ(ValuesOf(V), (Vals{0, 0}));
    V.Add(nullptr);
    V.Add(&W);
    V.Add(&W);
    V.Subtract(&W);
    V.SMult(0.5);
    EXPECT_EQ(ValuesOf(V), (Vals{1.5, 2}));
    EXPECT_EQ(V.DotProduct(&W), 12.5);
    EXPECT_EQ(V.DotProduct(nullptr), 0);
    // Pearson: numpy.corrcoef.
    TVector A(nullptr), B(nullptr);
    SetValues(A, Vals{2.5, -1.25, 3.75, 8.0, 0.5, 4.25, -3.0, 6.5});
    SetValues(B, Vals{1, 4, 2, 8, 5, 7, 3, 6});
    EXPECT_NEAR(A.PearsonCorrCoeff(&B), 0.5524968002595025, 1e-14);
    EXPECT_EQ(A.PearsonCorrCoeff(nullptr), 0);
    SetValues(B, Vals(8, 0.1));
    EXPECT_EQ(A.PearsonCorrCoeff(&B), 0);  // constant
    // Correlate pairs self[i] with other[i - shift] over an overlap of at least two.
    SetValues(A, Vals{1, 2, 3, 4});
    SetValues(B, Vals{10, 20, 30});
    for (int Shift : {-3, -2, -1, 0, 1, 2, 3, 2147483647, -2147483647 - 1}) {
        double Want = 0;
        int Overlap = 0;
        for (long I = 1; I <= 4; ++I) {
            if (I - Shift < 1 || I - Shift > 3) continue;
            Want += A.Elem(static_cast<int>(I)) * B.Elem(static_cast<int>(I - Shift));
            ++Overlap;
        }
        EXPECT_EQ(A.Correlate(&B, Shift), Overlap < 2 ? 0 : Want) << Shift;
    }
}

// ---------------------------------------------------------------- histogram

TEST(VectorHistogram, BinsCountsAndRefusals) {
    TVector V(nullptr);
    TIntVector H(nullptr);
    int U = -1, O = -1, M = -1;
    SetValues(V, Vals{10.05, 0, -1, 10.1, 3.3, kNaN});
    EXPECT_FALSE(V.Histogram(0, 0, 0, 10, 0.02, &H, U, O, M));  // 501 bins
    EXPECT_EQ(std::tuple(H.NrOfElem(), U, O, M), std::tuple(1, -1, -1, -1));
    for (auto [Lo, Hi, W] : {std::tuple{0.0, 10.0, 0.0}, {0.0, 10.0, -1.0}, {0.0, 10.0, kNaN}, {0.0, 10.0, kInf},
                             {kNaN, 10.0, 1.0}, {0.0, kInf, 1.0}, {-1e300, 1e300, 1e-300}})
        EXPECT_FALSE(V.Histogram(0, 0, Lo, Hi, W, &H, U, O, M)) << Lo << " " << Hi << " " << W;
    EXPECT_FALSE(V.Histogram(0, 0, 0, 10, 1, nullptr, U, O, M));
    EXPECT_EQ(std::tuple(H.NrOfElem(), U, O, M), std::tuple(1, -1, -1, -1));

    ASSERT_TRUE(V.Histogram(1, 6, 0, 10, 0.1, &H, U, O, M));
    EXPECT_EQ(H.NrOfElem(), 101);
    EXPECT_EQ(std::tuple(H.Elem(101), H.Elem(1), H.Elem(33), U, O, M), std::tuple(1, 1, 1, 1, 2, 1));
    // Round(2.5) = 2: three bins. 6.5 lies in bin 4, beyond the count: dropped, not overflow.
    SetValues(V, Vals{0, 5.5, 6.5, 8.5});
    ASSERT_TRUE(V.Histogram(1, 4, 0, 5, 2, &H, U, O, M));
    EXPECT_EQ(ValuesOf<int>(H), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(std::tuple(U, O, M), std::tuple(0, 1, 1));
    // Positions outside the vector count as zeros, in one step, saturating.
    ASSERT_TRUE(V.Histogram(-2, 7, -1, 1, 1, &H, U, O, M));
    EXPECT_EQ(ValuesOf<int>(H), (std::vector<int>{0, 7, 0}));
    EXPECT_EQ(std::tuple(U, O, M), std::tuple(0, 3, 7));
    ASSERT_TRUE(V.Histogram(-2147483647 - 1, 2147483647, 0, 1, 1, &H, U, O, M));
    EXPECT_EQ(std::tuple(H.Elem(1), M), std::tuple(2147483647, 2147483647));
    EXPECT_FALSE(H.IsEmpty());
}

TEST(VectorHistogram, AgreesWithFloorLoopWithAndWithoutHandler) {
    const Vals X = RandomVals(5000, 9, -20, 120);
    TVector V(nullptr);
    SetValues(V, X);
    std::vector<int> Want(51, 0);
    int WantU = 0, WantO = 0;
    for (double Xi : X) {
        if (Xi < 0) ++WantU;
        else if (Xi < 100 + 2) ++Want[static_cast<std::size_t>(std::floor(Xi / 2))];
        else ++WantO;
    }
    for (bool Handler : {false, true}) {
        TIntVector H(nullptr);
        int Ev = 0;
        if (Handler) CountChanges(H, Ev);
        int U, O, M;
        ASSERT_TRUE(V.Histogram(1, 5000, 0, 100, 2, &H, U, O, M));
        EXPECT_EQ(ValuesOf<int>(H), Want);
        EXPECT_EQ(std::tuple(U, O, M), std::tuple(WantU, WantO, *std::max_element(Want.begin(), Want.end())));
        // With a handler: the resize, the clear, then one event per count made.
        if (Handler) {
            EXPECT_EQ(Ev, 2 + 5000 - WantU - WantO);
        }
    }
}

// ---------------------------------------------------------------- integration

TEST(VectorIntegrate, ExactOnPolynomialsAndEdgeRules) {
    using M = qmr::TIntegMethod;
    TVector V(nullptr);
    SetValues(V, Vals(5, 1));
    for (M Method : {M::imSimple, M::imTrapezoidal, M::imSimpson}) EXPECT_EQ(V.Integrate(1, 5, Method), 4);
    SetValues(V, Vals{1, 3});
    EXPECT_NEAR(V.Integrate(1.5, 1.7, M::imSimple), 0.4, 1e-15);
    EXPECT_NEAR(V.Integrate(1.7, 1.5, M::imTrapezoidal), 0.44, 1e-15);  // (2 + 2.4) / 2 * 0.2
    // Linear data: the trapezoids with fractional ends are exact, [x^2 + x] from 1.25 to 4.5.
    SetValues(V, Vals{3, 5, 7, 9, 11});
    EXPECT_NEAR(V.Integrate(1.25, 4.5, M::imTrapezoidal), 21.9375, 1e-13);
    EXPECT_NEAR(V.Integrate(-7, 99, M::imTrapezoidal), 28, 1e-13);  // clamped to 1..5
    EXPECT_EQ(V.Integrate(2, 4, M::imSimple), 7 * 2);
    EXPECT_EQ(V.Integrate(kNaN, 4, M::imSimpson), 0);
    EXPECT_EQ(V.Integrate(1, 4, static_cast<M>(7)), 0);
    // Simpson, 3/8, Boole and the extended rule integrate x^3 (x^5 for Boole) exactly:
    // the integral of x^d from 1 to m + 1 is ((m + 1)^(d + 1) - 1) / (d + 1).
    for (int Intervals : {2, 3, 4, 5, 6, 8, 11}) {
        const int D = Intervals == 4 ? 5 : 3;
        Vals X;
        for (int K = 1; K <= Intervals + 1; ++K) X.push_back(std::pow(K, D));
        SetValues(V, X);
        const double Exact = (std::pow(Intervals + 1, D + 1) - 1) / (D + 1);
        EXPECT_NEAR(V.Integrate(1, Intervals + 1, M::imSimpson), Exact, 1e-11 * Exact) << Intervals;
    }
}

}  // namespace
