// Copying open arrays: whole and block copies, rows and columns, vectors into
// columns and rows, and counting true cells.
#include "qmr_test_support.h"

using namespace qmr;

namespace {

// Cell values per type: V(n) gives distinct values for n >= 1 (Booleans alternate).
template <class T> T V(int N) {
    if constexpr (std::is_same_v<T, bool>) return N % 2 == 1;
    else return static_cast<T>(N);
}

template <class T> using Arr1 = std::vector<T>;
template <class T> using Arr2 = std::vector<std::vector<T>>;

template <class T> Arr2<T> Grid(int Cols, int Rows, int Base) {
    Arr2<T> A(Cols, Arr1<T>(Rows));
    for (int C = 0; C < Cols; ++C)
        for (int R = 0; R < Rows; ++R) A[C][R] = V<T>(Base + C * Rows + R);
    return A;
}

template <class T> class CopyWhole : public ::testing::Test {};
using AllCells = ::testing::Types<bool, std::int32_t, double>;
TYPED_TEST_SUITE(CopyWhole, AllCells);

TYPED_TEST(CopyWhole, OffsetsAreCheckedStrictly) {
    using T = TypeParam;
    const Arr1<T> Src{V<T>(1), V<T>(2), V<T>(3), V<T>(4), V<T>(5)};
    Arr1<T> Dst(5, V<T>(0));
    EXPECT_EQ(CopyArray(Src, 0, Dst), 0);
    EXPECT_EQ(Dst, Src);
    const Arr1<T> Before = Arr1<T>(5, V<T>(0));
    Dst = Before;
    EXPECT_EQ(CopyArray(Src, 1, Dst), -2);  // would run past the end
    EXPECT_EQ(Dst, Before);
    EXPECT_EQ(CopyArray(Src, -1, Dst), -2);
    EXPECT_EQ(CopyArray(Arr1<T>{}, 0, Dst), -1);
    EXPECT_EQ(Dst, Before);
    Arr1<T> NoDst;
    EXPECT_EQ(CopyArray(Src, 7, NoDst), -1);  // emptiness is tested before the offsets
    EXPECT_TRUE(NoDst.empty());

    // 2 x 2 into 3 x 3 at (1, 1) fills the lower right corner only.
    const Arr2<T> Small = Grid<T>(2, 2, 1);
    Arr2<T> Big(3, Arr1<T>(3, V<T>(0)));
    EXPECT_EQ(CopyArray(Small, 1, 1, Big), 0);
    for (int C = 0; C < 3; ++C)
        for (int R = 0; R < 3; ++R)
            EXPECT_EQ(Big[C][R], (C >= 1 && R >= 1) ? Small[C - 1][R - 1] : V<T>(0)) << C << "," << R;
    const Arr2<T> Kept = Big;
    EXPECT_EQ(CopyArray(Small, 2, 0, Big), -2);
    EXPECT_EQ(CopyArray(Small, 0, 3, Big), -2);
    EXPECT_EQ(CopyArray(Arr2<T>{{}, {}}, 0, 0, Big), -1);
    Arr2<T> NoRows(3);
    EXPECT_EQ(CopyArray(Small, 5, 5, NoRows), -1);
    EXPECT_EQ(NoRows, Arr2<T>(3));
    Arr2<T> Ragged{Arr1<T>(3, V<T>(0)), Arr1<T>(1, V<T>(0)), Arr1<T>(3, V<T>(0))};
    const Arr2<T> RaggedKept = Ragged;
    EXPECT_EQ(CopyArray(Small, 1, 1, Ragged), -1);  // destination column 1 too short
    EXPECT_EQ(Ragged, RaggedKept);
    EXPECT_EQ(Big, Kept);
}

TEST(CopyWholeHigherRanks, ThreeAndFourDimensions) {
    TInt3DArray S(1, TInt2DArray(2, TIntArray{1, 2}));
    TInt3DArray D(2, TInt2DArray(2, TIntArray(3, 0)));
    EXPECT_EQ(CopyArray(S, 1, 0, 1, D), 0);
    EXPECT_EQ(D[1][1][2], 2);
    EXPECT_EQ(D[1][0][1], 1);
    EXPECT_EQ(D[1][0][0], 0);
    EXPECT_EQ(D[0][0][1], 0);
    EXPECT_EQ(CopyArray(S, 1, 1, 1, D), -2);
    TDouble4DArray S4(1, TDouble3DArray(1, TDouble2DArray(1, TDoubleArray{7.5})));
    TDouble4DArray D4(2, TDouble3DArray(2, TDouble2DArray(2, TDoubleArray(2, 0.0))));
    EXPECT_EQ(CopyArray(S4, 1, 1, 1, 1, D4), 0);
    EXPECT_EQ(D4[1][1][1][1], 7.5);
    EXPECT_EQ(CopyArray(S4, 1, 1, 2, 1, D4), -2);
}

template <class T> class CopyBlocks : public ::testing::Test {};
using NumCells = ::testing::Types<std::int32_t, double>;
TYPED_TEST_SUITE(CopyBlocks, NumCells);

TYPED_TEST(CopyBlocks, BoundsAndPlacement) {
    using T = TypeParam;
    const Arr1<T> S{1, 2, 3, 4, 5};
    Arr1<T> D(4, 0);
    EXPECT_EQ(CopyArray(S, 1, 3, 1, D), 0);
    EXPECT_EQ(D, (Arr1<T>{0, 2, 3, 4}));
    EXPECT_EQ(CopyArray(S, 1, 3, 2, D), -2);  // no room
    EXPECT_EQ(CopyArray(S, 3, 1, 0, D), -2);  // reversed, never exchanged
    EXPECT_EQ(CopyArray(S, 0, 5, 0, D), -2);
    EXPECT_EQ(CopyArray(S, 0, 0, 4, D), -2);
    EXPECT_EQ(D, (Arr1<T>{0, 2, 3, 4}));
    Arr1<T> NoDst;
    EXPECT_EQ(CopyArray(S, 3, 1, 9, NoDst), -1);  // emptiness is tested before the bounds

    const Arr2<T> G = Grid<T>(3, 4, 1);
    Arr2<T> E(4, Arr1<T>(3, 0));
    // Columns 1..2, rows 2..3 to (2, 0): firsts, lasts, then the destination.
    EXPECT_EQ(CopyArray(G, 1, 2, 2, 3, 2, 0, E), 0);
    EXPECT_EQ(E[2][0], G[1][2]);
    EXPECT_EQ(E[3][1], G[2][3]);
    EXPECT_EQ(E[1][0], 0);
    const Arr2<T> Kept = E;
    EXPECT_EQ(CopyArray(G, 0, 3, 0, 2, 0, 0, E), -2);  // first row above last row
    EXPECT_EQ(CopyArray(G, 0, 0, 3, 0, 0, 0, E), -2);  // last column outside the source
    EXPECT_EQ(CopyArray(G, 0, 0, 1, 0, 3, 0, E), -2);  // runs past the destination
    EXPECT_EQ(E, Kept);

    std::vector<Arr2<T>> S3(2, G);
    std::vector<Arr2<T>> D3(1, Arr2<T>(2, Arr1<T>(2, 0)));
    EXPECT_EQ(CopyArray(S3, 1, 2, 3, 1, 2, 3, 0, 1, 1, D3), 0);
    EXPECT_EQ(D3[0][1][1], G[2][3]);
    EXPECT_EQ(CopyArray(S3, 1, 2, 3, 1, 2, 3, 0, 1, 2, D3), -2);
    std::vector<std::vector<Arr2<T>>> S4(1, S3), D4(1, D3);
    EXPECT_EQ(CopyArray(S4, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, D4), 0);
    EXPECT_EQ(D4[0][0][0][0], G[0][0]);
    EXPECT_EQ(CopyArray(S4, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, D4), -2);
}

TYPED_TEST(CopyBlocks, OverlappingPartsOfOneArray) {
    using T = TypeParam;
    Arr1<T> A{1, 2, 3, 4, 5};
    EXPECT_EQ(CopyArray(A, 0, 3, 1, A), 0);  // forward overlap
    EXPECT_EQ(A, (Arr1<T>{1, 1, 2, 3, 4}));
    A = {1, 2, 3, 4, 5};
    EXPECT_EQ(CopyArray(A, 1, 4, 0, A), 0);  // backward overlap
    EXPECT_EQ(A, (Arr1<T>{2, 3, 4, 5, 5}));
    Arr2<T> G = Grid<T>(3, 3, 1);
    const Arr2<T> Orig = G;
    EXPECT_EQ(CopyArray(G, 0, 0, 1, 1, 1, 1, G), 0);
    for (int C = 0; C < 2; ++C)
        for (int R = 0; R < 2; ++R) EXPECT_EQ(G[C + 1][R + 1], Orig[C][R]);
    G = Orig;
    EXPECT_EQ(CopyArray(G, 1, 1, 2, 2, 0, 0, G), 0);  // towards the origin
    for (int C = 0; C < 3; ++C)
        for (int R = 0; R < 3; ++R)
            EXPECT_EQ(G[C][R], (C < 2 && R < 2) ? Orig[C + 1][R + 1] : Orig[C][R]) << C << "," << R;
}

TYPED_TEST(CopyWhole, ColumnsAndRows) {
    using T = TypeParam;
    const Arr2<T> G = Grid<T>(3, 4, 1);
    Arr1<T> D{V<T>(9)};
    EXPECT_EQ(CopyArrayColumn(G, 1, 1, 3, D), 0);
    EXPECT_EQ(D, (Arr1<T>{G[1][1], G[1][2], G[1][3]}));
    EXPECT_EQ(CopyArrayRow(G, 2, 0, 2, D), 0);
    EXPECT_EQ(D, (Arr1<T>{G[0][2], G[1][2], G[2][2]}));
    const Arr1<T> Kept = D;
    EXPECT_EQ(CopyArrayColumn(G, 3, 0, 1, D), -3);
    EXPECT_EQ(CopyArrayColumn(G, 0, 2, 1, D), -2);
    EXPECT_EQ(CopyArrayColumn(G, 0, 0, 4, D), -2);
    EXPECT_EQ(CopyArrayColumn(G, 5, 0, 4, D), -2);  // the row test comes first
    EXPECT_EQ(CopyArrayRow(G, 4, 0, 1, D), -3);
    EXPECT_EQ(CopyArrayRow(G, 0, -1, 1, D), -2);
    EXPECT_EQ(CopyArrayRow(Arr2<T>{}, 0, 0, 0, D), -1);
    EXPECT_EQ(CopyArrayRow(Arr2<T>{Arr1<T>(2, V<T>(1)), Arr1<T>(1, V<T>(1))}, 1, 0, 1, D), -1);
    EXPECT_EQ(D, Kept);
    // The destination may be a column of the source itself.
    Arr2<T> H = G;
    EXPECT_EQ(CopyArrayColumn(H, 0, 2, 3, H[0]), 0);
    EXPECT_EQ(H[0], (Arr1<T>{G[0][2], G[0][3]}));
}

TYPED_TEST(CopyWhole, VectorsIntoColumnsAndRows) {
    using T = TypeParam;
    Arr1<T> Vec(10);
    for (int I = 0; I < 10; ++I) Vec[I] = V<T>(I + 1);
    // First = Last = 0 means the whole vector; what does not fit is dropped.
    Arr2<T> D(3, Arr1<T>(4, V<T>(0)));
    EXPECT_EQ(CopyVectorToArrayColumn(Vec, 0, 0, 1, 2, D), 0);
    EXPECT_EQ(D[1], (Arr1<T>{V<T>(0), V<T>(0), Vec[0], Vec[1]}));
    EXPECT_EQ(D[0], Arr1<T>(4, V<T>(0)));
    EXPECT_EQ(CopyVectorToArrayRow(Vec, 3, 4, 1, 0, D), 0);
    EXPECT_EQ(D[1][0], Vec[3]);
    EXPECT_EQ(D[2][0], Vec[4]);
    const Arr2<T> Kept = D;
    EXPECT_EQ(CopyVectorToArrayColumn(Vec, 5, 20, 0, 0, D), -1);
    EXPECT_EQ(CopyVectorToArrayColumn(Vec, 5, 20, 3, 0, D), -2);  // the second code wins
    EXPECT_EQ(CopyVectorToArrayColumn(Vec, 0, 1, 0, 4, D), -2);
    EXPECT_EQ(CopyVectorToArrayRow(Vec, 0, 1, 3, 0, D), -2);
    EXPECT_EQ(CopyVectorToArrayRow(Vec, 0, 1, 0, -1, D), -2);
    Arr2<T> Empty;
    EXPECT_EQ(CopyVectorToArrayRow(Vec, 0, 1, 0, 0, Empty), -2);
    Arr2<T> Ragged{Arr1<T>(4, V<T>(0)), Arr1<T>(1, V<T>(0))};
    EXPECT_EQ(CopyVectorToArrayRow(Vec, 0, 1, 0, 3, Ragged), -2);
    EXPECT_EQ(Ragged[1].size(), 1u);
    EXPECT_EQ(CopyVectorToArrayColumn(Vec, 4, 2, 0, 0, D), 0);  // reversed: nothing copied
    // First = Last = 0 on an empty vector means the whole (empty) vector, not a bad bound.
    EXPECT_EQ(CopyVectorToArrayRow(Arr1<T>{}, 0, 0, 0, 0, D), 0);
    EXPECT_EQ(CopyVectorToArrayColumn(Arr1<T>{}, 0, 1, 0, 0, D), -1);
    EXPECT_EQ(D, Kept);
    // The vector may be a column of the destination.
    Arr2<T> G = Grid<T>(2, 4, 1);
    const Arr2<T> Orig = G;
    EXPECT_EQ(CopyVectorToArrayColumn(G[0], 0, 2, 0, 1, G), 0);
    EXPECT_EQ(G[0], (Arr1<T>{Orig[0][0], Orig[0][0], Orig[0][1], Orig[0][2]}));
}

TEST(CountTrueCells, CountsWithinTheFirstColumnsRows) {
    EXPECT_EQ(CountTrueCellsOfArray(TBoolArray{}), -1);
    EXPECT_EQ(CountTrueCellsOfArray(TBoolArray(7, false)), 0);
    EXPECT_EQ(CountTrueCellsOfArray(TBoolArray{true, false, true}), 2);
    EXPECT_EQ(CountTrueCellsOfArray(TBool2DArray{}), -1);
    EXPECT_EQ(CountTrueCellsOfArray(TBool2DArray{{}, {true}}), -1);
    EXPECT_EQ(CountTrueCellsOfArray(TBool2DArray{{true, true}, {true}}), -1);  // ragged
    EXPECT_EQ(CountTrueCellsOfArray(TBool2DArray{{true, false}, {true, true, true}}), 3);
}

}  // namespace
