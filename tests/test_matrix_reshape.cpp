// TMatrix reshaping, sorting, edge vectors, fills and copies.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>
#include <vector>

namespace {

using qmr::test::Cells;
using qmr::test::CountChanges;

using qmr::TEdgeOp;
using qmr::TMatrix;
using qmr::TOrientation;
using qmr::TVector;
using Vals = std::vector<double>;
using Rows = std::vector<Vals>;

const double NaN = std::numeric_limits<double>::quiet_NaN();
const std::int32_t IMax = std::numeric_limits<std::int32_t>::max();
const std::int32_t IMin = std::numeric_limits<std::int32_t>::min();

void SetRows(TMatrix& M, const Rows& R) {
    M.Resize(R.empty() ? 0 : static_cast<int>(R[0].size()), static_cast<int>(R.size()));
    for (int r = 1; r <= M.NrOfRows(); ++r)
        for (int c = 1; c <= M.NrOfColumns(); ++c) M.SetElem(c, r, R[r - 1][c - 1]);
}

void SetVec(TVector& V, const Vals& X) {
    V.Resize(static_cast<int>(X.size()));
    for (int i = 1; i <= V.NrOfElem(); ++i) V.SetElem(i, X[static_cast<std::size_t>(i - 1)]);
}

Vals VecVals(const TVector& V) {
    Vals X;
    for (int i = 1; i <= V.NrOfElem(); ++i) X.push_back(static_cast<double>(V.Elem(i)));
    return X;
}

// Every OnSortExchange as (kind, index 1, index 2, low, high).
using Exchange = std::tuple<int, int, int, int, int>;
void RecordExchanges(TMatrix& M, std::vector<Exchange>& Log) {
    M.OnSortExchange = [&Log](qmr::TObject*, std::uint8_t K, std::int32_t A, std::int32_t B, std::int32_t L,
                              std::int32_t H) { Log.emplace_back(K, A, B, L, H); };
}

// ---------------------------------------------------------------- transposition

TEST(MatrixReshape, TransposeSwapsCountsAndPositions) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 2}, {3, 4}, {5, 6}});  // 2 columns, 3 rows
    int Ev = 0;
    CountChanges(M, Ev);
    EXPECT_TRUE(M.Transpose());
    EXPECT_EQ(Ev, 1);
    ASSERT_EQ(M.NrOfColumns(), 3);
    ASSERT_EQ(M.NrOfRows(), 2);
    EXPECT_EQ(Cells(M), (Vals{1, 2, 3, 4, 5, 6}));
    // Large enough to cross the copy tiles, then back.
    TMatrix B(nullptr), Orig(nullptr);
    B.Resize(70, 45);
    for (int c = 1; c <= 70; ++c)
        for (int r = 1; r <= 45; ++r) B.SetElem(c, r, c * 1000 + r);
    Orig.Clone(&B);
    B.Transpose();
    int Bad = 0;
    for (int c = 1; c <= 45; ++c)
        for (int r = 1; r <= 70; ++r) Bad += B.Elem(c, r) != r * 1000 + c;
    EXPECT_EQ(Bad, 0);
    B.Transpose();
    EXPECT_EQ(B.CRCofData(), Orig.CRCofData());
    B.Resize(0, 3);
    B.Transpose();
    EXPECT_EQ(B.NrOfColumns(), 3);
    EXPECT_EQ(B.NrOfRows(), 0);
}

// ---------------------------------------------------------------- sorts

TEST(MatrixSort, RowsMoveTheKeyColumnAndReportEachExchange) {
    TMatrix M(nullptr);
    SetRows(M, {{10, 4, 100}, {20, 3, 200}, {30, 2, 300}, {40, 1, 400}});
    std::vector<Exchange> Log;
    RecordExchanges(M, Log);
    int Ev = 0;
    CountChanges(M, Ev);
    M.SortRows(2, true, 1, 1, 1, 4);  // columns 1..1, rows 1..4, key column 2 outside the range
    // The gap starts at High - Low = 3: passes with gaps 2, 1, 1.
    const std::vector<Exchange> Want = {{2, 1, 3, 1, 1}, {2, 2, 4, 1, 1}, {2, 1, 2, 1, 1}, {2, 3, 4, 1, 1}};
    EXPECT_EQ(Log, Want);
    EXPECT_EQ(Ev, 1);
    EXPECT_EQ(Cells(M), (Vals{40, 30, 20, 10, 1, 2, 3, 4, 100, 200, 300, 400}));
    // Already sorted: no exchange, still one OnChange.
    Log.clear();
    M.SortRows(2, true, 0, 0, 0, 0);
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(Ev, 2);
    // Two rows (gap 1 from the start), descending.
    M.SortRows(2, false, 0, 3, 0, 4);
    EXPECT_EQ(Log, (std::vector<Exchange>{{2, 3, 4, 1, 3}}));
    EXPECT_EQ(Cells(M), (Vals{40, 30, 10, 20, 1, 2, 4, 3, 100, 200, 400, 300}));
    // A bad key, or fewer than two rows: nothing at all.
    Log.clear();
    Ev = 0;
    for (int Key : {0, 4, -1}) M.SortRows(Key, true, 0, 0, 0, 0);
    M.SortRows(1, true, 0, 2, 0, 2);
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(Ev, 0);
}

TEST(MatrixSort, ColumnsTwinAndUncomparableKeys) {
    TMatrix M(nullptr);
    SetRows(M, {{3, 1, 2}, {30, 10, 20}, {7, 8, 9}});
    std::vector<Exchange> Log;
    RecordExchanges(M, Log);
    M.SortCols(1, true, 0, 2, 0, 2);  // rows 2..2, key row 1 outside the range
    EXPECT_EQ(Log, (std::vector<Exchange>{{1, 1, 2, 2, 2}, {1, 2, 3, 2, 2}}));
    EXPECT_EQ(Cells(M), (Vals{1, 10, 7, 2, 20, 8, 3, 30, 9}));
    Log.clear();
    M.SortCols(5, true, 0, 0, 0, 0);
    EXPECT_TRUE(Log.empty());
    // NaN keys never compare: the sort ends and keeps every value.
    TMatrix N(nullptr);
    SetRows(N, {{NaN, 1, NaN, 3, 2, NaN}});
    N.SortCols(1, false, 0, 0, 0, 0);
    Vals V = Cells(N);
    EXPECT_EQ(std::count_if(V.begin(), V.end(), [](double X) { return std::isnan(X); }), 3);
    V.erase(std::remove_if(V.begin(), V.end(), [](double X) { return std::isnan(X); }), V.end());
    std::sort(V.begin(), V.end());
    EXPECT_EQ(V, (Vals{1, 2, 3}));
}

TEST(MatrixReshape, MirrorsAndExchanges) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 2, 3}, {4, 5, 6}});
    int Ev = 0;
    CountChanges(M, Ev);
    M.MirrorColumns();
    EXPECT_EQ(Cells(M), (Vals{3, 6, 2, 5, 1, 4}));
    M.MirrorRows();
    EXPECT_EQ(Cells(M), (Vals{6, 3, 5, 2, 4, 1}));
    M.ExchangeColumns(1, 3);
    EXPECT_EQ(Cells(M), (Vals{4, 1, 5, 2, 6, 3}));
    M.ExchangeRows(2, 1);
    EXPECT_EQ(Cells(M), (Vals{1, 4, 2, 5, 3, 6}));
    EXPECT_EQ(Ev, 4);
    for (auto [A, B] : {std::pair{0, 1}, {1, 4}, {-1, 2}}) M.ExchangeColumns(A, B);
    for (auto [A, B] : {std::pair{0, 1}, {1, 3}}) M.ExchangeRows(A, B);
    EXPECT_EQ(Ev, 4);
    EXPECT_EQ(Cells(M), (Vals{1, 4, 2, 5, 3, 6}));
}

// ---------------------------------------------------------------- edge vectors

TEST(MatrixReshape, EdgeVectors) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 3}, {5, 0}, {-2, 7}, {4, -1}});
    struct Case { TOrientation O; TEdgeOp Op; Vals Want; };
    const Case Cases[] = {
        {TOrientation::orColumns, TEdgeOp::eoMin, {-2, -1}},
        {TOrientation::orColumns, TEdgeOp::eoMax, {5, 7}},
        {TOrientation::orColumns, TEdgeOp::eoSum, {8, 9}},
        {TOrientation::orColumns, TEdgeOp::eoMean, {2, 2.25}},
        {TOrientation::orRows, TEdgeOp::eoMin, {1, 0, -2, -1}},
        {TOrientation::orRows, TEdgeOp::eoMax, {3, 5, 7, 4}},
        {TOrientation::orRows, TEdgeOp::eoSum, {4, 5, 5, 3}},
        {TOrientation::orRows, TEdgeOp::eoMean, {2, 2.5, 2.5, 1.5}},
    };
    int EvM = 0;
    CountChanges(M, EvM);
    for (const Case& K : Cases) {
        TVector V(nullptr);
        int Ev = 0;
        CountChanges(V, Ev);
        M.EdgeVector(K.O, K.Op, &V);
        EXPECT_EQ(VecVals(V), K.Want);
        EXPECT_EQ(Ev, static_cast<int>(K.Want.size()) + 1);  // resize, then one per element
        EXPECT_EQ(EvM, 0);
    }
    TVector V(nullptr);
    SetVec(V, {9, 9});
    M.EdgeVector(TOrientation::orRows, static_cast<TEdgeOp>(4), &V);
    M.EdgeVector(TOrientation::orRows, TEdgeOp::eoSum, nullptr);
    EXPECT_EQ(VecVals(V), (Vals{9, 9}));
    // No rows: one value per column, the mean of nothing 0; per row there is nothing to write.
    M.Resize(2, 0);
    M.EdgeVector(TOrientation::orColumns, TEdgeOp::eoMean, &V);
    EXPECT_EQ(VecVals(V), (Vals{0, 0}));
    SetVec(V, {9});
    M.EdgeVector(TOrientation::orRows, TEdgeOp::eoMean, &V);
    EXPECT_EQ(VecVals(V), (Vals{9}));
}

// ---------------------------------------------------------------- fills

TEST(MatrixFill, RangesDiagonalAndEvents) {
    TMatrix M(nullptr);
    M.Resize(3, 3);
    int Ev = 0;
    CountChanges(M, Ev);
    M.Fill(2, 3, 1, 1, 9);  // (LowCol, HighCol, LowRow, HighRow): columns 2..3 of row 1
    EXPECT_EQ(Cells(M), (Vals{0, 0, 0, 9, 0, 0, 9, 0, 0}));
    M.Fill(0, 0, 3, 2, 1);  // all columns, rows 2..3
    EXPECT_EQ(Cells(M), (Vals{0, 1, 1, 9, 1, 1, 9, 1, 1}));
    EXPECT_EQ(Ev, 2);
    M.Resize(3, 2);
    M.Fill(0);
    M.FillDiag(5);
    EXPECT_EQ(Cells(M), (Vals{5, 0, 0, 5, 0, 0}));
}

TEST(MatrixFill, RandomFillsDrawColumnByColumn) {
    TMatrix M(nullptr);
    M.Resize(3, 4);
    M.Fill(-9);
    qmr::RandSeed = 4242;
    M.FillRandomUniform(2, 3, 2, 3, 10, 12);
    qmr::RandSeed = 4242;
    Vals Want(12, -9);
    for (int c = 2; c <= 3; ++c)
        for (int r = 2; r <= 3; ++r) Want[static_cast<std::size_t>((c - 1) * 4 + r - 1)] = 10 + qmr::Random() * 2;
    EXPECT_EQ(Cells(M), Want);
    // Whole matrix: every value inside [low, high).
    TMatrix U(nullptr);
    U.Resize(50, 40);
    int Ev = 0;
    CountChanges(U, Ev);
    U.FillRandomUniform(-1, 3);
    double Lo = 0, Hi = 0;
    U.MinMax(0, 0, 0, 0, Lo, Hi);
    EXPECT_GE(Lo, -1);
    EXPECT_LT(Hi, 3);
    // Gaussian values: mean and deviation of 20000 draws (standard errors 0.014 and 0.01).
    TMatrix G(nullptr);
    G.Resize(100, 200);
    CountChanges(G, Ev);
    G.FillRandomGauss(5, 2);
    double Mean = 0, Var = 0;
    G.MeanVar(0, 0, 0, 0, Mean, Var);
    EXPECT_NEAR(Mean, 5, 0.1);
    EXPECT_NEAR(std::sqrt(Var), 2, 0.07);
    EXPECT_EQ(Ev, 1);
    G.Fill(0);
    G.FillRandomGauss(1, 1, 1, 2, 0, 1);
    EXPECT_EQ(G.CountValues(0, 0, 0, 0, 0, 0), 20000 - 2);
}

// ---------------------------------------------------------------- copies to and from vectors

TEST(MatrixCopy, RowsAndColumnsToVectors) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}});
    TVector V(nullptr);
    V.Resize(3);
    M.CopyRowToVec(&V, 2, 0, 0);  // whole row cut to 3 elements
    EXPECT_EQ(VecVals(V), (Vals{6, 7, 8}));
    V.Resize(10);
    V.Fill(-1);
    M.CopyRowToVec(&V, 1, 0, 0);
    EXPECT_EQ(VecVals(V), (Vals{1, 2, 3, 4, 5, 0, 0, 0, 0, 0}));
    M.CopyRowToVec(&V, 99, 4, 2);  // row clamped to 2, columns 2..4
    EXPECT_EQ(VecVals(V), (Vals{7, 8, 9, 0, 0, 0, 0, 0, 0, 0}));
    M.CopyColToVec(&V, -3, 0, 0);
    EXPECT_EQ(VecVals(V), (Vals{1, 6, 0, 0, 0, 0, 0, 0, 0, 0}));
    M.CopyColToVec(&V, 9, 2, 2);
    EXPECT_EQ(VecVals(V), (Vals{10, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    M.CopyColToVec(nullptr, 1, 0, 0);
    // Empty matrices give zeros.
    M.Resize(0, 0);
    V.Fill(3);
    M.CopyRowToVec(&V, 1, 0, 0);
    EXPECT_EQ(VecVals(V), Vals(10, 0.0));
    V.Fill(3);
    M.CopyColToVec(&V, 1, 0, 0);
    EXPECT_EQ(VecVals(V), Vals(10, 0.0));
}

TEST(MatrixCopy, FromVectors) {
    TMatrix M(nullptr);
    M.Resize(3, 3);
    TVector V(nullptr);
    SetVec(V, {1, 2, 3, 4});
    int Ev = 0;
    CountChanges(M, Ev);
    M.CopyFromVec(qmr::TDims::dimColumns, &V, 2, 4, 2, 1);  // along row 1 from column 2
    EXPECT_EQ(Cells(M), (Vals{0, 0, 0, 2, 0, 0, 3, 0, 0}));
    EXPECT_EQ(Ev, 2 + 1);  // element 4 falls outside
    M.CopyFromVec(&V, 0, 0, 1, 2);  // down column 1 from row 2
    EXPECT_EQ(Cells(M), (Vals{0, 1, 2, 2, 0, 0, 3, 0, 0}));
    Ev = 0;
    M.CopyFromVec(static_cast<qmr::TDims>(7), &V, 0, 0, 1, 1);
    M.CopyFromVec(&V, 0, 0, IMax, IMax);
    M.CopyFromVec(qmr::TDims::dimColumns, &V, 0, 0, IMax - 1, 1);
    EXPECT_EQ(Ev, 3);  // one each, nothing written
    M.CopyFromVec(nullptr, 0, 0, 1, 1);
    EXPECT_EQ(Ev, 3);
    M.CopyFromVec(&V, 0, 0, 3, IMin);
    EXPECT_EQ(Cells(M), (Vals{0, 1, 2, 2, 0, 0, 3, 0, 0}));
}

// ---------------------------------------------------------------- copies between matrices and arrays

TEST(MatrixCopy, FromMatricesClampedWithoutWholeRangeRule) {
    TMatrix S(nullptr), M(nullptr);
    SetRows(S, {{1, 2, 3}, {4, 5, 6}});
    M.Resize(3, 3);
    int Ev = 0;
    CountChanges(M, Ev);
    M.CopyFrom(&S, 0, 0, 0, 0, 2, 2);  // (0, 0, 0, 0) is element (1, 1) only
    EXPECT_EQ(Cells(M), (Vals{0, 0, 0, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(Ev, 2);
    M.Fill(0);
    Ev = 0;
    M.CopyFrom(&S, 9, 2, -4, 1, 0, 1);  // columns 1..3 (reversed pair), rows 1..2, from column 0
    EXPECT_EQ(Cells(M), (Vals{2, 5, 0, 3, 6, 0, 0, 0, 0}));
    EXPECT_EQ(Ev, 4 + 1);
    Ev = 0;
    M.CopyFrom(&S, 1, 1, 3, 2, IMax, IMax);  // far outside: nothing but the final event
    M.CopyFrom(&S, 1, 1, 3, 2, IMin, 1);
    M.CopyFrom(nullptr, 1, 1, 3, 2, 1, 1);
    EXPECT_EQ(Ev, 2);
    TMatrix Empty(nullptr);
    Empty.Resize(0, 2);
    M.CopyFrom(&Empty, 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(Ev, 3);
}

TEST(MatrixCopy, OverlappingBlocksOfTheMatrixItself) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 2, 3, 4}, {5, 6, 7, 8}});
    M.CopyFrom(&M, 1, 1, 3, 2, 2, 1);  // shift right by one column
    EXPECT_EQ(Cells(M), (Vals{1, 5, 1, 5, 2, 6, 3, 7}));
    M.CopyFrom(&M, 2, 1, 4, 2, 1, 1);  // and back left
    EXPECT_EQ(Cells(M), (Vals{1, 5, 2, 6, 3, 7, 3, 7}));
    M.CopyFrom(&M, 1, 1, 4, 1, 1, 2);  // row 1 down into row 2
    EXPECT_EQ(Cells(M), (Vals{1, 1, 2, 2, 3, 3, 3, 3}));
}

TEST(MatrixCopy, ToArrays) {
    TMatrix M(nullptr);
    SetRows(M, {{2.5, 3.5, -2.5}, {NaN, 1e300, -1e300}});
    qmr::TInt2DArray I;
    M.CopyToArray(I, 0, 0, 0, 0);
    EXPECT_EQ(I, (qmr::TInt2DArray{{2, 0}, {4, IMax}, {-2, IMin}}));
    M.CopyToArray(I, 3, 2, 2, 2);  // (LowCol, HighCol, LowRow, HighRow)
    EXPECT_EQ(I, (qmr::TInt2DArray{{IMax}, {IMin}}));
    qmr::TDouble2DArray D;
    M.CopyToArray(D, 1, 2, 1, 1);
    EXPECT_EQ(D, (qmr::TDouble2DArray{{2.5}, {3.5}}));
    M.Resize(0, 2);
    M.CopyToArray(D, 0, 0, 0, 0);
    EXPECT_TRUE(D.empty());
}

TEST(MatrixCopy, FromArraysIncludingRaggedOnes) {
    TMatrix M(nullptr);
    M.Resize(3, 3);
    int Ev = 0;
    CountChanges(M, Ev);
    M.CopyFromArray(qmr::TDouble2DArray{{1, 2, 3}, {4}, {5, 6, 7, 8}}, 1, 1);
    // Column 2 has one value; column 3 is cut to the first column's length.
    EXPECT_EQ(Cells(M), (Vals{1, 2, 3, 4, 0, 0, 5, 6, 7}));
    EXPECT_EQ(Ev, 7);  // per element, none at the end
    Ev = 0;
    M.CopyFromArray(qmr::TInt2DArray{{-1, -2}, {-3, -4}}, 2, 2);
    EXPECT_EQ(Cells(M), (Vals{1, 2, 3, 4, -1, -2, 5, -3, -4}));
    EXPECT_EQ(Ev, 4);
    Ev = 0;
    M.CopyFromArray(qmr::TDouble2DArray{}, 1, 1);
    M.CopyFromArray(qmr::TInt2DArray{{9, 9}}, IMax, 1);
    M.CopyFromArray(qmr::TInt2DArray{{9, 9}}, 1, IMax);
    EXPECT_EQ(Ev, 0);
    M.CopyFromArray(qmr::TInt2DArray{{9, 9}, {8, 8}}, 0, 0);  // only [1][1] lands, at (1, 1)
    EXPECT_EQ(Cells(M), (Vals{8, 2, 3, 4, -1, -2, 5, -3, -4}));
}

}  // namespace
