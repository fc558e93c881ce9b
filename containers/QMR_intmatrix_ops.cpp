// TIntMatrix: search, statistics, arithmetic, products and reordering.
#include "containers/QMR_matrix.h"
#include "containers/QMR_matrix_algos.h"
#include "containers/QMR_vector.h"
#include "containers/QMR_vector_algos.h"
#include "foundations/detail/openarrays_core.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

namespace qmr {

namespace {

using detail::oa::WrapAdd;
using detail::oa::WrapMul;
using detail::oa::WrapSub;
constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();

// Exact sum of 32-bit values: 64-bit partial sums flushed to Extended before they could
// overflow (2^31 values of at most 2^31 in magnitude).
class TIntSum {
public:
    void Add(std::int32_t V, std::int64_t Weight) noexcept {
        if (V == 0) return;
        if (Weight != 1 || ++FCount == (std::int64_t{1} << 31)) {
            Flush();
            FTotal += static_cast<Extended>(V) * static_cast<Extended>(Weight);
            return;
        }
        FPart += V;
    }
    Extended Total() noexcept {
        Flush();
        return FTotal;
    }

private:
    void Flush() noexcept {
        FTotal += static_cast<Extended>(FPart);
        FPart = 0;
        FCount = 0;
    }
    std::int64_t FPart = 0, FCount = 0;
    Extended FTotal = 0;
};

// Moment sums of deviations from a mean, each value counted Weight times.
struct TMoments {
    Extended S1 = 0, S2 = 0, S3 = 0, S4 = 0;
    void Add(std::int32_t V, std::int64_t Weight, double Mean) noexcept {
        const Extended D = static_cast<Extended>(V) - Mean, W = static_cast<Extended>(Weight);
        const Extended D2 = D * D;
        S1 += W * D;
        S2 += W * D2;
        S3 += W * D2 * D;
        S4 += W * D2 * D2;
    }
};

}  // namespace

namespace {

// Statistics of a block through VisitBlock, so that the dense and the sparse form share them.
template <class VisitFn> void MeanVarOf(std::int64_t N, VisitFn&& Visit, double& Mean, double& Variance) {
    Mean = 0;
    Variance = 1;
    if (N == 0) return;
    TIntSum S;
    Visit([&S](std::int32_t V, std::int64_t W) { S.Add(V, W); });
    Mean = static_cast<double>(S.Total() / static_cast<Extended>(N));
    // Second pass over the deviations: squares never formed in 32 bits, right for data far from 0.
    TMoments Mo;
    Visit([&](std::int32_t V, std::int64_t W) { Mo.Add(V, W, Mean); });
    Variance = detail::VarianceOf(N, Mo.S1, Mo.S2);
}

// Skewness and kurtosis from two values on; false (0 and 0) below two values or for
// constant data.
template <class VisitFn> bool SkewKurtOf(std::int64_t N, VisitFn&& Visit, double& Skewness, double& Kurtosis) {
    Skewness = Kurtosis = 0;
    if (N < 2) return false;
    TIntSum S;
    Visit([&S](std::int32_t V, std::int64_t W) { S.Add(V, W); });
    const double Mean = static_cast<double>(S.Total() / static_cast<Extended>(N));
    TMoments Mo;
    Visit([&](std::int32_t V, std::int64_t W) { Mo.Add(V, W, Mean); });
    const auto n = static_cast<Extended>(N);
    const Extended Var = (Mo.S2 - Mo.S1 * Mo.S1 / n) / (n - 1);
    const Extended Sd = Var > 0 ? std::sqrt(Var) : Extended(0);
    if (Sd == 0) return false;
    Skewness = static_cast<double>(Mo.S3 / n / (Sd * Sd * Sd));
    Kurtosis = static_cast<double>(Mo.S4 / n / (Var * Var) - 3);
    return true;
}

}  // namespace

template <class Fn> void TIntMatrix::VisitBlock(const detail::TBlock& G, Fn&& F, bool Unstored) const {
    const std::int64_t N = G.Count();
    if (N == 0) return;
    if (!FIsSparse) {
        detail::ForEachValue(G, [this](std::int32_t C) { return Column(C); }, [&F](std::int32_t V) { F(V, 1); });
        return;
    }
    std::int64_t Stored = 0;
    for (std::size_t I = LowerBound(G.LowCol, 1); I < FSp.size() && FSp[I].colidx <= G.HighCol; ++I) {
        const TSpMatElemInt& E = FSp[I];
        if (E.rowidx < G.LowRow || E.rowidx > G.HighRow) continue;
        F(E.value, 1);
        ++Stored;
    }
    if (Unstored && N > Stored) F(0, N - Stored);
}

// ---------------------------------------------------------------- search

std::int32_t TIntMatrix::FindInSortedColumn(std::int32_t Col, bool ColIsAscending, std::int32_t Value) const {
    if (FIsSparse || Col < 1 || Col > FNCol || FNRow < 1) return 0;
    return detail::FindInSorted(Column(Col), FNRow, ColIsAscending, Value);
}

void TIntMatrix::Find(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                      std::int32_t Value, std::int32_t& ColIx, std::int32_t& RowIx) const {
    ColIx = RowIx = 0;
    if (FIsSparse) return;
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    if (G.Count() == 0) return;
    std::uint64_t Best = std::numeric_limits<std::uint64_t>::max();
    for (std::int32_t C = G.LowCol; C <= G.HighCol; ++C) {
        const std::int32_t* P = Column(C);
        for (std::int32_t R = G.LowRow; R <= G.HighRow; ++R) {
            const std::uint64_t D = detail::AbsDiff(P[R - 1], Value);
            if (D < Best) {  // strictly nearer: the first nearest element wins
                Best = D;
                ColIx = C;
                RowIx = R;
            }
        }
    }
}

// ---------------------------------------------------------------- statistics

std::int32_t TIntMatrix::Sum(std::int32_t LoC, std::int32_t LoR, std::int32_t HiC, std::int32_t HiR) const {
    std::uint32_t S = 0;  // wraps at 32 bits
    VisitBlock(detail::MakeBlock(*this, LoC, HiC, LoR, HiR),
               [&S](std::int32_t V, std::int64_t) { S += static_cast<std::uint32_t>(V); }, false);
    return static_cast<std::int32_t>(S);
}

std::int32_t TIntMatrix::Trace() const {
    std::uint32_t S = 0;
    if (FIsSparse) {
        if (FSparseHighCol != FSparseHighRow) return 0;
        for (const TSpMatElemInt& E : FSp)
            if (E.colidx == E.rowidx) S += static_cast<std::uint32_t>(E.value);
    } else {
        if (FNCol != FNRow) return 0;
        for (std::int32_t K = 1; K <= FNCol; ++K) S += static_cast<std::uint32_t>(Column(K)[K - 1]);
    }
    return static_cast<std::int32_t>(S);
}

void TIntMatrix::MeanVar(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                         double& Mean, double& Variance) const {
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    MeanVarOf(G.Count(), [&](auto&& F) { VisitBlock(G, F); }, Mean, Variance);
}

Extended TIntMatrix::GeometricMean(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                   std::int32_t HighRow) const {
    if (FIsSparse) return 0;
    return detail::GeometricMeanIn(Dense(), detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow),
                                   [this](const char* Msg) { throw EQMRMatrixError(ComponentMessage(this, Msg)); });
}

Extended TIntMatrix::HarmonicMean(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                  std::int32_t HighRow) const {
    if (FIsSparse) return 0;
    return detail::HarmonicMeanIn(Dense(), detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow),
                                  [this](const char* Msg) { throw EQMRMatrixError(ComponentMessage(this, Msg)); });
}

void TIntMatrix::SkewKurt(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                          double& Skewness, double& Kurtosis) const {
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    SkewKurtOf(G.Count(), [&](auto&& F) { VisitBlock(G, F); }, Skewness, Kurtosis);
}

void TIntMatrix::SkewKurtSample(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                                double& Skewness, double& Kurtosis) const {
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    const std::int64_t N = G.Count();
    double S = 0, K = 0;
    Skewness = Kurtosis = 0;
    if (N < 4 || !SkewKurtOf(N, [&](auto&& F) { VisitBlock(G, F); }, S, K)) return;
    const auto n = static_cast<Extended>(N);
    Kurtosis = static_cast<double>((K + Extended(3)) * n * n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) -
                                   3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3)));
    Skewness = static_cast<double>(n * n * S / ((n - 1) * (n - 2)));
}

bool TIntMatrix::Quartiles(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                           double& Q1, double& Q2, double& Q3) const {
    Q1 = Q2 = Q3 = 0;
    if (FIsSparse) return false;
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    if (G.Count() == 0) return false;
    std::vector<std::int32_t> A;
    try {
        A.reserve(static_cast<std::size_t>(G.Count()));
    } catch (const std::bad_alloc&) {
        RaiseNoMemory();
    } catch (const std::length_error&) {
        RaiseNoMemory();
    }
    detail::ForEachValue(G, [this](std::int32_t C) { return Column(C); }, [&A](std::int32_t V) { A.push_back(V); });
    detail::QuartilesRun(A.data(), static_cast<std::int64_t>(A.size()), Q1, Q2, Q3);
    return true;
}

Extended TIntMatrix::Percentile(double Prob, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                std::int32_t HighRow) const {
    if (FIsSparse) return 0;
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    std::vector<double> A;
    try {
        A.reserve(static_cast<std::size_t>(G.Count()));
    } catch (const std::bad_alloc&) {
        RaiseNoMemory();
    } catch (const std::length_error&) {
        RaiseNoMemory();
    }
    detail::ForEachValue(G, [this](std::int32_t C) { return Column(C); }, [&A](std::int32_t V) { A.push_back(V); });
    return detail::SelectPercentile(A, Prob);
}

Extended TIntMatrix::Percentile(double Prob, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                std::int32_t HighRow, std::int32_t SampleSize) const {
    if (FIsSparse) return 0;
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    if (SampleSize <= 0 || SampleSize >= G.Count()) return Percentile(Prob, LowCol, LowRow, HighCol, HighRow);
    std::vector<double> A;
    try {
        A.resize(static_cast<std::size_t>(SampleSize));
    } catch (const std::bad_alloc&) {
        RaiseNoMemory();
    } catch (const std::length_error&) {
        RaiseNoMemory();
    }
    Randomize();
    const auto Cols = static_cast<std::int32_t>(G.Cols()), Rows = static_cast<std::int32_t>(G.Rows());
    for (double& V : A) {
        const std::int32_t C = Random(Cols);  // the column is drawn first
        const std::int32_t R = Random(Rows);
        V = Column(G.LowCol + C)[G.LowRow + R - 1];
    }
    return detail::SelectPercentile(A, Prob);
}

void TIntMatrix::MinMax(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                        std::int32_t& Minimum, std::int32_t& Maximum) const {
    Minimum = kMaxInt;
    Maximum = -kMaxInt;
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    VisitBlock(
        G,
        [&](std::int32_t V, std::int64_t) {
            Minimum = std::min(Minimum, V);
            Maximum = std::max(Maximum, V);
        },
        false);  // the unstored positions of a sparse matrix are not seen
}

// ---------------------------------------------------------------- arithmetic

bool TIntMatrix::Add(const TIntMatrix* MatB) {
    if (MatB == nullptr || FIsSparse) return false;
    if (!MatB->FIsSparse) {
        if (MatB->FNCol != FNCol || MatB->FNRow != FNRow) return false;
        for (std::int32_t C = 1; C <= FNCol; ++C) {
            std::int32_t* P = Column(C);
            const std::int32_t* Q = MatB->Column(C);
            for (std::int32_t R = 0; R < FNRow; ++R) P[R] = WrapAdd(P[R], Q[R]);
        }
    } else {
        if (FNCol < MatB->FSparseHighCol || FNRow < MatB->FSparseHighRow) return false;
        for (const TSpMatElemInt& E : MatB->FSp)
            if (E.colidx <= FNCol && E.rowidx <= FNRow)
                Column(E.colidx)[E.rowidx - 1] = WrapAdd(Column(E.colidx)[E.rowidx - 1], E.value);
    }
    Changed();
    return true;
}

bool TIntMatrix::Subtract(const TIntMatrix* MatB) {
    if (MatB == nullptr || FIsSparse || MatB->FIsSparse || MatB->FNCol != FNCol || MatB->FNRow != FNRow) return false;
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        std::int32_t* P = Column(C);
        const std::int32_t* Q = MatB->Column(C);
        for (std::int32_t R = 0; R < FNRow; ++R) P[R] = WrapSub(P[R], Q[R]);
    }
    Changed();
    return true;
}

void TIntMatrix::SMult(std::int32_t Scalar) {
    if (FIsSparse) return;
    for (std::int32_t C = 1; C <= FNCol; ++C)
        for (std::int32_t R = 0; R < FNRow; ++R) Column(C)[R] = WrapMul(Column(C)[R], Scalar);
    Changed();
}

void TIntMatrix::SAdd(std::int32_t Scalar) {
    if (FIsSparse) return;
    for (std::int32_t C = 1; C <= FNCol; ++C)
        for (std::int32_t R = 0; R < FNRow; ++R) Column(C)[R] = WrapAdd(Column(C)[R], Scalar);
    Changed();
}

// ---------------------------------------------------------------- products

namespace {

using u32 = std::uint32_t;
typedef u32 v8u __attribute__((vector_size(32)));

constexpr std::size_t kPanelCols = 4;

// C (M x N, column-major, wrapping) := A' * B' from packed panels: Ap holds A' in row
// panels of 8 * RowVecs rows (K values each, row-fastest), Bp holds B' in column panels of
// four columns (k outer). Integer products are exact modulo 2^32, so every order of the
// additions gives the same bits.
template <int RowVecs>
[[gnu::always_inline]] inline void PanelProduct(std::size_t M, std::size_t N, std::size_t K, const u32* Ap,
                                                const u32* Bp, u32* C) {
    constexpr std::size_t PR = 8 * RowVecs;
    for (std::size_t Q = 0; Q * kPanelCols < N; ++Q) {
        const u32* B = Bp + Q * kPanelCols * K;
        for (std::size_t P = 0; P * PR < M; ++P) {
            const u32* A = Ap + P * PR * K;
            v8u Acc[kPanelCols][RowVecs] = {};
            for (std::size_t k = 0; k < K; ++k) {
                v8u a[RowVecs];
                std::memcpy(a, A + k * PR, sizeof a);
                for (std::size_t t = 0; t < kPanelCols; ++t) {
                    const u32 b = B[k * kPanelCols + t];
                    for (int v = 0; v < RowVecs; ++v) Acc[t][v] += b * a[v];
                }
            }
            for (std::size_t t = 0; t < kPanelCols && Q * kPanelCols + t < N; ++t) {
                u32 Out[PR];
                std::memcpy(Out, Acc[t], sizeof Out);
                const std::size_t Rows = std::min(PR, M - P * PR);
                std::memcpy(C + (Q * kPanelCols + t) * M + P * PR, Out, Rows * sizeof(u32));
            }
        }
    }
}

[[gnu::target("avx2")]] void PanelProductAvx2(std::size_t M, std::size_t N, std::size_t K, const u32* Ap,
                                              const u32* Bp, u32* C) {
    PanelProduct<2>(M, N, K, Ap, Bp, C);
}

void PanelProductBase(std::size_t M, std::size_t N, std::size_t K, const u32* Ap, const u32* Bp, u32* C) {
    PanelProduct<1>(M, N, K, Ap, Bp, C);
}

bool HaveAvx2() noexcept {
    static const bool Have = __builtin_cpu_supports("avx2");
    return Have;
}

// C (M x N, column-major) := A' * B' with A'(r, k) = At(r, k) and B'(k, j) = Bt(k, j), all
// 0-based, in wrapping 32-bit arithmetic. Empty when M or N is 0.
template <class AFn, class BFn>
std::vector<u32> WrapProduct(std::size_t M, std::size_t N, std::size_t K, AFn&& At, BFn&& Bt) {
    const int RowVecs = HaveAvx2() ? 2 : 1;
    const std::size_t PR = 8 * static_cast<std::size_t>(RowVecs);
    const std::size_t MP = (M + PR - 1) / PR, NP = (N + kPanelCols - 1) / kPanelCols;
    std::vector<u32> Ap(MP * PR * K, 0), Bp(NP * kPanelCols * K, 0), C(M * N, 0);
    for (std::size_t k = 0; k < K; ++k)
        for (std::size_t r = 0; r < M; ++r) Ap[(r / PR) * PR * K + k * PR + r % PR] = static_cast<u32>(At(r, k));
    for (std::size_t j = 0; j < N; ++j)
        for (std::size_t k = 0; k < K; ++k)
            Bp[(j / kPanelCols) * kPanelCols * K + k * kPanelCols + j % kPanelCols] = static_cast<u32>(Bt(k, j));
    if (K > 0 && M > 0 && N > 0) {
        if (RowVecs == 2) PanelProductAvx2(M, N, K, Ap.data(), Bp.data(), C.data());
        else PanelProductBase(M, N, K, Ap.data(), Bp.data(), C.data());
    }
    return C;
}

}  // namespace

bool TIntMatrix::StoreProduct(TIntMatrix* MatRes, std::int32_t ResCols, std::int32_t ResRows, const std::vector<std::uint32_t>& Res) {
    MatRes->Resize(ResCols, ResRows);
    const auto Rows = static_cast<std::size_t>(ResRows);
    if (!MatRes->FIsSparse && !MatRes->OnChange && MatRes->FNCol == ResCols && MatRes->FNRow == ResRows) {
        // Without a handler the element setter's effect is the plain store.
        for (std::int32_t C = 1; C <= ResCols; ++C)
            for (std::size_t R = 0; R < Rows; ++R)
                MatRes->Column(C)[R] = static_cast<std::int32_t>(Res[static_cast<std::size_t>(C - 1) * Rows + R]);
    } else {
        for (std::int32_t C = 1; C <= ResCols; ++C)
            for (std::size_t R = 0; R < Rows; ++R)
                MatRes->SetElem(C, static_cast<std::int32_t>(R + 1),
                                static_cast<std::int32_t>(Res[static_cast<std::size_t>(C - 1) * Rows + R]));
    }
    Changed();
    return true;
}

namespace {

bool DenseOperands(const TIntMatrix* A, const TIntMatrix* B, const void* Res) {
    return B != nullptr && Res != nullptr && !A->IsSparse() && !B->IsSparse();
}

std::size_t Sz(std::int32_t N) { return static_cast<std::size_t>(std::max(N, 0)); }

}  // namespace

bool TIntMatrix::Multiply(const TIntMatrix* MatB, TIntMatrix* MatRes) {
    if (!DenseOperands(this, MatB, MatRes) || FNCol != MatB->FNRow) return false;
    const auto Res = WrapProduct(
        Sz(FNRow), Sz(MatB->FNCol), Sz(FNCol), [this](std::size_t r, std::size_t k) { return Column(static_cast<std::int32_t>(k + 1))[r]; },
        [MatB](std::size_t k, std::size_t j) { return MatB->Column(static_cast<std::int32_t>(j + 1))[k]; });
    return StoreProduct(MatRes, MatB->FNCol, FNRow, Res);
}

bool TIntMatrix::MultiplyTransposed(const TIntMatrix* MatB, TIntMatrix* MatRes) {
    if (!DenseOperands(this, MatB, MatRes) || FNCol != MatB->FNCol) return false;
    const auto Res = WrapProduct(
        Sz(FNRow), Sz(MatB->FNRow), Sz(FNCol), [this](std::size_t r, std::size_t k) { return Column(static_cast<std::int32_t>(k + 1))[r]; },
        [MatB](std::size_t k, std::size_t j) { return MatB->Column(static_cast<std::int32_t>(k + 1))[j]; });
    return StoreProduct(MatRes, MatB->FNRow, FNRow, Res);
}

bool TIntMatrix::TransposeAndMultiply(const TIntMatrix* MatB, TIntMatrix* MatRes) {
    if (!DenseOperands(this, MatB, MatRes) || FNRow != MatB->FNRow) return false;
    const auto Res = WrapProduct(
        Sz(FNCol), Sz(MatB->FNCol), Sz(FNRow), [this](std::size_t r, std::size_t k) { return Column(static_cast<std::int32_t>(r + 1))[k]; },
        [MatB](std::size_t k, std::size_t j) { return MatB->Column(static_cast<std::int32_t>(j + 1))[k]; });
    return StoreProduct(MatRes, MatB->FNCol, FNCol, Res);
}

bool TIntMatrix::EMult(const TIntMatrix* MatB, TIntMatrix* MatRes) {
    if (!DenseOperands(this, MatB, MatRes) || FNCol != MatB->FNCol || FNRow != MatB->FNRow) return false;
    const std::size_t Rows = Sz(FNRow);
    std::vector<u32> Res(Sz(FNCol) * Rows);
    for (std::int32_t C = 1; C <= FNCol; ++C)
        for (std::size_t R = 0; R < Rows; ++R)
            Res[static_cast<std::size_t>(C - 1) * Rows + R] = static_cast<u32>(WrapMul(Column(C)[R], MatB->Column(C)[R]));
    return StoreProduct(MatRes, FNCol, FNRow, Res);
}

bool TIntMatrix::Multiply(const TIntVector* VecB, TIntVector* VecRes) {
    if (VecB == nullptr || VecRes == nullptr || FIsSparse || FNCol != VecB->NrOfElem()) return false;
    std::vector<u32> Res(Sz(FNRow), 0);
    for (std::int32_t K = 1; K <= FNCol; ++K) {
        const auto B = static_cast<u32>(VecB->Elem(K));
        const std::int32_t* P = Column(K);
        for (std::size_t R = 0; R < Res.size(); ++R) Res[R] += static_cast<u32>(P[R]) * B;
    }
    VecRes->SetNrOfElem(FNRow);
    for (std::int32_t R = 1; R <= FNRow; ++R) VecRes->SetElem(R, static_cast<std::int32_t>(Res[static_cast<std::size_t>(R - 1)]));
    Changed();
    return true;
}

bool TIntMatrix::TransposeAndMultiply(const TIntVector* VecB, TIntVector* VecRes) {
    if (VecB == nullptr || VecRes == nullptr || FIsSparse || FNRow != VecB->NrOfElem()) return false;
    std::vector<u32> B(Sz(FNRow)), Res(Sz(FNCol), 0);
    for (std::int32_t K = 1; K <= FNRow; ++K) B[static_cast<std::size_t>(K - 1)] = static_cast<u32>(VecB->Elem(K));
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        const std::int32_t* P = Column(C);
        u32 S = 0;
        for (std::size_t K = 0; K < B.size(); ++K) S += static_cast<u32>(P[K]) * B[K];
        Res[static_cast<std::size_t>(C - 1)] = S;
    }
    VecRes->SetNrOfElem(FNCol);
    for (std::int32_t C = 1; C <= FNCol; ++C) VecRes->SetElem(C, static_cast<std::int32_t>(Res[static_cast<std::size_t>(C - 1)]));
    Changed();
    return true;
}

// ---------------------------------------------------------------- reordering

void TIntMatrix::SortRows(std::int32_t SortColIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                          std::int32_t HighCol, std::int32_t HighRow) {
    if (FIsSparse) return;
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    if (detail::SortRowsIn(Dense(), SortColIx, Ascending, G,
                           [&](std::int32_t I, std::int32_t J) { SortExchange(2, I, J, G.LowCol, G.HighCol); }))
        Changed();
}

void TIntMatrix::SortCols(std::int32_t SortRowIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                          std::int32_t HighCol, std::int32_t HighRow) {
    if (FIsSparse) return;
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    if (detail::SortColsIn(Dense(), SortRowIx, Ascending, G,
                           [&](std::int32_t I, std::int32_t J) { SortExchange(1, I, J, G.LowRow, G.HighRow); }))
        Changed();
}

void TIntMatrix::MirrorColumns() {
    if (FIsSparse) return;
    detail::MirrorColumnsIn(Dense());
    Changed();
}

void TIntMatrix::MirrorRows() {
    if (FIsSparse) return;
    detail::MirrorRowsIn(Dense());
    Changed();
}

void TIntMatrix::ExchangeColumns(std::int32_t C1, std::int32_t C2) {
    if (!FIsSparse && detail::ExchangeColumnsIn(Dense(), C1, C2)) Changed();
}

void TIntMatrix::ExchangeRows(std::int32_t R1, std::int32_t R2) {
    if (!FIsSparse && detail::ExchangeRowsIn(Dense(), R1, R2)) Changed();
}

void TIntMatrix::EdgeVector(TOrientation Orient, TEdgeOp EdgeOp, TVector* DestVec) const {
    if (DestVec == nullptr || FIsSparse || static_cast<int>(EdgeOp) > 3) return;
    const std::vector<double> Acc = detail::EdgeValuesIn(Dense(), Orient, EdgeOp);
    const auto NOut = static_cast<std::int32_t>(Acc.size());
    DestVec->SetNrOfElem(NOut);
    for (std::int32_t K = 1; K <= NOut; ++K) DestVec->SetElem(K, Acc[static_cast<std::size_t>(K - 1)]);
}

}  // namespace qmr
