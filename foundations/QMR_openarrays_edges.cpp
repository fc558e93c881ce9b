// Edge vectors, percentiles, value counts, hat matrices, cloning and comparison.
#include "foundations/QMR_openarrays_edges.h"

#include "foundations/QMR_math1_sort.h"
#include "foundations/QMR_openarrays_invert.h"
#include "foundations/QMR_openarrays_reshape.h"
#include "foundations/detail/openarrays_cells.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <type_traits>
#include <utility>

namespace qmr {

namespace {

using detail::oa::Extents;
using detail::oa::TExtents;
using detail::oa::Usable;

// ---------------------------------------------------------------- edge vectors

template <class T>
std::int32_t EdgeVectorOf(const std::vector<std::vector<T>>& A, TOrientation Orientation, TEdgeOp Op,
                          TDoubleArray& V) {
    if (!Usable(A)) return -1;
    const std::size_t Cols = A.size(), Rows = A[0].size();
    const bool PerColumn = Orientation == TOrientation::orColumns;
    const std::size_t Span = PerColumn ? Rows : Cols;  // values aggregated into each entry
    double Start = 0.0;
    if (Op == TEdgeOp::eoMin) Start = uc_MaxDouble;
    else if (Op == TEdgeOp::eoMax) Start = -uc_MaxDouble;
    TDoubleArray Out(PerColumn ? Cols : Rows, Start);
    // Storage order; each entry still sees its values in increasing index order.
    for (std::size_t C = 0; C < Cols; ++C)
        for (std::size_t R = 0; R < Rows; ++R) {
            const double X = static_cast<double>(A[C][R]);
            double& Acc = Out[PerColumn ? C : R];
            switch (Op) {
                case TEdgeOp::eoMin: if (X < Acc) Acc = X; break;
                case TEdgeOp::eoMax: if (X > Acc) Acc = X; break;
                default: Acc += X; break;
            }
        }
    if (Op == TEdgeOp::eoMean)
        for (double& X : Out) X /= static_cast<double>(Span);
    V = std::move(Out);
    return 0;
}

// ---------------------------------------------------------------- counting

// B holds the low and high index of each dimension in turn.
template <class V, class T> std::int32_t CountValuesOf(const V& A, const std::int32_t* B, T Lo, T Hi) {
    if (!Usable(A)) return -1;
    std::int64_t First[4] = {}, Last[4] = {};
    for (int D = 0; D < detail::oa::Rank<V>(); ++D) {
        First[D] = B[2 * D];
        Last[D] = B[2 * D + 1];
    }
    if (!detail::oa::BlockOk(A, First, Last) || !(Lo <= Hi)) return -2;
    std::int32_t N = 0;
    detail::oa::ForEachInBlock(A, First, Last, [&](T X) {
        if (Lo <= X && X <= Hi) ++N;
    });
    return N;
}

// ---------------------------------------------------------------- cloning

// Double to single as IEEE rounding gives it: beyond the largest single, infinity.
float ToSingle(double X) {
    constexpr double Max = std::numeric_limits<float>::max();
    if (X > Max || X < -Max) {
        const double Edge = Max + std::ldexp(1.0, 103);  // halfway to the next binade
        if (X >= Edge) return std::numeric_limits<float>::infinity();
        if (X <= -Edge) return -std::numeric_limits<float>::infinity();
        return static_cast<float>(X > 0 ? Max : -Max);
    }
    return static_cast<float>(X);
}

template <class D, class S> D ConvertCell(S X) {
    if constexpr (std::is_same_v<D, std::int32_t> && std::is_floating_point_v<S>) {
        return detail::oa::RoundToInt32(X);  // clamps to the int32 range, halves to even
    } else if constexpr (std::is_same_v<D, float> && std::is_same_v<S, double>) {
        return ToSingle(X);
    } else {
        return static_cast<D>(X);
    }
}

template <class S, class D> std::int32_t Clone(const S& Source, D& Dest) {
    static_assert(detail::oa::Rank<S>() == detail::oa::Rank<D>());
    if (!Usable(Source)) return -1;
    const TExtents E = Extents(Source);
    D Out = detail::oa::Shaped<D>(E);
    detail::oa::ForEachCellPair(Out, Source, E, [](auto&& To, const auto& From) {
        To = ConvertCell<detail::oa::Cell<D>>(From);
    });
    Dest = std::move(Out);
    return 0;
}

template <class S, class D> std::int32_t CloneReversed(const S& Source, D& Dest) {
    if (Source.empty()) return -1;
    const std::size_t N = Source.size();
    D Out(N);
    for (std::size_t I = 0; I < N; ++I) Out[I] = ConvertCell<typename D::value_type>(Source[N - 1 - I]);
    Dest = std::move(Out);
    return 0;
}

// ---------------------------------------------------------------- hat matrix

// L * R for arrays laid out [column][row]: L of m columns and r rows, R of m rows; the
// product has R's columns and r rows, cell [k][i] = sum over j of L[j][i] * R[k][j].
TDouble2DArray Product(const TDouble2DArray& L, const TDouble2DArray& R) {
    const std::size_t M = L.size(), Rows = L[0].size();
    TDouble2DArray Out(R.size(), TDoubleArray(Rows, 0.0));
    for (std::size_t K = 0; K < R.size(); ++K) {
        double* O = Out[K].data();
        for (std::size_t J = 0; J < M; ++J) {
            const double F = R[K][J];
            const double* Lj = L[J].data();
            for (std::size_t I = 0; I < Rows; ++I) O[I] += Lj[I] * F;
        }
    }
    return Out;
}

}  // namespace

// ---------------------------------------------------------------- edge vectors

std::int32_t EdgeVector(const TInt2DArray& A, TOrientation Orientation, TEdgeOp Op, TDoubleArray& V) {
    return EdgeVectorOf(A, Orientation, Op, V);
}
std::int32_t EdgeVector(const TDouble2DArray& A, TOrientation Orientation, TEdgeOp Op, TDoubleArray& V) {
    return EdgeVectorOf(A, Orientation, Op, V);
}

// ---------------------------------------------------------------- percentiles

namespace {
// Position of the P-th percentile among N values: Round(N * P / 100), at most N - 1.
std::int32_t PercentilePos(double P, std::size_t N) {
    P = std::clamp(P, 0.0, 100.0);
    const std::int32_t K = detail::oa::RoundToInt32(static_cast<double>(N) * P / 100.0);
    return std::min(K, static_cast<std::int32_t>(N - 1));
}
}  // namespace

double PercentileArray(double P, TDoubleArray& A) {
    if (A.empty() || std::isnan(P)) return 0.0;
    const std::int32_t Last = static_cast<std::int32_t>(A.size() - 1);
    return QuickSelect(A, PercentilePos(P, A.size()), 0, Last);
}

double PercentileArray(double P, const TDouble2DArray& A, std::int32_t ColLo, std::int32_t RowLo,
                       std::int32_t ColHi, std::int32_t RowHi) {
    if (!Usable(A) || std::isnan(P)) return 0.0;
    const auto MaxCol = static_cast<std::int32_t>(A.size() - 1);
    const auto MaxRow = static_cast<std::int32_t>(A[0].size() - 1);
    ColLo = std::clamp(ColLo, 0, MaxCol);
    ColHi = std::clamp(ColHi, 0, MaxCol);
    RowLo = std::clamp(RowLo, 0, MaxRow);
    RowHi = std::clamp(RowHi, 0, MaxRow);
    if (ColHi < ColLo || RowHi < RowLo) return 0.0;
    const std::int64_t BlockLo[] = {ColLo, RowLo}, BlockHi[] = {ColHi, RowHi};
    TDoubleArray Work;
    Work.reserve(static_cast<std::size_t>(ColHi - ColLo + 1) * static_cast<std::size_t>(RowHi - RowLo + 1));
    detail::oa::ForEachInBlock(A, BlockLo, BlockHi, [&Work](double X) { Work.push_back(X); });
    const std::int32_t Last = static_cast<std::int32_t>(Work.size() - 1);
    return QuickSelect(Work, PercentilePos(P, Work.size()), 0, Last);
}

// ---------------------------------------------------------------- counting

std::int32_t CountValues(const TDoubleArray& A, std::int32_t Lo1, std::int32_t Hi1, double Lo, double Hi) {
    const std::int32_t B[] = {Lo1, Hi1};
    return CountValuesOf(A, B, Lo, Hi);
}
std::int32_t CountValues(const TDouble2DArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo2,
                         std::int32_t Hi2, double Lo, double Hi) {
    const std::int32_t B[] = {Lo1, Hi1, Lo2, Hi2};
    return CountValuesOf(A, B, Lo, Hi);
}
std::int32_t CountValues(const TDouble3DArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo2,
                         std::int32_t Hi2, std::int32_t Lo3, std::int32_t Hi3, double Lo, double Hi) {
    const std::int32_t B[] = {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3};
    return CountValuesOf(A, B, Lo, Hi);
}
std::int32_t CountValues(const TDouble4DArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo2,
                         std::int32_t Hi2, std::int32_t Lo3, std::int32_t Hi3, std::int32_t Lo4, std::int32_t Hi4,
                         double Lo, double Hi) {
    const std::int32_t B[] = {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3, Lo4, Hi4};
    return CountValuesOf(A, B, Lo, Hi);
}
std::int32_t CountValues(const TIntArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo, std::int32_t Hi) {
    const std::int32_t B[] = {Lo1, Hi1};
    return CountValuesOf(A, B, Lo, Hi);
}
std::int32_t CountValues(const TInt2DArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo2, std::int32_t Hi2,
                         std::int32_t Lo, std::int32_t Hi) {
    const std::int32_t B[] = {Lo1, Hi1, Lo2, Hi2};
    return CountValuesOf(A, B, Lo, Hi);
}
std::int32_t CountValues(const TInt3DArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo2, std::int32_t Hi2,
                         std::int32_t Lo3, std::int32_t Hi3, std::int32_t Lo, std::int32_t Hi) {
    const std::int32_t B[] = {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3};
    return CountValuesOf(A, B, Lo, Hi);
}
std::int32_t CountValues(const TInt4DArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo2, std::int32_t Hi2,
                         std::int32_t Lo3, std::int32_t Hi3, std::int32_t Lo4, std::int32_t Hi4, std::int32_t Lo,
                         std::int32_t Hi) {
    const std::int32_t B[] = {Lo1, Hi1, Lo2, Hi2, Lo3, Hi3, Lo4, Hi4};
    return CountValuesOf(A, B, Lo, Hi);
}

// ---------------------------------------------------------------- cloning

std::int32_t CloneArray(const TBoolArray& Source, TBoolArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TBool2DArray& Source, TBool2DArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TSingleArray& Source, TDoubleArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TDoubleArray& Source, TSingleArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TDoubleArray& Source, TDoubleArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TDouble2DArray& Source, TDouble2DArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TDouble3DArray& Source, TDouble3DArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TDouble4DArray& Source, TDouble4DArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TIntArray& Source, TIntArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TInt2DArray& Source, TInt2DArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TInt3DArray& Source, TInt3DArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TInt4DArray& Source, TInt4DArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TDoubleArray& Source, TIntArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TDouble2DArray& Source, TInt2DArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TDouble3DArray& Source, TInt3DArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TDouble4DArray& Source, TInt4DArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TIntArray& Source, TDoubleArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TInt2DArray& Source, TDouble2DArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TInt3DArray& Source, TDouble3DArray& Dest) { return Clone(Source, Dest); }
std::int32_t CloneArray(const TInt4DArray& Source, TDouble4DArray& Dest) { return Clone(Source, Dest); }

std::int32_t CloneAndReverseArray(const TBoolArray& Source, TBoolArray& Dest) { return CloneReversed(Source, Dest); }
std::int32_t CloneAndReverseArray(const TIntArray& Source, TIntArray& Dest) { return CloneReversed(Source, Dest); }
std::int32_t CloneAndReverseArray(const TDoubleArray& Source, TDoubleArray& Dest) { return CloneReversed(Source, Dest); }
std::int32_t CloneAndReverseArray(const TSingleArray& Source, TDoubleArray& Dest) { return CloneReversed(Source, Dest); }
std::int32_t CloneAndReverseArray(const TDoubleArray& Source, TSingleArray& Dest) { return CloneReversed(Source, Dest); }
std::int32_t CloneAndReverseArray(const TDoubleArray& Source, TIntArray& Dest) { return CloneReversed(Source, Dest); }
std::int32_t CloneAndReverseArray(const TIntArray& Source, TDoubleArray& Dest) { return CloneReversed(Source, Dest); }

// ---------------------------------------------------------------- comparison

namespace {
// Equal extents (from the first sub-arrays) and equal cells within them; what lies beyond
// the extents in a longer later sub-array is not part of the array. A ragged array (a
// later sub-array shorter than the first) is refused: False.
template <class V> bool EqualViews(const V& A, const V& B) {
    if (!detail::oa::Rectangular(A) || !detail::oa::Rectangular(B)) return false;
    const TExtents E = Extents(A);
    if (E != Extents(B)) return false;
    bool Equal = true;
    detail::oa::ForEachCellPair(A, B, E, [&Equal](std::int32_t X, std::int32_t Y) { Equal = Equal && X == Y; });
    return Equal;
}
}  // namespace

bool EqualArrays(const TIntArray& A, const TIntArray& B) { return EqualViews(A, B); }
bool EqualArrays(const TInt2DArray& A, const TInt2DArray& B) { return EqualViews(A, B); }
bool EqualArrays(const TInt3DArray& A, const TInt3DArray& B) { return EqualViews(A, B); }
bool EqualArrays(const TInt4DArray& A, const TInt4DArray& B) { return EqualViews(A, B); }

// ---------------------------------------------------------------- hat matrix

std::int32_t CalcHatMatrix(const TDouble2DArray& A, TDouble2DArray& HatMat) {
    TDouble2DArray B;
    std::int32_t Status = CloneArray(A, B);
    if (Status != 0) return Status;
    TransposeArray(B);                    // X'
    TDouble2DArray P = Product(B, A);     // X'X
    Status = InvertArray(P);
    if (Status != 0) return Status;
    const TDouble2DArray Q = Product(A, P);  // X (X'X)^-1
    TDouble2DArray H = Product(Q, B);
    for (const auto& Column : H)
        for (double V : Column)
            if (!std::isfinite(V)) return -3;  // overflow: no usable hat matrix
    HatMat = std::move(H);
    return 0;
}

}  // namespace qmr
