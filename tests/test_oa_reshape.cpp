// Trace, transposition, dichotomy and discretization.
#include "qmr_test_support.h"

#include <cmath>
#include <limits>
#include <tuple>

using namespace qmr;
using namespace qmr::test;

namespace {

// TraceOfArray and IsDichotomous with their outputs folded into the result; the
// outputs start at 99 so that the routine must reset them.
template <class T> std::pair<int, T> Trace(const V2<T>& A) {
    T Tr = 99;
    const int R = TraceOfArray(A, Tr);
    return {R, Tr};
}
template <class T> std::tuple<bool, T, T> Dich(const V1<T>& A) {
    T F = 99, S = 99;
    const bool R = IsDichotomous(A, F, S);
    return {R, F, S};
}

template <class T> class ReshapeTyped : public ::testing::Test {};
TYPED_TEST_SUITE(ReshapeTyped, IntAndDouble);

TYPED_TEST(ReshapeTyped, Trace) {
    using T = TypeParam;
    EXPECT_EQ(Trace(V2<T>{{1, 2}, {3, 4}}), std::pair(0, T(5)));
    EXPECT_EQ(Trace(V2<T>{{1, 2, 3}, {4, 5, 6}}), std::pair(-2, T(0)));
    EXPECT_EQ(Trace(V2<T>{}), std::pair(-1, T(0)));
    EXPECT_EQ(Trace(V2<T>{{}, {}}), std::pair(-1, T(0)));
    EXPECT_EQ(Trace(V2<T>{{1, 2}, {3}}), std::pair(-1, T(0)));  // the second column has no row 1
    EXPECT_EQ(Trace(TInt2DArray{{INT32_MAX, 0}, {0, 2}}), std::pair(0, INT32_MIN + 1));  // wraps at 32 bits
}

TYPED_TEST(ReshapeTyped, Transpose) {
    using T = TypeParam;
    V2<T> A = Grid<T>(2, 3), E, R = Ragged<T>();
    EXPECT_EQ(TransposeArray(A), 0);
    EXPECT_EQ(A, (V2<T>{{1, 4}, {2, 5}, {3, 6}}));
    EXPECT_EQ(TransposeArray(A), 0);
    EXPECT_EQ(A, Grid<T>(2, 3));
    EXPECT_EQ(TransposeArray(E), -1);
    EXPECT_EQ(TransposeArray(R), -1);
    EXPECT_EQ(R, Ragged<T>());
    TBool2DArray B = {{true, false, false}, {false, false, true}}, F(2);
    EXPECT_EQ(TransposeArray(B), 0);
    EXPECT_EQ(B, (TBool2DArray{{true, false}, {false, false}, {false, true}}));
    EXPECT_EQ(TransposeArray(F), -1);
}

TEST(Reshape, IsDichotomous) {
    using D3 = std::tuple<bool, double, double>;
    const double NaN = std::nan("");
    EXPECT_EQ(Dich(TDoubleArray{5, 7, 5, 7}), D3(true, 5, 7));
    EXPECT_EQ(Dich(TDoubleArray{7, 5, 5}), D3(true, 5, 7));  // exchanged
    EXPECT_EQ(Dich(TDoubleArray{5, 7, 9}), D3(false, 5, 7));
    EXPECT_EQ(Dich(TDoubleArray{5, 5, 5}), D3(false, 5, 5));
    EXPECT_EQ(Dich(TDoubleArray{3}), D3(false, 0, 0));
    EXPECT_EQ(Dich(TDoubleArray{2, 2, 2, 1}), D3(true, 1, 2));  // the second value only in the last cell
    EXPECT_FALSE(std::get<0>(Dich(TDoubleArray{1, 2, 1, 3, 2})));
    EXPECT_FALSE(std::get<0>(Dich(TDoubleArray{1, NaN, 1})));
    EXPECT_FALSE(std::get<0>(Dich(TDoubleArray{NaN, NaN})));
    // The integer form has no test for a single value.
    using I3 = std::tuple<bool, std::int32_t, std::int32_t>;
    EXPECT_EQ(Dich(TIntArray{5, 5, 5}), I3(true, 5, 5));
    EXPECT_EQ(Dich(TIntArray{7, 5, 5}), I3(true, 5, 7));
    EXPECT_EQ(Dich(TIntArray{9, 7, 5}), I3(false, 7, 9));
    EXPECT_EQ(Dich(TIntArray{}), I3(false, 0, 0));
}

TYPED_TEST(ReshapeTyped, Dichotomize) {
    using T = TypeParam;
    TBool2DArray M = {{true}};
    EXPECT_EQ(DichotomizeArray(V2<T>{{1, 2, 3}}, T(2), M), 0);  // strictly greater
    EXPECT_EQ(M, (TBool2DArray{{false, false, true}}));
    EXPECT_EQ(DichotomizeArray(V2<T>{{0, 1}, {3, 4}}, T(3), T(1), M), 0);  // band 1 .. 3, bounds inclusive
    EXPECT_EQ(M, (TBool2DArray{{false, true}, {true, false}}));
    M = Make2<bool>(5, 7, true);  // the mask takes exactly the source's shape
    EXPECT_EQ(DichotomizeArray(V2<T>{{1, 2}, {3, 4}, {5, 6}}, T(2), T(5), M), 0);
    EXPECT_EQ(M, (TBool2DArray{{false, true}, {true, true}, {true, false}}));
    EXPECT_EQ(DichotomizeArray(V2<T>{}, T(0), M), -1);
    EXPECT_EQ(DichotomizeArray(Ragged<T>(), T(0), T(9), M), -1);
    EXPECT_EQ(M, (TBool2DArray{{false, true}, {true, true}, {true, false}}));
}

TEST(Reshape, Discretize) {
    const double NaN = std::nan("");
    TDouble2DArray A = {{-1, 0, 2, 5}, {9.9, 10, 12, NaN}};
    EXPECT_EQ(DiscretizeArray(A, 4, 0, 10, 0, 3), 0);
    EXPECT_EQ(A, (TDouble2DArray{{0, 0, 1, 2}, {2, 3, 3, 0}}));
    TDouble2DArray B = {{-5, 1, 4, 20}};
    EXPECT_EQ(DiscretizeArray(B, 5, 0, 9, 8, 0), 0);  // descending levels
    EXPECT_EQ(B, (TDouble2DArray{{8, 6, 4, 0}}));
    // Refused: (levels, low and high threshold, status); the array stays as it was.
    const TDouble2DArray Orig = {{1, 2}, {3, 4}};
    const std::tuple<int, double, double, int> Bad[] = {
        {2, 0, 10, -1}, {2, 10, 0, -2}, {5, 3, 3, -2}, {5, NaN, 3, -2}, {5, 0, NaN, -2}};
    for (const auto& [N, Lo, Hi, Want] : Bad) {
        A = Orig;
        EXPECT_EQ(DiscretizeArray(A, N, Lo, Hi, 0, 1), Want) << N << " " << Lo << " " << Hi;
        EXPECT_EQ(A, Orig);
    }
    TDouble2DArray E, R = Ragged<double>();
    EXPECT_EQ(DiscretizeArray(E, 5, 0, 1, 0, 1), 0);  // nothing to do
    EXPECT_EQ(DiscretizeArray(R, 5, 0, 10, 0, 1), -1);
    EXPECT_EQ(R, Ragged<double>());
}

TEST(Reshape, DiscretizeExtremeThresholds) {
    const double Inf = std::numeric_limits<double>::infinity(), Big = std::numeric_limits<double>::max();
    // Infinite thresholds: every finite cell lands on an inner level, never outside.
    TDouble2DArray A = {{-1e300, 0, 1e300}};
    ASSERT_EQ(DiscretizeArray(A, 4, -Inf, Inf, 0, 3), 0);
    for (double X : A[0]) EXPECT_TRUE(X == 1 || X == 2) << X;
    // Finite thresholds whose distance overflows: the two inner bins split at 0.
    TDouble2DArray C = {{-1e308, 1e308}};
    ASSERT_EQ(DiscretizeArray(C, 4, -Big, Big, 0, 3), 0);
    EXPECT_EQ(C, (TDouble2DArray{{1, 2}}));
    // Just below the upper threshold stays in the last inner bin.
    TDouble2DArray B = {{std::nextafter(1.0, 0.0)}};
    ASSERT_EQ(DiscretizeArray(B, 12, 0.1, 1.0, 0, 11), 0);
    EXPECT_EQ(B[0][0], 10);
}

}  // namespace
