// Nearest neighbours (mean neighbour distances, nearest rows of a query, estimates from
// them) and k-means clustering.
//
// Distances are formed over blocks of rows column by column: each column adds its term
// to one running sum per row, so every distance still adds its columns in column order
// (the bits of the plain per-row loop) while the loops run along contiguous columns.
#include "analysis/QMR_math2.h"

#include "analysis/QMR_math2_detail.h"
#include "analysis/QMR_math2_lsq.h"
#include "analysis/detail/QMR_cluster_detail.h"
#include "containers/QMR_matrix_access.h"
#include "foundations/detail/cpu_width.h"
#include "foundations/QMR_math1_sort.h"
#include "platform/Qmr_univconst.h"
#include "platform/rtl_core.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <span>
#include <vector>

namespace qmr {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// Rows per block of a distance pass: the block's sums stay in the first-level cache.
constexpr std::size_t kBlockRows = 256;
// Largest neighbour count kept in an insertion list; beyond it a partial sort selects.
constexpr std::int32_t kListMax = 128;

// The storage of a matrix: column c (0-based) starts at Data + c * Ld.
struct TColumns {
    const double* Data;
    std::size_t Ld;
    std::size_t NCol;
    const double* Col(std::size_t c) const noexcept { return Data + c * Ld; }
};

TColumns ColumnsOf(const TMatrix& M) {
    return {detail::TMatrixAccess::Data(M), detail::TMatrixAccess::Ld(M),
            static_cast<std::size_t>(std::max(M.NrOfColumns(), 0))};
}

// ---- distance kernels: each lane of a vector is one row, adding its column terms in
// column order, so every width (and the scalar tail) gives the bits of the plain loop.

typedef double V2 __attribute__((vector_size(16)));
typedef double V4 __attribute__((vector_size(32)));
typedef double V8 __attribute__((vector_size(64)));

template <class V> [[gnu::always_inline]] inline void LoadV(V& v, const double* P) { std::memcpy(&v, P, sizeof v); }
template <class V> [[gnu::always_inline]] inline void StoreV(double* P, const V& v) { std::memcpy(P, &v, sizeof v); }
template <class V> [[gnu::always_inline]] inline void Splat(V& v, double x) {
    for (std::size_t l = 0; l < sizeof(V) / sizeof(double); ++l) v[l] = x;
}

// Squared distances of the 2W rows at X (columns Ld apart) to the p coordinates Q.
template <class V>
[[gnu::always_inline]] inline void SqDistPair(const double* X, std::size_t Ld, const double* Q, std::size_t p, V& s0,
                                              V& s1) {
    constexpr std::size_t W = sizeof(V) / sizeof(double);
    s0 = V{};
    s1 = V{};
    for (std::size_t c = 0; c < p; ++c) {
        V q, x0, x1;
        Splat(q, Q[c]);
        LoadV(x0, X + c * Ld);
        LoadV(x1, X + c * Ld + W);
        const V d0 = x0 - q, d1 = x1 - q;
        s0 += d0 * d0;
        s1 += d1 * d1;
    }
}

inline double SqDistRow(const TColumns& M, std::size_t Row, const double* Q, std::size_t p) {
    double S = 0;
    for (std::size_t c = 0; c < p; ++c) {
        const double D = M.Data[c * M.Ld + Row] - Q[c];
        S += D * D;
    }
    return S;
}

// S[0..B) := squared Euclidean distances of the rows R0..R0 + B - 1 (0-based) to the
// point Q of QLen coordinates; the rows read 0 in coordinates beyond the matrix.
template <class V>
[[gnu::always_inline]] inline void SqDistBlock(const TColumns& M, std::size_t R0, std::size_t B, const double* Q,
                                               std::size_t QLen, double* S) {
    constexpr std::size_t W = sizeof(V) / sizeof(double);
    const std::size_t p = std::min(QLen, M.NCol);
    std::size_t i = 0;
    for (; i + 2 * W <= B; i += 2 * W) {
        V s0, s1;
        SqDistPair<V>(M.Data + R0 + i, M.Ld, Q, p, s0, s1);
        StoreV(S + i, s0);
        StoreV(S + i + W, s1);
    }
    for (; i < B; ++i) S[i] = SqDistRow(M, R0 + i, Q, p);
    for (std::size_t c = p; c < QLen; ++c) {
        const double D = 0.0 - Q[c], T = D * D;
        for (i = 0; i < B; ++i) S[i] += T;
    }
}

// Each object of rows R0..R0 + B - 1 to the centre (rows of the K x p block C) with the
// smallest squared distance: the lower centre on ties, centre 0 when none compares
// below +infinity.
template <class V>
[[gnu::always_inline]] inline void NearestCentres(const TColumns& M, std::size_t R0, std::size_t B, const double* C,
                                                  std::size_t K, std::int32_t* Ix) {
    constexpr std::size_t W = sizeof(V) / sizeof(double);
    using VI = decltype(V{} < V{});
    const std::size_t p = M.NCol;
    std::size_t i = 0;
    for (; i + 2 * W <= B; i += 2 * W) {
        V b0, b1;
        Splat(b0, kInf);
        b1 = b0;
        VI x0 = VI{}, x1 = VI{};
        for (std::size_t j = 0; j < K; ++j) {
            V s0, s1;
            SqDistPair<V>(M.Data + R0 + i, M.Ld, C + j * p, p, s0, s1);
            const VI J = VI{} + static_cast<long long>(j);
            const VI m0 = s0 < b0, m1 = s1 < b1;
            b0 = (V)(((VI)s0 & m0) | ((VI)b0 & ~m0));
            b1 = (V)(((VI)s1 & m1) | ((VI)b1 & ~m1));
            x0 = (J & m0) | (x0 & ~m0);
            x1 = (J & m1) | (x1 & ~m1);
        }
        for (std::size_t l = 0; l < W; ++l) {
            Ix[i + l] = static_cast<std::int32_t>(x0[l]);
            Ix[i + W + l] = static_cast<std::int32_t>(x1[l]);
        }
    }
    for (; i < B; ++i) {
        double Best = kInf;
        std::int32_t To = 0;
        for (std::size_t j = 0; j < K; ++j) {
            const double D = SqDistRow(M, R0 + i, C + j * p, p);
            if (D < Best) Best = D, To = static_cast<std::int32_t>(j);
        }
        Ix[i] = To;
    }
}

struct TKernels {
    void (*SqDist)(const TColumns&, std::size_t, std::size_t, const double*, std::size_t, double*);
    void (*Nearest)(const TColumns&, std::size_t, std::size_t, const double*, std::size_t, std::int32_t*);
};

void SqDistSse2(const TColumns& M, std::size_t R0, std::size_t B, const double* Q, std::size_t QLen, double* S) {
    SqDistBlock<V2>(M, R0, B, Q, QLen, S);
}
void NearestSse2(const TColumns& M, std::size_t R0, std::size_t B, const double* C, std::size_t K, std::int32_t* Ix) {
    NearestCentres<V2>(M, R0, B, C, K, Ix);
}
[[gnu::target("avx2")]] void SqDistAvx2(const TColumns& M, std::size_t R0, std::size_t B, const double* Q,
                                        std::size_t QLen, double* S) {
    SqDistBlock<V4>(M, R0, B, Q, QLen, S);
}
[[gnu::target("avx2")]] void NearestAvx2(const TColumns& M, std::size_t R0, std::size_t B, const double* C,
                                         std::size_t K, std::int32_t* Ix) {
    NearestCentres<V4>(M, R0, B, C, K, Ix);
}
[[gnu::target("avx512f")]] void SqDistAvx512(const TColumns& M, std::size_t R0, std::size_t B, const double* Q,
                                             std::size_t QLen, double* S) {
    SqDistBlock<V8>(M, R0, B, Q, QLen, S);
}
[[gnu::target("avx512f")]] void NearestAvx512(const TColumns& M, std::size_t R0, std::size_t B, const double* C,
                                              std::size_t K, std::int32_t* Ix) {
    NearestCentres<V8>(M, R0, B, C, K, Ix);
}

int WidestWidth() noexcept { return detail::WidestDoubleVector(); }

// The width SetClusterWidth asked for (0: the widest).
constinit std::atomic<int> GClusterWidth{0};

// The kernels of the chosen width (all give the same bits).
TKernels Kernels() noexcept {
    const int Widest = WidestWidth(), Asked = GClusterWidth.load(std::memory_order_relaxed);
    const int Width = Asked == 0 ? Widest : std::min(Asked, Widest);
    if (Width >= 8) return {SqDistAvx512, NearestAvx512};
    if (Width >= 4) return {SqDistAvx2, NearestAvx2};
    return {SqDistSse2, NearestSse2};
}

void SquaredDistances(const TColumns& M, std::size_t R0, std::size_t B, const double* Q, std::size_t QLen,
                      double* S) {
    Kernels().SqDist(M, R0, B, Q, QLen, S);
}

// A bound on the squares whose root can be at most Last: room for the rounding of the
// root, and never below the subnormal range, where rounding is not relative.
inline double SquareCut(double Last) noexcept {
    constexpr double Room = 1 + 8 * std::numeric_limits<double>::epsilon();
    return std::max(Last * Last * Room, 8 * std::numeric_limits<double>::min());
}

// Offers S[i]'s root with i to Offer (which returns the list's new last distance) for the
// squared distances S[0..B) whose root can enter a list ending at Last; only those are rooted.
template <class OfferFn>
void OfferSquared(const double* S, std::size_t B, double Last, OfferFn&& Offer) {
    double Cut = SquareCut(Last);
    for (std::size_t i = 0; i < B; ++i) {
        if (!(S[i] <= Cut)) continue;  // NaN too
        const double D = std::sqrt(S[i]);
        if (!(D <= Last)) continue;
        Last = Offer(D, i);
        Cut = SquareCut(Last);
    }
}

// Euclidean distances of rows R0..R0 + B - 1 to Q.
void Distances(const TColumns& M, std::size_t R0, std::size_t B, const double* Q, std::size_t QLen,
               double* __restrict S) {
    SquaredDistances(M, R0, B, Q, QLen, S);
    for (std::size_t i = 0; i < B; ++i) S[i] = std::sqrt(S[i]);
}

// The k nearest rows, ascending by distance: the top-N list whose slots start at
// (+infinity, row 0) and take a new distance in front of equal ones. Rows are offered in
// ascending order, so among equal distances the later row comes first.
class TNearList {
public:
    explicit TNearList(std::int32_t k) : FDist(static_cast<std::size_t>(k), kInf), FRow(static_cast<std::size_t>(k), 0) {}
    void Offer(double D, std::int32_t Row) {
        if (!(D <= FDist.back())) return;  // beyond the list (NaN too)
        const std::int32_t Pos = SortIntoArray(std::span<double>(FDist), D, true, true);
        if (Pos >= 0) InsertIntoArray(std::span<std::int32_t>(FRow), Row, Pos);
    }
    // Rows First, First + 1, ... with the squared distances S[0..B).
    void OfferSquared(const double* S, std::size_t B, std::size_t First) {
        qmr::OfferSquared(S, B, FDist.back(), [this, First](double D, std::size_t i) {
            Offer(D, static_cast<std::int32_t>(First + i));
            return FDist.back();
        });
    }
    const std::vector<double>& Dist() const noexcept { return FDist; }
    const std::vector<std::int32_t>& Rows() const noexcept { return FRow; }

private:
    std::vector<double> FDist;
    std::vector<std::int32_t> FRow;
};

// The coordinates of a query vector.
std::vector<double> QueryValues(const TVector& Query) {
    std::vector<double> Q(static_cast<std::size_t>(Query.NrOfElem()));
    for (std::size_t c = 0; c < Q.size(); ++c) Q[c] = static_cast<double>(Query.Elem(static_cast<std::int32_t>(c + 1)));
    return Q;
}

// The k nearest of rows 1..NrOfRows to Q, as TNearList orders them, into Dist and Rows.
void NearestRows(const TMatrix& Mat, const std::vector<double>& Q, std::int32_t k, std::vector<double>& Dist,
                 std::vector<std::int32_t>& Rows) {
    const TColumns M = ColumnsOf(Mat);
    const auto n = static_cast<std::size_t>(Mat.NrOfRows());
    if (k <= kListMax) {
        TNearList L(k);
        std::vector<double> S(kBlockRows);
        for (std::size_t R0 = 0; R0 < n; R0 += kBlockRows) {
            const std::size_t B = std::min(kBlockRows, n - R0);
            SquaredDistances(M, R0, B, Q.data(), Q.size(), S.data());
            L.OfferSquared(S.data(), B, R0 + 1);
        }
        Dist = L.Dist();
        Rows = L.Rows();
        return;
    }
    // The same order by a partial sort of the rows with a distance.
    std::vector<double> All(n);
    for (std::size_t R0 = 0; R0 < n; R0 += kBlockRows)
        Distances(M, R0, std::min(kBlockRows, n - R0), Q.data(), Q.size(), All.data() + R0);
    std::vector<std::int32_t> Ix;
    Ix.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isnan(All[i])) Ix.push_back(static_cast<std::int32_t>(i));
    const auto Take = std::min(Ix.size(), static_cast<std::size_t>(k));
    std::partial_sort(Ix.begin(), Ix.begin() + static_cast<std::ptrdiff_t>(Take), Ix.end(),
                      [&All](std::int32_t A, std::int32_t B) {
                          const double DA = All[static_cast<std::size_t>(A)], DB = All[static_cast<std::size_t>(B)];
                          return DA < DB || (DA == DB && A > B);
                      });
    Dist.assign(static_cast<std::size_t>(k), kInf);
    Rows.assign(static_cast<std::size_t>(k), 0);
    for (std::size_t i = 0; i < Take; ++i) {
        Dist[i] = All[static_cast<std::size_t>(Ix[i])];
        Rows[i] = Ix[i] + 1;
    }
}

}  // namespace

int detail::SetClusterWidth(int Width) noexcept {
    const bool Valid = Width == 2 || Width == 4 || Width == 8;
    GClusterWidth.store(Valid ? Width : 0, std::memory_order_relaxed);
    return Valid ? std::min(Width, WidestWidth()) : WidestWidth();
}

// ---------------------------------------------------------------- neighbours

void MeanDistanceKNN(const TMatrix& Mat, std::int32_t k, std::int32_t LoRow, std::int32_t HiRow, TVector& Dists) {
    if (!detail::ClusterRowRange(Mat.NrOfRows(), LoRow, HiRow)) return;
    const std::int32_t m = HiRow - LoRow + 1;
    k = std::min(std::clamp(k, 1, 50), m);
    const TColumns M = ColumnsOf(Mat);
    const auto R0 = static_cast<std::size_t>(LoRow - 1), B = static_cast<std::size_t>(m);
    std::vector<double> S(B), Row(M.NCol), List(static_cast<std::size_t>(k));
    for (std::int32_t r = LoRow; r <= HiRow; ++r) {
        for (std::size_t c = 0; c < M.NCol; ++c) Row[c] = M.Col(c)[r - 1];
        SquaredDistances(M, R0, B, Row.data(), Row.size(), S.data());
        std::fill(List.begin(), List.end(), kInf);
        OfferSquared(S.data(), B, kInf, [&List](double D, std::size_t) {
            SortIntoArray(std::span<double>(List), D, true, true);
            return List.back();
        });
        double Sum = 0;
        for (const double D : List) Sum += D;
        Dists.SetElem(r, Sum / k);
    }
}

void FindNearestNeighbors(std::int32_t k, const TMatrix& Mat, std::int32_t LoRow, std::int32_t HiRow,
                          const TVector& Query, TMatrix& NNList, const TCalcDistFunc& DistFunc) {
    k = std::min({k, 100, Mat.NrOfRows()});
    if (!DistFunc && !detail::ClusterRowRange(Mat.NrOfRows(), LoRow, HiRow)) return;
    const std::int64_t Scanned = std::max<std::int64_t>(0, std::int64_t{HiRow} - LoRow + 1);
    if (Scanned < k) k = static_cast<std::int32_t>(Scanned);
    if (k < 1) return;
    TNearList L(k);
    if (DistFunc) {
        for (std::int32_t r = LoRow;; ++r) {
            L.Offer(DistFunc(r), r);
            if (r == HiRow) break;
        }
    } else {
        const TColumns M = ColumnsOf(Mat);
        const std::vector<double> Q = QueryValues(Query);
        std::vector<double> S(kBlockRows);
        for (auto R0 = static_cast<std::size_t>(LoRow - 1); R0 < static_cast<std::size_t>(HiRow); R0 += kBlockRows) {
            const std::size_t B = std::min(kBlockRows, static_cast<std::size_t>(HiRow) - R0);
            SquaredDistances(M, R0, B, Q.data(), Q.size(), S.data());
            L.OfferSquared(S.data(), B, R0 + 1);
        }
    }
    for (std::int32_t i = 0; i < k; ++i) {
        NNList.SetElem(1, i + 1, L.Rows()[static_cast<std::size_t>(i)]);
        NNList.SetElem(2, i + 1, L.Dist()[static_cast<std::size_t>(i)]);
    }
}

void EstimateByKNN(const TMatrix& Mat, const TVector& Target, std::int32_t k, TKnnWMode WMode, double w,
                   const TVector& Query, double& Estimate, double& MeanDist) {
    Estimate = 0;
    MeanDist = 0;
    k = std::min(k, Mat.NrOfRows());
    if (k < 1) return;
    const std::vector<double> Q = QueryValues(Query);
    std::vector<double> D;
    std::vector<std::int32_t> Rows;
    NearestRows(Mat, Q, k, D, Rows);
    const auto K = static_cast<std::size_t>(k);
    std::vector<double> T(K);
    for (std::size_t i = 0; i < K; ++i) T[i] = static_cast<double>(Target.Elem(Rows[i]));

    double dm = 0;
    for (const double d : D) dm += d;
    dm /= k;
    MeanDist = dm;
    if (dm == 0) dm = 0.001;

    switch (WMode) {
        case TKnnWMode::kwmGauss: {
            double Sg = 0, SgT = 0;
            for (std::size_t i = 0; i < K; ++i) {
                const double a = w * D[i] / dm, g = std::exp(-(a * a));
                Sg += g;
                SgT += g * T[i];
            }
            if (Sg != 0) {
                Estimate = SgT / Sg;
                break;
            }
            // Every weight underflowed: in the limit only the nearest distance counts.
            double S = 0;
            std::size_t N = 0;
            for (; N < K && D[N] == D[0]; ++N) S += T[N];
            Estimate = S / static_cast<double>(N);
            break;
        }
        case TKnnWMode::kwmAverage: {
            double S = 0;
            for (const double t : T) S += t;
            Estimate = S / k;
            break;
        }
        case TKnnWMode::kwmMedian: {
            TVector V(nullptr);
            V.SetNrOfElem(k);
            for (std::size_t i = 0; i < K; ++i) V.SetElem(static_cast<std::int32_t>(i + 1), T[i]);
            double Q1 = 0, Q2 = 0, Q3 = 0;
            V.Quartiles(1, k, Q1, Q2, Q3);
            Estimate = Q2;
            break;
        }
        case TKnnWMode::kwmLinear: {
            double Sl = 0, SlT = 0;
            for (std::size_t i = 0; i < K; ++i) {
                const double l = 1 - D[i] / dm / w;
                if (!(l > 0)) continue;
                Sl += l;
                SlT += l * T[i];
            }
            if (Sl > 0) Estimate = SlT / Sl;
            break;
        }
        case TKnnWMode::kwmBiQuad: {
            // Terms: 1, the m features, their squares, the products of pairs i < j.
            const auto m = static_cast<std::size_t>(std::max(Mat.NrOfColumns(), 0));
            const std::size_t NT = 1 + 2 * m + m * (m - (m > 0 ? 1 : 0)) / 2;
            if (K < NT) break;
            auto Terms = [m](const double* x, double* t, std::size_t Stride) {
                std::size_t j = 0;
                t[j++ * Stride] = 1;
                for (std::size_t a = 0; a < m; ++a) t[j++ * Stride] = x[a];
                for (std::size_t a = 0; a < m; ++a) t[j++ * Stride] = x[a] * x[a];
                for (std::size_t a = 0; a < m; ++a)
                    for (std::size_t b = a + 1; b < m; ++b) t[j++ * Stride] = x[a] * x[b];
            };
            std::vector<double> A(K * NT), x(m), Coef(NT), q(m, 0.0);
            for (std::size_t i = 0; i < K; ++i) {
                for (std::size_t a = 0; a < m; ++a)
                    x[a] = static_cast<double>(Mat.Elem(static_cast<std::int32_t>(a + 1), Rows[i]));
                Terms(x.data(), A.data() + i, K);
            }
            bool NearSingular = false;
            if (!detail::SolveLeastSquares(A.data(), K, NT, K, T.data(), Coef.data(), nullptr, NearSingular,
                                           detail::TProgressMode::Report))
                break;
            for (std::size_t a = 0; a < m && a < Q.size(); ++a) q[a] = Q[a];
            std::vector<double> tq(NT);
            Terms(q.data(), tq.data(), 1);
            double E = 0;
            for (std::size_t j = 0; j < NT; ++j) E += Coef[j] * tq[j];
            Estimate = E;
            break;
        }
    }
}

// ---------------------------------------------------------------- k-means

namespace {

// One assignment pass: each object goes to the centre (rows of the K x p block C) with
// the smallest squared distance, the lower centre on ties, the first when none compares
// below +infinity. True when an assignment changed.
bool AssignObjects(const TColumns& M, std::size_t n, const std::vector<double>& C, std::size_t K,
                   std::vector<std::int32_t>& Cl) {
    const auto Nearest = Kernels().Nearest;
    std::int32_t Ix[kBlockRows];
    bool Changed = false;
    for (std::size_t R0 = 0; R0 < n; R0 += kBlockRows) {
        const std::size_t B = std::min(kBlockRows, n - R0);
        Nearest(M, R0, B, C.data(), K, Ix);
        for (std::size_t i = 0; i < B; ++i) {
            Changed |= Cl[R0 + i] != Ix[i];
            Cl[R0 + i] = Ix[i];
        }
    }
    return Changed;
}

// Sizes and member means of the clusters; a centre without members becomes zeros.
void UpdateCenters(const TColumns& M, std::size_t n, const std::vector<std::int32_t>& Cl, std::size_t K,
                   std::vector<double>& C, std::vector<std::int32_t>& Size) {
    const std::size_t p = M.NCol;
    std::fill(Size.begin(), Size.end(), 0);
    for (std::size_t i = 0; i < n; ++i) ++Size[static_cast<std::size_t>(Cl[i])];
    std::fill(C.begin(), C.end(), 0.0);
    // Object by object: each centre's sums still add their members in object order.
    for (std::size_t i = 0; i < n; ++i) {
        double* Acc = C.data() + static_cast<std::size_t>(Cl[i]) * p;
        const double* X = M.Data + i;
        for (std::size_t c = 0; c < p; ++c) Acc[c] += X[c * M.Ld];
    }
    for (std::size_t j = 0; j < K; ++j)
        if (Size[j] > 0)
            for (std::size_t c = 0; c < p; ++c) C[j * p + c] /= Size[j];
}

}  // namespace

double kMeansClustering(const TMatrix& Mat, std::int32_t /*p2*/, std::int32_t /*p3*/, std::int32_t NumClusters,
                        std::int32_t RandSeed, TMatrix& Centers, TIntVector& Clusters, TIntVector& ClustSize) {
    if (NumClusters < 1) throw EQMRMath2Error("kMeansClustering: number of clusters must be positive");
    const std::int32_t NRows = Mat.NrOfRows();
    if (NumClusters > NRows)
        throw EQMRMath2Error("kMeansClustering: number of clusters is greater than number of objects");
    const TColumns M = ColumnsOf(Mat);
    const auto n = static_cast<std::size_t>(NRows), K = static_cast<std::size_t>(NumClusters), p = M.NCol;
    const auto NCol = static_cast<std::int32_t>(p);
    if (Centers.NrOfColumns() != NCol || Centers.NrOfRows() != NumClusters) Centers.Resize(NCol, NumClusters);
    if (Clusters.NrOfElem() != NRows) Clusters.SetNrOfElem(NRows);
    ClustSize.SetNrOfElem(NumClusters);

    // Seeds: drawn rows, or rows 1..K.
    std::vector<double> C(K * p);
    if (RandSeed > 0) qmr::RandSeed = RandSeed;
    for (std::size_t j = 0; j < K; ++j) {
        const std::size_t Row = RandSeed > 0 ? static_cast<std::size_t>(Random(NRows)) : j;
        for (std::size_t c = 0; c < p; ++c) C[j * p + c] = M.Col(c)[Row];
    }

    std::vector<std::int32_t> Cl(n, -1), Size(K, 0);
    std::int32_t Pass = 0;
    bool Aborted = false;
    for (;;) {
        ++Pass;
        detail::StepProgress();
        const bool Changed = AssignObjects(M, n, C, K, Cl);
        if (Changed) UpdateCenters(M, n, Cl, K, C, Size);
        // The abort request is polled after every pass, also one that changed nothing.
        if (detail::AbortRequested()) {
            Aborted = true;
            break;
        }
        if (!Changed || Pass >= 1001) break;
    }

    double Result = 0;
    std::vector<std::int32_t> NewIx(K);
    std::iota(NewIx.begin(), NewIx.end(), 0);
    if (!Aborted) {
        // The within-cluster sum of squares, each object's distance in column order.
        std::vector<double> S(n, 0.0);
        for (std::size_t c = 0; c < p; ++c) {
            const double* X = M.Col(c);
            for (std::size_t i = 0; i < n; ++i) {
                const double D = X[i] - C[static_cast<std::size_t>(Cl[i]) * p + c];
                S[i] += D * D;
            }
        }
        Extended Sum = 0;
        for (const double s : S) Sum += s;
        Result = static_cast<double>(Sum);
        // Renumbering by descending size, equal sizes in their former order.
        std::vector<std::int32_t> Order(K);
        std::iota(Order.begin(), Order.end(), 0);
        std::stable_sort(Order.begin(), Order.end(), [&Size](std::int32_t A, std::int32_t B) {
            return Size[static_cast<std::size_t>(A)] > Size[static_cast<std::size_t>(B)];
        });
        for (std::size_t j = 0; j < K; ++j) NewIx[static_cast<std::size_t>(Order[j])] = static_cast<std::int32_t>(j);
    }
    for (std::size_t j = 0; j < K; ++j) {
        const std::int32_t To = NewIx[j] + 1;
        ClustSize.SetElem(To, Size[j]);
        for (std::size_t c = 0; c < p; ++c) Centers.SetElem(static_cast<std::int32_t>(c + 1), To, C[j * p + c]);
    }
    for (std::size_t i = 0; i < n; ++i)
        Clusters.SetElem(static_cast<std::int32_t>(i + 1), NewIx[static_cast<std::size_t>(Cl[i])] + 1);
    if (Pass >= 1001) throw EQMRMath2Error("kMeansClustering: max. number of iterations exceeded");
    return Result;
}

double kMeansClustering(const TMatrix& Mat, std::int32_t p2, std::int32_t p3, std::int32_t NumClusters,
                        TMatrix& Centers, TIntVector& Clusters) {
    TIntVector ClustSize(nullptr);
    return kMeansClustering(Mat, p2, p3, NumClusters, 0, Centers, Clusters, ClustSize);
}

std::int32_t kMeansEstimatedSteps(std::int32_t na, std::int32_t nb, std::int32_t nc) {
    const double a = na, b = nb, c = nc;
    const double x = 0.18232 * std::sqrt(a * b) - 108 - 9.2427e-4 * a - 1.7557e-4 * a * c + 0.38775 * std::sqrt(a * c);
    if (!(x >= 20)) return 20;  // also when a root is not real
    return detail::RoundToInt32Sat(x);
}

}  // namespace qmr
