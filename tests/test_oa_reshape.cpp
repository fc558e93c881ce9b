// Trace, transposition, dichotomy and discretization.
#include "qmr_test_support.h"

#include <cmath>
#include <limits>

using namespace qmr;

namespace {

template <class T> using V1 = std::vector<T>;
template <class T> using V2 = std::vector<V1<T>>;

template <class T> class ReshapeTyped : public ::testing::Test {};
using CellTypes = ::testing::Types<std::int32_t, double>;
TYPED_TEST_SUITE(ReshapeTyped, CellTypes);

TYPED_TEST(ReshapeTyped, Trace) {
    using T = TypeParam;
    T Tr = T(99);
    EXPECT_EQ(TraceOfArray(V2<T>{{1, 2}, {3, 4}}, Tr), 0);
    EXPECT_EQ(Tr, T(5));
    Tr = T(99);
    EXPECT_EQ(TraceOfArray(V2<T>{{1, 2, 3}, {4, 5, 6}}, Tr), -2);
    EXPECT_EQ(Tr, T(0));
    Tr = T(99);
    EXPECT_EQ(TraceOfArray(V2<T>{}, Tr), -1);
    EXPECT_EQ(Tr, T(0));
    EXPECT_EQ(TraceOfArray(V2<T>{{}, {}}, Tr), -1);
    // Ragged: the second column has no row 1.
    Tr = T(99);
    EXPECT_EQ(TraceOfArray(V2<T>{{1, 2}, {3}}, Tr), -1);
    EXPECT_EQ(Tr, T(0));
}

TEST(Reshape, IntegerTraceWraps) {
    const std::int32_t Max = std::numeric_limits<std::int32_t>::max();
    std::int32_t Tr = 0;
    EXPECT_EQ(TraceOfArray(TInt2DArray{{Max, 0}, {0, 2}}, Tr), 0);
    EXPECT_EQ(Tr, std::numeric_limits<std::int32_t>::min() + 1);
}

TYPED_TEST(ReshapeTyped, TransposeRoundTrip) {
    using T = TypeParam;
    V2<T> A = {{1, 2, 3}, {4, 5, 6}};
    const auto Orig = A;
    EXPECT_EQ(TransposeArray(A), 0);
    ASSERT_EQ(A.size(), 3u);
    for (std::size_t Y = 0; Y < 3; ++Y) {
        ASSERT_EQ(A[Y].size(), 2u);
        for (std::size_t X = 0; X < 2; ++X) EXPECT_EQ(A[Y][X], Orig[X][Y]);
    }
    EXPECT_EQ(TransposeArray(A), 0);
    EXPECT_EQ(A, Orig);
    V2<T> E;
    EXPECT_EQ(TransposeArray(E), -1);
    V2<T> R = {{1, 2}, {3}};
    EXPECT_EQ(TransposeArray(R), -1);
    EXPECT_EQ(R, (V2<T>{{1, 2}, {3}}));
}

TEST(Reshape, TransposeBool) {
    TBool2DArray A = {{true, false, false}, {false, false, true}};
    EXPECT_EQ(TransposeArray(A), 0);
    EXPECT_EQ(A, (TBool2DArray{{true, false}, {false, false}, {false, true}}));
    TBool2DArray E(2);
    EXPECT_EQ(TransposeArray(E), -1);
}

TEST(Reshape, IsDichotomousDoubles) {
    double F = 1, S = 1;
    EXPECT_TRUE(IsDichotomous(TDoubleArray{5, 7, 5, 7}, F, S));
    EXPECT_EQ(F, 5);
    EXPECT_EQ(S, 7);
    EXPECT_TRUE(IsDichotomous(TDoubleArray{7, 5, 5}, F, S));
    EXPECT_EQ(F, 5);
    EXPECT_EQ(S, 7);
    EXPECT_FALSE(IsDichotomous(TDoubleArray{5, 7, 9}, F, S));
    EXPECT_EQ(F, 5);
    EXPECT_EQ(S, 7);
    EXPECT_FALSE(IsDichotomous(TDoubleArray{5, 5, 5}, F, S));
    EXPECT_EQ(F, 5);
    EXPECT_EQ(S, 5);
    EXPECT_FALSE(IsDichotomous(TDoubleArray{3}, F, S));
    EXPECT_EQ(F, 0);
    EXPECT_EQ(S, 0);
    EXPECT_TRUE(IsDichotomous(TDoubleArray{2, 2, 2, 1}, F, S));  // second value only in the last cell
    EXPECT_EQ(F, 1);
    EXPECT_EQ(S, 2);
    EXPECT_FALSE(IsDichotomous(TDoubleArray{1, 2, 1, 3, 2}, F, S));
    EXPECT_FALSE(IsDichotomous(TDoubleArray{1, std::nan(""), 1}, F, S));
    EXPECT_FALSE(IsDichotomous(TDoubleArray{std::nan(""), std::nan("")}, F, S));
}

TEST(Reshape, IsDichotomousIntegers) {
    std::int32_t F = 1, S = 1;
    EXPECT_TRUE(IsDichotomous(TIntArray{5, 5, 5}, F, S));
    EXPECT_EQ(F, 5);
    EXPECT_EQ(S, 5);
    EXPECT_TRUE(IsDichotomous(TIntArray{7, 5, 5}, F, S));
    EXPECT_EQ(F, 5);
    EXPECT_EQ(S, 7);
    EXPECT_FALSE(IsDichotomous(TIntArray{9, 7, 5}, F, S));
    EXPECT_EQ(F, 7);
    EXPECT_EQ(S, 9);
    EXPECT_FALSE(IsDichotomous(TIntArray{}, F, S));
    EXPECT_EQ(F, 0);
    EXPECT_EQ(S, 0);
}

TYPED_TEST(ReshapeTyped, Dichotomize) {
    using T = TypeParam;
    TBool2DArray M = {{true}};
    EXPECT_EQ(DichotomizeArray(V2<T>{{1, 2, 3}}, T(2), M), 0);
    EXPECT_EQ(M, (TBool2DArray{{false, false, true}}));
    EXPECT_EQ(DichotomizeArray(V2<T>{{0, 1}, {3, 4}}, T(3), T(1), M), 0);
    EXPECT_EQ(M, (TBool2DArray{{false, true}, {true, false}}));
    // Mask of exactly the source's shape, whatever it held before.
    M = TBool2DArray(5, TBoolArray(7, true));
    EXPECT_EQ(DichotomizeArray(V2<T>{{1, 2}, {3, 4}, {5, 6}}, T(2), T(5), M), 0);
    EXPECT_EQ(M, (TBool2DArray{{false, true}, {true, true}, {true, false}}));
    EXPECT_EQ(DichotomizeArray(V2<T>{}, T(0), M), -1);
    EXPECT_EQ(DichotomizeArray(V2<T>{{1, 2}, {3}}, T(0), T(9), M), -1);
    EXPECT_EQ(M.size(), 3u);
}

TEST(Reshape, DiscretizeLevels) {
    TDouble2DArray A = {{-1, 0, 2, 5}, {9.9, 10, 12, std::nan("")}};
    EXPECT_EQ(DiscretizeArray(A, 4, 0, 10, 0, 3), 0);
    EXPECT_EQ(A, (TDouble2DArray{{0, 0, 1, 2}, {2, 3, 3, 0}}));
    // Descending levels.
    TDouble2DArray B = {{-5, 1, 4, 20}};
    EXPECT_EQ(DiscretizeArray(B, 5, 0, 9, 8, 0), 0);
    EXPECT_EQ(B, (TDouble2DArray{{8, 6, 4, 0}}));
}

TEST(Reshape, DiscretizeRefusals) {
    TDouble2DArray A = {{1, 2}, {3, 4}};
    const auto Orig = A;
    EXPECT_EQ(DiscretizeArray(A, 2, 0, 10, 0, 1), -1);
    EXPECT_EQ(DiscretizeArray(A, 2, 10, 0, 0, 1), -2);
    EXPECT_EQ(DiscretizeArray(A, 5, 3, 3, 0, 1), -2);
    EXPECT_EQ(DiscretizeArray(A, 5, std::nan(""), 3, 0, 1), -2);
    EXPECT_EQ(A, Orig);
    TDouble2DArray E;
    EXPECT_EQ(DiscretizeArray(E, 5, 0, 1, 0, 1), 0);
    TDouble2DArray R = {{1, 2}, {3}};
    EXPECT_EQ(DiscretizeArray(R, 5, 0, 10, 0, 1), -1);
    EXPECT_EQ(R, (TDouble2DArray{{1, 2}, {3}}));
}

TEST(Reshape, DiscretizeExtremeThresholds) {
    const double Inf = std::numeric_limits<double>::infinity();
    // Infinite thresholds: every finite cell lands on an inner level, never outside.
    TDouble2DArray A = {{-1e300, 0, 1e300}};
    ASSERT_EQ(DiscretizeArray(A, 4, -Inf, Inf, 0, 3), 0);
    for (double X : A[0]) EXPECT_TRUE(X == 1 || X == 2) << X;
    // Finite thresholds whose distance overflows: the two inner bins split at 0.
    const double Big = std::numeric_limits<double>::max();
    TDouble2DArray C = {{-1e308, 1e308}};
    ASSERT_EQ(DiscretizeArray(C, 4, -Big, Big, 0, 3), 0);
    EXPECT_EQ(C, (TDouble2DArray{{1, 2}}));
    // Just below the upper threshold stays in the last inner bin.
    TDouble2DArray B = {{std::nextafter(1.0, 0.0)}};
    ASSERT_EQ(DiscretizeArray(B, 12, 0.1, 1.0, 0, 11), 0);
    EXPECT_EQ(B[0][0], 10);
}

}  // namespace
