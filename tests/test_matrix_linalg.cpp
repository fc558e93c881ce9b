// TMatrix linear algebra: inversion, LU, determinant, Cholesky, balancing, norms, Diff.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace {

using qmr::test::Cells;

using qmr::AbortMathProc;
using qmr::Extended;
using qmr::ProcStat;
using qmr::TMatrix;
using qmr::TNormType;
using Vals = std::vector<double>;
using Rows = std::vector<Vals>;

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

// Loads a matrix given row by row.
void SetRows(TMatrix& M, const Rows& R) {
    M.Resize(R.empty() ? 0 : static_cast<int>(R[0].size()), static_cast<int>(R.size()));
    for (int r = 1; r <= M.NrOfRows(); ++r)
        for (int c = 1; c <= M.NrOfColumns(); ++c) M.SetElem(c, r, R[r - 1][c - 1]);
}

void Hilbert(TMatrix& M, int n) {
    M.Resize(n, n);
    for (int c = 1; c <= n; ++c)
        for (int r = 1; r <= n; ++r) M.SetElem(c, r, 1.0 / (r + c - 1));
}

std::int64_t Binom(int n, int k) {
    std::int64_t B = 1;
    for (int i = 1; i <= k; ++i) B = B * (n - k + i) / i;
    return B;
}

// Exact element (i, j) of the inverse of the Hilbert matrix of order n.
double HilbertInverse(int n, int i, int j) {
    const std::int64_t B = Binom(i + j - 2, i - 1), S = (i + j) % 2 == 0 ? 1 : -1;
    return double(S * (i + j - 1) * Binom(n + i - 1, n - j) * Binom(n + j - 1, n - i) * B * B);
}

// n x n values uniform in [Lo, Hi], integers when Integers is set.
void RandomMatrix(TMatrix& M, int n, unsigned Seed, bool Integers = false, int Lo = -1, int Hi = 1) {
    std::mt19937 Gen(Seed);
    std::uniform_real_distribution<double> U(Lo, Hi);
    std::uniform_int_distribution<int> I(Lo, Hi);
    M.Resize(n, n);
    for (int c = 1; c <= n; ++c)
        for (int r = 1; r <= n; ++r) M.SetElem(c, r, Integers ? I(Gen) : U(Gen));
}

// (A * B)(r, c) summed in long double.
long double Product(const TMatrix& A, const TMatrix& B, int r, int c) {
    long double S = 0;
    for (int k = 1; k <= A.NrOfColumns(); ++k) S += static_cast<long double>(A.Elem(k, r)) * B.Elem(c, k);
    return S;
}

// Plain Crout decomposition with scaled partial pivoting, one element at a time, in
// Extended: largest scaled magnitude wins, ties to the later row; pivots below 1e-100
// (or NaN) become 1e-100; multipliers by division. Only the first Columns columns are
// decomposed (all when negative). At(r, c) is row r, column c, from 0.
struct RefLU {
    std::vector<Extended> A;
    int n = 0;
    std::int32_t NumPerm = 1;
    bool ZeroRow = false, SmallPivot = false;
    Extended& At(int r, int c) { return A[static_cast<std::size_t>(c) * n + r]; }

    explicit RefLU(const TMatrix& M, int Columns = -1) : n(M.NrOfColumns()) {
        A.resize(static_cast<std::size_t>(n) * n);
        std::vector<Extended> Scale(n);
        for (int r = 0; r < n; ++r) {
            Extended Big = 0;
            for (int c = 0; c < n; ++c) {
                At(r, c) = M.Elem(c + 1, r + 1);
                if (std::fabs(At(r, c)) > Big) Big = std::fabs(At(r, c));
            }
            if (Big > 0) Scale[r] = 1 / Big;
            else ZeroRow = true;
        }
        for (int j = 0; !ZeroRow && j < (Columns < 0 ? n : Columns); ++j) {
            Extended Big = 0;
            int IMax = j;
            for (int i = 0; i < n; ++i) {
                Extended Sum = At(i, j);
                for (int k = 0; k < std::min(i, j); ++k) Sum -= At(i, k) * At(k, j);
                At(i, j) = Sum;
                if (i >= j && Scale[i] * std::fabs(Sum) >= Big) {
                    Big = Scale[i] * std::fabs(Sum);
                    IMax = i;
                }
            }
            if (IMax != j) {
                for (int c = 0; c < n; ++c) std::swap(At(IMax, c), At(j, c));
                std::swap(Scale[IMax], Scale[j]);
                NumPerm = -NumPerm;
            }
            if (!(std::fabs(At(j, j)) >= 1e-100)) {
                At(j, j) = static_cast<Extended>(1e-100);
                SmallPivot = true;
            }
            for (int i = j + 1; i < n; ++i) At(i, j) /= At(j, j);
        }
    }
    // Number of elements of M (combined factors) whose double differs from the reference.
    int Mismatches(const TMatrix& M) {
        int Bad = 0;
        for (int c = 0; c < n; ++c)
            for (int r = 0; r < n; ++r) {
                const double X = static_cast<double>(M.Elem(c + 1, r + 1)), Y = static_cast<double>(At(r, c));
                Bad += !(X == Y || (std::isnan(X) && std::isnan(Y)));
            }
        return Bad;
    }
};

// Feedback procedure that requests an abort when ProcStat reaches GStopAt.
int GStopAt = 0;
void StopAt(double P) {
    if (static_cast<int>(P) == GStopAt) AbortMathProc = true;
}

// Inverts M := copy of A, aborting at progress step Stop (at once when 0); counts M's events.
bool InvertAborting(const TMatrix& A, TMatrix& M, int Stop, int& Events) {
    M.Clone(&A);
    Events = 0;
    M.OnChange = [&Events](qmr::TObject*) { ++Events; };
    ProcStat = 0.0;
    AbortMathProc = Stop == 0;
    GStopAt = Stop;
    qmr::MathFeedBackProc = &StopAt;
    return M.Invert();
}

using MatrixProgress = qmr::test::ProgressFixture;

TEST_F(MatrixProgress, HilbertMatricesGiveTheirExactInverses) {
    for (int n = 1; n <= 7; ++n) {
        TMatrix M(nullptr);
        Hilbert(M, n);
        ASSERT_TRUE(M.Invert()) << n;
        double Tol = 0;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) Tol = std::max(Tol, 1e-6 * std::fabs(HilbertInverse(n, i, j)));
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) EXPECT_NEAR(M.Elem(j, i), HilbertInverse(n, i, j), Tol) << n;
    }
}

TEST_F(MatrixProgress, RandomMatricesReportTwoNStepsAndGiveTheIdentity) {
    for (int n : {2, 5, 63, 64, 65, 150}) {
        TMatrix A(nullptr), Inv(nullptr);
        RandomMatrix(A, n, 100u + static_cast<unsigned>(n));
        Inv.Clone(&A);
        ProcStat = 0.0;
        Calls().clear();
        ASSERT_TRUE(Inv.Invert()) << n;
        Vals Steps(2 * n);
        for (int k = 0; k < 2 * n; ++k) Steps[k] = k + 1;
        EXPECT_EQ(Calls(), Steps) << n;  // feedback gets ProcStat after each step
        for (int r = 1; r <= n; ++r)
            for (int c = 1; c <= n; ++c) ASSERT_NEAR(double(Product(A, Inv, r, c)), r == c, 1e-9) << n;
    }
}

TEST_F(MatrixProgress, SmallCasesEventsAndPivotFloor) {
    struct Case { Rows In; bool Ok; Vals Want; double Steps; };
    const Case Cases[] = {
        {{{4}}, true, {0.25}, 2},
        {{{0}}, false, {0}, 0},                     // zero row: unchanged
        {{{1e-100}}, true, {1 / 1e-100}, 2},        // the floor itself is a sound pivot
        {{{-9.9e-101}}, false, {1e-100}, 1},        // below it: floored, no substitution
        {{{0, 1}, {1, 0}}, true, {0, 1, 1, 0}, 4},  // its own inverse
        {{{1, 2, 3}, {0, 0, 0}, {4, 5, 7}}, false, {1, 0, 4, 2, 0, 5, 3, 0, 7}, 0},
        {{{1, 2}, {3, 4}, {5, 6}}, false, {1, 3, 5, 2, 4, 6}, -1},  // not square: no event
        {Rows{}, false, {}, -1},                                      // 0 x 0
    };
    for (const Case& K : Cases) {
        TMatrix M(nullptr);
        SetRows(M, K.In);
        int Ev = 0;
        M.OnChange = [&Ev](qmr::TObject*) { ++Ev; };
        ProcStat = 0.0;
        EXPECT_EQ(M.Invert(), K.Ok);
        EXPECT_EQ(Ev, K.Steps < 0 ? 0 : 1);
        EXPECT_EQ(ProcStat.load(), std::max(0.0, K.Steps));
        EXPECT_EQ(Cells(M), K.Want);
    }
}

TEST_F(MatrixProgress, AbortLeavesTheMatrixPartlyOrWhollyDecomposed) {
    // Before the start: unchanged. At column j: the columns before j hold their factors,
    // the others their values with the rows exchanged so far. While solving: the whole
    // factors. Across several blocks of columns; the flag stays set.
    const int n = 150;
    TMatrix A(nullptr), M(nullptr);
    RandomMatrix(A, n, 77);
    for (int Stop : {0, 1, 2, 40, 64, 65, 66, 129, 150, 151, 152, 300}) {
        int Ev = 0;
        EXPECT_FALSE(InvertAborting(A, M, Stop, Ev)) << Stop;
        EXPECT_TRUE(AbortMathProc.load());
        EXPECT_EQ(ProcStat.load(), Stop);
        EXPECT_EQ(Ev, 1);
        EXPECT_EQ(RefLU(A, std::clamp(Stop - 1, 0, n)).Mismatches(M), 0) << Stop;
    }
}

void ThrowFromHost(double) { throw std::runtime_error("host failure"); }

TEST_F(MatrixProgress, HostExceptionsBecomeMatrixErrors) {
    TMatrix M(nullptr);
    M.SetName("Inv");
    Hilbert(M, 3);
    qmr::MathFeedBackProc = &ThrowFromHost;
    try {
        M.Invert();
        FAIL() << "no exception";
    } catch (const qmr::EQMRMatrixError& E) {
        EXPECT_STREQ(E.what(), "Component \"Inv\": not enough memory on heap");
    }
    qmr::MathFeedBackProc = nullptr;
    Hilbert(M, 3);
    M.OnChange = [](qmr::TObject*) { throw 42; };
    EXPECT_THROW(M.Invert(), qmr::EQMRMatrixError);
}

TEST_F(MatrixProgress, NonFiniteDataEndsFalse) {
    TMatrix M(nullptr);
    for (double Bad : {NaN, Inf, -Inf})
        for (const Rows& R : {Rows{{Bad, 1, 2}, {3, Bad, 1}, {1, 1, Bad}}, Rows{{1, 2, 3}, {Bad, Bad, Bad}, {4, 5, 7}},
                              Rows{{Bad, Bad}, {Bad, Bad}}}) {
            SetRows(M, R);
            EXPECT_EQ(M.Determinant(), 0);
            EXPECT_FALSE(M.Invert());
        }
    SetRows(M, {{1, 1e308}, {1, -1e308}});  // finite, but the elimination overflows a double
    EXPECT_EQ(M.Determinant(), 0);
    EXPECT_FALSE(M.Invert());
    // No comparable candidate in a column: its row stays the pivot row (floored) and the
    // decomposition goes on; a NaN inside sound data is passed over until a later pivot.
    for (const Rows& R : {Rows{{NaN, 1}, {NaN, 2}}, Rows{{4, 1, 2}, {1, NaN, 3}, {2, 1, 5}}}) {
        SetRows(M, R);
        RefLU Ref(M);
        ASSERT_TRUE(Ref.SmallPivot);
        ProcStat = 0.0;
        EXPECT_FALSE(M.Invert());
        EXPECT_EQ(ProcStat.load(), Ref.n);
        EXPECT_EQ(Ref.Mismatches(M), 0);
    }
}

TEST_F(MatrixProgress, EqualRowsAreSingularWhateverTheirValues) {
    // 49 * (1 / 49) is not 1 in double: the multiplier must come from a division.
    TMatrix M(nullptr);
    SetRows(M, {{49, 1}, {49, 1}});
    EXPECT_EQ(M.Determinant(), 0);
    EXPECT_FALSE(M.Invert());
    EXPECT_EQ(M.Elem(2, 2), 1e-100);
    for (int n : {100, 150}) {  // two equal rows far apart, across column blocks
        RandomMatrix(M, n, 21u + static_cast<unsigned>(n));
        for (int c = 1; c <= n; ++c) M.SetElem(c, n - 1, M.Elem(c, 3));
        EXPECT_EQ(M.Determinant(), 0) << n;
        ProcStat = 0.0;
        EXPECT_FALSE(M.Invert()) << n;
        EXPECT_EQ(ProcStat.load(), n);
    }
}

TEST_F(MatrixProgress, FactorsEqualThePlainCroutAlgorithmBitForBit) {
    // Random values across column blocks; small integers full of equal scaled candidates;
    // two equal rows (one pivot floored); a rank-deficient matrix whose last rows are sums.
    TMatrix Cases[4] = {TMatrix(nullptr), TMatrix(nullptr), TMatrix(nullptr), TMatrix(nullptr)};
    RandomMatrix(Cases[0], 150, 11);
    RandomMatrix(Cases[1], 130, 5, true, -2, 2);
    SetRows(Cases[2], {{1, 2, 3}, {2, 1, 1}, {1, 2, 3}});
    RandomMatrix(Cases[3], 100, 9, true, -9, 9);
    for (int c = 1; c <= 100; ++c)
        for (int r = 91; r <= 100; ++r) Cases[3].SetElem(c, r, Cases[3].Elem(c, r - 90) + Cases[3].Elem(c, r - 89));
    for (TMatrix& A : Cases) {
        TMatrix L(nullptr), U(nullptr), M(nullptr), Zero(nullptr);
        RefLU R(A);
        const int n = R.n;
        std::int32_t NumPerm = 0;
        EXPECT_EQ(A.LUdecomposition(&L, &U, NumPerm), !R.SmallPivot) << n;
        EXPECT_EQ(NumPerm, R.NumPerm) << n;
        Zero.Resize(n, n);
        if (R.SmallPivot) {
            EXPECT_EQ(L.CRCofData(), Zero.CRCofData()) << n;  // L left all zeros
        } else {  // put the two factors back together
            for (int c = 1; c <= n; ++c)
                for (int r = c + 1; r <= n; ++r) U.SetElem(c, r, static_cast<double>(L.Elem(c, r)));
        }
        EXPECT_EQ(R.Mismatches(U), 0) << n;
        double Det = R.SmallPivot ? 0 : R.NumPerm;
        for (int k = 0; k < n; ++k) Det *= static_cast<double>(R.At(k, k));
        EXPECT_EQ(static_cast<double>(A.Determinant()), Det) << n;
        // Invert leaves the same factors at a small pivot, or aborted at its first solve.
        int Ev = 0;
        EXPECT_FALSE(InvertAborting(A, M, n + 1, Ev));
        EXPECT_EQ(ProcStat.load(), R.SmallPivot ? n : n + 1) << n;
        EXPECT_EQ(R.Mismatches(M), 0) << n;
    }
}

// ---------------------------------------------------------------- LU and determinant

TEST(MatrixLU, FactorsReproducePermutedRowsWithTheirParity) {
    for (int n : {1, 4, 9, 70}) {
        TMatrix A(nullptr), L(nullptr), U(nullptr);
        RandomMatrix(A, n, 40u + static_cast<unsigned>(n));
        std::int32_t NumPerm = 0;
        ASSERT_TRUE(A.LUdecomposition(&L, &U, NumPerm));
        ASSERT_EQ(L.NrOfColumns() + U.NrOfRows(), 2 * n);
        for (int c = 1; c <= n; ++c)
            for (int r = 1; r <= n; ++r) EXPECT_EQ(r < c ? L.Elem(c, r) : r == c ? L.Elem(c, r) - 1 : U.Elem(c, r), 0);
        std::vector<int> RowOf;  // row r of L*U is the distinct row RowOf[r] of A
        for (int r = 1; r <= n; ++r) {
            for (int q = 1; q <= n && int(RowOf.size()) < r; ++q) {
                bool Same = std::find(RowOf.begin(), RowOf.end(), q) == RowOf.end();
                for (int c = 1; c <= n && Same; ++c) Same = std::fabs(Product(L, U, r, c) - A.Elem(c, q)) < 1e-12;
                if (Same) RowOf.push_back(q);
            }
            ASSERT_EQ(int(RowOf.size()), r) << "n " << n;
        }
        int Inversions = 0;
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) Inversions += RowOf[i] > RowOf[j];
        EXPECT_EQ(NumPerm, Inversions % 2 == 0 ? 1 : -1) << n;
    }
}

TEST(MatrixLU, TiesGoToTheLaterRow) {
    TMatrix A(nullptr), L(nullptr), U(nullptr);
    SetRows(A, {{1, 0}, {1, 0.5}});  // equal scaled candidates in column 1
    std::int32_t NumPerm = 0;
    ASSERT_TRUE(A.LUdecomposition(&L, &U, NumPerm));
    EXPECT_EQ(NumPerm, -1);
    EXPECT_EQ(Cells(U), (Vals{1, 0, 0.5, -0.5}));
    EXPECT_DOUBLE_EQ(A.Determinant(), 0.5);
}

TEST(MatrixLU, RefusalsAndEvents) {
    TMatrix A(nullptr), L(nullptr), U(nullptr);
    std::int32_t NumPerm = 5;
    A.Resize(3, 2);
    EXPECT_FALSE(A.LUdecomposition(&L, &U, NumPerm));
    EXPECT_EQ(NumPerm, 1);
    EXPECT_EQ(A.Determinant(), 0);
    SetRows(A, {{2, 1}, {1, 3}});
    NumPerm = 5;
    EXPECT_FALSE(A.LUdecomposition(nullptr, &U, NumPerm));
    EXPECT_EQ(NumPerm, 1);
    EXPECT_FALSE(A.LUdecomposition(&L, nullptr, NumPerm));
    int AEv = 0, LEv = 0, UEv = 0;
    A.OnChange = [&](qmr::TObject*) { ++AEv; };
    L.OnChange = [&](qmr::TObject*) { ++LEv; };
    U.OnChange = [&](qmr::TObject*) { ++UEv; };
    // The lower factor aliasing the matrix or the upper one: refused, nothing touched.
    EXPECT_FALSE(A.LUdecomposition(&A, &U, NumPerm));
    EXPECT_FALSE(A.LUdecomposition(&L, &L, NumPerm));
    EXPECT_EQ(Cells(A), (Vals{2, 1, 1, 3}));
    EXPECT_EQ(AEv + LEv + UEv, 0);
    EXPECT_TRUE(A.LUdecomposition(&L, &U, NumPerm));
    EXPECT_EQ(LEv, 2);          // resized and cleared
    EXPECT_EQ(UEv, 1 + 4 + 1);  // a clone
    EXPECT_TRUE(A.LUdecomposition(&L, &A, NumPerm));  // the upper factor may be the matrix
    EXPECT_EQ(A.Elem(1, 2), 0);
}

TEST(MatrixLU, FactorsOrInversesBeyondDoubleAreFailures) {
    // Finite in an 80-bit work type but not as a stored double: False in both builds,
    // never a True result with an infinite element.
    auto AllFinite = [](const TMatrix& M) {
        const Vals V = Cells(M);
        return std::all_of(V.begin(), V.end(), [](double X) { return std::isfinite(X); });
    };
    TMatrix A(nullptr), L(nullptr), U(nullptr);
    SetRows(A, {{1e-90, 1e200}, {0, 1e-90}});  // the inverse holds -1e380
    EXPECT_FALSE(A.Invert());
    EXPECT_TRUE(AllFinite(A));  // the factors stay
    SetRows(A, {{1e300, 1}, {1e-10, 0}});  // the second row pivots: L holds 1e310
    std::int32_t NumPerm = 0;
    EXPECT_FALSE(A.LUdecomposition(&L, &U, NumPerm));
    EXPECT_EQ(Cells(L), Vals(4, 0.0));
    EXPECT_EQ(A.Determinant(), 0);
    EXPECT_FALSE(A.Invert());
}

TEST(MatrixLU, KnownDeterminants) {
    TMatrix M(nullptr);
    Hilbert(M, 4);
    EXPECT_NEAR(M.Determinant() * 6048000.0, 1.0, 1e-9);
    const double X[4] = {-1, 0.5, 2, 3};  // Vandermonde: product of the node differences
    double Expect = 1;
    M.Resize(4, 4);
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c) {
            M.SetElem(c, r, std::pow(X[r - 1], c - 1));
            if (c > r) Expect *= X[c - 1] - X[r - 1];
        }
    EXPECT_NEAR(M.Determinant(), Expect, 1e-12 * std::fabs(Expect));
    SetRows(M, {{0, 1}, {1, 0}});  // one row exchange
    EXPECT_EQ(M.Determinant(), -1);
    M.Resize(0, 0);
    EXPECT_EQ(M.Determinant(), 1);  // empty product
}

// ---------------------------------------------------------------- Cholesky

TEST(MatrixCholesky, KnownFactorsTransposeAboveAndEvents) {
    TMatrix A(nullptr), L(nullptr);
    SetRows(A, {{4, 2}, {2, 3}});
    int AEv = 0, LEv = 0;
    A.OnChange = [&](qmr::TObject*) { ++AEv; };
    L.OnChange = [&](qmr::TObject*) { ++LEv; };
    ASSERT_TRUE(A.CholeskyDecomp(&L));
    EXPECT_EQ(Cells(L), (Vals{2, 1, 0, std::sqrt(2.0)}));
    EXPECT_EQ(Cells(A), (Vals{4, 2, 1, 3}));  // (row 1, column 2) now holds L(2, 1)
    EXPECT_EQ(AEv, 0);
    EXPECT_EQ(LEv, 1 + 3);  // resize and one per written element
    // Only the lower triangle is read; the factor's upper cells keep what they held.
    SetRows(A, {{9, 1e6, -3}, {3, 5, 42}, {6, 0, 21}});  // lower part of [[9,3,6],[3,5,0],[6,0,21]]
    L.SetElem(2, 1, 7);
    ASSERT_TRUE(A.CholeskyDecomp(&L));
    EXPECT_EQ(Cells(L), (Vals{3, 1, 2, 7, 2, -1, 0, 0, 4}));
    EXPECT_EQ(Cells(A), (Vals{9, 3, 6, 1, 5, 0, 2, -1, 21}));
}

TEST(MatrixCholesky, RecoversTheFactorOfARandomProduct) {
    const int n = 12;
    TMatrix F(nullptr), A(nullptr), L(nullptr);
    RandomMatrix(F, n, 3);
    for (int c = 1; c <= n; ++c)  // lower triangular with a diagonal in [1, 2]
        for (int r = 1; r <= c; ++r) F.SetElem(c, r, r == c ? 1 + std::fabs(F.Elem(c, r)) : 0);
    A.Resize(n, n);
    for (int c = 1; c <= n; ++c)  // F * F^T
        for (int r = 1; r <= n; ++r) {
            long double S = 0;
            for (int k = 1; k <= n; ++k) S += static_cast<long double>(F.Elem(k, r)) * F.Elem(k, c);
            A.SetElem(c, r, static_cast<double>(S));
        }
    ASSERT_TRUE(A.CholeskyDecomp(&L));
    for (int c = 1; c <= n; ++c)
        for (int r = 1; r <= n; ++r) EXPECT_NEAR(L.Elem(c, r), F.Elem(c, r), 1e-12) << r << "," << c;
}

TEST(MatrixCholesky, RefusalsStopWithoutTouchingTheFactor) {
    TMatrix A(nullptr), L(nullptr);
    L.SetElem(1, 1, 77);
    SetRows(A, {{1, 2}, {2, 1}});  // indefinite: second pivot 1 - 4 < 0
    EXPECT_FALSE(A.CholeskyDecomp(&L));
    SetRows(A, {{0, 0}, {0, 1}});  // zero first pivot: nothing is divided by it
    EXPECT_FALSE(A.CholeskyDecomp(&L));
    EXPECT_EQ(A.Elem(2, 1), 0);
    EXPECT_FALSE(A.CholeskyDecomp(nullptr));
    A.Resize(2, 3);
    EXPECT_FALSE(A.CholeskyDecomp(&L));
    EXPECT_EQ(Cells(L), Vals{77});
}

// ---------------------------------------------------------------- Balance, norms, Diff

TEST(MatrixBalance, DiagonalUnchangedAndScalingPreservesSpectrum) {
    TMatrix M(nullptr);
    SetRows(M, {{3, 0, 0}, {0, -2, 0}, {0, 0, 5}});
    int Ev = 0;
    M.OnChange = [&](qmr::TObject*) { ++Ev; };
    EXPECT_TRUE(M.Balance());
    EXPECT_EQ(Cells(M), (Vals{3, 0, 0, 0, -2, 0, 0, 0, 5}));
    EXPECT_EQ(Ev, 0);
    SetRows(M, {{1, 1e4, 3}, {1e-4, 2, 1e-2}, {2, 1e3, 4}});
    const double Det = static_cast<double>(M.Determinant());
    EXPECT_TRUE(M.Balance());
    EXPECT_NEAR(M.Elem(1, 1) + M.Elem(2, 2) + M.Elem(3, 3), 7, 1e-12);
    EXPECT_NEAR(static_cast<double>(M.Determinant()), Det, 1e-9 * std::fabs(Det));
    for (int i = 1; i <= 3; ++i) {  // off-diagonal row and column sums now agree
        double R = 0, S = 0;
        for (int k = 1; k <= 3; ++k) {
            R += (k != i) * std::fabs(M.Elem(k, i));
            S += (k != i) * std::fabs(M.Elem(i, k));
        }
        EXPECT_LT(std::max(R / S, S / R), 1.3) << i;
    }
    M.Resize(3, 2);
    EXPECT_FALSE(M.Balance());
}

TEST(MatrixNorm, KnownNorms) {
    TMatrix M(nullptr);
    SetRows(M, {{1, -2}, {3, 4}});
    EXPECT_EQ(M.Norm(TNormType::ntColwise), 6);
    EXPECT_EQ(M.Norm(TNormType::ntRowwise), 7);
    EXPECT_NEAR(M.Norm(TNormType::ntFrobenius), std::sqrt(30.0), 1e-15);
    EXPECT_EQ(M.Norm(static_cast<TNormType>(9)), 0);
    // Spectral: the root of the largest eigenvalue of A^T A = [[10, 10], [10, 20]].
    EXPECT_NEAR(M.Norm(TNormType::ntSpectral), std::sqrt(15 + std::sqrt(125.0)), 1e-13);
    for (const auto& [R, Want] : {std::pair{Rows{{3, 0, 0}, {0, -7, 0}, {0, 0, 2}}, 7.0},
                                  {Rows{{3, 0}, {0, 4}, {0, 0}}, 4.0},  // more rows than columns
                                  {Rows{{3, 0, 0}, {0, 4, 0}}, 4.0},    // more columns than rows
                                  {Rows(3, Vals(4, 1)), 2 * std::sqrt(3.0)}}) {
        SetRows(M, R);
        EXPECT_NEAR(M.Norm(TNormType::ntSpectral), Want, 1e-13) << Want;
    }
    Hilbert(M, 4);  // symmetric positive definite: its largest eigenvalue
    EXPECT_NEAR(M.Norm(TNormType::ntSpectral), 1.5002142800592424, 1e-13);
    M.Resize(0, 3);
    for (TNormType T : {TNormType::ntColwise, TNormType::ntRowwise, TNormType::ntSpectral}) EXPECT_EQ(M.Norm(T), 0);
}

TEST_F(MatrixProgress, SpectralNormProgressAndAbort) {
    TMatrix M(nullptr);
    M.SetName("S");
    SetRows(M, {{1, 2, 0}, {0, 1, 3}});
    M.Norm(TNormType::ntSpectral);
    EXPECT_EQ(ProcStat.load(), 4 * 3);  // four phases, one step per column
    AbortMathProc = true;
    try {
        M.Norm(TNormType::ntSpectral);
        FAIL() << "no exception";
    } catch (const qmr::EQMRMatrixError& E) {
        EXPECT_STREQ(E.what(), "near singular covariance matrix");
    }
    EXPECT_EQ(ProcStat.load(), 13);
}

TEST(MatrixDiff, DifferencesOfSquares) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 10}, {4, 20}, {9, 40}, {16, 80}});
    int Ev = 0;
    M.OnChange = [&](qmr::TObject*) { ++Ev; };
    M.Diff(1);
    EXPECT_EQ(Cells(M), (Vals{3, 5, 7, 10, 20, 40}));
    EXPECT_EQ(Ev, 1);
    SetRows(M, {{1}, {4}, {9}, {16}, {25}});
    M.Diff(2);
    EXPECT_EQ(Cells(M), (Vals{2, 2, 2}));
    SetRows(M, {{1}, {4}, {9}, {16}, {25}});
    Ev = 0;
    for (int Order : {10, 11, 5, 0}) M.Diff(Order);
    EXPECT_EQ(M.NrOfRows(), 5);
    EXPECT_EQ(Ev, 0);
}

}  // namespace
