// TMatrix statistics over ranges and the column and row normalisations.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

using namespace qmr;
using namespace qmr::test;
using Vals = std::vector<double>;

const double MaxReal = std::numeric_limits<double>::max();

TEST(MatrixStats, ExtremesSearchSumsAndCounts) {
    TMatrix M(nullptr);
    for (auto [In, Min, Max] : {std::tuple{Vals{3, -1, 7}, -1.0, 7.0}, {Vals{Inf, Inf}, Inf, Inf},
                                {Vals{-Inf, 2}, -Inf, 2.0}, {Vals{NaN, 5, NaN, 4}, 4.0, 5.0},
                                {Vals{NaN}, MaxReal, -MaxReal}, {Vals{}, MaxReal, -MaxReal}}) {
        SetColumn(M, In);
        double Lo = 0, Hi = 0;
        M.MinMax(0, 0, 0, 0, Lo, Hi);
        EXPECT_TRUE(Lo == Min && Hi == Max) << In.size();
    }
    SetRows(M, {{5, 1, 9}, {2, 8, 4}});
    int C = -1, R = -1;
    M.Find(0, 0, 0, 0, 3, C, R);  // 2 and 4 both at distance 1: column 1 comes first
    EXPECT_EQ(C * 10 + R, 12);
    M.Find(2, 3, 0, 0, 3, C, R);  // (LowCol, HighCol, LowRow, HighRow)
    EXPECT_EQ(C * 10 + R, 32);
    SetRows(M, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    EXPECT_EQ(M.Sum(2, 1, 3, 2), 2 + 3 + 5 + 6);  // (LoC, LoR, HiC, HiR)
    EXPECT_EQ(M.Sum(3, 2, 2, 1), 2 + 3 + 5 + 6);
    EXPECT_EQ(M.Trace(), 15);
    EXPECT_EQ(M.CountValues(2, 3, 1, 2, 3, 6), 3);  // 3, 5, 6
    M.Resize(3, 2);
    EXPECT_EQ(M.Trace(), 0);
    M.Fill(NaN);
    M.Find(0, 0, 0, 0, 3, C, R);
    EXPECT_EQ(C * 10 + R, 0);
}

TEST(MatrixStats, FindInSortedColumn) {
    TMatrix Up(nullptr), Down(nullptr), One(nullptr);
    SetColumn(Up, {1, 3, 5, 7});
    SetColumn(Down, {7, 5, 3, 1});
    SetColumn(One, {4});
    for (auto [M, Asc, V, Want] : {std::tuple{&Up, true, 4.0, 3}, {&Up, true, 5.0, 3}, {&Up, true, 3.2, 2},
                                   {&Up, true, -10.0, 1}, {&Up, true, 99.0, 4}, {&Down, false, 4.0, 3},
                                   {&Down, false, 6.9, 1}, {&Down, false, 0.0, 4}, {&One, true, -8.0, 1}})
        EXPECT_EQ(M->FindInSortedColumn(1, Asc, V), Want) << V;
    EXPECT_EQ(Up.FindInSortedColumn(2, true, 4) + Up.FindInSortedColumn(0, true, 4), 0);
    Up.Resize(1, 0);
    EXPECT_EQ(Up.FindInSortedColumn(1, true, 4), 0);
}

TEST(MatrixStats, Moments) {
    TMatrix M(nullptr);
    // MeanVar: variance 1 below three values; numpy var(ddof=1) of 1e9 + 1..5 is 2.5.
    for (auto [In, Mean, Var] : {std::tuple{Vals{1, 3}, 2.0, 1.0}, {Vals{1, 2, 3}, 2.0, 1.0}, {Vals{2, 4, 6}, 4.0, 4.0},
                                 {Vals{1e9 + 1, 1e9 + 2, 1e9 + 3, 1e9 + 4, 1e9 + 5}, 1e9 + 3, 2.5},
                                 {Vals(7, 0.1), 0.1, 0.0}, {Vals{}, 0.0, 1.0}}) {
        SetColumn(M, In);
        double Mu = 5, V = 5;
        M.MeanVar(0, 0, 0, 0, Mu, V);
        EXPECT_DOUBLE_EQ(Mu, Mean);
        EXPECT_EQ(V, Var) << In.size();
    }
    SetRows(M, {{1, 4}, {2, 8}});
    EXPECT_NEAR(double(M.GeometricMean(0, 0, 0, 0)), std::pow(64.0, 0.25), 1e-14);
    EXPECT_NEAR(double(M.HarmonicMean(0, 0, 0, 0)), 4 / 1.875, 1e-14);
    SetRows(M, {{0, 4}});
    EXPECT_EQ(M.GeometricMean(0, 0, 0, 0), 0);
    M.SetName("G");
    SetRows(M, {{0, -1}});  // the scan goes on past the 0
    EXPECT_THROW(M.GeometricMean(0, 0, 0, 0), EQMRMatrixError);
    SetRows(M, {{1, 0}});
    EXPECT_EQ(RaisedMessage<EQMRMatrixError>([&] { M.HarmonicMean(0, 0, 0, 0); }),
              "Component \"G\": negative or zero argument passed to HarmonicMean");
    M.Resize(0, 1);
    EXPECT_EQ(M.GeometricMean(0, 0, 0, 0) + M.HarmonicMean(0, 0, 0, 0), 0);
    // Skewness and kurtosis of 2, 8, 0, 4, 1, 9, 9, 0 (column order). Population form:
    // numpy m3 / s**3 and m4 / s**4 - 3 with m over n, s = std(ddof=1); sample form:
    // scipy.stats.skew(x, bias=False) and scipy.stats.kurtosis(x, bias=False).
    SetRows(M, {{2, 1}, {8, 9}, {0, 9}, {4, 0}});
    double S = 0, K = 0;
    int N = 0;
    M.SkewKurtIntern(0, 0, 0, 0, S, K, N);
    EXPECT_EQ(N, 8);
    EXPECT_NEAR(S, 0.21694455589273343, 1e-14);
    EXPECT_NEAR(K, -1.978657073264198, 1e-14);
    M.SkewKurtSample(0, 0, 0, 0, S, K);
    EXPECT_NEAR(S, 0.3305821804079746, 1e-14);
    EXPECT_NEAR(K, -2.098602258096087, 1e-14);
    SetRows(M, {{1, 3}});  // two values: (2 / 2) / sqrt(2)^4 - 3
    M.SkewKurt(0, 0, 0, 0, S, K);
    EXPECT_EQ(std::pair(S, K), std::pair(0.0, 0.25 - 3));
    // The sample form needs four; constant data gives 0 and 0 from both forms (the sample
    // formula gives 26.5 at n = 4).
    for (auto [In, Sample] : {std::pair{Vals{1, 3, 8}, true}, {Vals(4, 3.0), true}, {Vals(4, 3.0), false},
                              {Vals(9, 3.0), true}, {Vals(9, 3.0), false}}) {
        SetColumn(M, In);
        S = K = 7;
        Sample ? M.SkewKurtSample(0, 0, 0, 0, S, K) : M.SkewKurt(0, 0, 0, 0, S, K);
        EXPECT_EQ(std::pair(S, K), std::pair(0.0, 0.0)) << In.size() << Sample;
    }
}

using MatrixQuantiles = ProgressFixture;

TEST_F(MatrixQuantiles, QuartilesAndExactPercentiles) {
    TMatrix M(nullptr);
    // numpy.quantile(method='weibull') for n >= 4; Q3 of two or three values is held at a[n - 1].
    for (auto [In, Q1, Q2, Q3] : {std::tuple{Vals{4, 1, 3, 2}, 1.25, 2.5, 3.75}, {Vals{2, 8, 0, 4, 1, 9, 9, 0}, 0.25, 3.0, 8.75},
                                  {Vals{6}, 6.0, 6.0, 6.0}, {Vals{5, 1}, 1.0, 3.0, 1.0}, {Vals{3, 1, 2}, 1.0, 2.0, 2.0}}) {
        SetColumn(M, In);
        double A = 0, B = 0, C = 0;
        ASSERT_TRUE(M.Quartiles(0, 0, 0, 0, A, B, C));
        EXPECT_TRUE(A == Q1 && B == Q2 && C == Q3) << In.size();
        EXPECT_EQ(Cells(M), In);
    }
    SetColumn(M, {1, 2, 3, 4});
    ProcStat = 0.0;
    double A = 0, B = 0, C = 0;
    M.Quartiles(0, 0, 0, 0, A, B, C);
    EXPECT_EQ(ProcStat.load(), 3);  // the comb passes with gaps 3, 2, 1
    for (double P : {50.0, 100.0, 0.0, -5.0, 250.0, NaN}) EXPECT_EQ(M.Percentile(P, 0, 0, 0, 0), P >= 50 ? (P > 50 ? 4 : 3) : 1) << P;
    SetColumn(M, {5, 4, 3, 2, 1});
    EXPECT_EQ(M.Percentile(50, 0, 0, 0, 0), 3);  // Round(2.5) = 2
    // 1..75 over three columns: k = Round(75 * 14 / 100) = Round(10.5) = 10, not Round(75 * 0.14) = 11.
    Vals V(75);
    std::iota(V.begin(), V.end(), 1.0);
    std::shuffle(V.begin(), V.end(), std::mt19937(7));
    SetColumn(M, V);
    EXPECT_EQ(M.Percentile(14, 0, 0, 0, 0), 11);
    EXPECT_EQ(M.Percentile(100, 0, 1, 0, 5), *std::max_element(V.begin(), V.begin() + 5));  // rows 1..5
    M.Resize(0, 4);
    EXPECT_FALSE(M.Quartiles(0, 0, 0, 0, A, B, C));
    EXPECT_EQ(A + B + C + M.Percentile(50, 0, 0, 0, 0) + M.Percentile(50, 0, 0, 0, 0, 10), 0);
}

TEST(MatrixPercentile, SampledSelection) {
    TMatrix M(nullptr);
    FillCells(M, 100, 100, [](int c, int r) { return (c - 1) * 100 + r; });  // 1..10000
    for (int Size : {0, -3, 10000, 20000}) EXPECT_EQ(M.Percentile(30, 0, 0, 0, 0, Size), 3001) << Size;
    // 4000 draws: the 30 % point is within 7 standard errors (0.7 % each) of 3000.
    for (int Rep = 0; Rep < 3; ++Rep) EXPECT_NEAR(double(M.Percentile(30, 0, 0, 0, 0, 4000)), 3000, 500);
    for (int Rep = 0; Rep < 20; ++Rep) {  // draws stay inside columns 3..4, rows 5..6
        const double P = double(M.Percentile(50, 3, 5, 4, 6, 3));
        EXPECT_TRUE(P == 205 || P == 206 || P == 305 || P == 306) << P;
    }
    // 10 % negative, 80 % zero: quantiles inside the zero band are 0, outside selected.
    M.Fill(0);
    M.Fill(1, 10, 0, 0, -1);
    M.Fill(91, 100, 0, 0, 1);
    for (auto [P, Want] : {std::pair{50.0, 0.0}, {30.0, 0.0}, {1.0, -1.0}, {99.0, 1.0}})
        EXPECT_EQ(M.Percentile(P, 0, 0, 0, 0, 2000), Want) << P;
}

TEST(MatrixHistogram, BinsRefusalsAndOverflowBeyondTheRoundedCount) {
    TMatrix M(nullptr);
    TIntVector H(nullptr);
    int U = -1, O = -1, Mx = -1;
    SetRows(M, {{10.5, 3}, {11, 3}, {-0.1, NaN}});
    // A nil target, widths that are not finite and positive, quotients that are not finite
    // or above 500 (1001 bins, 501 bins, 1e600, 1e20): False, nothing touched.
    for (auto [Lo, Hi, W] : {std::tuple{0.0, 10.0, 0.01}, {0.0, 10.0, 0.02}, {0.0, 10.0, 0.0}, {0.0, 10.0, -1.0},
                             {0.0, 10.0, NaN}, {0.0, 10.0, Inf}, {NaN, 10.0, 1.0}, {0.0, Inf, 1.0}, {-1e300, 1e300, 1e-300}, {0.0, 1e20, 1.0}})
        EXPECT_FALSE(M.Histogram(0, 0, 0, 0, Lo, Hi, W, &H, U, O, Mx)) << Lo << " " << Hi << " " << W;
    EXPECT_FALSE(M.Histogram(0, 0, 0, 0, 0, 10, 1, nullptr, U, O, Mx));
    EXPECT_EQ(std::tuple(H.NrOfElem(), U, O, Mx), std::tuple(1, -1, -1, -1));
    // Eleven bins: 10.5 in bin 11, 11 and NaN overflow, -0.1 underflows.
    ASSERT_TRUE(M.Histogram(0, 0, 0, 0, 0, 10, 1, &H, U, O, Mx));
    EXPECT_EQ(std::tuple(H.NrOfElem(), H.Elem(11), H.Elem(4), U, O, Mx), std::tuple(11, 1, 2, 1, 2, 2));
    // (LoX, LoY, HiX, HiY): column 2, rows 1..2 only.
    ASSERT_TRUE(M.Histogram(2, 1, 2, 2, 0, 10, 1, &H, U, O, Mx));
    EXPECT_EQ(std::tuple(ValuesOf<int>(H)[3], U, O, Mx), std::tuple(2, 0, 0, 2));
    // Round(2.5) = 2: three bins of width 2 from 0; 6.5 would go to bin 4: an overflow.
    SetRows(M, {{0, 5.5, 6.5, 8.5}});
    ASSERT_TRUE(M.Histogram(0, 0, 0, 0, 0, 5, 2, &H, U, O, Mx));
    EXPECT_EQ(std::tuple(ValuesOf<int>(H), U, O, Mx), std::tuple(std::vector<int>{1, 0, 1}, 0, 2, 1));
    M.Resize(3, 0);
    H.Fill(7);
    ASSERT_TRUE(M.Histogram(0, 0, 0, 0, 0, 5, 2, &H, U, O, Mx));
    EXPECT_EQ(std::tuple(ValuesOf<int>(H), U, O, Mx), std::tuple(std::vector<int>(3, 0), 0, 0, 0));
}

TEST(MatrixHistogram, AgreesWithAFloorLoopWithAndWithoutHandler) {
    TMatrix M(nullptr);
    RandomFill(M, 17, 300, 5);  // values in [-1, 1]
    std::vector<int> Want(21, 0);
    int WantU = 0, WantO = 0, Cells = 0;
    for (int c = 3; c <= 15; ++c)
        for (int r = 20; r <= 280; ++r) {
            const double V = M.Elem(c, r);
            ++Cells;
            const double B = std::floor((V + 0.8) / 0.08);
            if (V < -0.8) ++WantU;
            else if (V >= 0.8 + 0.08 || B >= 21) ++WantO;
            else ++Want[static_cast<std::size_t>(B)];
        }
    for (bool Handler : {false, true}) {
        TIntVector H(nullptr);
        int Ev = 0;
        if (Handler) CountChanges(H, Ev);
        int U = 0, O = 0, Mx = 0;
        ASSERT_TRUE(M.Histogram(15, 280, 3, 20, -0.8, 0.8, 0.08, &H, U, O, Mx));  // bounds reversed
        EXPECT_EQ(std::tuple(ValuesOf<int>(H), U, O, Mx),
                  std::tuple(Want, WantU, WantO, *std::max_element(Want.begin(), Want.end())));
        if (Handler) {
            EXPECT_EQ(Ev, 2 + Cells - WantU - WantO);  // resize, clear, one per count
        }
    }
}

TEST(MatrixNormalise, ColumnsAndRowsAgree) {
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
    T.StandardizeRows(&MeanT, &SdT);
    T.Transpose();
    EXPECT_EQ(Cells(T), Cells(M));  // the same sums in the same order
    EXPECT_EQ(Ev, 1);
    EXPECT_EQ(ValuesOf(Mean), (Vals{7.0 / 3, 100.0 / 3, 5}));
    EXPECT_EQ(ValuesOf(SdT), (Vals{ValuesOf(Sd)[0], ValuesOf(Sd)[1], 0, ValuesOf(Sd)[3]}));
    EXPECT_NEAR(double(Sd.Elem(4)), double(Sd.Elem(1)), 1e-7);  // column 1 shifted by 1e9
    for (int c : {1, 2, 4}) {
        double Mu = 1, Var = 0;
        M.MeanVar(c, 0, c, 0, Mu, Var);
        EXPECT_NEAR(Mu, 0, c == 4 ? 1e-7 : 1e-15);  // 1e9 + 7/3 is held to 6e-8
        EXPECT_NEAR(Var, 1, 1e-14);
    }
    EXPECT_EQ(M.Elem(3, 2), 5);  // constant column untouched
    SetRows(M, {{1, 2}, {5, 2}});  // two rows: variance 1, only the mean goes
    M.StandardizeColumns(nullptr, nullptr);
    EXPECT_EQ(Cells(M), (Vals{-2, 2, 0, 0}));
    // Quantile normalisation: column 1 sorted 1, 2, 3, 5, 9 has median 3 (k = 2) and 25 % point 2 (k = 1).
    SetRows(M, {{1, 4}, {2, 4}, {3, 4}, {9, 4}, {5, 4}});
    T.Clone(&M);
    T.Transpose();
    M.QNormalizeColumns(25, &Mean, &Sd);
    EXPECT_EQ(Cells(M), (Vals{-2, -1, 0, 6, 2, 4, 4, 4, 4, 4}));
    EXPECT_EQ(ValuesOf(Mean), (Vals{3, 4, 5}));
    EXPECT_EQ(ValuesOf(Sd)[0] + ValuesOf(Sd)[1], 1);
    T.QNormalizeRows(25, nullptr, nullptr);
    T.Transpose();
    EXPECT_EQ(Cells(T), Cells(M));
}

TEST(MatrixNormalise, CentringMeanVectorsAndDichotomising) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 10}, {3, 20}, {8, 60}});
    TVector V(nullptr), C(nullptr);
    M.MeanVec(TDims::dimColumns, &V);
    EXPECT_EQ(ValuesOf(V), (Vals{4, 30}));
    M.MeanVec(TDims::dimRows, &V);
    EXPECT_EQ(ValuesOf(V), (Vals{5.5, 11.5, 34}));
    M.MeanVec(TDims::dimRows, nullptr);
    int Ev = 0;
    CountChanges(M, Ev);
    M.MeanCenterColumns(&C);
    EXPECT_EQ(ValuesOf(C), (Vals{4, 30}));  // sized to the column count
    M.MeanCenterRows(&C);
    EXPECT_EQ(ValuesOf(C), (Vals{-11.5, -5.5, 17}));
    EXPECT_EQ(Cells(M), (Vals{8.5, 4.5, -13, -8.5, -4.5, 13}));
    EXPECT_EQ(Ev, 2);
    TBool2DArray B;
    EXPECT_EQ(M.Dichotomize(4.5, B), 2);
    EXPECT_EQ(B, (TBool2DArray{{true, false, false}, {false, false, true}}));
    M.Resize(2, 0);  // means of nothing are 0
    M.MeanVec(TDims::dimColumns, &V);
    EXPECT_EQ(ValuesOf(V), (Vals{0, 0}));
    EXPECT_EQ(M.Dichotomize(0, B), 0);
    EXPECT_EQ(B, TBool2DArray(2));
}

}  // namespace
