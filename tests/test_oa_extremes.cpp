// Extremes of open arrays: MaxArray, MinArray, MinMaxArray.
#include "qmr_test_support.h"

#include <cfloat>
#include <cmath>
#include <limits>

using namespace qmr;

namespace {

constexpr double MaxDbl = DBL_MAX;

template <class T> struct ExtremeTraits;
template <> struct ExtremeTraits<std::int32_t> {
    using A1 = TIntArray;
    using A2 = TInt2DArray;
    using A3 = TInt3DArray;
    using A4 = TInt4DArray;
    static constexpr std::int32_t Low = INT32_MIN;
    static constexpr std::int32_t High = INT32_MAX;
};
template <> struct ExtremeTraits<double> {
    using A1 = TDoubleArray;
    using A2 = TDouble2DArray;
    using A3 = TDouble3DArray;
    using A4 = TDouble4DArray;
    static constexpr double Low = -MaxDbl;
    static constexpr double High = MaxDbl;
};

template <class T> class Extremes : public ::testing::Test {};
using CellTypes = ::testing::Types<std::int32_t, double>;
TYPED_TEST_SUITE(Extremes, CellTypes);

TYPED_TEST(Extremes, WholeArraysOfEveryRank) {
    using Tr = ExtremeTraits<TypeParam>;
    const typename Tr::A1 A1{3, 7, 7, 1};
    EXPECT_EQ(MaxArray(A1), 7);
    EXPECT_EQ(MinArray(A1), 1);
    // 2 x 3 with the maximum in column 1, row 0 and the minimum in column 0, row 2.
    const typename Tr::A2 A2{{4, 5, -2}, {9, 0, 9}};
    EXPECT_EQ(MaxArray(A2), 9);
    EXPECT_EQ(MinArray(A2), -2);
    typename Tr::A3 A3(2, typename Tr::A2(3, typename Tr::A1(2, 5)));
    A3[1][2][1] = 11;
    A3[0][1][0] = -4;
    EXPECT_EQ(MaxArray(A3), 11);
    EXPECT_EQ(MinArray(A3), -4);
    typename Tr::A4 A4(2, A3);
    A4[1][0][0][0] = 12;
    EXPECT_EQ(MaxArray(A4), 12);
    EXPECT_EQ(MinArray(A4), -4);

    TypeParam Mn = 0, Mx = 0;
    EXPECT_EQ(MinMaxArray(A1, Mn, Mx), 0);
    EXPECT_EQ(Mn, 1);
    EXPECT_EQ(Mx, 7);
    EXPECT_EQ(MinMaxArray(A2, Mn, Mx), 0);
    EXPECT_EQ(Mn, -2);
    EXPECT_EQ(Mx, 9);
    EXPECT_EQ(MinMaxArray(A3, Mn, Mx), 0);
    EXPECT_EQ(Mx, 11);
    EXPECT_EQ(MinMaxArray(A4, Mn, Mx), 0);
    EXPECT_EQ(Mn, -4);
    EXPECT_EQ(Mx, 12);
    // The read-only open-array form.
    const TypeParam Raw[] = {2, -8, 6};
    EXPECT_EQ(MinMaxArray(std::span<const TypeParam>(Raw), Mn, Mx), 0);
    EXPECT_EQ(Mn, -8);
    EXPECT_EQ(Mx, 6);
}

TYPED_TEST(Extremes, EmptyAndRaggedArraysGiveSentinels) {
    using Tr = ExtremeTraits<TypeParam>;
    EXPECT_EQ(MaxArray(typename Tr::A1{}), Tr::Low);
    EXPECT_EQ(MinArray(typename Tr::A1{}), Tr::High);
    // Three columns whose first one has no rows count as empty.
    const typename Tr::A2 NoRows{{}, {1}, {2}};
    EXPECT_EQ(MaxArray(NoRows), Tr::Low);
    // A later column shorter than the first is refused, not read past its end.
    const typename Tr::A2 Ragged{{1, 2, 3}, {4}};
    EXPECT_EQ(MaxArray(Ragged), Tr::Low);
    EXPECT_EQ(MinArray(Ragged), Tr::High);
    const typename Tr::A3 Ragged3{{{1, 2}}, {{3}}};
    EXPECT_EQ(MaxArray(Ragged3), Tr::Low);
    // Longer later columns are fine; only the first column's rows are used.
    const typename Tr::A2 Longer{{1, 2}, {3, 4, 99}};
    EXPECT_EQ(MaxArray(Longer), 4);

    TypeParam Mn = 5, Mx = 5;
    EXPECT_EQ(MinMaxArray(typename Tr::A1{}, Mn, Mx), -1);
    EXPECT_EQ(Mn, Tr::High);
    EXPECT_EQ(Mx, Tr::Low);
    Mn = Mx = 5;
    EXPECT_EQ(MinMaxArray(Ragged, Mn, Mx), -1);
    EXPECT_EQ(Mn, Tr::High);
    EXPECT_EQ(Mx, Tr::Low);
    EXPECT_EQ(MinMaxArray(typename Tr::A4{}, Mn, Mx), -1);
    EXPECT_EQ(MinMaxArray(std::span<const TypeParam>(), Mn, Mx), -1);
}

TYPED_TEST(Extremes, SubRangeBoundsAndStartValues) {
    using Tr = ExtremeTraits<TypeParam>;
    const typename Tr::A1 A{3, 7, 7, 1, 9};
    TypeParam Mn = 0, Mx = 0;
    std::int32_t PMin = -5, PMax = -5;
    EXPECT_EQ(MinMaxArray(A, 1, 3, Mn, Mx, PMin, PMax), 0);
    EXPECT_EQ(Mn, 1);
    EXPECT_EQ(Mx, 7);
    EXPECT_EQ(PMin, 3);  // absolute positions, first of equals
    EXPECT_EQ(PMax, 1);
    // A reversed range scans nothing and still succeeds.
    EXPECT_EQ(MinMaxArray(A, 2, 1, Mn, Mx, PMin, PMax), 0);
    EXPECT_EQ(Mn, Tr::High);
    EXPECT_EQ(Mx, Tr::Low);
    EXPECT_EQ(PMin, 0);
    EXPECT_EQ(PMax, 0);
    EXPECT_EQ(MinMaxArray(A, 0, 5, Mn, Mx, PMin, PMax), -2);
    EXPECT_EQ(MinMaxArray(A, -1, 2, Mn, Mx, PMin, PMax), -2);
    // Each bound is tested even when the pair is reversed.
    EXPECT_EQ(MinMaxArray(A, 5, 2, Mn, Mx, PMin, PMax), -2);
    EXPECT_EQ(MinMaxArray(A, 2, -1, Mn, Mx, PMin, PMax), -2);
    // Start values and positions are set before anything is refused.
    Mn = Mx = 5;
    PMin = PMax = 3;
    EXPECT_EQ(MinMaxArray(A, 1, 9, Mn, Mx, PMin, PMax), -2);
    EXPECT_EQ(Mn, Tr::High);
    EXPECT_EQ(Mx, Tr::Low);
    EXPECT_EQ(PMin, 0);
    EXPECT_EQ(PMax, 0);
    Mn = Mx = 5;
    PMin = PMax = 3;
    EXPECT_EQ(MinMaxArray(typename Tr::A1{}, 0, 0, Mn, Mx, PMin, PMax), -1);
    EXPECT_EQ(Mn, Tr::High);
    EXPECT_EQ(PMax, 0);

    // 2 x 2 range with the maximum in column 1, row 0.
    const typename Tr::A2 B{{0, 1, 2}, {8, 3, 4}, {-9, 5, 6}};
    std::int32_t CMin = 7, RMin = 7, CMax = 7, RMax = 7;
    EXPECT_EQ(MinMaxArray(B, 0, 0, 1, 1, Mn, Mx, CMin, RMin, CMax, RMax), 0);
    EXPECT_EQ(Mx, 8);
    EXPECT_EQ(CMax, 1);
    EXPECT_EQ(RMax, 0);
    EXPECT_EQ(Mn, 0);
    EXPECT_EQ(CMin, 0);
    EXPECT_EQ(RMin, 0);
    EXPECT_EQ(MinMaxArray(B, 1, 1, 2, 2, Mn, Mx, CMin, RMin, CMax, RMax), 0);
    EXPECT_EQ(Mn, 3);
    EXPECT_EQ(Mx, 6);
    EXPECT_EQ(CMax, 2);
    EXPECT_EQ(RMax, 2);
    EXPECT_EQ(MinMaxArray(B, 0, 0, 3, 1, Mn, Mx, CMin, RMin, CMax, RMax), -2);
    EXPECT_EQ(MinMaxArray(B, 0, 0, 1, 3, Mn, Mx, CMin, RMin, CMax, RMax), -2);
    EXPECT_EQ(MinMaxArray(typename Tr::A2{{1, 2}, {3}}, 0, 0, 1, 1, Mn, Mx, CMin, RMin, CMax, RMax), -1);
    // An empty first column makes the array empty, whatever the other columns hold.
    EXPECT_EQ(MinMaxArray(typename Tr::A2{{}, {1, 2}}, 1, 0, 1, 0, Mn, Mx, CMin, RMin, CMax, RMax), -1);
    // Row bounds are tested against the first column's length.
    EXPECT_EQ(MinMaxArray(typename Tr::A2{{1}, {2, 3}}, 1, 1, 1, 1, Mn, Mx, CMin, RMin, CMax, RMax), -2);
    // Cells equal to the start value never replace it: the position stays 0.
    const typename Tr::A2 Top{{5, 5}, {5, Tr::High}};
    EXPECT_EQ(MinMaxArray(Top, 1, 1, 1, 1, Mn, Mx, CMin, RMin, CMax, RMax), 0);
    EXPECT_EQ(Mn, Tr::High);
    EXPECT_EQ(CMin, 0);
    EXPECT_EQ(CMax, 1);
    const typename Tr::A2 Bottom{{5, 5}, {5, Tr::Low}};
    EXPECT_EQ(MinMaxArray(Bottom, 1, 1, 1, 1, Mn, Mx, CMin, RMin, CMax, RMax), 0);
    EXPECT_EQ(Mx, Tr::Low);
    EXPECT_EQ(CMax, 0);
    EXPECT_EQ(RMax, 0);
    EXPECT_EQ(CMin, 1);
    EXPECT_EQ(RMin, 1);
}

TEST(ExtremesPositions, FirstOfEqualsAndUntouchedOnEmpty) {
    std::int32_t P = -1;
    EXPECT_EQ(MaxArray(TIntArray{3, 7, 7, 1}, P), 7);
    EXPECT_EQ(P, 1);
    EXPECT_EQ(MinArray(TIntArray{3, 7, 7, 1}, P), 1);
    EXPECT_EQ(P, 3);
    EXPECT_EQ(MinArray(TIntArray{5, 1, 4, 1}, P), 1);
    EXPECT_EQ(P, 1);
    EXPECT_EQ(MaxArray(TIntArray{9, 1}, P), 9);
    EXPECT_EQ(P, 0);
    P = 42;
    EXPECT_EQ(MaxArray(TIntArray{}, P), INT32_MIN);
    EXPECT_EQ(P, 42);

    const TInt2DArray A{{4, 5, -2}, {9, 0, 9}};
    std::int32_t C = -1, R = -1;
    EXPECT_EQ(MaxArray(A, C, R), 9);
    EXPECT_EQ(C, 1);
    EXPECT_EQ(R, 0);
    EXPECT_EQ(MinArray(A, C, R), -2);
    EXPECT_EQ(C, 0);
    EXPECT_EQ(R, 2);
    EXPECT_EQ(MinArray(TInt2DArray{{4, 0}, {0, 0}}, C, R), 0);  // first in scan order
    EXPECT_EQ(C, 0);
    EXPECT_EQ(R, 1);
    C = R = 13;
    EXPECT_EQ(MinArray(TInt2DArray{{1, 2}, {3}}, C, R), INT32_MAX);
    EXPECT_EQ(C, 13);
    EXPECT_EQ(R, 13);
}

TEST(ExtremesReals, SingleCellsAndNotANumber) {
    double Mn = 0, Mx = 0;
    EXPECT_EQ(MinMaxArray(TSingleArray{}, Mn, Mx), -1);
    EXPECT_EQ(Mn, static_cast<double>(FLT_MAX));
    EXPECT_EQ(Mx, -static_cast<double>(FLT_MAX));
    EXPECT_EQ(MinMaxArray(TSingleArray{1.5f, -2.25f}, Mn, Mx), 0);
    EXPECT_EQ(Mn, -2.25);
    EXPECT_EQ(Mx, 1.5);

    const double NaN = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(MaxArray(TDoubleArray{NaN, 2.0, NaN, 5.0}), 5.0);
    EXPECT_EQ(MinArray(TDoubleArray{NaN, 2.0, NaN, 5.0}), 2.0);
    EXPECT_EQ(MaxArray(TDoubleArray{NaN, NaN}), -MaxDbl);
    EXPECT_EQ(MinMaxArray(TDoubleArray{NaN}, Mn, Mx), -1);
    EXPECT_EQ(MinMaxArray(TDoubleArray{NaN, -1.0, 3.0}, Mn, Mx), 0);
    EXPECT_EQ(Mn, -1.0);
    EXPECT_EQ(Mx, 3.0);
    const double Inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(MaxArray(TDoubleArray{-Inf}), -Inf);
    // Whole arrays start from their first cell, so infinite cells are reported...
    EXPECT_EQ(MinMaxArray(TDoubleArray{Inf, Inf}, Mn, Mx), 0);
    EXPECT_EQ(Mn, Inf);
    EXPECT_EQ(Mx, Inf);
    // ...while sub-ranges start from the top values: +Inf never undercuts +MaxDouble.
    std::int32_t PMin = 7, PMax = 7;
    EXPECT_EQ(MinMaxArray(TDoubleArray{1.0, Inf}, 1, 1, Mn, Mx, PMin, PMax), 0);
    EXPECT_EQ(Mn, MaxDbl);
    EXPECT_EQ(PMin, 0);
    EXPECT_EQ(Mx, Inf);
    EXPECT_EQ(PMax, 1);
}

}  // namespace
