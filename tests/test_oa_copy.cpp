// Copying open arrays: whole and block copies, rows and columns, vectors into
// columns and rows, and counting true cells.
#include "qmr_test_support.h"

using namespace qmr;
using namespace qmr::test;

namespace {

template <class T> class CopyAllCells : public ::testing::Test {};
using AllCells = ::testing::Types<bool, std::int32_t, double>;
TYPED_TEST_SUITE(CopyAllCells, AllCells);

TYPED_TEST(CopyAllCells, WholeArraysAtOffsets) {
    using T = TypeParam;
    const T Z = Num<T>(0);
    const V1<T> Src = Grid<T>(1, 5)[0], Zero(5, Z);
    V1<T> Dst = Zero, None;
    EXPECT_EQ(CopyArray(Src, 1, Dst), -2);  // would run past the end
    EXPECT_EQ(CopyArray(Src, -1, Dst), -2);
    EXPECT_EQ(CopyArray(V1<T>{}, 0, Dst), -1);
    EXPECT_EQ(CopyArray(Src, 7, None), -1);  // emptiness is tested before the offsets
    EXPECT_EQ(Dst, Zero);
    EXPECT_EQ(Ok(CopyArray(Src, 0, Dst), Dst), Src);
    // 2 x 2 into 3 x 3 at (1, 1) fills the lower right corner only.
    const V2<T> S = Grid<T>(2, 2);
    V2<T> Big = Make2<T>(3, 3, Z), NoRows(3), Rag = Make2<T>(3, 3, Z);
    Rag[1].resize(1);
    const V2<T> RagKept = Rag;
    EXPECT_EQ(Ok(CopyArray(S, 1, 1, Big), Big), (V2<T>{{Z, Z, Z}, {Z, S[0][0], S[0][1]}, {Z, S[1][0], S[1][1]}}));
    EXPECT_EQ(CopyArray(S, 2, 0, Big), -2);
    EXPECT_EQ(CopyArray(S, 0, 3, Big), -2);
    EXPECT_EQ(CopyArray(V2<T>{{}, {}}, 0, 0, Big), -1);
    EXPECT_EQ(CopyArray(S, 5, 5, NoRows), -1);
    EXPECT_EQ(CopyArray(S, 1, 1, Rag), -1);  // destination column 1 too short
    EXPECT_EQ(Big, (V2<T>{{Z, Z, Z}, {Z, S[0][0], S[0][1]}, {Z, S[1][0], S[1][1]}}));
    EXPECT_EQ(Rag, RagKept);
}

TEST(CopyWhole, ThreeAndFourDimensions) {
    const TInt3DArray S(1, TInt2DArray(2, TIntArray{1, 2}));
    TInt3DArray D = Make3<std::int32_t>(2, 2, 3);
    EXPECT_EQ(Ok(CopyArray(S, 1, 0, 1, D), D), (TInt3DArray{Make2<std::int32_t>(2, 3), {{0, 1, 2}, {0, 1, 2}}}));
    EXPECT_EQ(CopyArray(S, 1, 1, 1, D), -2);
    TDouble4DArray D4 = Make4<double>(2, 2, 2, 2), Want = D4;
    Want[1][1][1][1] = 7.5;
    EXPECT_EQ(Ok(CopyArray(Make4<double>(1, 1, 1, 1, 7.5), 1, 1, 1, 1, D4), D4), Want);
    EXPECT_EQ(CopyArray(Make4<double>(1, 1, 1, 1, 7.5), 1, 1, 2, 1, D4), -2);
}

template <class T> class CopyBlocks : public ::testing::Test {};
TYPED_TEST_SUITE(CopyBlocks, IntAndDouble);

// Blocks take the firsts, the lasts, then the destination position.
TYPED_TEST(CopyBlocks, BoundsAndPlacement) {
    using T = TypeParam;
    const V1<T> S{1, 2, 3, 4, 5};
    V1<T> D(4, 0), None;
    EXPECT_EQ(Ok(CopyArray(S, 1, 3, 1, D), D), (V1<T>{0, 2, 3, 4}));
    const int Bad1[][3] = {{1, 3, 2}, {3, 1, 0}, {0, 5, 0}, {0, 0, 4}, {-1, 0, 0}, {0, 0, -1}};
    for (const auto& B : Bad1) EXPECT_EQ(CopyArray(S, B[0], B[1], B[2], D), -2) << B[0] << B[1] << B[2];
    EXPECT_EQ(D, (V1<T>{0, 2, 3, 4}));
    EXPECT_EQ(CopyArray(S, 3, 1, 9, None), -1);  // emptiness is tested before the bounds

    const V2<T> G = Grid<T>(3, 4);
    V2<T> E = Make2<T>(4, 3);
    const V2<T> Want{{0, 0, 0}, {0, 0, 0}, {G[1][2], G[1][3], 0}, {G[2][2], G[2][3], 0}};
    EXPECT_EQ(Ok(CopyArray(G, 1, 2, 2, 3, 2, 0, E), E), Want);  // columns 1..2, rows 2..3 to (2, 0)
    EXPECT_EQ(CopyArray(G, 0, 3, 0, 2, 0, 0, E), -2);  // first row above last row
    EXPECT_EQ(CopyArray(G, 0, 0, 3, 0, 0, 0, E), -2);  // last column outside the source
    EXPECT_EQ(CopyArray(G, 0, 0, 1, 0, 3, 0, E), -2);  // runs past the destination
    EXPECT_EQ(E, Want);

    const V3<T> S3(2, G);
    V3<T> D3 = Make3<T>(1, 2, 2);
    EXPECT_EQ(Ok(CopyArray(S3, 1, 2, 3, 1, 2, 3, 0, 1, 1, D3), D3), (V3<T>{{{0, 0}, {0, G[2][3]}}}));
    EXPECT_EQ(CopyArray(S3, 1, 2, 3, 1, 2, 3, 0, 1, 2, D3), -2);
    V4<T> D4(1, D3);
    EXPECT_EQ(Ok(CopyArray(V4<T>(1, S3), 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, D4), D4)[0][0][0][0], G[0][0]);
    EXPECT_EQ(CopyArray(V4<T>(1, S3), 0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, D4), -2);
}

// Overlapping blocks of one array are copied as memmove would.
TYPED_TEST(CopyBlocks, OverlappingBlocksOfOneArray) {
    using T = TypeParam;
    V1<T> A{1, 2, 3, 4, 5}, B = A;
    V2<T> G = Grid<T>(3, 3), H = G;
    EXPECT_EQ(Ok(CopyArray(A, 0, 3, 1, A), A), (V1<T>{1, 1, 2, 3, 4}));
    EXPECT_EQ(Ok(CopyArray(B, 1, 4, 0, B), B), (V1<T>{2, 3, 4, 5, 5}));
    EXPECT_EQ(Ok(CopyArray(G, 0, 0, 1, 1, 1, 1, G), G), (V2<T>{{1, 2, 3}, {4, 1, 2}, {7, 4, 5}}));
    EXPECT_EQ(Ok(CopyArray(H, 1, 1, 2, 2, 0, 0, H), H), (V2<T>{{5, 6, 3}, {8, 9, 6}, {7, 8, 9}}));
}

TYPED_TEST(CopyAllCells, ColumnsAndRows) {
    using T = TypeParam;
    const V2<T> G = Grid<T>(3, 4);
    V1<T> D{Num<T>(9)};
    EXPECT_EQ(Ok(CopyArrayColumn(G, 1, 1, 3, D), D), (V1<T>{G[1][1], G[1][2], G[1][3]}));
    EXPECT_EQ(Ok(CopyArrayRow(G, 2, 0, 2, D), D), (V1<T>{G[0][2], G[1][2], G[2][2]}));
    // Refused: (column or row, first, last, status); the row test comes first.
    const int Col[][4] = {{3, 0, 1, -3}, {-1, 0, 1, -3}, {0, 2, 1, -2}, {0, 0, 4, -2}, {5, 0, 4, -2}};
    const int Row[][4] = {{4, 0, 1, -3}, {-1, 0, 1, -3}, {0, -1, 1, -2}, {0, 0, 3, -2}, {0, 2, 1, -2}};
    for (const auto& C : Col) EXPECT_EQ(CopyArrayColumn(G, C[0], C[1], C[2], D), C[3]) << C[0] << C[1] << C[2];
    for (const auto& R : Row) EXPECT_EQ(CopyArrayRow(G, R[0], R[1], R[2], D), R[3]) << R[0] << R[1] << R[2];
    EXPECT_EQ(CopyArrayRow(V2<T>{}, 0, 0, 0, D), -1);
    EXPECT_EQ(CopyArrayRow(Ragged<T>(), 2, 0, 1, D), -1);
    EXPECT_EQ(D, (V1<T>{G[0][2], G[1][2], G[2][2]}));
    V2<T> H = G;  // the destination may be a column of the source
    EXPECT_EQ(Ok(CopyArrayColumn(H, 0, 2, 3, H[0]), H[0]), (V1<T>{G[0][2], G[0][3]}));
}

TYPED_TEST(CopyAllCells, VectorsIntoColumnsAndRows) {
    using T = TypeParam;
    const V1<T> Vec = Grid<T>(1, 10)[0], Z(4, Num<T>(0));
    // First = Last = 0 means the whole vector; what does not fit is dropped.
    V2<T> D = Make2<T>(3, 4, Num<T>(0));
    EXPECT_EQ(Ok(CopyVectorToArrayColumn(Vec, 0, 0, 1, 2, D), D), (V2<T>{Z, {Z[0], Z[0], Vec[0], Vec[1]}, Z}));
    EXPECT_EQ(Ok(CopyVectorToArrayRow(Vec, 3, 4, 1, 0, D), D),
              (V2<T>{Z, {Vec[3], Z[0], Vec[0], Vec[1]}, {Vec[4], Z[0], Z[0], Z[0]}}));
    const V2<T> Kept = D;
    // Refused: (first, last, column, row, status); the destination's test runs second and wins.
    const int Col[][5] = {{5, 20, 0, 0, -1}, {5, 20, 3, 0, -2}, {0, 1, 0, 4, -2}, {0, 1, -1, 0, -2}};
    const int Row[][5] = {{-1, 1, 0, 0, -1}, {0, 10, 0, 0, -1}, {0, 1, 3, 0, -2}, {0, 1, 0, -1, -2}};
    for (const auto& C : Col) EXPECT_EQ(CopyVectorToArrayColumn(Vec, C[0], C[1], C[2], C[3], D), C[4]) << C[0];
    for (const auto& R : Row) EXPECT_EQ(CopyVectorToArrayRow(Vec, R[0], R[1], R[2], R[3], D), R[4]) << R[0];
    EXPECT_EQ(CopyVectorToArrayColumn(Vec, 4, 2, 0, 0, D), 0);  // reversed: nothing copied
    EXPECT_EQ(CopyVectorToArrayRow(V1<T>{}, 0, 0, 0, 0, D), 0);  // the whole of an empty vector
    EXPECT_EQ(CopyVectorToArrayColumn(V1<T>{}, 0, 1, 0, 0, D), -1);
    EXPECT_EQ(D, Kept);
    V2<T> Empty, Rag = Make2<T>(2, 4, Num<T>(0));
    Rag[1].resize(1);
    EXPECT_EQ(CopyVectorToArrayRow(Vec, 0, 1, 0, 0, Empty), -2);
    EXPECT_EQ(CopyVectorToArrayRow(Vec, 0, 1, 0, 3, Rag), -2);
    EXPECT_EQ(Rag[1].size(), 1u);
    V2<T> G = Grid<T>(2, 4);  // the vector may be a column of the destination
    const V1<T> G0 = G[0];
    EXPECT_EQ(Ok(CopyVectorToArrayColumn(G[0], 0, 2, 0, 1, G), G[0]), (V1<T>{G0[0], G0[0], G0[1], G0[2]}));
}

TEST(CountTrueCells, CountsWithinTheFirstColumnsRows) {
    EXPECT_EQ(CountTrueCellsOfArray(TBoolArray{}), -1);
    EXPECT_EQ(CountTrueCellsOfArray(TBoolArray(7, false)), 0);
    EXPECT_EQ(CountTrueCellsOfArray(TBoolArray{true, false, true}), 2);
    EXPECT_EQ(CountTrueCellsOfArray(TBool2DArray{}), -1);
    EXPECT_EQ(CountTrueCellsOfArray(TBool2DArray{{}, {true}}), -1);
    EXPECT_EQ(CountTrueCellsOfArray(Ragged<bool>()), -1);
    EXPECT_EQ(CountTrueCellsOfArray(TBool2DArray{{true, false}, {true, true, true}}), 3);
}

}  // namespace
