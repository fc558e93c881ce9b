// Ranks with ties, covariance-type matrices, Jacobi eigenvectors and principal components.
#include "qmr_test_support.h"

#include "analysis/QMR_math2_detail.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

using qmr::AbortMathProc;
using qmr::GetEigenResult;
using qmr::ProcStat;
using qmr::TMatrix;
using qmr::TVector;
using qmr::test::Cells;
using qmr::test::NaN;
using qmr::test::SetRows;
using qmr::test::ValuesOf;
using Vals = std::vector<double>;
using Rows = std::vector<Vals>;
using LD = long double;

// A random symmetric n x n matrix, entries in [-1, 1] (the diagonal scaled by Diag).
Rows RandomSymmetric(int n, unsigned Seed, double Diag = 1) {
    std::mt19937 Gen(Seed);
    std::uniform_real_distribution<double> U(-1, 1);
    Rows R(n, Vals(n));
    for (int i = 0; i < n; ++i)
        for (int j = i; j < n; ++j) R[i][j] = R[j][i] = U(Gen) * (i == j ? Diag : 1);
    return R;
}

// ---------------------------------------------------------------- ranks

double Ranks(const Vals& D, Vals& R) {
    TVector Data(nullptr), Out(nullptr);
    qmr::test::SetValues(Data, D);
    const double T = qmr::CalcRanks(&Data, &Out);
    R = ValuesOf(Out);
    return T;
}

TEST(CalcRanks, MidRanksTieSumsAliasAndNil) {
    // Ranks from scipy.stats.rankdata 1.10; tie sums by hand.
    struct Case {
        Vals Data, Ranks;
        double Ties;
    };
    const std::vector<Case> Cases = {
        {{3, 1, 3, 2}, {3.5, 1, 3.5, 2}, 6},
        {{5, 5, 5, 1, 2, 2, 9, 0.5, 5, 2}, {7.5, 7.5, 7.5, 2, 4, 4, 10, 1, 7.5, 4}, 60 + 24},
        {{1e9 + 1, 1e9, 1e9 + 1, 1e9 - 1, 1e9}, {4.5, 2.5, 4.5, 1, 2.5}, 12},
        {{-0.0, 0.0, 1, 1, 1, 1}, {1.5, 1.5, 4.5, 4.5, 4.5, 4.5}, 6 + 60},
        {{7}, {1}, 0},
        {{2, NaN, 1, NaN}, {2, 3, 1, 4}, 0},  // NaNs after every number, each on its own
    };
    for (const Case& C : Cases) {
        Vals R;
        EXPECT_EQ(Ranks(C.Data, R), C.Ties);
        EXPECT_EQ(R, C.Ranks);
    }
    // Many ties: rank = #smaller + (#equal + 1) / 2, tie sum over the value counts.
    std::mt19937 Gen(5);
    Vals D(3000);
    for (double& X : D) X = static_cast<double>(Gen() % 40);
    Vals R;
    const double T = Ranks(D, R);
    double WantT = 0;
    for (int v = 0; v < 40; ++v) {
        const double t = static_cast<double>(std::count(D.begin(), D.end(), v));
        WantT += t * t * t - t;
    }
    EXPECT_EQ(T, WantT);
    for (std::size_t i = 0; i < D.size(); ++i) {
        const auto Less = std::count_if(D.begin(), D.end(), [&](double X) { return X < D[i]; });
        const auto Eq = std::count(D.begin(), D.end(), D[i]);
        ASSERT_EQ(R[i], static_cast<double>(Less) + (static_cast<double>(Eq) + 1) / 2) << i;
    }
    // Into the data itself; nil arguments write nothing.
    TVector V(nullptr);
    qmr::test::SetValues(V, Vals{30, 10, 20});
    EXPECT_EQ(qmr::CalcRanks(&V, &V), 0);
    EXPECT_EQ(ValuesOf(V), (Vals{3, 1, 2}));
    EXPECT_EQ(qmr::CalcRanks(nullptr, &V), 0);
    EXPECT_EQ(qmr::CalcRanks(&V, nullptr), 0);
    EXPECT_EQ(ValuesOf(V), (Vals{3, 1, 2}));
}

// ---------------------------------------------------------------- covariance

// Brute force in long double: two-pass statistics of the given columns and rows (1-based, inclusive).
Rows Brute(const Rows& X, int Mode, int C0, int C1, int R0, int R1) {
    const int m = C1 - C0 + 1, N = R1 - R0 + 1;
    std::vector<LD> Mu(m, 0), Var(m, 0);
    for (int a = 0; a < m; ++a) {
        for (int r = R0; r <= R1; ++r) Mu[a] += X[r - 1][C0 - 1 + a];
        Mu[a] /= N;
        for (int r = R0; r <= R1; ++r) Var[a] += (X[r - 1][C0 - 1 + a] - Mu[a]) * (X[r - 1][C0 - 1 + a] - Mu[a]);
        Var[a] /= N - 1;
    }
    Rows C(m, Vals(m));
    for (int a = 0; a < m; ++a)
        for (int b = 0; b < m; ++b) {
            LD S = 0;
            for (int r = R0; r <= R1; ++r) {
                const LD xa = X[r - 1][C0 - 1 + a], xb = X[r - 1][C0 - 1 + b];
                S += Mode == 0 ? xa * xb : Mode == 4 ? (xa - xb) * (xa - xb) : (xa - Mu[a]) * (xb - Mu[b]);
            }
            LD V = S / (N - 1);
            if (Mode == 2 || Mode == 3) V /= std::sqrt(Var[a] * Var[b]);
            C[a][b] = static_cast<double>(Mode == 3 ? V * V : V);
        }
    return C;
}

Rows Covar(const TMatrix& In, int Mode, int LoCol = 0, int HiCol = 0, int LoRow = 0, int HiRow = 0, int Size = 0) {
    TMatrix Out(nullptr);
    const int m = Size > 0 ? Size : In.NrOfColumns();
    Out.Resize(m, m);
    Out.Fill(-99);
    EXPECT_TRUE(qmr::CalcCovar(&In, &Out, LoCol, HiCol, LoRow, HiRow, Mode));
    Rows C(m, Vals(m));
    for (int a = 1; a <= m; ++a)
        for (int b = 1; b <= m; ++b) C[a - 1][b - 1] = static_cast<double>(Out.Elem(b, a));
    return C;
}

// Largest error relative to sqrt(|C_aa C_bb|) (modes 0, 1), to 1 (2, 3) or to |C_ab| (4).
double RelErr(const Rows& Got, const Rows& Want, int Mode) {
    double E = 0;
    for (std::size_t a = 0; a < Want.size(); ++a)
        for (std::size_t b = 0; b < Want.size(); ++b) {
            const double Scale = Mode <= 1   ? std::sqrt(std::fabs(Want[a][a] * Want[b][b]))
                                 : Mode == 4 ? std::fabs(Want[a][b])
                                             : 1.0;
            if (Scale > 0) E = std::max(E, std::fabs(Got[a][b] - Want[a][b]) / Scale);
        }
    return E;
}

TEST(CalcCovar, ModesAgainstTwoPassReference) {
    // Columns around 0, around 1e9 (the one-pass sum of squares fails there) and tiny.
    std::mt19937 Gen(11);
    std::uniform_real_distribution<double> U(-1, 1);
    Rows X(37, Vals(7));
    for (auto& R : X)
        for (int c = 0; c < 7; ++c) R[c] = (c == 2 || c == 5 ? 1e9 : 0) + U(Gen) * (c == 6 ? 1e-3 : 1 + c);
    TMatrix M(nullptr);
    SetRows(M, X);
    for (int Mode = 0; Mode <= 4; ++Mode) {
        double Worst = 0;
        for (const auto& [C0, C1, R0, R1] : {std::array{1, 7, 1, 37}, std::array{2, 6, 5, 30}}) {
            const Rows Got = Covar(M, Mode, C0, C1, R0, R1, C1 - C0 + 1), Want = Brute(X, Mode, C0, C1, R0, R1);
            Worst = std::max(Worst, RelErr(Got, Want, Mode));
            for (std::size_t a = 0; Mode == 2 && a < Got.size(); ++a) EXPECT_EQ(Got[a][a], 1.0);
        }
        EXPECT_LE(Worst, 1e-14) << "mode " << Mode;
        std::printf("[accuracy] CalcCovar mode %d vs long double two-pass: max relative error %.2e\n", Mode, Worst);
    }
    // numpy 1.24 cov and corrcoef of a small table; mode 3 is the square of mode 2.
    SetRows(M, {{1.5, 2, -1, 4}, {2.5, 0, 3, 1}, {0.5, 1, 1, 1}, {4, 3, -2, 0}, {3, -1, 0.5, 2}, {1, 2, 2, 2}});
    const Rows Cov = {{1.741666666666667, -0.01666666666666672, -1.0583333333333333, -0.7666666666666667},
                      {-0.01666666666666672, 2.166666666666667, -1.5166666666666673, -0.1333333333333334},
                      {-1.0583333333333333, -1.5166666666666673, 3.4416666666666664, -0.1666666666666665},
                      {-0.7666666666666667, -0.1333333333333334, -0.1666666666666665, 1.8666666666666665}};
    const Rows Cor = {{1.0, -0.008579661993714545, -0.43227045386854573, -0.42519747332175806},
                      {-0.008579661993714545, 1.0, -0.555404875987947, -0.0662993544131796},
                      {-0.4322704538685458, -0.5554048759879469, 1.0, -0.06575532984988017},
                      {-0.4251974733217581, -0.06629935441317962, -0.06575532984988018, 1.0}};
    Rows Cor2 = Cor;
    for (auto& R : Cor2)
        for (double& X2 : R) X2 *= X2;
    EXPECT_LE(RelErr(Covar(M, 1), Cov, 1), 1e-14);
    EXPECT_LE(RelErr(Covar(M, 2), Cor, 2), 1e-14);
    EXPECT_LE(RelErr(Covar(M, 3), Cor2, 3), 1e-14);
}

TEST(CalcCovar, DegenerateColumnsAndScales) {
    TMatrix M(nullptr);
    // Identical columns: correlation 1 everywhere. A constant column (three 0.1s: the
    // one-pass variance is -1.7e-18): exactly 0 off the diagonal, no NaN.
    SetRows(M, {{1, 1, 0.1}, {2, 2, 0.1}, {4, 4, 0.1}});
    EXPECT_EQ(Covar(M, 2), (Rows{{1, 1, 0}, {1, 1, 0}, {0, 0, 1}}));
    EXPECT_EQ(Covar(M, 1)[2], (Vals{0, 0, 0}));
    EXPECT_EQ(Covar(M, 3)[2], (Vals{0, 0, 0}));
    // Correlations do not depend on the scale, also where va * vb (variances near
    // 1e160 or 1e-160) would over- or underflow.
    SetRows(M, {{1, 2}, {3, -1}, {2, 2}, {0, 5}});
    const double Want = Covar(M, 2)[0][1];
    EXPECT_NEAR(Want, -0.9486832980505139, 1e-15);  // numpy.corrcoef
    for (double S : {1e80, 1e-80}) {
        TMatrix Big(nullptr);
        SetRows(Big, {{S, 2 * S}, {3 * S, -S}, {2 * S, 2 * S}, {0, 5 * S}});
        EXPECT_NEAR(Covar(Big, 2)[0][1], Want, 1e-15) << S;
    }
    // One row (N - 1 = 0): zeros, 1 on the mode-2 diagonal; no row at all likewise.
    for (int Mode = 0; Mode <= 4; ++Mode)
        EXPECT_EQ(Covar(M, Mode, 0, 0, 3, 3), (Mode == 2 ? Rows{{1, 0}, {0, 1}} : Rows{{0, 0}, {0, 0}}));
    TMatrix Empty(nullptr);
    Empty.Resize(2, 0);
    EXPECT_EQ(Covar(Empty, 2), (Rows{{1, 0}, {0, 1}}));
    // Other modes store 0.
    EXPECT_EQ(Covar(M, 5), (Rows{{0, 0}, {0, 0}}));
    EXPECT_EQ(Covar(M, -1), (Rows{{0, 0}, {0, 0}}));
}

TEST(CalcCovar, RangesTargetsAndNil) {
    Rows X(9, Vals(4));
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 4; ++c) X[r][c] = std::sin(r * 1.3 + c * c) * (c + 1);
    TMatrix M(nullptr);
    SetRows(M, X);
    const Rows All = Covar(M, 1);
    EXPECT_EQ(Covar(M, 1, 1, 4, 1, 9), All);
    EXPECT_EQ(Covar(M, 1, 4, 1, 2000000000, 1), All);  // clamped, swapped: no phantom rows
    EXPECT_LE(RelErr(Covar(M, 1, 3, 2, 7, 2, 2), Brute(X, 1, 2, 3, 2, 7), 1), 1e-15);
    // Too small a target: False, untouched; a larger one: only the top-left block.
    TMatrix Out(nullptr);
    Out.Resize(4, 3);
    Out.Fill(5);
    EXPECT_FALSE(qmr::CalcCovar(&M, &Out, 0, 0, 0, 0, 1));
    EXPECT_EQ(Cells(Out), Vals(12, 5.0));
    Out.Resize(3, 3);
    ASSERT_TRUE(qmr::CalcCovar(&M, &Out, 1, 2, 0, 0, 1));
    EXPECT_EQ(Out.Elem(2, 1), All[0][1]);
    EXPECT_EQ(Out.Elem(3, 3), 5);
    // Into the input itself, wide enough for several blocks of columns.
    TMatrix Same(nullptr);
    Rows Y(21, Vals(20));
    for (int r = 0; r < 21; ++r)
        for (int c = 0; c < 20; ++c) Y[r][c] = std::cos(r * 0.7 + c * 1.9) + c;
    SetRows(Same, Y);
    const Rows Want = Covar(Same, 2);
    ASSERT_TRUE(qmr::CalcCovar(&Same, &Same, 0, 0, 0, 0, 2));
    for (int a = 1; a <= 20; ++a)
        for (int b = 1; b <= 20; ++b) EXPECT_EQ(Same.Elem(b, a), Want[a - 1][b - 1]);
    EXPECT_EQ(Same.Elem(1, 21), Y[20][0]);  // the row below is kept
    EXPECT_FALSE(qmr::CalcCovar(nullptr, &Out, 0, 0, 0, 0, 1));
    EXPECT_FALSE(qmr::CalcCovar(&M, nullptr, 0, 0, 0, 0, 1));
}

class Math2Progress : public qmr::test::ProgressFixture {};

TEST_F(Math2Progress, CovarProgressAndAbort) {
    TMatrix M(nullptr), Out(nullptr);
    SetRows(M, {{1, 2, 3}, {2, 0, 1}, {5, 1, 1}, {0, 0, 2}});
    Out.Resize(3, 3);
    AbortMathProc = true;  // cleared first
    ASSERT_TRUE(qmr::CalcCovar(&M, &Out, 0, 0, 0, 0, 1));
    EXPECT_EQ(ProcStat.load(), 4 + 6 * 4);  // one per row for the means, N per pair
    EXPECT_EQ(Calls().size(), 4u + 6u);
    ProcStat = 0;
    ASSERT_TRUE(qmr::CalcCovar(&M, &Out, 0, 0, 0, 0, 0));
    EXPECT_EQ(ProcStat.load(), 6 * 4);  // mode 0: no means
    // An abort during column 2 stops before column 3; columns 1 and 2 are stored.
    Out.Fill(-1);
    ProcStat = 0;
    qmr::MathFeedBackProc = [](double S) {
        if (S == 4 + 2 * 4) AbortMathProc = true;
    };
    EXPECT_FALSE(qmr::CalcCovar(&M, &Out, 0, 0, 0, 0, 1));
    EXPECT_EQ(ProcStat.load(), 4 + 3 * 4);
    EXPECT_NE(Out.Elem(2, 2), -1);
    EXPECT_EQ(Out.Elem(3, 1), -1);
    EXPECT_EQ(Out.Elem(3, 3), -1);
}

// ---------------------------------------------------------------- eigenvectors

// Checks the stored eigenpairs against S: |S v - l v| <= 1e-12 |S|, |v| = 1 within 1e-14,
// orthogonality; returns the largest residual relative to |S|.
double CheckEigen(const Rows& S) {
    const int n = static_cast<int>(S.size());
    EXPECT_EQ(qmr::GetEigenSize(), n);
    LD Norm = 0;
    for (const auto& R : S)
        for (double X : R) Norm += LD(X) * X;
    Norm = std::sqrt(Norm);
    double Worst = 0;
    for (int i = 1; i <= n; ++i) {
        const LD L = GetEigenResult(i, 0);
        LD Len = 0, Res = 0;
        for (int j = 1; j <= n; ++j) {
            LD Sv = 0;
            for (int k = 1; k <= n; ++k) Sv += LD(S[j - 1][k - 1]) * GetEigenResult(i, k);
            Res += (Sv - L * GetEigenResult(i, j)) * (Sv - L * GetEigenResult(i, j));
            Len += LD(GetEigenResult(i, j)) * GetEigenResult(i, j);
        }
        EXPECT_NEAR(static_cast<double>(std::sqrt(Len)), 1.0, 1e-14) << i;
        Worst = std::max(Worst, static_cast<double>(std::sqrt(Res) / Norm));
        for (int k = i + 1; k <= n; ++k) {
            LD Dot = 0;
            for (int j = 1; j <= n; ++j) Dot += LD(GetEigenResult(i, j)) * GetEigenResult(k, j);
            EXPECT_NEAR(static_cast<double>(Dot), 0.0, 1e-14) << i << "," << k;
        }
    }
    EXPECT_LE(Worst, 1e-12);
    return Worst;
}

// The stored eigenvalues in their order, or sorted ascending.
Vals EigenValues(bool Sorted = false) {
    Vals L;
    for (int i = 1; i <= qmr::GetEigenSize(); ++i) L.push_back(GetEigenResult(i, 0));
    if (Sorted) std::sort(L.begin(), L.end());
    return L;
}

TEST(CalcEigVec, EigenpairsOfSymmetricMatrices) {
    TMatrix M(nullptr);
    SetRows(M, {{2, 1}, {1, 2}});
    ASSERT_TRUE(qmr::CalcEigVec(&M));
    EXPECT_EQ(EigenValues(true), (Vals{1, 3}));
    CheckEigen({{2, 1}, {1, 2}});
    // numpy.linalg.eigh of a 4 x 4 with a negative eigenvalue.
    const Rows S = {{4, 1, -2, 0.5}, {1, 3, 0, 1}, {-2, 0, 5, 2}, {0.5, 1, 2, 1}};
    SetRows(M, S);
    ASSERT_TRUE(qmr::CalcEigVec(&M));
    const Vals Want = {-0.3271290679362502, 1.9557093028520913, 4.478731432283825, 6.892688332800332};
    const Vals Got = EigenValues(true);
    double WorstVal = 0;
    for (int i = 0; i < 4; ++i) WorstVal = std::max(WorstVal, std::fabs(Got[i] - Want[i]) / 9.5131487952202235);
    EXPECT_LE(WorstVal, 1e-13);  // relative to |S|_F = 9.513...
    double Worst = CheckEigen(S);
    // Random symmetric matrices; the lower triangle holds NaN and is neither read nor written.
    for (int n : {5, 40, 90}) {
        const Rows R = RandomSymmetric(n, static_cast<unsigned>(n), 3);
        SetRows(M, R);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < i; ++j) M.SetElem(j + 1, i + 1, NaN);
        ASSERT_TRUE(qmr::CalcEigVec(&M));
        Worst = std::max(Worst, CheckEigen(R));
        EXPECT_TRUE(std::isnan(static_cast<double>(M.Elem(1, n))));
        for (int q = 2; q <= n; ++q)  // what the rotations left: nearly 0
            EXPECT_LE(std::fabs(static_cast<double>(M.Elem(q, q - 1))), 1e-12);
    }
    std::printf("[accuracy] CalcEigVec eigenvalues vs numpy.eigh: max error / |S| %.2e; max |Sv - lv| / |S| %.2e\n",
                WorstVal, Worst);
}

// Every vector width of the rotations gives the same bits (odd n: every width has a tail).
TEST(CalcEigVec, RotationWidthsAgreeBitForBit) {
    const int n = 37;
    const Rows R = RandomSymmetric(n, 21);
    std::vector<Vals> Results;
    for (int Width : {2, 4, 8}) {
        if (qmr::detail::SetJacobiWidth(Width) != Width) continue;  // the processor lacks it
        TMatrix M(nullptr);
        SetRows(M, R);
        EXPECT_TRUE(qmr::CalcEigVec(&M));
        Vals All;
        for (int i = 1; i <= n; ++i)
            for (int j = 0; j <= n; ++j) All.push_back(GetEigenResult(i, j));
        for (int c = 2; c <= n; ++c)
            for (int r = 1; r < c; ++r) All.push_back(static_cast<double>(M.Elem(c, r)));
        Results.push_back(All);
    }
    qmr::detail::SetJacobiWidth(0);
    ASSERT_FALSE(Results.empty());
    for (const Vals& X : Results) EXPECT_EQ(0, std::memcmp(X.data(), Results[0].data(), X.size() * sizeof(double)));
    std::printf("[info] Jacobi rotation widths compared: %zu\n", Results.size());
}

TEST(CalcEigVec, ShapesLimitsAndStorage) {
    TMatrix M(nullptr);
    // Fewer rows than columns: the missing cells read as 0 (here diag(1, 5, 0) + coupling).
    SetRows(M, {{1, 2, 0.5}, {0, 5, 1}});
    ASSERT_TRUE(qmr::CalcEigVec(&M));
    CheckEigen({{1, 2, 0.5}, {2, 5, 1}, {0.5, 1, 0}});
    // Too large: False, the stored results untouched.
    const double Before = GetEigenResult(1, 0);
    TMatrix Big(nullptr);
    Big.Resize(10001, 1);
    EXPECT_FALSE(qmr::CalcEigVec(&Big));
    EXPECT_FALSE(qmr::CalcEigVec(nullptr));
    EXPECT_EQ(qmr::GetEigenSize(), 3);
    EXPECT_EQ(GetEigenResult(1, 0), Before);
    // Indices outside, then the storage freed: 0, the size kept.
    for (const auto& [i, j] : {std::pair{0, 0}, {4, 0}, {1, -1}, {1, 4}}) EXPECT_EQ(GetEigenResult(i, j), 0);
    qmr::RemoveEigenMatrix();
    EXPECT_EQ(GetEigenResult(1, 0), 0);
    EXPECT_EQ(GetEigenResult(1, 1), 0);
    EXPECT_EQ(qmr::GetEigenSize(), 3);
    // NaN never converges: False after 100 sweeps, the new size stored.
    SetRows(M, {{1, NaN}, {NaN, 1}});
    EXPECT_FALSE(qmr::CalcEigVec(&M));
    EXPECT_EQ(qmr::GetEigenSize(), 2);
}

TEST_F(Math2Progress, EigenProgressAndAbort) {
    TMatrix M(nullptr);
    SetRows(M, {{3, 0, 0}, {0, -1, 0}, {0, 0, 2}});  // already diagonal: one sweep
    AbortMathProc = true;                            // cleared first
    ASSERT_TRUE(qmr::CalcEigVec(&M));
    EXPECT_EQ(ProcStat.load(), 1);
    EXPECT_EQ(GetEigenResult(2, 0), -1);
    EXPECT_EQ(GetEigenResult(3, 3), 1);
    const Rows S = {{4, 1, -2, 0.5}, {1, 3, 0, 1}, {-2, 0, 5, 2}, {0.5, 1, 2, 1}};
    SetRows(M, S);
    ProcStat = 0;
    Calls().clear();
    ASSERT_TRUE(qmr::CalcEigVec(&M));
    const double Per = 1 + 6;  // a sweep and its six upper elements
    const double Sweeps = (ProcStat.load() - 1) / Per + 1;
    EXPECT_EQ(Sweeps, std::floor(Sweeps));
    EXPECT_GT(Sweeps, 2);
    EXPECT_EQ(Calls().size(), static_cast<std::size_t>(ProcStat.load()));
    // Abort from the feedback inside the first sweep: False at the next row.
    SetRows(M, S);
    ProcStat = 0;
    qmr::MathFeedBackProc = [](double P) {
        if (P == 3) AbortMathProc = true;
    };
    EXPECT_FALSE(qmr::CalcEigVec(&M));
    EXPECT_EQ(ProcStat.load(), 4);  // sweep, then row 1's three elements
    EXPECT_EQ(qmr::GetEigenSize(), 4);
    // An abort asked for in the feedback of the sweep that finds the matrix diagonal
    // still gives False.
    SetRows(M, {{3, 0}, {0, 1}});
    ProcStat = 0;
    qmr::MathFeedBackProc = [](double) { AbortMathProc = true; };
    EXPECT_FALSE(qmr::CalcEigVec(&M));
    EXPECT_EQ(ProcStat.load(), 1);
}

TEST(CalcPrincComp, NormalisedSortedComponents) {
    TMatrix M(nullptr);
    // Covariance 0.4 [[2, 1], [1, 2]]: fractions 0.75 and 0.25, vector (1, 1)/sqrt(2) first.
    SetRows(M, {{1, 1}, {-1, -1}, {1, 0}, {-1, 0}, {0, 1}, {0, -1}});
    ASSERT_TRUE(qmr::CalcPrincComp(&M, 1, 2, 0, 0, 1));
    EXPECT_NEAR(GetEigenResult(1, 0), 0.75, 1e-15);
    EXPECT_NEAR(GetEigenResult(2, 0), 0.25, 1e-15);
    EXPECT_NEAR(std::fabs(GetEigenResult(1, 1) + GetEigenResult(1, 2)), std::sqrt(2.0), 1e-15);
    ASSERT_TRUE(qmr::CalcPrincComp(&M, 1, 2, 0, 0, 1, false));
    EXPECT_NEAR(GetEigenResult(1, 0), 1.2, 1e-15);
    // numpy: eigh(cov(X)) / sum |l|, descending; vectors checked on the covariance.
    SetRows(M, {{1.5, 2, -1, 4}, {2.5, 0, 3, 1}, {0.5, 1, 1, 1}, {4, 3, -2, 0}, {3, -1, 0.5, 2}, {1, 2, 2, 2}});
    ASSERT_TRUE(qmr::CalcPrincComp(&M, 1, 4, 0, 0, 1, false));
    CheckEigen(Covar(M, 1));
    ASSERT_TRUE(qmr::CalcPrincComp(&M, 1, 4, 0, 0, 1));
    const Vals Want = {0.5124176517347179, 0.26883132678350147, 0.17305906383492337, 0.045691957646857226};
    for (int i = 1; i <= 4; ++i) EXPECT_NEAR(GetEigenResult(i, 0), Want[i - 1], 1e-14) << i;
    // Mode 4 has negative eigenvalues: the positive one first, the others behind it.
    ASSERT_TRUE(qmr::CalcPrincComp(&M, 1, 4, 0, 0, 4));
    EXPECT_NEAR(GetEigenResult(1, 0), 0.5, 1e-14);
    for (int i = 2; i <= 4; ++i) EXPECT_LT(GetEigenResult(i, 0), 0);
    Rows D = Covar(M, 4);
    ASSERT_TRUE(qmr::CalcPrincComp(&M, 1, 4, 0, 0, 4, false));
    CheckEigen(D);
    // The non-positive values are never selected: against the unsorted values of the
    // same matrix, only the positive one has traded places (with position 1).
    const Vals Sorted = EigenValues();
    TMatrix Dm(nullptr);
    SetRows(Dm, D);
    ASSERT_TRUE(qmr::CalcEigVec(&Dm));
    Vals Unsorted = EigenValues();
    const auto Top = std::max_element(Unsorted.begin(), Unsorted.end());
    std::iter_swap(Unsorted.begin(), Top);
    EXPECT_EQ(Sorted, Unsorted);
    // 0, 0 gives a 1 x 1 matrix: False for several columns, fine for one.
    EXPECT_FALSE(qmr::CalcPrincComp(&M, 0, 0, 0, 0, 1));
    EXPECT_FALSE(qmr::CalcPrincComp(nullptr, 1, 2, 0, 0, 1));
    M.Resize(1, 6);
    ASSERT_TRUE(qmr::CalcPrincComp(&M, 0, 0, 0, 0, 1));
    EXPECT_EQ(GetEigenResult(1, 0), 1);
}

}  // namespace
