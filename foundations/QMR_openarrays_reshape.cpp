// Trace, transposition, dichotomy and discretization of arrays.
#include "foundations/QMR_openarrays_reshape.h"

#include "foundations/detail/openarrays_cells.h"

#include <cmath>
#include <utility>

namespace qmr {

namespace {

using namespace detail::oa;

template <class T> T AddCell(T A, T B) {
    if constexpr (std::is_same_v<T, std::int32_t>) return WrapAdd(A, B);
    else return A + B;
}

template <class V, class T> int TraceOf(const V& A, T& Out) {
    Out = T(0);
    if (!Usable(A)) return -1;
    if (A.size() != A[0].size()) return -2;
    T S = T(0);
    for (std::size_t I = 0; I < A.size(); ++I) S = AddCell(S, A[I][I]);
    Out = S;
    return 0;
}

template <class V> int Transpose(V& A) {
    if (!Usable(A)) return -1;
    const std::size_t W = A.size(), H = A[0].size();
    V Work(H, typename V::value_type(W));
    for (std::size_t X = 0; X < W; ++X)
        for (std::size_t Y = 0; Y < H; ++Y) Work[Y][X] = A[X][Y];
    A = std::move(Work);
    return 0;
}

// Steps shared by both forms; leaves First/Second as found (not yet ordered).
template <class T> bool ScanTwoValues(const std::vector<T>& A, T& First, T& Second) {
    const std::size_t N = A.size();
    First = A[0];
    Second = A[0];
    std::size_t J = 1;
    while (J < N - 1 && A[J] == First) ++J;
    if (A[J] != First) Second = A[J];
    for (std::size_t K = J + 1; K < N; ++K)
        if (A[K] != First && A[K] != Second) return false;
    return true;
}

template <class V, class Pred> int Dichotomize(const V& A, TBool2DArray& Mask, Pred P) {
    if (!Usable(A)) return -1;
    const TExtents E = Extents(A);
    TBool2DArray M = Shaped<TBool2DArray>(E);
    ForEachCellPair(A, M, E, [&P](const auto& X, auto&& Y) { Y = P(X); });
    Mask = std::move(M);
    return 0;
}

}  // namespace

int TraceOfArray(const TDouble2DArray& A, double& Trace) { return TraceOf(A, Trace); }
int TraceOfArray(const TInt2DArray& A, std::int32_t& Trace) { return TraceOf(A, Trace); }

int TransposeArray(TDouble2DArray& A) { return Transpose(A); }
int TransposeArray(TInt2DArray& A) { return Transpose(A); }
int TransposeArray(TBool2DArray& A) { return Transpose(A); }

bool IsDichotomous(const TDoubleArray& A, double& First, double& Second) {
    First = 0;
    Second = 0;
    if (A.size() < 2) return false;
    // NaN equals nothing, not even itself: such a vector has no two values.
    for (double X : A)
        if (std::isnan(X)) return false;
    double F = 0, S = 0;
    const bool Two = ScanTwoValues(A, F, S);
    if (F == S) {
        First = F;
        Second = S;
        return false;
    }
    if (S < F) std::swap(F, S);
    First = F;
    Second = S;
    return Two;
}

bool IsDichotomous(const TIntArray& A, std::int32_t& First, std::int32_t& Second) {
    First = 0;
    Second = 0;
    if (A.size() < 2) return false;
    std::int32_t F = 0, S = 0;
    const bool Two = ScanTwoValues(A, F, S);
    if (S < F) std::swap(F, S);
    First = F;
    Second = S;
    return Two;
}

int DichotomizeArray(const TDouble2DArray& A, double Threshold, TBool2DArray& Mask) {
    return Dichotomize(A, Mask, [Threshold](double X) { return X > Threshold; });
}
int DichotomizeArray(const TInt2DArray& A, std::int32_t Threshold, TBool2DArray& Mask) {
    return Dichotomize(A, Mask, [Threshold](std::int32_t X) { return X > Threshold; });
}
int DichotomizeArray(const TDouble2DArray& A, double Low, double High, TBool2DArray& Mask) {
    if (High < Low) std::swap(Low, High);
    return Dichotomize(A, Mask, [Low, High](double X) { return Low <= X && X <= High; });
}
int DichotomizeArray(const TInt2DArray& A, std::int32_t Low, std::int32_t High, TBool2DArray& Mask) {
    if (High < Low) std::swap(Low, High);
    return Dichotomize(A, Mask, [Low, High](std::int32_t X) { return Low <= X && X <= High; });
}

int DiscretizeArray(TDouble2DArray& A, std::int32_t Levels, double LowThresh, double HighThresh, double LowOut,
                    double HighOut) {
    int Result = 0;
    if (Levels < 3) Result = -1;
    if (!(HighThresh > LowThresh)) Result = -2;  // also when either is NaN
    if (Result != 0) return Result;
    if (A.empty() || A[0].empty()) return 0;  // nothing to discretize
    if (!Usable(A)) return -1;
    const double Bins = static_cast<double>(Levels) - 2.0;
    // Two finite thresholds whose distance overflows are measured in halves, where
    // neither the distance nor a cell's offset from LowThresh can overflow.
    const bool Halved = std::isfinite(LowThresh) && std::isfinite(HighThresh) &&
                        !std::isfinite(HighThresh - LowThresh);
    const double Scale = Halved ? 0.5 : 1.0;
    const double BinWidth = (HighThresh * Scale - LowThresh * Scale) / Bins;
    const double Step = (HighOut - LowOut) / (static_cast<double>(Levels) - 1.0);
    ForEachCell(A, Extents(A), [&](double& X) {
        if (std::isnan(X) || X <= LowThresh) {
            X = LowOut;
        } else if (X >= HighThresh) {
            X = HighOut;
        } else {
            // The bin index stays real until it is known to lie in 0 .. Levels - 3: an
            // infinite threshold or the rounding next to HighThresh can push it outside.
            double M = std::floor((X * Scale - LowThresh * Scale) / BinWidth);
            if (!(M >= 0.0)) M = 0.0;
            if (M > Bins - 1.0) M = Bins - 1.0;
            X = LowOut + Step * (M + 1.0);
        }
    });
    return 0;
}

}  // namespace qmr
