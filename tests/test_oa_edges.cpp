// Edge vectors, percentiles, value counts, cloning, comparison and hat matrices.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

using namespace qmr;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

// Round(n * P / 100), halves to even, at most n - 1: computed with the FPU's own rounding.
std::size_t PercentileIndex(double P, std::size_t N) {
    P = std::min(100.0, std::max(0.0, P));
    const double K = std::nearbyint(static_cast<double>(N) * P / 100.0);
    return std::min(static_cast<std::size_t>(K), N - 1);
}

}  // namespace

TEST(EdgeVector, MeansMinimaMaximaSums) {
    const TDouble2DArray A{{1, 2}, {3, 5}, {-4, 8}};  // 3 columns of 2 rows
    TDoubleArray V{99};
    ASSERT_EQ(EdgeVector(A, TOrientation::orColumns, TEdgeOp::eoMean, V), 0);
    EXPECT_EQ(V, (TDoubleArray{1.5, 4, 2}));
    ASSERT_EQ(EdgeVector(A, TOrientation::orRows, TEdgeOp::eoMean, V), 0);
    EXPECT_EQ(V, (TDoubleArray{0, 5}));
    ASSERT_EQ(EdgeVector(A, TOrientation::orRows, TEdgeOp::eoMin, V), 0);
    EXPECT_EQ(V, (TDoubleArray{-4, 2}));
    ASSERT_EQ(EdgeVector(A, TOrientation::orColumns, TEdgeOp::eoMax, V), 0);
    EXPECT_EQ(V, (TDoubleArray{2, 5, 8}));
    ASSERT_EQ(EdgeVector(A, TOrientation::orColumns, TEdgeOp::eoSum, V), 0);
    EXPECT_EQ(V, (TDoubleArray{3, 8, 4}));

    const TInt2DArray I{{7, -1, 4}, {2, 2, 2}};
    ASSERT_EQ(EdgeVector(I, TOrientation::orRows, TEdgeOp::eoSum, V), 0);
    EXPECT_EQ(V, (TDoubleArray{9, 1, 6}));
    ASSERT_EQ(EdgeVector(I, TOrientation::orColumns, TEdgeOp::eoMin, V), 0);
    EXPECT_EQ(V, (TDoubleArray{-1, 2}));
    // Start values: a column of NaN never lowers the minimum below its start.
    ASSERT_EQ(EdgeVector(TDouble2DArray{{NaN}}, TOrientation::orColumns, TEdgeOp::eoMin, V), 0);
    EXPECT_EQ(V[0], std::numeric_limits<double>::max());
    ASSERT_EQ(EdgeVector(TDouble2DArray{{NaN}}, TOrientation::orColumns, TEdgeOp::eoMax, V), 0);
    EXPECT_EQ(V[0], -std::numeric_limits<double>::max());

    V = {42};
    EXPECT_EQ(EdgeVector(TDouble2DArray{}, TOrientation::orRows, TEdgeOp::eoSum, V), -1);
    EXPECT_EQ(EdgeVector(TDouble2DArray(2), TOrientation::orRows, TEdgeOp::eoSum, V), -1);
    EXPECT_EQ(EdgeVector(TInt2DArray{{1, 2}, {3}}, TOrientation::orRows, TEdgeOp::eoSum, V), -1);
    EXPECT_EQ(V, TDoubleArray{42});
}

TEST(PercentileArray, SmallExamplesAndClamping) {
    TDoubleArray A{5, 1, 3};
    EXPECT_EQ(PercentileArray(40, A), 3);
    EXPECT_EQ(A[1], 3);  // selected in place
    A = {5, 1, 3};
    EXPECT_EQ(PercentileArray(50, A), 5);  // position Round(1.5) = 2
    A = {5, 1, 3};
    EXPECT_EQ(PercentileArray(100, A), 5);
    A = {5, 1, 3};
    EXPECT_EQ(PercentileArray(-5, A), 1);
    A = {5, 1, 3};
    EXPECT_EQ(PercentileArray(250, A), 5);
    TDoubleArray E;
    EXPECT_EQ(PercentileArray(50, E), 0);
    A = {5, 1, 3};
    EXPECT_EQ(PercentileArray(NaN, A), 0);
    EXPECT_EQ(A, (TDoubleArray{5, 1, 3}));
}

TEST(PercentileArray, EqualsSortingAndIndexing) {
    std::mt19937_64 Gen(11);
    std::uniform_int_distribution<int> Val(-20, 20);  // duplicates on purpose
    for (std::size_t N : {1u, 2u, 5u, 10u, 37u, 200u}) {
        TDoubleArray A(N);
        for (double& X : A) X = Val(Gen) * 0.5;
        TDoubleArray Sorted = A;
        std::sort(Sorted.begin(), Sorted.end());
        for (double P : {0.0, 5.0, 12.5, 25.0, 50.0, 66.6, 75.0, 99.0, 100.0}) {
            TDoubleArray B = A;
            const std::size_t K = PercentileIndex(P, N);
            EXPECT_EQ(PercentileArray(P, B), Sorted[K]) << N << " " << P;
            EXPECT_EQ(B[K], Sorted[K]);  // the caller's array is the one selected in
            std::sort(B.begin(), B.end());
            EXPECT_EQ(B, Sorted);  // reordered, never changed
        }
    }
}

TEST(PercentileArray, BlockFormClampsAndLeavesTheArray) {
    std::mt19937_64 Gen(5);
    std::uniform_real_distribution<double> U(-5, 5);
    TDouble2DArray A(6, TDoubleArray(4));
    for (auto& C : A)
        for (double& X : C) X = U(Gen);
    const TDouble2DArray A0 = A;
    auto Block = [&](int C0, int R0, int C1, int R1) {
        TDoubleArray V;
        for (int C = C0; C <= C1; ++C)
            for (int R = R0; R <= R1; ++R) V.push_back(A0[C][R]);
        std::sort(V.begin(), V.end());
        return V;
    };
    for (double P : {0.0, 30.0, 50.0, 90.0, 100.0}) {
        TDoubleArray B = Block(1, 1, 4, 2);
        EXPECT_EQ(PercentileArray(P, A, 1, 1, 4, 2), B[PercentileIndex(P, B.size())]);
        // Bounds beyond the array are clamped: the whole array.
        B = Block(0, 0, 5, 3);
        EXPECT_EQ(PercentileArray(P, A, -3, -1, 99, 99), B[PercentileIndex(P, B.size())]);
    }
    EXPECT_EQ(A, A0);
    EXPECT_EQ(PercentileArray(50, A, 0, 0, 0, 0), A0[0][0]);  // zero bounds: one cell, not the array
    EXPECT_EQ(PercentileArray(50, A, 4, 0, 1, 3), 0);  // reversed columns, not exchanged
    EXPECT_EQ(PercentileArray(50, A, 0, 3, 5, 1), 0);
    EXPECT_EQ(PercentileArray(NaN, A, 0, 0, 5, 3), 0);
    EXPECT_EQ(PercentileArray(50, TDouble2DArray{}, 0, 0, 0, 0), 0);
    EXPECT_EQ(PercentileArray(50, TDouble2DArray(3), 0, 0, 0, 0), 0);
}

TEST(CountValues, AgainstDirectCountsInEveryRank) {
    std::mt19937_64 Gen(3);
    std::uniform_int_distribution<int> Val(0, 9);
    TInt4DArray I4(3, TInt3DArray(4, TInt2DArray(2, TIntArray(5))));
    TDouble4DArray D4(3, TDouble3DArray(4, TDouble2DArray(2, TDoubleArray(5))));
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 4; ++b)
            for (int c = 0; c < 2; ++c)
                for (int d = 0; d < 5; ++d) D4[a][b][c][d] = I4[a][b][c][d] = Val(Gen);
    int Direct = 0;
    for (int a = 1; a <= 2; ++a)
        for (int b = 0; b <= 2; ++b)
            for (int c = 1; c <= 1; ++c)
                for (int d = 2; d <= 4; ++d) Direct += (I4[a][b][c][d] >= 3 && I4[a][b][c][d] <= 6);
    EXPECT_EQ(CountValues(I4, 1, 2, 0, 2, 1, 1, 2, 4, 3, 6), Direct);
    EXPECT_EQ(CountValues(D4, 1, 2, 0, 2, 1, 1, 2, 4, 3.0, 6.0), Direct);
    EXPECT_EQ(CountValues(D4, 1, 2, 0, 2, 1, 1, 2, 4, 2.5, 6.5), Direct);

    Direct = 0;
    for (int b = 1; b <= 3; ++b)
        for (int c = 0; c <= 1; ++c)
            for (int d = 0; d <= 4; ++d) Direct += (I4[2][b][c][d] <= 4);
    EXPECT_EQ(CountValues(I4[2], 1, 3, 0, 1, 0, 4, 0, 4), Direct);
    EXPECT_EQ(CountValues(D4[2], 1, 3, 0, 1, 0, 4, -1.0, 4.0), Direct);
    Direct = 0;
    for (int c = 0; c <= 1; ++c)
        for (int d = 1; d <= 3; ++d) Direct += (I4[0][0][c][d] == 7);
    EXPECT_EQ(CountValues(I4[0][0], 0, 1, 1, 3, 7, 7), Direct);
    EXPECT_EQ(CountValues(D4[0][0], 0, 1, 1, 3, 7.0, 7.0), Direct);
    Direct = 0;
    for (int d = 0; d <= 4; ++d) Direct += (I4[0][0][0][d] >= 5);
    EXPECT_EQ(CountValues(I4[0][0][0], 0, 4, 5, 100), Direct);
    EXPECT_EQ(CountValues(D4[0][0][0], 0, 4, 5.0, 100.0), Direct);

    // Refusals.
    const TDouble2DArray A{{1, 2}, {3, 4}};
    EXPECT_EQ(CountValues(A, 0, 1, 0, 1, 5.0, 1.0), -2);  // Lo > Hi
    EXPECT_EQ(CountValues(A, 1, 0, 0, 1, 0.0, 9.0), -2);  // high < low
    EXPECT_EQ(CountValues(A, 0, 2, 0, 1, 0.0, 9.0), -2);  // beyond the columns
    EXPECT_EQ(CountValues(A, 0, 1, -1, 1, 0.0, 9.0), -2);
    EXPECT_EQ(CountValues(A, 0, 1, 0, 1, NaN, 9.0), -2);
    EXPECT_EQ(CountValues(A, 0, 1, 0, 1, 0.0, 9.0), 4);
    EXPECT_EQ(CountValues(A, 0, 0, 0, 0, 0.0, 9.0), 1);  // zero bounds: one cell, not the array
    EXPECT_EQ(CountValues(TDoubleArray{}, 0, 0, 0.0, 1.0), -1);
    EXPECT_EQ(CountValues(TInt2DArray(2), 0, 0, 0, 0, 0, 1), -1);
    EXPECT_EQ(CountValues(TInt2DArray{{1, 2}, {3}}, 0, 1, 0, 1, 0, 9), -1);  // ragged
}

TEST(CloneArray, ConversionsAndShapes) {
    TIntArray I;
    ASSERT_EQ(CloneArray(TDoubleArray{3e9, 2.5, 3.5, -2.5, -3e9, NaN, -0.4, 1.6}, I), 0);
    EXPECT_EQ(I, (TIntArray{2147483647, 2, 4, -2, -2147483647 - 1, 0, 0, 2}));

    const TInt3DArray I3{{{1, 2}, {3, 4}}, {{5, 6}, {7, 8}}, {{9, 10}, {11, 12}}};
    TDouble3DArray D3;
    ASSERT_EQ(CloneArray(I3, D3), 0);
    TInt3DArray Back;
    ASSERT_EQ(CloneArray(D3, Back), 0);
    EXPECT_EQ(Back, I3);
    EXPECT_EQ(D3[2][1][0], 11.0);

    TDouble4DArray D4{{{{1.25}}}, {{{-2.5}}}};
    TDouble4DArray D4c;
    TInt4DArray I4;
    ASSERT_EQ(CloneArray(D4, D4c), 0);
    EXPECT_EQ(D4c, D4);
    ASSERT_EQ(CloneArray(D4, I4), 0);
    EXPECT_EQ(I4, (TInt4DArray{{{{1}}}, {{{-2}}}}));
    TDouble4DArray D4b;
    ASSERT_EQ(CloneArray(I4, D4b), 0);
    EXPECT_EQ(D4b[1][0][0][0], -2.0);

    TSingleArray S;
    ASSERT_EQ(CloneArray(TDoubleArray{0.1, 1e300, -1e300, 3.4028235e38}, S), 0);
    EXPECT_EQ(S[0], 0.1f);
    EXPECT_EQ(S[1], std::numeric_limits<float>::infinity());
    EXPECT_EQ(S[2], -std::numeric_limits<float>::infinity());
    EXPECT_EQ(S[3], std::numeric_limits<float>::max());
    TDoubleArray D;
    ASSERT_EQ(CloneArray(TSingleArray{0.5f, -2.0f}, D), 0);
    EXPECT_EQ(D, (TDoubleArray{0.5, -2.0}));

    TBool2DArray B;
    ASSERT_EQ(CloneArray(TBool2DArray{{true, false}, {false, true}}, B), 0);
    EXPECT_EQ(B, (TBool2DArray{{true, false}, {false, true}}));
    TInt2DArray Ii;
    ASSERT_EQ(CloneArray(TInt2DArray{{1, 2, 3}}, Ii), 0);
    EXPECT_EQ(Ii, (TInt2DArray{{1, 2, 3}}));

    // Empty and ragged sources are refused and the destination stays.
    TDouble2DArray Dd{{7}};
    EXPECT_EQ(CloneArray(TDouble2DArray{}, Dd), -1);
    EXPECT_EQ(CloneArray(TDouble2DArray(3), Dd), -1);
    EXPECT_EQ(CloneArray(TDouble2DArray{{1, 2}, {3}}, Dd), -1);
    EXPECT_EQ(Dd, (TDouble2DArray{{7}}));
    TBoolArray Bb{true};
    EXPECT_EQ(CloneArray(TBoolArray{}, Bb), -1);
    EXPECT_EQ(Bb, TBoolArray{true});
    TInt4DArray I4e{{{{5}}}};
    EXPECT_EQ(CloneArray(TInt4DArray(2, TInt3DArray(1, TInt2DArray(1))), I4e), -1);
    EXPECT_EQ(I4e[0][0][0][0], 5);
}

TEST(CloneArray, ReversedCopies) {
    TIntArray I;
    ASSERT_EQ(CloneAndReverseArray(TIntArray{1, 2, 3}, I), 0);
    EXPECT_EQ(I, (TIntArray{3, 2, 1}));
    ASSERT_EQ(CloneAndReverseArray(TDoubleArray{0.5, 1.5, 2.5}, I), 0);
    EXPECT_EQ(I, (TIntArray{2, 2, 0}));
    TDoubleArray D;
    ASSERT_EQ(CloneAndReverseArray(TDoubleArray{1, 2}, D), 0);
    EXPECT_EQ(D, (TDoubleArray{2, 1}));
    ASSERT_EQ(CloneAndReverseArray(TIntArray{4, -5}, D), 0);
    EXPECT_EQ(D, (TDoubleArray{-5, 4}));
    ASSERT_EQ(CloneAndReverseArray(TSingleArray{0.25f, 8.0f}, D), 0);
    EXPECT_EQ(D, (TDoubleArray{8, 0.25}));
    TSingleArray S;
    ASSERT_EQ(CloneAndReverseArray(TDoubleArray{1, 1e300}, S), 0);
    EXPECT_EQ(S, (TSingleArray{std::numeric_limits<float>::infinity(), 1.0f}));
    TBoolArray B;
    ASSERT_EQ(CloneAndReverseArray(TBoolArray{true, false, false}, B), 0);
    EXPECT_EQ(B, (TBoolArray{false, false, true}));
    EXPECT_EQ(CloneAndReverseArray(TBoolArray{}, B), -1);
    EXPECT_EQ(CloneAndReverseArray(TIntArray{}, D), -1);
    EXPECT_EQ(D, (TDoubleArray{8, 0.25}));
}

TEST(EqualArrays, ShapesAndCells) {
    EXPECT_TRUE(EqualArrays(TIntArray{1, 2}, TIntArray{1, 2}));
    EXPECT_FALSE(EqualArrays(TIntArray{1, 2}, TIntArray{1, 3}));
    EXPECT_FALSE(EqualArrays(TIntArray{1, 2}, TIntArray{1, 2, 3}));
    EXPECT_FALSE(EqualArrays(TInt2DArray{{1, 2}, {3, 4}}, TInt2DArray{{1, 2}, {3, 4}, {5, 6}}));  // columns only
    EXPECT_TRUE(EqualArrays(TInt2DArray{{1, 2}, {3, 4}}, TInt2DArray{{1, 2}, {3, 4}}));
    EXPECT_FALSE(EqualArrays(TInt2DArray{{1, 2}, {3, 4}}, TInt2DArray{{1, 2}, {3, 5}}));
    EXPECT_TRUE(EqualArrays(TInt2DArray{}, TInt2DArray{}));
    EXPECT_FALSE(EqualArrays(TInt2DArray{}, TInt2DArray(1)));
    EXPECT_FALSE(EqualArrays(TInt2DArray{{1, 2}, {3}}, TInt2DArray{{1, 2}, {3, 4}}));  // ragged: no overread
    const TInt3DArray A3{{{1}, {2}}, {{3}, {4}}};
    TInt3DArray B3 = A3;
    EXPECT_TRUE(EqualArrays(A3, B3));
    B3[1][1][0] = 5;
    EXPECT_FALSE(EqualArrays(A3, B3));
    const TInt4DArray A4{{{{1, 2}}}};
    EXPECT_TRUE(EqualArrays(A4, TInt4DArray{{{{1, 2}}}}));
    EXPECT_FALSE(EqualArrays(A4, TInt4DArray{{{{1, 2, 0}}}}));
}

class HatMatrix : public qmr::test::ProgressFixture {};

TEST_F(HatMatrix, ColumnOfOnes) {
    TDouble2DArray H;
    ASSERT_EQ(CalcHatMatrix(TDouble2DArray{{1, 1, 1, 1}}, H), 0);
    ASSERT_EQ(H.size(), 4u);
    for (const auto& C : H) {
        ASSERT_EQ(C.size(), 4u);
        for (double X : C) EXPECT_DOUBLE_EQ(X, 0.25);
    }
    EXPECT_EQ(ProcStat.load(), 2.0);  // one inversion of a 1 x 1 matrix
}

TEST_F(HatMatrix, StraightLineDesign) {
    // X = [1, x]: h_ij = 1/n + (x_i - m)(x_j - m) / Sxx.
    const TDoubleArray X{0, 1, 3, 4, 7};
    const TDouble2DArray A{{1, 1, 1, 1, 1}, X};
    const double N = 5, M = 3, Sxx = 9 + 4 + 0 + 1 + 16;
    TDouble2DArray H;
    ASSERT_EQ(CalcHatMatrix(A, H), 0);
    ASSERT_EQ(H.size(), 5u);
    for (int I = 0; I < 5; ++I)
        for (int J = 0; J < 5; ++J) EXPECT_NEAR(H[J][I], 1 / N + (X[I] - M) * (X[J] - M) / Sxx, 1e-14);
    EXPECT_EQ(ProcStat.load(), 4.0);
}

TEST_F(HatMatrix, ProjectsOntoTheColumnsOfAWiderDesign) {
    std::mt19937_64 Gen(9);
    std::uniform_real_distribution<double> U(-1, 1);
    TDouble2DArray A(3, TDoubleArray(8));
    for (auto& C : A)
        for (double& V : C) V = U(Gen);
    TDouble2DArray H;
    ASSERT_EQ(CalcHatMatrix(A, H), 0);
    ASSERT_EQ(H.size(), 8u);
    // H X = X, H symmetric, trace = number of columns.
    double Trace = 0;
    for (int I = 0; I < 8; ++I) {
        Trace += H[I][I];
        for (int J = 0; J < 8; ++J) EXPECT_NEAR(H[J][I], H[I][J], 1e-12);
        for (int C = 0; C < 3; ++C) {
            double S = 0;
            for (int K = 0; K < 8; ++K) S += H[K][I] * A[C][K];
            EXPECT_NEAR(S, A[C][I], 1e-12);
        }
    }
    EXPECT_NEAR(Trace, 3.0, 1e-12);
}

TEST_F(HatMatrix, FailuresLeaveTheResult) {
    const TDouble2DArray Keep{{42}};
    TDouble2DArray H = Keep;
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray{{1, 2, 3}, {0, 0, 0}}, H), -3);  // a zero column
    EXPECT_EQ(H, Keep);
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray{}, H), -1);
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray(2), H), -1);
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray{{1, 2}, {3}}, H), -1);
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray{{1, 2, 3}, {1, NaN, 2}}, H), -3);  // never a NaN result
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray{{1, 2, 3}, {1e300, 0, 2}}, H), -3);
    EXPECT_EQ(H, Keep);
    AbortMathProc = true;
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray{{1, 2, 3}}, H), -3);
    EXPECT_EQ(H, Keep);
}
