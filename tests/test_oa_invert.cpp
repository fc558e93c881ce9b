// InvertArray: double matrices (inverse, singular cases, progress and abort) and Booleans.
#include "qmr_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

using namespace qmr;

namespace {

using Progress = qmr::test::ProgressFixture;
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

TDouble2DArray RandomSquare(int N, std::mt19937_64& Gen, double R) {
    std::uniform_real_distribution<double> U(-R, R);
    TDouble2DArray A = qmr::test::Make2<double>(N, N);
    for (auto& C : A)
        for (auto& V : C) V = U(Gen);
    return A;
}

// The algorithm written row by row, as the reference for the exact bits: inner products
// term by term, pivot by scaled weight (last of equals; none qualifying keeps the row),
// pivots below 1e-100 or NaN read +1e-100. Stops with -3 after Columns decomposition
// columns, as an abort there would.
int ReferenceInvert(TDouble2DArray& A, int Columns = 1 << 30) {
    const int N = static_cast<int>(A.size());
    auto a = [&](int I, int J) -> double& { return A[J - 1][I - 1]; };
    std::vector<double> Scale(N + 1, 0.0), W(N + 1);
    std::vector<int> Piv(N + 1);
    for (int I = 1; I <= N; ++I) {
        for (int J = 1; J <= N; ++J) Scale[I] = std::max(Scale[I], std::fabs(a(I, J)));
        if (Scale[I] == 0) return -3;
        Scale[I] = 1 / Scale[I];
    }
    bool Sing = false;
    for (int J = 1; J <= std::min(N, Columns); ++J) {
        int P = 0;
        double Max = 0;
        for (int I = 1; I <= N; ++I) {
            double S = a(I, J);
            for (int K = 1; K < std::min(I, J); ++K) S -= a(I, K) * a(K, J);
            a(I, J) = S;
            if (I >= J && Scale[I] * std::fabs(S) >= Max) Max = Scale[I] * std::fabs(S), P = I;
        }
        if (P == 0) P = J, Sing = true;
        if (P != J) {
            for (int K = 1; K <= N; ++K) std::swap(a(P, K), a(J, K));
            Scale[P] = Scale[J];
        }
        Piv[J] = P;
        if (!(std::fabs(a(J, J)) >= 1e-100)) a(J, J) = 1e-100, Sing = true;
        for (int I = J + 1; I <= N; ++I) a(I, J) /= a(J, J);
    }
    if (Sing || Columns <= N) return -3;
    TDouble2DArray R = qmr::test::Make2<double>(N, N);
    for (int T = 1; T <= N; ++T) {
        for (int I = 1; I <= N; ++I) W[I] = I == T;
        for (int I = 1, First = 0; I <= N; ++I) {
            double S = W[Piv[I]];
            W[Piv[I]] = W[I];
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

// Bit-identical cells; any NaN matches any NaN (which operand's NaN a product passes on,
// and so its sign, is the compiler's choice).
bool SameBits(const TDouble2DArray& A, const TDouble2DArray& B) {
    if (A.size() != B.size()) return false;
    for (std::size_t C = 0; C < A.size(); ++C) {
        if (A[C].size() != B[C].size()) return false;
        for (std::size_t R = 0; R < A[C].size(); ++R)
            if (!(std::isnan(A[C][R]) && std::isnan(B[C][R])) && std::memcmp(&A[C][R], &B[C][R], sizeof(double)) != 0)
                return false;
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
    const double C = Binom(I + J - 2, I - 1);
    const double V = (I + J - 1) * Binom(N + I - 1, N - J) * Binom(N + J - 1, N - I) * C * C;
    return (I + J) % 2 == 0 ? V : -V;
}

}  // namespace

TEST_F(Progress, InvertMatchesTheReferenceBitForBitAndCountsTwoN) {
    std::mt19937_64 Gen(7);
    for (int N : {1, 2, 3, 5, 17, 33, 64, 70}) {
        TDouble2DArray Got = RandomSquare(N, Gen, 10), Ref = Got;
        ASSERT_EQ(ReferenceInvert(Ref), 0);
        ProcStat = 0.0;
        Calls().clear();
        ASSERT_EQ(InvertArray(Got), 0) << N;
        EXPECT_TRUE(SameBits(Got, Ref)) << N;
        std::vector<double> Steps(2 * N);  // ProcStat 1, 2, ..., 2n as reported
        std::iota(Steps.begin(), Steps.end(), 1.0);
        EXPECT_EQ(Calls(), Steps);
    }
}

TEST_F(Progress, InvertHilbertAgainstExactRationalInverse) {
    for (int N : {2, 3, 4, 6, 8}) {
        TDouble2DArray H = qmr::test::Make2<double>(N, N);
        for (int I = 1; I <= N; ++I)
            for (int J = 1; J <= N; ++J) H[J - 1][I - 1] = 1.0 / (I + J - 1);  // symmetric
        ASSERT_EQ(InvertArray(H), 0);
        const double Tol = 1e-15 * std::exp(3.6 * N);  // the condition grows like e^(3.5 n)
        for (int I = 1; I <= N; ++I)
            for (int J = 1; J <= N; ++J) {
                const double Exact = HilbertInverse(N, I, J);
                EXPECT_NEAR(H[J - 1][I - 1], Exact, std::fabs(Exact) * Tol) << N << " " << I << " " << J;
            }
    }
}

TEST_F(Progress, InvertPermutationDiagonalAndScalar) {
    const std::pair<TDouble2DArray, TDouble2DArray> Cases[] = {
        {{{0, 1, 0, 0}, {0, 0, 0, 1}, {1, 0, 0, 0}, {0, 0, 1, 0}}, {{0, 0, 1, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}, {0, 1, 0, 0}}},
        {{{2, 0, 0}, {0, -4, 0}, {0, 0, 0.5}}, {{0.5, 0, 0}, {0, -0.25, 0}, {0, 0, 2}}},
        {{{8}}, {{0.125}}}, {{{3}}, {{1 / 3.0}}}, {{{-1e-100}}, {{1 / -1e-100}}}};
    for (auto [A, Inverse] : Cases) {
        EXPECT_EQ(InvertArray(A), 0);
        EXPECT_EQ(A, Inverse);
    }
}

TEST_F(Progress, InvertRefusesBadShapesAndZeroRowsWithoutCounting) {
    // Rows of NaN scale like rows of zeros: -3 after the scaling pass, untouched.
    const std::pair<TDouble2DArray, int> Cases[] = {
        {{}, -1}, {TDouble2DArray(2), -1}, {TDouble2DArray(2, TDoubleArray(3, 1.0)), -1}, {{{1, 2}, {3}}, -1},
        {{{0.0}}, -3}, {{{1, 0, 2}, {3, 0, 4}, {5, 0, 7}}, -3}, {{{NaN, NaN}, {NaN, NaN}}, -3}};
    for (auto [A, Status] : Cases) {
        TDouble2DArray M = A;
        EXPECT_EQ(InvertArray(M), Status);
        EXPECT_TRUE(SameBits(M, A));
    }
    EXPECT_EQ(ProcStat.load(), 0.0);
    EXPECT_TRUE(Calls().empty());
}

TEST_F(Progress, InvertSingularLeavesTheFactors) {
    // Tiny pivots of either sign, equal rows, equal weights (rows 1 and 2 equal, all scales
    // 1/3: the last row must win), NaN and infinite entries (no row may qualify as pivot).
    const TDouble2DArray Cases[] = {{{1e-120}}, {{-1e-120}}, {{1, 4, 1}, {2, 5, 2}, {3, 7, 3}},
                                    {{1, 1, 1}, {2, 2, 3}, {3, 3, 3}}, {{NaN, 1, 1}, {1, NaN, 1}, {1, 1, NaN}},
                                    {{1, 1}, {1, NaN}}, {{Inf, 1}, {1, Inf}}, {{1, Inf}, {2, 3}}};
    std::vector<TDouble2DArray> Got;
    for (const TDouble2DArray& A0 : Cases) {
        TDouble2DArray A = A0, Ref = A0;
        ProcStat = 0.0;
        EXPECT_EQ(ReferenceInvert(Ref), -3);
        EXPECT_EQ(InvertArray(A), -3);
        EXPECT_TRUE(SameBits(A, Ref)) << A.size();
        EXPECT_EQ(ProcStat.load(), static_cast<double>(A.size()));  // the decomposition only
        Got.push_back(A);
    }
    EXPECT_EQ(Got[1][0][0], 1e-100);
    EXPECT_EQ(Got[3][1][0], 3.0);  // old row 3 (1, 3, 3) is the first row of the factors
    // Sound pivots but an inverse beyond the doubles (its corner is 1e400): -3, and the
    // factors (here the upper triangular matrix itself) are left.
    TDouble2DArray E{{1, 0, 0}, {-1e200, 1, 0}, {0, -1e200, 1}};
    const TDouble2DArray E0 = E;
    EXPECT_EQ(InvertArray(E), -3);
    EXPECT_EQ(E, E0);
}

TEST_F(Progress, InvertAbortBeforeAndDuring) {
    // Abort set before the call (step 0) or raised from the feedback hook at step K: exactly K
    // steps are counted and the matrix is untouched, partly decomposed, or left with its factors.
    static int StopAt = 0;
    MathFeedBackProc = [](double P) {
        if (P >= StopAt) AbortMathProc = true;
    };
    std::mt19937_64 Gen(3);
    const TDouble2DArray Big = RandomSquare(11, Gen, 1);
    for (StopAt = 0; StopAt <= 22; ++StopAt) {
        AbortMathProc = StopAt == 0;
        ProcStat = 0.0;
        TDouble2DArray M = Big, Ref = Big;
        ReferenceInvert(Ref, std::min(StopAt - 1, 11));
        EXPECT_EQ(InvertArray(M), -3);
        EXPECT_EQ(ProcStat.load(), static_cast<double>(StopAt));
        EXPECT_TRUE(SameBits(M, Ref)) << StopAt;
        EXPECT_TRUE(AbortMathProc.load());  // never cleared here
    }
}

TEST(InvertBool, NegatesAndRefusesEmpty) {
    TBoolArray V{true, false, false}, E;
    EXPECT_EQ(InvertArray(V), 0);
    EXPECT_EQ(V, (TBoolArray{false, true, true}));
    EXPECT_EQ(InvertArray(E), -1);
    TBool2DArray M{{true, false}, {false, false}, {true, true}}, None, NoRows(3), Ragged{{true, false}, {true}};
    EXPECT_EQ(InvertArray(M), 0);
    EXPECT_EQ(M, (TBool2DArray{{false, true}, {true, true}, {false, false}}));
    for (TBool2DArray* B : {&None, &NoRows, &Ragged}) EXPECT_EQ(InvertArray(*B), -1);
    EXPECT_EQ(Ragged, (TBool2DArray{{true, false}, {true}}));
}
