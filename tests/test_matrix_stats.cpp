// TMatrix statistics: extremes, search, sums, moments, quantiles, dichotomising and the
// column and row normalisations.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

namespace {

using qmr::test::Cells;
using qmr::test::CountChanges;

using qmr::Extended;
using qmr::ProcStat;
using qmr::TMatrix;
using qmr::TVector;
using Vals = std::vector<double>;
using Rows = std::vector<Vals>;

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();
const double MaxReal = std::numeric_limits<double>::max();

// Loads a matrix given row by row.
void SetRows(TMatrix& M, const Rows& R) {
    M.Resize(R.empty() ? 0 : static_cast<int>(R[0].size()), static_cast<int>(R.size()));
    for (int r = 1; r <= M.NrOfRows(); ++r)
        for (int c = 1; c <= M.NrOfColumns(); ++c) M.SetElem(c, r, R[r - 1][c - 1]);
}

// One column holding X.
void SetColumn(TMatrix& M, const Vals& X) {
    M.Resize(1, static_cast<int>(X.size()));
    for (int r = 1; r <= M.NrOfRows(); ++r) M.SetElem(1, r, X[static_cast<std::size_t>(r - 1)]);
}

Vals VecVals(const TVector& V) {
    Vals X;
    for (int i = 1; i <= V.NrOfElem(); ++i) X.push_back(static_cast<double>(V.Elem(i)));
    return X;
}

// ---------------------------------------------------------------- extremes and search

TEST(MatrixStats, MinMaxSeedsFromTheFirstComparableElement) {
    struct Case { Vals In; double Min, Max; };
    const Case Cases[] = {
        {{3, -1, 7}, -1, 7},
        {{Inf, Inf}, Inf, Inf},
        {{-Inf, 2}, -Inf, 2},
        {{NaN, 5, NaN, 4}, 4, 5},
        {{NaN}, MaxReal, -MaxReal},
    };
    for (const Case& K : Cases) {
        TMatrix M(nullptr);
        SetColumn(M, K.In);
        double Lo = 0, Hi = 0;
        M.MinMax(0, 0, 0, 0, Lo, Hi);
        EXPECT_EQ(Lo, K.Min);
        EXPECT_EQ(Hi, K.Max);
    }
    TMatrix M(nullptr);
    SetRows(M, {{1, 9}, {5, -3}});
    double Lo = 0, Hi = 0;
    M.MinMax(2, 1, 2, 1, Lo, Hi);  // column 2, row 1 only
    EXPECT_EQ(Lo, 9);
    EXPECT_EQ(Hi, 9);
    M.Resize(0, 2);
    M.MinMax(0, 0, 0, 0, Lo, Hi);
    EXPECT_EQ(Lo, MaxReal);
    EXPECT_EQ(Hi, -MaxReal);
}

TEST(MatrixStats, FindTakesTheFirstNearestInColumnOrder) {
    TMatrix M(nullptr);
    SetRows(M, {{5, 1, 9}, {2, 8, 4}});
    int C = -1, R = -1;
    M.Find(0, 0, 0, 0, 3, C, R);  // 2 and 4 are both at distance 1: column 1 comes first
    EXPECT_EQ(C, 1);
    EXPECT_EQ(R, 2);
    M.Find(2, 3, 0, 0, 3, C, R);  // (LowCol, HighCol, LowRow, HighRow): columns 2..3
    EXPECT_EQ(C, 3);
    EXPECT_EQ(R, 2);
    M.Fill(NaN);
    M.Find(0, 0, 0, 0, 3, C, R);
    EXPECT_EQ(C, 0);
    EXPECT_EQ(R, 0);
}

TEST(MatrixStats, FindInSortedColumn) {
    TMatrix Up(nullptr), Down(nullptr), One(nullptr);
    SetColumn(Up, {1, 3, 5, 7});
    SetColumn(Down, {7, 5, 3, 1});
    SetColumn(One, {4});
    struct Case { const TMatrix* M; bool Asc; double V; int Want; };
    const Case Cases[] = {
        {&Up, true, 4, 3},    // equal distances: the higher row
        {&Up, true, 5, 3},
        {&Up, true, 3.2, 2},
        {&Up, true, -10, 1},
        {&Up, true, 99, 4},
        {&Down, false, 4, 3},
        {&Down, false, 6.9, 1},
        {&Down, false, 0, 4},
        {&One, true, -8, 1},
    };
    for (const Case& K : Cases) EXPECT_EQ(K.M->FindInSortedColumn(1, K.Asc, K.V), K.Want) << K.V;
    EXPECT_EQ(Up.FindInSortedColumn(2, true, 4), 0);
    EXPECT_EQ(Up.FindInSortedColumn(0, true, 4), 0);
    Up.Resize(1, 0);
    EXPECT_EQ(Up.FindInSortedColumn(1, true, 4), 0);
}

TEST(MatrixStats, SumTraceCountAndBoundOrders) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    EXPECT_EQ(M.Sum(0, 0, 0, 0), 45);
    EXPECT_EQ(M.Sum(2, 1, 3, 2), 2 + 3 + 5 + 6);        // (LoC, LoR, HiC, HiR)
    EXPECT_EQ(M.Sum(3, 2, 2, 1), 2 + 3 + 5 + 6);        // reversed pairs are exchanged
    EXPECT_EQ(M.Trace(), 15);
    EXPECT_EQ(M.CountValues(2, 3, 1, 2, 3, 6), 3);      // (LowCol, HighCol, LowRow, HighRow): 3, 5, 6
    EXPECT_EQ(M.CountValues(0, 0, 0, 0, 5, 5), 1);
    M.Resize(3, 2);
    EXPECT_EQ(M.Trace(), 0);
    M.Resize(0, 0);
    EXPECT_EQ(M.Trace(), 0);
    EXPECT_EQ(M.Sum(0, 0, 0, 0), 0);
}

// ---------------------------------------------------------------- moments

TEST(MatrixStats, MeanVarCasesIncludingFarFromZero) {
    struct Case { Vals In; double Mean, Var; };
    const Case Cases[] = {
        {{1, 3}, 2, 1},             // fewer than three values: variance 1
        {{1, 2, 3}, 2, 1},
        {{2, 4, 6}, 4, 4},
        {{7}, 7, 1},
        {{1e9 + 1, 1e9 + 2, 1e9 + 3, 1e9 + 4, 1e9 + 5}, 1e9 + 3, 2.5},  // numpy var(ddof=1)
        {{0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1}, 0.1, 0},
    };
    for (const Case& K : Cases) {
        TMatrix M(nullptr);
        SetColumn(M, K.In);
        double Mean = 0, Var = 0;
        M.MeanVar(0, 0, 0, 0, Mean, Var);
        EXPECT_DOUBLE_EQ(Mean, K.Mean);
        EXPECT_EQ(Var, K.Var) << K.In.size();
    }
    TMatrix E(nullptr);
    E.Resize(3, 0);
    double Mean = 5, Var = 5;
    E.MeanVar(0, 0, 0, 0, Mean, Var);
    EXPECT_EQ(Mean, 0);
    EXPECT_EQ(Var, 1);
}

TEST(MatrixStats, GeometricAndHarmonicMeans) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 4}, {2, 8}});
    EXPECT_NEAR(double(M.GeometricMean(0, 0, 0, 0)), std::pow(64.0, 0.25), 1e-14);
    EXPECT_NEAR(double(M.HarmonicMean(0, 0, 0, 0)), 4 / (1 + 0.5 + 0.25 + 0.125), 1e-14);
    SetRows(M, {{0, 4}});
    EXPECT_EQ(M.GeometricMean(0, 0, 0, 0), 0);
    M.SetName("G");
    SetRows(M, {{0, -1}});  // the scan goes on past the 0
    try {
        M.GeometricMean(0, 0, 0, 0);
        ADD_FAILURE();
    } catch (const qmr::EQMRMatrixError& E) {
        EXPECT_STREQ(E.what(), "Component \"G\": negative argument passed to GeometricMean");
    }
    SetRows(M, {{1, 0}});
    try {
        M.HarmonicMean(0, 0, 0, 0);
        ADD_FAILURE();
    } catch (const qmr::EQMRMatrixError& E) {
        EXPECT_STREQ(E.what(), "Component \"G\": negative or zero argument passed to HarmonicMean");
    }
    M.Resize(0, 1);
    EXPECT_EQ(M.GeometricMean(0, 0, 0, 0), 0);
    EXPECT_EQ(M.HarmonicMean(0, 0, 0, 0), 0);
}

TEST(MatrixStats, SkewnessAndKurtosis) {
    TMatrix M(nullptr);
    SetRows(M, {{2, 1}, {8, 9}, {0, 9}, {4, 0}});  // column order 2, 8, 0, 4, 1, 9, 9, 0
    double S = 0, K = 0;
    int N = 0;
    // numpy: m3 / s**3 and m4 / s**4 - 3 with m over n and s = std(ddof=1)
    M.SkewKurtIntern(0, 0, 0, 0, S, K, N);
    EXPECT_EQ(N, 8);
    EXPECT_NEAR(S, 0.21694455589273343, 1e-14);
    EXPECT_NEAR(K, -1.978657073264198, 1e-14);
    M.SkewKurt(0, 0, 0, 0, S, K);
    EXPECT_NEAR(S, 0.21694455589273343, 1e-14);
    // scipy.stats.skew(x, bias=False), scipy.stats.kurtosis(x, bias=False)
    M.SkewKurtSample(0, 0, 0, 0, S, K);
    EXPECT_NEAR(S, 0.3305821804079746, 1e-14);
    EXPECT_NEAR(K, -2.098602258096087, 1e-14);
    // Two values are enough for the population form, not for the sample form.
    SetRows(M, {{1, 3}});
    M.SkewKurt(0, 0, 0, 0, S, K);
    EXPECT_EQ(S, 0);                       // symmetric
    EXPECT_NEAR(K, 0.25 - 3, 1e-15);       // (2 / 2) / (sqrt 2)^4 - 3
    SetRows(M, {{1, 3, 8}});
    M.SkewKurtSample(0, 0, 0, 0, S, K);
    EXPECT_EQ(S, 0);
    EXPECT_EQ(K, 0);
    // Constant data: raw sums (0) from the population form, 0 and 0 from the sample form
    // (not the 26.5 its formula gives at n = 4).
    for (int n : {4, 9}) {
        SetColumn(M, Vals(static_cast<std::size_t>(n), 3.0));
        M.SkewKurt(0, 0, 0, 0, S, K);
        EXPECT_EQ(S, 0);
        EXPECT_EQ(K, 0);
        M.SkewKurtSample(0, 0, 0, 0, S, K);
        EXPECT_EQ(S, 0);
        EXPECT_EQ(K, 0);
    }
    SetColumn(M, {5});
    M.SkewKurt(0, 0, 0, 0, S, K);
    EXPECT_EQ(S, 0);
    EXPECT_EQ(K, 0);
}

// ---------------------------------------------------------------- quantiles

using MatrixQuantiles = qmr::test::ProgressFixture;

TEST_F(MatrixQuantiles, QuartilesWithTheClampAndSortProgress) {
    struct Case { Vals In; double Q1, Q2, Q3; };
    const Case Cases[] = {
        {{4, 1, 3, 2}, 1.25, 2.5, 3.75},
        {{2, 8, 0, 4, 1, 9, 9, 0}, 0.25, 3, 8.75},  // numpy.quantile(method='weibull')
        {{6}, 6, 6, 6},
        {{5, 1}, 1, 3, 1},                           // Q3 of two values is held at a[1]
        {{3, 1, 2}, 1, 2, 2},                        // and of three at a[2]
    };
    for (const Case& K : Cases) {
        TMatrix M(nullptr);
        SetColumn(M, K.In);
        double Q1 = 0, Q2 = 0, Q3 = 0;
        ASSERT_TRUE(M.Quartiles(0, 0, 0, 0, Q1, Q2, Q3));
        EXPECT_EQ(Q1, K.Q1);
        EXPECT_EQ(Q2, K.Q2);
        EXPECT_EQ(Q3, K.Q3);
        EXPECT_EQ(Cells(M), K.In);  // sorted on a copy
    }
    TMatrix M(nullptr);
    SetColumn(M, {1, 2, 3, 4});
    ProcStat = 0.0;
    double Q1 = 0, Q2 = 0, Q3 = 0;
    M.Quartiles(0, 0, 0, 0, Q1, Q2, Q3);
    EXPECT_EQ(ProcStat.load(), 3);  // comb passes with gaps 3, 2, 1
    M.Resize(2, 0);
    EXPECT_FALSE(M.Quartiles(0, 0, 0, 0, Q1, Q2, Q3));
    EXPECT_EQ(Q1 + Q2 + Q3, 0);
}

TEST(MatrixPercentile, ExactSelection) {
    TMatrix Four(nullptr), Five(nullptr), Big(nullptr);
    SetRows(Four, {{3, 1}, {2, 4}});
    SetColumn(Five, {5, 4, 3, 2, 1});
    // 1..75 shuffled over 3 columns.
    Vals V(75);
    std::iota(V.begin(), V.end(), 1.0);
    std::shuffle(V.begin(), V.end(), std::mt19937(7));
    Big.Resize(3, 25);
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 25; ++r) Big.SetElem(c, r, V[static_cast<std::size_t>((c - 1) * 25 + r - 1)]);
    struct Case { const TMatrix* M; double Prob; double Want; };
    const Case Cases[] = {
        {&Four, 50, 3},  {&Five, 50, 3},   {&Four, 100, 4}, {&Four, 0, 1},
        {&Four, -5, 1},  {&Four, 250, 4},  {&Four, NaN, 1},
        {&Big, 14, 11},  // k = Round(75 * 14 / 100) = Round(10.5) = 10, not Round(75 * 0.14) = 11
    };
    for (const Case& K : Cases) EXPECT_EQ(K.M->Percentile(K.Prob, 0, 0, 0, 0), K.Want) << K.Prob;
    Vals Col2(V.begin() + 25, V.begin() + 50);
    std::sort(Col2.begin(), Col2.end());
    EXPECT_EQ(Big.Percentile(50, 2, 1, 2, 25), Col2[12]);  // column 2 alone: k = Round(12.5) = 12
    TMatrix E(nullptr);
    E.Resize(0, 4);
    EXPECT_EQ(E.Percentile(50, 0, 0, 0, 0), 0);
    EXPECT_EQ(E.Percentile(50, 0, 0, 0, 0, 10), 0);
}

TEST(MatrixPercentile, SampledSelection) {
    TMatrix M(nullptr);
    M.Resize(100, 100);
    for (int c = 1; c <= 100; ++c)
        for (int r = 1; r <= 100; ++r) M.SetElem(c, r, (c - 1) * 100 + r);  // 1..10000
    for (int Size : {0, -3, 10000, 20000}) EXPECT_EQ(M.Percentile(30, 0, 0, 0, 0, Size), 3001) << Size;
    // A sample of 4000 draws: its 30 % point lies within a few percent of 3000 (the
    // standard error of the sample proportion is 0.7 %).
    for (int Rep = 0; Rep < 3; ++Rep) {
        const double P = double(M.Percentile(30, 0, 0, 0, 0, 4000));
        EXPECT_EQ(P, std::round(P));
        EXPECT_GT(P, 2500);
        EXPECT_LT(P, 3500);
    }
    // Sampling stays inside the range: columns 3..4, rows 5..6.
    for (int Rep = 0; Rep < 20; ++Rep) {
        const double P = double(M.Percentile(50, 3, 5, 4, 6, 3));
        EXPECT_TRUE(P == 205 || P == 206 || P == 305 || P == 306) << P;
    }
    // Most of the sample zero: a quantile inside the zero band is 0.
    M.Fill(0);
    M.Fill(1, 10, 0, 0, -1);  // columns 1..10 negative
    M.Fill(91, 100, 0, 0, 1);
    for (int Rep = 0; Rep < 5; ++Rep) EXPECT_EQ(M.Percentile(50, 0, 0, 0, 0, 2000), 0);
    EXPECT_EQ(M.Percentile(1, 0, 0, 0, 0, 2000), -1);
    EXPECT_EQ(M.Percentile(99, 0, 0, 0, 0, 2000), 1);
}

// ---------------------------------------------------------------- dichotomising and normalisation

TEST(MatrixStats, Dichotomize) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 5}, {3, 2}, {NaN, 9}});
    qmr::TBool2DArray B;
    EXPECT_EQ(M.Dichotomize(2, B), 3);
    EXPECT_EQ(B, (qmr::TBool2DArray{{false, true, false}, {true, false, true}}));
    M.Resize(0, 3);
    EXPECT_EQ(M.Dichotomize(2, B), 0);
    EXPECT_TRUE(B.empty());
}

TEST(MatrixNormalise, StandardizeColumnsAndRowsAgree) {
    TMatrix M(nullptr), T(nullptr);
    SetRows(M, {{1, 10, 5, 1e9 + 1}, {2, 20, 5, 1e9 + 2}, {4, 70, 5, 1e9 + 4}});
    T.Clone(&M);
    T.Transpose();
    TVector Mean(nullptr), Sd(nullptr), MeanT(nullptr), SdT(nullptr);
    Mean.Resize(3);  // shorter than the column count: the fourth is dropped
    Sd.Resize(6);
    MeanT.Resize(4);
    SdT.Resize(4);
    int Ev = 0;
    CountChanges(M, Ev);
    M.StandardizeColumns(&Mean, &Sd);
    EXPECT_EQ(Ev, 1);
    T.StandardizeRows(&MeanT, &SdT);
    T.Transpose();
    EXPECT_EQ(Cells(T), Cells(M));  // the same sums in the same order
    EXPECT_EQ(Mean.NrOfElem(), 3);
    EXPECT_EQ(Sd.NrOfElem(), 6);
    EXPECT_EQ(VecVals(Mean), (Vals{7.0 / 3, 100.0 / 3, 5}));
    EXPECT_EQ(VecVals(MeanT), (Vals{7.0 / 3, 100.0 / 3, 5, 1e9 + 7.0 / 3}));
    EXPECT_EQ(VecVals(SdT), (Vals{double(Sd.Elem(1)), double(Sd.Elem(2)), 0, double(Sd.Elem(4))}));
    EXPECT_NEAR(double(Sd.Elem(4)), double(Sd.Elem(1)), 1e-7);  // column 4 is column 1 shifted by 1e9
    EXPECT_EQ(Sd.Elem(5), 0);
    for (int r = 1; r <= 3; ++r) EXPECT_NEAR(double(M.Elem(4, r)), double(M.Elem(1, r)), 1e-7);
    for (int c : {1, 2, 4}) {
        double Mu = 1, Var = 0;
        M.MeanVar(c, 0, c, 0, Mu, Var);
        EXPECT_NEAR(Mu, 0, c == 4 ? 1e-7 : 1e-15);  // 1e9 + 7/3 is held to 6e-8
        EXPECT_NEAR(Var, 1, 1e-14);
    }
    EXPECT_EQ(M.Elem(3, 2), 5);  // constant column untouched
    // Two rows: variance 1, so only the mean is removed.
    SetRows(M, {{1, 2}, {5, 2}});
    M.StandardizeColumns(nullptr, nullptr);
    EXPECT_EQ(Cells(M), (Vals{-2, 2, 0, 0}));
}

TEST(MatrixNormalise, QuantileNormalisation) {
    TMatrix M(nullptr), T(nullptr);
    SetRows(M, {{1, 4}, {2, 4}, {3, 4}, {9, 4}, {5, 4}});
    T.Clone(&M);
    T.Transpose();
    TVector Med(nullptr), Diff(nullptr);
    Med.Resize(2);
    Diff.Resize(1);
    M.QNormalizeColumns(25, &Med, &Diff);
    // Column 1 sorted 1, 2, 3, 5, 9: median (k = Round(2.5) = 2) 3, 25 % (k = Round(1.25) = 1) 2.
    EXPECT_EQ(Cells(M), (Vals{-2, -1, 0, 6, 2, 4, 4, 4, 4, 4}));
    EXPECT_EQ(VecVals(Med), (Vals{3, 4}));
    EXPECT_EQ(VecVals(Diff), (Vals{1}));
    T.QNormalizeRows(25, nullptr, nullptr);
    T.Transpose();
    EXPECT_EQ(Cells(T), Cells(M));
}

TEST(MatrixNormalise, MeanCentringAndMeanVectors) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 10}, {3, 20}, {8, 60}});
    TVector V(nullptr);
    M.MeanVec(qmr::TDims::dimColumns, &V);
    EXPECT_EQ(VecVals(V), (Vals{4, 30}));
    M.MeanVec(qmr::TDims::dimRows, &V);
    EXPECT_EQ(VecVals(V), (Vals{5.5, 11.5, 34}));
    M.MeanVec(qmr::TDims::dimRows, nullptr);  // nothing
    TVector C(nullptr);
    int Ev = 0;
    CountChanges(M, Ev);
    M.MeanCenterColumns(&C);
    EXPECT_EQ(VecVals(C), (Vals{4, 30}));  // resized to the column count
    EXPECT_EQ(Cells(M), (Vals{-3, -1, 4, -20, -10, 30}));
    M.MeanCenterRows(&C);
    EXPECT_EQ(VecVals(C), (Vals{-11.5, -5.5, 17}));
    EXPECT_EQ(Cells(M), (Vals{8.5, 4.5, -13, -8.5, -4.5, 13}));
    EXPECT_EQ(Ev, 2);
    M.Resize(2, 0);  // means of nothing are 0
    M.MeanVec(qmr::TDims::dimColumns, &V);
    EXPECT_EQ(VecVals(V), (Vals{0, 0}));
}

}  // namespace
