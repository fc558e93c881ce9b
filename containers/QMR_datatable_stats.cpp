// TDataTable: statistics over a range of cells, cell-state queries, attribute extremes
// and levels, measurement levels.
#include "containers/QMR_datatable.h"
#include "containers/QMR_datatable_cells.h"
#include "foundations/QMR_math1_sort.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <span>
#include <vector>

namespace qmr {

namespace {

constexpr const char* kNoMemHeap = "not enough memory on heap";

// A cell of an interval or ratio column that holds a number.
bool IsNumeric(TCellState S, TMScaleType Scale) noexcept { return IsMetric(Scale) && IsValidCellState(S); }
// A cell carrying one of the caller's mark bits (0x04 and up).
bool IsMarked(TCellState S, TCellState Mask) noexcept { return (S & Mask & csMarkBits) != 0; }

// Cell filters: Filter(state, scale) tells whether a cell takes part.
constexpr auto kNumeric = [](TCellState S, TMScaleType Sc) { return IsNumeric(S, Sc); };
constexpr auto kValid = [](TCellState S, TMScaleType) { return IsValidCellState(S); };
auto NumericMarked(TCellState Mask) {
    return [Mask](TCellState S, TMScaleType Sc) { return IsNumeric(S, Sc) && IsMarked(S, Mask); };
}
auto ValidMarked(TCellState Mask) {
    return [Mask](TCellState S, TMScaleType) { return IsValidCellState(S) && IsMarked(S, Mask); };
}

// The helpers below take Visit(Fn), which calls Fn(value, state, scale) for every cell of
// the caller's range.

// Number of cells passing Filter.
template <class VisitFn, class FilterFn> std::int32_t CountOf(VisitFn&& Visit, FilterFn&& Filter) {
    std::int64_t N = 0;
    Visit([&](double, TCellState S, TMScaleType Sc) { N += Filter(S, Sc) ? 1 : 0; });
    return detail::CellCount(N);
}

// Sum of Term(value) over the cells passing Filter, in Extended; NumData := their count.
template <class VisitFn, class FilterFn, class TermFn>
Extended SumOf(VisitFn&& Visit, FilterFn&& Filter, TermFn&& Term, std::int32_t& NumData) {
    Extended Sum = 0;
    std::int64_t N = 0;
    Visit([&](double V, TCellState S, TMScaleType Sc) {
        if (!Filter(S, Sc)) return;
        Sum += Term(static_cast<Extended>(V));
        ++N;
    });
    NumData = detail::CellCount(N);
    return Sum;
}
constexpr auto kValue = [](Extended V) { return V; };
constexpr auto kSquare = [](Extended V) { return V * V; };

// Mean and variance in two passes in Extended (the mean, then the squared deviations
// from it): variance 1 for n <= 2, 0 when undefined; the count.
template <class VisitFn, class FilterFn>
std::int32_t MeanVarOf(VisitFn&& Visit, FilterFn&& Filter, double& Mean, double& Variance) {
    std::int32_t N = 0;
    const Extended Sum = SumOf(Visit, Filter, kValue, N);
    const Extended M = N > 0 ? Sum / N : 0;
    Mean = static_cast<double>(M);
    Variance = 1;
    if (N > 2) {
        std::int32_t Dummy = 0;
        const Extended Dev = SumOf(Visit, Filter, [M](Extended V) { return (V - M) * (V - M); }, Dummy);
        Variance = static_cast<double>(Dev / (N - 1));
        if (std::isnan(Variance)) Variance = 0;
    }
    return N;
}

// Extremes of Term(value, scale) over the cells passing Filter, starting from uc_MaxReal
// and -uc_MaxReal; the count.
template <class VisitFn, class FilterFn, class TermFn>
std::int32_t MinMaxOf(VisitFn&& Visit, FilterFn&& Filter, TermFn&& Term, double& Minimum, double& Maximum) {
    double Lo = uc_MaxReal, Hi = -uc_MaxReal;
    std::int64_t N = 0;
    Visit([&](double V, TCellState S, TMScaleType Sc) {
        if (!Filter(S, Sc)) return;
        const double X = Term(V, Sc);
        if (X < Lo) Lo = X;
        if (X > Hi) Hi = X;
        ++N;
    });
    Minimum = Lo;
    Maximum = Hi;
    return detail::CellCount(N);
}
constexpr auto kStored = [](double V, TMScaleType) { return V; };
// The value as Elem reads it: rounded on nominal and ordinal columns.
constexpr auto kAsRead = [](double V, TMScaleType Sc) { return IsCategorial(Sc) ? detail::RoundHalfToEven(V) : V; };

// The values of the cells passing Filter, sorted ascending with the library's comb sort;
// NumData := their count. Out of memory: TError with the table's "not enough memory on heap".
template <class TError, class VisitFn, class FilterFn>
std::vector<double> SortedOf(const TComponent* Table, VisitFn&& Visit, FilterFn&& Filter, std::int32_t& NumData) {
    std::vector<double> X;
    try {
        Visit([&](double V, TCellState S, TMScaleType Sc) {
            if (Filter(S, Sc)) X.push_back(V);
        });
    } catch (const std::bad_alloc&) {
        throw TError(ComponentMessage(Table, kNoMemHeap));
    }
    SortArray(std::span<double>(X), true);
    NumData = detail::CellCount(static_cast<std::int64_t>(X.size()));
    return X;
}

// Quartiles at positions (n + 1) p of sorted X, 1-based, clamped to 1..n - 1.
void QuartilesOfSorted(const std::vector<double>& X, double& Q1, double& Q2, double& Q3) {
    const auto N = static_cast<std::int64_t>(X.size());
    if (N == 0) {
        Q1 = Q2 = Q3 = 0;
        return;
    }
    if (N == 1) {
        Q1 = Q2 = Q3 = X[0];
        return;
    }
    auto Quartile = [&](Extended P) -> double {
        const Extended Pos = static_cast<Extended>(N + 1) * P;
        std::int64_t K = 0;
        detail::CheckedTruncToInt64(Pos, K);  // Pos is at most (n + 1) * 0.75: always representable
        Extended F = Pos - static_cast<Extended>(K);
        if (K == 0) {
            K = 1;
            F = 0;
        }
        if (K > N - 1) {
            K = N - 1;
            F = 0;
        }
        const Extended Lo = X[static_cast<std::size_t>(K - 1)];
        const Extended Hi = X[static_cast<std::size_t>(K)];
        return static_cast<double>(Lo + (Hi - Lo) * F);
    };
    Q1 = Quartile(0.25);
    Q2 = Quartile(0.5);
    Q3 = Quartile(0.75);
}

// Percentile prob (0..100) of sorted X: linear between positions 0..n - 1.
Extended PercentileOfSorted(const std::vector<double>& X, double Prob) {
    const auto N = static_cast<std::int64_t>(X.size());
    if (N == 0) return 0;
    if (N == 1) return X[0];
    if (!(Prob > 0)) Prob = 0;  // NaN counts as 0
    if (Prob >= 100) return X.back();
    const Extended Pos = static_cast<Extended>(N - 1) * Prob / 100;
    std::int64_t I = 0;
    detail::CheckedTruncToInt64(Pos, I);
    if (I >= N - 1) return X.back();
    const Extended F = Pos - static_cast<Extended>(I);
    const Extended Lo = X[static_cast<std::size_t>(I)];
    const Extended Hi = X[static_cast<std::size_t>(I + 1)];
    return Lo + (Hi - Lo) * F;
}

}  // namespace

// ---------------------------------------------------------------- counts and sums
//
// Each member hands the helpers a visitor of its range (Cells).

std::int32_t TDataTable::CountNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                       std::int32_t HighRow) const {
    return CountOf(Cells(LowCol, LowRow, HighCol, HighRow), kNumeric);
}

std::int32_t TDataTable::CountValidCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                         std::int32_t HighRow) const {
    return CountOf(Cells(LowCol, LowRow, HighCol, HighRow), kValid);
}

std::int32_t TDataTable::CountEmptyCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                         std::int32_t HighRow) const {
    return CountOf(Cells(LowCol, LowRow, HighCol, HighRow),
                   [](TCellState S, TMScaleType) { return (S & csEmpty) != 0; });
}

std::int32_t TDataTable::CountImputedCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                           std::int32_t HighRow) const {
    return CountOf(Cells(LowCol, LowRow, HighCol, HighRow),
                   [](TCellState S, TMScaleType) { return (S & csImputed) != 0; });
}

Extended TDataTable::SumOfNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                                   std::int32_t& NumData) const {
    return SumOf(Cells(LowCol, LowRow, HighCol, HighRow), kNumeric, kValue, NumData);
}

Extended TDataTable::SumOfMarkedCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                      std::int32_t HighRow, TCellState CellState, std::int32_t& NumData) const {
    return SumOf(Cells(LowCol, LowRow, HighCol, HighRow), NumericMarked(CellState), kValue, NumData);
}

Extended TDataTable::SumOfSquaredNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                          std::int32_t HighRow, std::int32_t& NumData) const {
    return SumOf(Cells(LowCol, LowRow, HighCol, HighRow), kNumeric, kSquare, NumData);
}

Extended TDataTable::SumOfSquaredMarkedCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                             std::int32_t HighRow, TCellState CellState, std::int32_t& NumData) const {
    return SumOf(Cells(LowCol, LowRow, HighCol, HighRow), NumericMarked(CellState), kSquare, NumData);
}

// ---------------------------------------------------------------- mean, variance, extremes

std::int32_t TDataTable::MeanVarOfNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                           std::int32_t HighRow, double& Mean, double& Variance) const {
    return MeanVarOf(Cells(LowCol, LowRow, HighCol, HighRow), kNumeric, Mean, Variance);
}

std::int32_t TDataTable::MeanVarOfMarkedCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                              std::int32_t HighRow, TCellState CellState, double& Mean,
                                              double& Variance) const {
    return MeanVarOf(Cells(LowCol, LowRow, HighCol, HighRow), NumericMarked(CellState), Mean, Variance);
}

std::int32_t TDataTable::MinMaxOfNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                          std::int32_t HighRow, double& Minimum, double& Maximum) const {
    return MinMaxOf(Cells(LowCol, LowRow, HighCol, HighRow), kNumeric, kStored, Minimum, Maximum);
}

std::int32_t TDataTable::MinMaxOfMarkedCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                             std::int32_t HighRow, TCellState CellState, double& Minimum,
                                             double& Maximum) const {
    return MinMaxOf(Cells(LowCol, LowRow, HighCol, HighRow), ValidMarked(CellState), kStored, Minimum, Maximum);
}

std::int32_t TDataTable::MinMaxOfValidCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                            std::int32_t HighRow, double& Minimum, double& Maximum) const {
    return MinMaxOf(Cells(LowCol, LowRow, HighCol, HighRow), kValid, kAsRead, Minimum, Maximum);
}

// ---------------------------------------------------------------- order statistics

bool TDataTable::QuartilesOfNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                     std::int32_t HighRow, double& Q1, double& Q2, double& Q3,
                                     std::int32_t& NumData) const {
    QuartilesOfSorted(SortedOf<EQMRDataTableError>(this, Cells(LowCol, LowRow, HighCol, HighRow), kNumeric, NumData),
                      Q1, Q2, Q3);
    return true;
}

bool TDataTable::QuartilesOfMarkedCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                        std::int32_t HighRow, double& Q1, double& Q2, double& Q3, TCellState CellState,
                                        std::int32_t& NumData) const {
    QuartilesOfSorted(
        SortedOf<EQMRDataTableError>(this, Cells(LowCol, LowRow, HighCol, HighRow), NumericMarked(CellState), NumData),
        Q1, Q2, Q3);
    return true;
}

Extended TDataTable::PercentileOfNumCells(double prob, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                          std::int32_t HighRow, std::int32_t& NumData) const {
    return PercentileOfSorted(
        SortedOf<EQMRMatrixError>(this, Cells(LowCol, LowRow, HighCol, HighRow), kNumeric, NumData), prob);
}

Extended TDataTable::PercentileOfMarkedCells(double prob, std::int32_t LowCol, std::int32_t LowRow,
                                             std::int32_t HighCol, std::int32_t HighRow, TCellState CellState,
                                             std::int32_t& NumData) const {
    return PercentileOfSorted(
        SortedOf<EQMRMatrixError>(this, Cells(LowCol, LowRow, HighCol, HighRow), NumericMarked(CellState), NumData),
        prob);
}

// ---------------------------------------------------------------- geometric and harmonic means

Extended TDataTable::GeometricMeanOfNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                             std::int32_t HighRow, std::int32_t& NumData) const {
    Extended SumLog = 0;
    std::int64_t N = 0;
    bool SawZero = false;
    ForEachCell(LowCol, LowRow, HighCol, HighRow, [&](double V, TCellState S, TMScaleType Sc) {
        if (!IsNumeric(S, Sc)) return;
        if (V < 0) throw EQMRMatrixError(ComponentMessage(this, "negative argument passed to GeometricMean"));
        if (V == 0) {
            SawZero = true;  // remembered, not counted
            return;
        }
        SumLog += std::log(static_cast<Extended>(V));
        ++N;
    });
    NumData = detail::CellCount(N);
    // No positive value: 0 rather than exp(0 / 0).
    return SawZero || N == 0 ? 0 : std::exp(SumLog / static_cast<Extended>(N));
}

Extended TDataTable::HarmonicMeanOfNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                            std::int32_t HighRow, std::int32_t& NumData) const {
    Extended SumInv = 0;
    std::int64_t N = 0;
    ForEachCell(LowCol, LowRow, HighCol, HighRow, [&](double V, TCellState S, TMScaleType Sc) {
        if (!IsNumeric(S, Sc)) return;
        if (!(V > 0))
            throw EQMRMatrixError(ComponentMessage(this, "negative or zero argument passed to HarmonicMean"));
        SumInv += 1 / static_cast<Extended>(V);
        ++N;
    });
    NumData = detail::CellCount(N);
    // No cell: 0 rather than 0 / 0.
    return N == 0 ? 0 : static_cast<Extended>(N) / SumInv;
}

// ---------------------------------------------------------------- copies and fills

std::int32_t TDataTable::CopyCellsToVector(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                           std::int32_t HighRow, TCellState CellState, TVector* DestVect) const {
    if (DestVect == nullptr) return 0;
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    const std::int64_t Cells = static_cast<std::int64_t>(std::max(0, HighCol - LowCol + 1)) *
                               std::max(0, HighRow - LowRow + 1);
    DestVect->Resize(detail::CellCount(Cells));
    std::int64_t N = 0;
    ForEachCell(LowCol, LowRow, HighCol, HighRow, [&](double V, TCellState S, TMScaleType) {
        if (IsValidCellState(S) && (CellState == 255 || (S & CellState) != 0)) {
            ++N;
            DestVect->SetElem(detail::CellCount(N), V);
        }
    });
    DestVect->Resize(detail::CellCount(N));
    return detail::CellCount(N);
}

std::int32_t TDataTable::FillMarkedCells(double Value, TCellState StateMask) {
    std::int64_t N = 0;
    for (std::int32_t C = 1; C <= FNrOfCols; ++C)
        for (std::int32_t R = 1; R <= FNrOfRows; ++R)
            if ((State(C, R) & StateMask) != 0) {
                FNumData->SetElem(C, R, Value);
                ++N;
            }
    if (N > 0) ChangedData();
    return detail::CellCount(N);
}

// ---------------------------------------------------------------- column tests

bool TDataTable::CheckDichotomousColumn(std::int32_t col, double& v1, double& v2) const {
    v1 = 0;
    v2 = 0;
    if (FNrOfRows < 2 || !InsideCol(col)) return false;
    v1 = CellValue(col, 1);
    std::int32_t R = 2;
    while (R <= FNrOfRows && CellValue(col, R) == v1) ++R;
    if (R > FNrOfRows) {  // constant column
        v2 = v1;
        return false;
    }
    v2 = CellValue(col, R);
    for (++R; R <= FNrOfRows; ++R) {
        const double V = CellValue(col, R);
        if (V != v1 && V != v2) return false;
    }
    if (v2 < v1) std::swap(v1, v2);
    return true;
}

bool TDataTable::IsConstantColumn(std::int32_t ColIx) const noexcept {
    if (!InsideCol(ColIx)) return false;
    const double First = CellValue(ColIx, 1);
    for (std::int32_t R = 2; R <= FNrOfRows; ++R)
        if (!(CellValue(ColIx, R) == First)) return false;
    return true;
}

// ---------------------------------------------------------------- cell-state queries

bool TDataTable::IfRowHasCellState(std::int32_t row, TCellState CellState) const noexcept {
    return InsideRow(row) && IfAnyCellHasCellState(0, row, 0, row, CellState);
}

bool TDataTable::IfColHasCellState(std::int32_t col, TCellState CellState) const noexcept {
    return InsideCol(col) && IfAnyCellHasCellState(col, 0, col, 0, CellState);
}

bool TDataTable::IfAnyCellHasCellState(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                       std::int32_t HighRow, TCellState CellState) const noexcept {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    TCellState Any = 0;
    for (std::int32_t C = LowCol; C <= HighCol; ++C)
        for (std::int32_t R = LowRow; R <= HighRow; ++R) Any |= State(C, R);
    return (Any & CellState) != 0;
}

std::int32_t TDataTable::CountMarkedCellsInRow(std::int32_t Row, TCellState StateMask) const noexcept {
    if (!InsideRow(Row)) return 0;
    std::int32_t N = 0;
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) N += (State(C, Row) & StateMask) != 0;
    return N;
}

std::int32_t TDataTable::CountMarkedCellsInColumn(std::int32_t Col, TCellState StateMask) const noexcept {
    if (!InsideCol(Col)) return 0;
    std::int32_t N = 0;
    for (std::int32_t R = 1; R <= FNrOfRows; ++R) N += (State(Col, R) & StateMask) != 0;
    return N;
}

// ---------------------------------------------------------------- attributes

namespace {
// The extreme of Att over First..Last (1-based, normalised; empty gives 0 and index 0),
// the first occurrence winning; Better(a, b) tells whether a replaces b.
template <class BetterFn>
std::int32_t ExtremeAttrib(const TIntArray& Att, std::int32_t First, std::int32_t Last, std::int32_t& Index,
                           BetterFn Better) noexcept {
    Index = 0;
    if (First > Last) return 0;
    Index = First;
    for (std::int32_t I = First + 1; I <= Last; ++I)
        if (Better(Att[static_cast<std::size_t>(I - 1)], Att[static_cast<std::size_t>(Index - 1)])) Index = I;
    return Att[static_cast<std::size_t>(Index - 1)];
}

std::int32_t Levels(TIntArray Att) {
    std::sort(Att.begin(), Att.end());
    return static_cast<std::int32_t>(std::unique(Att.begin(), Att.end()) - Att.begin());
}

constexpr auto kLarger = [](std::int32_t A, std::int32_t B) { return A > B; };
constexpr auto kSmaller = [](std::int32_t A, std::int32_t B) { return A < B; };
}  // namespace

std::int32_t TDataTable::MaxRowAttrib(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t& Row) const noexcept {
    MakeValidRowRange(FirstRow, LastRow);
    return ExtremeAttrib(FRowAtt, FirstRow, LastRow, Row, kLarger);
}

std::int32_t TDataTable::MinRowAttrib(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t& Row) const noexcept {
    MakeValidRowRange(FirstRow, LastRow);
    return ExtremeAttrib(FRowAtt, FirstRow, LastRow, Row, kSmaller);
}

std::int32_t TDataTable::MaxColAttrib(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t& Col) const noexcept {
    MakeValidColRange(FirstCol, LastCol);
    return ExtremeAttrib(FColAtt, FirstCol, LastCol, Col, kLarger);
}

std::int32_t TDataTable::MinColAttrib(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t& Col) const noexcept {
    MakeValidColRange(FirstCol, LastCol);
    return ExtremeAttrib(FColAtt, FirstCol, LastCol, Col, kSmaller);
}

std::int32_t TDataTable::RowAttribLevels() const { return Levels(FRowAtt); }

std::int32_t TDataTable::ColAttribLevels() const { return Levels(FColAtt); }

// ---------------------------------------------------------------- measurement levels

TMScaleType TDataTable::FindHighestMLevel(std::int32_t FirstCol, std::int32_t LastCol) const noexcept {
    MakeValidColRange(FirstCol, LastCol);
    TMScaleType L = TMScaleType::stNominal;
    for (std::int32_t C = FirstCol; C <= LastCol; ++C) L = std::max(L, FVType[static_cast<std::size_t>(C - 1)].MScaleType);
    return L;
}

TMScaleType TDataTable::FindLowestMLevel(std::int32_t FirstCol, std::int32_t LastCol) const noexcept {
    MakeValidColRange(FirstCol, LastCol);
    TMScaleType L = TMScaleType::stRatio;
    for (std::int32_t C = FirstCol; C <= LastCol; ++C) L = std::min(L, FVType[static_cast<std::size_t>(C - 1)].MScaleType);
    return L;
}

}  // namespace qmr
