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
#include <utility>
#include <vector>

namespace qmr {

namespace {

constexpr double TinyPivot = 1e-100;
// Columns of the inverse solved together (one work block of n rows by this many columns).
constexpr std::size_t SolveBlock = 32;
// Columns of the decomposition that share one sweep over the finished columns.
constexpr std::size_t Group = 4;

// Applies the terms of the finished columns 0 .. Done - 1 to the W columns starting at J:
// a(i, j) -= a(i, k) * a(k, j) for every k < Done and i > k, k by k.
template <std::size_t W>
void ApplyFinished(TDouble2DArray& M, std::size_t J, std::size_t Done, std::size_t N) {
    double* C[W];
    for (std::size_t G = 0; G < W; ++G) C[G] = M[J + G].data();
    for (std::size_t K = 0; K < Done; ++K) {
        double F[W];
        for (std::size_t G = 0; G < W; ++G) F[G] = C[G][K];
        const double* Ak = M[K].data();
        for (std::size_t I = K + 1; I < N; ++I) {
            const double A = Ak[I];
            for (std::size_t G = 0; G < W; ++G) C[G][I] -= A * F[G];
        }
    }
}

}  // namespace

std::int32_t InvertArray(TDouble2DArray& M) {
    const std::size_t N = M.size();
    if (N == 0 || M[0].size() != N || !detail::oa::Usable(M)) return -1;

    std::vector<double> Scale, Saved, Work, Rows, Result;
    std::vector<std::size_t> Pivot, Origin;
    try {
        Scale.resize(N);
        Saved.resize(N * Group);
        Pivot.resize(N);
        Origin.resize(N);
        Work.resize(N * SolveBlock);
        Rows.resize(N * N);
        Result.resize(N * N);
    } catch (...) {
        return -2;
    }

    // Row scaling: the inverse of each row's largest magnitude (scanned in storage order,
    // each row still seeing its columns in increasing order; NaN never counts as larger).
    bool Singular = false;
    for (std::size_t J = 0; J < N; ++J) {
        const double* Cj = M[J].data();
        for (std::size_t I = 0; I < N; ++I) {
            const double V = std::fabs(Cj[I]);
            if (V > Scale[I]) Scale[I] = V;
        }
    }
    for (std::size_t I = 0; I < N; ++I) {
        if (detail::AbortRequested()) return -3;
        if (Scale[I] == 0.0) Singular = true;
        else Scale[I] = 1.0 / Scale[I];
    }
    if (Singular) return -3;

    // Decomposition, column by column. The terms of the columns already finished before a
    // group of columns are applied to the whole group in one sweep (the row exchanges made
    // inside the group commute with them); an abort inside the group puts the group's
    // untouched columns back as they were.
    for (std::size_t J0 = 0; J0 < N; J0 += Group) {
        const std::size_t G = std::min(Group, N - J0);
        detail::StepProgress();
        if (detail::AbortRequested()) return -3;
        for (std::size_t Gi = 1; Gi < G; ++Gi) std::copy_n(M[J0 + Gi].data(), N, &Saved[Gi * N]);
        if (G == Group) {
            ApplyFinished<Group>(M, J0, J0, N);
        } else {
            for (std::size_t Gi = 0; Gi < G; ++Gi) ApplyFinished<1>(M, J0 + Gi, J0, N);
        }
        for (std::size_t Gi = 0; Gi < G; ++Gi) {
            const std::size_t J = J0 + Gi;
            if (Gi > 0) {
                detail::StepProgress();
                if (detail::AbortRequested()) {
                    for (std::size_t R = Gi; R < G; ++R) std::copy_n(&Saved[R * N], N, M[J0 + R].data());
                    return -3;
                }
            }
            double* C = M[J].data();
            // The terms of the group's earlier columns: a(i, j) -= a(i, k) * a(k, j), i > k.
            for (std::size_t K = J0; K < J; ++K) {
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
                for (std::size_t R = Gi + 1; R < G; ++R) std::swap(Saved[R * N + P], Saved[R * N + J]);
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
    }
    if (Singular) return -3;

    // The row exchanges, applied to the identity: column u of the permuted identity is the
    // unit vector e_u and belongs to column Origin[u] of the inverse.
    for (std::size_t I = 0; I < N; ++I) Origin[I] = I;
    for (std::size_t I = 0; I < N; ++I) std::swap(Origin[I], Origin[Pivot[I]]);
    // Both factors by rows: Rows[i * N + k] = a(i, k).
    for (std::size_t K = 0; K < N; ++K)
        for (std::size_t I = 0; I < N; ++I) Rows[I * N + K] = M[K][I];

    // Solve L U x = e_u for a block of columns u at a time (row-major block). Each row of the
    // block is accumulated in a local array that stays in registers; every element still
    // sees its terms in increasing k.
    constexpr std::size_t SB = SolveBlock;
    for (std::size_t U0 = 0; U0 < N; U0 += SB) {
        const std::size_t B = std::min(SB, N - U0);
        for (std::size_t T = 0; T < B; ++T) {
            detail::StepProgress();
            if (detail::AbortRequested()) return -3;
        }
        // Forward substitution with the unit lower factor: rows above U0 stay 0, row u of
        // column u holds 1 and takes no terms, later rows take k = u .. i - 1.
        for (std::size_t I = U0; I < N; ++I) {
            double Acc[SB] = {};
            if (I < U0 + B) Acc[I - U0] = 1.0;
            const double* Li = &Rows[I * N];
            const std::size_t HeadEnd = std::min(I, U0 + SB - 1);
            for (std::size_t K = U0; K < HeadEnd; ++K) {
                const double F = Li[K];
                const double* Wk = &Work[K * SB];
                for (std::size_t T = 0; T <= K - U0; ++T) Acc[T] -= F * Wk[T];
            }
            for (std::size_t K = HeadEnd; K < I; ++K) {
                const double F = Li[K];
                const double* Wk = &Work[K * SB];
                for (std::size_t T = 0; T < SB; ++T) Acc[T] -= F * Wk[T];
            }
            std::copy_n(Acc, SB, &Work[I * SB]);
        }
        for (std::size_t I = 0; I < U0; ++I) std::fill_n(&Work[I * SB], SB, 0.0);
        // Back substitution with the upper factor.
        for (std::size_t I = N; I-- > 0;) {
            double Acc[SB];
            std::copy_n(&Work[I * SB], SB, Acc);
            const double* Ui = &Rows[I * N];
            for (std::size_t K = I + 1; K < N; ++K) {
                const double F = Ui[K];
                const double* Wk = &Work[K * SB];
                for (std::size_t T = 0; T < SB; ++T) Acc[T] -= F * Wk[T];
            }
            const double D = Ui[I];
            for (std::size_t T = 0; T < SB; ++T) Work[I * SB + T] = Acc[T] / D;
        }
        for (std::size_t T = 0; T < B; ++T) {
            double* R = &Result[Origin[U0 + T] * N];
            for (std::size_t I = 0; I < N; ++I) R[I] = Work[I * SB + T];
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
