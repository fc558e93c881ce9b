// TMatrix products, scalar and element-wise operations, correlation, distances, distance
// matrices, squaring on one thread and the hat matrix.
#include "qmr_test_support.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using qmr::test::Cells;
using qmr::test::CountChanges;

using qmr::AbortMathProc;
using qmr::Extended;
using qmr::ProcStat;
using qmr::TDistMode;
using qmr::TMatrix;
using qmr::TVector;
using Vals = std::vector<double>;
using Rows = std::vector<Vals>;

const double NaN = std::numeric_limits<double>::quiet_NaN();

// Loads a matrix given row by row.
void SetRows(TMatrix& M, const Rows& R) {
    M.Resize(R.empty() ? 0 : static_cast<int>(R[0].size()), static_cast<int>(R.size()));
    for (int r = 1; r <= M.NrOfRows(); ++r)
        for (int c = 1; c <= M.NrOfColumns(); ++c) M.SetElem(c, r, R[r - 1][c - 1]);
}

// Cols x Rows values uniform in [-1, 1].
void RandomFill(TMatrix& M, int Cols, int RowsN, unsigned Seed) {
    std::mt19937 Gen(Seed);
    std::uniform_real_distribution<double> U(-1, 1);
    M.Resize(Cols, RowsN);
    for (int c = 1; c <= Cols; ++c)
        for (int r = 1; r <= RowsN; ++r) M.SetElem(c, r, U(Gen));
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

// The products of one element summed in Extended one at a time in the order given: the
// library's summation order, so the results must agree bit for bit.
double InOrder(int K, const std::function<double(int)>& A, const std::function<double(int)>& B) {
    Extended S = 0;
    for (int k = 1; k <= K; ++k) S += static_cast<Extended>(A(k)) * B(k);
    return static_cast<double>(S);
}

// ---------------------------------------------------------------- matrix products

// (columns, rows) of A and B per product kind, crossing the kernel's tiles of four and
// its panels of 128 result rows and 256 products.
struct Shape { int AC, AR, BC, BR; };

TEST(MatrixProducts, EveryElementIsTheInOrderSumBitForBit) {
    const Shape Shapes[] = {{1, 1, 1, 1}, {3, 2, 5, 3}, {7, 9, 6, 7}, {260, 131, 5, 260}, {17, 300, 9, 17}};
    for (const Shape& S : Shapes) {
        TMatrix A(nullptr), B(nullptr), Bt(nullptr), At(nullptr), C(nullptr);
        RandomFill(A, S.AC, S.AR, 1u + static_cast<unsigned>(S.AR));
        RandomFill(B, S.BC, S.BR, 2u + static_cast<unsigned>(S.BC));
        for (int k = 1; k <= S.AC; ++k) A.SetElem(k, 1, k % 2 ? 0.0 : -0.0);  // sums of zeros are +0
        // Plain: A (AR x AC) * B (BR = AC x BC).
        ASSERT_TRUE(A.Multiply(&B, &C));
        ASSERT_EQ(C.NrOfColumns(), S.BC);
        ASSERT_EQ(C.NrOfRows(), S.AR);
        int Bad = 0;
        for (int c = 1; c <= S.BC; ++c)
            for (int r = 1; r <= S.AR; ++r)
                Bad += std::bit_cast<std::uint64_t>(double(C.Elem(c, r))) !=
                       std::bit_cast<std::uint64_t>(InOrder(S.AC, [&](int k) { return double(A.Elem(k, r)); },
                                                            [&](int k) { return double(B.Elem(c, k)); }));
        EXPECT_EQ(Bad, 0) << S.AR;
        // A * B^T with B given as its transpose, A^T * B with A given as its transpose:
        // the same sums in the same order.
        Bt.Clone(&B);
        Bt.Transpose();
        TMatrix D(nullptr);
        ASSERT_TRUE(A.MultiplyTransposed(&Bt, &D));
        EXPECT_EQ(Cells(D), Cells(C));
        At.Clone(&A);
        At.Transpose();
        ASSERT_TRUE(At.TransposeAndMultiply(&B, &D));
        EXPECT_EQ(Cells(D), Cells(C));
    }
}

TEST(MatrixProducts, ShapesRefusalsAndEvents) {
    TMatrix A(nullptr), B(nullptr), R(nullptr);
    A.Resize(2, 3);
    B.Resize(4, 3);
    R.Resize(1, 1);
    R.SetElem(1, 1, 7);
    int EvA = 0, EvR = 0;
    CountChanges(A, EvA);
    CountChanges(R, EvR);
    EXPECT_FALSE(A.Multiply(&B, &R));                        // 2 columns against 3 rows
    EXPECT_FALSE(A.Multiply(static_cast<TMatrix*>(nullptr), &R));
    EXPECT_FALSE(A.Multiply(&B, static_cast<TMatrix*>(nullptr)));
    EXPECT_FALSE(A.MultiplyTransposed(&B, &R));              // column counts differ
    EXPECT_FALSE(A.EMult(&B, &R));
    B.Resize(4, 2);
    EXPECT_FALSE(A.TransposeAndMultiply(&B, &R));            // row counts differ
    EXPECT_EQ(EvA + EvR, 0);
    EXPECT_EQ(Cells(R), Vals{7});
    // One event per element written, one for the resize, then one of the left factor.
    std::vector<char> Order;
    A.OnChange = [&](qmr::TObject*) { Order.push_back('A'); };
    R.OnChange = [&](qmr::TObject*) { Order.push_back('R'); };
    ASSERT_TRUE(A.Multiply(&B, &R));
    EXPECT_EQ(R.NrOfColumns(), 4);
    EXPECT_EQ(R.NrOfRows(), 3);
    EXPECT_EQ(std::string(Order.begin(), Order.end()), std::string(1 + 12, 'R') + "A");
}

TEST(MatrixProducts, AResultThatIsAnOperandIsFormedFirst) {
    TMatrix A(nullptr), B(nullptr), Want(nullptr), X(nullptr);
    RandomFill(A, 4, 4, 5);
    RandomFill(B, 4, 4, 6);
    using Fn = bool (TMatrix::*)(const TMatrix*, TMatrix*);
    for (Fn Op : {Fn(&TMatrix::Multiply), Fn(&TMatrix::MultiplyTransposed), Fn(&TMatrix::TransposeAndMultiply),
                  Fn(&TMatrix::EMult)}) {
        ASSERT_TRUE((A.*Op)(&B, &Want));
        X.Clone(&A);
        ASSERT_TRUE((X.*Op)(&B, &X));  // into the left factor
        EXPECT_EQ(Cells(X), Cells(Want));
        TMatrix Y(nullptr);
        Y.Clone(&B);
        ASSERT_TRUE((A.*Op)(&Y, &Y));  // into the right factor
        EXPECT_EQ(Cells(Y), Cells(Want));
    }
}

TEST(MatrixProducts, VectorFormsAndAliasedResult) {
    TMatrix A(nullptr);
    SetRows(A, {{1, 2, 3}, {4, 5, 6}});
    TVector V(nullptr), R(nullptr);
    SetVec(V, {1, 0, -1});
    ASSERT_TRUE(A.Multiply(&V, &R));
    EXPECT_EQ(VecVals(R), (Vals{-2, -2}));
    SetVec(V, {2, -1});
    ASSERT_TRUE(A.TransposeAndMultiply(&V, &R));
    EXPECT_EQ(VecVals(R), (Vals{-2, -1, 0}));
    EXPECT_FALSE(A.Multiply(&V, &R));                 // 3 columns, 2 elements
    EXPECT_FALSE(A.TransposeAndMultiply(&R, &V));     // 2 rows, 3 elements
    EXPECT_FALSE(A.Multiply(static_cast<TVector*>(nullptr), &R));
    // VecRes = VecB.
    TMatrix Sq(nullptr);
    SetRows(Sq, {{1, 2}, {3, 4}});
    SetVec(V, {1, 1});
    ASSERT_TRUE(Sq.Multiply(&V, &V));
    EXPECT_EQ(VecVals(V), (Vals{3, 7}));
    ASSERT_TRUE(Sq.TransposeAndMultiply(&V, &V));
    EXPECT_EQ(VecVals(V), (Vals{24, 34}));
    // In-order sums over a long shared dimension.
    TMatrix L(nullptr);
    RandomFill(L, 300, 3, 9);
    TVector W(nullptr);
    SetVec(W, Vals(300, 0.1));
    W.SetElem(7, -3.25);
    ASSERT_TRUE(L.Multiply(&W, &R));
    for (int r = 1; r <= 3; ++r)
        EXPECT_EQ(R.Elem(r), InOrder(300, [&](int k) { return double(L.Elem(k, r)); },
                                     [&](int k) { return double(W.Elem(k)); }));
}

TEST(MatrixArithmetic, InPlaceOperationsFireOnce) {
    TMatrix A(nullptr), B(nullptr), R(nullptr);
    SetRows(A, {{1, 2}, {3, 4}});
    SetRows(B, {{10, 20}, {30, 40}});
    int Ev = 0;
    CountChanges(A, Ev);
    ASSERT_TRUE(A.Add(&B));
    EXPECT_EQ(Cells(A), (Vals{11, 33, 22, 44}));
    ASSERT_TRUE(A.Subtract(&A));  // itself: all zero
    EXPECT_EQ(Cells(A), (Vals{0, 0, 0, 0}));
    A.SAdd(2);
    A.SMult(-1.5);
    EXPECT_EQ(Cells(A), (Vals{-3, -3, -3, -3}));
    EXPECT_EQ(Ev, 4);
    EXPECT_FALSE(A.Add(nullptr));
    B.Resize(2, 3);
    EXPECT_FALSE(A.Subtract(&B));
    EXPECT_EQ(Ev, 4);
    SetRows(B, {{2, 3}, {4, -1}});
    ASSERT_TRUE(A.EMult(&B, &R));
    EXPECT_EQ(Cells(R), (Vals{-6, -12, -9, 3}));
}

// ---------------------------------------------------------------- correlation

TEST(MatrixCorrelate, KnownValuesAndGuards) {
    TMatrix A(nullptr), B(nullptr);
    SetRows(A, {{1, 2}, {3, 4}, {5, 7}});
    SetRows(B, {{2, 1}, {0, 5}, {9, 4}});
    // numpy.corrcoef([1,3,5,2,4,7], [2,0,9,1,5,4])[0,1] (column-major pairing)
    EXPECT_NEAR(double(A.Correlate(&B)), 0.5660629261090032, 1e-15);
    EXPECT_NEAR(double(A.Correlate(&A)), 1, 1e-15);
    TMatrix N(nullptr);
    N.Clone(&A);
    N.SMult(-2);
    EXPECT_NEAR(double(A.Correlate(&N)), -1, 1e-15);
    // Far from 0: the deviations keep their digits.
    TMatrix Big(nullptr), Big2(nullptr);
    SetRows(Big, {{1e9 + 1, 1e9 + 2}, {1e9 + 3, 1e9 + 4}, {1e9 + 5, 1e9 + 7}});
    SetRows(Big2, {{1e9 + 2, 1e9 + 1}, {1e9 + 0, 1e9 + 5}, {1e9 + 9, 1e9 + 4}});
    EXPECT_NEAR(double(Big.Correlate(&Big2)), 0.5660629261090032, 1e-12);
    // Constant data and too few pairs give 0.
    TMatrix K(nullptr);
    SetRows(K, {{0.1, 0.1}, {0.1, 0.1}, {0.1, 0.1}});
    EXPECT_EQ(A.Correlate(&K), 0);
    TMatrix Two(nullptr), Two2(nullptr);
    SetRows(Two, {{1, 2}});
    SetRows(Two2, {{2, 5}});
    EXPECT_EQ(Two.Correlate(&Two2), 0);
    B.Resize(2, 2);
    EXPECT_THROW(A.Correlate(&B), qmr::EQMRMatrixError);
    try {
        A.SetName("M");
        A.Correlate(nullptr);
        ADD_FAILURE();
    } catch (const qmr::EQMRMatrixError& E) {
        EXPECT_STREQ(E.what(), "Component \"M\": matrices do not match");
    }
}

// ---------------------------------------------------------------- distances

TEST(MatrixDistances, ModesOfTwoRows) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 2}, {4, 6}, {0, 0}, {0, 0}, {3, 0}});
    struct Case { TDistMode Mode; int R1, R2; double Want; };
    const Case Cases[] = {
        {TDistMode::dmManhattan, 1, 2, 7},
        {TDistMode::dmEuclid, 1, 2, 5},
        {TDistMode::dmEuclidSqr, 1, 2, 25},
        {TDistMode::dmTanimoto, 1, 2, 16.0 / (5 + 52 - 16)},   // xy / (xx + yy - xy)
        {TDistMode::dmDice, 1, 2, 32.0 / 57},                  // 2 xy / (xx + yy)
        {TDistMode::dmTanimoto, 3, 4, 0},                      // two zero rows
        {TDistMode::dmDice, 3, 4, 0},
        {TDistMode::dmTanimoto, 1, 1, 1},
        {TDistMode::dmManhattan, 5, 9, 3},                     // row 9 reads as zeros
        {TDistMode::dmEuclidSqr, 0, 2, 52},
        {static_cast<TDistMode>(6), 1, 2, 0},
        {TDistMode::dmUser, 1, 2, 0},                          // no handler
    };
    for (const Case& K : Cases)
        EXPECT_NEAR(double(M.DistanceOfObjects(K.Mode, K.R1, K.R2)), K.Want, 1e-15)
            << static_cast<int>(K.Mode) << " " << K.R1 << " " << K.R2;
    // Mode 5 asks the handler with Distance preset to 0.
    std::vector<double> Preset;
    M.OnCalcDistance = [&](qmr::TObject* S, std::int32_t A, std::int32_t B, double& D) {
        EXPECT_EQ(S, &M);
        Preset.push_back(D);
        D = A * 10 + B;
    };
    EXPECT_EQ(M.DistanceOfObjects(TDistMode::dmUser, 2, 3), 23);
    EXPECT_EQ(Preset, Vals{0});
}

// A distance matrix records which cell each of its OnChange events changed.
struct WriteLog {
    std::vector<std::pair<int, int>> Cells;
    Vals Last;
    void Attach(TMatrix& D) {
        Last = qmr::test::Cells(D);
        D.OnChange = [this](qmr::TObject* S) {
            auto& M = *static_cast<TMatrix*>(S);
            const Vals Now = qmr::test::Cells(M);
            for (std::size_t k = 0; k < Now.size(); ++k)
                if (!(Now[k] == Last[k]) && !(std::isnan(Now[k]) && std::isnan(Last[k]))) {
                    const int n = M.NrOfRows();
                    Cells.emplace_back(static_cast<int>(k) / n + 1, static_cast<int>(k) % n + 1);
                }
            Last = Now;
        };
    }
};

TEST(MatrixDistances, DistanceMatrixChecksOrderAndValues) {
    TMatrix X(nullptr), D(nullptr);
    SetRows(X, {{0, 0}, {3, 4}, {6, 8}});
    D.Resize(4, 3);
    EXPECT_EQ(X.CalcDistMat(TDistMode::dmEuclid, &D), -2);
    D.Resize(3, 4);
    EXPECT_EQ(X.CalcDistMat(TDistMode::dmEuclid, &D), -1);
    D.Resize(4, 4);
    EXPECT_EQ(X.CalcDistMat(TDistMode::dmEuclid, &D), -2);  // -2 is tested first
    EXPECT_EQ(X.CalcDistMat(TDistMode::dmEuclid, nullptr), -2);
    EXPECT_EQ(Cells(D), Vals(16, 0.0));
    D.Resize(3, 3);
    D.Fill(NaN);
    WriteLog Log;
    Log.Attach(D);
    ASSERT_EQ(X.CalcDistMat(TDistMode::dmEuclid, &D), 0);
    EXPECT_EQ(Cells(D), (Vals{0, 5, 10, 5, 0, 5, 10, 5, 0}));
    const std::vector<std::pair<int, int>> Order = {{1, 1}, {1, 2}, {2, 1}, {1, 3}, {3, 1},
                                                    {2, 2}, {2, 3}, {3, 2}, {3, 3}};
    EXPECT_EQ(Log.Cells, Order);
    // Every mode agrees with DistanceOfObjects, with and without a handler on DMat.
    TMatrix R(nullptr), E(nullptr);
    RandomFill(R, 6, 9, 11);
    for (int Mode = 0; Mode <= 6; ++Mode) {
        if (Mode == 5) continue;
        const auto Md = static_cast<TDistMode>(Mode);
        E.ResizeAndClear(9, 9);
        ASSERT_EQ(R.CalcDistMat(Md, &E), 0);
        int Bad = 0;
        for (int i = 1; i <= 9; ++i)
            for (int j = 1; j <= 9; ++j)
                Bad += E.Elem(i, j) != (i == j ? 0.0 : double(R.DistanceOfObjects(Md, i, j)));
        EXPECT_EQ(Bad, 0) << Mode;
        const Vals Plain = Cells(E);
        int Ev = 0;
        CountChanges(E, Ev);
        E.Fill(0);
        ASSERT_EQ(R.CalcDistMat(Md, &E), 0);
        EXPECT_EQ(Cells(E), Plain);
        EXPECT_EQ(Ev, 1 + 81);
        E.OnChange = nullptr;
    }
}

TEST(MatrixDistances, UserModeAndDistancesIntoTheMatrixItself) {
    TMatrix X(nullptr);
    SetRows(X, {{1, 2, 2}, {4, 6, 2}, {0, 0, 2}});
    std::vector<std::pair<int, int>> Asked;
    X.OnCalcDistance = [&](qmr::TObject*, std::int32_t A, std::int32_t B, double& D) {
        Asked.emplace_back(A, B);
        D = A + 0.5 * B;
    };
    TMatrix D(nullptr);
    D.Resize(3, 3);
    ASSERT_EQ(X.CalcDistMat(TDistMode::dmUser, &D), 0);
    EXPECT_EQ(Asked, (std::vector<std::pair<int, int>>{{1, 2}, {1, 3}, {2, 3}}));
    EXPECT_EQ(Cells(D), (Vals{0, 2, 2.5, 2, 0, 3.5, 2.5, 3.5, 0}));
    // DMat = the matrix: the rows are read before any distance is written.
    TMatrix Copy(nullptr);
    Copy.Clone(&X);
    ASSERT_EQ(Copy.CalcDistMat(TDistMode::dmManhattan, &D), 0);
    ASSERT_EQ(X.CalcDistMat(TDistMode::dmManhattan, &X), 0);
    EXPECT_EQ(Cells(X), Cells(D));
    EXPECT_EQ(Cells(X), (Vals{0, 7, 3, 7, 0, 10, 3, 10, 0}));
}

// ---------------------------------------------------------------- squaring on one thread

using MatrixSquare = qmr::test::ProgressFixture;

// Entry (i, j) of X^T X / Norm as the in-order sum over the rows.
double SquareEntry(const TMatrix& X, int i, int j, double Norm) {
    Extended S = 0;
    for (int r = 1; r <= X.NrOfRows(); ++r) S += static_cast<Extended>(X.Elem(i, r)) * X.Elem(j, r);
    return static_cast<double>(S / Norm);
}

TEST_F(MatrixSquare, InOrderSumsProgressAndEvents) {
    for (auto [Cols, RowsN] : {std::pair{1, 1}, {5, 3}, {23, 300}, {40, 0}}) {
        TMatrix X(nullptr), R(nullptr);
        RandomFill(X, Cols, RowsN, 21u + static_cast<unsigned>(Cols));
        int Ev = 0;
        CountChanges(R, Ev);
        ProcStat = 0.0;
        Calls().clear();
        ASSERT_TRUE(X.Square(&R, 3.0, 1));
        EXPECT_EQ(Ev, Cols == 1 ? 0 : 1);  // its resize only
        ASSERT_EQ(R.NrOfColumns(), Cols);
        ASSERT_EQ(R.NrOfRows(), Cols);
        int Bad = 0;
        for (int i = 1; i <= Cols; ++i)
            for (int j = 1; j <= Cols; ++j) Bad += R.Elem(i, j) != SquareEntry(X, std::min(i, j), std::max(i, j), 3.0);
        EXPECT_EQ(Bad, 0) << Cols;
        Vals Steps;
        for (int k = 1; k <= Cols; ++k) Steps.push_back(k);
        EXPECT_EQ(Calls(), Steps);
    }
}

TEST_F(MatrixSquare, RefusalsThreadCountsBelowOneAndItself) {
    TMatrix X(nullptr), R(nullptr), Want(nullptr);
    RandomFill(X, 6, 10, 31);
    R.Resize(2, 2);
    R.Fill(9);
    for (double Norm : {0.0, NaN, std::numeric_limits<double>::infinity()}) EXPECT_FALSE(X.Square(&R, Norm, 1));
    EXPECT_FALSE(X.Square(nullptr, 1, 1));
    EXPECT_EQ(Cells(R), Vals(4, 9.0));
    EXPECT_EQ(ProcStat.load(), 0);
    ASSERT_TRUE(X.Square(&Want, 2, 1));
    for (int Threads : {0, -4}) {
        ASSERT_TRUE(X.Square(&R, 2, Threads));
        EXPECT_EQ(Cells(R), Cells(Want));
    }
    ASSERT_TRUE(X.Square(&X, 2, 1));  // into itself
    EXPECT_EQ(Cells(X), Cells(Want));
}

// Feedback procedure that requests an abort when ProcStat reaches GStopAt.
int GStopAt = 0;
void StopAt(double P) {
    if (static_cast<int>(P) == GStopAt) AbortMathProc = true;
}

TEST_F(MatrixSquare, AbortStopsBeforeTheNextColumn) {
    TMatrix X(nullptr), R(nullptr), Full(nullptr);
    RandomFill(X, 9, 12, 41);
    ASSERT_TRUE(X.Square(&Full, 1, 1));
    AbortMathProc = true;
    EXPECT_FALSE(X.Square(&R, 1, 1));
    EXPECT_EQ(Cells(R), Vals(81, 0.0));
    EXPECT_EQ(ProcStat.load(), 9);  // only the reference run counted
    AbortMathProc = false;
    // Abort requested during the third column's step: columns 1..3 are there, 4.. are not.
    GStopAt = 9 + 3;
    qmr::MathFeedBackProc = &StopAt;
    R.ResizeAndClear(1, 1);
    EXPECT_FALSE(X.Square(&R, 1, 1));
    EXPECT_EQ(ProcStat.load(), 12);
    for (int i = 1; i <= 9; ++i)
        for (int j = i; j <= 9; ++j) {
            const double Want = i <= 3 ? double(Full.Elem(i, j)) : 0.0;
            EXPECT_EQ(R.Elem(i, j), Want) << i << "," << j;
            EXPECT_EQ(R.Elem(j, i), Want) << i << "," << j;
        }
}

// ---------------------------------------------------------------- hat matrix

TEST(MatrixHat, ProjectionOntoTheColumns) {
    TMatrix X(nullptr), H(nullptr), HH(nullptr), HX(nullptr);
    RandomFill(X, 3, 8, 51);
    int EvX = 0;
    CountChanges(X, EvX);
    ASSERT_TRUE(X.CalcHatMatrix(&H));
    EXPECT_EQ(EvX, 1);
    ASSERT_EQ(H.NrOfColumns(), 8);
    ASSERT_EQ(H.NrOfRows(), 8);
    // Symmetric, idempotent, trace p, and H X = X: the orthogonal projector onto X's columns.
    EXPECT_NEAR(double(H.Trace()), 3, 1e-12);
    ASSERT_TRUE(H.Multiply(&H, &HH));
    ASSERT_TRUE(H.Multiply(&X, &HX));
    for (int i = 1; i <= 8; ++i)
        for (int j = 1; j <= 8; ++j) {
            EXPECT_NEAR(double(H.Elem(i, j)), double(H.Elem(j, i)), 1e-13);
            EXPECT_NEAR(double(HH.Elem(i, j)), double(H.Elem(i, j)), 1e-13);
        }
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 8; ++r) EXPECT_NEAR(double(HX.Elem(c, r)), double(X.Elem(c, r)), 1e-13);
    // One column of ones: every element is 1 / n.
    TMatrix One(nullptr);
    One.Resize(1, 4);
    One.Fill(1);
    ASSERT_TRUE(One.CalcHatMatrix(&H));
    EXPECT_EQ(Cells(H), Vals(16, 0.25));
}

TEST(MatrixHat, SingularOrNilLeavesTheTargetAlone) {
    TMatrix X(nullptr), H(nullptr);
    SetRows(X, {{1, 2}, {2, 4}, {3, 6}});  // collinear columns: X^T X is singular
    H.Resize(2, 2);
    H.Fill(5);
    int Ev = 0;
    CountChanges(H, Ev);
    EXPECT_FALSE(X.CalcHatMatrix(&H));
    EXPECT_FALSE(X.CalcHatMatrix(nullptr));
    EXPECT_EQ(Ev, 0);
    EXPECT_EQ(Cells(H), Vals(4, 5.0));
}

}  // namespace
