// Filling arrays: constants, running indices, diagonals, random values.
#include "foundations/QMR_openarrays_fill.h"

#include "foundations/detail/openarrays_cells.h"

#include <cmath>

namespace qmr {

namespace {

using namespace detail::oa;

template <class V, class T> int FillAll(V& A, T Value) {
    if (!Usable(A)) return -1;
    ForEachCell(A, Extents(A), [Value](auto&& C) { C = Value; });
    return 0;
}

template <class V, class T>
int FillBlock(V& A, T Value, const TBlockBounds<V>& Lo, const TBlockBounds<V>& Hi) {
    if (!Usable(A)) return -1;
    if (!BlockOk(A, Lo.data(), Hi.data())) return -2;
    ForEachInBlock(A, Lo.data(), Hi.data(), [Value](auto&& C) { C = Value; });
    return 0;
}

// Stores a running number; integer cells keep its low 32 bits.
template <class T> T RunningNumber(std::uint64_t N) {
    if constexpr (std::is_floating_point_v<T>) return static_cast<T>(N);
    else return static_cast<T>(static_cast<std::uint32_t>(N));
}

// Running index of each cell: the last index counts fastest in two dimensions, the
// first one in three.
template <class V> int FillRix(V& A) {
    if (!Usable(A)) return -1;
    constexpr int R = Rank<V>();
    const TExtents E = Extents(A);
    ForEachCellAt(A, [&](auto& C, const std::size_t* P) {
        std::uint64_t N = P[0];
        if constexpr (R == 2) N = P[0] * E[1] + P[1];
        if constexpr (R == 3) N = P[0] + E[0] * (P[1] + E[1] * P[2]);
        C = RunningNumber<Cell<V>>(N);
    });
    return 0;
}

// Every dimension must be as long as the first; cells whose indices are all equal get
// Value, the others 0.
template <class V, class T> int FillDiag(V& A, T Value) {
    if (!Usable(A)) return -1;
    constexpr int R = Rank<V>();
    const TExtents E = Extents(A);
    for (int D = 1; D < R; ++D)
        if (E[static_cast<std::size_t>(D)] != E[0]) return -2;
    ForEachCellAt(A, [Value](T& C, const std::size_t* P) {
        bool OnDiag = true;
        for (int D = 1; D < R; ++D) OnDiag = OnDiag && P[D] == P[0];
        C = OnDiag ? Value : T(0);
    });
    return 0;
}

template <class V> int FillNormal(V& A, double Mean, double StdDev) {
    ReseedFromClock();
    if (!Usable(A)) return -1;
    // A non-finite mean or spread would only give non-finite cells.
    if (!std::isfinite(Mean) || !std::isfinite(StdDev) || StdDev < 0) return -2;
    ForEachCell(A, Extents(A), [Mean, StdDev](double& C) { C = RandG(Mean, StdDev); });
    return 0;
}

template <class V> int FillUniformReal(V& A, double Low, double High) {
    ReseedFromClock();
    if (!Usable(A)) return -1;
    if (!std::isfinite(Low) || !std::isfinite(High) || High < Low) return -2;
    const double Width = High - Low;
    if (std::isfinite(Width)) {
        ForEachCell(A, Extents(A), [Low, Width](double& C) { C = Low + Width * Random(); });
    } else {
        // The difference overflows: interpolate between the bounds instead.
        ForEachCell(A, Extents(A), [Low, High](double& C) {
            const double U = Random();
            C = Low * (1.0 - U) + High * U;
        });
    }
    return 0;
}

template <class V> int FillUniformInt(V& A, std::int32_t Low, std::int32_t High) {
    ReseedFromClock();
    if (!Usable(A)) return -1;
    if (High < Low) return -2;
    // The width is computed in 64 bits: High - Low may exceed the int32 range.
    const std::int64_t Width = static_cast<std::int64_t>(High) - static_cast<std::int64_t>(Low);
    ForEachCell(A, Extents(A), [Low, High, Width](std::int32_t& C) {
        std::int64_t Offset = 0;
        detail::CheckedTruncToInt64(std::floor(static_cast<double>(Width) * Random()), Offset);
        std::int64_t Drawn = static_cast<std::int64_t>(Low) + Offset;
        // Width * u stays below Width for every u < 1, so this never fires; it only
        // keeps the promise that High itself is never drawn.
        if (Width > 0 && Drawn >= High) Drawn = static_cast<std::int64_t>(High) - 1;
        C = static_cast<std::int32_t>(Drawn);
    });
    return 0;
}

}  // namespace

// ---------------------------------------------------------------- whole arrays

int FillArray(TBoolArray& A, bool Value) { return FillAll(A, Value); }
int FillArray(TBool2DArray& A, bool Value) { return FillAll(A, Value); }
int FillArray(TIntArray& A, std::int32_t Value) { return FillAll(A, Value); }
int FillArray(TInt2DArray& A, std::int32_t Value) { return FillAll(A, Value); }
int FillArray(TInt3DArray& A, std::int32_t Value) { return FillAll(A, Value); }
int FillArray(TInt4DArray& A, std::int32_t Value) { return FillAll(A, Value); }
int FillArray(TDoubleArray& A, double Value) { return FillAll(A, Value); }
int FillArray(TDouble2DArray& A, double Value) { return FillAll(A, Value); }
int FillArray(TDouble3DArray& A, double Value) { return FillAll(A, Value); }
int FillArray(TDouble4DArray& A, double Value) { return FillAll(A, Value); }

// ---------------------------------------------------------------- blocks

int FillArray(TIntArray& A, std::int32_t Value, std::int32_t First, std::int32_t Last) {
    return FillBlock(A, Value, {First}, {Last});
}
int FillArray(TDoubleArray& A, double Value, std::int32_t First, std::int32_t Last) {
    return FillBlock(A, Value, {First}, {Last});
}
int FillArray(TInt2DArray& A, std::int32_t Value, std::int32_t FirstCol, std::int32_t FirstRow,
              std::int32_t LastCol, std::int32_t LastRow) {
    return FillBlock(A, Value, {FirstCol, FirstRow}, {LastCol, LastRow});
}
int FillArray(TDouble2DArray& A, double Value, std::int32_t FirstCol, std::int32_t FirstRow,
              std::int32_t LastCol, std::int32_t LastRow) {
    return FillBlock(A, Value, {FirstCol, FirstRow}, {LastCol, LastRow});
}
int FillArray(TInt3DArray& A, std::int32_t Value, std::int32_t First0, std::int32_t First1, std::int32_t First2,
              std::int32_t Last0, std::int32_t Last1, std::int32_t Last2) {
    return FillBlock(A, Value, {First0, First1, First2}, {Last0, Last1, Last2});
}
int FillArray(TDouble3DArray& A, double Value, std::int32_t First0, std::int32_t First1, std::int32_t First2,
              std::int32_t Last0, std::int32_t Last1, std::int32_t Last2) {
    return FillBlock(A, Value, {First0, First1, First2}, {Last0, Last1, Last2});
}
int FillArray(TInt4DArray& A, std::int32_t Value, std::int32_t First0, std::int32_t First1, std::int32_t First2,
              std::int32_t First3, std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, std::int32_t Last3) {
    return FillBlock(A, Value, {First0, First1, First2, First3}, {Last0, Last1, Last2, Last3});
}
int FillArray(TDouble4DArray& A, double Value, std::int32_t First0, std::int32_t First1, std::int32_t First2,
              std::int32_t First3, std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, std::int32_t Last3) {
    return FillBlock(A, Value, {First0, First1, First2, First3}, {Last0, Last1, Last2, Last3});
}

// ---------------------------------------------------------------- running indices

int FillArrayRix(TIntArray& A) { return FillRix(A); }
int FillArrayRix(TDoubleArray& A) { return FillRix(A); }
int FillArrayRix(TInt2DArray& A) { return FillRix(A); }
int FillArrayRix(TDouble2DArray& A) { return FillRix(A); }
int FillArrayRix(TInt3DArray& A) { return FillRix(A); }
int FillArrayRix(TDouble3DArray& A) { return FillRix(A); }

// ---------------------------------------------------------------- diagonals

int FillDiagArray(TInt2DArray& A, std::int32_t Value) { return FillDiag(A, Value); }
int FillDiagArray(TInt3DArray& A, std::int32_t Value) { return FillDiag(A, Value); }
int FillDiagArray(TInt4DArray& A, std::int32_t Value) { return FillDiag(A, Value); }
int FillDiagArray(TDouble2DArray& A, double Value) { return FillDiag(A, Value); }
int FillDiagArray(TDouble3DArray& A, double Value) { return FillDiag(A, Value); }
int FillDiagArray(TDouble4DArray& A, double Value) { return FillDiag(A, Value); }

// ---------------------------------------------------------------- random values

int FillRandomNormal(TDoubleArray& A, double Mean, double StdDev) { return FillNormal(A, Mean, StdDev); }
int FillRandomNormal(TDouble2DArray& A, double Mean, double StdDev) { return FillNormal(A, Mean, StdDev); }
int FillRandomNormal(TDouble3DArray& A, double Mean, double StdDev) { return FillNormal(A, Mean, StdDev); }
int FillRandomNormal(TDouble4DArray& A, double Mean, double StdDev) { return FillNormal(A, Mean, StdDev); }

int FillRandomUniform(TDoubleArray& A, double Low, double High) { return FillUniformReal(A, Low, High); }
int FillRandomUniform(TDouble2DArray& A, double Low, double High) { return FillUniformReal(A, Low, High); }
int FillRandomUniform(TDouble3DArray& A, double Low, double High) { return FillUniformReal(A, Low, High); }
int FillRandomUniform(TDouble4DArray& A, double Low, double High) { return FillUniformReal(A, Low, High); }
int FillRandomUniform(TIntArray& A, std::int32_t Low, std::int32_t High) { return FillUniformInt(A, Low, High); }
int FillRandomUniform(TInt2DArray& A, std::int32_t Low, std::int32_t High) { return FillUniformInt(A, Low, High); }
int FillRandomUniform(TInt3DArray& A, std::int32_t Low, std::int32_t High) { return FillUniformInt(A, Low, High); }
int FillRandomUniform(TInt4DArray& A, std::int32_t Low, std::int32_t High) { return FillUniformInt(A, Low, High); }

}  // namespace qmr
