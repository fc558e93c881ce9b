// Dense kernels behind the matrix linear algebra: blocked Crout LU with scaled partial
// pivoting and blocked triangular solves, and the Golub-Reinsch singular value
// decomposition. Column-major storage, leading dimension ld. Internal to the library.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstddef>
#include <cstring>
#include <cstdint>
#include <memory>
#include <vector>

namespace qmr::detail::mk {

// Two doubles in one register (the baseline vector width of x86-64), loaded and stored
// without alignment demands.
typedef double V2 __attribute__((vector_size(16)));

inline V2 Load2(const double* P) {
    V2 V;
    std::memcpy(&V, P, sizeof V);
    return V;
}
inline void Store2(double* P, V2 V) { std::memcpy(P, &V, sizeof V); }

// c (4 columns of 4 values, leading dimension ldc) -= the K products a(k, r) * b(k, q),
// subtracted one by one in order of k: a holds K rows of four values, b K rows of four
// values each duplicated into both register halves. The tile core of the products.
inline void SubTile4x4(const double* a, const V2* b, std::size_t K, double* c, std::size_t ldc) {
    double* c0 = c;
    double* c1 = c0 + ldc;
    double* c2 = c1 + ldc;
    double* c3 = c2 + ldc;
    V2 x00 = Load2(c0), x01 = Load2(c0 + 2), x10 = Load2(c1), x11 = Load2(c1 + 2);
    V2 x20 = Load2(c2), x21 = Load2(c2 + 2), x30 = Load2(c3), x31 = Load2(c3 + 2);
    for (std::size_t k = 0; k < K; ++k, a += 4, b += 4) {
        const V2 a0 = Load2(a), a1 = Load2(a + 2);
        x00 -= a0 * b[0];
        x01 -= a1 * b[0];
        x10 -= a0 * b[1];
        x11 -= a1 * b[1];
        x20 -= a0 * b[2];
        x21 -= a1 * b[2];
        x30 -= a0 * b[3];
        x31 -= a1 * b[3];
    }
    Store2(c0, x00);
    Store2(c0 + 2, x01);
    Store2(c1, x10);
    Store2(c1 + 2, x11);
    Store2(c2, x20);
    Store2(c2 + 2, x21);
    Store2(c3, x30);
    Store2(c3 + 2, x31);
}

// Smallest pivot magnitude accepted; smaller (or NaN) pivots are replaced by it.
inline constexpr double kPivotFloor = 1e-100;

// Outcome of a decomposition.
enum class TLUStatus { Ok, SmallPivot, Aborted };

// Packing storage of GemmSub that a caller keeps across repeated products, so that the
// kernel neither allocates nor clears memory per call. It only grows; what it holds
// between calls is scratch, and results never depend on it. One buffer per thread.
class TGemmPack {
public:
    double* A(std::size_t n) { return Grow(FA, FCapA, n); }
    V2* B(std::size_t n) { return Grow(FB, FCapB, n); }

private:
    template <class E>
    static E* Grow(std::unique_ptr<E[]>& P, std::size_t& Cap, std::size_t n) {
        if (n > Cap) {
            P.reset(new E[n]);  // left uninitialised: the kernel writes before it reads
            Cap = n;
        }
        return P.get();
    }
    std::unique_ptr<double[]> FA;
    std::unique_ptr<V2[]> FB;
    std::size_t FCapA = 0, FCapB = 0;
};

// C -= A * B with A m x K, B K x N, C m x N (column-major, leading dimensions given).
// The second form packs into Pack instead of fresh storage; the results are the same bits.
template <class T>
void GemmSub(std::size_t m, std::size_t N, std::size_t K, const T* A, std::size_t lda, const T* B,
             std::size_t ldb, T* C, std::size_t ldc);
template <class T>
void GemmSub(std::size_t m, std::size_t N, std::size_t K, const T* A, std::size_t lda, const T* B,
             std::size_t ldb, T* C, std::size_t ldc, TGemmPack& Pack);

// Crout decomposition in place of the n x n matrix A with scaled partial pivoting.
// Scale holds the row scales (they move with their rows), Perm receives the pivot row of
// each column (0-based), NumPerm flips sign per exchange. With Progress, each column is
// preceded by a progress step and an abort poll. Pivot ties go to the later row, and the
// row stays when no candidate compares (NaN); a pivot below the floor (or NaN) is set to
// the floor and the decomposition goes on, as it does after a pivot beyond the range of
// double (both give SmallPivot). The factors are those of the unblocked algorithm.
// When aborted before column j, columns 0..j-1 hold their factors and columns j..n-1 are
// restored from Orig (the matrix as it was, leading dimension OrigLd; needed only with
// Progress) with the rows exchanged so far: the state the column-by-column algorithm leaves.
template <class T>
TLUStatus CroutLU(T* A, std::size_t n, std::size_t ld, T* Scale, std::int32_t* Perm, std::int32_t& NumPerm,
                  bool Progress, const double* Orig, std::size_t OrigLd);

// Inverse from the factors of CroutLU by forward and back substitution. Work (n x n,
// leading dimension n) receives the inverse with its columns in another order: column c
// of Work is column ColOf[c] of the inverse. A progress step and an abort poll precede
// each column; false when aborted.
template <class T>
bool InverseFromLU(const T* LU, std::size_t n, std::size_t ld, const std::int32_t* Perm, T* Work,
                   std::vector<std::size_t>& ColOf);

// Outcome of a singular value decomposition.
enum class TSvdStatus { Ok, NotConverged, Aborted, NotFinite };

// Golub-Reinsch singular value decomposition A = U * diag(W) * V^T of the Rows x Cols
// matrix A (leading dimension lda); any shape, wide ones included.
// - W (Cols values) receives the singular values: non-negative, unsorted; for a wide
//   matrix the Cols - Rows surplus values are 0.
// - With WantU, A is overwritten by U (Rows x Cols; columns of zero singular values may
//   be 0); without it A is left as scratch and U is never formed.
// - V, when not null, receives the right singular vectors as columns (Cols x Cols,
//   leading dimension ldv); when null they are not formed (the values never need them).
// - With Progress, the work on each column in each of the four phases (bidiagonal
//   reduction, right and left accumulation, diagonalisation) begins with a progress
//   step and an abort poll: 4 * Cols steps when it runs to the end.
// NotFinite: A holds a NaN or an infinity (refused before anything, progress included,
// is touched), or W, U or V overflowed (data near the overflow threshold). NotConverged: a value had not converged after
// 30 QR sweeps; the others are still computed. Aborted: A, W and V are left part-way.
TSvdStatus GolubReinsch(double* A, std::size_t Rows, std::size_t Cols, std::size_t lda, double* W, double* V,
                        std::size_t ldv, bool WantU, bool Progress);

}  // namespace qmr::detail::mk
