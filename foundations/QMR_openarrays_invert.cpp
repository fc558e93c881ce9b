// In-place inversion of square double arrays; negation of Boolean arrays.
//
// The matrix is addressed a(i, j) = row i, column j = M[j][i]. The decomposition is Crout's
// with implicit row scaling and partial pivoting. The loops are arranged so that every
// element sees exactly the sequence of operations of the textbook row-by-row formulation
// (each inner product subtracted term by term in increasing k), while the innermost loops
// run down contiguous columns.
#include "foundations/QMR_openarrays_invert.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <new>
#include <utility>
#include <vector>

namespace qmr {

namespace {

constexpr double TinyPivot = 1e-100;
// Columns of the inverse solved together (one work block of n rows by this many columns).
constexpr std::size_t SolveBlock = 32;

}  // namespace

std::int32_t InvertArray(TDouble2DArray& M) {
    const std::size_t N = M.size();
    if (N == 0 || M[0].size() != N || !detail::oa::Usable(M)) return -1;

    std::vector<double> Scale, Work, Upper, Result;
    std::vector<std::size_t> Pivot, Origin;
    try {
        Scale.resize(N);
        Pivot.resize(N);
        Origin.resize(N);
        Work.resize(N * SolveBlock);
        Upper.resize(N * N);
        Result.resize(N * N);
    } catch (...) {
        return -2;
    }

    // Row scaling: the inverse of each row's largest magnitude.
    bool Singular = false;
    for (std::size_t I = 0; I < N; ++I) {
        if (detail::AbortRequested()) return -3;
        double Big = 0.0;
        for (std::size_t J = 0; J < N; ++J) {
            const double V = std::fabs(M[J][I]);
            if (V > Big) Big = V;
        }
        if (Big == 0.0) Singular = true;
        else Scale[I] = 1.0 / Big;
    }
    if (Singular) return -3;

    // Decomposition, column by column.
    for (std::size_t J = 0; J < N; ++J) {
        detail::StepProgress();
        if (detail::AbortRequested()) return -3;
        double* C = M[J].data();
        // a(i, j) -= a(i, k) * a(k, j) for k < min(i, j), applied k by k.
        for (std::size_t K = 0; K < J; ++K) {
            const double Ckj = C[K];
            const double* Ak = M[K].data();
            for (std::size_t I = K + 1; I < N; ++I) C[I] -= Ak[I] * Ckj;
        }
        // Pivot: largest scaled magnitude, the last of equal weights. A NaN weight never
        // qualifies; when none does, the current row stays and the matrix is singular.
        std::size_t P = N;
        double Best = 0.0;
        for (std::size_t I = J; I < N; ++I) {
            const double W = Scale[I] * std::fabs(C[I]);
            if (W >= Best) {
                Best = W;
                P = I;
            }
        }
        if (P == N) {
            P = J;
            Singular = true;
        }
        if (P != J) {
            for (std::size_t K = 0; K < N; ++K) std::swap(M[K][P], M[K][J]);
            Scale[P] = Scale[J];
        }
        Pivot[J] = P;
        if (!(std::fabs(C[J]) >= TinyPivot)) {
            C[J] = TinyPivot;
            Singular = true;
        }
        const double D = C[J];
        for (std::size_t I = J + 1; I < N; ++I) C[I] /= D;
    }
    if (Singular) return -3;

    // The row exchanges, applied to the identity: column u of the permuted identity is the
    // unit vector e_u and belongs to column Origin[u] of the inverse.
    for (std::size_t I = 0; I < N; ++I) Origin[I] = I;
    for (std::size_t I = 0; I < N; ++I) std::swap(Origin[I], Origin[Pivot[I]]);
    // Upper factor by rows, for the back substitution.
    for (std::size_t K = 0; K < N; ++K)
        for (std::size_t I = 0; I <= K; ++I) Upper[I * N + K] = M[K][I];

    // Solve L U x = e_u for a block of columns u at a time (row-major block, B wide).
    for (std::size_t U0 = 0; U0 < N; U0 += SolveBlock) {
        const std::size_t B = std::min(SolveBlock, N - U0);
        for (std::size_t T = 0; T < B; ++T) {
            detail::StepProgress();
            if (detail::AbortRequested()) return -3;
        }
        std::fill(Work.begin(), Work.end(), 0.0);
        for (std::size_t T = 0; T < B; ++T) Work[(U0 + T) * SolveBlock + T] = 1.0;
        // Forward substitution with the unit lower factor; column u starts at row u.
        for (std::size_t K = U0; K < N; ++K) {
            const std::size_t Width = std::min(B, K - U0 + 1);
            const double* Lk = M[K].data();
            const double* Wk = &Work[K * SolveBlock];
            for (std::size_t I = K + 1; I < N; ++I) {
                const double F = Lk[I];
                double* Wi = &Work[I * SolveBlock];
                for (std::size_t T = 0; T < Width; ++T) Wi[T] -= F * Wk[T];
            }
        }
        // Back substitution with the upper factor.
        for (std::size_t I = N; I-- > 0;) {
            double* Wi = &Work[I * SolveBlock];
            const double* Ui = &Upper[I * N];
            for (std::size_t K = I + 1; K < N; ++K) {
                const double F = Ui[K];
                const double* Wk = &Work[K * SolveBlock];
                for (std::size_t T = 0; T < B; ++T) Wi[T] -= F * Wk[T];
            }
            const double D = Ui[I];
            for (std::size_t T = 0; T < B; ++T) Wi[T] /= D;
        }
        for (std::size_t T = 0; T < B; ++T) {
            double* R = &Result[Origin[U0 + T] * N];
            for (std::size_t I = 0; I < N; ++I) R[I] = Work[I * SolveBlock + T];
        }
    }

    // An inverse that does not fit into doubles is no inverse.
    for (double V : Result)
        if (!std::isfinite(V)) return -3;
    for (std::size_t J = 0; J < N; ++J) std::copy_n(&Result[J * N], N, M[J].begin());
    return 0;
}

std::int32_t InvertArray(TBool2DArray& Cells) {
    if (!detail::oa::Usable(Cells)) return -1;
    const std::size_t Rows = Cells[0].size();
    for (auto& Column : Cells)
        for (std::size_t R = 0; R < Rows; ++R) Column[R] = !Column[R];
    return 0;
}

std::int32_t InvertArray(TBoolArray& Cells) {
    if (Cells.empty()) return -1;
    Cells.flip();
    return 0;
}

}  // namespace qmr
