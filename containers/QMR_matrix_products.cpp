// TMatrix arithmetic: scalar and element-wise operations, matrix and matrix-vector
// products, correlation, row distances and distance matrices, the cross-product matrix
// on worker threads (Square) and the hat matrix.
#include "containers/QMR_matrix.h"
#include "containers/QMR_matrix_kernels.h"
#include "containers/QMR_vector.h"
#include "containers/QMR_vector_algos.h"
#include "containers/QMR_worker_pool.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace qmr {

namespace {

namespace mk = detail::mk;

// Products and their sums are formed in Extended: each result element is the sum of its
// products taken one by one in the order of the shared index.
using TWork = Extended;

// Panels of the shared dimension and of result rows for the product kernel: one panel of
// the left factor stays in the second-level cache while the result columns pass by.
constexpr std::size_t kPanelK = 256;
constexpr std::size_t kPanelM = 128;

// C -= A * B (m x K times K x N, column-major) panel by panel. Every element of C still
// receives its K products one at a time in ascending k, so C := 0 followed by this gives
// the negated in-order sum exactly (0 - x is -x, and never -0).
void SubProduct(std::size_t m, std::size_t N, std::size_t K, const TWork* A, std::size_t lda, const TWork* B,
                std::size_t ldb, TWork* C, std::size_t ldc) {
    mk::TGemmPack Pack;
    for (std::size_t K0 = 0; K0 < K; K0 += kPanelK) {
        const std::size_t Kc = std::min(kPanelK, K - K0);
        for (std::size_t I0 = 0; I0 < m; I0 += kPanelM)
            mk::GemmSub<TWork>(std::min(kPanelM, m - I0), N, Kc, A + K0 * lda + I0, lda, B + K0, ldb, C + I0, ldc,
                               Pack);
    }
}

// A block of Rows x Cols doubles (leading dimension ld) in the work type: the storage
// itself where the two types agree, else a converted copy (leading dimension Rows).
struct TWorkView {
    const TWork* P = nullptr;
    std::size_t ld = 0;
    std::vector<TWork> Copy;
};

void ViewAsWork(const double* Src, std::size_t Rows, std::size_t Cols, std::size_t ld, TWorkView& V) {
#if !QMR_EXTENDED_80
    (void)Rows;
    (void)Cols;
    V.P = Src;
    V.ld = ld;
#else
    V.Copy.resize(Rows * Cols);
    for (std::size_t c = 0; c < Cols; ++c)
        for (std::size_t r = 0; r < Rows; ++r) V.Copy[c * Rows + r] = Src[c * ld + r];
    V.P = V.Copy.data();
    V.ld = Rows;
#endif
}

// The transpose of a Rows x Cols block (leading dimension ld) as Cols x Rows, leading
// dimension Cols, in the work type.
void TransposedWork(const double* Src, std::size_t Rows, std::size_t Cols, std::size_t ld, TWorkView& V) {
    V.Copy.resize(Rows * Cols);
    constexpr std::size_t kTile = 32;
    for (std::size_t c0 = 0; c0 < Cols; c0 += kTile)
        for (std::size_t r0 = 0; r0 < Rows; r0 += kTile)
            for (std::size_t c = c0; c < std::min(Cols, c0 + kTile); ++c)
                for (std::size_t r = r0; r < std::min(Rows, r0 + kTile); ++r) V.Copy[r * Cols + c] = Src[c * ld + r];
    V.P = V.Copy.data();
    V.ld = Cols;
}

// Result of a product: m x N sums, negated as the kernel leaves them.
struct TProduct {
    std::size_t m = 0, N = 0;
    std::vector<TWork> C;
    double At(std::size_t r, std::size_t c) const { return static_cast<double>(TWork(0) - C[c * m + r]); }
};

// The distance or similarity of two rows read through X(k) and Y(k), k = 0..p - 1.
template <class XFn, class YFn> Extended RowDistance(TDistMode Mode, std::size_t p, XFn&& X, YFn&& Y) {
    switch (Mode) {
    case TDistMode::dmTanimoto:
    case TDistMode::dmDice: {
        Extended Sxy = 0, Sxx = 0, Syy = 0;
        for (std::size_t k = 0; k < p; ++k) {
            const Extended x = X(k), y = Y(k);
            Sxy += x * y;
            Sxx += x * x;
            Syy += y * y;
        }
        const Extended Den = Mode == TDistMode::dmTanimoto ? Sxx + Syy - Sxy : Sxx + Syy;
        if (Den == 0) return 0;  // two all-zero rows
        return Mode == TDistMode::dmTanimoto ? Sxy / Den : 2 * Sxy / Den;
    }
    case TDistMode::dmManhattan: {
        Extended S = 0;
        for (std::size_t k = 0; k < p; ++k) S += std::fabs(static_cast<Extended>(X(k)) - Y(k));
        return S;
    }
    case TDistMode::dmEuclid:
    case TDistMode::dmEuclidSqr: {
        Extended S = 0;
        for (std::size_t k = 0; k < p; ++k) {
            const Extended D = static_cast<Extended>(X(k)) - Y(k);
            S += D * D;
        }
        return Mode == TDistMode::dmEuclid ? std::sqrt(S) : S;
    }
    default:
        return 0;
    }
}

}  // namespace

// ---------------------------------------------------------------- scalar and element-wise operations

void TMatrix::SMult(double Scalar) {
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        double* P = Column(C);
        for (std::int32_t R = 0; R < FNRow; ++R) P[R] *= Scalar;
    }
    Changed();
}

void TMatrix::SAdd(double Scalar) {
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        double* P = Column(C);
        for (std::int32_t R = 0; R < FNRow; ++R) P[R] += Scalar;
    }
    Changed();
}

bool TMatrix::Add(const TMatrix* MatB) {
    if (MatB == nullptr || MatB->FNCol != FNCol || MatB->FNRow != FNRow) return false;
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        double* P = Column(C);
        const double* Q = MatB->Column(C);
        for (std::int32_t R = 0; R < FNRow; ++R) P[R] += Q[R];
    }
    Changed();
    return true;
}

bool TMatrix::Subtract(const TMatrix* MatB) {
    if (MatB == nullptr || MatB->FNCol != FNCol || MatB->FNRow != FNRow) return false;
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        double* P = Column(C);
        const double* Q = MatB->Column(C);
        for (std::int32_t R = 0; R < FNRow; ++R) P[R] -= Q[R];
    }
    Changed();
    return true;
}

bool TMatrix::EMult(const TMatrix* MatB, TMatrix* MatRes) {
    if (MatB == nullptr || MatRes == nullptr || MatB->FNCol != FNCol || MatB->FNRow != FNRow) return false;
    const auto NR = static_cast<std::size_t>(FNRow);
    std::vector<double> Res(static_cast<std::size_t>(FNCol) * NR);  // MatRes may be an operand
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        const double* P = Column(C);
        const double* Q = MatB->Column(C);
        double* D = Res.data() + static_cast<std::size_t>(C - 1) * NR;
        for (std::size_t R = 0; R < NR; ++R) D[R] = static_cast<double>(static_cast<TWork>(P[R]) * Q[R]);
    }
    MatRes->Resize(FNCol, FNRow);
    for (std::int32_t C = 1; C <= FNCol; ++C)
        for (std::int32_t R = 1; R <= FNRow; ++R)
            MatRes->SetElem(C, R, Res[static_cast<std::size_t>(C - 1) * NR + static_cast<std::size_t>(R - 1)]);
    Changed();
    return true;
}

// ---------------------------------------------------------------- matrix products

namespace {

// Writes the product into MatRes (N columns x m rows) through its setter, column by column.
void StoreProduct(const TProduct& P, TMatrix& MatRes) {
    MatRes.Resize(static_cast<std::int32_t>(P.N), static_cast<std::int32_t>(P.m));
    for (std::size_t c = 0; c < P.N; ++c)
        for (std::size_t r = 0; r < P.m; ++r)
            MatRes.SetElem(static_cast<std::int32_t>(c + 1), static_cast<std::int32_t>(r + 1), P.At(r, c));
}

// P := A * B with A m x K and B K x N given as work views.
void FormProduct(std::size_t m, std::size_t N, std::size_t K, const TWorkView& A, const TWorkView& B, TProduct& P) {
    P.m = m;
    P.N = N;
    P.C.assign(m * N, TWork(0));
    SubProduct(m, N, K, A.P, A.ld, B.P, B.ld, P.C.data(), m);
}

}  // namespace

bool TMatrix::Multiply(const TMatrix* MatB, TMatrix* MatRes) {
    if (MatB == nullptr || MatRes == nullptr || FNCol != MatB->FNRow) return false;
    const auto m = static_cast<std::size_t>(FNRow), K = static_cast<std::size_t>(FNCol),
               N = static_cast<std::size_t>(MatB->FNCol);
    TWorkView A, B;
    ViewAsWork(FMat.data(), m, K, StoreRows(), A);
    ViewAsWork(MatB->FMat.data(), K, N, MatB->StoreRows(), B);
    TProduct P;
    FormProduct(m, N, K, A, B, P);  // complete before MatRes, which may be an operand, changes
    StoreProduct(P, *MatRes);
    Changed();
    return true;
}

bool TMatrix::MultiplyTransposed(const TMatrix* MatB, TMatrix* MatRes) {
    if (MatB == nullptr || MatRes == nullptr || FNCol != MatB->FNCol) return false;
    const auto m = static_cast<std::size_t>(FNRow), K = static_cast<std::size_t>(FNCol),
               N = static_cast<std::size_t>(MatB->FNRow);
    TWorkView A, B;
    ViewAsWork(FMat.data(), m, K, StoreRows(), A);
    TransposedWork(MatB->FMat.data(), N, K, MatB->StoreRows(), B);
    TProduct P;
    FormProduct(m, N, K, A, B, P);
    StoreProduct(P, *MatRes);
    Changed();
    return true;
}

bool TMatrix::TransposeAndMultiply(const TMatrix* MatB, TMatrix* MatRes) {
    if (MatB == nullptr || MatRes == nullptr || FNRow != MatB->FNRow) return false;
    const auto m = static_cast<std::size_t>(FNCol), K = static_cast<std::size_t>(FNRow),
               N = static_cast<std::size_t>(MatB->FNCol);
    TWorkView A, B;
    TransposedWork(FMat.data(), K, m, StoreRows(), A);
    ViewAsWork(MatB->FMat.data(), K, N, MatB->StoreRows(), B);
    TProduct P;
    FormProduct(m, N, K, A, B, P);
    StoreProduct(P, *MatRes);
    Changed();
    return true;
}

bool TMatrix::Multiply(const TVector* VecB, TVector* VecRes) {
    if (VecB == nullptr || VecRes == nullptr || FNCol != VecB->NrOfElem()) return false;
    const auto m = static_cast<std::size_t>(FNRow), K = static_cast<std::size_t>(FNCol);
    TWorkView A, B;
    ViewAsWork(FMat.data(), m, K, StoreRows(), A);
    B.Copy.resize(K);  // also keeps VecB's values should VecRes be VecB
    for (std::size_t k = 0; k < K; ++k) B.Copy[k] = VecB->Elem(static_cast<std::int32_t>(k + 1));
    B.P = B.Copy.data();
    B.ld = K;
    TProduct P;
    FormProduct(m, 1, K, A, B, P);
    VecRes->SetNrOfElem(FNRow);
    for (std::size_t r = 0; r < m; ++r) VecRes->SetElem(static_cast<std::int32_t>(r + 1), P.At(r, 0));
    Changed();
    return true;
}

bool TMatrix::TransposeAndMultiply(const TVector* VecB, TVector* VecRes) {
    if (VecB == nullptr || VecRes == nullptr || FNRow != VecB->NrOfElem()) return false;
    const auto K = static_cast<std::size_t>(FNRow);
    std::vector<TWork> V(K);
    for (std::size_t k = 0; k < K; ++k) V[k] = VecB->Elem(static_cast<std::int32_t>(k + 1));
    std::vector<double> Res(static_cast<std::size_t>(FNCol));
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        const double* P = Column(C);
        TWork S = 0;
        for (std::size_t k = 0; k < K; ++k) S += static_cast<TWork>(P[k]) * V[k];
        Res[static_cast<std::size_t>(C - 1)] = static_cast<double>(S);
    }
    VecRes->SetNrOfElem(FNCol);
    for (std::int32_t C = 1; C <= FNCol; ++C) VecRes->SetElem(C, Res[static_cast<std::size_t>(C - 1)]);
    Changed();
    return true;
}

// ---------------------------------------------------------------- correlation and distances

Extended TMatrix::Correlate(const TMatrix* OtherMat) const {
    if (OtherMat == nullptr || OtherMat->FNCol != FNCol || OtherMat->FNRow != FNRow)
        throw EQMRMatrixError(ComponentMessage(this, "matrices do not match"));
    const std::int64_t N = static_cast<std::int64_t>(FNCol) * FNRow;
    if (N <= 2) return 0;
    Extended Sx = 0, Sy = 0, Sxx = 0, Syy = 0;
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        const double* X = Column(C);
        const double* Y = OtherMat->Column(C);
        for (std::int32_t R = 0; R < FNRow; ++R) {
            Sx += X[R];
            Sy += Y[R];
            Sxx += static_cast<Extended>(X[R]) * X[R];
            Syy += static_cast<Extended>(Y[R]) * Y[R];
        }
    }
    if (!(Sxx > 0) || !(Syy > 0)) return 0;
    // The sums of squares and products about the means, from the deviations (stable for
    // data far from 0).
    const auto n = static_cast<Extended>(N);
    const Extended Mx = Sx / n, My = Sy / n;
    detail::TPairSums D;
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        const double* X = Column(C);
        const double* Y = OtherMat->Column(C);
        for (std::int32_t R = 0; R < FNRow; ++R) D.Add(X[R] - Mx, Y[R] - My);
    }
    const Extended Qxx = D.Qxx(n), Qyy = D.Qyy(n);
    if (Qxx == 0 || Qyy == 0) return 0;
    return D.Qxy(n) / std::sqrt(std::fabs(Qxx * Qyy));
}

Extended TMatrix::DistanceOfObjects(TDistMode Mode, std::int32_t Obj1, std::int32_t Obj2) const {
    if (Mode == TDistMode::dmUser) {
        double Distance = 0;
        // The handler receives this matrix as its sender.
        if (OnCalcDistance) OnCalcDistance(const_cast<TMatrix*>(this), Obj1, Obj2, Distance);
        return Distance;
    }
    auto Row = [this](std::int32_t Obj) {
        return [this, Obj](std::size_t k) -> double {
            return Obj >= 1 && Obj <= FNRow ? Column(static_cast<std::int32_t>(k + 1))[Obj - 1] : 0.0;  // outside: zeros
        };
    };
    return RowDistance(Mode, static_cast<std::size_t>(FNCol), Row(Obj1), Row(Obj2));
}

namespace {

// Visits every pair of the n rows in the order the distance matrix is written: row by row,
// the diagonal (i, i) first, then (i, j) and (j, i) for j > i.
template <class DistFn, class StoreFn> void DistancePairs(std::size_t n, DistFn&& Dist, StoreFn&& Store) {
    for (std::size_t i = 0; i < n; ++i) {
        Store(i, i, 0.0);
        for (std::size_t j = i + 1; j < n; ++j) {
            const double D = Dist(i, j);
            Store(i, j, D);
            Store(j, i, D);
        }
    }
}

// The built-in distance of rows i and j of the row-major n x p block Rows.
template <TDistMode Mode> struct TRowDist {
    const double* Rows;
    std::size_t p;
    double operator()(std::size_t i, std::size_t j) const {
        const double* X = Rows + i * p;
        const double* Y = Rows + j * p;
        return static_cast<double>(RowDistance(Mode, p, [X](std::size_t k) { return X[k]; },
                                               [Y](std::size_t k) { return Y[k]; }));
    }
};

}  // namespace

std::int32_t TMatrix::CalcDistMat(TDistMode Mode, TMatrix* DMat) const {
    if (DMat == nullptr || DMat->FNCol != FNRow) return -2;
    if (DMat->FNRow != DMat->FNCol) return -1;
    const auto n = static_cast<std::size_t>(FNRow), p = static_cast<std::size_t>(FNCol);
    // Without a handler on DMat its storage is written directly, in the same order.
    auto Store = [DMat](std::size_t i, std::size_t j, double D) {
        if (DMat->OnChange) DMat->SetElem(static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1), D);
        else DMat->FMat[i * DMat->StoreRows() + j] = D;
    };
    auto Run = [&](auto&& Dist) {
        if (DMat != this) {
            DistancePairs(n, Dist, Store);
            return;
        }
        // Into this matrix itself: every distance is formed before the first write.
        std::vector<double> Ahead;
        Ahead.reserve(n > 0 ? n * (n - 1) / 2 : 0);
        DistancePairs(n, Dist, [&Ahead](std::size_t i, std::size_t j, double D) {
            if (i < j) Ahead.push_back(D);
        });
        std::size_t Next = 0;
        DistancePairs(n, [&](std::size_t, std::size_t) { return Ahead[Next++]; }, Store);
    };
    if (Mode == TDistMode::dmUser) {
        Run([this](std::size_t i, std::size_t j) {
            return static_cast<double>(DistanceOfObjects(TDistMode::dmUser, static_cast<std::int32_t>(i + 1),
                                                         static_cast<std::int32_t>(j + 1)));
        });
        return 0;
    }
    // The rows, each contiguous.
    std::vector<double> Rows(n * p);
    for (std::size_t c = 0; c < p; ++c) {
        const double* Src = Column(static_cast<std::int32_t>(c + 1));
        for (std::size_t r = 0; r < n; ++r) Rows[r * p + c] = Src[r];
    }
    switch (Mode) {
    case TDistMode::dmTanimoto: Run(TRowDist<TDistMode::dmTanimoto>{Rows.data(), p}); break;
    case TDistMode::dmManhattan: Run(TRowDist<TDistMode::dmManhattan>{Rows.data(), p}); break;
    case TDistMode::dmEuclid: Run(TRowDist<TDistMode::dmEuclid>{Rows.data(), p}); break;
    case TDistMode::dmEuclidSqr: Run(TRowDist<TDistMode::dmEuclidSqr>{Rows.data(), p}); break;
    case TDistMode::dmDice: Run(TRowDist<TDistMode::dmDice>{Rows.data(), p}); break;
    default: Run([](std::size_t, std::size_t) { return 0.0; }); break;
    }
    return 0;
}

// ---------------------------------------------------------------- squaring

namespace {

// Rows of X per pass and result rows per panel of the squaring tiles: a panel of packed
// strips (128 x 256 doubles) stays in the second-level cache while the block's groups of
// four columns pass over it.
constexpr std::size_t kSquareK = 256;
constexpr std::size_t kSquareJ = 128;

// Packing storage of the squaring tiles, one per thread, kept between calls (pool threads
// serve many calls).
struct TSquareScratch {
    std::vector<double> A;   // kSquareJ x kSquareK: strips that another thread is still packing
    std::vector<mk::V2> B;   // 4 x kSquareK: the block's four columns, each value in both halves
};

TSquareScratch& SquareScratch() {
    thread_local TSquareScratch S;
    return S;
}

// The columns of X^T X in blocks: block [i0, i1) computes the entries (i, j), j >= i, of
// its columns and writes them to (i, j) and (j, i) of the n x n result R, divided by Norm.
// Every entry is the in-order sum over the rows of X, whoever computes it, so the result
// does not depend on the blocks or on the threads. Blocks write disjoint cells; with the
// work type double, i0 is a multiple of four (the strips below start there).
struct TSquareJob {
    std::size_t n = 0, m = 0;       // columns and rows of X
    const double* X = nullptr;      // X's columns, leading dimension ldx
    std::size_t ldx = 0;
    const TWork* Xt = nullptr;      // X transposed (n x m, leading dimension n) and
    const TWork* Xw = nullptr;      // X (leading dimension ldw) in the work type, for
    std::size_t ldw = 0;            // the general path
    TWork Norm = 1;
    double* R = nullptr;            // the result's storage, leading dimension n
    // Work type double: columns 4s..4s+3 of X as m rows of four (zeros past column n) at
    // Strips + 4ms, packed once by whichever block needs them first; Ready[s] is 0 until a
    // thread takes strip s, 1 while it packs it, 2 when it is there.
    double* Strips = nullptr;
    std::atomic<std::uint8_t>* Ready = nullptr;

    void Block(std::size_t i0, std::size_t i1) const {
        if constexpr (std::is_same_v<TWork, double>) BlockTiles(i0, i1);
        else BlockGeneral(i0, i1);
    }

    // Work type double: the negated sums accumulate in R itself, column i from the top of
    // its group of four (the cells above i there are overwritten by the mirror images of
    // the block's earlier columns). Both factors are slices of X's columns.
    void BlockTiles(std::size_t i0, std::size_t i1) const {
        for (std::size_t i = i0; i < i1; ++i) std::fill(R + i * n + Top(i0, i), R + (i + 1) * n, 0.0);
        TSquareScratch& S = SquareScratch();
        S.A.resize(kSquareJ * kSquareK);
        S.B.resize(4 * kSquareK);
        for (std::size_t K0 = 0; K0 < m; K0 += kSquareK) {
            const std::size_t Kc = std::min(kSquareK, m - K0);
            for (std::size_t J0 = i0; J0 < n; J0 += kSquareJ) {
                const std::size_t J1 = std::min(n, J0 + kSquareJ);
                const double* Panel[kSquareJ / 4];
                for (std::size_t j = J0; j < J1; j += 4)
                    Panel[(j - J0) / 4] = Strip(j / 4, K0, Kc, S.A.data() + (j - J0) * Kc);
                for (std::size_t g = i0; g < std::min(i1, J1); g += 4) {
                    PackColumns(g, std::min(i1, g + 4), K0, Kc, S.B.data());
                    for (std::size_t j = std::max(J0, g); j < J1; j += 4) {
                        const double* a = Panel[(j - J0) / 4];
                        if (j + 4 <= n && g + 4 <= i1) {
                            mk::SubTile4x4(a, S.B.data(), Kc, R + g * n + j, n);
                            continue;
                        }
                        // At the edge: the tile in a local copy, padded with zeros.
                        const std::size_t Rows = std::min<std::size_t>(4, n - j), Cols = std::min<std::size_t>(4, i1 - g);
                        double T[16] = {};
                        for (std::size_t q = 0; q < Cols; ++q)
                            for (std::size_t r = 0; r < Rows; ++r) T[q * 4 + r] = R[(g + q) * n + j + r];
                        mk::SubTile4x4(a, S.B.data(), Kc, T, 4);
                        for (std::size_t q = 0; q < Cols; ++q)
                            for (std::size_t r = 0; r < Rows; ++r) R[(g + q) * n + j + r] = T[q * 4 + r];
                    }
                }
            }
        }
        for (std::size_t i = i0; i < i1; ++i)
            for (std::size_t j = i; j < n; ++j) {
                const double V = static_cast<double>((TWork(0) - R[i * n + j]) / Norm);
                R[i * n + j] = V;
                R[j * n + i] = V;
            }
    }

    static std::size_t Top(std::size_t i0, std::size_t i) { return i0 + (i - i0) / 4 * 4; }

    // Rows K0..K0 + Kc - 1 of strip s: from the shared strips, packing the strip there
    // first when no thread has taken it yet; while another thread packs it, the rows are
    // packed into Spare instead (no thread ever waits for another).
    const double* Strip(std::size_t s, std::size_t K0, std::size_t Kc, double* Spare) const {
        double* Shared = Strips + 4 * m * s;
        std::uint8_t State = Ready[s].load(std::memory_order_acquire);
        if (State == 0 && Ready[s].compare_exchange_strong(State, 1, std::memory_order_acq_rel)) {
            PackStrip(4 * s, n, 0, m, Shared);
            Ready[s].store(2, std::memory_order_release);
            State = 2;
        }
        if (State == 2) return Shared + 4 * K0;
        PackStrip(4 * s, n, K0, Kc, Spare);
        return Spare;
    }

    // Rows K0.. of columns j..j+3 of X (zeros past column End) as Kc rows of four.
    void PackStrip(std::size_t j, std::size_t End, std::size_t K0, std::size_t Kc, double* Dst) const {
        for (std::size_t q = 0; q < 4; ++q) {
            if (j + q < End) {
                const double* Src = X + (j + q) * ldx + K0;
                for (std::size_t k = 0; k < Kc; ++k) Dst[k * 4 + q] = Src[k];
            } else {
                for (std::size_t k = 0; k < Kc; ++k) Dst[k * 4 + q] = 0;
            }
        }
    }

    // The same for the block's columns g..End - 1, every value in both halves.
    void PackColumns(std::size_t g, std::size_t End, std::size_t K0, std::size_t Kc, mk::V2* Dst) const {
        for (std::size_t q = 0; q < 4; ++q) {
            if (g + q < End) {
                const double* Src = X + (g + q) * ldx + K0;
                for (std::size_t k = 0; k < Kc; ++k) Dst[k * 4 + q] = mk::V2{Src[k], Src[k]};
            } else {
                for (std::size_t k = 0; k < Kc; ++k) Dst[k * 4 + q] = mk::V2{0, 0};
            }
        }
    }

    // Any work type: the product kernel on X transposed and X, into a block of sums.
    void BlockGeneral(std::size_t i0, std::size_t i1) const {
        const std::size_t Rows = n - i0, Cols = i1 - i0;
        std::vector<TWork> C(Rows * Cols, TWork(0));
        if (m > 0) SubProduct(Rows, Cols, m, Xt + i0, n, Xw + i0 * ldw, ldw, C.data(), Rows);  // no rows: no storage
        for (std::size_t c = 0; c < Cols; ++c) {
            const std::size_t i = i0 + c;
            for (std::size_t j = i; j < n; ++j) {
                const double V = static_cast<double>((TWork(0) - C[c * Rows + (j - i0)]) / Norm);
                R[i * n + j] = V;
                R[j * n + i] = V;
            }
        }
    }
};

}  // namespace

bool TMatrix::Square(TMatrix* MatRes, double Norm, std::int32_t NThreads) const {
    if (MatRes == nullptr || Norm == 0 || !std::isfinite(Norm)) return false;
    if (NThreads < 1) NThreads = 1;
    const auto n = static_cast<std::size_t>(FNCol), m = static_cast<std::size_t>(FNRow);
    TSquareJob Job;
    Job.n = n;
    Job.m = m;
    Job.X = FMat.data();
    Job.ldx = StoreRows();
    std::vector<double> Own;
    if (MatRes == this) {  // the result replaces the source: keep a copy of its columns
        Own.assign(FMat.begin(), FMat.end());
        Job.X = Own.data();
    }
    TWorkView Xt, Xw;
    if constexpr (!std::is_same_v<TWork, double>) {
        TransposedWork(Job.X, m, n, Job.ldx, Xt);
        ViewAsWork(Job.X, m, n, Job.ldx, Xw);
        Job.Xt = Xt.P;
        Job.Xw = Xw.P;
        Job.ldw = Xw.ld;
    }
    std::unique_ptr<double[]> Strips;
    std::unique_ptr<std::atomic<std::uint8_t>[]> Ready;
    if constexpr (std::is_same_v<TWork, double>) {
        const std::size_t NStrips = (n + 3) / 4;
        Strips.reset(new double[NStrips * 4 * m]);  // left uninitialised: packed before read
        Ready = std::make_unique<std::atomic<std::uint8_t>[]>(NStrips);
        Job.Strips = Strips.get();
        Job.Ready = Ready.get();
    }
    MatRes->Resize(FNCol, FNCol);
    Job.Norm = Norm;
    Job.R = MatRes->FMat.data();

    if (NThreads == 1) {
        // Column by column: an abort poll and a progress step before each; the kernel
        // takes the columns that passed in blocks.
        constexpr std::size_t kInlineBlock = 16;
        for (std::size_t i0 = 0; i0 < n; i0 += kInlineBlock) {
            const std::size_t i1 = std::min(n, i0 + kInlineBlock);
            std::size_t Passed = i0;
            bool Aborted = false;
            for (std::size_t c = i0; c < i1; ++c) {
                if (detail::AbortRequested()) {
                    Aborted = true;
                    break;
                }
                detail::StepProgress();
                Passed = c + 1;
            }
            if (Passed > i0) Job.Block(i0, Passed);
            if (Aborted) return false;
        }
        return true;
    }

    // Blocks of columns, about four per thread, handed out in order: the work of a block
    // shrinks with its first column, so the last blocks handed out are the smallest and
    // the threads end close together (with two blocks per thread, the threads tend to end
    // together and leave the last blocks to a few of them, which then run 6-9% longer). A
    // block of at least four columns fills whole register tiles; up to 32 amortise the
    // passes over the packed strips.
    const std::size_t PerThread = n / (4 * static_cast<std::size_t>(NThreads));
    const std::size_t BlockCols = std::clamp<std::size_t>(PerThread / 4 * 4, 4, 32);
    const std::size_t NBlocks = (n + BlockCols - 1) / BlockCols;
    const bool Done = detail::RunOnWorkers(
        static_cast<std::int64_t>(NBlocks), NThreads,
        [&Job, BlockCols, n](std::int64_t B) {
            const std::size_t i0 = static_cast<std::size_t>(B) * BlockCols, i1 = std::min(n, i0 + BlockCols);
            Job.Block(i0, i1);
            detail::AddProgress(static_cast<double>(i1 - i0));
        },
        [] { detail::CallFeedBack(); }, [] { return detail::AbortRequested(); });
    if (!Done) return false;
    detail::CallFeedBack();
    return true;
}

bool TMatrix::Square(TMatrix* MatRes, double Norm) const { return Square(MatRes, Norm, ProcessorCount()); }

// ---------------------------------------------------------------- hat matrix

bool TMatrix::CalcHatMatrix(TMatrix* HatMat) {
    if (HatMat == nullptr) return false;
    auto B = std::make_unique<TMatrix>(nullptr);
    auto P = std::make_unique<TMatrix>(nullptr);
    auto Q = std::make_unique<TMatrix>(nullptr);
    B->Clone(this);
    B->Transpose();
    B->Multiply(this, P.get());
    const bool Result = P->Invert();
    if (Result) {
        Multiply(P.get(), Q.get());
        Q->Multiply(B.get(), HatMat);
    }
    return Result;
}

}  // namespace qmr
