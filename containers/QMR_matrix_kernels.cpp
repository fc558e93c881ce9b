// Dense kernels behind the matrix linear algebra. The LU is a blocked form of the Crout
// algorithm: within a panel of columns each column is reduced by the panel's earlier
// columns (contiguous column operations), its pivot is chosen on the fully reduced column,
// and the columns right of the panel are brought up to date by one triangular solve and one
// matrix product per panel. Every element still receives its products one at a time, in
// the order of the Crout recurrence (first column first), and the multipliers are
// quotients, so the factors, the pivot choices and the floored pivots are bit for bit
// those of the unblocked algorithm (two equal rows, for instance, cancel exactly).
#include "containers/QMR_matrix_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <utility>

namespace qmr::detail::mk {

namespace {

// Columns per panel and rows per block of the triangular solves.
constexpr std::size_t kBlock = 64;

template <class T>
void GemmSubGeneric(std::size_t m, std::size_t N, std::size_t K, const T* A, std::size_t lda, const T* B,
                    std::size_t ldb, T* C, std::size_t ldc) {
    std::size_t J0 = 0;
    if constexpr (!std::is_same_v<T, double>) {
        // 2 x 2 tiles of C held in registers while the K products are subtracted in
        // order (the x87 stack holds eight values).
        for (; J0 + 2 <= N; J0 += 2) {
            const T* b0 = B + J0 * ldb;
            const T* b1 = b0 + ldb;
            T* c0 = C + J0 * ldc;
            T* c1 = c0 + ldc;
            std::size_t i = 0;
            for (; i + 2 <= m; i += 2) {
                T s00 = c0[i], s01 = c0[i + 1], s10 = c1[i], s11 = c1[i + 1];
                const T* a = A + i;
                for (std::size_t k = 0; k < K; ++k, a += lda) {
                    const T a0 = a[0], a1 = a[1], bk0 = b0[k], bk1 = b1[k];
                    s00 -= a0 * bk0;
                    s01 -= a1 * bk0;
                    s10 -= a0 * bk1;
                    s11 -= a1 * bk1;
                }
                c0[i] = s00;
                c0[i + 1] = s01;
                c1[i] = s10;
                c1[i + 1] = s11;
            }
            for (; i < m; ++i) {
                T s0 = c0[i], s1 = c1[i];
                const T* a = A + i;
                for (std::size_t k = 0; k < K; ++k, a += lda) {
                    s0 -= *a * b0[k];
                    s1 -= *a * b1[k];
                }
                c0[i] = s0;
                c1[i] = s1;
            }
        }
    }
    for (std::size_t J = J0; J < N; ++J) {
        T* c = C + J * ldc;
        const T* b = B + J * ldb;
        for (std::size_t k = 0; k < K; ++k) {
            const T bk = b[k];
            const T* a = A + k * lda;
            for (std::size_t i = 0; i < m; ++i) c[i] -= a[i] * bk;
        }
    }
}


// C -= A * B for double: 4 x 4 tiles of C held in registers while the K products are
// subtracted one by one in order of k (so each element sees the same sequence of
// roundings as a plain running difference); A is read four contiguous rows at a time
// down its columns, B is packed per four columns with every value already duplicated
// into both register halves.
void GemmSubDouble(std::size_t m, std::size_t N, std::size_t K, const double* A, std::size_t lda,
                   const double* B, std::size_t ldb, double* C, std::size_t ldc, TGemmPack& Pack) {
    // A in strips of four rows, each strip K x 4 contiguous, so the tile loop reads one
    // stream instead of one column (and page) per product.
    const std::size_t Strips = m / 4;
    double* const PackedA = Pack.A(Strips * K * 4);
    for (std::size_t k = 0; k < K; ++k) {
        const double* a = A + k * lda;
        for (std::size_t st = 0; st < Strips; ++st) std::memcpy(&PackedA[(st * K + k) * 4], a + st * 4, 4 * sizeof(double));
    }
    V2* const Packed = Pack.B(K * 4);
    std::size_t J = 0;
    for (; J + 4 <= N; J += 4) {
        for (std::size_t jj = 0; jj < 4; ++jj) {
            const double* b = B + (J + jj) * ldb;
            for (std::size_t k = 0; k < K; ++k) Packed[k * 4 + jj] = V2{b[k], b[k]};
        }
        double* c0 = C + J * ldc;
        double* c1 = c0 + ldc;
        double* c2 = c1 + ldc;
        double* c3 = c2 + ldc;
        std::size_t i = 0;
        for (; i + 4 <= m; i += 4) SubTile4x4(PackedA + (i / 4) * K * 4, Packed, K, c0 + i, ldc);
        for (; i < m; ++i) {
            double s0 = c0[i], s1 = c1[i], s2 = c2[i], s3 = c3[i];
            const double* a = A + i;
            for (std::size_t k = 0; k < K; ++k, a += lda) {
                s0 -= *a * Packed[k * 4][0];
                s1 -= *a * Packed[k * 4 + 1][0];
                s2 -= *a * Packed[k * 4 + 2][0];
                s3 -= *a * Packed[k * 4 + 3][0];
            }
            c0[i] = s0;
            c1[i] = s1;
            c2[i] = s2;
            c3[i] = s3;
        }
    }
    if (J < N) GemmSubGeneric<double>(m, N - J, K, A, lda, B + J * ldb, ldb, C + J * ldc, ldc);
}

template <class T> inline T Abs(T X) { return std::fabs(X); }

// Exchanges rows r1 and r2 in columns [c0, c1).
template <class T>
void SwapRows(T* A, std::size_t ld, std::size_t r1, std::size_t r2, std::size_t c0, std::size_t c1) {
    for (std::size_t c = c0; c < c1; ++c) std::swap(A[c * ld + r1], A[c * ld + r2]);
}

// Applies the recorded exchanges of columns [j0, j1) to the columns [c0, c1).
template <class T>
void ApplySwaps(T* A, std::size_t ld, const std::int32_t* Perm, std::size_t j0, std::size_t j1, std::size_t c0,
                std::size_t c1) {
    for (std::size_t c = c0; c < c1; ++c) {
        T* col = A + c * ld;
        for (std::size_t j = j0; j < j1; ++j) {
            const auto p = static_cast<std::size_t>(Perm[j]);
            if (p != j) std::swap(col[j], col[p]);
        }
    }
}

}  // namespace

template <class T>
void GemmSub(std::size_t m, std::size_t N, std::size_t K, const T* A, std::size_t lda, const T* B,
             std::size_t ldb, T* C, std::size_t ldc, TGemmPack& Pack) {
    if (m == 0 || N == 0 || K == 0) return;
    if constexpr (std::is_same_v<T, double>) GemmSubDouble(m, N, K, A, lda, B, ldb, C, ldc, Pack);
    else GemmSubGeneric<T>(m, N, K, A, lda, B, ldb, C, ldc);
}

template <class T>
void GemmSub(std::size_t m, std::size_t N, std::size_t K, const T* A, std::size_t lda, const T* B,
             std::size_t ldb, T* C, std::size_t ldc) {
    TGemmPack Pack;
    GemmSub<T>(m, N, K, A, lda, B, ldb, C, ldc, Pack);
}

template <class T>
TLUStatus CroutLU(T* A, std::size_t n, std::size_t ld, T* Scale, std::int32_t* Perm, std::int32_t& NumPerm,
                  bool Progress, const double* Orig, std::size_t OrigLd) {
    TLUStatus Status = TLUStatus::Ok;
    for (std::size_t J0 = 0; J0 < n; J0 += kBlock) {
        const std::size_t J1 = std::min(n, J0 + kBlock);
        for (std::size_t j = J0; j < J1; ++j) {
            if (Progress) {
                StepProgress();
                if (AbortRequested()) {
                    // Finished columns: rows exchanged by every pivot so far. The others
                    // lose the panel updates they received ahead of their turn.
                    ApplySwaps(A, ld, Perm, J0, j, 0, J0);
                    for (std::size_t c = j; c < n; ++c) {
                        T* col = A + c * ld;
                        const double* o = Orig + c * OrigLd;
                        for (std::size_t r = 0; r < n; ++r) col[r] = o[r];
                    }
                    ApplySwaps(A, ld, Perm, 0, j, j, n);
                    return TLUStatus::Aborted;
                }
            }
            T* cj = A + j * ld;
            // Reduce column j by the panel's earlier columns, in order; the entries
            // above the diagonal become U, those on and below it the pivot candidates.
            for (std::size_t k = J0; k < j; ++k) {
                const T u = cj[k];
                const T* ck = A + k * ld;
                for (std::size_t i = k + 1; i < n; ++i) cj[i] -= ck[i] * u;
            }
            // Pivot: largest scaled magnitude, ties to the later row; rows whose value
            // does not compare (NaN) are never chosen, so the row stays when none does.
            T Big = 0;
            std::size_t IMax = j;
            for (std::size_t i = j; i < n; ++i) {
                const T Dum = Scale[i] * Abs(cj[i]);
                if (Dum >= Big) {
                    Big = Dum;
                    IMax = i;
                }
            }
            if (IMax != j) {
                SwapRows(A, ld, j, IMax, J0, J1);  // the other columns follow at the panel's end
                std::swap(Scale[j], Scale[IMax]);
                NumPerm = -NumPerm;
            }
            Perm[j] = static_cast<std::int32_t>(IMax);
            if (!(Abs(cj[j]) >= static_cast<T>(kPivotFloor))) {
                cj[j] = static_cast<T>(kPivotFloor);
                Status = TLUStatus::SmallPivot;
            } else if (std::isinf(static_cast<double>(cj[j]))) {
                // Beyond the range of the stored double: the factors are meaningless.
                Status = TLUStatus::SmallPivot;
            }
            if (j + 1 != n) {
                const T Piv = cj[j];
                for (std::size_t i = j + 1; i < n; ++i) cj[i] /= Piv;
            }
        }
        ApplySwaps(A, ld, Perm, J0, J1, 0, J0);
        ApplySwaps(A, ld, Perm, J0, J1, J1, n);
        if (J1 < n) {
            // Rows of U right of the panel: unit lower triangular solve with the panel's L.
            for (std::size_t c = J1; c < n; ++c) {
                T* cc = A + c * ld;
                for (std::size_t k = J0; k < J1; ++k) {
                    const T u = cc[k];
                    const T* ck = A + k * ld;
                    for (std::size_t i = k + 1; i < J1; ++i) cc[i] -= ck[i] * u;
                }
            }
            // The rest of the matrix loses the panel's contribution.
            GemmSub<T>(n - J1, n - J1, J1 - J0, A + J0 * ld + J1, ld, A + J1 * ld + J0, ld, A + J1 * ld + J1, ld);
        }
    }
    return Status;
}

template <class T>
bool InverseFromLU(const T* LU, std::size_t n, std::size_t ld, const std::int32_t* Perm, T* Work,
                   std::vector<std::size_t>& ColOf) {
    // The row exchanges turn unit vector e_j into e_c with j = ColOf[c]; solving for
    // e_c instead keeps the leading zeros of every right-hand side in place.
    ColOf.resize(n);
    std::iota(ColOf.begin(), ColOf.end(), std::size_t{0});
    for (std::size_t i = 0; i < n; ++i) std::swap(ColOf[i], ColOf[static_cast<std::size_t>(Perm[i])]);

    for (std::size_t C0 = 0; C0 < n; C0 += kBlock) {
        const std::size_t C1 = std::min(n, C0 + kBlock);
        const std::size_t W = C1 - C0;
        for (std::size_t c = C0; c < C1; ++c) {
            StepProgress();
            if (AbortRequested()) return false;
        }
        T* X = Work + C0 * n;  // columns C0..C1-1, leading dimension n
        for (std::size_t c = C0; c < C1; ++c) {
            T* x = Work + c * n;
            std::fill_n(x, n, T(0));
            x[c] = 1;
        }
        // Forward substitution with the unit lower factor; rows above C0 stay 0.
        for (std::size_t K0 = C0; K0 < n; K0 += kBlock) {
            const std::size_t K1 = std::min(n, K0 + kBlock);
            for (std::size_t c = C0; c < C1; ++c) {
                T* x = Work + c * n;
                for (std::size_t k = std::max(K0, c); k < K1; ++k) {
                    const T u = x[k];
                    const T* lk = LU + k * ld;
                    for (std::size_t i = k + 1; i < K1; ++i) x[i] -= lk[i] * u;
                }
            }
            if (K1 < n) GemmSub<T>(n - K1, W, K1 - K0, LU + K0 * ld + K1, ld, X + K0, n, X + K1, n);
        }
        // Back substitution with the upper factor, from the last block of rows up.
        for (std::size_t K1 = n; K1 > 0;) {
            const std::size_t K0 = (K1 - 1) / kBlock * kBlock;
            for (std::size_t c = C0; c < C1; ++c) {
                T* x = Work + c * n;
                for (std::size_t k = K1; k-- > K0;) {
                    const T* uk = LU + k * ld;
                    x[k] /= uk[k];
                    const T u = x[k];
                    for (std::size_t i = K0; i < k; ++i) x[i] -= uk[i] * u;
                }
            }
            if (K0 > 0) GemmSub<T>(K0, W, K1 - K0, LU + K0 * ld, ld, X + K0, n, X, n);
            K1 = K0;
        }
    }
    return true;
}

#define QMR_MK_INSTANTIATE(T)                                                                                  \
    template void GemmSub<T>(std::size_t, std::size_t, std::size_t, const T*, std::size_t, const T*,             \
                             std::size_t, T*, std::size_t);                                                    \
    template void GemmSub<T>(std::size_t, std::size_t, std::size_t, const T*, std::size_t, const T*,             \
                             std::size_t, T*, std::size_t, TGemmPack&);                                        \
    template TLUStatus CroutLU<T>(T*, std::size_t, std::size_t, T*, std::int32_t*, std::int32_t&, bool,        \
                                  const double*, std::size_t);                                                 \
    template bool InverseFromLU<T>(const T*, std::size_t, std::size_t, const std::int32_t*, T*,                 \
                                   std::vector<std::size_t>&);

QMR_MK_INSTANTIATE(double)
#if QMR_EXTENDED_80
QMR_MK_INSTANTIATE(long double)
#endif
#undef QMR_MK_INSTANTIATE

}  // namespace qmr::detail::mk
