// InvertArray: double matrices (inverse, singular cases, progress and abort) and Booleans.
#include "qmr_test_support.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

using namespace qmr;

namespace {

using Progress = qmr::test::ProgressFixture;

// a(i, j) with 1-based row i and column j.
double& At(TDouble2DArray& M, int I, int J) { return M[J - 1][I - 1]; }

TDouble2DArray Square(int N, double V = 0.0) { return TDouble2DArray(N, TDoubleArray(N, V)); }

// Row-by-row transcription of the textbook algorithm, used as the reference for the exact
// bits of the result: inner products term by term, pivots by scaled weight, last of equals.
// Columns < N stops after that many decomposition columns (as an abort would); Columns = N
// stops after the whole decomposition; both return -3.
int ReferenceInvert(TDouble2DArray& A, int Columns = 1 << 30) {
    const int N = static_cast<int>(A.size());
    auto a = [&](int I, int J) -> double& { return A[J - 1][I - 1]; };
    std::vector<double> Scale(N + 1), W(N + 1);
    std::vector<int> Piv(N + 1);
    for (int I = 1; I <= N; ++I) {
        double Big = 0;
        for (int J = 1; J <= N; ++J)
            if (std::fabs(a(I, J)) > Big) Big = std::fabs(a(I, J));
        if (Big == 0) return -3;
        Scale[I] = 1 / Big;
    }
    bool Sing = false;
    for (int J = 1; J <= N; ++J) {
        if (J > Columns) return -3;
        for (int I = 1; I < J; ++I) {
            double S = a(I, J);
            for (int K = 1; K < I; ++K) S -= a(I, K) * a(K, J);
            a(I, J) = S;
        }
        int P = 0;
        double Max = 0;
        for (int I = J; I <= N; ++I) {
            double S = a(I, J);
            for (int K = 1; K < J; ++K) S -= a(I, K) * a(K, J);
            a(I, J) = S;
            if (Scale[I] * std::fabs(S) >= Max) {
                Max = Scale[I] * std::fabs(S);
                P = I;
            }
        }
        if (P != J) {
            for (int K = 1; K <= N; ++K) std::swap(a(P, K), a(J, K));
            Scale[P] = Scale[J];
        }
        Piv[J] = P;
        if (std::fabs(a(J, J)) < 1e-100) {
            a(J, J) = 1e-100;
            Sing = true;
        }
        for (int I = J + 1; I <= N; ++I) a(I, J) /= a(J, J);
    }
    if (Sing || Columns == N) return -3;
    TDouble2DArray R = Square(N);
    for (int T = 1; T <= N; ++T) {
        for (int I = 1; I <= N; ++I) W[I] = I == T ? 1 : 0;
        int First = 0;
        for (int I = 1; I <= N; ++I) {
            int P = Piv[I];
            double S = W[P];
            W[P] = W[I];
            if (First != 0)
                for (int K = First; K < I; ++K) S -= a(I, K) * W[K];
            else if (S != 0)
                First = I;
            W[I] = S;
        }
        for (int I = N; I >= 1; --I) {
            double S = W[I];
            for (int K = I + 1; K <= N; ++K) S -= a(I, K) * W[K];
            W[I] = S / a(I, I);
        }
        for (int I = 1; I <= N; ++I) R[T - 1][I - 1] = W[I];
    }
    A = R;
    return 0;
}

bool SameBits(const TDouble2DArray& A, const TDouble2DArray& B) {
    if (A.size() != B.size()) return false;
    for (std::size_t C = 0; C < A.size(); ++C) {
        if (A[C].size() != B[C].size()) return false;
        if (std::memcmp(A[C].data(), B[C].data(), A[C].size() * sizeof(double)) != 0) return false;
    }
    return true;
}

// Exact inverse of the Hilbert matrix of order n (integers).
double HilbertInverse(int N, int I, int J) {
    auto Binom = [](int A, int B) {
        double R = 1;
        for (int K = 1; K <= B; ++K) R = R * (A - B + K) / K;
        return R;
    };
    double C = Binom(I + J - 2, I - 1);
    double V = (I + J - 1) * Binom(N + I - 1, N - J) * Binom(N + J - 1, N - I) * C * C;
    return ((I + J) % 2 == 0) ? V : -V;
}

}  // namespace

TEST_F(Progress, InvertMatchesTheRowByRowAlgorithmBitForBit) {
    std::mt19937_64 Gen(7);
    std::uniform_real_distribution<double> U(-10, 10);
    for (int N : {1, 2, 3, 5, 17, 33, 64, 70}) {
        TDouble2DArray A = Square(N);
        for (auto& C : A)
            for (auto& V : C) V = U(Gen);
        TDouble2DArray Ref = A, Got = A;
        ASSERT_EQ(ReferenceInvert(Ref), 0);
        ProcStat = 0.0;
        Calls().clear();
        ASSERT_EQ(InvertArray(Got), 0) << N;
        EXPECT_TRUE(SameBits(Got, Ref)) << N;
        EXPECT_EQ(ProcStat.load(), 2.0 * N);
        ASSERT_EQ(Calls().size(), static_cast<std::size_t>(2 * N));
        for (int K = 0; K < 2 * N; ++K) EXPECT_EQ(Calls()[K], K + 1.0);
    }
}

TEST_F(Progress, InvertHilbertAgainstExactRationalInverse) {
    for (int N : {2, 3, 4, 6, 8}) {
        TDouble2DArray H = Square(N);
        for (int I = 1; I <= N; ++I)
            for (int J = 1; J <= N; ++J) At(H, I, J) = 1.0 / (I + J - 1);
        ASSERT_EQ(InvertArray(H), 0);
        // Condition number grows like e^(3.5 n); allow relative error accordingly.
        const double Tol = 1e-15 * std::exp(3.6 * N);
        for (int I = 1; I <= N; ++I)
            for (int J = 1; J <= N; ++J) {
                const double Exact = HilbertInverse(N, I, J);
                EXPECT_NEAR(At(H, I, J), Exact, std::fabs(Exact) * Tol) << N << " " << I << " " << J;
            }
    }
}

TEST_F(Progress, InvertPermutationDiagonalAndScalar) {
    // Permutation: rows (1,2,3,4) -> columns (3,1,4,2); the inverse is the transpose.
    TDouble2DArray P = Square(4);
    const int Col[4] = {3, 1, 4, 2};
    for (int I = 1; I <= 4; ++I) At(P, I, Col[I - 1]) = 1;
    TDouble2DArray Pt = Square(4);
    for (int I = 1; I <= 4; ++I)
        for (int J = 1; J <= 4; ++J) At(Pt, I, J) = At(P, J, I);
    ASSERT_EQ(InvertArray(P), 0);
    EXPECT_EQ(P, Pt);

    TDouble2DArray D = Square(3);
    At(D, 1, 1) = 2;
    At(D, 2, 2) = -4;
    At(D, 3, 3) = 0.5;
    ASSERT_EQ(InvertArray(D), 0);
    EXPECT_EQ(D, (TDouble2DArray{{0.5, 0, 0}, {0, -0.25, 0}, {0, 0, 2}}));

    TDouble2DArray X{{8.0}};
    EXPECT_EQ(InvertArray(X), 0);
    EXPECT_EQ(X[0][0], 0.125);
    X = {{-1e-100}};
    EXPECT_EQ(InvertArray(X), 0);
    EXPECT_EQ(X[0][0], -1e100);
}

TEST_F(Progress, InvertRefusesBadShapesWithoutCounting) {
    TDouble2DArray Empty, NoRows(2), Wide(2, TDoubleArray(3, 1.0));
    TDouble2DArray Ragged{{1, 2}, {3}};
    for (TDouble2DArray* A : {&Empty, &NoRows, &Wide, &Ragged}) {
        const TDouble2DArray Before = *A;
        EXPECT_EQ(InvertArray(*A), -1);
        EXPECT_EQ(*A, Before);
    }
    EXPECT_EQ(ProcStat.load(), 0.0);
    EXPECT_TRUE(Calls().empty());
}

TEST_F(Progress, InvertSingularCases) {
    // 1 x 1 zero: a zero row, matrix untouched, nothing counted.
    TDouble2DArray Z{{0.0}};
    EXPECT_EQ(InvertArray(Z), -3);
    EXPECT_EQ(Z[0][0], 0.0);
    EXPECT_EQ(ProcStat.load(), 0.0);

    // A zero row among others.
    TDouble2DArray R{{1, 0, 2}, {3, 0, 4}, {5, 0, 7}};
    const TDouble2DArray R0 = R;
    EXPECT_EQ(InvertArray(R), -3);
    EXPECT_EQ(R, R0);
    EXPECT_EQ(ProcStat.load(), 0.0);

    // A tiny pivot becomes +1e-100 and the decomposition goes on.
    TDouble2DArray T{{1e-120}};
    EXPECT_EQ(InvertArray(T), -3);
    EXPECT_EQ(T[0][0], 1e-100);
    TDouble2DArray Tn{{-1e-120}};
    EXPECT_EQ(InvertArray(Tn), -3);
    EXPECT_EQ(Tn[0][0], 1e-100);

    // Two equal rows: LU factors are left, the same as the row-by-row algorithm leaves.
    TDouble2DArray E{{1, 4, 1}, {2, 5, 2}, {3, 7, 3}};
    TDouble2DArray Ref = E;
    ProcStat = 0.0;
    EXPECT_EQ(ReferenceInvert(Ref), -3);
    EXPECT_EQ(InvertArray(E), -3);
    EXPECT_TRUE(SameBits(E, Ref));
    EXPECT_EQ(ProcStat.load(), 3.0);  // the decomposition only
    EXPECT_EQ(E[2][2], 1e-100);
}

TEST_F(Progress, InvertEqualWeightsTakeTheLastRow) {
    // Column 1 holds 1, 1, 1 with equal row scales: row 3 becomes the first pivot row,
    // so after a decomposition-only failure the first row of the factors is the old row 3.
    TDouble2DArray A{{1, 1, 1}, {2, 2, 3}, {3, 3, 3}};  // rows 1 and 2 equal, all scales 1/3
    TDouble2DArray Ref = A;
    EXPECT_EQ(ReferenceInvert(Ref), -3);
    EXPECT_EQ(InvertArray(A), -3);
    EXPECT_TRUE(SameBits(A, Ref));
    EXPECT_EQ(A[1][0], 3.0);
    EXPECT_EQ(A[2][0], 3.0);
}

TEST_F(Progress, InvertNonFiniteInputNeverSucceeds) {
    // NaN everywhere in the scaled weights: no row qualifies as pivot; must stay in bounds.
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    const double Inf = std::numeric_limits<double>::infinity();
    TDouble2DArray A{{NaN, 1, 1}, {1, NaN, 1}, {1, 1, NaN}};
    EXPECT_EQ(InvertArray(A), -3);
    // Rows (1, 1) and (1, NaN): the second row becomes the first pivot row (equal weights),
    // the second pivot is NaN: no row qualifies, row 2 stays and the pivot reads +1e-100.
    TDouble2DArray P{{1, 1}, {1, NaN}};
    EXPECT_EQ(InvertArray(P), -3);
    EXPECT_EQ(P[0], (TDoubleArray{1, 1}));
    EXPECT_TRUE(std::isnan(P[1][0]));
    EXPECT_EQ(P[1][1], 1e-100);
    TDouble2DArray B{{NaN, NaN}, {NaN, NaN}};
    EXPECT_EQ(InvertArray(B), -3);  // rows of NaN scale like rows of zeros
    TDouble2DArray C{{Inf, 1}, {1, Inf}};
    EXPECT_EQ(InvertArray(C), -3);
    TDouble2DArray D{{1, Inf}, {2, 3}};
    EXPECT_EQ(InvertArray(D), -3);
    // Sound pivots, but the inverse overflows (its corner is 1e400): -3, the LU factors are
    // left (here the upper triangular matrix itself).
    TDouble2DArray E{{1, 0, 0}, {-1e200, 1, 0}, {0, -1e200, 1}};
    const TDouble2DArray E0 = E;
    EXPECT_EQ(InvertArray(E), -3);
    EXPECT_EQ(E, E0);
}

TEST_F(Progress, InvertAbortBeforeAndDuring) {
    TDouble2DArray A{{4, 1}, {2, 3}};
    const TDouble2DArray A0 = A;
    AbortMathProc = true;
    EXPECT_EQ(InvertArray(A), -3);
    EXPECT_EQ(A, A0);
    EXPECT_EQ(ProcStat.load(), 0.0);
    EXPECT_TRUE(AbortMathProc.load());  // never cleared here

    // Abort raised from the feedback hook at the k-th step: exactly k steps are counted and
    // the matrix is left partly decomposed, or holding its complete LU factors afterwards.
    static int StopAt = 0;
    MathFeedBackProc = [](double P) {
        if (P >= StopAt) AbortMathProc = true;
    };
    std::mt19937_64 Gen(3);
    std::uniform_real_distribution<double> U(-1, 1);
    TDouble2DArray Big = Square(11);
    for (auto& C : Big)
        for (auto& V : C) V = U(Gen);
    for (int K = 1; K <= 22; ++K) {
        StopAt = K;
        AbortMathProc = false;
        ProcStat = 0.0;
        TDouble2DArray M = Big, Ref = Big;
        ReferenceInvert(Ref, std::min(K - 1, 11));
        EXPECT_EQ(InvertArray(M), -3);
        EXPECT_EQ(ProcStat.load(), static_cast<double>(K));
        EXPECT_TRUE(SameBits(M, Ref)) << K;
    }
    AbortMathProc = false;
}

TEST(InvertBool, NegatesAndRefusesEmpty) {
    TBoolArray V{true, false, false};
    EXPECT_EQ(InvertArray(V), 0);
    EXPECT_EQ(V, (TBoolArray{false, true, true}));
    EXPECT_EQ(InvertArray(V), 0);
    EXPECT_EQ(V, (TBoolArray{true, false, false}));
    TBoolArray E;
    EXPECT_EQ(InvertArray(E), -1);

    TBool2DArray M{{true, false}, {false, false}, {true, true}};
    const TBool2DArray M0 = M;
    EXPECT_EQ(InvertArray(M), 0);
    EXPECT_EQ(M, (TBool2DArray{{false, true}, {true, true}, {false, false}}));
    EXPECT_EQ(InvertArray(M), 0);
    EXPECT_EQ(M, M0);
    TBool2DArray None, NoRows(3), Ragged{{true, false}, {true}};
    EXPECT_EQ(InvertArray(None), -1);
    EXPECT_EQ(InvertArray(NoRows), -1);
    EXPECT_EQ(InvertArray(Ragged), -1);
    EXPECT_EQ(Ragged, (TBool2DArray{{true, false}, {true}}));
}
