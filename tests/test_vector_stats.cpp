// TVector statistics and operations: moments, order statistics, search, sorting with
// exchange events, normalisations, pairwise measures, histogram and integration.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace qmr::test;
using qmr::EQMRVectorError;
using qmr::TIntVector;
using qmr::TVector;
using Vals = std::vector<double>;
using Ints = std::vector<int>;

// ---------------------------------------------------------------- moments and order statistics

// Reference values from numpy 1.24 / scipy 1.10: mean, var (ddof=1); mean(d^3)/s^3 and
// mean(d^4)/s^4 - 3 with s = std (ddof=1); scipy.stats.skew/kurtosis (bias=False);
// numpy.percentile at 0, 10, 25, 50, 62.5, 90, 100 (method "linear"); the quartiles by
// method "weibull", which is the (n + 1) p rule where its clamps do not act (n >= 4).
struct StatCase {
    Vals X;
    double Mean, Var, Skew, Kurt, SkewS, KurtS, P[7], Q[3];
};

TEST(VectorStats, MomentsAndPercentilesMatchNumpy) {
    const StatCase Cases[] = {
        {{2.5, -1.25, 3.75, 8.0, 0.5, 4.25, -3.0, 6.5}, 2.65625, 14.141741071428571, -0.0842762458509018,
         -1.5501672253981442, -0.128420946058517, -0.9233158182349106,
         {-3.0, -1.775, 0.0625, 3.125, 3.9375, 6.949999999999999, 8.0}, {-0.8125, 3.125, 5.9375}},
        // Far from zero: a one-pass sum of squares loses every digit here.
        {{1e9, 1e9 + 1, 1e9 + 2, 1e9 + 3, 1e9 + 4, 1e9 + 5, 1e9 + 6, 1e9 + 7, 1e9 + 8, 1e9 + 9}, 1000000004.5,
         9.166666666666666, 0, -1.5616363636363637, 0, -1.2000000000000002,
         {1e9, 1000000000.9, 1000000002.25, 1000000004.5, 1000000005.625, 1000000008.1, 1000000009.0},
         {1000000001.75, 1000000004.5, 1000000007.25}},
        {{1, 2, 3, 4, 10}, 4.0, 12.5, 0.8145870119269027, -1.2156800000000003, 1.697056274847714, 3.152000000000001,
         {1.0, 1.4, 2.0, 3.0, 3.5, 7.6000000000000005, 10.0}, {1.5, 3.0, 7.0}},
    };
    const double Probs[7] = {0, 10, 25, 50, 62.5, 90, 100};
    for (const auto& C : Cases) {
        TVector V(nullptr);
        SetValues(V, C.X);
        double M, Var, S, K, Q[3];
        V.MeanVar(0, 0, M, Var);
        EXPECT_DOUBLE_EQ(M, C.Mean);
        EXPECT_NEAR(Var, C.Var, 1e-12 * C.Var);
        V.SkewKurt(0, 0, S, K);
        EXPECT_NEAR(S, C.Skew, 1e-12);
        EXPECT_NEAR(K, C.Kurt, 1e-12);
        V.SkewKurtSample(0, 0, S, K);
        EXPECT_NEAR(S, C.SkewS, 1e-12);
        EXPECT_NEAR(K, C.KurtS, 1e-12);
        for (int I = 0; I < 7; ++I) EXPECT_NEAR(V.Percentile(Probs[I], 0, 0), C.P[I], 1e-12 * (1 + std::fabs(C.P[I])));
        EXPECT_TRUE(V.Quartiles(0, 0, Q[0], Q[1], Q[2]));
        for (int I = 0; I < 3; ++I) EXPECT_NEAR(Q[I], C.Q[I], 1e-12 * (1 + std::fabs(C.Q[I])));
        EXPECT_EQ(ValuesOf(V), C.X);  // selection works on a copy
    }
}

TEST(VectorStats, SmallConstantAndEdgeRanges) {
    TVector V(nullptr);
    double M, Var, S, K, Q1, Q2, Q3;
    SetValues(V, Vals{4, 8, 5, 5, 5, 5});
    V.MeanVar(1, 2, M, Var);  // two values: variance 1 by definition
    EXPECT_EQ(std::pair(M, Var), std::pair(6.0, 1.0));
    V.MeanVar(4, 6, M, Var);
    EXPECT_EQ(Var, 0);
    V.SkewKurt(1, 3, S, K);  // fewer than four
    EXPECT_EQ(std::pair(S, K), std::pair(0.0, 0.0));
    for (double C : {5.0, 0.1, 1e9 + 0.1}) {  // constant data: 0 and 0, not 26.5
        SetValues(V, Vals(4, C));
        V.SkewKurtSample(0, 0, S, K);
        EXPECT_EQ(std::pair(S, K), std::pair(0.0, 0.0)) << C;
    }
    // Moments are scale free: fourth powers of deviations near 1e80 or 1e-80 neither
    // overflow nor sink into subnormals (a double's range ends near 1e308).
    SetValues(V, Vals{1, -1, 2, 0, 0.25});
    double S1, K1;
    V.SkewKurt(0, 0, S1, K1);
    for (double Scale : {0x1p270, 0x1p-270}) {
        SetValues(V, Vals{Scale, -Scale, 2 * Scale, 0, Scale / 4});
        V.SkewKurt(0, 0, S, K);
        EXPECT_EQ(std::pair(S, K), std::pair(S1, K1)) << Scale;
    }
    // The clamps of the (n + 1) p rule: the upper quartile of two or three values is s[n-1].
    for (auto [X, W1, W2, W3] : {std::tuple{Vals{1, 2, 3}, 1.0, 2.0, 2.0}, {Vals{4, 2}, 2.0, 3.0, 2.0},
                                 {Vals{6}, 6.0, 6.0, 6.0}}) {
        SetValues(V, X);
        V.Quartiles(0, 0, Q1, Q2, Q3);
        EXPECT_EQ(std::tuple(Q1, Q2, Q3), std::tuple(W1, W2, W3));
    }
    // Probabilities are clamped (NaN as 0); NaNs order after every number; an infinite
    // neighbour does not spoil a whole position.
    SetValues(V, Vals{3, NaN, 1, 2});
    for (auto [P, Want] : {std::pair{NaN, 1.0}, {-5.0, 1.0}, {50.0, 2.5}}) EXPECT_EQ(V.Percentile(P, 0, 0), Want);
    EXPECT_TRUE(std::isnan(static_cast<double>(V.Percentile(250, 0, 0))));
    EXPECT_EQ(V.Percentile(50, 3, 3), 1);
    SetValues(V, Vals{-Inf, 5, Inf});
    EXPECT_EQ(V.Percentile(50, 0, 0), 5);
    // Mode: the first longest run of the ascending order.
    for (auto [X, Want] : {std::pair{Vals{3, 1, 3, 1}, 1.0}, {Vals{5, 4, 3}, 3.0}, {Vals{2, 7, 7, 2, 7}, 7.0}}) {
        SetValues(V, X);
        EXPECT_EQ(V.Mode(0, 0), Want);
    }
}

TEST(VectorStats, SelectionAgreesWithAFullSort) {
    for (std::size_t N : {2u, 3u, 4u, 9u, 1000u, 20001u}) {
        Vals X = RandomValues(N, static_cast<unsigned>(N), -100, 100);
        for (std::size_t I = 0; I < N; I += 3) X[I] = std::round(X[I] / 10);  // ties
        TVector V(nullptr);
        SetValues(V, X);
        std::sort(X.begin(), X.end());
        auto At = [&](double Pos) {  // s[k] + (s[k+1] - s[k]) f on the sorted copy, k 0-based
            const auto K = static_cast<std::size_t>(Pos);
            const double F = Pos - static_cast<double>(K);
            return F == 0 ? X[K] : X[K] + (X[K + 1] - X[K]) * F;
        };
        for (double P : {0.0, 1.0, 33.3, 50.0, 75.0, 99.9})
            EXPECT_EQ(V.Percentile(P, 0, 0), At(P * static_cast<double>(N - 1) / 100)) << N << " " << P;
        double Q[3];
        V.Quartiles(0, 0, Q[0], Q[1], Q[2]);
        for (int I = 0; I < 3; ++I) {
            double Pos = static_cast<double>(N + 1) * (I + 1) / 4;  // 1-based, clamped to 1..n - 1
            if (Pos < 1) Pos = 1;
            if (Pos >= static_cast<double>(N)) Pos = static_cast<double>(N - 1);
            EXPECT_EQ(Q[I], At(Pos - 1)) << N << " " << I;
        }
    }
}

TEST(VectorStats, MeansAndTheirRefusals) {
    TVector V(nullptr);
    V.SetName("G");
    SetValues(V, Vals{2, 0, 8, 2, 8, 1, 2, 4});
    EXPECT_EQ(V.GeometricMean(3, 1), 0);
    EXPECT_NEAR(static_cast<double>(V.GeometricMean(4, 5)), 4, 1e-15);
    EXPECT_NEAR(static_cast<double>(V.GeometricMean(6, 8)), 2, 1e-15);  // (1 * 2 * 4)^(1/3)
    EXPECT_NEAR(static_cast<double>(V.HarmonicMean(6, 8)), 3 / 1.75, 1e-15);
    EXPECT_EQ(std::pair(V.Sum(0, 0), V.Sum(7, 99)), std::pair(qmr::Extended{27}, qmr::Extended{6}));
    V.SetElem(2, -1);
    EXPECT_TRUE(ThrowsWith<EQMRVectorError>([&] { V.GeometricMean(1, 3); },
                                            "Component \"G\": negative argument passed to GeometricMean"));
    V.SetElem(2, 0);
    EXPECT_TRUE(ThrowsWith<EQMRVectorError>([&] { V.HarmonicMean(1, 3); },
                                            "Component \"G\": negative or zero argument passed to HarmonicMean"));
}

// ---------------------------------------------------------------- search and reordering

TEST(VectorSearch, NearestSortedDichotomousAndExtremes) {
    TVector V(nullptr);
    SetValues(V, Vals{1, 3, 1});
    EXPECT_EQ(std::pair(V.Find(0, 0, 2), V.Find(3, 2, 2)), std::pair(1, 2));
    SetValues(V, Vals{NaN, 5, 7, NaN});  // a NaN is never the nearest
    EXPECT_EQ(std::pair(V.Find(0, 0, 7), V.Find(1, 1, 7)), std::pair(3, 1));
    SetValues(V, Vals{1, 2, 4});
    for (auto [X, W] : {std::pair{3.0, 3}, {2.0, 2}, {1.4, 1}, {1.5, 2}, {-9.0, 1}, {99.0, 3}})
        EXPECT_EQ(V.FindInSortedVector(true, X), W) << X;  // a tie goes to the higher index
    SetValues(V, Vals{9, 5, 4, 0});
    for (auto [X, W] : {std::pair{5.0, 2}, {4.5, 3}, {2.0, 4}, {10.0, 1}}) EXPECT_EQ(V.FindInSortedVector(false, X), W);
    double A, B;
    for (auto [X, Want, WA, WB] : {std::tuple{Vals{5, 2, 5, 2}, true, 5.0, 2.0}, {Vals{5, 5}, true, 5.0, 5.0},
                                   {Vals{5, 2, 1}, false, 5.0, 2.0}, {Vals{5}, false, 0.0, 0.0}}) {
        SetValues(V, X);
        EXPECT_EQ(V.IsDichotomous(A, B), Want);
        EXPECT_EQ(std::pair(A, B), std::pair(WA, WB));
    }
    // The first number seeds the search: values beyond the start values +-1.7e308 are found.
    double Mn, Mx;
    int MnI, MxI;
    for (auto [X, Want] : {std::pair{Vals{NaN, -1, 7, -1, 7}, std::tuple(-1.0, 7.0, 2, 3)},
                           {Vals{NaN, 1.75e308, Inf}, std::tuple(1.75e308, Inf, 2, 3)},
                           {Vals{-Inf, -1.75e308}, std::tuple(-Inf, -1.75e308, 1, 2)},
                           {Vals{NaN, NaN}, std::tuple(1.7e308, -1.7e308, 0, 0)}}) {
        SetValues(V, X);
        V.MinMax(0, 0, Mn, Mx, MnI, MxI);
        EXPECT_EQ(std::tuple(Mn, Mx, MnI, MxI), Want);
    }
}

class VectorSort : public qmr::test::ProgressFixture {
protected:
    // Sorts with an exchange handler; returns the exchanges reported (1-based).
    std::vector<std::pair<int, int>> Sort(TVector& V, bool Asc, int Lo, int Hi, int& Changes) {
        std::vector<std::pair<int, int>> E;
        CountChanges(V, Changes);
        V.OnSortExchange = [&](qmr::TObject*, std::uint8_t What, std::int32_t I, std::int32_t J, std::int32_t A,
                               std::int32_t B) {
            EXPECT_EQ(std::tuple(What, A, B), std::tuple(0, 0, 0));
            E.emplace_back(I, J);
        };
        V.SortElems(Asc, Lo, Hi);
        return E;
    }
};

TEST_F(VectorSort, CombScheduleStartsAtCountMinusOne) {
    TVector V(nullptr);
    int Ch;
    // Gaps 1, 1, 1: a start gap of 3 would have sorted (3, 2, 1) with the one exchange (1, 3).
    SetValues(V, Vals{3, 2, 1});
    EXPECT_EQ(Sort(V, true, 0, 0, Ch), (std::vector<std::pair<int, int>>{{1, 2}, {2, 3}, {1, 2}}));
    EXPECT_EQ(std::pair(ValuesOf(V), Ch), std::pair(Vals{1, 2, 3}, 1));
    EXPECT_EQ(Calls().size(), 3u);  // one progress step per pass
    SetValues(V, Vals{1, 9, 8, 5});
    EXPECT_EQ(Sort(V, true, 3, 2, Ch), (std::vector<std::pair<int, int>>{{2, 3}}));  // a range of two sorts
    EXPECT_TRUE(Sort(V, true, 4, 4, Ch).empty());
    EXPECT_EQ(Ch, 0);  // fewer than two elements: no event
}

TEST_F(VectorSort, EventsReplayTheSortAndBothPathsAgree) {
    for (bool Asc : {true, false}) {
        Vals X = RandomValues(300, Asc ? 1u : 2u, -100, 100);
        for (std::size_t I = 0; I < X.size(); I += 4) X[I] = 7;  // equal values are never exchanged
        TVector V(nullptr), Quiet(nullptr);
        SetValues(V, X);
        SetValues(Quiet, X);
        Quiet.SortElems(Asc, 11, 290);  // no handler: the branch-free pass
        int Ch;
        for (auto [I, J] : Sort(V, Asc, 11, 290, Ch)) {
            EXPECT_NE(X[I - 1], X[J - 1]);
            std::swap(X[I - 1], X[J - 1]);
        }
        EXPECT_EQ(ValuesOf(V), X);
        EXPECT_EQ(ValuesOf(Quiet), X);
        EXPECT_TRUE(Asc ? std::is_sorted(X.begin() + 10, X.begin() + 290)
                        : std::is_sorted(X.begin() + 10, X.begin() + 290, std::greater<>()));
    }
}

TEST(VectorReorder, MirrorShuffleAndQuietNormalisations) {
    TVector V(nullptr);
    int Ev;
    SetValues(V, Vals{1, 2, 3, 4});
    CountChanges(V, Ev);
    V.Mirror();
    EXPECT_EQ(std::pair(ValuesOf(V), Ev), std::pair(Vals{4, 3, 2, 1}, 1));
    const Vals X = RandomValues(50, 3, -100, 100);
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
    SetValues(V, Vals{3, 7});  // two values: divided by the variance 1 they report
    CountChanges(V, Ev);
    V.Standardize(Mean, Sd);
    EXPECT_EQ(std::pair(ValuesOf(V), Sd), std::pair(Vals{-2, 2}, 1.0));
    EXPECT_EQ(V.MeanCenter(), 0);
    EXPECT_EQ(Ev, 0);
}

// ---------------------------------------------------------------- pairwise

TEST(VectorPairwise, ArithmeticProductsDistancesCorrelations) {
    TVector V(nullptr), W(nullptr), Three(nullptr);
    SetValues(V, Vals{0, 0});
    SetValues(W, Vals{3, 4});
    Three.Resize(3);
    EXPECT_EQ(V.EuclideanDistance(&W), 5);
    for (const TVector* Other : {static_cast<const TVector*>(nullptr), static_cast<const TVector*>(&Three)})
        EXPECT_TRUE(ThrowsWith<EQMRVectorError>([&] { V.EuclideanDistance(Other); },
                                                "EuclideanDistance: dimensions of vectors do not match"));
    EXPECT_THROW(V.Add(&Three), EQMRVectorError);
    EXPECT_THROW(V.DotProduct(&Three), EQMRVectorError);
    V.Add(nullptr);
    V.Add(&W);
    V.Add(&W);
    V.Subtract(&W);
    V.SMult(0.5);
    EXPECT_EQ(ValuesOf(V), (Vals{1.5, 2}));
    EXPECT_EQ(std::pair(V.DotProduct(&W), V.DotProduct(nullptr)), std::pair(qmr::Extended{12.5}, qmr::Extended{0}));
    TVector A(nullptr), B(nullptr);
    SetValues(A, Vals{2.5, -1.25, 3.75, 8.0, 0.5, 4.25, -3.0, 6.5});
    SetValues(B, Vals{1, 4, 2, 8, 5, 7, 3, 6});
    EXPECT_NEAR(A.PearsonCorrCoeff(&B), 0.5524968002595025, 1e-14);  // numpy.corrcoef
    EXPECT_EQ(A.PearsonCorrCoeff(nullptr), 0);
    TVector Big(nullptr);  // r is scale free, also where squares would overflow
    SetValues(Big, ValuesOf(A));
    Big.SMult(0x1p700);
    EXPECT_EQ(Big.PearsonCorrCoeff(&B), A.PearsonCorrCoeff(&B));
    SetValues(B, Vals(8, 0.1));
    EXPECT_EQ(A.PearsonCorrCoeff(&B), 0);  // constant
    // Correlate pairs self[i] with other[i - shift], over an overlap of at least two.
    SetValues(A, Vals{1, 2, 3, 4});
    SetValues(B, Vals{10, 20, 30});
    for (auto [Shift, Want] : {std::pair{0, 140.0}, {1, 200.0}, {-1, 80.0}, {2, 110.0}, {3, 0.0} /* 4 * 10 alone */,
                               {-2, 0.0}, {2147483647, 0.0}, {-2147483647 - 1, 0.0}})
        EXPECT_EQ(A.Correlate(&B, Shift), Want) << Shift;
}

// ---------------------------------------------------------------- histogram and integration

TEST(VectorHistogram, BinsCountsAndRefusals) {
    TVector V(nullptr);
    TIntVector H(nullptr);
    int U = -1, O = -1, M = -1;
    SetValues(V, Vals{10.05, 0, -1, 10.1, 3.3, NaN});
    // More than 500 bins, widths that are not finite and positive, a bin count that is not
    // finite, a nil target: False with nothing changed.
    for (auto [Lo, Hi, W] : {std::tuple{0.0, 10.0, 0.02}, {0.0, 10.0, 0.0}, {0.0, 10.0, -1.0}, {0.0, 10.0, NaN},
                             {0.0, 10.0, Inf}, {NaN, 10.0, 1.0}, {0.0, Inf, 1.0}, {-1e300, 1e300, 1e-300}})
        EXPECT_FALSE(V.Histogram(1, 6, Lo, Hi, W, &H, U, O, M)) << Lo << " " << Hi << " " << W;
    EXPECT_FALSE(V.Histogram(1, 6, 0, 10, 1, nullptr, U, O, M));
    EXPECT_EQ(std::tuple(H.NrOfElem(), U, O, M), std::tuple(1, -1, -1, -1));
    ASSERT_TRUE(V.Histogram(1, 6, 0, 10, 0.1, &H, U, O, M));  // 101 bins; NaN overflows
    EXPECT_EQ(std::tuple(H.NrOfElem(), H.Elem(101), H.Elem(1), H.Elem(33), U, O, M), std::tuple(101, 1, 1, 1, 1, 2, 1));
    // Round(2.5) = 2: three bins; 6.5 falls in bin 4, beyond the count: dropped, not overflow.
    SetValues(V, Vals{0, 5.5, 6.5, 8.5});
    ASSERT_TRUE(V.Histogram(1, 4, 0, 5, 2, &H, U, O, M));
    EXPECT_EQ(std::tuple(ValuesOf<int>(H), U, O, M), std::tuple(Ints{1, 0, 1}, 0, 1, 1));
    // Positions outside the vector count as zeros, in one step each side, saturating.
    ASSERT_TRUE(V.Histogram(-2, 7, -1, 1, 1, &H, U, O, M));
    EXPECT_EQ(std::tuple(ValuesOf<int>(H), U, O, M), std::tuple(Ints{0, 7, 0}, 0, 3, 7));
    ASSERT_TRUE(V.Histogram(-2147483647 - 1, 2147483647, 0, 1, 1, &H, U, O, M));
    EXPECT_EQ(std::tuple(H.Elem(1), M, H.IsEmpty()), std::tuple(2147483647, 2147483647, false));
}

TEST(VectorHistogram, AgreesWithAFloorLoopWithAndWithoutHandler) {
    const Vals X = RandomValues(5000, 9, -20, 120);
    TVector V(nullptr);
    SetValues(V, X);
    Ints Want(51, 0);
    int WantU = 0, WantO = 0;
    for (double Xi : X) {
        if (Xi < 0) ++WantU;
        else if (Xi < 102) ++Want[static_cast<std::size_t>(std::floor(Xi / 2))];
        else ++WantO;
    }
    for (bool Handler : {false, true}) {
        TIntVector H(nullptr);
        int Ev = 0, U, O, M;
        if (Handler) CountChanges(H, Ev);
        ASSERT_TRUE(V.Histogram(1, 5000, 0, 100, 2, &H, U, O, M));
        EXPECT_EQ(std::tuple(ValuesOf<int>(H), U, O, M),
                  std::tuple(Want, WantU, WantO, *std::max_element(Want.begin(), Want.end())));
        // With a handler: the resize, the clear, then one event per count.
        EXPECT_EQ(Ev, Handler ? 2 + 5000 - WantU - WantO : 0);
    }
}

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
    EXPECT_EQ(V.Integrate(NaN, 4, M::imSimpson) + V.Integrate(1, NaN, M::imSimple), 0);
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
