// Edge vectors, percentiles, value counts, cloning, comparison and hat matrices.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

using namespace qmr;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const float FInf = std::numeric_limits<float>::infinity();

// Round(n * P / 100), halves to even, at most n - 1: computed with the FPU's own rounding.
std::size_t PercentileIndex(double P, std::size_t N) {
    P = std::min(100.0, std::max(0.0, P));
    return std::min(static_cast<std::size_t>(std::nearbyint(static_cast<double>(N) * P / 100.0)), N - 1);
}

// CloneArray (or CloneAndReverseArray) of Src gives Want.
template <bool Reverse = false, class S, class D> void ExpectClone(const S& Src, const D& Want) {
    D Out;
    if constexpr (Reverse) {
        ASSERT_EQ(CloneAndReverseArray(Src, Out), 0);
    } else {
        ASSERT_EQ(CloneArray(Src, Out), 0);
    }
    EXPECT_EQ(Out, Want);
}

}  // namespace

TEST(EdgeVector, EveryOpAndOrientation) {
    using O = TOrientation;
    using E = TEdgeOp;
    const TDouble2DArray A{{1, 2}, {3, 5}, {-4, 8}};  // 3 columns of 2 rows
    const std::tuple<O, E, TDoubleArray> Cases[] = {
        {O::orColumns, E::eoMean, {1.5, 4, 2}}, {O::orRows, E::eoMean, {0, 5}}, {O::orRows, E::eoMin, {-4, 2}},
        {O::orColumns, E::eoMax, {2, 5, 8}}, {O::orColumns, E::eoSum, {3, 8, 4}}};
    TDoubleArray V;
    for (const auto& [Orient, Op, Want] : Cases) {
        ASSERT_EQ(EdgeVector(A, Orient, Op, V), 0);
        EXPECT_EQ(V, Want);
    }
    ASSERT_EQ(EdgeVector(TInt2DArray{{7, -1, 4}, {2, 2, 2}}, O::orRows, E::eoSum, V), 0);
    EXPECT_EQ(V, (TDoubleArray{9, 1, 6}));
    ASSERT_EQ(EdgeVector(TDouble2DArray{{NaN}, {NaN}}, O::orColumns, E::eoMin, V), 0);  // the start value shows
    EXPECT_EQ(V, TDoubleArray(2, std::numeric_limits<double>::max()));
    V = {42};
    EXPECT_EQ(EdgeVector(TDouble2DArray{}, O::orRows, E::eoSum, V), -1);
    EXPECT_EQ(EdgeVector(TDouble2DArray(2), O::orRows, E::eoSum, V), -1);
    EXPECT_EQ(EdgeVector(TInt2DArray{{1, 2}, {3}}, O::orRows, E::eoSum, V), -1);
    EXPECT_EQ(V, TDoubleArray{42});
}

TEST(PercentileArray, SmallExamplesAndClamping) {
    for (auto [P, Want] : {std::pair{40.0, 3.0}, {50.0, 5.0}, {100.0, 5.0}, {-5.0, 1.0}, {250.0, 5.0}, {NaN, 0.0}}) {
        TDoubleArray A{5, 1, 3};
        EXPECT_EQ(PercentileArray(P, A), Want) << P;
    }
    TDoubleArray E;
    EXPECT_EQ(PercentileArray(50, E), 0);
}

TEST(PercentileArray, EqualsSortingAndIndexingInPlace) {
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
            EXPECT_EQ(B[K], Sorted[K]);  // selected in the caller's array
            std::sort(B.begin(), B.end());
            EXPECT_EQ(B, Sorted);  // reordered, never changed
        }
    }
}

TEST(PercentileArray, BlockFormClampsAndLeavesTheArray) {
    TDouble2DArray A(6, TDoubleArray(4));
    TDoubleArray Inner, Whole;
    for (int C = 0; C < 6; ++C)
        for (int R = 0; R < 4; ++R) {
            Whole.push_back(A[C][R] = std::sin(4 * C + R) + C + R);  // distinct; extremes in the corners
            if (C >= 1 && C <= 4 && R >= 1 && R <= 2) Inner.push_back(A[C][R]);
        }
    const TDouble2DArray A0 = A;
    std::sort(Inner.begin(), Inner.end());
    std::sort(Whole.begin(), Whole.end());
    for (double P : {0.0, 30.0, 50.0, 90.0, 100.0}) {
        EXPECT_EQ(PercentileArray(P, A, 1, 1, 4, 2), Inner[PercentileIndex(P, Inner.size())]);
        EXPECT_EQ(PercentileArray(P, A, -3, -1, 99, 99), Whole[PercentileIndex(P, Whole.size())]);  // clamped
    }
    EXPECT_EQ(A, A0);
    EXPECT_EQ(PercentileArray(50, A, 0, 0, 0, 0), A0[0][0]);  // zero bounds: one cell
    EXPECT_EQ(PercentileArray(50, A, 4, 0, 1, 3), 0);         // reversed: not exchanged
    EXPECT_EQ(PercentileArray(50, A, 0, 3, 5, 1), 0);
    EXPECT_EQ(PercentileArray(NaN, A, 0, 0, 5, 3), 0);
    EXPECT_EQ(PercentileArray(50, TDouble2DArray(3), 0, 0, 0, 0), 0);
}

TEST(CountValues, AgainstDirectCountsInEveryRank) {
    TInt4DArray I4(3, TInt3DArray(4, TInt2DArray(2, TIntArray(5))));
    TDouble4DArray D4(3, TDouble3DArray(4, TDouble2DArray(2, TDoubleArray(5))));
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 4; ++b)
            for (int c = 0; c < 2; ++c)
                for (int d = 0; d < 5; ++d) D4[a][b][c][d] = I4[a][b][c][d] = (7 * a + 5 * b + 3 * c + d * d) % 10;
    // Cells of I4 in the block B with Lo <= value <= Hi.
    auto Direct = [&](std::vector<int> B, int Lo, int Hi) {
        int N = 0;
        for (int a = B[0]; a <= B[1]; ++a)
            for (int b = B[2]; b <= B[3]; ++b)
                for (int c = B[4]; c <= B[5]; ++c)
                    for (int d = B[6]; d <= B[7]; ++d) N += I4[a][b][c][d] >= Lo && I4[a][b][c][d] <= Hi;
        return N;
    };
    int N = Direct({1, 2, 0, 2, 1, 1, 2, 4}, 3, 6);
    EXPECT_EQ(CountValues(I4, 1, 2, 0, 2, 1, 1, 2, 4, 3, 6), N);
    EXPECT_EQ(CountValues(D4, 1, 2, 0, 2, 1, 1, 2, 4, 2.5, 6.5), N);
    N = Direct({2, 2, 1, 3, 0, 1, 0, 4}, 0, 4);
    EXPECT_EQ(CountValues(I4[2], 1, 3, 0, 1, 0, 4, 0, 4), N);
    EXPECT_EQ(CountValues(D4[2], 1, 3, 0, 1, 0, 4, -1.0, 4.0), N);
    N = Direct({0, 0, 0, 0, 0, 1, 1, 3}, 7, 7);
    EXPECT_EQ(CountValues(I4[0][0], 0, 1, 1, 3, 7, 7), N);
    EXPECT_EQ(CountValues(D4[0][0], 0, 1, 1, 3, 7.0, 7.0), N);
    N = Direct({0, 0, 0, 0, 0, 0, 0, 4}, 5, 100);
    EXPECT_EQ(CountValues(I4[0][0][0], 0, 4, 5, 100), N);
    EXPECT_EQ(CountValues(D4[0][0][0], 0, 4, 5.0, 100.0), N);

    const TDouble2DArray A{{1, 2}, {3, 4}};
    EXPECT_EQ(CountValues(A, 0, 1, 0, 1, 5.0, 1.0), -2);  // Lo > Hi
    EXPECT_EQ(CountValues(A, 1, 0, 0, 1, 0.0, 9.0), -2);  // high < low
    EXPECT_EQ(CountValues(A, 0, 2, 0, 1, 0.0, 9.0), -2);  // beyond the columns
    EXPECT_EQ(CountValues(A, 0, 1, -1, 1, 0.0, 9.0), -2);
    EXPECT_EQ(CountValues(A, 0, 1, 0, 1, NaN, 9.0), -2);
    EXPECT_EQ(CountValues(A, 0, 0, 0, 0, 0.0, 9.0), 1);  // zero bounds: one cell
    EXPECT_EQ(CountValues(TDoubleArray{}, 0, 0, 0.0, 1.0), -1);
    EXPECT_EQ(CountValues(TInt2DArray{{1, 2}, {3}}, 0, 1, 0, 1, 0, 9), -1);  // ragged
}

TEST(CloneArray, ConversionsShapesAndRefusals) {
    ExpectClone(TDoubleArray{3e9, 2.5, 3.5, -2.5, -3e9, NaN, -0.4, 1.6},
                TIntArray{2147483647, 2, 4, -2, -2147483647 - 1, 0, 0, 2});
    ExpectClone(TDoubleArray{0.1, 1e300, -1e300, 3.4028235e38},
                TSingleArray{0.1f, FInf, -FInf, std::numeric_limits<float>::max()});
    ExpectClone(TSingleArray{0.5f, -2.0f}, TDoubleArray{0.5, -2.0});
    ExpectClone(TBool2DArray{{true, false}, {false, true}}, TBool2DArray{{true, false}, {false, true}});
    ExpectClone(TInt2DArray{{1, 2, 3}}, TDouble2DArray{{1, 2, 3}});
    ExpectClone(TDouble3DArray{{{1.5}, {2.5}}, {{-7}, {4}}}, TInt3DArray{{{2}, {2}}, {{-7}, {4}}});
    ExpectClone(TDouble4DArray{{{{1.25}}}, {{{-2.5}}}}, TDouble4DArray{{{{1.25}}}, {{{-2.5}}}});
    ExpectClone(TDouble4DArray{{{{1.25}}}, {{{-2.5}}}}, TInt4DArray{{{{1}}}, {{{-2}}}});
    ExpectClone(TInt4DArray{{{{1}}}, {{{-2}}}}, TDouble4DArray{{{{1}}}, {{{-2}}}});

    TDouble2DArray Keep{{7}};  // empty and ragged sources are refused; the destination stays
    for (const TDouble2DArray& Src : {TDouble2DArray{}, TDouble2DArray(3), TDouble2DArray{{1, 2}, {3}}})
        EXPECT_EQ(CloneArray(Src, Keep), -1);
    EXPECT_EQ(Keep, (TDouble2DArray{{7}}));
    TInt4DArray I4{{{{5}}}};
    EXPECT_EQ(CloneArray(TInt4DArray(2, TInt3DArray(1, TInt2DArray(1))), I4), -1);
    EXPECT_EQ(I4, (TInt4DArray{{{{5}}}}));
}

TEST(CloneArray, ReversedCopies) {
    ExpectClone<true>(TIntArray{1, 2, 3}, TIntArray{3, 2, 1});
    ExpectClone<true>(TDoubleArray{0.5, 1.5, 2.5}, TIntArray{2, 2, 0});
    ExpectClone<true>(TIntArray{4, -5}, TDoubleArray{-5, 4});
    ExpectClone<true>(TSingleArray{0.25f, 8.0f}, TDoubleArray{8, 0.25});
    ExpectClone<true>(TDoubleArray{1, 1e300}, TSingleArray{FInf, 1.0f});
    ExpectClone<true>(TBoolArray{true, false, false}, TBoolArray{false, false, true});
    TDoubleArray D{8};
    EXPECT_EQ(CloneAndReverseArray(TIntArray{}, D), -1);
    EXPECT_EQ(D, TDoubleArray{8});
}

TEST(EqualArrays, ShapesAndCells) {
    const TInt2DArray A{{1, 2}, {3, 4}};
    EXPECT_TRUE(EqualArrays(A, TInt2DArray{{1, 2}, {3, 4}}));
    for (const TInt2DArray& B : {TInt2DArray{{1, 2}, {3, 4}, {5, 6}}, TInt2DArray{{1, 2}, {3, 5}}, TInt2DArray{{1, 2}, {3}}})
        EXPECT_FALSE(EqualArrays(A, B));  // more columns only; one cell; ragged (no overread)
    EXPECT_TRUE(EqualArrays(TInt2DArray{}, TInt2DArray{}));
    EXPECT_FALSE(EqualArrays(TInt2DArray{}, TInt2DArray(1)));
    EXPECT_TRUE(EqualArrays(TIntArray{1, 2}, TIntArray{1, 2}) && EqualArrays(TInt3DArray{{{1}, {2}}}, TInt3DArray{{{1}, {2}}}) &&
                EqualArrays(TInt4DArray{{{{1, 2}}}}, TInt4DArray{{{{1, 2}}}}));
    EXPECT_FALSE(EqualArrays(TIntArray{1, 2}, TIntArray{1, 2, 3}));
    EXPECT_FALSE(EqualArrays(TInt3DArray{{{1}, {2}}}, TInt3DArray{{{1}, {5}}}));
    EXPECT_FALSE(EqualArrays(TInt4DArray{{{{1, 2}}}}, TInt4DArray{{{{1, 2, 0}}}}));
}

TEST(EqualArrays, ReadOnlyTheRectangularView) {
    // Later sub-arrays longer than the first count up to the first's length, as in every
    // open-array routine: an array equals its clone whatever lies beyond.
    const TInt2DArray B{{1, 2}, {3, 4, 5}};
    TInt2DArray C;
    ASSERT_EQ(CloneArray(B, C), 0);
    EXPECT_TRUE(EqualArrays(B, C) && EqualArrays(C, B) && EqualArrays(B, B));
    EXPECT_TRUE(EqualArrays(B, TInt2DArray{{1, 2}, {3, 4, 7, 8}}));
    EXPECT_FALSE(EqualArrays(B, TInt2DArray{{1, 2}, {3, 9, 5}}));
    const TInt3DArray B3{{{1}, {2}}, {{3, 9}, {4}, {5}}};
    TInt3DArray C3;
    ASSERT_EQ(CloneArray(B3, C3), 0);
    EXPECT_TRUE(EqualArrays(B3, C3));
    const TInt4DArray B4{{{{1, 2}}}, {{{3, 4, 5}}, {{6}}}};
    TInt4DArray C4;
    ASSERT_EQ(CloneArray(B4, C4), 0);
    EXPECT_TRUE(EqualArrays(C4, B4));
    // A shorter later sub-array is refused, even against an identical array.
    for (const TInt2DArray& R : {TInt2DArray{{1, 2}, {3}}, TInt2DArray{{1, 2}, {}}})
        EXPECT_FALSE(EqualArrays(R, R));
    EXPECT_FALSE(EqualArrays(TInt3DArray{{{1, 2}, {3}}}, TInt3DArray{{{1, 2}, {3}}}));
}

class HatMatrix : public qmr::test::ProgressFixture {};

TEST_F(HatMatrix, KnownDesigns) {
    TDouble2DArray H;
    ASSERT_EQ(CalcHatMatrix(TDouble2DArray{{1, 1, 1, 1}}, H), 0);
    EXPECT_EQ(H, TDouble2DArray(4, TDoubleArray(4, 0.25)));
    EXPECT_EQ(ProcStat.load(), 2.0);  // one inversion of a 1 x 1 matrix
    // A straight line, X = [1, x]: h(i, j) = 1/n + (x_i - m)(x_j - m) / Sxx.
    const TDoubleArray X{0, 1, 3, 4, 7};
    const double N = 5, M = 3, Sxx = 9 + 4 + 0 + 1 + 16;
    ASSERT_EQ(CalcHatMatrix(TDouble2DArray{{1, 1, 1, 1, 1}, X}, H), 0);
    ASSERT_EQ(H.size(), 5u);
    for (int I = 0; I < 5; ++I)
        for (int J = 0; J < 5; ++J) EXPECT_NEAR(H[J][I], 1 / N + (X[I] - M) * (X[J] - M) / Sxx, 1e-14);
}

TEST_F(HatMatrix, FailuresLeaveTheResult) {
    const TDouble2DArray Keep{{42}};
    TDouble2DArray H = Keep;
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray{{1, 2, 3}, {0, 0, 0}}, H), -3);  // a zero column
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray{}, H), -1);
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray{{1, 2}, {3}}, H), -1);
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray{{1, 2, 3}, {1, NaN, 2}}, H), -3);  // never a NaN result
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray{{1, 2, 3}, {1e300, 0, 2}}, H), -3);
    AbortMathProc = true;
    EXPECT_EQ(CalcHatMatrix(TDouble2DArray{{1, 2, 3}}, H), -3);
    EXPECT_EQ(H, Keep);
}
