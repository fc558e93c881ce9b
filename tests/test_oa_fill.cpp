// Filling arrays: constants, blocks, running indices, diagonals, random values.
#include "qmr_test_support.h"

#include <cmath>
#include <limits>
#include <set>

using namespace qmr;

namespace {

template <class T> using V1 = std::vector<T>;
template <class T> using V2 = std::vector<V1<T>>;
template <class T> using V3 = std::vector<V2<T>>;
template <class T> using V4 = std::vector<V3<T>>;

template <class T> V2<T> Make2(std::size_t C, std::size_t R, T X = T(9)) { return V2<T>(C, V1<T>(R, X)); }
template <class T> V3<T> Make3(std::size_t A, std::size_t B, std::size_t C, T X = T(9)) {
    return V3<T>(A, Make2<T>(B, C, X));
}
template <class T> V4<T> Make4(std::size_t A, std::size_t B, std::size_t C, std::size_t D, T X = T(9)) {
    return V4<T>(A, Make3<T>(B, C, D, X));
}

template <class T> class FillTyped : public ::testing::Test {};
using CellTypes = ::testing::Types<std::int32_t, double>;
TYPED_TEST_SUITE(FillTyped, CellTypes);

TYPED_TEST(FillTyped, WholeArraysEveryRank) {
    using T = TypeParam;
    V1<T> A(4, T(1));
    EXPECT_EQ(FillArray(A, T(3)), 0);
    EXPECT_EQ(A, V1<T>(4, T(3)));
    auto B = Make2<T>(2, 3);
    EXPECT_EQ(FillArray(B, T(-2)), 0);
    EXPECT_EQ(B, Make2<T>(2, 3, T(-2)));
    auto C = Make3<T>(2, 3, 4);
    EXPECT_EQ(FillArray(C, T(5)), 0);
    EXPECT_EQ(C, Make3<T>(2, 3, 4, T(5)));
    auto D = Make4<T>(2, 1, 3, 2);
    EXPECT_EQ(FillArray(D, T(7)), 0);
    EXPECT_EQ(D, Make4<T>(2, 1, 3, 2, T(7)));
    TBoolArray E(3, false);
    EXPECT_EQ(FillArray(E, true), 0);
    EXPECT_EQ(E, TBoolArray(3, true));
    TBool2DArray F(2, TBoolArray(2, true));
    EXPECT_EQ(FillArray(F, false), 0);
    EXPECT_EQ(F, TBool2DArray(2, TBoolArray(2, false)));
}

TYPED_TEST(FillTyped, EmptyAndRaggedAreRefused) {
    using T = TypeParam;
    V1<T> E1;
    EXPECT_EQ(FillArray(E1, T(1)), -1);
    EXPECT_EQ(FillArray(E1, T(1), 0, 0), -1);
    auto E2 = Make2<T>(3, 0);
    EXPECT_EQ(FillArray(E2, T(1)), -1);
    auto E4 = Make4<T>(1, 2, 2, 0);
    EXPECT_EQ(FillArray(E4, T(1)), -1);
    // A later column shorter than the first must not be written past its end.
    V2<T> Ragged = {{1, 2, 3}, {4}};
    const auto Before = Ragged;
    EXPECT_EQ(FillArray(Ragged, T(0)), -1);
    EXPECT_EQ(FillArray(Ragged, T(0), 0, 0, 1, 2), -1);
    EXPECT_EQ(FillDiagArray(Ragged, T(1)), -1);
    EXPECT_EQ(FillArrayRix(Ragged), -1);
    EXPECT_EQ(Ragged, Before);
    TBoolArray EB;
    EXPECT_EQ(FillArray(EB, true), -1);
    TBool2DArray RB = {{true, true}, {true}};
    EXPECT_EQ(FillArray(RB, false), -1);
    EXPECT_TRUE(RB[0][0]);
    auto Ragged3 = Make3<T>(2, 2, 2);
    Ragged3[1][1].pop_back();
    EXPECT_EQ(FillArray(Ragged3, T(0)), -1);
    // Longer later columns are fine: the rows of the first column are filled.
    V2<T> Longer = {{1, 2}, {3, 4, 5}};
    EXPECT_EQ(FillArray(Longer, T(0)), 0);
    EXPECT_EQ(Longer, (V2<T>{{0, 0}, {0, 0, 5}}));
}

TYPED_TEST(FillTyped, OneDimensionalBlock) {
    using T = TypeParam;
    V1<T> A = {0, 0, 0, 0, 0};
    EXPECT_EQ(FillArray(A, T(1), 1, 3), 0);
    EXPECT_EQ(A, (V1<T>{0, 1, 1, 1, 0}));
    EXPECT_EQ(FillArray(A, T(2), 3, 1), -2);  // reversed, never exchanged
    EXPECT_EQ(FillArray(A, T(2), 0, 5), -2);  // past the end
    EXPECT_EQ(FillArray(A, T(2), -1, 2), -2);
    EXPECT_EQ(A, (V1<T>{0, 1, 1, 1, 0}));
    EXPECT_EQ(FillArray(A, T(4), 0, 0), 0);  // one cell, not the whole array
    EXPECT_EQ(A, (V1<T>{4, 1, 1, 1, 0}));
}

TYPED_TEST(FillTyped, MultiDimensionalBlocksTakeFirstsThenLasts) {
    using T = TypeParam;
    auto A = Make2<T>(3, 4, T(0));
    EXPECT_EQ(FillArray(A, T(1), 1, 2, 2, 3), 0);  // columns 1..2, rows 2..3
    for (std::size_t C = 0; C < 3; ++C)
        for (std::size_t R = 0; R < 4; ++R) EXPECT_EQ(A[C][R], T((C >= 1 && R >= 2) ? 1 : 0)) << C << R;
    const auto Before = A;
    EXPECT_EQ(FillArray(A, T(5), 0, 0, 3, 0), -2);   // column 3 does not exist
    EXPECT_EQ(FillArray(A, T(5), 0, 0, 0, 4), -2);   // row 4 does not exist
    EXPECT_EQ(FillArray(A, T(5), 0, 2, 2, 1), -2);   // reversed rows
    EXPECT_EQ(A, Before);

    auto B = Make3<T>(2, 3, 4, T(0));
    EXPECT_EQ(FillArray(B, T(1), 1, 0, 2, 1, 2, 3), 0);
    for (std::size_t I = 0; I < 2; ++I)
        for (std::size_t J = 0; J < 3; ++J)
            for (std::size_t K = 0; K < 4; ++K) EXPECT_EQ(B[I][J][K], T(I == 1 && K >= 2 ? 1 : 0));
    EXPECT_EQ(FillArray(B, T(1), 0, 0, 0, 1, 3, 3), -2);

    auto D = Make4<T>(2, 2, 2, 3, T(0));
    EXPECT_EQ(FillArray(D, T(8), 1, 1, 1, 2, 1, 1, 1, 2), 0);
    EXPECT_EQ(D[1][1][1][2], T(8));
    EXPECT_EQ(D[1][1][1][1], T(0));
    EXPECT_EQ(FillArray(D, T(8), 0, 0, 0, 0, 1, 1, 1, 3), -2);
}

TYPED_TEST(FillTyped, RunningIndices) {
    using T = TypeParam;
    V1<T> A(4);
    EXPECT_EQ(FillArrayRix(A), 0);
    EXPECT_EQ(A, (V1<T>{0, 1, 2, 3}));
    auto B = Make2<T>(2, 3);
    EXPECT_EQ(FillArrayRix(B), 0);
    EXPECT_EQ(B, (V2<T>{{0, 1, 2}, {3, 4, 5}}));
    auto C = Make3<T>(2, 2, 2);
    EXPECT_EQ(FillArrayRix(C), 0);
    EXPECT_EQ(C[1][0][0], T(1));
    EXPECT_EQ(C[0][1][0], T(2));
    EXPECT_EQ(C[0][0][1], T(4));
    // Uneven lengths: the first index runs fastest.
    auto D = Make3<T>(3, 2, 4);
    EXPECT_EQ(FillArrayRix(D), 0);
    for (std::size_t I = 0; I < 3; ++I)
        for (std::size_t J = 0; J < 2; ++J)
            for (std::size_t K = 0; K < 4; ++K) EXPECT_EQ(D[I][J][K], T(I + 3 * J + 6 * K));
    V1<T> E;
    EXPECT_EQ(FillArrayRix(E), -1);
}

TYPED_TEST(FillTyped, Diagonals) {
    using T = TypeParam;
    auto A = Make2<T>(3, 3);
    EXPECT_EQ(FillDiagArray(A, T(1)), 0);
    EXPECT_EQ(A, (V2<T>{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
    auto B = Make2<T>(3, 4);
    const auto Before = B;
    EXPECT_EQ(FillDiagArray(B, T(1)), -2);
    EXPECT_EQ(B, Before);
    auto C = Make3<T>(2, 2, 2);
    EXPECT_EQ(FillDiagArray(C, T(4)), 0);
    for (std::size_t I = 0; I < 2; ++I)
        for (std::size_t J = 0; J < 2; ++J)
            for (std::size_t K = 0; K < 2; ++K) EXPECT_EQ(C[I][J][K], T(I == J && J == K ? 4 : 0));
    auto D = Make4<T>(3, 3, 3, 3);
    EXPECT_EQ(FillDiagArray(D, T(2)), 0);
    T Sum = 0;
    for (auto& X : D)
        for (auto& Y : X)
            for (auto& Z : Y)
                for (T W : Z) Sum += W;
    EXPECT_EQ(Sum, T(6));
    EXPECT_EQ(D[2][2][2][2], T(2));
    auto E = Make4<T>(3, 3, 3, 2);
    EXPECT_EQ(FillDiagArray(E, T(2)), -2);
}

// ---------------------------------------------------------------- random fills

TEST(FillRandom, NormalStatusAndDegenerateSpread) {
    TDouble2DArray A = Make2<double>(3, 4);
    EXPECT_EQ(FillRandomNormal(A, 2.5, 0.0), 0);
    EXPECT_EQ(A, Make2<double>(3, 4, 2.5));
    EXPECT_EQ(FillRandomNormal(A, 0.0, -1.0), -2);
    EXPECT_EQ(FillRandomNormal(A, 0.0, std::nan("")), -2);
    EXPECT_EQ(FillRandomNormal(A, 0.0, std::numeric_limits<double>::infinity()), -2);
    EXPECT_EQ(FillRandomNormal(A, std::nan(""), 1.0), -2);
    EXPECT_EQ(A, Make2<double>(3, 4, 2.5));
    TDoubleArray E;
    EXPECT_EQ(FillRandomNormal(E, 0, 1), -1);
    TDouble4DArray F = Make4<double>(2, 2, 2, 2, 0.0);
    EXPECT_EQ(FillRandomNormal(F, 1.0, 0.0), 0);
    EXPECT_EQ(F, Make4<double>(2, 2, 2, 2, 1.0));
}

TEST(FillRandom, NormalMomentsAreRoughlyRight) {
    TDoubleArray A(10000);
    ASSERT_EQ(FillRandomNormal(A, 10.0, 2.0), 0);
    double S = 0, Q = 0;
    for (double X : A) S += X;
    const double M = S / static_cast<double>(A.size());
    for (double X : A) Q += (X - M) * (X - M);
    EXPECT_NEAR(M, 10.0, 0.12);
    EXPECT_NEAR(std::sqrt(Q / static_cast<double>(A.size() - 1)), 2.0, 0.12);
}

TEST(FillRandom, ReseedsEvenWhenRefused) {
    TDoubleArray E;
    RandSeed = 12345;
    EXPECT_EQ(FillRandomNormal(E, 0, 1), -1);
    EXPECT_NE(RandSeed, 12345);
    RandSeed = 12345;
    TIntArray I(3);
    EXPECT_EQ(FillRandomUniform(I, 5, 4), -2);
    EXPECT_NE(RandSeed, 12345);
    RandSeed = 12345;
    EXPECT_EQ(FillRandomUniform(E, 0.0, 1.0), -1);
    EXPECT_NE(RandSeed, 12345);
    RandSeed = 12345;
    TDoubleArray D(3);
    EXPECT_EQ(FillRandomUniform(D, 1.0, 0.0), -2);
    EXPECT_NE(RandSeed, 12345);
}

TEST(FillRandom, QuickCallsGiveDifferentArrays) {
    TDoubleArray A(16), B(16);
    ASSERT_EQ(FillRandomUniform(A, 0.0, 1.0), 0);
    ASSERT_EQ(FillRandomUniform(B, 0.0, 1.0), 0);
    EXPECT_NE(A, B);
    TIntArray C(16), D(16);
    ASSERT_EQ(FillRandomUniform(C, 0, 1000000), 0);
    ASSERT_EQ(FillRandomUniform(D, 0, 1000000), 0);
    EXPECT_NE(C, D);
}

TEST(FillRandom, UniformDoublesStayInRange) {
    TDouble3DArray A = Make3<double>(4, 5, 6);
    ASSERT_EQ(FillRandomUniform(A, -3.0, 2.0), 0);
    for (auto& X : A)
        for (auto& Y : X)
            for (double Z : Y) {
                EXPECT_GE(Z, -3.0);
                EXPECT_LT(Z, 2.0);
            }
    TDoubleArray B(10);
    EXPECT_EQ(FillRandomUniform(B, 4.0, 4.0), 0);
    EXPECT_EQ(B, TDoubleArray(10, 4.0));
    const double Nan = std::nan(""), Inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FillRandomUniform(B, Nan, 1.0), -2);
    EXPECT_EQ(FillRandomUniform(B, 0.0, Nan), -2);
    EXPECT_EQ(FillRandomUniform(B, -Inf, Inf), -2);  // would only give NaN cells
    EXPECT_EQ(B, TDoubleArray(10, 4.0));
    // A width that overflows a double still gives finite cells inside the bounds.
    const double Big = std::numeric_limits<double>::max();
    ASSERT_EQ(FillRandomUniform(B, -Big, Big), 0);
    for (double X : B) EXPECT_TRUE(std::isfinite(X));
}

TEST(FillRandom, UniformIntegersNeverReachHigh) {
    TInt2DArray A = Make2<std::int32_t>(20, 50);
    ASSERT_EQ(FillRandomUniform(A, 1, 3), 0);
    std::set<std::int32_t> Seen;
    for (auto& C : A) Seen.insert(C.begin(), C.end());
    EXPECT_EQ(Seen, (std::set<std::int32_t>{1, 2}));
    TInt4DArray B = Make4<std::int32_t>(2, 2, 2, 2);
    ASSERT_EQ(FillRandomUniform(B, 7, 7), 0);
    EXPECT_EQ(B, Make4<std::int32_t>(2, 2, 2, 2, 7));
    TIntArray E;
    EXPECT_EQ(FillRandomUniform(E, 0, 1), -1);
}

TEST(FillRandom, UniformIntegersOverTheFullRange) {
    // High - Low does not fit in 32 bits; every value must still lie in [Low, High).
    const std::int32_t Lo = std::numeric_limits<std::int32_t>::min(), Hi = std::numeric_limits<std::int32_t>::max();
    TInt3DArray A = Make3<std::int32_t>(10, 10, 10, 0);
    ASSERT_EQ(FillRandomUniform(A, Lo, Hi), 0);
    int Negative = 0, Positive = 0;
    for (auto& X : A)
        for (auto& Y : X)
            for (std::int32_t Z : Y) {
                EXPECT_LT(Z, Hi);
                Negative += Z < 0;
                Positive += Z > 0;
            }
    EXPECT_GT(Negative, 300);
    EXPECT_GT(Positive, 300);
    TIntArray B(1000);
    ASSERT_EQ(FillRandomUniform(B, -2000000000, 2000000000), 0);
    for (std::int32_t Z : B) {
        EXPECT_GE(Z, -2000000000);
        EXPECT_LT(Z, 2000000000);
    }
}

}  // namespace
