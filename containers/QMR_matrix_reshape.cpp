// TMatrix: transposition, row and column sorts, mirroring, exchanges, edge vectors,
// fills, and copies to and from vectors, other matrices and arrays.
#include "containers/QMR_matrix.h"
#include "containers/QMR_container_range.h"
#include "containers/QMR_matrix_algos.h"
#include "containers/QMR_vector.h"
#include "foundations/QMR_math1_random.h"
#include "foundations/detail/combsort.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace qmr {

namespace {

// Inside 1..Count, for 64-bit target positions.
bool Inside(std::int64_t Ix, std::int32_t Count) { return Ix >= 1 && Ix <= Count; }

}  // namespace

detail::TDenseCols<double> TMatrix::Dense() noexcept { return {FMat.data(), StoreRows(), FNCol, FNRow}; }

// ---------------------------------------------------------------- transposition

bool TMatrix::Transpose() {
    const std::size_t NewRows = FNCol > 0 ? static_cast<std::size_t>(FNCol) : 1;
    TDoubleArray NewMat;
    try {
        NewMat.assign(FMat.size(), 0.0);  // the extent is max(1, rows) x max(1, columns) either way
    } catch (const std::bad_alloc&) {
        RaiseNoMemory();
    }
    // Tiles keep both the rows read and the columns written in cache.
    constexpr std::int32_t kTile = 32;
    for (std::int32_t C0 = 1; C0 <= FNCol; C0 += kTile) {
        const std::int32_t C1 = std::min(FNCol, C0 + kTile - 1);
        for (std::int32_t R0 = 1; R0 <= FNRow; R0 += kTile) {
            const std::int32_t R1 = std::min(FNRow, R0 + kTile - 1);
            for (std::int32_t C = C0; C <= C1; ++C) {
                const double* Src = Column(C);
                for (std::int32_t R = R0; R <= R1; ++R)
                    NewMat[static_cast<std::size_t>(R - 1) * NewRows + static_cast<std::size_t>(C - 1)] = Src[R - 1];
            }
        }
    }
    FMat.swap(NewMat);
    std::swap(FNCol, FNRow);
    Changed();
    return true;
}

// ---------------------------------------------------------------- sorts, mirrors, exchanges

void TMatrix::SortRows(std::int32_t SortColIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                       std::int32_t HighCol, std::int32_t HighRow) {
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    if (detail::SortRowsIn(Dense(), SortColIx, Ascending, G,
                           [&](std::int32_t I, std::int32_t J) { SortExchange(2, I, J, G.LowCol, G.HighCol); }))
        Changed();
}

void TMatrix::SortCols(std::int32_t SortRowIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                       std::int32_t HighCol, std::int32_t HighRow) {
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    if (detail::SortColsIn(Dense(), SortRowIx, Ascending, G,
                           [&](std::int32_t I, std::int32_t J) { SortExchange(1, I, J, G.LowRow, G.HighRow); }))
        Changed();
}

void TMatrix::MirrorColumns() {
    detail::MirrorColumnsIn(Dense());
    Changed();
}

void TMatrix::MirrorRows() {
    detail::MirrorRowsIn(Dense());
    Changed();
}

void TMatrix::ExchangeColumns(std::int32_t C1, std::int32_t C2) {
    if (detail::ExchangeColumnsIn(Dense(), C1, C2)) Changed();
}

void TMatrix::ExchangeRows(std::int32_t R1, std::int32_t R2) {
    if (detail::ExchangeRowsIn(Dense(), R1, R2)) Changed();
}

// ---------------------------------------------------------------- edge vectors

void TMatrix::EdgeVector(TOrientation Orient, TEdgeOp EdgeOp, TVector* DestVec) const {
    if (DestVec == nullptr || static_cast<int>(EdgeOp) > 3) return;
    const std::vector<double> Acc =
        detail::EdgeValuesIn(detail::TDenseCols<const double>{FMat.data(), StoreRows(), FNCol, FNRow}, Orient, EdgeOp);
    const auto NOut = static_cast<std::int32_t>(Acc.size());
    DestVec->SetNrOfElem(NOut);
    for (std::int32_t K = 1; K <= NOut; ++K) DestVec->SetElem(K, Acc[static_cast<std::size_t>(K - 1)]);
}

// ---------------------------------------------------------------- fills

void TMatrix::Fill(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow, double Value) {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    if (HighRow >= LowRow)
        for (std::int32_t C = LowCol; C <= HighCol; ++C) std::fill(Column(C) + (LowRow - 1), Column(C) + HighRow, Value);
    Changed();
}

void TMatrix::FillDiag(double Value) {
    const std::int32_t N = std::min(FNCol, FNRow);
    for (std::int32_t K = 1; K <= N; ++K) Column(K)[K - 1] = Value;
    Changed();
}

void TMatrix::FillRandomUniform(double RangeLow, double RangeHigh) {
    FillRandomUniform(0, 0, 0, 0, RangeLow, RangeHigh);
}

void TMatrix::FillRandomUniform(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                                double RangeLow, double RangeHigh) {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    const Extended Width = static_cast<Extended>(RangeHigh) - RangeLow;
    for (std::int32_t C = LowCol; C <= HighCol; ++C)
        for (std::int32_t R = LowRow; R <= HighRow; ++R)
            Column(C)[R - 1] = static_cast<double>(RangeLow + static_cast<Extended>(Random()) * Width);
    Changed();
}

void TMatrix::FillRandomGauss(double Mean, double StdDev) { FillRandomGauss(0, 0, 0, 0, Mean, StdDev); }

void TMatrix::FillRandomGauss(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                              double Mean, double StdDev) {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    for (std::int32_t C = LowCol; C <= HighCol; ++C)
        for (std::int32_t R = LowRow; R <= HighRow; ++R)
            Column(C)[R - 1] = static_cast<double>(Mean + static_cast<Extended>(StdDev) * GRandom());
    Changed();
}

// ---------------------------------------------------------------- copies to and from vectors

void TMatrix::CopyRowToVec(TVector* DestVec, std::int32_t Row, std::int32_t FirstCol, std::int32_t LastCol) const {
    if (DestVec == nullptr) return;
    MakeValidColRange(FirstCol, LastCol);
    Row = std::clamp(Row, std::min(1, FNRow), FNRow);
    const std::int32_t N = std::min(LastCol - FirstCol + 1, DestVec->NrOfElem());
    DestVec->Fill(0);
    for (std::int32_t K = 1; K <= N; ++K) DestVec->SetElem(K, static_cast<double>(Elem(FirstCol + K - 1, Row)));
}

void TMatrix::CopyColToVec(TVector* DestVec, std::int32_t Col, std::int32_t FirstRow, std::int32_t LastRow) const {
    if (DestVec == nullptr) return;
    MakeValidRowRange(FirstRow, LastRow);
    Col = std::clamp(Col, std::min(1, FNCol), FNCol);
    const std::int32_t N = std::min(LastRow - FirstRow + 1, DestVec->NrOfElem());
    DestVec->Fill(0);
    for (std::int32_t K = 1; K <= N; ++K) DestVec->SetElem(K, static_cast<double>(Elem(Col, FirstRow + K - 1)));
}

void TMatrix::CopyFromVec(TDims Dim, const TVector* VecSource, std::int32_t Source1stElem,
                          std::int32_t SourceLastElem, std::int32_t DestCol, std::int32_t DestRow) {
    if (VecSource == nullptr) return;
    VecSource->MakeValidElemRange(Source1stElem, SourceLastElem);
    if (Dim == TDims::dimColumns || Dim == TDims::dimRows) {
        const bool AlongRow = Dim == TDims::dimColumns;
        for (std::int32_t K = Source1stElem; K <= SourceLastElem; ++K) {
            const std::int64_t Offset = static_cast<std::int64_t>(K) - Source1stElem;
            const std::int64_t C = AlongRow ? DestCol + Offset : DestCol;
            const std::int64_t R = AlongRow ? DestRow : DestRow + Offset;
            if (Inside(C, FNCol) && Inside(R, FNRow))
                SetElem(static_cast<std::int32_t>(C), static_cast<std::int32_t>(R), static_cast<double>(VecSource->Elem(K)));
        }
    }
    Changed();
}

void TMatrix::CopyFromVec(const TVector* VecSource, std::int32_t Source1stElem, std::int32_t SourceLastElem,
                          std::int32_t DestCol, std::int32_t DestRow) {
    CopyFromVec(TDims::dimRows, VecSource, Source1stElem, SourceLastElem, DestCol, DestRow);
}

// ---------------------------------------------------------------- copies between matrices and arrays

namespace {

// Writes the NC x NR block Read(c, r) (offsets from 0) through SetElem so that its corner
// lands at (DestCol, DestRow), dropping targets outside. The part that lands inside is
// read before the first write: the source may be the matrix itself (overlapping blocks)
// or change under an OnChange handler.
template <class ReadFn>
void WriteBlock(TMatrix& M, std::int32_t NC, std::int32_t NR, std::int32_t DestCol, std::int32_t DestRow,
                ReadFn&& Read) {
    // Offsets whose targets lie inside the matrix, in 64 bits (no wrap into valid positions).
    const std::int64_t C0 = std::max<std::int64_t>(0, 1 - std::int64_t{DestCol});
    const std::int64_t C1 = std::min<std::int64_t>(NC - 1, std::int64_t{M.NrOfColumns()} - DestCol);
    const std::int64_t R0 = std::max<std::int64_t>(0, 1 - std::int64_t{DestRow});
    const std::int64_t R1 = std::min<std::int64_t>(NR - 1, std::int64_t{M.NrOfRows()} - DestRow);
    if (C1 < C0 || R1 < R0) return;
    const auto Rows = static_cast<std::size_t>(R1 - R0 + 1);
    std::vector<double> Block(static_cast<std::size_t>(C1 - C0 + 1) * Rows);
    for (std::int64_t C = C0; C <= C1; ++C)
        for (std::int64_t R = R0; R <= R1; ++R)
            Block[static_cast<std::size_t>(C - C0) * Rows + static_cast<std::size_t>(R - R0)] =
                Read(static_cast<std::int32_t>(C), static_cast<std::int32_t>(R));
    for (std::int64_t C = C0; C <= C1; ++C)
        for (std::int64_t R = R0; R <= R1; ++R)
            M.SetElem(static_cast<std::int32_t>(DestCol + C), static_cast<std::int32_t>(DestRow + R),
                      Block[static_cast<std::size_t>(C - C0) * Rows + static_cast<std::size_t>(R - R0)]);
}

}  // namespace

void TMatrix::CopyFrom(const TMatrix* MatSource, std::int32_t SourceColLo, std::int32_t SourceRowLo,
                       std::int32_t SourceColHi, std::int32_t SourceRowHi, std::int32_t DestCol, std::int32_t DestRow) {
    if (MatSource == nullptr) return;
    if (MatSource->FNCol >= 1 && MatSource->FNRow >= 1) {
        detail::ClampRange(SourceColLo, SourceColHi, MatSource->FNCol);
        detail::ClampRange(SourceRowLo, SourceRowHi, MatSource->FNRow);
        WriteBlock(*this, SourceColHi - SourceColLo + 1, SourceRowHi - SourceRowLo + 1, DestCol, DestRow,
                   [&](std::int32_t C, std::int32_t R) { return MatSource->Column(SourceColLo + C)[SourceRowLo - 1 + R]; });
    }
    Changed();
}

void TMatrix::CopyFrom(const TIntMatrix* MatSource, std::int32_t SourceColLo, std::int32_t SourceRowLo,
                       std::int32_t SourceColHi, std::int32_t SourceRowHi, std::int32_t DestCol, std::int32_t DestRow) {
    if (MatSource == nullptr) return;
    if (MatSource->NrOfColumns() >= 1 && MatSource->NrOfRows() >= 1) {
        detail::ClampRange(SourceColLo, SourceColHi, MatSource->NrOfColumns());
        detail::ClampRange(SourceRowLo, SourceRowHi, MatSource->NrOfRows());
        WriteBlock(*this, SourceColHi - SourceColLo + 1, SourceRowHi - SourceRowLo + 1, DestCol, DestRow,
                   [&](std::int32_t C, std::int32_t R) {
                       return static_cast<double>(MatSource->Elem(SourceColLo + C, SourceRowLo + R));
                   });
    }
    Changed();
}

void TMatrix::CopyFrom(const TMat3D* MatSource, std::int32_t SourceColLo, std::int32_t SourceRowLo,
                       std::int32_t SourceColHi, std::int32_t SourceRowHi, std::int32_t SourceLayer,
                       std::int32_t DestCol, std::int32_t DestRow) {
    if (MatSource == nullptr) return;
    detail::ClampRange(SourceColLo, SourceColHi, MatSource->NrOfColumns());
    detail::ClampRange(SourceRowLo, SourceRowHi, MatSource->NrOfRows());
    const std::int32_t Layer = std::clamp(SourceLayer, 1, MatSource->NrOfLayers());  // counts are at least 1
    WriteBlock(*this, SourceColHi - SourceColLo + 1, SourceRowHi - SourceRowLo + 1, DestCol, DestRow,
               [&](std::int32_t C, std::int32_t R) {
                   return static_cast<double>(MatSource->Elem(SourceColLo + C, SourceRowLo + R, Layer));
               });
    Changed();
}

namespace {

// The array as Length(SrcArray) columns of the first column's length; a shorter column
// gives what it has.
template <class TArr> void CopyArrayInto(TMatrix& M, const TArr& SrcArray, std::int32_t Col, std::int32_t Row) {
    if (SrcArray.empty()) return;
    const std::size_t Len = SrcArray[0].size();
    for (std::size_t I = 0; I < SrcArray.size(); ++I) {
        const std::int64_t C = static_cast<std::int64_t>(Col) + static_cast<std::int64_t>(I);
        if (!Inside(C, M.NrOfColumns())) continue;
        const std::size_t N = std::min(Len, SrcArray[I].size());  // ragged: never past a column's end
        for (std::size_t J = 0; J < N; ++J) {
            const std::int64_t R = static_cast<std::int64_t>(Row) + static_cast<std::int64_t>(J);
            if (Inside(R, M.NrOfRows()))
                M.SetElem(static_cast<std::int32_t>(C), static_cast<std::int32_t>(R), static_cast<double>(SrcArray[I][J]));
        }
    }
}

}  // namespace

void TMatrix::CopyFromArray(const TDouble2DArray& SrcArray, std::int32_t Col, std::int32_t Row) {
    CopyArrayInto(*this, SrcArray, Col, Row);
}

void TMatrix::CopyFromArray(const TInt2DArray& SrcArray, std::int32_t Col, std::int32_t Row) {
    CopyArrayInto(*this, SrcArray, Col, Row);
}

void TMatrix::CopyToArray(TDouble2DArray& DestArray, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                          std::int32_t HighRow) const {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    const auto NR = static_cast<std::size_t>(std::max(0, HighRow - LowRow + 1));
    DestArray.assign(static_cast<std::size_t>(std::max(0, HighCol - LowCol + 1)), TDoubleArray(NR));
    for (std::int32_t C = LowCol; C <= HighCol; ++C)
        std::copy_n(Column(C) + (LowRow - 1), NR, DestArray[static_cast<std::size_t>(C - LowCol)].begin());
}

void TMatrix::CopyToArray(TInt2DArray& DestArray, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                          std::int32_t HighRow) const {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    const auto NR = static_cast<std::size_t>(std::max(0, HighRow - LowRow + 1));
    DestArray.assign(static_cast<std::size_t>(std::max(0, HighCol - LowCol + 1)), TIntArray(NR));
    for (std::int32_t C = LowCol; C <= HighCol; ++C) {
        const double* Src = Column(C) + (LowRow - 1);
        TIntArray& Dst = DestArray[static_cast<std::size_t>(C - LowCol)];
        for (std::size_t R = 0; R < NR; ++R) Dst[R] = detail::RoundToInt32Sat(Src[R]);
    }
}

}  // namespace qmr
