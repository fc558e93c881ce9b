// TMatrix linear algebra: inversion, LU, determinant, Cholesky, balancing, norms, Diff.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <limits>
#include <random>

namespace {

using qmr::TMatrix;
using qmr::TNormType;
using qmr::AbortMathProc;
using qmr::ProcStat;

// Loads a matrix given row by row.
void SetRows(TMatrix& M, const std::vector<std::vector<double>>& Rows) {
    const int R = static_cast<int>(Rows.size());
    const int C = static_cast<int>(Rows[0].size());
    M.Resize(C, R);
    for (int r = 1; r <= R; ++r)
        for (int c = 1; c <= C; ++c) M.SetElem(c, r, Rows[r - 1][c - 1]);
}

void Hilbert(TMatrix& M, int n) {
    M.Resize(n, n);
    for (int c = 1; c <= n; ++c)
        for (int r = 1; r <= n; ++r) M.SetElem(c, r, 1.0 / (r + c - 1));
}

std::int64_t Binom(int n, int k) {
    if (k < 0 || k > n) return 0;
    std::int64_t B = 1;
    for (int i = 1; i <= k; ++i) B = B * (n - k + i) / i;
    return B;
}

// Exact inverse of the Hilbert matrix of order n, element (i, j).
std::int64_t HilbertInverse(int n, int i, int j) {
    const std::int64_t S = ((i + j) % 2 == 0) ? 1 : -1;
    const std::int64_t B = Binom(i + j - 2, i - 1);
    return S * (i + j - 1) * Binom(n + i - 1, n - j) * Binom(n + j - 1, n - i) * B * B;
}

void RandomMatrix(TMatrix& M, int n, unsigned Seed) {
    std::mt19937 Gen(Seed);
    std::uniform_real_distribution<double> U(-1, 1);
    M.Resize(n, n);
    for (int c = 1; c <= n; ++c)
        for (int r = 1; r <= n; ++r) M.SetElem(c, r, U(Gen));
}

// Largest |(A * B - I)(i, j)|.
double DistanceFromIdentity(const TMatrix& A, const TMatrix& B) {
    const int n = A.NrOfColumns();
    double Worst = 0;
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c) {
            long double S = 0;
            for (int k = 1; k <= n; ++k) S += static_cast<long double>(A.Elem(k, r)) * B.Elem(c, k);
            Worst = std::max(Worst, static_cast<double>(std::fabs(S - (r == c ? 1 : 0))));
        }
    return Worst;
}

// Plain Crout decomposition with scaled partial pivoting, one element at a time, in
// Extended: the pivot with the largest scaled magnitude (ties to the later row), pivots
// below 1e-100 set to 1e-100, multipliers by division. A[c * n + r] is row r, column c.
struct RefLU {
    std::vector<qmr::Extended> A;
    int n = 0;
    std::int32_t NumPerm = 1;
    bool ZeroRow = false;
    bool SmallPivot = false;
    qmr::Extended& At(int r, int c) { return A[static_cast<std::size_t>(c) * n + r]; }
};

// Columns < 0: every column; else only the first Columns columns are decomposed.
RefLU RefCrout(const TMatrix& M, int Columns = -1) {
    using qmr::Extended;
    RefLU R;
    R.n = M.NrOfColumns();
    const int n = R.n;
    R.A.resize(static_cast<std::size_t>(n) * n);
    for (int c = 0; c < n; ++c)
        for (int r = 0; r < n; ++r) R.At(r, c) = M.Elem(c + 1, r + 1);
    std::vector<Extended> Scale(n);
    for (int r = 0; r < n; ++r) {
        Extended Big = 0;
        for (int c = 0; c < n; ++c)
            if (std::fabs(R.At(r, c)) > Big) Big = std::fabs(R.At(r, c));
        if (Big == 0) R.ZeroRow = true;
        else Scale[r] = 1 / Big;
    }
    if (R.ZeroRow) return R;
    for (int j = 0; j < (Columns < 0 ? n : Columns); ++j) {
        for (int i = 0; i < j; ++i) {
            Extended Sum = R.At(i, j);
            for (int k = 0; k < i; ++k) Sum -= R.At(i, k) * R.At(k, j);
            R.At(i, j) = Sum;
        }
        Extended Big = 0;
        int IMax = j;
        for (int i = j; i < n; ++i) {
            Extended Sum = R.At(i, j);
            for (int k = 0; k < j; ++k) Sum -= R.At(i, k) * R.At(k, j);
            R.At(i, j) = Sum;
            const Extended Dum = Scale[i] * std::fabs(Sum);
            if (Dum >= Big) {
                Big = Dum;
                IMax = i;
            }
        }
        if (IMax != j) {
            for (int c = 0; c < n; ++c) std::swap(R.At(IMax, c), R.At(j, c));
            std::swap(Scale[IMax], Scale[j]);
            R.NumPerm = -R.NumPerm;
        }
        if (!(std::fabs(R.At(j, j)) >= 1e-100)) {
            R.At(j, j) = static_cast<Extended>(1e-100);
            R.SmallPivot = true;
        }
        if (j != n - 1)
            for (int i = j + 1; i < n; ++i) R.At(i, j) /= R.At(j, j);
    }
    return R;
}

// Number of elements of M (combined factors) that differ in any bit from the reference
// stored as double.
int FactorMismatches(const TMatrix& M, RefLU& R) {
    int Bad = 0;
    for (int c = 0; c < R.n; ++c)
        for (int r = 0; r < R.n; ++r)
            if (static_cast<double>(M.Elem(c + 1, r + 1)) != static_cast<double>(R.At(r, c))) ++Bad;
    return Bad;
}

// Matrices whose Crout factors must come out exactly: random values across several
// blocks of columns, small integers full of equal scaled candidates, and a rank-deficient
// integer matrix whose later rows are sums of earlier ones.
std::vector<std::pair<std::string, std::function<void(TMatrix&)>>> ExactCases() {
    return {
        {"random150", [](TMatrix& M) { RandomMatrix(M, 150, 11); }},
        {"ties130",
         [](TMatrix& M) {
             std::mt19937 Gen(5);
             std::uniform_int_distribution<int> U(-2, 2);
             M.Resize(130, 130);
             for (int c = 1; c <= 130; ++c)
                 for (int r = 1; r <= 130; ++r) M.SetElem(c, r, U(Gen));
         }},
        {"rank100",
         [](TMatrix& M) {
             std::mt19937 Gen(9);
             std::uniform_int_distribution<int> U(-9, 9);
             M.Resize(100, 100);
             for (int c = 1; c <= 100; ++c)
                 for (int r = 1; r <= 100; ++r)
                     M.SetElem(c, r, r <= 90 ? U(Gen) : M.Elem(c, r - 90) + M.Elem(c, r - 89));
         }},
    };
}

struct Counter {
    int Count = 0;
    void Attach(TMatrix& M) {
        M.OnChange = [this](qmr::TObject*) { ++Count; };
    }
};

using InvertProgress = qmr::test::ProgressFixture;

// Feedback procedure that requests an abort when ProcStat reaches GStopAt.
namespace abort_at {
int GStopAt = 0;
void StopAt(double P) {
    if (static_cast<int>(P) == GStopAt) qmr::AbortMathProc = true;
}
}  // namespace abort_at

// ---------------------------------------------------------------- Invert

TEST_F(InvertProgress, HilbertMatricesInvertToTheirExactInverses) {
    for (int n = 1; n <= 7; ++n) {
        TMatrix M(nullptr);
        Hilbert(M, n);
        ASSERT_TRUE(M.Invert()) << n;
        double Largest = 0;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) Largest = std::max(Largest, std::fabs(double(HilbertInverse(n, i, j))));
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j)
                EXPECT_NEAR(M.Elem(j, i), double(HilbertInverse(n, i, j)), Largest * 1e-6) << n << " " << i << j;
    }
}

TEST_F(InvertProgress, SmallCasesAndEvents) {
    TMatrix M(nullptr);
    Counter Ev;
    Ev.Attach(M);
    M.SetElem(1, 1, 4);
    Ev.Count = 0;
    EXPECT_TRUE(M.Invert());
    EXPECT_EQ(M.Elem(1, 1), 0.25);
    EXPECT_EQ(Ev.Count, 1);
    M.SetElem(1, 1, 0);
    Ev.Count = 0;
    EXPECT_FALSE(M.Invert());
    EXPECT_EQ(M.Elem(1, 1), 0);
    EXPECT_EQ(Ev.Count, 1);
    M.Resize(2, 3);
    Ev.Count = 0;
    ProcStat = 0.0;
    EXPECT_FALSE(M.Invert());
    EXPECT_EQ(Ev.Count, 0);
    EXPECT_EQ(ProcStat.load(), 0);
    M.Resize(0, 0);
    EXPECT_FALSE(M.Invert());
    EXPECT_EQ(Ev.Count, 1);  // the resize only
}

TEST_F(InvertProgress, PivotFloorIsStrict) {
    // 1e-100 itself is a sound pivot; anything smaller is replaced by it.
    TMatrix M(nullptr);
    M.SetElem(1, 1, 1e-100);
    EXPECT_TRUE(M.Invert());
    EXPECT_DOUBLE_EQ(M.Elem(1, 1), 1e100);
    M.SetElem(1, 1, -9.9e-101);
    ProcStat = 0.0;
    EXPECT_FALSE(M.Invert());
    EXPECT_EQ(M.Elem(1, 1), 1e-100);
    EXPECT_EQ(ProcStat.load(), 1);
}

TEST_F(InvertProgress, ExchangeMatrixIsItsOwnInverse) {
    TMatrix M(nullptr);
    SetRows(M, {{0, 1}, {1, 0}});
    EXPECT_TRUE(M.Invert());
    EXPECT_EQ(M.Elem(1, 1), 0);
    EXPECT_EQ(M.Elem(2, 1), 1);
    EXPECT_EQ(M.Elem(1, 2), 1);
    EXPECT_EQ(M.Elem(2, 2), 0);
    SetRows(M, {{0, 1}, {1, 0}});
    EXPECT_EQ(M.Determinant(), -1);
}

TEST_F(InvertProgress, RandomMatricesAcrossBlockSizes) {
    for (int n : {2, 5, 63, 64, 65, 150}) {
        TMatrix A(nullptr), Inv(nullptr);
        RandomMatrix(A, n, 100u + static_cast<unsigned>(n));
        Inv.Clone(&A);
        ProcStat = 0.0;
        Calls().clear();
        ASSERT_TRUE(Inv.Invert()) << n;
        EXPECT_EQ(ProcStat.load(), 2.0 * n);
        ASSERT_EQ(Calls().size(), static_cast<std::size_t>(2 * n));
        for (std::size_t k = 0; k < Calls().size(); ++k) EXPECT_EQ(Calls()[k], double(k + 1));
        EXPECT_LT(DistanceFromIdentity(A, Inv), 1e-9) << n;
        EXPECT_LT(DistanceFromIdentity(Inv, A), 1e-9) << n;
    }
}

TEST_F(InvertProgress, ZeroRowLeavesMatrixUnchanged) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 2, 3}, {0, 0, 0}, {4, 5, 7}});
    const std::string Before = M.CRCofData();
    Counter Ev;
    Ev.Attach(M);
    EXPECT_FALSE(M.Invert());
    EXPECT_EQ(M.CRCofData(), Before);
    EXPECT_EQ(Ev.Count, 1);
    EXPECT_EQ(ProcStat.load(), 0);
    EXPECT_EQ(M.Determinant(), 0);
}

TEST_F(InvertProgress, EqualRowsLeaveFactorsWithFlooredPivot) {
    TMatrix M(nullptr), L(nullptr), U(nullptr);
    SetRows(M, {{1, 2, 3}, {2, 1, 1}, {1, 2, 3}});
    std::int32_t NumPerm = 0;
    EXPECT_FALSE(M.LUdecomposition(&L, &U, NumPerm));
    EXPECT_EQ(M.Determinant(), 0);
    TMatrix Copy(nullptr);
    Copy.Clone(&M);
    EXPECT_FALSE(Copy.Invert());
    EXPECT_EQ(ProcStat.load(), 3);  // decomposition only, no substitution
    int Floored = 0;
    for (int k = 1; k <= 3; ++k)
        if (Copy.Elem(k, k) == 1e-100) ++Floored;
    EXPECT_EQ(Floored, 1);
    // The factors reproduce the rows of the matrix in some order.
    for (int r = 1; r <= 3; ++r) {
        double Row[3];
        for (int c = 1; c <= 3; ++c) {
            long double S = 0;
            for (int k = 1; k <= std::min(r, c); ++k) S += (k == r ? 1.0L : Copy.Elem(k, r)) * Copy.Elem(c, k);
            Row[c - 1] = static_cast<double>(S);
        }
        bool Found = false;
        for (int q = 1; q <= 3 && !Found; ++q)
            Found = std::fabs(Row[0] - M.Elem(1, q)) < 1e-12 && std::fabs(Row[1] - M.Elem(2, q)) < 1e-12 &&
                    std::fabs(Row[2] - M.Elem(3, q)) < 1e-12;
        EXPECT_TRUE(Found) << "row " << r;
    }
    // The combined factors of the failed decomposition are what Invert leaves.
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 3; ++r) EXPECT_DOUBLE_EQ(U.Elem(c, r), Copy.Elem(c, r));
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 3; ++r) EXPECT_EQ(L.Elem(c, r), 0);
}

TEST_F(InvertProgress, AbortBeforeStartLeavesMatrixUnchanged) {
    TMatrix M(nullptr);
    Hilbert(M, 4);
    const std::string Before = M.CRCofData();
    Counter Ev;
    Ev.Attach(M);
    AbortMathProc = true;
    EXPECT_FALSE(M.Invert());
    EXPECT_EQ(M.CRCofData(), Before);
    EXPECT_EQ(Ev.Count, 1);
    EXPECT_EQ(ProcStat.load(), 0);
    EXPECT_TRUE(AbortMathProc.load());  // never cleared by the library
}

TEST_F(InvertProgress, AbortDuringDecompositionOrSubstitution) {
    const int n = 5;
    TMatrix A(nullptr);
    RandomMatrix(A, n, 7);
    for (int Stop = 1; Stop <= 2 * n; ++Stop) {
        TMatrix M(nullptr);
        M.Clone(&A);
        ProcStat = 0.0;
        AbortMathProc = false;
        abort_at::GStopAt = Stop;
        qmr::MathFeedBackProc = &abort_at::StopAt;
        Counter Ev;
        Ev.Attach(M);
        EXPECT_FALSE(M.Invert()) << Stop;
        EXPECT_EQ(ProcStat.load(), Stop);
        EXPECT_EQ(Ev.Count, 1);
        if (Stop > n) {
            // Aborted while solving: the matrix holds its complete LU factors.
            TMatrix L(nullptr), U(nullptr);
            std::int32_t NumPerm = 0;
            AbortMathProc = false;
            ASSERT_TRUE(A.LUdecomposition(&L, &U, NumPerm));
            for (int c = 1; c <= n; ++c)
                for (int r = 1; r <= n; ++r)
                    EXPECT_NEAR(M.Elem(c, r), r > c ? L.Elem(c, r) : U.Elem(c, r), 1e-12) << Stop;
        }
    }
    AbortMathProc = false;
}

TEST_F(InvertProgress, AbortDuringDecompositionLeavesTheColumnsDoneSoFar) {
    // Columns before the abort hold their factors, the others their original values with
    // the rows exchanged so far, across several blocks of columns.
    const int n = 150;
    TMatrix A(nullptr);
    RandomMatrix(A, n, 77);
    for (int Stop : {1, 2, 40, 64, 65, 66, 129, 150}) {
        TMatrix M(nullptr);
        M.Clone(&A);
        ProcStat = 0.0;
        AbortMathProc = false;
        abort_at::GStopAt = Stop;
        qmr::MathFeedBackProc = &abort_at::StopAt;
        EXPECT_FALSE(M.Invert()) << Stop;
        EXPECT_EQ(ProcStat.load(), Stop);
        RefLU R = RefCrout(A, Stop - 1);
        EXPECT_EQ(FactorMismatches(M, R), 0) << Stop;
    }
    AbortMathProc = false;
}

namespace throwing {
void Throw(double) { throw std::runtime_error("host failure"); }
}  // namespace throwing

TEST_F(InvertProgress, HostExceptionsBecomeMatrixErrors) {
    TMatrix M(nullptr);
    M.SetName("Inv");
    Hilbert(M, 3);
    qmr::MathFeedBackProc = &throwing::Throw;
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

TEST_F(InvertProgress, NonFiniteDataEndsFalse) {
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    const double Inf = std::numeric_limits<double>::infinity();
    for (double Bad : {NaN, Inf, -Inf}) {
        TMatrix M(nullptr);
        SetRows(M, {{Bad, 1, 2}, {3, Bad, 1}, {1, 1, Bad}});
        EXPECT_FALSE(M.Invert());
        SetRows(M, {{1, 2, 3}, {Bad, Bad, Bad}, {4, 5, 7}});
        EXPECT_FALSE(M.Invert());
        SetRows(M, {{Bad, Bad}, {Bad, Bad}});
        EXPECT_FALSE(M.Invert());
        EXPECT_EQ(M.Determinant(), 0);
    }
    // Finite data whose elimination overflows the stored double (second pivot
    // -1e308 - 1e308) is a failure in both builds.
    TMatrix M(nullptr);
    SetRows(M, {{1, 1e308}, {1, -1e308}});
    EXPECT_FALSE(M.Invert());
    SetRows(M, {{1, 1e308}, {1, -1e308}});
    EXPECT_EQ(M.Determinant(), 0);
}

TEST_F(InvertProgress, NaNColumnKeepsTheCurrentRowAndGoesOn) {
    // No candidate of column 1 compares, so row 1 stays the pivot row: it is floored, and
    // so is the second pivot (2 - NaN * 1); the decomposition runs to its end.
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    TMatrix M(nullptr);
    SetRows(M, {{NaN, 1}, {NaN, 2}});
    Counter Ev;
    Ev.Attach(M);
    EXPECT_FALSE(M.Invert());
    EXPECT_EQ(ProcStat.load(), 2);
    EXPECT_EQ(Ev.Count, 1);
    EXPECT_EQ(M.Elem(1, 1), 1e-100);
    EXPECT_EQ(M.Elem(2, 1), 1);
    EXPECT_TRUE(std::isnan(M.Elem(1, 2)));
    EXPECT_EQ(M.Elem(2, 2), 1e-100);
    // A NaN inside otherwise sound data also ends False, with the factors left in place.
    // Pivots: row 1 (4), then row 3 (0.5, the NaN of row 2 never compares), then row 2
    // whose NaN reaches the last pivot.
    SetRows(M, {{4, 1, 2}, {1, NaN, 3}, {2, 1, 5}});
    ProcStat = 0.0;
    EXPECT_FALSE(M.Invert());
    EXPECT_EQ(ProcStat.load(), 3);
    EXPECT_EQ(M.Elem(1, 1), 4);
    EXPECT_EQ(M.Elem(1, 2), 0.5);
    EXPECT_EQ(M.Elem(1, 3), 0.25);
    EXPECT_EQ(M.Elem(2, 2), 0.5);
    EXPECT_EQ(M.Elem(3, 2), 4);
    EXPECT_EQ(M.Elem(3, 3), 1e-100);
}

TEST_F(InvertProgress, EqualRowsAreSingularWhateverTheirValues) {
    // 49 * (1 / 49) is not 1 in double: the multiplier must come from a division.
    TMatrix M(nullptr);
    SetRows(M, {{49, 1}, {49, 1}});
    EXPECT_EQ(M.Determinant(), 0);
    EXPECT_FALSE(M.Invert());
    EXPECT_EQ(M.Elem(2, 2), 1e-100);
    // Two equal rows far apart in a matrix of several column blocks.
    for (int n : {100, 150}) {
        TMatrix A(nullptr);
        RandomMatrix(A, n, 21u + static_cast<unsigned>(n));
        for (int c = 1; c <= n; ++c) A.SetElem(c, n - 1, A.Elem(c, 3));
        EXPECT_EQ(A.Determinant(), 0) << n;
        ProcStat = 0.0;
        EXPECT_FALSE(A.Invert()) << n;
        EXPECT_EQ(ProcStat.load(), n);
    }
}

TEST_F(InvertProgress, FactorsEqualThePlainCroutAlgorithmBitForBit) {
    for (auto& [Name, Make] : ExactCases()) {
        TMatrix A(nullptr), L(nullptr), U(nullptr);
        Make(A);
        RefLU R = RefCrout(A);
        ASSERT_FALSE(R.ZeroRow) << Name;
        const int n = R.n;
        std::int32_t NumPerm = 0;
        const bool Ok = A.LUdecomposition(&L, &U, NumPerm);
        EXPECT_EQ(Ok, !R.SmallPivot) << Name;
        EXPECT_EQ(NumPerm, R.NumPerm) << Name;
        if (Ok) {
            // Put the two factors back together.
            for (int c = 1; c <= n; ++c)
                for (int r = c + 1; r <= n; ++r) U.SetElem(c, r, static_cast<double>(L.Elem(c, r)));
        }
        EXPECT_EQ(FactorMismatches(U, R), 0) << Name;
        // The determinant is the parity times the product of the diagonal, in double.
        double Prod = 1;
        for (int k = 0; k < n; ++k) Prod *= static_cast<double>(R.At(k, k));
        EXPECT_EQ(static_cast<double>(A.Determinant()), R.SmallPivot ? 0.0 : R.NumPerm * Prod) << Name;
        // Invert leaves the same factors when it stops before the substitution result is
        // stored: at a small pivot, or when aborted at its first substitution step.
        TMatrix M(nullptr);
        M.Clone(&A);
        ProcStat = 0.0;
        AbortMathProc = false;
        abort_at::GStopAt = n + 1;
        qmr::MathFeedBackProc = &abort_at::StopAt;
        EXPECT_FALSE(M.Invert()) << Name;
        EXPECT_EQ(ProcStat.load(), R.SmallPivot ? n : n + 1) << Name;
        EXPECT_EQ(FactorMismatches(M, R), 0) << Name;
        qmr::MathFeedBackProc = &Record;
        AbortMathProc = false;
    }
}

// ---------------------------------------------------------------- LU and determinant

TEST(MatrixLU, FactorsReproducePermutedRows) {
    for (int n : {1, 4, 9, 70}) {
        TMatrix A(nullptr), L(nullptr), U(nullptr);
        RandomMatrix(A, n, 40u + static_cast<unsigned>(n));
        std::int32_t NumPerm = 0;
        ASSERT_TRUE(A.LUdecomposition(&L, &U, NumPerm));
        ASSERT_EQ(L.NrOfColumns(), n);
        ASSERT_EQ(U.NrOfRows(), n);
        for (int c = 1; c <= n; ++c)
            for (int r = 1; r <= n; ++r) {
                if (r < c) {
                    EXPECT_EQ(L.Elem(c, r), 0);
                } else if (r == c) {
                    EXPECT_EQ(L.Elem(c, r), 1);
                } else {
                    EXPECT_EQ(U.Elem(c, r), 0);
                }
            }
        // Row r of L*U must be a distinct row of A; the permutation's parity is NumPerm.
        std::vector<int> RowOf(n, -1);
        std::vector<bool> Used(n, false);
        for (int r = 1; r <= n; ++r) {
            std::vector<double> P(n);
            for (int c = 1; c <= n; ++c) {
                long double S = 0;
                for (int k = 1; k <= n; ++k) S += static_cast<long double>(L.Elem(k, r)) * U.Elem(c, k);
                P[c - 1] = static_cast<double>(S);
            }
            for (int q = 0; q < n && RowOf[r - 1] < 0; ++q) {
                if (Used[q]) continue;
                bool Same = true;
                for (int c = 1; c <= n && Same; ++c) Same = std::fabs(P[c - 1] - A.Elem(c, q + 1)) < 1e-12;
                if (Same) {
                    RowOf[r - 1] = q;
                    Used[q] = true;
                }
            }
            ASSERT_GE(RowOf[r - 1], 0) << "n " << n << " row " << r;
        }
        int Inversions = 0;
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                if (RowOf[i] > RowOf[j]) ++Inversions;
        EXPECT_EQ(NumPerm, Inversions % 2 == 0 ? 1 : -1) << n;
    }
}

TEST(MatrixLU, TiesGoToTheLaterRow) {
    TMatrix A(nullptr), L(nullptr), U(nullptr);
    SetRows(A, {{1, 0}, {1, 0.5}});  // equal scaled candidates in column 1
    std::int32_t NumPerm = 0;
    ASSERT_TRUE(A.LUdecomposition(&L, &U, NumPerm));
    EXPECT_EQ(NumPerm, -1);
    EXPECT_EQ(U.Elem(1, 1), 1);
    EXPECT_EQ(U.Elem(2, 1), 0.5);
    EXPECT_EQ(U.Elem(2, 2), -0.5);
    EXPECT_EQ(L.Elem(1, 2), 1);
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
    // Aliasing the lower factor with the matrix or with the upper one is refused untouched.
    const std::string Before = A.CRCofData();
    int Events = 0;
    A.OnChange = [&](qmr::TObject*) { ++Events; };
    EXPECT_FALSE(A.LUdecomposition(&A, &U, NumPerm));
    EXPECT_FALSE(A.LUdecomposition(&L, &L, NumPerm));
    EXPECT_EQ(A.CRCofData(), Before);
    EXPECT_EQ(Events, 0);
    A.OnChange = nullptr;
    // The upper factor is a clone (one event per element and one more); the lower one
    // is resized and cleared.
    int LEvents = 0, UEvents = 0;
    L.OnChange = [&](qmr::TObject*) { ++LEvents; };
    U.OnChange = [&](qmr::TObject*) { ++UEvents; };
    EXPECT_TRUE(A.LUdecomposition(&L, &U, NumPerm));
    EXPECT_EQ(LEvents, 2);
    EXPECT_EQ(UEvents, 1 + 4 + 1);
    // The upper factor may be the matrix itself.
    EXPECT_TRUE(A.LUdecomposition(&L, &A, NumPerm));
    EXPECT_EQ(A.Elem(1, 2), 0);
}

TEST(MatrixLU, KnownDeterminants) {
    TMatrix M(nullptr);
    Hilbert(M, 3);
    EXPECT_NEAR(M.Determinant(), 1.0 / 2160, 1e-15);
    Hilbert(M, 4);
    EXPECT_NEAR(M.Determinant() * 6048000.0, 1.0, 1e-9);
    // Vandermonde: product of the differences of the nodes.
    const double X[4] = {-1, 0.5, 2, 3};
    M.Resize(4, 4);
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c) M.SetElem(c, r, std::pow(X[r - 1], c - 1));
    double Expect = 1;
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j) Expect *= X[j] - X[i];
    EXPECT_NEAR(M.Determinant(), Expect, 1e-12 * std::fabs(Expect));
    SetRows(M, {{2, 0, 0}, {5, -3, 0}, {1, 7, 4}});
    EXPECT_NEAR(M.Determinant(), -24, 1e-13);
    M.Resize(0, 0);
    EXPECT_EQ(M.Determinant(), 1);  // empty product
}

// ---------------------------------------------------------------- Cholesky

TEST(MatrixCholesky, KnownFactorAndTransposeWrittenAbove) {
    TMatrix A(nullptr), L(nullptr);
    SetRows(A, {{4, 2}, {2, 3}});
    int AEvents = 0, LEvents = 0;
    A.OnChange = [&](qmr::TObject*) { ++AEvents; };
    L.OnChange = [&](qmr::TObject*) { ++LEvents; };
    ASSERT_TRUE(A.CholeskyDecomp(&L));
    EXPECT_EQ(L.Elem(1, 1), 2);
    EXPECT_EQ(L.Elem(1, 2), 1);
    EXPECT_DOUBLE_EQ(L.Elem(2, 2), std::sqrt(2.0));
    EXPECT_EQ(L.Elem(2, 1), 0);
    EXPECT_EQ(A.Elem(2, 1), 1);  // element (row 1, column 2) now holds L(2, 1)
    EXPECT_EQ(AEvents, 0);
    EXPECT_EQ(LEvents, 1 + 3);  // resize and one per written element
}

TEST(MatrixCholesky, ReadsOnlyTheLowerTriangleAndKeepsTheFactorsUpperPart) {
    // Only the diagonal and the elements below it are read: the upper triangle may hold
    // anything. The factor's cells above its diagonal keep what they held.
    TMatrix A(nullptr), L(nullptr);
    SetRows(A, {{9, 1e6, -3}, {3, 5, 42}, {6, 0, 21}});  // lower part of [[9,3,6],[3,5,0],[6,0,21]]
    L.Resize(2, 2);
    L.SetElem(2, 1, 7);
    L.SetElem(3, 1, 8);  // outside the 2 x 2 extent: dropped
    ASSERT_TRUE(A.CholeskyDecomp(&L));
    EXPECT_EQ(L.Elem(1, 1), 3);
    EXPECT_EQ(L.Elem(1, 2), 1);
    EXPECT_EQ(L.Elem(1, 3), 2);
    EXPECT_EQ(L.Elem(2, 2), 2);
    EXPECT_EQ(L.Elem(2, 3), -1);
    EXPECT_EQ(L.Elem(3, 3), 4);
    EXPECT_EQ(L.Elem(2, 1), 7);  // kept
    EXPECT_EQ(L.Elem(3, 1), 0);  // newly grown
    EXPECT_EQ(L.Elem(3, 2), 0);
    // The transposed factor went into the matrix's upper triangle.
    EXPECT_EQ(A.Elem(2, 1), 1);
    EXPECT_EQ(A.Elem(3, 1), 2);
    EXPECT_EQ(A.Elem(3, 2), -1);
}

TEST(MatrixCholesky, RandomSymmetricPositiveDefinite) {
    const int n = 12;
    TMatrix B(nullptr), A(nullptr), L(nullptr);
    RandomMatrix(B, n, 3);
    A.Resize(n, n);
    for (int c = 1; c <= n; ++c)
        for (int r = 1; r <= n; ++r) {
            long double S = (r == c) ? 1 : 0;
            for (int k = 1; k <= n; ++k) S += static_cast<long double>(B.Elem(r, k)) * B.Elem(c, k);
            A.SetElem(c, r, static_cast<double>(S));
        }
    TMatrix Orig(nullptr);
    Orig.Clone(&A);
    ASSERT_TRUE(A.CholeskyDecomp(&L));
    for (int c = 1; c <= n; ++c)
        for (int r = 1; r <= n; ++r) {
            long double S = 0;
            for (int k = 1; k <= n; ++k) S += static_cast<long double>(L.Elem(k, r)) * L.Elem(k, c);
            EXPECT_NEAR(static_cast<double>(S), Orig.Elem(c, r), 1e-12 * n);
        }
}

TEST(MatrixCholesky, RefusalsStopWithoutTouchingTheFactor) {
    TMatrix A(nullptr), L(nullptr);
    L.Resize(1, 1);
    L.SetElem(1, 1, 77);
    SetRows(A, {{1, 2}, {2, 1}});  // indefinite: second pivot 1 - 4 < 0
    EXPECT_FALSE(A.CholeskyDecomp(&L));
    EXPECT_EQ(L.NrOfColumns(), 1);
    EXPECT_EQ(L.Elem(1, 1), 77);
    SetRows(A, {{0, 0}, {0, 1}});  // zero first pivot: nothing is divided by it
    EXPECT_FALSE(A.CholeskyDecomp(&L));
    EXPECT_EQ(A.Elem(2, 1), 0);
    EXPECT_FALSE(A.CholeskyDecomp(nullptr));
    A.Resize(2, 3);
    EXPECT_FALSE(A.CholeskyDecomp(&L));
    EXPECT_EQ(L.Elem(1, 1), 77);
}

// ---------------------------------------------------------------- Balance

TEST(MatrixBalance, DiagonalUnchangedAndScalingPreservesSpectrum) {
    TMatrix M(nullptr);
    SetRows(M, {{3, 0, 0}, {0, -2, 0}, {0, 0, 5}});
    const std::string Before = M.CRCofData();
    int Events = 0;
    M.OnChange = [&](qmr::TObject*) { ++Events; };
    EXPECT_TRUE(M.Balance());
    EXPECT_EQ(M.CRCofData(), Before);
    EXPECT_EQ(Events, 0);

    SetRows(M, {{1, 1e4, 3}, {1e-4, 2, 1e-2}, {2, 1e3, 4}});
    const double Det = static_cast<double>(M.Determinant());
    EXPECT_TRUE(M.Balance());
    EXPECT_NEAR(M.Elem(1, 1) + M.Elem(2, 2) + M.Elem(3, 3), 7, 1e-12);
    EXPECT_NEAR(static_cast<double>(M.Determinant()), Det, 1e-9 * std::fabs(Det));
    // Off-diagonal row and column sums now agree within the stopping factor.
    for (int i = 1; i <= 3; ++i) {
        double R = 0, S = 0;
        for (int k = 1; k <= 3; ++k)
            if (k != i) {
                R += std::fabs(M.Elem(k, i));
                S += std::fabs(M.Elem(i, k));
            }
        EXPECT_LT(std::max(R / S, S / R), 1.3) << i;
    }
    M.Resize(3, 2);
    EXPECT_FALSE(M.Balance());
}

// ---------------------------------------------------------------- norms

TEST(MatrixNorm, KnownNorms) {
    TMatrix M(nullptr);
    SetRows(M, {{1, -2}, {3, 4}});
    EXPECT_EQ(M.Norm(TNormType::ntColwise), 6);
    EXPECT_EQ(M.Norm(TNormType::ntRowwise), 7);
    EXPECT_NEAR(M.Norm(TNormType::ntFrobenius), std::sqrt(30.0), 1e-15);
    // Largest singular value: square root of the largest eigenvalue of A^T A = [[10, 10], [10, 20]].
    EXPECT_NEAR(M.Norm(TNormType::ntSpectral), std::sqrt(15 + std::sqrt(125.0)), 1e-13);
    SetRows(M, {{3, 0, 0}, {0, -7, 0}, {0, 0, 2}});
    EXPECT_NEAR(M.Norm(TNormType::ntSpectral), 7, 1e-14);
    SetRows(M, {{3, 0}, {0, 4}, {0, 0}});  // more rows than columns
    EXPECT_NEAR(M.Norm(TNormType::ntSpectral), 4, 1e-14);
    SetRows(M, {{3, 0, 0}, {0, 4, 0}});  // more columns than rows
    EXPECT_NEAR(M.Norm(TNormType::ntSpectral), 4, 1e-14);
    SetRows(M, {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}});  // rank one: 2 * sqrt(3)
    EXPECT_NEAR(M.Norm(TNormType::ntSpectral), 2 * std::sqrt(3.0), 1e-13);
    EXPECT_EQ(M.Norm(static_cast<TNormType>(9)), 0);
    M.Resize(0, 3);
    EXPECT_EQ(M.Norm(TNormType::ntColwise), 0);
    EXPECT_EQ(M.Norm(TNormType::ntRowwise), 0);
    EXPECT_EQ(M.Norm(TNormType::ntSpectral), 0);
}

TEST(MatrixNorm, SpectralNormOfHilbertMatrix) {
    // The Hilbert matrix of order 4 is symmetric positive definite: its spectral norm is
    // its largest eigenvalue, 1.50021428005924...
    TMatrix M(nullptr);
    Hilbert(M, 4);
    EXPECT_NEAR(M.Norm(TNormType::ntSpectral), 1.5002142800592424, 1e-13);
}

TEST_F(InvertProgress, SpectralNormProgressAndAbort) {
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

// ---------------------------------------------------------------- Diff

TEST(MatrixDiff, DifferencesOfSquares) {
    TMatrix M(nullptr);
    SetRows(M, {{1, 10}, {4, 20}, {9, 40}, {16, 80}});
    int Events = 0;
    M.OnChange = [&](qmr::TObject*) { ++Events; };
    M.Diff(1);
    EXPECT_EQ(Events, 1);
    ASSERT_EQ(M.NrOfRows(), 3);
    EXPECT_EQ(M.Elem(1, 1), 3);
    EXPECT_EQ(M.Elem(1, 2), 5);
    EXPECT_EQ(M.Elem(1, 3), 7);
    EXPECT_EQ(M.Elem(2, 3), 40);
    M.Diff(1);
    EXPECT_EQ(M.Elem(1, 1), 2);
    EXPECT_EQ(M.Elem(1, 2), 2);
    SetRows(M, {{1}, {4}, {9}, {16}, {25}});
    M.Diff(2);
    ASSERT_EQ(M.NrOfRows(), 3);
    for (int r = 1; r <= 3; ++r) EXPECT_EQ(M.Elem(1, r), 2);
    SetRows(M, {{1}, {4}, {9}, {16}, {25}});
    Events = 0;
    M.Diff(10);
    M.Diff(11);
    M.Diff(5);
    M.Diff(0);
    EXPECT_EQ(M.NrOfRows(), 5);
    EXPECT_EQ(Events, 0);
}

}  // namespace
