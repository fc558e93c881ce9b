// TMatrix products, in-place arithmetic, correlation, distances, squaring on one thread
// and the hat matrix.
#include "qmr_test_support.h"

#include <bit>
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace {

using namespace qmr;
using namespace qmr::test;
using Vals = std::vector<double>;
using Fn = bool (TMatrix::*)(const TMatrix*, TMatrix*);

// Products of one element summed in Extended one at a time, k = 1 first: the library's
// order, so results must agree bit for bit (and a sum of zeros is +0).
std::uint64_t InOrder(int K, const std::function<double(int)>& A, const std::function<double(int)>& B) {
    Extended S = 0;
    for (int k = 1; k <= K; ++k) S += static_cast<Extended>(A(k)) * B(k);
    return std::bit_cast<std::uint64_t>(static_cast<double>(S));
}
std::uint64_t Bits(Extended X) { return std::bit_cast<std::uint64_t>(static_cast<double>(X)); }

TEST(MatrixProducts, EveryElementIsTheInOrderSum) {
    // (columns, rows) of A and of B; shapes cross the kernel's tiles and its panels of
    // 128 result rows and 256 products.
    for (auto [AC, AR, BC] : {std::tuple{1, 1, 1}, {3, 2, 5}, {7, 9, 6}, {260, 131, 5}, {17, 300, 9}}) {
        TMatrix A(nullptr), B(nullptr), Bt(nullptr), At(nullptr), C(nullptr), D(nullptr);
        RandomFill(A, AC, AR, 1u + AR);
        RandomFill(B, BC, AC, 2u + BC);
        for (int k = 1; k <= AC; ++k) A.SetElem(k, 1, k % 2 ? 0.0 : -0.0);
        ASSERT_TRUE(A.Multiply(&B, &C));
        ASSERT_EQ(C.NrOfColumns() * 1000 + C.NrOfRows(), BC * 1000 + AR);
        int Bad = 0;
        for (int c = 1; c <= BC; ++c)
            for (int r = 1; r <= AR; ++r)
                Bad += Bits(C.Elem(c, r)) != InOrder(AC, [&](int k) { return double(A.Elem(k, r)); },
                                                     [&](int k) { return double(B.Elem(c, k)); });
        EXPECT_EQ(Bad, 0) << AR;
        // The transposed forms given transposed factors form the same sums in the same order.
        Bt.Clone(&B);
        Bt.Transpose();
        At.Clone(&A);
        At.Transpose();
        ASSERT_TRUE(A.MultiplyTransposed(&Bt, &D));
        EXPECT_EQ(Cells(D), Cells(C));
        ASSERT_TRUE(At.TransposeAndMultiply(&B, &D));
        EXPECT_EQ(Cells(D), Cells(C));
        // Vector forms: A times column 1 of B is C's column 1; B^T times row 1 of A is C's row 1.
        TVector V(nullptr), W(nullptr), W2(nullptr);
        V.Resize(AC);
        B.CopyColToVec(&V, 1, 0, 0);
        ASSERT_TRUE(A.Multiply(&V, &W));
        A.CopyRowToVec(&V, 1, 0, 0);
        ASSERT_TRUE(B.TransposeAndMultiply(&V, &W2));
        for (int r = 1; r <= AR; ++r) EXPECT_EQ(Bits(W.Elem(r)), Bits(C.Elem(1, r)));
        for (int c = 1; c <= BC; ++c) EXPECT_EQ(Bits(W2.Elem(c)), Bits(C.Elem(c, 1)));
    }
}

TEST(MatrixProducts, RefusalsEventsArithmeticAndResultsThatAreOperands) {
    TMatrix A(nullptr), B(nullptr), R(nullptr), X(nullptr), Y(nullptr), Want(nullptr);
    A.Resize(2, 3);
    B.Resize(4, 3);
    SetRows(R, {{7}});
    std::string Log;
    A.OnChange = [&](TObject*) { Log += 'A'; };
    R.OnChange = [&](TObject*) { Log += 'R'; };
    EXPECT_FALSE(A.Multiply(&B, &R) || A.MultiplyTransposed(&B, &R) || A.EMult(&B, &R) ||
                 A.Multiply(&B, static_cast<TMatrix*>(nullptr)) || A.TransposeAndMultiply(nullptr, &R));
    EXPECT_EQ(Log, "");
    B.Resize(4, 2);
    ASSERT_TRUE(A.Multiply(&B, &R));  // resize, one per element, then the left factor
    EXPECT_EQ(Log, std::string(1 + 12, 'R') + "A");
    RandomFill(A, 4, 4, 5);
    RandomFill(B, 4, 4, 6);
    for (Fn Op : {Fn(&TMatrix::Multiply), Fn(&TMatrix::MultiplyTransposed), Fn(&TMatrix::TransposeAndMultiply),
                  Fn(&TMatrix::EMult)}) {
        ASSERT_TRUE((A.*Op)(&B, &Want));
        X.Clone(&A);
        Y.Clone(&B);
        ASSERT_TRUE((X.*Op)(&B, &X) && (A.*Op)(&Y, &Y));
        EXPECT_EQ(Cells(X), Cells(Want));
        EXPECT_EQ(Cells(Y), Cells(Want));
    }
    TVector V(nullptr), Bad(nullptr);
    SetRows(A, {{1, 2}, {3, 4}});
    SetValues(V, Vals{1, 1});
    ASSERT_TRUE(A.Multiply(&V, &V) && A.TransposeAndMultiply(&V, &V));  // VecRes = VecB
    EXPECT_EQ(ValuesOf(V), (Vals{24, 34}));
    SetValues(Bad, Vals{1, 2, 3});
    EXPECT_FALSE(A.Multiply(&Bad, &V) || A.TransposeAndMultiply(&Bad, &V) || A.Multiply(nullptr, &V));
    // In place: storage written directly, one event each.
    SetRows(B, {{10, 20}, {30, 40}});
    int Ev = 0;
    CountChanges(A, Ev);
    ASSERT_TRUE(A.Add(&B));
    EXPECT_EQ(Cells(A), (Vals{11, 33, 22, 44}));
    ASSERT_TRUE(A.Subtract(&A));
    A.SAdd(2);
    A.SMult(-1.5);
    EXPECT_EQ(Cells(A), Vals(4, -3.0));
    B.Resize(2, 3);
    EXPECT_FALSE(A.Add(nullptr) || A.Subtract(&B));
    EXPECT_EQ(Ev, 4);
    SetRows(B, {{2, 3}, {4, -1}});
    ASSERT_TRUE(A.EMult(&B, &R));
    EXPECT_EQ(Cells(R), (Vals{-6, -12, -9, 3}));
}

TEST(MatrixProducts, Correlate) {
    TMatrix A(nullptr), B(nullptr), N(nullptr), K(nullptr);
    // numpy.corrcoef([1,3,5,2,4,7], [2,0,9,1,5,4])[0,1], the pairs taken column by column;
    // then the same data shifted by 1e9.
    for (double Shift : {0.0, 1e9}) {
        SetRows(A, {{1, 2}, {3, 4}, {5, 7}});
        SetRows(B, {{2, 1}, {0, 5}, {9, 4}});
        A.SAdd(Shift);
        B.SAdd(Shift);
        EXPECT_NEAR(double(A.Correlate(&B)), 0.5660629261090032, 1e-12);
    }
    N.Clone(&A);
    N.SMult(-2);
    EXPECT_NEAR(double(A.Correlate(&A)), 1, 1e-15);
    EXPECT_NEAR(double(A.Correlate(&N)), -1, 1e-15);
    K.Clone(&A);
    K.Fill(0.1);
    EXPECT_EQ(A.Correlate(&K), 0);  // constant data
    A.SetName("M");
    EXPECT_EQ(RaisedMessage<EQMRMatrixError>([&] { A.Correlate(nullptr); }), "Component \"M\": matrices do not match");
    K.Resize(3, 2);
    EXPECT_THROW(A.Correlate(&K), EQMRMatrixError);
}

TEST(MatrixDistances, ModesAndTheUserHandler) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 2}, {4, 6}, {0, 0}, {0, 0}, {3, 0}});
    using D = TDistMode;
    const std::tuple<D, int, int, double> Cases[] = {
        {D::dmManhattan, 1, 2, 7}, {D::dmEuclid, 1, 2, 5}, {D::dmEuclidSqr, 1, 2, 25},
        {D::dmTanimoto, 1, 2, 16.0 / 41},  // xy / (xx + yy - xy)
        {D::dmDice, 1, 2, 32.0 / 57},      // 2 xy / (xx + yy)
        {D::dmTanimoto, 3, 4, 0}, {D::dmDice, 3, 4, 0}, {D::dmTanimoto, 1, 1, 1},
        {D::dmManhattan, 5, 9, 3}, {D::dmEuclidSqr, 0, 2, 52},  // rows outside read as zeros
        {static_cast<D>(6), 1, 2, 0}, {D::dmUser, 1, 2, 0},      // no handler
    };
    for (auto [Mode, R1, R2, Want] : Cases)
        EXPECT_NEAR(double(M.DistanceOfObjects(Mode, R1, R2)), Want, 1e-15) << int(Mode) << R1 << R2;
    Vals Preset;
    M.OnCalcDistance = [&](TObject* S, std::int32_t A, std::int32_t B, double& Dist) {
        EXPECT_EQ(S, &M);
        Preset.push_back(Dist);
        Dist = A + 0.5 * B;
    };
    EXPECT_EQ(M.DistanceOfObjects(D::dmUser, 2, 3), 3.5);
    EXPECT_EQ(Preset, Vals{0});
    // The distance matrix asks for each pair once, in order.
    TMatrix DM(nullptr);
    M.Resize(2, 3);
    DM.Resize(3, 3);
    Preset.clear();
    ASSERT_EQ(M.CalcDistMat(D::dmUser, &DM), 0);
    EXPECT_EQ(Cells(DM), (Vals{0, 2, 2.5, 2, 0, 3.5, 2.5, 3.5, 0}));
    EXPECT_EQ(Preset.size(), 3u);
}

TEST(MatrixDistances, DistanceMatrixChecksOrderAndItself) {
    TMatrix X(nullptr), D(nullptr);
    SetRows(X, {{0, 0}, {3, 4}, {6, 8}});
    for (auto [C, R, Want] : {std::tuple{4, 3, -2}, {3, 4, -1}, {4, 4, -2}}) {
        D.ResizeAndClear(C, R);
        EXPECT_EQ(X.CalcDistMat(TDistMode::dmEuclid, &D), Want);
        EXPECT_EQ(Cells(D), Vals(static_cast<std::size_t>(C * R), 0.0));
    }
    EXPECT_EQ(X.CalcDistMat(TDistMode::dmEuclid, nullptr), -2);
    // Which cell each OnChange of D changed: row by row, diagonal first, (i, j) before (j, i).
    D.Resize(3, 3);
    D.Fill(-1);
    std::vector<int> Order;
    Vals Last = Cells(D);
    D.OnChange = [&](TObject*) {
        const Vals Now = Cells(D);
        for (std::size_t k = 0; k < Now.size(); ++k)
            if (Now[k] != Last[k]) Order.push_back(int(k / 3 + 1) * 10 + int(k % 3 + 1));
        Last = Now;
    };
    ASSERT_EQ(X.CalcDistMat(TDistMode::dmEuclid, &D), 0);
    EXPECT_EQ(Cells(D), (Vals{0, 5, 10, 5, 0, 5, 10, 5, 0}));
    EXPECT_EQ(Order, (std::vector<int>{11, 12, 21, 13, 31, 22, 23, 32, 33}));
    // Every built-in mode agrees with DistanceOfObjects, also into the matrix itself.
    TMatrix R(nullptr), E(nullptr), S(nullptr);
    RandomFill(R, 9, 9, 11);
    for (int Mode : {0, 1, 2, 3, 4, 6}) {
        const auto Md = static_cast<TDistMode>(Mode);
        E.ResizeAndClear(9, 9);
        ASSERT_EQ(R.CalcDistMat(Md, &E), 0);
        int Bad = 0;
        for (int i = 1; i <= 9; ++i)
            for (int j = 1; j <= 9; ++j) Bad += E.Elem(i, j) != (i == j ? 0.0 : double(R.DistanceOfObjects(Md, i, j)));
        EXPECT_EQ(Bad, 0) << Mode;
        S.Clone(&R);
        ASSERT_EQ(S.CalcDistMat(Md, &S), 0);
        EXPECT_EQ(Cells(S), Cells(E));
    }
}

TEST(MatrixHat, ProjectionOntoTheColumns) {
    TMatrix X(nullptr), H(nullptr), HH(nullptr), HX(nullptr);
    RandomFill(X, 3, 8, 51);
    int Ev = 0;
    CountChanges(X, Ev);
    ASSERT_TRUE(X.CalcHatMatrix(&H));
    EXPECT_EQ(Ev, 1);
    // Symmetric, idempotent, trace p and H X = X: the orthogonal projector onto X's columns.
    EXPECT_NEAR(double(H.Trace()), 3, 1e-12);
    ASSERT_TRUE(H.Multiply(&H, &HH) && H.Multiply(&X, &HX));
    ASSERT_EQ(H.NrOfColumns() * 100 + H.NrOfRows(), 808);
    double Err = 0;
    for (int i = 1; i <= 8; ++i)
        for (int j = 1; j <= 8; ++j)
            Err = std::max({Err, double(std::fabs(H.Elem(i, j) - H.Elem(j, i))), double(std::fabs(HH.Elem(i, j) - H.Elem(i, j))),
                            double(std::fabs(HX.Elem(j, i) - X.Elem(j, i)))});  // columns 4.. read 0 in both
    EXPECT_LT(Err, 1e-13);
    SetRows(X, {{1, 2}, {2, 4}, {3, 6}});  // collinear columns: X^T X is singular
    CountChanges(H, Ev);
    EXPECT_FALSE(X.CalcHatMatrix(&H));
    EXPECT_FALSE(X.CalcHatMatrix(nullptr));
    EXPECT_EQ(Ev, 0);
}

}  // namespace
