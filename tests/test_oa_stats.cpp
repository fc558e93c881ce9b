// Block statistics, cell-by-cell and scalar arithmetic, squared distances.
#include "qmr_test_support.h"

#include <cmath>
#include <utility>

using namespace qmr;
using namespace qmr::test;

namespace {

// MeanArray and StdDevArray with the statistic folded into the result: (status, value).
// The output starts at 9 so that a refused call must reset it to 0.
template <class V, class... B> std::pair<int, double> Mean(const V& A, B... Bounds) {
    double M = 9;
    const int R = MeanArray(A, Bounds..., M);
    return {R, M};
}
template <class V, class... B> std::pair<int, double> StdDev(const V& A, B... Bounds) {
    double S = 9;
    const int R = StdDevArray(A, Bounds..., S);
    return {R, S};
}

template <class T> class StatsTyped : public ::testing::Test {};
TYPED_TEST_SUITE(StatsTyped, IntAndDouble);

TYPED_TEST(StatsTyped, OneAndTwoDimensionalBlocks) {
    using T = TypeParam;
    const std::pair<int, double> Refused(-2, 0.0);
    const V1<T> A = {1, 2, 3, 4}, B = {2, 4, 4, 4, 5, 5, 7, 9};
    EXPECT_EQ(Mean(A, 1, 2), std::pair(0, 2.5));
    for (const auto& [F, L] : {std::pair(2, 1), std::pair(0, 4), std::pair(-1, 2)}) {
        EXPECT_EQ(Mean(A, F, L), Refused) << F << ".." << L;
        EXPECT_EQ(StdDev(A, F, L), Refused) << F << ".." << L;
    }
    EXPECT_EQ(Mean(V1<T>{}, 0, 0), std::pair(-1, 0.0));
    EXPECT_EQ(StdDev(A, 3, 3), std::pair(0, 0.0));  // a single cell
    EXPECT_EQ(StdDev(B, 0, 7).first, 0);
    EXPECT_NEAR(StdDev(B, 0, 7).second, 2.138089935, 1e-9);  // divisor n - 1

    const V2<T> C = {{1, 2, 3}, {4, 6, 8}};
    EXPECT_EQ(Mean(C, 0, 1, 1, 1), std::pair(0, 4.0));  // cells [0][1] and [1][1]
    EXPECT_EQ(Mean(C, 0, 0, 0, 0), std::pair(0, 1.0));  // one cell: no whole-array shortcut
    EXPECT_EQ(Mean(C, 0, 2, 1, 2), std::pair(0, 5.5));
    EXPECT_EQ(StdDev(C, 1, 0, 1, 2), std::pair(0, 2.0));
    EXPECT_NEAR(StdDev(C, 0, 0, 1, 2).second, std::sqrt(34.0 / 5), 1e-12);
    const int Bad[][4] = {{0, 0, 2, 0}, {0, 0, 0, 3}, {1, 0, 0, 0}, {0, 2, 0, 1}, {0, -1, 0, 0}};
    for (const auto& X : Bad) EXPECT_EQ(Mean(C, X[0], X[1], X[2], X[3]), Refused) << X[0] << X[1] << X[2] << X[3];
    EXPECT_EQ(Mean(Ragged<T>(), 0, 0, 1, 0), std::pair(-1, 0.0));  // column 1 has no row 2
    EXPECT_EQ(StdDev(Ragged<T>(), 0, 0, 1, 0), std::pair(-1, 0.0));
}

TYPED_TEST(StatsTyped, ThreeAndFourDimensionalBlocks) {
    using T = TypeParam;
    V3<T> A = Make3<T>(2, 3, 4, 1);
    A[1][2][3] = 13;  // inside the block below
    A[0][0][0] = 99;  // outside it
    EXPECT_EQ(Mean(A, 0, 1, 1, 1, 2, 3), std::pair(0, 2.0));  // firsts, then lasts
    EXPECT_NEAR(StdDev(A, 0, 1, 1, 1, 2, 3).second, std::sqrt(12.0), 1e-12);
    EXPECT_EQ(Mean(A, 0, 0, 0, 1, 3, 3), std::pair(-2, 0.0));
    V4<T> B = Make4<T>(2, 2, 2, 2, 3);
    B[1][1][1][1] = T(7);
    EXPECT_EQ(Mean(B, 0, 0, 0, 0, 1, 1, 1, 1), std::pair(0, 3.25));
    EXPECT_NEAR(StdDev(B, 1, 1, 1, 0, 1, 1, 1, 1).second, std::sqrt(8.0), 1e-12);
    EXPECT_EQ(StdDev(B, 0, 0, 0, 0, 1, 1, 1, 2), std::pair(-2, 0.0));
    EXPECT_EQ(Mean(TIntArray{INT32_MAX, INT32_MAX}, 0, 1), std::pair(0, double(INT32_MAX)));  // summed as doubles
}

TYPED_TEST(StatsTyped, CellByCell) {
    using T = TypeParam;
    const V1<T> A = {1, 2, 3}, B = {4, 5, 6};
    const V2<T> P = {{1, 2}, {3, 4}, {5, 6}}, Q = {{1, 1}, {2, 2}, {3, 3}};
    V1<T> C = {9};
    V2<T> R;
    EXPECT_EQ(Ok(AddArrays(A, B, C), C), (V1<T>{5, 7, 9}));
    EXPECT_EQ(Ok(SubtractArrays(A, B, C), C), (V1<T>{-3, -3, -3}));
    EXPECT_EQ(Ok(MultiplyArraysElemw(A, B, C), C), (V1<T>{4, 10, 18}));
    EXPECT_EQ(Ok(MultiplyArraysElemw(P, Q, R), R), (V2<T>{{1, 2}, {6, 8}, {15, 18}}));
    EXPECT_EQ(Ok(SubtractArrays(P, Q, R), R), (V2<T>{{0, 1}, {1, 2}, {2, 3}}));
    EXPECT_EQ(AddArrays(A, V1<T>{1, 2, 3, 4}, C), -2);
    EXPECT_EQ(SubtractArrays(V1<T>{}, A, C), -1);
    EXPECT_EQ(MultiplyArraysElemw(A, V1<T>{}, C), -1);
    EXPECT_EQ(AddArrays(P, V2<T>{{1, 1}, {2, 2}}, R), -2);
    EXPECT_EQ(MultiplyArraysElemw(P, Make2<T>(3, 3), R), -2);
    EXPECT_EQ(AddArrays(P, V2<T>{{1, 1}, {2}, {3, 3}}, R), -1);  // a short later column
    EXPECT_EQ(C, (V1<T>{4, 10, 18}));
    EXPECT_EQ(R, (V2<T>{{0, 1}, {1, 2}, {2, 3}}));
    V3<T> U = Make3<T>(2, 2, 2, 1), Res;
    V4<T> X = Make4<T>(2, 1, 2, 3, 2), Y = X, Z, Want = Make4<T>(2, 1, 2, 3, 4);
    Y[1][0][1][2] = T(5);
    Want[1][0][1][2] = T(7);
    EXPECT_EQ(Ok(AddArrays(X, Y, Z), Z), Want);
    EXPECT_EQ(Ok(SubtractArrays(X, X, Z), Z), Make4<T>(2, 1, 2, 3, 0));
    EXPECT_EQ(AddArrays(U, Make3<T>(2, 2, 3, 1), Res), -2);
    EXPECT_EQ(Ok(SubtractArrays(U, U, Res), Res), Make3<T>(2, 2, 2, 0));
}

TYPED_TEST(StatsTyped, ScalarOperations) {
    using T = TypeParam;
    const V3<T> A = {{{1, 2}}, {{3, 4}}};
    V3<T> C;
    V1<T> B = {1, 2}, E, Kept = {4};
    V2<T> R = Ragged<T>();
    V4<T> D = {{{{1}, {2}}}}, F;
    EXPECT_EQ(Ok(MultiplyArrayByScalar(A, T(3), C), C), (V3<T>{{{3, 6}}, {{9, 12}}}));
    EXPECT_EQ(Ok(AddScalarToArray(A, T(-1), C), C), (V3<T>{{{0, 1}}, {{2, 3}}}));
    EXPECT_EQ(Ok(IncArray(B, T(5)), B), (V1<T>{6, 7}));
    EXPECT_EQ(Ok(MultiplyArrayByScalar(B, T(-2)), B), (V1<T>{-12, -14}));
    EXPECT_EQ(Ok(IncArray(D, T(1)), D), (V4<T>{{{{2}, {3}}}}));
    EXPECT_EQ(Ok(AddScalarToArray(D, T(1), F), F), (V4<T>{{{{3}, {4}}}}));
    EXPECT_EQ(IncArray(E, T(1)), -1);
    EXPECT_EQ(MultiplyArrayByScalar(E, T(1)), -1);
    EXPECT_EQ(MultiplyArrayByScalar(E, T(2), Kept), -1);
    EXPECT_EQ(AddScalarToArray(E, T(2), Kept), -1);
    EXPECT_EQ(IncArray(R, T(1)), -1);
    EXPECT_EQ(Kept, V1<T>{4});
    EXPECT_EQ(R, Ragged<T>());
}

// The result may be one of the operands.
TYPED_TEST(StatsTyped, ResultMayAliasAnOperand) {
    using T = TypeParam;
    V1<T> A = {1, 2, 3};
    V2<T> P = {{1, 2}, {3, 4}}, Q = {{2, 3}, {4, 5}};
    EXPECT_EQ(Ok(AddArrays(A, V1<T>{10, 20, 30}, A), A), (V1<T>{11, 22, 33}));
    EXPECT_EQ(Ok(SubtractArrays(P, P, P), P), Make2<T>(2, 2));
    EXPECT_EQ(Ok(MultiplyArraysElemw(V2<T>(Q), Q, Q), Q), (V2<T>{{4, 9}, {16, 25}}));
    EXPECT_EQ(Ok(MultiplyArrayByScalar(Q, T(2), Q), Q), (V2<T>{{8, 18}, {32, 50}}));
    EXPECT_EQ(Ok(AddScalarToArray(Q, T(-8), Q), Q), (V2<T>{{0, 10}, {24, 42}}));
}

TEST(Stats, IntegerArithmeticWraps) {
    TIntArray C;
    TInt2DArray D = {{INT32_MAX, 1}};
    TInt4DArray E = {{{{1 << 30}}}};
    EXPECT_EQ(Ok(MultiplyArraysElemw(TIntArray{65536}, TIntArray{65536}, C), C), TIntArray{0});
    EXPECT_EQ(Ok(AddArrays(TIntArray{INT32_MAX}, TIntArray{1}, C), C), TIntArray{INT32_MIN});
    EXPECT_EQ(Ok(SubtractArrays(TIntArray{INT32_MIN}, TIntArray{1}, C), C), TIntArray{INT32_MAX});
    EXPECT_EQ(Ok(MultiplyArrayByScalar(TIntArray{INT32_MIN, 3}, -1, C), C), (TIntArray{INT32_MIN, -3}));
    EXPECT_EQ(Ok(AddScalarToArray(TIntArray{INT32_MAX}, 2, C), C), TIntArray{INT32_MIN + 1});
    EXPECT_EQ(Ok(IncArray(D, 1), D), (TInt2DArray{{INT32_MIN, 2}}));
    EXPECT_EQ(Ok(MultiplyArrayByScalar(E, 4), E), (TInt4DArray{{{{0}}}}));
}

TEST(Stats, SumOfSquaredDiffs) {
    const TDoubleArray A = {1, 2};
    const TDouble2DArray B = {{0, 0}, {1, 5}};
    EXPECT_EQ(SumOfSquaredDiffs(A, TDoubleArray{1, 4}), 4.0);
    EXPECT_EQ(SumOfSquaredDiffs(A, TDoubleArray{1, 2, 3}), -2.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{}, TDoubleArray{1}), -1.0);
    EXPECT_EQ(SumOfSquaredDiffs(A, TDoubleArray{}), -1.0);
    // Against a column of a 2-D array.
    EXPECT_EQ(SumOfSquaredDiffs(A, B, 1), 9.0);
    EXPECT_EQ(SumOfSquaredDiffs(A, B, 0), 5.0);
    EXPECT_EQ(SumOfSquaredDiffs(A, B, 5), -3.0);
    EXPECT_EQ(SumOfSquaredDiffs(A, B, -1), -3.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1, 2, 3}, B, 0), -2.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{}, B, 0), -1.0);
    EXPECT_EQ(SumOfSquaredDiffs(A, TDouble2DArray{}, 0), -1.0);
    EXPECT_EQ(SumOfSquaredDiffs(A, TDouble2DArray{{1, 2}, {3}}, 1), -1.0);
}

}  // namespace
