// Ranks with ties, covariance-type matrices, the cyclic Jacobi eigen solver and
// principal components.
#include "analysis/QMR_math2.h"
#include "analysis/QMR_math2_detail.h"
#include "containers/QMR_matrix_access.h"
#include "containers/QMR_matrix_kernels.h"
#include "foundations/detail/combsort.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace qmr {

namespace {

using detail::mk::Load2;
using detail::mk::Store2;
using detail::mk::V2;

// Count progress steps: one by one with the feedback call when the hook is assigned,
// else added at once (the same total).
void Steps(std::size_t Count, double Amount = 1.0) {
    if (MathFeedBackProc != nullptr) {
        for (std::size_t i = 0; i < Count; ++i) detail::StepProgress(Amount);
    } else if (Count > 0) {
        detail::AddProgress(static_cast<double>(Count) * Amount);
    }
}

}  // namespace

// ---------------------------------------------------------------- ranks

double CalcRanks(const TVector* Data, TVector* Ranks) {
    if (Data == nullptr || Ranks == nullptr) return 0;
    const std::int32_t N = Data->NrOfElem();
    std::vector<detail::TRankItem> Items(static_cast<std::size_t>(N));
    for (std::int32_t i = 0; i < N; ++i) Items[static_cast<std::size_t>(i)] = {static_cast<double>(Data->Elem(i + 1)), static_cast<std::size_t>(i)};
    std::vector<double> R(static_cast<std::size_t>(N));
    const double TieSum = detail::MidRanks(Items.data(), N, [&R](std::size_t Pos, double Mid) { R[Pos] = Mid; });
    Ranks->Resize(N);
    for (std::int32_t i = 0; i < N; ++i) Ranks->SetElem(i + 1, R[static_cast<std::size_t>(i)]);
    return TieSum;
}

// ---------------------------------------------------------------- covariance

namespace {

// Accumulation type of the covariance sums.
using TSum = Extended;

// Columns per block of the pair sums: the abort poll and the progress of a block's
// columns follow its computation.
constexpr std::size_t kColBlock = 16;
// Elements per block of rows (rows x columns, row-major) held for the pair sums.
constexpr std::size_t kRowBlockElems = 4096;

// S[a - A0][b] += sum over the R rows r of Op(X[r][a], X[r][b]) for A0 <= a < A1 and
// b <= a, each sum taking the rows in order. X: R rows of Ld values (row-major); S rows
// of Ld values. Op is x * y (Diff false) or (x - y)^2 (Diff true).
template <bool Diff, class T> void PairSums(const T* X, std::size_t R, std::size_t Ld, std::size_t A0, std::size_t A1, T* S) {
    auto Op = [](T x, T y) {
        if constexpr (Diff) {
            const T d = x - y;
            return d * d;
        } else {
            return x * y;
        }
    };
    std::size_t r = 0;
    for (; r + 4 <= R; r += 4) {
        const T* y0 = X + r * Ld;
        const T* y1 = y0 + Ld;
        const T* y2 = y1 + Ld;
        const T* y3 = y2 + Ld;
        for (std::size_t a = A0; a < A1; ++a) {
            const T x0 = y0[a], x1 = y1[a], x2 = y2[a], x3 = y3[a];
            T* s = S + (a - A0) * Ld;
            std::size_t b = 0;
            if constexpr (std::is_same_v<T, double>) {
                const V2 X0 = {x0, x0}, X1 = {x1, x1}, X2 = {x2, x2}, X3 = {x3, x3};
                for (; b + 2 <= a + 1; b += 2) {
                    V2 v = Load2(s + b);
                    if constexpr (Diff) {
                        V2 d = X0 - Load2(y0 + b);
                        v += d * d;
                        d = X1 - Load2(y1 + b);
                        v += d * d;
                        d = X2 - Load2(y2 + b);
                        v += d * d;
                        d = X3 - Load2(y3 + b);
                        v += d * d;
                    } else {
                        v += X0 * Load2(y0 + b);
                        v += X1 * Load2(y1 + b);
                        v += X2 * Load2(y2 + b);
                        v += X3 * Load2(y3 + b);
                    }
                    Store2(s + b, v);
                }
            }
            for (; b <= a; ++b) s[b] = (((s[b] + Op(x0, y0[b])) + Op(x1, y1[b])) + Op(x2, y2[b])) + Op(x3, y3[b]);
        }
    }
    for (; r < R; ++r) {
        const T* y = X + r * Ld;
        for (std::size_t a = A0; a < A1; ++a) {
            T* s = S + (a - A0) * Ld;
            for (std::size_t b = 0; b <= a; ++b) s[b] += Op(y[a], y[b]);
        }
    }
}

}  // namespace

bool CalcCovar(const TMatrix* InMat, TMatrix* OutMat, std::int32_t LoCol, std::int32_t HiCol, std::int32_t LoRow,
               std::int32_t HiRow, std::int32_t Mode) {
    if (InMat == nullptr || OutMat == nullptr) return false;
    AbortMathProc = false;
    InMat->MakeValidColRange(LoCol, HiCol);
    InMat->MakeValidRowRange(LoRow, HiRow);
    const std::size_t m = static_cast<std::size_t>(std::max(HiCol - LoCol + 1, 0));
    const std::size_t N = static_cast<std::size_t>(std::max(HiRow - LoRow + 1, 0));
    if (static_cast<std::size_t>(std::max(OutMat->NrOfColumns(), 0)) < m ||
        static_cast<std::size_t>(std::max(OutMat->NrOfRows(), 0)) < m)
        return false;

    // Column c of the range starts at Src + c * Ld; a result written into the input
    // itself must not feed later sums, so that case reads from a copy.
    const double* Src = detail::TMatrixAccess::Data(*InMat) +
                        static_cast<std::size_t>(LoCol - 1) * detail::TMatrixAccess::Ld(*InMat) +
                        static_cast<std::size_t>(LoRow - 1);
    std::size_t Ld = detail::TMatrixAccess::Ld(*InMat);
    std::vector<double> Copy;
    if (OutMat == InMat && m > 0 && N > 0) {
        Copy.resize(m * N);
        for (std::size_t c = 0; c < m; ++c) std::copy_n(Src + c * Ld, N, Copy.data() + c * N);
        Src = Copy.data();
        Ld = N;
    }

    // Column means x1 + sum(x - x1) / N and sums of squared deviations from them.
    const bool Centred = Mode >= 1 && Mode <= 3;
    std::vector<TSum> Mean(m, TSum(0)), SS(m, TSum(0));
    if (Mode > 0) {
        if (N > 0)
            for (std::size_t c = 0; c < m; ++c) {
                const double* x = Src + c * Ld;
                const TSum x1 = x[0];
                TSum S = 0;
                for (std::size_t r = 0; r < N; ++r) S += x[r] - x1;
                const TSum Mu = x1 + S / static_cast<TSum>(N);
                TSum Q = 0;
                for (std::size_t r = 0; r < N; ++r) {
                    const TSum d = x[r] - Mu;
                    Q += d * d;
                }
                Mean[c] = Mu;
                SS[c] = Q;
            }
        Steps(N);
    }
    const bool Sums = N > 1 && Mode >= 0 && Mode <= 4;
    const TSum Div = static_cast<TSum>(N) - 1;
    // Square roots of the variances, for the correlations.
    std::vector<TSum> Root(m);
    for (std::size_t c = 0; c < m; ++c) Root[c] = N > 1 ? std::sqrt(SS[c] / Div) : TSum(0);

    const double Np = static_cast<double>(N);
    std::vector<TSum> Rows, Pair;
    for (std::size_t A0 = 0; A0 < m; A0 += kColBlock) {
        const std::size_t A1 = std::min(m, A0 + kColBlock);
        bool Cut = false;
        if (Sums) {
            // Pair sums of the block's columns with every column up to them, over blocks
            // of rows copied row by row (centred for modes 1 to 3).
            const std::size_t RB = std::max<std::size_t>(4, kRowBlockElems / A1 / 4 * 4);
            Rows.resize(RB * A1);
            Pair.assign((A1 - A0) * A1, TSum(0));
            for (std::size_t R0 = 0; R0 < N && !Cut; R0 += RB) {
                if (detail::AbortRequested()) {
                    Cut = true;
                    break;
                }
                const std::size_t R = std::min(RB, N - R0);
                for (std::size_t c = 0; c < A1; ++c) {
                    const double* x = Src + c * Ld + R0;
                    const TSum Mu = Centred ? Mean[c] : TSum(0);
                    for (std::size_t r = 0; r < R; ++r) Rows[r * A1 + c] = Centred ? x[r] - Mu : TSum(x[r]);
                }
                if (Mode == 4) PairSums<true>(Rows.data(), R, A1, A0, A1, Pair.data());
                else PairSums<false>(Rows.data(), R, A1, A0, A1, Pair.data());
            }
        }
        // The block's columns in order: abort poll, then per pair the progress and the
        // value, stored at (b, a) and mirrored.
        for (std::size_t a = A0; a < A1; ++a) {
            if (Cut || detail::AbortRequested()) return false;
            for (std::size_t b = 0; b <= a; ++b) {
                detail::StepProgress(Np);
                TSum Value = 0;
                if (Sums) {
                    const TSum S = Pair[(a - A0) * A1 + b];
                    TSum Den = Root[a] * Root[b];
                    if (Den == 0) Den = TSum(1e-38);
                    switch (Mode) {
                        case 2: Value = a == b ? TSum(1) : (S / Den) / Div; break;
                        case 3: Value = (S / Den) / Div; Value *= Value; break;
                        default: Value = S / Div; break;
                    }
                } else if (Mode == 2 && a == b) {
                    Value = 1;
                }
                const auto Ia = static_cast<std::int32_t>(a + 1), Ib = static_cast<std::int32_t>(b + 1);
                OutMat->SetElem(Ib, Ia, static_cast<double>(Value));
                OutMat->SetElem(Ia, Ib, static_cast<double>(Value));
            }
        }
    }
    return !detail::AbortRequested();
}

// ---------------------------------------------------------------- Jacobi eigen solver

namespace {

// Largest n CalcEigVec accepts.
constexpr std::int32_t kMaxEigenSize = 10000;

// The process-wide eigen results: constant-initialised, freed by RemoveEigenMatrix and
// the unit's finalisation. Component j of eigenvector i (0-based) at Vectors[j * N + i].
struct TEigenStorage {
    std::int32_t N = 0;
    std::unique_ptr<double[]> Values;
    std::unique_ptr<double[]> Vectors;
};
constinit TEigenStorage GEigen;

std::unique_ptr<double[]> Allocate(std::size_t Count) {
    std::unique_ptr<double[]> P(new (std::nothrow) double[Count > 0 ? Count : 1]);
    if (!P) throw EQMRMath2Error("CalcEigVec: not enough memory");
    return P;
}

// One Jacobi rotation of the pairs (P[j], Q[j]), j < n, V lanes at a time:
// P := P - s (Q + P tau), Q := Q + s (P - Q tau), with the old values on the right.
// Every lane does the scalar operations in the scalar order (nothing is contracted), so
// every width gives the same bits.
template <class V>
inline __attribute__((always_inline)) void RotatePairs(double* P, double* Q, std::size_t n, double s, double tau) {
    constexpr std::size_t W = sizeof(V) / sizeof(double);
    V S, T;
    for (std::size_t k = 0; k < W; ++k) {
        S[k] = s;
        T[k] = tau;
    }
    std::size_t j = 0;
    for (; j + W <= n; j += W) {
        V g, h;
        std::memcpy(&g, P + j, sizeof g);
        std::memcpy(&h, Q + j, sizeof h);
        const V NewP = g - S * (h + g * T), NewQ = h + S * (g - h * T);
        std::memcpy(P + j, &NewP, sizeof NewP);
        std::memcpy(Q + j, &NewQ, sizeof NewQ);
    }
    for (; j < n; ++j) {
        const double g = P[j], h = Q[j];
        P[j] = g - s * (h + g * tau);
        Q[j] = h + s * (g - h * tau);
    }
}

typedef double V4 __attribute__((vector_size(32)));
typedef double V8 __attribute__((vector_size(64)));

// The rotation of the matrix columns Sp, Sq and of the eigenvector columns Vp, Vq, in
// the widest vectors the processor has (chosen per decomposition).
using TRotation = void (*)(double* Sp, double* Sq, double* Vp, double* Vq, std::size_t n, double s, double tau);

void RotateSse2(double* Sp, double* Sq, double* Vp, double* Vq, std::size_t n, double s, double tau) {
    RotatePairs<V2>(Sp, Sq, n, s, tau);
    RotatePairs<V2>(Vp, Vq, n, s, tau);
}
__attribute__((target("avx"))) void RotateAvx(double* Sp, double* Sq, double* Vp, double* Vq, std::size_t n,
                                                double s, double tau) {
    RotatePairs<V4>(Sp, Sq, n, s, tau);
    RotatePairs<V4>(Vp, Vq, n, s, tau);
}
__attribute__((target("avx512f"))) void RotateAvx512(double* Sp, double* Sq, double* Vp, double* Vq, std::size_t n,
                                                       double s, double tau) {
    RotatePairs<V8>(Sp, Sq, n, s, tau);
    RotatePairs<V8>(Vp, Vq, n, s, tau);
}

int WidestWidth() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return 8;
    if (__builtin_cpu_supports("avx")) return 4;
    return 2;
}

// The width SetJacobiWidth asked for (0: the widest).
constinit std::atomic<int> GJacobiWidth{0};

TRotation ChosenRotation() {
    const int Widest = WidestWidth(), Asked = GJacobiWidth.load(std::memory_order_relaxed);
    const int Width = Asked == 0 ? Widest : std::min(Asked, Widest);
    return Width >= 8 ? RotateAvx512 : Width >= 4 ? RotateAvx : RotateSse2;
}

}  // namespace

int detail::SetJacobiWidth(int Width) noexcept {
    GJacobiWidth.store(Width == 2 || Width == 4 || Width == 8 ? Width : 0, std::memory_order_relaxed);
    const int Widest = WidestWidth();
    return Width == 2 || Width == 4 || Width == 8 ? std::min(Width, Widest) : Widest;
}

namespace {

// Pivots per block of a row of pairs (see Jacobi).
constexpr std::size_t kPivotBlock = 16;

// Rows Q0..Q1-1 of the columns J0..J1-1 of the n x n matrix S := their mirror images,
// S[j][q] := S[q][j], in 2 x 2 tiles.
void CopyRowsToColumns(double* S, std::size_t n, std::size_t Q0, std::size_t Q1, std::size_t J0, std::size_t J1) {
    std::size_t j = J0;
    for (; j + 2 <= J1; j += 2) {
        double* C0 = S + j * n;
        double* C1 = C0 + n;
        std::size_t q = Q0;
        for (; q + 2 <= Q1; q += 2) {
            const V2 a = Load2(S + q * n + j), b = Load2(S + (q + 1) * n + j);
            Store2(C0 + q, __builtin_shufflevector(a, b, 0, 2));
            Store2(C1 + q, __builtin_shufflevector(a, b, 1, 3));
        }
        for (; q < Q1; ++q) {
            C0[q] = S[q * n + j];
            C1[q] = S[q * n + j + 1];
        }
    }
    for (; j < J1; ++j)
        for (std::size_t q = Q0; q < Q1; ++q) S[j * n + q] = S[q * n + j];
}

// Cyclic Jacobi sweeps on the symmetric n x n matrix S (column-major, both triangles;
// the diagonal holds 0 and is not used) with the diagonal d: on return d holds the
// eigenvalues and column i of Vec (n x n) eigenvector i. False when aborted or not
// diagonal after 100 sweeps. All arithmetic is double (the negligible tests
// |x| + g = |x| must not see wider intermediates).
//
// The pair (p, q) rotates columns p and q whole, so both must be current; the rotation
// changes rows p and q of every other column as well. Instead of mirroring row q into
// every column after each rotation, the row of pairs (p, p+1..n-1) runs in blocks of
// pivots q: a rotation mirrors row q only into the block's later columns (the next ones
// read), and each block ends by copying its rows, as contiguous runs, into the other
// columns beyond p. Row p follows at the end of the row, and the columns before the row
// (not read again in the sweep) are made symmetric once per sweep. Every rotation sees
// the values the plain algorithm would: the upper triangle (column > row) is current at
// the end of every row of pairs.
bool Jacobi(double* S, double* d, double* Vec, std::size_t n) {
    const TRotation Rotate = ChosenRotation();
    std::vector<double> b(d, d + n), z(n, 0.0);
    const double nn = static_cast<double>(n) * static_cast<double>(n);
    for (int Sweep = 1; Sweep <= 100; ++Sweep) {
        if (detail::AbortRequested()) return false;
        detail::StepProgress();
        double sm = 0;
        for (std::size_t q = 1; q < n; ++q)
            for (std::size_t p = 0; p < q; ++p) sm += std::fabs(S[q * n + p]);
        if (sm == 0) return !detail::AbortRequested();  // an abort asked for in this sweep's feedback
        const double Tresh = Sweep < 4 ? 0.2 * sm / nn : 0.0;
        for (std::size_t p = 0; p + 1 < n; ++p) {
            if (detail::AbortRequested()) return false;
            const bool PerElement = MathFeedBackProc != nullptr;
            if (!PerElement) detail::AddProgress(static_cast<double>(n - 1 - p));
            double* Cp = S + p * n;
            for (std::size_t Q0 = p + 1; Q0 < n; Q0 += kPivotBlock) {
                const std::size_t Q1 = std::min(n, Q0 + kPivotBlock);
                for (std::size_t q = Q0; q < Q1; ++q) {
                    if (PerElement) detail::StepProgress();
                    double* Cq = S + q * n;
                    const double apq = Cp[q];  // column p is current in every row
                    const double g = 200.0 * std::fabs(apq);
                    if (Sweep > 4 && std::fabs(d[p]) + g == std::fabs(d[p]) &&
                        std::fabs(d[q]) + g == std::fabs(d[q])) {
                        Cp[q] = Cq[p] = 0;
                    } else if (std::fabs(apq) > Tresh) {
                        double h = d[q] - d[p];
                        double t;
                        if (std::fabs(h) + g == std::fabs(h)) {
                            t = apq / h;
                        } else {
                            const double Theta = h / (2.0 * apq);
                            t = 1.0 / (std::fabs(Theta) + std::sqrt(1.0 + Theta * Theta));
                            if (Theta < 0) t = -t;
                        }
                        const double c = 1.0 / std::sqrt(1 + t * t);
                        const double s = t * c;
                        const double Tau = s / (1.0 + c);
                        h = t * apq;
                        z[p] -= h;
                        z[q] += h;
                        d[p] -= h;
                        d[q] += h;
                        // Rows p and q of both columns hold 0 (a_pq and the unused
                        // diagonal) and stay 0, so whole columns rotate.
                        Cp[q] = Cq[p] = 0;
                        Rotate(Cp, Cq, Vec + p * n, Vec + q * n, n, s, Tau);
                        for (std::size_t j = q + 1; j < Q1; ++j) S[j * n + q] = Cq[j];
                    }
                }
                // The block's rows into the other columns beyond p (in the block's own
                // columns only the rows below the diagonal are behind).
                for (std::size_t j = Q0; j < Q1; ++j)
                    for (std::size_t q = j + 1; q < Q1; ++q) S[j * n + q] = S[q * n + j];
                CopyRowsToColumns(S, n, Q0, Q1, p + 1, Q0);
                CopyRowsToColumns(S, n, Q0, Q1, Q1, n);
            }
            for (std::size_t j = p + 1; j < n; ++j) S[j * n + p] = Cp[j];
        }
        for (std::size_t q = 1; q < n; ++q)
            for (std::size_t j = 0; j < q; ++j) S[j * n + q] = S[q * n + j];
        for (std::size_t i = 0; i < n; ++i) {
            b[i] += z[i];
            d[i] = b[i];
            z[i] = 0;
        }
    }
    return false;
}

}  // namespace

bool CalcEigVec(TMatrix* Mat) {
    if (Mat == nullptr) return false;
    const std::int32_t n32 = std::max(Mat->NrOfColumns(), 0);
    if (n32 > kMaxEigenSize) return false;
    const std::size_t n = static_cast<std::size_t>(n32);
    // Everything is allocated before the stored results are replaced.
    std::unique_ptr<double[]> Values = Allocate(n), Vectors = Allocate(n * n), S = Allocate(n * n);
    // The upper triangle, mirrored; cells beyond the rows read as 0.
    const std::size_t Rows = static_cast<std::size_t>(std::max(Mat->NrOfRows(), 0));
    const double* M = detail::TMatrixAccess::Data(*Mat);
    const std::size_t Ld = detail::TMatrixAccess::Ld(*Mat);
    for (std::size_t q = 0; q < n; ++q) {
        S[q * n + q] = 0;
        Values[q] = q < Rows ? M[q * Ld + q] : 0.0;
        for (std::size_t p = 0; p < q; ++p) S[q * n + p] = S[p * n + q] = p < Rows ? M[q * Ld + p] : 0.0;
    }
    for (std::size_t i = 0; i < n * n; ++i) Vectors[i] = 0;
    for (std::size_t i = 0; i < n; ++i) Vectors[i * n + i] = 1;
    GEigen.N = n32;
    GEigen.Values = std::move(Values);
    GEigen.Vectors = std::move(Vectors);

    AbortMathProc = false;
    const bool Ok = Jacobi(S.get(), GEigen.Values.get(), GEigen.Vectors.get(), n);
    // The solver keeps eigenvector i in column i; the storage keeps component j of
    // vector i at j * n + i.
    double* V = GEigen.Vectors.get();
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) std::swap(V[i * n + j], V[j * n + i]);
    for (std::size_t q = 1; q < n; ++q)
        for (std::size_t p = 0; p < q && p < Rows; ++p) {
            const double New = S[q * n + p];
            if (std::memcmp(&New, M + q * Ld + p, sizeof New) != 0)
                Mat->SetElem(static_cast<std::int32_t>(q + 1), static_cast<std::int32_t>(p + 1), New);
        }
    return Ok;
}

double GetEigenResult(std::int32_t i, std::int32_t j) {
    const std::int32_t n = GEigen.N;
    if (!GEigen.Values || i < 1 || i > n || j < 0 || j > n) return 0;
    if (j == 0) return GEigen.Values[static_cast<std::size_t>(i - 1)];
    return GEigen.Vectors[static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(n) + static_cast<std::size_t>(i - 1)];
}

std::int32_t GetEigenSize() { return GEigen.N; }

void RemoveEigenMatrix() {
    GEigen.Values.reset();
    GEigen.Vectors.reset();
}

// ---------------------------------------------------------------- principal components

bool CalcPrincComp(const TMatrix* Mat, std::int32_t LoCol, std::int32_t HiCol, std::int32_t LoRow, std::int32_t HiRow,
                   std::int32_t Mode, bool Normalize) {
    if (Mat == nullptr) return false;
    std::int32_t Size = 1;
    if (LoCol != 0 || HiCol != 0) {
        std::int32_t Lo = LoCol, Hi = HiCol;
        Mat->MakeValidColRange(Lo, Hi);
        Size = std::max(Hi - Lo + 1, 0);
    }
    TMatrix Cov(nullptr);
    Cov.Resize(Size, Size);
    if (!CalcCovar(Mat, &Cov, LoCol, HiCol, LoRow, HiRow, Mode) || !CalcEigVec(&Cov)) return false;
    const std::size_t n = static_cast<std::size_t>(GEigen.N);
    double* Val = GEigen.Values.get();
    double* Vec = GEigen.Vectors.get();
    if (Normalize) {
        double Sum = 0;
        for (std::size_t i = 0; i < n; ++i) Sum += std::fabs(Val[i]);
        if (Sum != 0)
            for (std::size_t i = 0; i < n; ++i) Val[i] /= Sum;
    }
    // Selection sort, largest first: only a strictly greater positive value is picked.
    for (std::size_t i = 0; i < n; ++i) {
        double Big = 0;
        std::size_t At = i;
        for (std::size_t k = i; k < n; ++k)
            if (Val[k] > Big) {
                Big = Val[k];
                At = k;
            }
        if (At == i) continue;
        std::swap(Val[i], Val[At]);
        for (std::size_t j = 0; j < n; ++j) std::swap(Vec[j * n + i], Vec[j * n + At]);
    }
    return true;
}

}  // namespace qmr
