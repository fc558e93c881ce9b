// Algorithms that TMatrix and TIntMatrix share over their dense column-major storage:
// blocks after the range rule, the walk over a block, percentile selection, the mean
// types, row and column sorts, mirrors, exchanges and edge vectors. Internal to the
// library.
#pragma once

#include "platform/Qmr_qmrbase.h"
#include "foundations/QMR_math1_sort.h"
#include "foundations/detail/combsort.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace qmr::detail {

// Dense column-major storage: column c (from 1) is a contiguous run of NRow elements at
// Data + (c - 1) * Stride.
template <class T> struct TDenseCols {
    T* Data;
    std::size_t Stride;
    std::int32_t NCol, NRow;
    T* Column(std::int32_t C) const noexcept { return Data + static_cast<std::size_t>(C - 1) * Stride; }
};

// A block after the range rule; empty when a count is 0.
struct TBlock {
    std::int32_t LowCol, HighCol, LowRow, HighRow;
    std::int64_t Cols() const noexcept { return std::max(0, HighCol - LowCol + 1); }
    std::int64_t Rows() const noexcept { return std::max(0, HighRow - LowRow + 1); }
    std::int64_t Count() const noexcept { return Cols() * Rows(); }
};

// The block of a matrix class (MakeValidColRange / MakeValidRowRange).
template <class M>
TBlock MakeBlock(const M& Mat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow) {
    Mat.MakeValidColRange(LowCol, HighCol);
    Mat.MakeValidRowRange(LowRow, HighRow);
    return {LowCol, HighCol, LowRow, HighRow};
}

// Calls F(v) for every element of the block, columns outer, rows inner; Col(c) is the
// storage of column c.
template <class ColFn, class Fn> void ForEachValue(const TBlock& G, ColFn&& Col, Fn&& F) {
    if (G.Rows() == 0) return;
    for (std::int32_t C = G.LowCol; C <= G.HighCol; ++C) {
        const auto* P = Col(C);
        for (std::int32_t R = G.LowRow; R <= G.HighRow; ++R) F(P[R - 1]);
    }
}

// Smallest and largest of the values taken, NaNs passed over: the first number seeds
// both, so infinite extremes are found; uc_MaxReal and -uc_MaxReal while there is none.
struct TExtremes {
    double Lo = uc_MaxReal;
    double Hi = -uc_MaxReal;
    bool Seeded = false;
    void Take(double V) noexcept {
        if (std::isnan(V)) return;
        if (!Seeded) {
            Lo = Hi = V;
            Seeded = true;
        } else if (V < Lo) {
            Lo = V;
        } else if (V > Hi) {
            Hi = V;
        }
    }
};

// Variance from n values' deviations from their mean: 1 below three values, never negative.
inline double VarianceOf(std::int64_t N, Extended SumD, Extended SumD2) noexcept {
    if (N < 3) return 1;
    const Extended V = (SumD2 - SumD * SumD / static_cast<Extended>(N)) / static_cast<Extended>(N - 1);
    return V < 0 ? 0.0 : static_cast<double>(V);
}

// The (k + 1)-th smallest of Values, k = Round(n * Prob / 100) capped at n - 1, Prob
// clamped to 0..100 (NaN as 0); 0 for no values. Reorders Values.
inline double SelectPercentile(std::vector<double>& Values, double Prob) {
    const std::size_t N = Values.size();
    if (N == 0) return 0;
    if (!(Prob >= 0)) Prob = 0;
    if (Prob > 100) Prob = 100;
    const std::int64_t K = std::min<std::int64_t>(Round(static_cast<Extended>(N) * Prob / 100),
                                                  static_cast<std::int64_t>(N) - 1);
    if (N > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        std::nth_element(Values.begin(), Values.begin() + K, Values.end());
        return Values[static_cast<std::size_t>(K)];
    }
    return QuickSelect(Values, static_cast<std::int32_t>(K), 0, static_cast<std::int32_t>(N - 1));
}

// exp(sum of ln v / rows / columns) over the block; 0 when a value is 0 or the block is
// empty; Raise() (which must throw) at the first negative value.
template <class T, class RaiseFn> Extended GeometricMeanIn(const TDenseCols<T>& M, const TBlock& G, RaiseFn&& Raise) {
    bool HasZero = false;
    double SumLn = 0;
    ForEachValue(G, [&M](std::int32_t C) { return M.Column(C); }, [&](T X) {
        const double V = static_cast<double>(X);
        if (V < 0) Raise("negative argument passed to GeometricMean");
        if (V == 0) HasZero = true;  // the scan goes on: a later negative value still raises
        else SumLn += static_cast<double>(std::log(static_cast<Extended>(V)));
    });
    if (HasZero || G.Count() == 0) return 0;
    return std::exp(static_cast<Extended>(SumLn) / static_cast<Extended>(G.Rows()) / static_cast<Extended>(G.Cols()));
}

// rows * columns / sum of 1 / v over the block; 0 for an empty block; Raise() at the
// first value <= 0.
template <class T, class RaiseFn> Extended HarmonicMeanIn(const TDenseCols<T>& M, const TBlock& G, RaiseFn&& Raise) {
    double SumInv = 0;
    ForEachValue(G, [&M](std::int32_t C) { return M.Column(C); }, [&](T X) {
        const double V = static_cast<double>(X);
        if (V <= 0) Raise("negative or zero argument passed to HarmonicMean");
        SumInv += static_cast<double>(1 / static_cast<Extended>(V));
    });
    if (G.Count() == 0) return 0;
    return static_cast<Extended>(G.Rows() * G.Cols()) / SumInv;
}

// ---------------------------------------------------------------- reordering

// Whether the pair (earlier X, later Y) is out of order; values that do not compare never are.
template <class T> bool OutOfOrderPair(T X, T Y, bool Ascending) noexcept { return Ascending ? Y < X : Y > X; }

// Comb sort of rows LowRow..HighRow (a normalised block) by column SortColIx: an exchange
// swaps the rows in columns LowCol..HighCol and in the key column, then calls
// Exchanged(i, j). False (nothing done) for a key outside the matrix or fewer than two rows.
template <class T, class EventFn>
bool SortRowsIn(const TDenseCols<T>& M, std::int32_t SortColIx, bool Ascending, const TBlock& G, EventFn&& Exchanged) {
    if (SortColIx < 1 || SortColIx > M.NCol || G.HighRow - G.LowRow <= 0) return false;
    const T* Key = M.Column(SortColIx);
    const bool KeyOutside = SortColIx < G.LowCol || SortColIx > G.HighCol;
    CombRange(
        G.LowRow, G.HighRow,
        [&](std::int32_t I, std::int32_t J) { return OutOfOrderPair(Key[I - 1], Key[J - 1], Ascending); },
        [&](std::int32_t I, std::int32_t J) {
            for (std::int32_t C = G.LowCol; C <= G.HighCol; ++C) std::swap(M.Column(C)[I - 1], M.Column(C)[J - 1]);
            if (KeyOutside) std::swap(M.Column(SortColIx)[I - 1], M.Column(SortColIx)[J - 1]);
            Exchanged(I, J);
        });
    return true;
}

// The twin over columns LowCol..HighCol by row SortRowIx, swapping rows LowRow..HighRow.
template <class T, class EventFn>
bool SortColsIn(const TDenseCols<T>& M, std::int32_t SortRowIx, bool Ascending, const TBlock& G, EventFn&& Exchanged) {
    if (SortRowIx < 1 || SortRowIx > M.NRow || G.HighCol - G.LowCol <= 0) return false;
    const std::size_t KeyRow = static_cast<std::size_t>(SortRowIx - 1);
    const bool KeyOutside = SortRowIx < G.LowRow || SortRowIx > G.HighRow;
    const std::size_t Rows = static_cast<std::size_t>(G.Rows());
    CombRange(
        G.LowCol, G.HighCol,
        [&](std::int32_t I, std::int32_t J) { return OutOfOrderPair(M.Column(I)[KeyRow], M.Column(J)[KeyRow], Ascending); },
        [&](std::int32_t I, std::int32_t J) {
            T* A = M.Column(I) + (G.LowRow - 1);
            std::swap_ranges(A, A + Rows, M.Column(J) + (G.LowRow - 1));
            if (KeyOutside) std::swap(M.Column(I)[KeyRow], M.Column(J)[KeyRow]);
            Exchanged(I, J);
        });
    return true;
}

template <class T> void MirrorColumnsIn(const TDenseCols<T>& M) noexcept {
    for (std::int32_t C = 1, D = M.NCol; C < D; ++C, --D) std::swap_ranges(M.Column(C), M.Column(C) + M.NRow, M.Column(D));
}

template <class T> void MirrorRowsIn(const TDenseCols<T>& M) noexcept {
    for (std::int32_t C = 1; C <= M.NCol; ++C) std::reverse(M.Column(C), M.Column(C) + M.NRow);
}

// False (nothing done) for an index outside the matrix.
template <class T> bool ExchangeColumnsIn(const TDenseCols<T>& M, std::int32_t C1, std::int32_t C2) noexcept {
    if (C1 < 1 || C1 > M.NCol || C2 < 1 || C2 > M.NCol) return false;
    if (C1 != C2) std::swap_ranges(M.Column(C1), M.Column(C1) + M.NRow, M.Column(C2));
    return true;
}

template <class T> bool ExchangeRowsIn(const TDenseCols<T>& M, std::int32_t R1, std::int32_t R2) noexcept {
    if (R1 < 1 || R1 > M.NRow || R2 < 1 || R2 > M.NRow) return false;
    for (std::int32_t C = 1; C <= M.NCol; ++C) std::swap(M.Column(C)[R1 - 1], M.Column(C)[R2 - 1]);
    return true;
}

// One value per row (orRows) or per column (orColumns): minimum (from uc_MaxDouble),
// maximum (from -uc_MaxDouble), sum or mean (0 over no elements). EdgeOp must be 0..3.
template <class T> std::vector<double> EdgeValuesIn(const TDenseCols<T>& M, TOrientation Orient, TEdgeOp EdgeOp) {
    const bool PerRow = Orient == TOrientation::orRows;
    const std::int32_t NOut = PerRow ? M.NRow : M.NCol;
    const std::int32_t NIn = PerRow ? M.NCol : M.NRow;
    double Start = 0;
    if (EdgeOp == TEdgeOp::eoMin) Start = uc_MaxDouble;
    else if (EdgeOp == TEdgeOp::eoMax) Start = -uc_MaxDouble;
    std::vector<double> Acc(static_cast<std::size_t>(std::max(NOut, 0)), Start);
    auto Reduce = [EdgeOp](double& A, double V) {
        switch (EdgeOp) {
        case TEdgeOp::eoMin: if (V < A) A = V; break;
        case TEdgeOp::eoMax: if (V > A) A = V; break;
        default: A += V; break;
        }
    };
    // Storage order in both orientations: columns outer, rows inner.
    for (std::int32_t C = 1; C <= M.NCol; ++C) {
        const T* Col = M.Column(C);
        if (PerRow)
            for (std::int32_t R = 0; R < M.NRow; ++R) Reduce(Acc[static_cast<std::size_t>(R)], static_cast<double>(Col[R]));
        else
            for (std::int32_t R = 0; R < M.NRow; ++R) Reduce(Acc[static_cast<std::size_t>(C - 1)], static_cast<double>(Col[R]));
    }
    if (EdgeOp == TEdgeOp::eoMean)
        for (double& A : Acc) A = NIn > 0 ? A / NIn : 0.0;  // the mean of nothing is 0
    return Acc;
}

}  // namespace qmr::detail
