// Element operations and linear search.
#include "foundations/QMR_openarrays_elemops.h"

#include "foundations/detail/openarrays_cells.h"

#include <algorithm>
#include <cmath>

namespace qmr {

namespace {

using namespace detail::oa;

// Exchanges the cells of X and Y below the extents E[Level..]. Cells are moved rather
// than whole sub-arrays, so that every sub-array keeps its length (a longer later
// sub-array never ends up in front of a shorter one).
template <class V> void SwapCells(V& X, V& Y, const TExtents& E, int Level) {
    const std::size_t N = E[static_cast<std::size_t>(Level)];
    if constexpr (IsVector<typename V::value_type>::value) {
        for (std::size_t I = 0; I < N; ++I) SwapCells(X[I], Y[I], E, Level + 1);
    } else {
        std::swap_ranges(X.begin(), X.begin() + static_cast<std::ptrdiff_t>(N), Y.begin());
    }
}

// Reverses the first E[Level] items of every sub-array at level Target.
template <class V> void FlipLevel(V& A, const TExtents& E, int Level, int Target) {
    const std::size_t N = E[static_cast<std::size_t>(Level)];
    if (Level == Target) {
        for (std::size_t I = 0, J = N - 1; I < N / 2; ++I, --J) {
            if constexpr (IsVector<typename V::value_type>::value) SwapCells(A[I], A[J], E, Level + 1);
            else std::swap(A[I], A[J]);
        }
        return;
    }
    if constexpr (IsVector<typename V::value_type>::value) {
        for (std::size_t I = 0; I < N; ++I) FlipLevel(A[I], E, Level + 1, Target);
    }
}

template <class V> int FlipDim(V& A, std::int32_t Dim) {
    if (!Usable(A)) return -1;
    if (Dim < 1 || Dim > Rank<V>()) return -2;
    FlipLevel(A, Extents(A), 0, Dim - 1);
    return 0;
}

template <class V> int AbsVal(V& A) {
    if (!Usable(A)) return -1;
    ForEachCell(A, Extents(A), [](auto& X) {
        if constexpr (std::is_same_v<std::remove_reference_t<decltype(X)>, std::int32_t>) {
            if (X < 0) X = WrapNeg(X);
        } else {
            X = std::fabs(X);
        }
    });
    return 0;
}

template <class V, class W, class T> int BoolToNum(const V& A, T ValueFalse, T ValueTrue, W& B) {
    if (!Usable(A)) return -1;
    const TExtents E = Extents(A);
    W Out = Shaped<W>(E);
    ForEachCellPair(A, Out, E, [ValueFalse, ValueTrue](bool X, T& Y) { Y = X ? ValueTrue : ValueFalse; });
    B = std::move(Out);
    return 0;
}

// Lower case of the ASCII letters; other bytes (UTF-8 sequences included) stay as they are.
std::string LowerAscii(std::string S) {
    for (char& C : S)
        if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
    return S;
}

}  // namespace

int FlipDimArray(TDoubleArray& A, std::int32_t Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TDouble2DArray& A, std::int32_t Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TDouble3DArray& A, std::int32_t Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TDouble4DArray& A, std::int32_t Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TIntArray& A, std::int32_t Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TInt2DArray& A, std::int32_t Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TInt3DArray& A, std::int32_t Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TInt4DArray& A, std::int32_t Dim) { return FlipDim(A, Dim); }

int AbsValArray(TDoubleArray& A) { return AbsVal(A); }
int AbsValArray(TDouble2DArray& A) { return AbsVal(A); }
int AbsValArray(TDouble3DArray& A) { return AbsVal(A); }
int AbsValArray(TDouble4DArray& A) { return AbsVal(A); }
int AbsValArray(TIntArray& A) { return AbsVal(A); }
int AbsValArray(TInt2DArray& A) { return AbsVal(A); }
int AbsValArray(TInt3DArray& A) { return AbsVal(A); }
int AbsValArray(TInt4DArray& A) { return AbsVal(A); }

int BoolToNumArray(const TBoolArray& A, std::int32_t ValueFalse, std::int32_t ValueTrue, TIntArray& B) {
    return BoolToNum(A, ValueFalse, ValueTrue, B);
}
int BoolToNumArray(const TBoolArray& A, double ValueFalse, double ValueTrue, TDoubleArray& B) {
    return BoolToNum(A, ValueFalse, ValueTrue, B);
}
int BoolToNumArray(const TBool2DArray& A, std::int32_t ValueFalse, std::int32_t ValueTrue, TInt2DArray& B) {
    return BoolToNum(A, ValueFalse, ValueTrue, B);
}
int BoolToNumArray(const TBool2DArray& A, double ValueFalse, double ValueTrue, TDouble2DArray& B) {
    return BoolToNum(A, ValueFalse, ValueTrue, B);
}

int FindInArray(std::int32_t Key, const TIntArray& A) {
    if (A.empty()) return -1;
    const auto It = std::find(A.begin(), A.end(), Key);
    return It == A.end() ? -2 : static_cast<int>(It - A.begin());
}

int FindInArray(const std::string& S, const TStrArray& A, bool IgnoreCase, bool Substring) {
    if (A.empty()) return -1;
    const std::string Key = IgnoreCase ? LowerAscii(S) : S;
    for (std::size_t I = 0; I < A.size(); ++I) {
        const std::string Item = IgnoreCase ? LowerAscii(A[I]) : A[I];
        if (Substring ? Item.find(Key) != std::string::npos : Item == Key) return static_cast<int>(I);
    }
    return -2;
}

}  // namespace qmr
