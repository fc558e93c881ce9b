// Extremes of arrays with their positions.
#include "foundations/QMR_openarrays_extremes.h"

#include "foundations/detail/openarrays_cells.h"
#include "platform/Qmr_univconst.h"

#include <array>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace qmr {

namespace {

using namespace qmr::detail::oa;

constexpr double MaxDouble = uc_MaxDouble;
constexpr double MaxSingle = uc_MaxSingle;

template <class T> bool IsNumber(T X) {
    if constexpr (std::is_floating_point_v<T>) return X == X;
    else return true;
}

// Extremes of a whole array and the positions of their first occurrences.
template <class T> struct Extremes {
    bool Found = false;  // false when the array holds no number (or is unusable)
    T Min{};
    T Max{};
    std::array<std::size_t, 4> MinPos{};
    std::array<std::size_t, 4> MaxPos{};
};

template <class V> Extremes<Cell<V>> ScanWhole(const V& A) {
    using T = Cell<V>;
    Extremes<T> E;
    if (!Usable(A)) return E;
    constexpr int R = Rank<V>();
    ForEachCellAt(A, [&E](T X, const std::size_t* Pos) {
        if (!IsNumber(X)) return;
        if (!E.Found) {
            E.Found = true;
            E.Min = E.Max = X;
            for (int D = 0; D < R; ++D) E.MinPos[D] = E.MaxPos[D] = Pos[D];
        } else if (X > E.Max) {
            E.Max = X;
            for (int D = 0; D < R; ++D) E.MaxPos[D] = Pos[D];
        } else if (X < E.Min) {
            E.Min = X;
            for (int D = 0; D < R; ++D) E.MinPos[D] = Pos[D];
        }
    });
    return E;
}

template <class T> T LowSentinel() {
    if constexpr (std::is_floating_point_v<T>) return -MaxDouble;
    else return std::numeric_limits<T>::min();
}
template <class T> T HighSentinel() {
    if constexpr (std::is_floating_point_v<T>) return MaxDouble;
    else return std::numeric_limits<T>::max();
}

// The largest (Largest) or smallest number of A, its first position written through
// P0 and P1 when given; the sentinel, positions untouched, when A holds no number.
template <bool Largest, class V>
Cell<V> ExtremeOf(const V& A, std::int32_t* P0 = nullptr, std::int32_t* P1 = nullptr) {
    const auto E = ScanWhole(A);
    if (!E.Found) return Largest ? LowSentinel<Cell<V>>() : HighSentinel<Cell<V>>();
    const auto& Pos = Largest ? E.MaxPos : E.MinPos;
    if (P0) *P0 = static_cast<std::int32_t>(Pos[0]);
    if (P1) *P1 = static_cast<std::int32_t>(Pos[1]);
    return Largest ? E.Max : E.Min;
}

// Whole-array MinMaxArray; Min starts at High, Max at Low.
template <class V, class R> std::int32_t MinMaxWhole(const V& A, R Low, R High, R& Min, R& Max) {
    Min = High;
    Max = Low;
    const auto E = ScanWhole(A);
    if (!E.Found) return -1;
    Min = static_cast<R>(E.Min);
    Max = static_cast<R>(E.Max);
    return 0;
}

template <class T, class R> std::int32_t MinMaxSpan(std::span<const T> A, R Low, R High, R& Min, R& Max) {
    Min = High;
    Max = Low;
    bool Found = false;
    for (const T X : A) {
        if (!IsNumber(X)) continue;
        if (!Found) {
            Found = true;
            Min = Max = X;
        } else if (X > Max) {
            Max = X;
        } else if (X < Min) {
            Min = X;
        }
    }
    return Found ? 0 : -1;
}

// Sub-range MinMaxArray over A[FirstCol..LastCol][FirstRow..LastRow] (Rows false: a
// one-dimensional array, the row bounds unused).
template <class V, class T>
std::int32_t MinMaxRange(const V& A, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
                         std::int32_t LastRow, T& Min, T& Max, std::int32_t& MinCol, std::int32_t& MinRow,
                         std::int32_t& MaxCol, std::int32_t& MaxRow) {
    constexpr bool TwoD = Rank<V>() == 2;
    Min = HighSentinel<T>();
    Max = LowSentinel<T>();
    MinCol = MinRow = MaxCol = MaxRow = 0;
    if (!Usable(A)) return -1;
    if (!IndexOk(FirstCol, A.size()) || !IndexOk(LastCol, A.size())) return -2;
    if constexpr (TwoD) {
        if (!IndexOk(FirstRow, A[0].size()) || !IndexOk(LastRow, A[0].size())) return -2;
    }
    for (std::int32_t C = FirstCol; C <= LastCol; ++C) {
        auto Visit = [&](T X, std::int32_t R) {
            if (X > Max) {
                Max = X;
                MaxCol = C;
                MaxRow = R;
            }
            if (X < Min) {
                Min = X;
                MinCol = C;
                MinRow = R;
            }
        };
        if constexpr (TwoD) {
            for (std::int32_t R = FirstRow; R <= LastRow; ++R) Visit(A[C][R], R);
        } else {
            Visit(A[C], 0);
        }
    }
    return 0;
}

}  // namespace

// ------------------------------------------------------------------ MaxArray / MinArray

std::int32_t MaxArray(const TIntArray& A) { return ExtremeOf<true>(A); }
std::int32_t MaxArray(const TIntArray& A, std::int32_t& Pos) { return ExtremeOf<true>(A, &Pos, nullptr); }
std::int32_t MaxArray(const TInt2DArray& A) { return ExtremeOf<true>(A); }
std::int32_t MaxArray(const TInt2DArray& A, std::int32_t& Col, std::int32_t& Row) { return ExtremeOf<true>(A, &Col, &Row); }
std::int32_t MaxArray(const TInt3DArray& A) { return ExtremeOf<true>(A); }
std::int32_t MaxArray(const TInt4DArray& A) { return ExtremeOf<true>(A); }
double MaxArray(const TDoubleArray& A) { return ExtremeOf<true>(A); }
double MaxArray(const TDouble2DArray& A) { return ExtremeOf<true>(A); }
double MaxArray(const TDouble3DArray& A) { return ExtremeOf<true>(A); }
double MaxArray(const TDouble4DArray& A) { return ExtremeOf<true>(A); }

std::int32_t MinArray(const TIntArray& A) { return ExtremeOf<false>(A); }
std::int32_t MinArray(const TIntArray& A, std::int32_t& Pos) { return ExtremeOf<false>(A, &Pos, nullptr); }
std::int32_t MinArray(const TInt2DArray& A) { return ExtremeOf<false>(A); }
std::int32_t MinArray(const TInt2DArray& A, std::int32_t& Col, std::int32_t& Row) { return ExtremeOf<false>(A, &Col, &Row); }
std::int32_t MinArray(const TInt3DArray& A) { return ExtremeOf<false>(A); }
std::int32_t MinArray(const TInt4DArray& A) { return ExtremeOf<false>(A); }
double MinArray(const TDoubleArray& A) { return ExtremeOf<false>(A); }
double MinArray(const TDouble2DArray& A) { return ExtremeOf<false>(A); }
double MinArray(const TDouble3DArray& A) { return ExtremeOf<false>(A); }
double MinArray(const TDouble4DArray& A) { return ExtremeOf<false>(A); }

// ------------------------------------------------------------------ MinMaxArray, whole arrays

std::int32_t MinMaxArray(const TSingleArray& A, double& Min, double& Max) { return MinMaxWhole(A, -MaxSingle, MaxSingle, Min, Max); }
std::int32_t MinMaxArray(const TDoubleArray& A, double& Min, double& Max) { return MinMaxWhole(A, -MaxDouble, MaxDouble, Min, Max); }
std::int32_t MinMaxArray(const TDouble2DArray& A, double& Min, double& Max) { return MinMaxWhole(A, -MaxDouble, MaxDouble, Min, Max); }
std::int32_t MinMaxArray(const TDouble3DArray& A, double& Min, double& Max) { return MinMaxWhole(A, -MaxDouble, MaxDouble, Min, Max); }
std::int32_t MinMaxArray(const TDouble4DArray& A, double& Min, double& Max) { return MinMaxWhole(A, -MaxDouble, MaxDouble, Min, Max); }
std::int32_t MinMaxArray(std::span<const double> A, double& Min, double& Max) { return MinMaxSpan(A, -MaxDouble, MaxDouble, Min, Max); }

std::int32_t MinMaxArray(const TIntArray& A, std::int32_t& Min, std::int32_t& Max) {
    return MinMaxWhole(A, INT32_MIN, INT32_MAX, Min, Max);
}
std::int32_t MinMaxArray(const TInt2DArray& A, std::int32_t& Min, std::int32_t& Max) {
    return MinMaxWhole(A, INT32_MIN, INT32_MAX, Min, Max);
}
std::int32_t MinMaxArray(const TInt3DArray& A, std::int32_t& Min, std::int32_t& Max) {
    return MinMaxWhole(A, INT32_MIN, INT32_MAX, Min, Max);
}
std::int32_t MinMaxArray(const TInt4DArray& A, std::int32_t& Min, std::int32_t& Max) {
    return MinMaxWhole(A, INT32_MIN, INT32_MAX, Min, Max);
}
std::int32_t MinMaxArray(std::span<const std::int32_t> A, std::int32_t& Min, std::int32_t& Max) {
    return MinMaxSpan(A, INT32_MIN, INT32_MAX, Min, Max);
}

// ------------------------------------------------------------------ MinMaxArray, sub-ranges

std::int32_t MinMaxArray(const TDoubleArray& A, std::int32_t First, std::int32_t Last, double& Min, double& Max,
                         std::int32_t& MinPos, std::int32_t& MaxPos) {
    std::int32_t MinRow = 0, MaxRow = 0;
    return MinMaxRange(A, First, 0, Last, 0, Min, Max, MinPos, MinRow, MaxPos, MaxRow);
}
std::int32_t MinMaxArray(const TDouble2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
                         std::int32_t LastRow, double& Min, double& Max, std::int32_t& MinCol, std::int32_t& MinRow,
                         std::int32_t& MaxCol, std::int32_t& MaxRow) {
    return MinMaxRange(A, FirstCol, FirstRow, LastCol, LastRow, Min, Max, MinCol, MinRow, MaxCol, MaxRow);
}
std::int32_t MinMaxArray(const TIntArray& A, std::int32_t First, std::int32_t Last, std::int32_t& Min,
                         std::int32_t& Max, std::int32_t& MinPos, std::int32_t& MaxPos) {
    std::int32_t MinRow = 0, MaxRow = 0;
    return MinMaxRange(A, First, 0, Last, 0, Min, Max, MinPos, MinRow, MaxPos, MaxRow);
}
std::int32_t MinMaxArray(const TInt2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
                         std::int32_t LastRow, std::int32_t& Min, std::int32_t& Max, std::int32_t& MinCol,
                         std::int32_t& MinRow, std::int32_t& MaxCol, std::int32_t& MaxRow) {
    return MinMaxRange(A, FirstCol, FirstRow, LastCol, LastRow, Min, Max, MinCol, MinRow, MaxCol, MaxRow);
}

}  // namespace qmr
