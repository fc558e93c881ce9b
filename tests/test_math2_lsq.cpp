// Least squares by singular value decomposition and the pseudo-inverse.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using qmr::AbortMathProc;
using qmr::ProcStat;
using qmr::test::Cells;
using qmr::test::Inf;
using qmr::test::NaN;
using qmr::test::SetRows;
using qmr::test::ValuesOf;
using qmr::TMatrix;
using qmr::TVector;
using qmr::detail::SolveLeastSquares;
using qmr::detail::TProgressMode;
using Vals = std::vector<double>;
using Rows = std::vector<Vals>;
using LD = long double;
using Dense = std::vector<std::vector<LD>>;  // [row][column]

Dense ToDense(const TMatrix& M) {
    Dense D(static_cast<std::size_t>(M.NrOfRows()), std::vector<LD>(static_cast<std::size_t>(M.NrOfColumns())));
    for (int r = 1; r <= M.NrOfRows(); ++r)
        for (int c = 1; c <= M.NrOfColumns(); ++c) D[r - 1][c - 1] = M.Elem(c, r);
    return D;
}

Dense Mul(const Dense& A, const Dense& B) {
    Dense C(A.size(), std::vector<LD>(B.empty() ? 0 : B[0].size(), 0));
    for (std::size_t i = 0; i < A.size(); ++i)
        for (std::size_t k = 0; k < B.size(); ++k)
            for (std::size_t j = 0; j < B[0].size(); ++j) C[i][j] += A[i][k] * B[k][j];
    return C;
}

LD Frob(const Dense& A) {
    LD S = 0;
    for (const auto& R : A)
        for (LD X : R) S += X * X;
    return std::sqrt(S);
}

// Largest |A - B| over the entries (B transposed when Transposed).
LD MaxDiff(const Dense& A, const Dense& B, bool Transposed = false) {
    LD D = 0;
    for (std::size_t i = 0; i < A.size(); ++i)
        for (std::size_t j = 0; j < A[i].size(); ++j)
            D = std::max(D, std::fabs(A[i][j] - (Transposed ? B[j][i] : B[i][j])));
    return D;
}

// Random rows x cols matrix of the given rank (a product of two random factors).
Rows RandomRows(int NRows, int NCols, int Rank, unsigned Seed) {
    std::mt19937 Gen(Seed);
    std::uniform_real_distribution<double> U(-1, 1);
    Rows L(NRows, Vals(Rank)), R(Rank, Vals(NCols)), A(NRows, Vals(NCols, 0));
    for (auto& Row : L)
        for (double& X : Row) X = U(Gen);
    for (auto& Row : R)
        for (double& X : Row) X = U(Gen);
    for (int i = 0; i < NRows; ++i)
        for (int j = 0; j < NCols; ++j)
            for (int k = 0; k < Rank; ++k) A[i][j] += L[i][k] * R[k][j];
    return A;
}

// Largest relative residual of the four Moore-Penrose conditions of P for A.
LD PenroseResidual(const TMatrix& MA, const TMatrix& MP) {
    const Dense A = ToDense(MA), P = ToDense(MP);
    const LD nA = Frob(A), nP = Frob(P);
    const Dense AP = Mul(A, P), PA = Mul(P, A);
    return std::max({MaxDiff(Mul(AP, A), A) / (nA * nP * nA), MaxDiff(Mul(PA, P), P) / (nP * nA * nP),
                     MaxDiff(AP, AP, true) / (nA * nP), MaxDiff(PA, PA, true) / (nA * nP)});
}

struct PinvCase {
    const char* Name;
    Rows A;
    Rows P;  // expected pseudo-inverse, row by row
};

// Matrices and their pseudo-inverses from numpy 1.24 numpy.linalg.pinv (default rcond).
const std::vector<PinvCase>& PinvCases() {
    static const std::vector<PinvCase> Cases = {
        {"tall", {{2, -1, 0}, {1, 3, 1}, {0, 1, 4}, {5, 2, -2}, {1, 1, 1}},
         {{0.17741935483870983, -0.06891495601173028, 0.07478005865102644, 0.13489736070381242, 0.039589442815249294},
          {-0.22177419354838712, 0.2452346041055719, -0.048020527859237466, 0.03592375366568912, 0.018695014662756627},
          {0.10483870967741953, -0.024193548387096933, 0.2177419354838711, -0.04838709677419354, 0.056451612903225826}}},
        {"wide", {{1, 2, 0, -1, 3}, {0, 1, 1, 2, -2}, {4, 0, 1, 1, 1}},
         {{-0.04363001745200707, -0.04886561954624784, 0.22687609075043644},
          {0.2897033158813265, 0.2844677137870856, -0.10645724258289718},
          {0.03141361256544504, 0.11518324607329841, 0.03664921465968583},
          {-0.008726003490401368, 0.19022687609075045, 0.04537521815008724},
          {0.1518324607329843, -0.10994764397905761, 0.010471204188481643}}},
        {"rank 2 of 4", {{1, -1, 2, 0}, {5, -1, 4, 1}, {0, -4, 6, -1}, {10, -2, 8, 2}},
         {{-0.010096035459246488, 0.03459738980546666, -0.08507756710169902, 0.06919477961093323},
          {-0.016498399409012564, 0.00775671016990891, -0.0902487072149717, 0.015513420339817764},
          {0.019699581383895586, 0.005663629647869964, 0.09283427727160798, 0.01132725929573998},
          {-0.006648608717064753, 0.010588524993843882, -0.043831568579167625, 0.021177049987687734}}},
        {"zero column", {{1, 0, 2}, {3, 0, -1}, {0, 0, 4}, {2, 0, 2}},
         {{0.055718475073313734, 0.22873900293255134, -0.035190615835777095, 0.12903225806451613},
          {0, 0, 0, 0},
          {0.07331378299120238, -0.0674486803519062, 0.16422287390029328, 0.06451612903225809}}},
        // The 5 x 5 Hilbert matrix rounded to double (condition 4.8e5); the exact inverse
        // of the rounded matrix by mpmath 1.2 at 60 digits.
        {"Hilbert 5",
         {{1, 1 / 2., 1 / 3., 1 / 4., 1 / 5.},
          {1 / 2., 1 / 3., 1 / 4., 1 / 5., 1 / 6.},
          {1 / 3., 1 / 4., 1 / 5., 1 / 6., 1 / 7.},
          {1 / 4., 1 / 5., 1 / 6., 1 / 7., 1 / 8.},
          {1 / 5., 1 / 6., 1 / 7., 1 / 8., 1 / 9.}},
         {{24.999999999978506, -299.99999999962904, 1049.9999999984846, -1399.9999999977997, 629.9999999989552},
          {-299.99999999962904, 4799.999999993688, -18899.999999974465, 26879.999999963184, -12599.999999982614},
          {1049.9999999984846, -18899.999999974465, 79379.99999989738, -117599.99999985278, 56699.99999993074},
          {-1399.9999999977997, 26879.999999963184, -117599.99999985278, 179199.99999978955, -88199.99999990128},
          {629.9999999989552, -12599.999999982614, 56699.99999993074, -88199.99999990128, 44099.9999999538}}},
        {"diag(3, -2)", {{3, 0}, {0, -2}}, {{1 / 3., 0}, {0, -1 / 2.}}},
        {"zero 2 x 3", {{0, 0, 0}, {0, 0, 0}}, {{0, 0}, {0, 0}, {0, 0}}},
    };
    return Cases;
}

TEST(PseudoInverse, MatchesReferencesAndPenroseConditions) {
    LD WorstEntry = 0, WorstPenrose = 0;
    for (const PinvCase& C : PinvCases()) {
        SCOPED_TRACE(C.Name);
        TMatrix A(nullptr), P(nullptr);
        SetRows(A, C.A);
        const auto Before = ToDense(A);
        ASSERT_TRUE(qmr::PseudoInverse(&A, &P, 0));
        EXPECT_EQ(ToDense(A), Before);  // A is not changed
        ASSERT_EQ(P.NrOfColumns(), A.NrOfRows());
        ASSERT_EQ(P.NrOfRows(), A.NrOfColumns());
        Dense Want(C.P.size());
        for (std::size_t i = 0; i < C.P.size(); ++i) Want[i].assign(C.P[i].begin(), C.P[i].end());
        const LD Scale = std::max(Frob(Want), LD(1e-300));
        const LD Entry = MaxDiff(ToDense(P), Want) / Scale;
        EXPECT_LE(Entry, 1e-12);
        WorstEntry = std::max(WorstEntry, Entry);
        if (Frob(Want) > 0) {
            const LD Pen = PenroseResidual(A, P);
            EXPECT_LE(Pen, 1e-12);
            WorstPenrose = std::max(WorstPenrose, Pen);
        }
    }
    // Random tall, square, wide and rank-deficient shapes: the four conditions.
    struct Shape {
        int NRows, NCols, Rank;
    };
    for (const Shape S : {Shape{40, 12, 12}, Shape{30, 30, 30}, Shape{10, 35, 10}, Shape{30, 20, 8}, Shape{9, 25, 4},
                          Shape{1, 7, 1}, Shape{7, 1, 1}, Shape{64, 64, 63}}) {
        SCOPED_TRACE(std::to_string(S.NRows) + "x" + std::to_string(S.NCols) + " rank " + std::to_string(S.Rank));
        TMatrix A(nullptr), P(nullptr);
        SetRows(A, RandomRows(S.NRows, S.NCols, S.Rank, static_cast<unsigned>(S.NRows * 100 + S.NCols)));
        ASSERT_TRUE(qmr::PseudoInverse(&A, &P, -1));  // Tol < 0: the default
        const LD Pen = PenroseResidual(A, P);
        EXPECT_LE(Pen, 1e-12);
        WorstPenrose = std::max(WorstPenrose, Pen);
    }
    std::printf("[accuracy] pinv entries vs references: max |dP| / |P|_F = %.2Le\n", WorstEntry);
    std::printf("[accuracy] pinv Penrose conditions: max relative residual = %.2Le\n", WorstPenrose);
}

TEST(PseudoInverse, ToleranceAliasNilAndEvents) {
    // diag(1, 1e-6, 0) in 4 x 3: Tol 1e-3 drops 1e-6, the default keeps it; 0 is never
    // divided by. numpy.linalg.pinv(A, rcond=1e-3) gives diag(1, 0, 0) padded.
    TMatrix A(nullptr), P(nullptr);
    SetRows(A, {{1, 0, 0}, {0, 1e-6, 0}, {0, 0, 0}, {0, 0, 0}});
    for (double Tol : {0.0, -5.0, NaN}) {
        ASSERT_TRUE(qmr::PseudoInverse(&A, &P, Tol));
        EXPECT_DOUBLE_EQ(P.Elem(2, 2), 1e6);
        EXPECT_EQ(P.Elem(3, 3), 0);
    }
    ASSERT_TRUE(qmr::PseudoInverse(&A, &P, 1e-3));
    EXPECT_DOUBLE_EQ(P.Elem(1, 1), 1);
    EXPECT_EQ(P.Elem(2, 2), 0);
    // The dropping is |w| <= Tol: a value equal to Tol goes.
    ASSERT_TRUE(qmr::PseudoInverse(&A, &P, 1));
    EXPECT_EQ(Cells(P), Vals(12, 0.0));
    // Into itself, nil arguments, one event per element written.
    TMatrix Other(nullptr);
    SetRows(A, {{2, -1, 0}, {1, 3, 1}, {0, 1, 4}, {5, 2, -2}, {1, 1, 1}});
    TMatrix Copy(nullptr);
    Copy.Clone(&A);
    ASSERT_TRUE(qmr::PseudoInverse(&Copy, &Other, 0));
    ASSERT_TRUE(qmr::PseudoInverse(&A, &A, 0));
    EXPECT_EQ(Cells(A), Cells(Other));
    EXPECT_FALSE(qmr::PseudoInverse(nullptr, &A, 0));
    EXPECT_FALSE(qmr::PseudoInverse(&A, nullptr, 0));
    EXPECT_EQ(Cells(A), Cells(Other));
    int Ev = 0;
    qmr::test::CountChanges(Other, Ev);
    ASSERT_TRUE(qmr::PseudoInverse(&Copy, &Other, 0));
    EXPECT_EQ(Ev, 15);  // same size: one event per element written
}

// Non-finite data: nothing computed, AInv zeros of the result's shape.
TEST(PseudoInverse, NonFiniteDataFails) {
    for (double Bad : {NaN, Inf, -Inf}) {
        TMatrix A(nullptr), P(nullptr);
        SetRows(A, {{1, 2, 3}, {4, Bad, 6}});
        SetRows(P, {{7}});
        ProcStat = 0;
        EXPECT_FALSE(qmr::PseudoInverse(&A, &P, 0));
        EXPECT_EQ(P.NrOfColumns(), 2);
        EXPECT_EQ(P.NrOfRows(), 3);
        EXPECT_EQ(Cells(P), Vals(6, 0.0));
        EXPECT_EQ(ProcStat.load(), 0);  // refused before any work
    }
    // Data whose decomposition overflows double is refused as well.
    TMatrix A(nullptr), P(nullptr);
    SetRows(A, {{1e308, 1e308}, {1e308, -1e308}});
    EXPECT_FALSE(qmr::PseudoInverse(&A, &P, 0));
    EXPECT_EQ(Cells(P), Vals(4, 0.0));
}

class LsqProgress : public qmr::test::ProgressFixture {};

TEST_F(LsqProgress, PseudoInverseStepsAndAbort) {
    TMatrix A(nullptr), P(nullptr);
    SetRows(A, RandomRows(6, 4, 4, 7));
    ASSERT_TRUE(qmr::PseudoInverse(&A, &P, 0));
    EXPECT_EQ(ProcStat.load(), 16);  // four phases, one step per column
    EXPECT_EQ(Calls().size(), 16u);
    EXPECT_EQ(Calls().back(), 16);
    AbortMathProc = true;
    EXPECT_FALSE(qmr::PseudoInverse(&A, &P, 0));
    EXPECT_TRUE(AbortMathProc.load());  // left to the host
    EXPECT_EQ(ProcStat.load(), 17);
    EXPECT_EQ(Cells(P), Vals(24, 0.0));
    // An abort requested from the feedback in the third phase.
    AbortMathProc = false;
    ProcStat = 0;
    qmr::MathFeedBackProc = [](double S) {
        if (S == 10) AbortMathProc = true;
    };
    EXPECT_FALSE(qmr::PseudoInverse(&A, &P, 0));
    EXPECT_EQ(ProcStat.load(), 10);
}

TEST_F(LsqProgress, SpectralNormOnTheSharedDecomposition) {
    // Largest singular value of the tall reference matrix, numpy.linalg.norm(A, 2).
    TMatrix A(nullptr);
    SetRows(A, {{2, -1, 0}, {1, 3, 1}, {0, 1, 4}, {5, 2, -2}, {1, 1, 1}});
    EXPECT_NEAR(static_cast<double>(A.Norm(qmr::TNormType::ntSpectral)), 6.2692111484656925, 1e-14);
    EXPECT_EQ(ProcStat.load(), 12);
    SetRows(A, {{1, NaN}, {0, 1}});
    EXPECT_THROW(A.Norm(qmr::TNormType::ntSpectral), qmr::EQMRMatrixError);
}

// ---------------------------------------------------------------- the solver

struct SolveOut {
    bool Ok, Near;
    Vals X, SE;
};

SolveOut Solve(const Rows& R, const Vals& B, TProgressMode Mode = TProgressMode::Silent) {
    TMatrix A(nullptr);
    SetRows(A, R);
    TVector Bv(nullptr), X(nullptr), SE(nullptr);
    qmr::test::SetValues(Bv, B);
    qmr::test::SetValues(X, Vals(static_cast<std::size_t>(A.NrOfColumns()), -7.0));
    qmr::test::SetValues(SE, ValuesOf(X));
    SolveOut O{};
    O.Near = true;
    O.Ok = SolveLeastSquares(A, Bv, X, &SE, O.Near, Mode);
    O.X = ValuesOf(X);
    O.SE = ValuesOf(SE);
    return O;
}

TEST(LeastSquares, SolutionsMatchReferences) {
    // Overdetermined: numpy.linalg.lstsq, SE = sqrt(diag(inv(A^T A))).
    auto O = Solve({{2, -1, 0}, {1, 3, 1}, {0, 1, 4}, {5, 2, -2}, {1, 1, 1}}, {1, -2, 3, 0.5, 2});
    ASSERT_TRUE(O.Ok);
    EXPECT_FALSE(O.Near);
    const Vals X = {0.6862170087976545, -0.8009530791788859, 0.8951612903225818};
    const Vals SE = {0.24816038707378332, 0.33655578248101403, 0.25400025400038095};
    double Worst = 0;
    for (int i = 0; i < 3; ++i)
        Worst = std::max({Worst, std::fabs(O.X[i] - X[i]) / std::fabs(X[i]), std::fabs(O.SE[i] - SE[i]) / SE[i]});
    EXPECT_LE(Worst, 1e-14);
    std::printf("[accuracy] solver coefficients and SE vs numpy: max relative error = %.2e\n", Worst);
    // Wide: the minimum-norm solution, numpy.linalg.pinv(A) @ b; two values are 0.
    O = Solve({{1, 2, 0, -1, 3}, {0, 1, 1, 2, -2}, {4, 0, 1, 1, 1}}, {1, -1, 2});
    ASSERT_TRUE(O.Ok);
    EXPECT_TRUE(O.Near);
    const Vals Xw = {0.45898778359511366, -0.20767888307155347, -0.010471204188481714, -0.10820244328097733,
                     0.28272251308900515};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(O.X[i], Xw[i], 1e-14) << i;
    // The raw entry point with a leading dimension beyond the rows (NaN padding never
    // read): a random tall system with an exact solution.
    const int n = 50, m = 8, ld = 53;
    const Rows R = RandomRows(n, m, m, 99);
    std::vector<double> A(static_cast<std::size_t>(ld * m), NaN), B(n, 0), Xr(m);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < m; ++j) {
            A[static_cast<std::size_t>(j * ld + i)] = R[i][j];
            B[i] += R[i][j] * (j - 3.5);
        }
    bool Near = true;
    ASSERT_TRUE(SolveLeastSquares(A.data(), n, m, ld, B.data(), Xr.data(), nullptr, Near, TProgressMode::Silent));
    EXPECT_FALSE(Near);
    for (int j = 0; j < m; ++j) EXPECT_NEAR(Xr[j], j - 3.5, 1e-13);
}

TEST(LeastSquares, NearSingularCases) {
    // A zero column: its value is dropped, its coefficient and SE are 0.
    auto O = Solve({{1, 0}, {2, 0}, {3, 0}}, {2, 4, 6});
    ASSERT_TRUE(O.Ok);
    EXPECT_TRUE(O.Near);
    EXPECT_NEAR(O.X[0], 2, 1e-15);
    EXPECT_EQ(O.X[1], 0);
    EXPECT_EQ(O.SE[1], 0);
    // All zero: every value 0, all dropped.
    O = Solve({{0, 0}, {0, 0}}, {1, 1});
    ASSERT_TRUE(O.Ok);
    EXPECT_TRUE(O.Near);
    EXPECT_EQ(O.X, Vals(2, 0.0));
    // Condition 1e15: the small value falls under the 1e-14 cutoff; 1e13 does not.
    O = Solve({{1, 0}, {0, 1e-15}}, {1, 1});
    EXPECT_TRUE(O.Near);
    EXPECT_EQ(O.X[1], 0);
    O = Solve({{1, 0}, {0, 1e-13}}, {1, 1});
    EXPECT_FALSE(O.Near);
    EXPECT_DOUBLE_EQ(O.X[1], 1e13);
}

TEST_F(LsqProgress, SolverFailuresLeaveOutputs) {
    const Rows A = {{1, 2}, {3, 4}, {5, 7}};
    // Non-finite data.
    auto O = Solve({{1, 2}, {NaN, 4}}, {1, 2});
    EXPECT_FALSE(O.Ok);
    EXPECT_FALSE(O.Near);
    EXPECT_EQ(O.X, Vals(2, -7.0));
    EXPECT_EQ(O.SE, Vals(2, -7.0));
    // Abort: Report stops, Silent neither reads the flag nor counts.
    AbortMathProc = true;
    O = Solve(A, {1, 2, 3}, TProgressMode::Report);
    EXPECT_FALSE(O.Ok);
    EXPECT_EQ(O.X, Vals(2, -7.0));
    EXPECT_EQ(ProcStat.load(), 1);
    O = Solve(A, {1, 2, 3}, TProgressMode::Silent);
    EXPECT_TRUE(O.Ok);
    EXPECT_EQ(ProcStat.load(), 1);
    EXPECT_TRUE(AbortMathProc.load());
    AbortMathProc = false;
    O = Solve(A, {1, 2, 3}, TProgressMode::Report);
    EXPECT_TRUE(O.Ok);
    EXPECT_EQ(ProcStat.load(), 9);
}

}  // namespace
