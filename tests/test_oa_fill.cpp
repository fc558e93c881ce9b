// Filling arrays: constants, blocks, running indices, diagonals, random values.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

using namespace qmr;
using namespace qmr::test;

namespace {

// Every routine of the family that takes A refuses it with -1 and leaves it alone; the
// random fills re-seed the generator all the same.
template <class T, class V> void ExpectRefused(V A) {
    const V Orig = A;
    EXPECT_EQ(FillArray(A, T(1)), -1);
    if constexpr (requires { FillArray(A, T(1), 0, 0); }) {
        EXPECT_EQ(FillArray(A, T(1), 0, 0), -1);
    }
    if constexpr (requires { FillArray(A, T(1), 0, 0, 0, 0); }) {
        EXPECT_EQ(FillArray(A, T(1), 0, 0, 0, 0), -1);
    }
    if constexpr (requires { FillArrayRix(A); }) {
        EXPECT_EQ(FillArrayRix(A), -1);
    }
    if constexpr (requires { FillDiagArray(A, T(1)); }) {
        EXPECT_EQ(FillDiagArray(A, T(1)), -1);
    }
    if constexpr (requires { FillRandomNormal(A, 0.0, 1.0); }) {
        RandSeed = 12345;
        EXPECT_EQ(FillRandomNormal(A, 0.0, 1.0), -1);
        EXPECT_NE(RandSeed, 12345);
    }
    if constexpr (requires { FillRandomUniform(A, T(0), T(9)); }) {
        RandSeed = 12345;
        EXPECT_EQ(FillRandomUniform(A, T(0), T(9)), -1);
        EXPECT_NE(RandSeed, 12345);
    }
    EXPECT_EQ(A, Orig);
}

// A after a successful FillArray(A, X).
template <class V, class T> V Filled(V A, T X) { return Ok(FillArray(A, X), A); }

template <class T> class FillTyped : public ::testing::Test {};
TYPED_TEST_SUITE(FillTyped, IntAndDouble);

TYPED_TEST(FillTyped, WholeArrays) {
    using T = TypeParam;
    EXPECT_EQ(Filled(V1<T>(4, 1), T(3)), V1<T>(4, 3));
    EXPECT_EQ(Filled(Make2<T>(2, 3), T(-2)), Make2<T>(2, 3, -2));
    EXPECT_EQ(Filled(Make3<T>(2, 3, 4), T(5)), Make3<T>(2, 3, 4, 5));
    EXPECT_EQ(Filled(Make4<T>(2, 1, 3, 2), T(7)), Make4<T>(2, 1, 3, 2, 7));
    EXPECT_EQ(Filled(V2<T>{{1, 2}, {3, 4, 5}}, T(0)), (V2<T>{{0, 0}, {0, 0, 5}}));  // the first column's rows
    EXPECT_EQ(Filled(TBoolArray(3, false), true), TBoolArray(3, true));
    EXPECT_EQ(Filled(Make2<bool>(2, 2, true), false), Make2<bool>(2, 2, false));
}

TYPED_TEST(FillTyped, EmptyAndRaggedAreRefused) {
    using T = TypeParam;
    V3<T> Ragged3 = Make3<T>(2, 2, 2);
    Ragged3[1][1].pop_back();
    ExpectRefused<T>(V1<T>{});
    ExpectRefused<T>(Make2<T>(3, 0));
    ExpectRefused<T>(Ragged<T>());  // a short later column is never written past its end
    ExpectRefused<T>(Ragged3);
    ExpectRefused<T>(Make4<T>(1, 2, 2, 0));
    ExpectRefused<bool>(TBoolArray{});
    ExpectRefused<bool>(Ragged<bool>());
}

// Blocks take all firsts, then all lasts; bounds are checked strictly, never exchanged.
TYPED_TEST(FillTyped, Blocks) {
    using T = TypeParam;
    V1<T> A(5, T(0));
    EXPECT_EQ(Ok(FillArray(A, T(1), 1, 3), A), (V1<T>{0, 1, 1, 1, 0}));
    for (const auto& [F, L] : {std::pair(3, 1), std::pair(0, 5), std::pair(-1, 2)})
        EXPECT_EQ(FillArray(A, T(2), F, L), -2) << F << ".." << L;
    EXPECT_EQ(Ok(FillArray(A, T(4), 0, 0), A), (V1<T>{4, 1, 1, 1, 0}));  // one cell, not the whole array
    V2<T> B = Make2<T>(3, 4);
    EXPECT_EQ(Ok(FillArray(B, T(1), 1, 2, 2, 3), B), (V2<T>{{0, 0, 0, 0}, {0, 0, 1, 1}, {0, 0, 1, 1}}));
    // Column 3 and row 4 do not exist; reversed rows; a negative row.
    const int Bad[][4] = {{0, 0, 3, 0}, {0, 0, 0, 4}, {0, 2, 2, 1}, {0, -1, 0, 0}};
    for (const auto& X : Bad) EXPECT_EQ(FillArray(B, T(5), X[0], X[1], X[2], X[3]), -2) << X[0] << X[1] << X[2] << X[3];
    EXPECT_EQ(B, (V2<T>{{0, 0, 0, 0}, {0, 0, 1, 1}, {0, 0, 1, 1}}));
    V3<T> C = Make3<T>(2, 3, 4);
    EXPECT_EQ(Ok(FillArray(C, T(1), 1, 0, 2, 1, 2, 3), C), (V3<T>{Make2<T>(3, 4), V2<T>(3, V1<T>{0, 0, 1, 1})}));
    EXPECT_EQ(FillArray(C, T(1), 0, 0, 0, 1, 3, 3), -2);
    V4<T> D = Make4<T>(2, 2, 2, 3);
    EXPECT_EQ(Ok(FillArray(D, T(8), 1, 1, 1, 2, 1, 1, 1, 2), D)[1][1][1], (V1<T>{0, 0, 8}));
    EXPECT_EQ(FillArray(D, T(8), 0, 0, 0, 0, 1, 1, 1, 3), -2);
}

TYPED_TEST(FillTyped, RunningIndices) {
    using T = TypeParam;
    V1<T> A(4);
    V2<T> B = Make2<T>(2, 3);
    V3<T> C = Make3<T>(2, 2, 2), D = Make3<T>(3, 2, 4);
    EXPECT_EQ(Ok(FillArrayRix(A), A), (V1<T>{0, 1, 2, 3}));
    EXPECT_EQ(Ok(FillArrayRix(B), B), (V2<T>{{0, 1, 2}, {3, 4, 5}}));  // down each column in turn
    EXPECT_EQ(Ok(FillArrayRix(C), C), (V3<T>{{{0, 4}, {2, 6}}, {{1, 5}, {3, 7}}}));  // the first index runs fastest
    EXPECT_EQ(FillArrayRix(D), 0);
    for (std::size_t I = 0; I < 3; ++I)
        for (std::size_t J = 0; J < 2; ++J)
            for (std::size_t K = 0; K < 4; ++K) EXPECT_EQ(D[I][J][K], T(I + 3 * J + 6 * K));
}

TYPED_TEST(FillTyped, Diagonals) {
    using T = TypeParam;
    V2<T> A = Make2<T>(3, 3, 9), B = Make2<T>(3, 4, 9);
    V3<T> C = Make3<T>(2, 2, 2, 9);
    V4<T> D = Make4<T>(3, 3, 3, 3, 9), E = Make4<T>(3, 3, 3, 2, 9);
    EXPECT_EQ(Ok(FillDiagArray(A, T(1)), A), (V2<T>{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
    EXPECT_EQ(Ok(FillDiagArray(C, T(4)), C), (V3<T>{{{4, 0}, {0, 0}}, {{0, 0}, {0, 4}}}));
    V4<T> Want = Make4<T>(3, 3, 3, 3);
    for (int I = 0; I < 3; ++I) Want[I][I][I][I] = T(2);
    EXPECT_EQ(Ok(FillDiagArray(D, T(2)), D), Want);
    EXPECT_EQ(FillDiagArray(B, T(1)), -2);
    EXPECT_EQ(FillDiagArray(E, T(2)), -2);
    EXPECT_EQ(B, Make2<T>(3, 4, 9));
}

TEST(FillRandom, Normal) {
    TDouble2DArray A = Make2<double>(3, 4);
    TDouble4DArray B = Make4<double>(2, 2, 2, 2);
    EXPECT_EQ(Ok(FillRandomNormal(A, 2.5, 0.0), A), Make2<double>(3, 4, 2.5));  // no spread: the mean
    EXPECT_EQ(Ok(FillRandomNormal(B, 1.0, 0.0), B), Make4<double>(2, 2, 2, 2, 1.0));
    const double NaN = std::nan(""), Inf = std::numeric_limits<double>::infinity();
    RandSeed = 12345;
    for (const auto& [M, S] : {std::pair(0.0, -1.0), std::pair(0.0, NaN), std::pair(0.0, Inf), std::pair(NaN, 1.0)})
        EXPECT_EQ(FillRandomNormal(A, M, S), -2) << M << " " << S;
    EXPECT_NE(RandSeed, 12345);
    EXPECT_EQ(A, Make2<double>(3, 4, 2.5));
    TDoubleArray G(10000);
    ASSERT_EQ(FillRandomNormal(G, 10.0, 2.0), 0);
    double S = 0, Q = 0;
    for (double X : G) S += X;
    for (double X : G) Q += (X - S / 10000.0) * (X - S / 10000.0);
    EXPECT_NEAR(S / 10000.0, 10.0, 0.12);
    EXPECT_NEAR(std::sqrt(Q / 9999.0), 2.0, 0.12);
}

TEST(FillRandom, UniformDoubles) {
    TDouble3DArray A = Make3<double>(4, 5, 6);
    TDoubleArray B(10);
    ASSERT_EQ(FillRandomUniform(A, -3.0, 2.0), 0);
    for (const auto& X : A)
        for (const auto& Y : X)
            for (double Z : Y) EXPECT_TRUE(Z >= -3.0 && Z < 2.0) << Z;
    EXPECT_EQ(Ok(FillRandomUniform(B, 4.0, 4.0), B), TDoubleArray(10, 4.0));
    const double NaN = std::nan(""), Inf = std::numeric_limits<double>::infinity();
    RandSeed = 12345;
    for (const auto& [L, H] : {std::pair(1.0, 0.0), std::pair(NaN, 1.0), std::pair(0.0, NaN), std::pair(-Inf, Inf)})
        EXPECT_EQ(FillRandomUniform(B, L, H), -2) << L << " " << H;
    EXPECT_NE(RandSeed, 12345);
    EXPECT_EQ(B, TDoubleArray(10, 4.0));
    const double Big = std::numeric_limits<double>::max();  // the width overflows a double
    ASSERT_EQ(FillRandomUniform(B, -Big, Big), 0);
    EXPECT_TRUE(std::all_of(B.begin(), B.end(), [](double X) { return std::isfinite(X); }));
    TDoubleArray P(16), Q(16);  // two quick calls still differ
    EXPECT_NE(Ok(FillRandomUniform(P, 0.0, 1.0), P), Ok(FillRandomUniform(Q, 0.0, 1.0), Q));
}

TEST(FillRandom, UniformIntegers) {
    TInt2DArray A = Make2<std::int32_t>(20, 50);
    TInt4DArray B = Make4<std::int32_t>(2, 2, 2, 2);
    TIntArray C(1000);
    ASSERT_EQ(FillRandomUniform(A, 1, 3), 0);
    std::set<std::int32_t> Seen;
    for (const auto& Col : A) Seen.insert(Col.begin(), Col.end());
    EXPECT_EQ(Seen, (std::set<std::int32_t>{1, 2}));  // high itself is never drawn
    EXPECT_EQ(Ok(FillRandomUniform(B, 7, 7), B), Make4<std::int32_t>(2, 2, 2, 2, 7));
    RandSeed = 12345;
    EXPECT_EQ(FillRandomUniform(B, 5, 4), -2);
    EXPECT_NE(RandSeed, 12345);
    EXPECT_EQ(B, Make4<std::int32_t>(2, 2, 2, 2, 7));
    // High - Low does not fit in 32 bits; every value must still lie in [Low, High).
    const auto Count = [&C](auto Pred) { return std::count_if(C.begin(), C.end(), Pred); };
    ASSERT_EQ(FillRandomUniform(C, INT32_MIN, INT32_MAX), 0);
    EXPECT_GT(Count([](std::int32_t X) { return X < -(1 << 30); }), 150);
    EXPECT_GT(Count([](std::int32_t X) { return X > (1 << 30); }), 150);
    EXPECT_EQ(Count([](std::int32_t X) { return X == INT32_MAX; }), 0);
    ASSERT_EQ(FillRandomUniform(C, -2000000000, 2000000000), 0);
    EXPECT_EQ(Count([](std::int32_t X) { return X < -2000000000 || X >= 2000000000; }), 0);
    TIntArray P(16), Q(16);  // two quick calls still differ
    EXPECT_NE(Ok(FillRandomUniform(P, 0, 1000000), P), Ok(FillRandomUniform(Q, 0, 1000000), Q));
}

}  // namespace
