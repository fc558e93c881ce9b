// TMatrix transposition, sorts, mirrors, edge vectors, fills and copies.
#include "qmr_test_support.h"

#include <limits>
#include <tuple>

namespace {

using namespace qmr;
using namespace qmr::test;
using Vals = std::vector<double>;
using Exchanges = std::vector<std::tuple<int, int, int, int, int>>;

const std::int32_t IMax = std::numeric_limits<std::int32_t>::max();
const std::int32_t IMin = std::numeric_limits<std::int32_t>::min();

TEST(MatrixReshape, TransposeMirrorsAndExchanges) {
    TMatrix M(nullptr), B(nullptr);
    SetRows(M, {{1, 2}, {3, 4}, {5, 6}});
    int Ev = 0;
    CountChanges(M, Ev);
    EXPECT_TRUE(M.Transpose());
    EXPECT_EQ(M.NrOfColumns() * 10 + M.NrOfRows(), 32);
    EXPECT_EQ(Cells(M), (Vals{1, 2, 3, 4, 5, 6}));
    M.MirrorColumns();
    M.MirrorRows();
    EXPECT_EQ(Cells(M), (Vals{6, 5, 4, 3, 2, 1}));
    M.ExchangeColumns(1, 3);
    M.ExchangeRows(2, 1);
    EXPECT_EQ(Cells(M), (Vals{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Ev, 5);
    for (auto [A, B2] : {std::pair{0, 1}, {1, 4}, {-1, 2}}) M.ExchangeColumns(A, B2);
    for (auto [A, B2] : {std::pair{0, 1}, {1, 3}}) M.ExchangeRows(A, B2);
    EXPECT_EQ(Ev, 5);
    B.Resize(70, 45);  // across the copy tiles
    for (int c = 1; c <= 70; ++c)
        for (int r = 1; r <= 45; ++r) B.SetElem(c, r, c * 1000 + r);
    B.Transpose();
    int Bad = 0;
    for (int c = 1; c <= 45; ++c)
        for (int r = 1; r <= 70; ++r) Bad += B.Elem(c, r) != r * 1000 + c;
    EXPECT_EQ(Bad, 0);
}

TEST(MatrixSort, RowsAndColumnsWithTheirExchangeEvents) {
    TMatrix M(nullptr);
    SetRows(M, {{10, 4, 100}, {20, 3, 200}, {30, 2, 300}, {40, 1, 400}});
    Exchanges Log;
    M.OnSortExchange = [&Log](TObject*, std::uint8_t K, std::int32_t A, std::int32_t B, std::int32_t L,
                              std::int32_t H) { Log.emplace_back(K, A, B, L, H); };
    int Ev = 0;
    CountChanges(M, Ev);
    // Columns 1..1, key column 2 outside the range; the gap starts at 4 - 1 = 3: gaps 2, 1, 1.
    M.SortRows(2, true, 1, 1, 1, 4);
    EXPECT_EQ(Log, (Exchanges{{2, 1, 3, 1, 1}, {2, 2, 4, 1, 1}, {2, 1, 2, 1, 1}, {2, 3, 4, 1, 1}}));
    EXPECT_EQ(Cells(M), (Vals{40, 30, 20, 10, 1, 2, 3, 4, 100, 200, 300, 400}));
    M.SortRows(2, true, 0, 0, 0, 0);  // sorted already: no exchange, one OnChange
    M.SortRows(2, false, 0, 3, 0, 4);  // two rows, descending
    EXPECT_EQ(Log.back(), std::make_tuple(2, 3, 4, 1, 3));
    EXPECT_EQ(Log.size(), 5u);
    EXPECT_EQ(Ev, 3);
    for (int Key : {0, 4, -1}) M.SortRows(Key, true, 0, 0, 0, 0);  // bad keys, one row: nothing
    M.SortRows(1, true, 0, 2, 0, 2);
    M.SortCols(9, true, 0, 0, 0, 0);
    EXPECT_EQ(Ev, 3);
    // Columns by row 1 over rows 2..2: the key row moves too.
    SetRows(M, {{3, 1, 2}, {30, 10, 20}, {7, 8, 9}});
    Log.clear();
    M.SortCols(1, true, 0, 2, 0, 2);
    EXPECT_EQ(Log, (Exchanges{{1, 1, 2, 2, 2}, {1, 2, 3, 2, 2}}));
    EXPECT_EQ(Cells(M), (Vals{1, 10, 7, 2, 20, 8, 3, 30, 9}));
    // Keys that do not compare: the sort ends and keeps every value.
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    SetRows(M, {{NaN, 1, NaN, 3, 2}});
    M.SortCols(1, false, 0, 0, 0, 0);
    EXPECT_EQ(M.CountValues(0, 0, 0, 0, 1, 3), 3);
}

TEST(MatrixReshape, EdgeVectors) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 3}, {5, 0}, {-2, 7}, {4, -1}});
    int EvM = 0;
    CountChanges(M, EvM);
    using O = TOrientation;
    using E = TEdgeOp;
    for (auto [Or, Op, Want] : {std::tuple{O::orColumns, E::eoMin, Vals{-2, -1}}, {O::orColumns, E::eoMax, Vals{5, 7}},
                                {O::orColumns, E::eoSum, Vals{8, 9}}, {O::orColumns, E::eoMean, Vals{2, 2.25}},
                                {O::orRows, E::eoMin, Vals{1, 0, -2, -1}}, {O::orRows, E::eoMax, Vals{3, 5, 7, 4}},
                                {O::orRows, E::eoSum, Vals{4, 5, 5, 3}}, {O::orRows, E::eoMean, Vals{2, 2.5, 2.5, 1.5}}}) {
        TVector V(nullptr);
        int Ev = 0;
        CountChanges(V, Ev);
        M.EdgeVector(Or, Op, &V);
        EXPECT_EQ(ValuesOf(V), Want);
        EXPECT_EQ(Ev, static_cast<int>(Want.size()) + 1);  // resize, then one per element
    }
    EXPECT_EQ(EvM, 0);
    TVector V(nullptr);
    SetValues(V, Vals{9});
    M.EdgeVector(O::orRows, static_cast<E>(4), &V);
    M.EdgeVector(O::orRows, E::eoSum, nullptr);
    M.Resize(2, 0);  // no rows: nothing per row, the mean of nothing per column
    M.EdgeVector(O::orRows, E::eoMean, &V);
    EXPECT_EQ(ValuesOf(V), Vals{9});
    M.EdgeVector(O::orColumns, E::eoMean, &V);
    EXPECT_EQ(ValuesOf(V), (Vals{0, 0}));
}

TEST(MatrixFill, RangesDiagonalAndRandomDraws) {
    TMatrix M(nullptr);
    M.Resize(3, 3);
    int Ev = 0;
    CountChanges(M, Ev);
    M.Fill(2, 3, 1, 1, 9);  // (LowCol, HighCol, LowRow, HighRow): columns 2..3 of row 1
    M.Fill(0, 0, 3, 2, 1);  // every column, rows 2..3
    EXPECT_EQ(Cells(M), (Vals{0, 1, 1, 9, 1, 1, 9, 1, 1}));
    M.Resize(3, 2);
    M.Fill(0);
    M.FillDiag(5);
    EXPECT_EQ(Cells(M), (Vals{5, 0, 0, 5, 0, 0}));
    EXPECT_EQ(Ev, 5);
    // Uniform draws go column by column into the range only.
    M.Resize(3, 4);
    M.Fill(-9);
    RandSeed = 4242;
    M.FillRandomUniform(2, 3, 2, 3, 10, 12);
    RandSeed = 4242;
    Vals Want(12, -9);
    for (int c = 2; c <= 3; ++c)
        for (int r = 2; r <= 3; ++r) Want[static_cast<std::size_t>((c - 1) * 4 + r - 1)] = 10 + Random() * 2;
    EXPECT_EQ(Cells(M), Want);
    // Gaussian draws: mean and deviation of 20000 (standard errors 0.014 and 0.01).
    M.Resize(100, 200);
    M.FillRandomGauss(5, 2);
    double Mean = 0, Var = 0;
    M.MeanVar(0, 0, 0, 0, Mean, Var);
    EXPECT_NEAR(Mean, 5, 0.1);
    EXPECT_NEAR(std::sqrt(Var), 2, 0.07);
    M.Fill(0);
    M.FillRandomGauss(1, 1, 1, 2, 0, 1);
    M.FillRandomUniform(3, 3, 1, 1, 7, 8);
    EXPECT_EQ(M.CountValues(0, 0, 0, 0, 0, 0), 20000 - 3);
}

TEST(MatrixCopy, ToAndFromVectors) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}});
    TVector V(nullptr);
    V.Resize(3);
    M.CopyRowToVec(&V, 2, 0, 0);  // cut to the vector's 3 elements
    EXPECT_EQ(ValuesOf(V), (Vals{6, 7, 8}));
    V.Resize(6);
    for (auto [Row, Col, Lo, Hi, Want] : {std::tuple{1, 0, 0, 0, Vals{1, 2, 3, 4, 5, 0}}, {99, 0, 4, 2, Vals{7, 8, 9, 0, 0, 0}},
                                          {0, -3, 0, 0, Vals{1, 6, 0, 0, 0, 0}}, {0, 9, 2, 2, Vals{10, 0, 0, 0, 0, 0}}}) {
        V.Fill(-1);
        if (Row != 0) M.CopyRowToVec(&V, Row, Lo, Hi);
        else M.CopyColToVec(&V, Col, Lo, Hi);
        EXPECT_EQ(ValuesOf(V), Want);
    }
    M.Resize(0, 0);
    M.CopyRowToVec(&V, 1, 0, 0);
    EXPECT_EQ(ValuesOf(V), Vals(6, 0.0));
    M.CopyColToVec(nullptr, 1, 0, 0);
    // From vectors: along a row, down a column (the default), with targets dropped.
    M.Resize(3, 3);
    SetValues(V, Vals{1, 2, 3, 4});
    int Ev = 0;
    CountChanges(M, Ev);
    M.CopyFromVec(TDims::dimColumns, &V, 2, 4, 2, 1);
    M.CopyFromVec(&V, 0, 0, 1, 2);
    EXPECT_EQ(Cells(M), (Vals{0, 1, 2, 2, 0, 0, 3, 0, 0}));
    EXPECT_EQ(Ev, 4 + 2);
    M.CopyFromVec(static_cast<TDims>(7), &V, 0, 0, 1, 1);
    M.CopyFromVec(&V, 0, 0, IMax, IMax);
    M.CopyFromVec(TDims::dimColumns, &V, 0, 0, IMax - 1, 1);
    M.CopyFromVec(&V, 0, 0, 3, IMin);
    M.CopyFromVec(nullptr, 0, 0, 1, 1);
    EXPECT_EQ(Ev, 6 + 4);  // one each, nothing written
    EXPECT_EQ(Cells(M), (Vals{0, 1, 2, 2, 0, 0, 3, 0, 0}));
}

TEST(MatrixCopy, BetweenMatricesAndArrays) {
    TMatrix S(nullptr), M(nullptr);
    SetRows(S, {{1, 2, 3}, {4, 5, 6}});
    M.Resize(3, 3);
    int Ev = 0;
    CountChanges(M, Ev);
    M.CopyFrom(&S, 0, 0, 0, 0, 2, 2);   // (0, 0, 0, 0) is element (1, 1) only
    M.CopyFrom(&S, 9, 2, -4, 1, 0, 2);  // columns 1..3 (clamped, exchanged), rows 1..2, from column 0
    EXPECT_EQ(Cells(M), (Vals{0, 2, 5, 0, 3, 6, 0, 0, 0}));
    EXPECT_EQ(Ev, 2 + 5);
    M.CopyFrom(&S, 1, 1, 3, 2, IMax, IMax);  // far outside: only the final event
    M.CopyFrom(&S, 1, 1, 3, 2, IMin, 1);
    M.CopyFrom(static_cast<const TMatrix*>(nullptr), 1, 1, 3, 2, 1, 1);
    EXPECT_EQ(Ev, 7 + 2);
    TMat3D S3(nullptr);  // element (c, r, l) = 100 l + 10 c + r
    S3.Resize(3, 2, 4);
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 2; ++r)
            for (int l = 1; l <= 4; ++l) S3.SetElem(c, r, l, 100 * l + 10 * c + r);
    M.ResizeAndClear(3, 3);
    Ev = 0;
    M.CopyFrom(&S3, 0, 0, 0, 0, 9, 3, 3);     // (1, 1) of layer 4 (clamped)
    M.CopyFrom(&S3, 3, 9, 2, -1, -1, 1, 1);   // columns 3..2 and rows 9..-1 clamped and exchanged, layer 1
    M.CopyFrom(static_cast<TMat3D*>(nullptr), 1, 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(Cells(M), (Vals{121, 122, 0, 131, 132, 0, 0, 0, 411}));
    EXPECT_EQ(Ev, 2 + 5);
    SetRows(M, {{1, 2, 3, 4}, {5, 6, 7, 8}});  // overlapping blocks of the matrix itself
    M.CopyFrom(&M, 1, 1, 3, 2, 2, 1);
    EXPECT_EQ(Cells(M), (Vals{1, 5, 1, 5, 2, 6, 3, 7}));
    M.CopyFrom(&M, 2, 1, 4, 2, 1, 1);
    EXPECT_EQ(Cells(M), (Vals{1, 5, 2, 6, 3, 7, 3, 7}));
    // Arrays: the integer form rounds halves to even, NaN to 0, and saturates.
    SetRows(M, {{2.5, 3.5, -2.5}, {std::numeric_limits<double>::quiet_NaN(), 1e300, -1e300}});
    TInt2DArray I;
    M.CopyToArray(I, 0, 0, 0, 0);
    EXPECT_EQ(I, (TInt2DArray{{2, 0}, {4, IMax}, {-2, IMin}}));
    TDouble2DArray D;
    M.CopyToArray(D, 1, 2, 1, 1);  // (LowCol, HighCol, LowRow, HighRow)
    EXPECT_EQ(D, (TDouble2DArray{{2.5}, {3.5}}));
    // Ragged arrays: column 2 has one value, column 3 is cut to the first's length.
    M.ResizeAndClear(3, 3);
    Ev = 0;
    M.CopyFromArray(TDouble2DArray{{1, 2, 3}, {4}, {5, 6, 7, 8}}, 1, 1);
    EXPECT_EQ(Cells(M), (Vals{1, 2, 3, 4, 0, 0, 5, 6, 7}));
    EXPECT_EQ(Ev, 7);  // per element, none at the end
    M.CopyFromArray(TInt2DArray{{9, 9}, {-1, -2}}, 0, 1);  // column 0 dropped
    M.CopyFromArray(TInt2DArray{}, 1, 1);
    M.CopyFromArray(TInt2DArray{{9, 9}}, IMax, 1);
    EXPECT_EQ(Cells(M), (Vals{-1, -2, 3, 4, 0, 0, 5, 6, 7}));
    EXPECT_EQ(Ev, 9);
}

}  // namespace
