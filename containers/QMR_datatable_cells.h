// The data table's cell walker and small helpers shared by its source files. Internal to
// the library.
#pragma once

#include "containers/QMR_datatable.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace qmr {

// The table's per-column, per-row and per-cell arrays for one size, built aside and then
// swapped in (CommitArrays), so that a failed allocation leaves the table as it was.
struct TDataTable::TSizedArrays {
    std::int32_t NC = 0, NR = 0;
    TIntArray RowAtt, ColAtt;
    std::vector<TVTypeSpec> VType;
    std::vector<TCellState> CState;  // column-major, NC * NR
    std::vector<TDTNameStr> ColName, RowName;
};

template <class Fn>
void TDataTable::ForEachCell(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                             Fn&& F) const {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    if (LowRow > HighRow) return;
    for (std::int32_t C = LowCol; C <= HighCol; ++C) {
        const TMScaleType Scale = FVType[static_cast<std::size_t>(C - 1)].MScaleType;
        std::int32_t Rows = 0;
        const double* P = ColumnValues(C, Rows);
        const TCellState* S = &State(C, 1);
        for (std::int32_t R = LowRow; R <= HighRow; ++R) F(R <= Rows ? P[R - 1] : 0.0, S[R - 1], Scale);
    }
}

namespace detail {

// A count of cells as the tables report it: saturated to the 32-bit range.
inline std::int32_t CellCount(std::int64_t N) noexcept {
    return N > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                          : static_cast<std::int32_t>(N);
}

// V rounded to the nearest integer, halves to even, as a real and whatever rounding mode
// the host has set (std::round ignores it; R - V is exact). NaN, infinities and values
// too large to carry a fraction come back unchanged.
inline double RoundHalfToEven(double V) noexcept {
    const double R = std::round(V);  // halves away from zero
    return std::fabs(R - V) == 0.5 ? 2 * std::round(V / 2) : R;
}

// Whether A and B are equal with ASCII letters compared without case.
inline bool SameTextAscii(std::string_view A, std::string_view B) noexcept {
    auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; };
    return A.size() == B.size() &&
           std::equal(A.begin(), A.end(), B.begin(), [&](char X, char Y) { return Lower(X) == Lower(Y); });
}

// Default name of column / row N: "C-N" / "R-N".
inline std::string DefaultColName(std::int32_t N) { return "C-" + std::to_string(N); }
inline std::string DefaultRowName(std::int32_t N) { return "R-" + std::to_string(N); }

}  // namespace detail

}  // namespace qmr
