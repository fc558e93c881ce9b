// Extremes of open arrays: MaxArray, MinArray, MinMaxArray.
#include "qmr_test_support.h"

#include <cfloat>
#include <limits>
#include <tuple>

using namespace qmr;
using namespace qmr::test;

namespace {

// The sentinels: the highest value of the result type and its counterpart.
template <class T> constexpr T High = std::numeric_limits<T>::max();
template <class T> constexpr T Low = -High<T> - std::is_integral_v<T>;

// MinMaxArray's outputs folded into its result: (status, min, max[, positions]).
template <class T> struct Out { using type = std::conditional_t<std::is_integral_v<T>, std::int32_t, double>; };
template <class T> struct Out<std::vector<T>> : Out<T> {};
template <class V> auto MinMax(const V& A) {
    typename Out<typename V::value_type>::type Mn = 5, Mx = 5;
    const auto R = MinMaxArray(A, Mn, Mx);
    return std::tuple(R, Mn, Mx);
}
template <class T> auto MinMax(const V1<T>& A, int First, int Last) {
    T Mn = 5, Mx = 5;
    std::int32_t PMin = 3, PMax = 3;
    const auto R = MinMaxArray(A, First, Last, Mn, Mx, PMin, PMax);
    return std::tuple(R, Mn, Mx, PMin, PMax);
}
template <class T> auto MinMax(const V2<T>& A, int C0, int R0, int C1, int R1) {
    T Mn = 5, Mx = 5;
    std::int32_t P[4] = {3, 3, 3, 3};
    const auto R = MinMaxArray(A, C0, R0, C1, R1, Mn, Mx, P[0], P[1], P[2], P[3]);
    return std::tuple(R, Mn, Mx, P[0], P[1], P[2], P[3]);
}

template <class T> class Extremes : public ::testing::Test {};
TYPED_TEST_SUITE(Extremes, IntAndDouble);

TYPED_TEST(Extremes, WholeArraysOfEveryRank) {
    using T = TypeParam;
    const auto Check = [](const auto& A, T Min, T Max) {
        EXPECT_EQ(MaxArray(A), Max);
        EXPECT_EQ(MinArray(A), Min);
        EXPECT_EQ(MinMax(A), std::tuple(0, Min, Max));
    };
    V3<T> A3 = Make3<T>(2, 3, 2, 5);
    A3[1][2][1] = 11;
    A3[0][1][0] = -4;
    V4<T> A4(2, A3);
    A4[1][0][0][0] = 12;
    Check(V1<T>{3, 7, 7, 1}, 1, 7);
    Check(V2<T>{{4, 5, -2}, {9, 0, 9}}, -2, 9);
    Check(V2<T>{{1, 2}, {3, 4, 99}}, 1, 4);  // only the first column's rows count
    Check(A3, -4, 11);
    Check(A4, -4, 12);
    const T Raw[] = {2, -8, 6};
    EXPECT_EQ(MinMax(std::span<const T>(Raw)), std::tuple(0, T(-8), T(6)));
}

TYPED_TEST(Extremes, EmptyAndRaggedArraysGiveSentinels) {
    using T = TypeParam;
    const auto Check = [](const auto& A) {
        EXPECT_EQ(MaxArray(A), Low<T>);
        EXPECT_EQ(MinArray(A), High<T>);
        EXPECT_EQ(MinMax(A), std::tuple(-1, High<T>, Low<T>));
    };
    Check(V1<T>{});
    Check(V2<T>{{}, {1}, {2}});  // three columns, the first without rows
    Check(Ragged<T>());
    Check(V3<T>{{{1, 2}}, {{3}}});
    Check(V4<T>{});
    EXPECT_EQ(MinMax(std::span<const T>()), std::tuple(-1, High<T>, Low<T>));
}

TYPED_TEST(Extremes, OneDimensionalSubRange) {
    using T = TypeParam;
    const V1<T> A{3, 7, 7, 1, 9};
    const auto Start = [](int R) { return std::tuple(R, High<T>, Low<T>, 0, 0); };
    EXPECT_EQ(MinMax(A, 1, 3), std::tuple(0, T(1), T(7), 3, 1));  // absolute positions, first of equals
    EXPECT_EQ(MinMax(A, 2, 1), Start(0));  // reversed: nothing scanned, still success
    // Each bound is tested on its own, also in a reversed pair; the start values are set first.
    for (const auto& [F, L] : {std::pair(0, 5), std::pair(-1, 2), std::pair(5, 2), std::pair(2, -1)})
        EXPECT_EQ(MinMax(A, F, L), Start(-2)) << F << ".." << L;
    EXPECT_EQ(MinMax(V1<T>{}, 0, 0), Start(-1));
}

TYPED_TEST(Extremes, TwoDimensionalSubRange) {
    using T = TypeParam;
    const V2<T> B{{0, 1, 2}, {8, 3, 4}, {-9, 5, 6}};
    const auto Start = [](int R) { return std::tuple(R, High<T>, Low<T>, 0, 0, 0, 0); };
    // (status, min, max, column and row of the min, column and row of the max)
    EXPECT_EQ(MinMax(B, 0, 0, 1, 1), std::tuple(0, T(0), T(8), 0, 0, 1, 0));
    EXPECT_EQ(MinMax(B, 1, 1, 2, 2), std::tuple(0, T(3), T(6), 1, 1, 2, 2));
    EXPECT_EQ(MinMax(B, 2, 0, 1, 2), Start(0));
    EXPECT_EQ(MinMax(B, 0, 0, 3, 1), Start(-2));
    EXPECT_EQ(MinMax(B, 0, 0, 1, 3), Start(-2));
    EXPECT_EQ(MinMax(B, 0, -1, 0, 0), Start(-2));
    EXPECT_EQ(MinMax(V2<T>{{1}, {2, 3}}, 1, 1, 1, 1), Start(-2));  // rows count in the first column
    EXPECT_EQ(MinMax(Ragged<T>(), 0, 0, 1, 1), Start(-1));
    EXPECT_EQ(MinMax(V2<T>{{}, {1, 2}}, 1, 0, 1, 0), Start(-1));
    // The running extremes start from the sentinels, not from the range's first cell:
    // a cell equal to a sentinel never replaces it and its position stays 0.
    EXPECT_EQ(MinMax(V2<T>{{5, 5}, {5, High<T>}}, 1, 1, 1, 1), std::tuple(0, High<T>, High<T>, 0, 0, 1, 1));
    EXPECT_EQ(MinMax(V2<T>{{5, 5}, {5, Low<T>}}, 1, 1, 1, 1), std::tuple(0, Low<T>, Low<T>, 1, 1, 0, 0));
}

TEST(ExtremesPositions, FirstOfEqualsAndUntouchedOnEmpty) {
    // (extreme, position) of the integer forms that report where it lies.
    const auto Max1 = [](const TIntArray& A) { std::int32_t P = 42; return std::pair(MaxArray(A, P), P); };
    const auto Min1 = [](const TIntArray& A) { std::int32_t P = 42; return std::pair(MinArray(A, P), P); };
    using CR = std::tuple<std::int32_t, std::int32_t, std::int32_t>;
    const auto Max2 = [](const TInt2DArray& A) { std::int32_t C = 13, R = 13; return CR(MaxArray(A, C, R), C, R); };
    const auto Min2 = [](const TInt2DArray& A) { std::int32_t C = 13, R = 13; return CR(MinArray(A, C, R), C, R); };
    EXPECT_EQ(Max1({3, 7, 7, 1}), std::pair(7, 1));
    EXPECT_EQ(Min1({3, 7, 7, 1}), std::pair(1, 3));
    EXPECT_EQ(Max1({9, 1, 9}), std::pair(9, 0));
    EXPECT_EQ(Max1({}), std::pair(INT32_MIN, 42));
    EXPECT_EQ(Max2({{9, 1}, {9, 2}}), CR(9, 0, 0));
    EXPECT_EQ(Min2({{4, 5, -2}, {9, 0, 9}}), CR(-2, 0, 2));
    EXPECT_EQ(Min2({{4, 0}, {0, 0}}), CR(0, 0, 1));  // columns are the outer loop
    EXPECT_EQ(Min2(Ragged<std::int32_t>()), CR(INT32_MAX, 13, 13));
}

TEST(ExtremesReals, SingleCellsAndNotANumber) {
    EXPECT_EQ(MinMax(TSingleArray{}), std::tuple(-1, double(FLT_MAX), -double(FLT_MAX)));
    EXPECT_EQ(MinMax(TSingleArray{1.5f, -2.25f}), std::tuple(0, -2.25, 1.5));
    // Cells that are not numbers take no part.
    const double NaN = std::numeric_limits<double>::quiet_NaN(), Inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(MaxArray(TDoubleArray{NaN, 2.0, NaN, 5.0}), 5.0);
    EXPECT_EQ(MinArray(TDoubleArray{NaN, 2.0, NaN, 5.0}), 2.0);
    EXPECT_EQ(MaxArray(TDoubleArray{NaN, NaN}), -DBL_MAX);
    EXPECT_EQ(std::get<0>(MinMax(TDoubleArray{NaN})), -1);
    // Whole arrays start from their first number, so infinite cells are reported, while
    // sub-ranges start from the sentinels: +Inf never undercuts +MaxDouble.
    EXPECT_EQ(MinMax(TDoubleArray{Inf, Inf}), std::tuple(0, Inf, Inf));
    EXPECT_EQ(MinMax(TDoubleArray{1.0, Inf}, 1, 1), std::tuple(0, DBL_MAX, Inf, 0, 1));
}

}  // namespace
