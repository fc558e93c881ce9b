// Block statistics, cell-by-cell and scalar arithmetic, squared distances.
#include "qmr_test_support.h"

#include <cmath>
#include <limits>

using namespace qmr;

namespace {

template <class T> using V1 = std::vector<T>;
template <class T> using V2 = std::vector<V1<T>>;
template <class T> using V3 = std::vector<V2<T>>;
template <class T> using V4 = std::vector<V3<T>>;

template <class T> class StatsTyped : public ::testing::Test {};
using CellTypes = ::testing::Types<std::int32_t, double>;
TYPED_TEST_SUITE(StatsTyped, CellTypes);

// Independent reference: two-pass sample standard deviation in long double.
double RefStdDev(const std::vector<double>& X) {
    long double M = 0, Q = 0;
    for (double V : X) M += V;
    M /= static_cast<long double>(X.size());
    for (double V : X) Q += (V - M) * (V - M);
    return static_cast<double>(std::sqrt(Q / static_cast<long double>(X.size() - 1)));
}

TYPED_TEST(StatsTyped, OneDimensionalBlocks) {
    using T = TypeParam;
    const V1<T> A = {1, 2, 3, 4};
    double M = 9;
    EXPECT_EQ(MeanArray(A, 1, 2, M), 0);
    EXPECT_DOUBLE_EQ(M, 2.5);
    EXPECT_EQ(MeanArray(A, 2, 1, M), -2);
    EXPECT_EQ(M, 0);
    M = 9;
    EXPECT_EQ(MeanArray(A, 0, 4, M), -2);
    EXPECT_EQ(M, 0);
    EXPECT_EQ(MeanArray(A, -1, 2, M), -2);
    M = 9;
    EXPECT_EQ(MeanArray(V1<T>{}, 0, 0, M), -1);
    EXPECT_EQ(M, 0);

    double S = 9;
    EXPECT_EQ(StdDevArray(A, 3, 3, S), 0);
    EXPECT_EQ(S, 0);
    const V1<T> B = {2, 4, 4, 4, 5, 5, 7, 9};
    EXPECT_EQ(StdDevArray(B, 0, 7, S), 0);
    EXPECT_NEAR(S, 2.138089935, 1e-9);
    S = 9;
    EXPECT_EQ(StdDevArray(B, 0, 8, S), -2);
    EXPECT_EQ(S, 0);
}

TYPED_TEST(StatsTyped, TwoDimensionalBlocks) {
    using T = TypeParam;
    const V2<T> A = {{1, 2, 3}, {4, 6, 8}};
    double M = 0;
    EXPECT_EQ(MeanArray(A, 0, 1, 1, 1, M), 0);  // cells [0][1] and [1][1]
    EXPECT_DOUBLE_EQ(M, 4.0);
    EXPECT_EQ(MeanArray(A, 0, 0, 1, 2, M), 0);
    EXPECT_DOUBLE_EQ(M, 4.0);
    EXPECT_EQ(MeanArray(A, 0, 0, 0, 0, M), 0);  // one cell: no whole-array shortcut
    EXPECT_DOUBLE_EQ(M, 1.0);
    EXPECT_EQ(MeanArray(A, 0, 0, 2, 0, M), -2);
    EXPECT_EQ(MeanArray(A, 0, 0, 0, 3, M), -2);
    EXPECT_EQ(MeanArray(A, 1, 0, 0, 0, M), -2);
    double S = 0;
    EXPECT_EQ(StdDevArray(A, 1, 0, 1, 2, S), 0);
    EXPECT_DOUBLE_EQ(S, 2.0);
    EXPECT_EQ(StdDevArray(A, 0, 0, 1, 2, S), 0);
    EXPECT_NEAR(S, RefStdDev({1, 2, 3, 4, 6, 8}), 1e-12);
    // Ragged: column 1 has no row 2.
    const V2<T> R = {{1, 2, 3}, {4, 5}};
    M = 9;
    EXPECT_EQ(MeanArray(R, 0, 0, 1, 1, M), -1);
    EXPECT_EQ(M, 0);
    EXPECT_EQ(StdDevArray(R, 0, 0, 1, 1, S), -1);
}

TYPED_TEST(StatsTyped, ThreeAndFourDimensionalBlocks) {
    using T = TypeParam;
    V3<T> A(2, V2<T>(3, V1<T>(4)));
    std::vector<double> Block;
    for (int I = 0; I < 2; ++I)
        for (int J = 0; J < 3; ++J)
            for (int K = 0; K < 4; ++K) {
                A[I][J][K] = T(I * 100 + J * 10 + K * K);
                if (J >= 1 && K <= 2) Block.push_back(I * 100 + J * 10 + K * K);
            }
    double M = 0, S = 0;
    EXPECT_EQ(MeanArray(A, 0, 1, 0, 1, 2, 2, M), 0);
    double Sum = 0;
    for (double X : Block) Sum += X;
    EXPECT_NEAR(M, Sum / static_cast<double>(Block.size()), 1e-12);
    EXPECT_EQ(StdDevArray(A, 0, 1, 0, 1, 2, 2, S), 0);
    EXPECT_NEAR(S, RefStdDev(Block), 1e-9);
    EXPECT_EQ(MeanArray(A, 0, 0, 0, 1, 3, 3, M), -2);
    EXPECT_EQ(M, 0);

    V4<T> B(2, V3<T>(2, V2<T>(2, V1<T>(2, T(3)))));
    B[1][1][1][1] = T(7);
    EXPECT_EQ(MeanArray(B, 0, 0, 0, 0, 1, 1, 1, 1, M), 0);
    EXPECT_DOUBLE_EQ(M, 3.25);
    EXPECT_EQ(StdDevArray(B, 1, 1, 1, 0, 1, 1, 1, 1, S), 0);
    EXPECT_NEAR(S, RefStdDev({3, 7}), 1e-12);
    EXPECT_EQ(StdDevArray(B, 0, 0, 0, 0, 1, 1, 1, 2, S), -2);
    EXPECT_EQ(S, 0);
}

TEST(Stats, IntegerMeanDoesNotOverflow) {
    const std::int32_t Max = std::numeric_limits<std::int32_t>::max();
    double M = 0;
    EXPECT_EQ(MeanArray(TIntArray{Max, Max}, 0, 1, M), 0);
    EXPECT_DOUBLE_EQ(M, static_cast<double>(Max));
}

// ---------------------------------------------------------------- element-wise arithmetic

TYPED_TEST(StatsTyped, CellByCell) {
    using T = TypeParam;
    const V1<T> A = {1, 2, 3}, B = {4, 5, 6};
    V1<T> C = {9};
    EXPECT_EQ(AddArrays(A, B, C), 0);
    EXPECT_EQ(C, (V1<T>{5, 7, 9}));
    EXPECT_EQ(SubtractArrays(A, B, C), 0);
    EXPECT_EQ(C, (V1<T>{-3, -3, -3}));
    EXPECT_EQ(MultiplyArraysElemw(A, B, C), 0);
    EXPECT_EQ(C, (V1<T>{4, 10, 18}));
    const V1<T> Four = {1, 2, 3, 4};
    EXPECT_EQ(AddArrays(A, Four, C), -2);
    EXPECT_EQ(C, (V1<T>{4, 10, 18}));
    EXPECT_EQ(SubtractArrays(V1<T>{}, A, C), -1);
    EXPECT_EQ(MultiplyArraysElemw(A, V1<T>{}, C), -1);
    EXPECT_EQ(C, (V1<T>{4, 10, 18}));

    const V2<T> P = {{1, 2}, {3, 4}, {5, 6}}, Q = {{1, 1}, {2, 2}, {3, 3}};
    V2<T> R;
    EXPECT_EQ(MultiplyArraysElemw(P, Q, R), 0);
    EXPECT_EQ(R, (V2<T>{{1, 2}, {6, 8}, {15, 18}}));
    EXPECT_EQ(SubtractArrays(P, Q, R), 0);
    EXPECT_EQ(R, (V2<T>{{0, 1}, {1, 2}, {2, 3}}));
    EXPECT_EQ(AddArrays(P, V2<T>{{1, 1}, {2, 2}}, R), -2);
    EXPECT_EQ(MultiplyArraysElemw(P, V2<T>{{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}, R), -2);
    EXPECT_EQ(AddArrays(P, V2<T>{{1, 1}, {2}, {3, 3}}, R), -1);  // ragged operand
    EXPECT_EQ(R, (V2<T>{{0, 1}, {1, 2}, {2, 3}}));

    V4<T> X(2, V3<T>(1, V2<T>(2, V1<T>(3, T(2))))), Y = X, Z;
    Y[1][0][1][2] = T(5);
    EXPECT_EQ(AddArrays(X, Y, Z), 0);
    EXPECT_EQ(Z[1][0][1][2], T(7));
    EXPECT_EQ(Z[0][0][0][0], T(4));
    EXPECT_EQ(SubtractArrays(X, Y, Z), 0);
    EXPECT_EQ(Z[1][0][1][2], T(-3));
    V3<T> U(2, V2<T>(2, V1<T>(2, T(1)))), W(2, V2<T>(2, V1<T>(3, T(1)))), Res;
    EXPECT_EQ(AddArrays(U, W, Res), -2);
    EXPECT_EQ(SubtractArrays(U, U, Res), 0);
    EXPECT_EQ(Res, V3<T>(2, V2<T>(2, V1<T>(2, T(0)))));
}

TYPED_TEST(StatsTyped, ResultMayAliasAnOperand) {
    using T = TypeParam;
    V1<T> A = {1, 2, 3};
    const V1<T> B = {10, 20, 30};
    EXPECT_EQ(AddArrays(A, B, A), 0);
    EXPECT_EQ(A, (V1<T>{11, 22, 33}));
    V2<T> P = {{1, 2}, {3, 4}};
    EXPECT_EQ(SubtractArrays(P, P, P), 0);
    EXPECT_EQ(P, (V2<T>{{0, 0}, {0, 0}}));
    V2<T> Q = {{2, 3}, {4, 5}};
    const V2<T> Q0 = Q;
    EXPECT_EQ(MultiplyArraysElemw(Q0, Q, Q), 0);
    EXPECT_EQ(Q, (V2<T>{{4, 9}, {16, 25}}));
    EXPECT_EQ(MultiplyArrayByScalar(Q, T(2), Q), 0);
    EXPECT_EQ(Q, (V2<T>{{8, 18}, {32, 50}}));
    EXPECT_EQ(AddScalarToArray(Q, T(-8), Q), 0);
    EXPECT_EQ(Q, (V2<T>{{0, 10}, {24, 42}}));
}

TEST(Stats, IntegerArithmeticWraps) {
    const std::int32_t Max = std::numeric_limits<std::int32_t>::max();
    const std::int32_t Min = std::numeric_limits<std::int32_t>::min();
    TIntArray C;
    EXPECT_EQ(MultiplyArraysElemw(TIntArray{65536}, TIntArray{65536}, C), 0);
    EXPECT_EQ(C, TIntArray{0});
    EXPECT_EQ(AddArrays(TIntArray{Max}, TIntArray{1}, C), 0);
    EXPECT_EQ(C, TIntArray{Min});
    EXPECT_EQ(SubtractArrays(TIntArray{Min}, TIntArray{1}, C), 0);
    EXPECT_EQ(C, TIntArray{Max});
    EXPECT_EQ(MultiplyArrayByScalar(TIntArray{Min, 3}, -1, C), 0);
    EXPECT_EQ(C, (TIntArray{Min, -3}));
    EXPECT_EQ(AddScalarToArray(TIntArray{Max}, 2, C), 0);
    EXPECT_EQ(C, TIntArray{Min + 1});
    TInt2DArray D = {{Max, 1}};
    EXPECT_EQ(IncArray(D, 1), 0);
    EXPECT_EQ(D, (TInt2DArray{{Min, 2}}));
    TInt4DArray E = {{{{1 << 30}}}};
    EXPECT_EQ(MultiplyArrayByScalar(E, 4), 0);
    EXPECT_EQ(E[0][0][0][0], 0);
}

TYPED_TEST(StatsTyped, ScalarOperations) {
    using T = TypeParam;
    const V3<T> A = {{{1, 2}}, {{3, 4}}};
    V3<T> C;
    EXPECT_EQ(MultiplyArrayByScalar(A, T(3), C), 0);
    EXPECT_EQ(C, (V3<T>{{{3, 6}}, {{9, 12}}}));
    EXPECT_EQ(AddScalarToArray(A, T(-1), C), 0);
    EXPECT_EQ(C, (V3<T>{{{0, 1}}, {{2, 3}}}));
    V1<T> B = {1, 2};
    EXPECT_EQ(IncArray(B, T(5)), 0);
    EXPECT_EQ(B, (V1<T>{6, 7}));
    EXPECT_EQ(MultiplyArrayByScalar(B, T(-2)), 0);
    EXPECT_EQ(B, (V1<T>{-12, -14}));
    V4<T> D = {{{{1}, {2}}}};
    EXPECT_EQ(IncArray(D, T(1)), 0);
    EXPECT_EQ(D, (V4<T>{{{{2}, {3}}}}));
    V4<T> F;
    EXPECT_EQ(AddScalarToArray(D, T(1), F), 0);
    EXPECT_EQ(F, (V4<T>{{{{3}, {4}}}}));
    V1<T> E;
    EXPECT_EQ(IncArray(E, T(1)), -1);
    EXPECT_EQ(MultiplyArrayByScalar(E, T(1)), -1);
    V1<T> Kept = {4};
    EXPECT_EQ(MultiplyArrayByScalar(E, T(2), Kept), -1);
    EXPECT_EQ(AddScalarToArray(E, T(2), Kept), -1);
    EXPECT_EQ(Kept, V1<T>{4});
    V2<T> R = {{1, 2}, {3}};
    EXPECT_EQ(IncArray(R, T(1)), -1);
    EXPECT_EQ(R, (V2<T>{{1, 2}, {3}}));
}

// ---------------------------------------------------------------- distances

TEST(Stats, SumOfSquaredDiffsVectors) {
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1, 2}, TDoubleArray{1, 4}), 4.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1, 2}, TDoubleArray{1, 2, 3}), -2.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{}, TDoubleArray{1}), -1.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1}, TDoubleArray{}), -1.0);
}

TEST(Stats, SumOfSquaredDiffsAgainstColumn) {
    const TDouble2DArray B = {{0, 0}, {1, 5}};
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1, 2}, B, 1), 9.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1, 2}, B, 0), 5.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1, 2}, B, 5), -3.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1, 2}, B, -1), -3.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1, 2, 3}, B, 0), -2.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{}, B, 0), -1.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1}, TDouble2DArray{}, 0), -1.0);
    EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1, 2}, TDouble2DArray{{1, 2}, {3}}, 1), -1.0);
}

}  // namespace
