// TIntMatrix: the dense and sparse storage, element access, sizing, the conversions
// between the forms, copies, fills, transposition, counts, the fingerprint, events and the
// matrix file hooks.
#include "containers/QMR_matrix.h"
#include "containers/QMR_container_range.h"
#include "containers/QMR_matrix_algos.h"
#include "containers/QMR_matrix_files.h"
#include "containers/QMR_vector.h"
#include "containers/QMR_vector_crc.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace qmr {

namespace {

constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();

// Sort key of a position (both parts >= 1): column, then row.
constexpr std::uint64_t Key(std::int32_t Nc, std::int32_t Nr) noexcept {
    return (std::uint64_t{static_cast<std::uint32_t>(Nc)} << 32) | static_cast<std::uint32_t>(Nr);
}
constexpr std::uint64_t Key(const TSpMatElemInt& E) noexcept { return Key(E.colidx, E.rowidx); }

bool Inside(std::int64_t Ix, std::int32_t Count) noexcept { return Ix >= 1 && Ix <= Count; }

}  // namespace

// ---------------------------------------------------------------- construction

TIntMatrix::TIntMatrix(TComponent* AOwner) : TComponent(AOwner) { FMat = NewStorage(1, 1); }

TIntMatrix::TIntMatrix(TComponent* AOwner, std::int32_t AllocBy)
    : TComponent(AOwner), FNCol(0), FNRow(0), FIsSparse(true), FAllocBy(std::max(AllocBy, 1)) {
    FNumAllocated = FAllocBy;
    ResetBox();
}

TIntMatrix::~TIntMatrix() = default;

std::string TIntMatrix::ClassName() const { return "TIntMatrix"; }

void TIntMatrix::RaiseNoMemory() const { throw EQMRMatrixError(ComponentMessage(this, "not enough memory on heap")); }

TIntArray TIntMatrix::NewStorage(std::int32_t Nc, std::int32_t Nr) const {
    const auto Cols = static_cast<std::uint64_t>(std::max(Nc, 1));
    const auto Rows = static_cast<std::uint64_t>(std::max(Nr, 1));
    TIntArray A;
    if (Cols > A.max_size() / Rows) RaiseNoMemory();  // never a wrapped product
    try {
        A.assign(static_cast<std::size_t>(Cols * Rows), 0);
    } catch (const std::bad_alloc&) {
        RaiseNoMemory();
    } catch (const std::length_error&) {
        RaiseNoMemory();
    }
    return A;
}

detail::TDenseCols<std::int32_t> TIntMatrix::Dense() noexcept { return {FMat.data(), StoreRows(), FNCol, FNRow}; }

detail::TDenseCols<const std::int32_t> TIntMatrix::Dense() const noexcept {
    return {FMat.data(), StoreRows(), FNCol, FNRow};
}

void TIntMatrix::ResetBox() noexcept {
    FSparseLowCol = FSparseLowRow = kMaxInt;
    FSparseHighCol = FSparseHighRow = 1;
}

// ---------------------------------------------------------------- element access

std::size_t TIntMatrix::LowerBound(std::int32_t Nc, std::int32_t Nr) const noexcept {
    // Branch-free lower bound: an empty list is "not found" and nothing past the count is read.
    const TSpMatElemInt* First = FSp.data();
    std::size_t N = FSp.size();
    if (N == 0) return 0;
    const std::uint64_t K = Key(Nc, Nr);
    const TSpMatElemInt* Base = First;
    while (N > 1) {
        const std::size_t Half = N / 2;
        Base = Key(Base[Half - 1]) < K ? Base + Half : Base;
        N -= Half;
    }
    return static_cast<std::size_t>(Base - First) + (Key(*Base) < K ? 1u : 0u);
}

std::int32_t TIntMatrix::Elem(std::int32_t Nc, std::int32_t Nr) const noexcept {
    if (!FIsSparse) return (Nc < 1 || Nc > FNCol || Nr < 1 || Nr > FNRow) ? 0 : Column(Nc)[Nr - 1];
    if (Nc < FSparseLowCol || Nc > FSparseHighCol || Nr < FSparseLowRow || Nr > FSparseHighRow || Nc < 1 || Nr < 1)
        return 0;
    const std::size_t Ix = LowerBound(Nc, Nr);
    return Ix < FSp.size() && FSp[Ix].colidx == Nc && FSp[Ix].rowidx == Nr ? FSp[Ix].value : 0;
}

std::int32_t TIntMatrix::NumAllocated() const noexcept {
    const auto N = static_cast<std::int64_t>(FSp.size());
    if (N <= FNumAllocated) return FNumAllocated;
    const std::int64_t Steps = (N - FNumAllocated + FAllocBy - 1) / FAllocBy;
    return static_cast<std::int32_t>(std::min<std::int64_t>(FNumAllocated + Steps * FAllocBy, kMaxInt));
}

void TIntMatrix::SetSparse(std::int32_t Nc, std::int32_t Nr, std::int32_t Value) {
    if (Nc < 1 || Nr < 1) return;
    const std::uint64_t K = Key(Nc, Nr);
    const bool Appends = FSp.empty() || Key(FSp.back()) < K;  // writes in (column, row) order need no search
    std::size_t Ix = Appends ? FSp.size() : LowerBound(Nc, Nr);
    if (!Appends && FSp[Ix].colidx == Nc && FSp[Ix].rowidx == Nr) {
        FSp[Ix].value = Value;
    } else {
        if (FSp.size() >= static_cast<std::size_t>(kMaxInt)) RaiseNoMemory();
        try {
            // The real storage doubles, up to 2147483647 elements.
            if (FSp.size() == FSp.capacity())
                FSp.reserve(std::min<std::size_t>(std::max<std::size_t>(2 * FSp.capacity(), 1), kMaxInt));
        } catch (const std::bad_alloc&) {
            RaiseNoMemory();
        } catch (const std::length_error&) {
            RaiseNoMemory();
        }
        FSp.insert(FSp.begin() + static_cast<std::ptrdiff_t>(Ix), TSpMatElemInt{Nc, Nr, Value});  // fits
        FSparseLowCol = std::min(FSparseLowCol, Nc);
        FSparseHighCol = std::max(FSparseHighCol, Nc);
        FSparseLowRow = std::min(FSparseLowRow, Nr);
        FSparseHighRow = std::max(FSparseHighRow, Nr);
    }
    FNCol = FSparseHighCol;
    FNRow = FSparseHighRow;
    // Inline appends need the last element in the box's high column (a Resize may have
    // left that column empty) and a low row of at least 1 (a sparse Resize to 0 rows
    // lowers it to 0, which would let row 0 in).
    const bool Inline = FSp.capacity() <= static_cast<std::size_t>(kMaxInt) && FSparseLowRow >= 1 &&
                        FSp.back().colidx == FSparseHighCol;
    FAppendKey = Inline ? Key(FSp.back()) : kNoAppend;
    FAppendLimit = Key(FSparseHighCol, FSparseHighRow);
    Changed();
}

// ---------------------------------------------------------------- size

void TIntMatrix::SetNrOfColumns(std::int32_t Nc) { Resize(std::max(Nc, 0), FNRow); }

void TIntMatrix::SetNrOfRows(std::int32_t Nr) { Resize(FNCol, std::max(Nr, 0)); }

bool TIntMatrix::Resize(std::int32_t Nc, std::int32_t Nr) {
    if (Nc == FNCol && Nr == FNRow) return false;
    Nc = std::max(Nc, 0);
    Nr = std::max(Nr, 0);
    if (FIsSparse) {
        FNumAllocated = NumAllocated();  // elements go: the count stays what it is now
        FAppendKey = kNoAppend;
        FNCol = Nc;
        FNRow = Nr;
        FSparseHighCol = std::min(FSparseHighCol, Nc);
        FSparseLowCol = std::min(FSparseLowCol, FSparseHighCol);
        FSparseHighRow = std::min(FSparseHighRow, Nr);
        FSparseLowRow = std::min(FSparseLowRow, FSparseHighRow);
        std::erase_if(FSp, [Nc, Nr](const TSpMatElemInt& E) { return E.colidx > Nc || E.rowidx > Nr; });
        return false;
    }
    TIntArray NewMat = NewStorage(Nc, Nr);
    // Only what lies inside both sizes is kept: elements hidden by a shrink to 0 stay lost.
    const std::int32_t KeepCols = std::min(FNCol, Nc);
    const auto KeepRows = static_cast<std::size_t>(std::min(FNRow, Nr));
    const std::size_t NewRows = Nr > 0 ? static_cast<std::size_t>(Nr) : 1;
    for (std::int32_t C = 1; C <= KeepCols; ++C)
        std::copy_n(Column(C), KeepRows, NewMat.data() + static_cast<std::size_t>(C - 1) * NewRows);
    FMat.swap(NewMat);
    FNCol = Nc;
    FNRow = Nr;
    Changed();
    return true;
}

bool TIntMatrix::ResizeAndClear(std::int32_t Nc, std::int32_t Nr) {
    const bool Result = Resize(Nc, Nr);
    if (Result) Fill(0);
    return Result;
}

bool TIntMatrix::RemoveColumn(std::int32_t Col) {
    if (FIsSparse || Col < 1 || Col > FNCol || FNCol <= 1) return false;
    for (std::int32_t C = Col; C < FNCol; ++C) std::copy_n(Column(C + 1), StoreRows(), Column(C));
    Resize(FNCol - 1, FNRow);
    return true;
}

bool TIntMatrix::RemoveRow(std::int32_t Row) {
    if (FIsSparse || Row < 1 || Row > FNRow || FNRow <= 1) return false;
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        std::int32_t* P = Column(C);
        std::copy(P + Row, P + FNRow, P + (Row - 1));
    }
    Resize(FNCol, FNRow - 1);
    return true;
}

void TIntMatrix::MakeValidColRange(std::int32_t& LowCol, std::int32_t& HighCol) const noexcept {
    detail::NormaliseRange(LowCol, HighCol, FNCol);
}

void TIntMatrix::MakeValidRowRange(std::int32_t& LowRow, std::int32_t& HighRow) const noexcept {
    detail::NormaliseRange(LowRow, HighRow, FNRow);
}

// ---------------------------------------------------------------- conversions

void TIntMatrix::ArrayToSparse(std::int32_t AllocBy) {
    if (FIsSparse) return;
    const std::int32_t Step = std::max(AllocBy, 1);
    std::vector<TSpMatElemInt> List;
    std::int32_t LoC = kMaxInt, HiC = 1, LoR = kMaxInt, HiR = 1;
    bool LastCellStored = false;
    try {
        for (std::int32_t C = 1; C <= FNCol; ++C) {
            const std::int32_t* P = Column(C);
            const std::size_t Before = List.size();
            for (std::int32_t R = 1; R <= FNRow; ++R)
                if (P[R - 1] != 0) List.push_back({C, R, P[R - 1]});
            if (List.size() == Before) continue;
            LoC = std::min(LoC, C);
            HiC = C;
            for (std::size_t I = Before; I < List.size(); ++I) {
                LoR = std::min(LoR, List[I].rowidx);
                HiR = std::max(HiR, List[I].rowidx);
            }
            LastCellStored = C == FNCol && List.back().rowidx == FNRow;
        }
    } catch (const std::bad_alloc&) {
        RaiseNoMemory();
    }
    // The capacity as counted step by step: before each cell a full list grows by one
    // step, so it grew after every append that filled it and was followed by a cell.
    const auto N = static_cast<std::int64_t>(List.size());
    std::int64_t Capacity = Step + Step * (N / Step);
    if (N > 0 && N % Step == 0 && LastCellStored) Capacity -= Step;
    FSp.swap(List);
    FIsSparse = true;
    FAppendKey = kNoAppend;
    FAllocBy = Step;
    FNumAllocated = static_cast<std::int32_t>(std::min<std::int64_t>(Capacity, kMaxInt));
    FSparseLowCol = LoC;
    FSparseHighCol = HiC;
    FSparseLowRow = LoR;
    FSparseHighRow = HiR;
    TIntArray().swap(FMat);
}

void TIntMatrix::SparseToArray() {
    if (!FIsSparse) return;
    const std::int32_t Nc = FSp.empty() ? 1 : FSparseHighCol;
    const std::int32_t Nr = FSp.empty() ? 1 : FSparseHighRow;
    TIntArray NewMat = NewStorage(Nc, Nr);  // raises with the sparse form kept
    const auto Rows = static_cast<std::size_t>(Nr);
    for (const TSpMatElemInt& E : FSp)
        NewMat[static_cast<std::size_t>(E.colidx - 1) * Rows + static_cast<std::size_t>(E.rowidx - 1)] = E.value;
    FMat.swap(NewMat);
    std::vector<TSpMatElemInt>().swap(FSp);
    FIsSparse = false;
    FAppendKey = kNoAppend;
    FNumAllocated = 0;
    FNCol = Nc;
    FNRow = Nr;
}

// ---------------------------------------------------------------- copies

void TIntMatrix::Clone(const TIntMatrix* MatSource) {
    if (MatSource == nullptr || MatSource->FIsSparse != FIsSparse) return;
    if (FIsSparse) {
        try {
            FSp = MatSource->FSp;
        } catch (const std::bad_alloc&) {
            RaiseNoMemory();
        }
        FNumAllocated = MatSource->NumAllocated();
        FAppendKey = kNoAppend;
        FAllocBy = MatSource->FAllocBy;
        FSparseLowCol = MatSource->FSparseLowCol;
        FSparseHighCol = MatSource->FSparseHighCol;
        FSparseLowRow = MatSource->FSparseLowRow;
        FSparseHighRow = MatSource->FSparseHighRow;
        FNCol = MatSource->FNCol;
        FNRow = MatSource->FNRow;
    } else {
        Resize(MatSource->FNCol, MatSource->FNRow);
        for (std::int32_t C = 1; C <= MatSource->FNCol; ++C)
            for (std::int32_t R = 1; R <= MatSource->FNRow; ++R) SetElem(C, R, MatSource->Column(C)[R - 1]);
    }
    Changed();
}

void TIntMatrix::CopyFrom(const TIntMatrix* MatSource, std::int32_t SourceColLo, std::int32_t SourceRowLo,
                          std::int32_t SourceColHi, std::int32_t SourceRowHi, std::int32_t DestCol,
                          std::int32_t DestRow) {
    if (MatSource == nullptr) return;
    if (MatSource->FNCol >= 1 && MatSource->FNRow >= 1) {
        detail::ClampRange(SourceColLo, SourceColHi, MatSource->FNCol);
        detail::ClampRange(SourceRowLo, SourceRowHi, MatSource->FNRow);
        // Offsets whose targets SetElem would take, in 64 bits: inside the size when dense,
        // any position from 1 to 2147483647 when sparse.
        const std::int64_t MaxC = FIsSparse ? kMaxInt : FNCol, MaxR = FIsSparse ? kMaxInt : FNRow;
        const std::int64_t C0 = std::max<std::int64_t>(0, 1 - std::int64_t{DestCol});
        const std::int64_t C1 = std::min<std::int64_t>(SourceColHi - SourceColLo, MaxC - DestCol);
        const std::int64_t R0 = std::max<std::int64_t>(0, 1 - std::int64_t{DestRow});
        const std::int64_t R1 = std::min<std::int64_t>(SourceRowHi - SourceRowLo, MaxR - DestRow);
        if (C0 <= C1 && R0 <= R1) {
            // The block is read completely first: the source may be this matrix.
            const auto Rows = static_cast<std::size_t>(R1 - R0 + 1);
            std::vector<std::int32_t> Block;
            try {
                Block.resize(static_cast<std::size_t>(C1 - C0 + 1) * Rows);
            } catch (const std::bad_alloc&) {
                RaiseNoMemory();
            } catch (const std::length_error&) {
                RaiseNoMemory();
            }
            for (std::int64_t C = C0; C <= C1; ++C)
                for (std::int64_t R = R0; R <= R1; ++R)
                    Block[static_cast<std::size_t>(C - C0) * Rows + static_cast<std::size_t>(R - R0)] =
                        MatSource->Elem(static_cast<std::int32_t>(SourceColLo + C), static_cast<std::int32_t>(SourceRowLo + R));
            for (std::int64_t C = C0; C <= C1; ++C)
                for (std::int64_t R = R0; R <= R1; ++R)
                    SetElem(static_cast<std::int32_t>(DestCol + C), static_cast<std::int32_t>(DestRow + R),
                            Block[static_cast<std::size_t>(C - C0) * Rows + static_cast<std::size_t>(R - R0)]);
        }
    }
    Changed();
}

void TIntMatrix::CopyToArray(TInt2DArray& DestArray, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                             std::int32_t HighRow) const {
    if (FIsSparse) {
        DestArray.clear();
        return;
    }
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    const auto NR = static_cast<std::size_t>(G.Rows());
    DestArray.assign(static_cast<std::size_t>(G.Cols()), TIntArray(NR));
    for (std::int32_t C = G.LowCol; C <= G.HighCol && NR > 0; ++C)
        std::copy_n(Column(C) + (G.LowRow - 1), NR, DestArray[static_cast<std::size_t>(C - G.LowCol)].begin());
}

void TIntMatrix::CopyFromArray(const TInt2DArray& SrcArray, std::int32_t Col, std::int32_t Row) {
    for (std::size_t I = 0; I < SrcArray.size(); ++I) {
        const std::int64_t C = std::int64_t{Col} + static_cast<std::int64_t>(I);
        if (!Inside(C, kMaxInt)) continue;
        const TIntArray& Src = SrcArray[I];
        for (std::size_t J = 0; J < Src.size(); ++J) {
            const std::int64_t R = std::int64_t{Row} + static_cast<std::int64_t>(J);
            if (Inside(R, kMaxInt)) SetElem(static_cast<std::int32_t>(C), static_cast<std::int32_t>(R), Src[J]);
        }
    }
}

void TIntMatrix::CopyRowToVec(TIntVector* DestVec, std::int32_t Row, std::int32_t FirstCol, std::int32_t LastCol) const {
    if (DestVec == nullptr) return;
    MakeValidColRange(FirstCol, LastCol);
    Row = std::clamp(Row, std::min(1, FNRow), FNRow);
    const std::int32_t N = std::min(LastCol - FirstCol + 1, DestVec->NrOfElem());
    DestVec->Fill(0);
    for (std::int32_t K = 1; K <= N; ++K) DestVec->SetElem(K, Elem(FirstCol + K - 1, Row));
}

void TIntMatrix::CopyColToVec(TIntVector* DestVec, std::int32_t Col, std::int32_t FirstRow, std::int32_t LastRow) const {
    if (DestVec == nullptr) return;
    MakeValidRowRange(FirstRow, LastRow);
    Col = std::clamp(Col, std::min(1, FNCol), FNCol);
    const std::int32_t N = std::min(LastRow - FirstRow + 1, DestVec->NrOfElem());
    DestVec->Fill(0);
    for (std::int32_t K = 1; K <= N; ++K) DestVec->SetElem(K, Elem(Col, FirstRow + K - 1));
}

// ---------------------------------------------------------------- fills and transposition

void TIntMatrix::Fill(std::int32_t Value) {
    if (!FIsSparse) {
        std::fill(FMat.begin(), FMat.end(), Value);
    } else if (Value != 0) {
        for (TSpMatElemInt& E : FSp) E.value = Value;
    } else {
        std::vector<TSpMatElemInt>().swap(FSp);
        FAppendKey = kNoAppend;
        FNumAllocated = FAllocBy;
        ResetBox();
    }
    Changed();
}

void TIntMatrix::Fill(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                      std::int32_t Value) {
    if (FIsSparse) return;
    const detail::TBlock G = detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow);
    if (G.Rows() > 0)
        for (std::int32_t C = G.LowCol; C <= G.HighCol; ++C)
            std::fill(Column(C) + (G.LowRow - 1), Column(C) + G.HighRow, Value);
    Changed();
}

void TIntMatrix::FillDiag(std::int32_t Value) {
    if (FIsSparse) return;
    for (std::int32_t K = 1; K <= std::min(FNCol, FNRow); ++K) Column(K)[K - 1] = Value;
    Changed();
}

bool TIntMatrix::Transpose() {
    if (FIsSparse) {
        for (TSpMatElemInt& E : FSp) std::swap(E.colidx, E.rowidx);
        std::swap(FSparseLowCol, FSparseLowRow);
        std::swap(FSparseHighCol, FSparseHighRow);
        std::swap(FNCol, FNRow);
        FAppendKey = kNoAppend;
        // Positions are unique, so any sort gives the one (column, row) order.
        std::sort(FSp.begin(), FSp.end(), [](const TSpMatElemInt& A, const TSpMatElemInt& B) { return Key(A) < Key(B); });
    } else {
        TIntArray NewMat = NewStorage(FNRow, FNCol);
        const std::size_t NewRows = FNCol > 0 ? static_cast<std::size_t>(FNCol) : 1;
        constexpr std::int32_t kTile = 64;  // both the rows read and the columns written stay in cache
        for (std::int32_t C0 = 1; C0 <= FNCol; C0 += kTile)
            for (std::int32_t R0 = 1; R0 <= FNRow; R0 += kTile)
                for (std::int32_t C = C0; C <= std::min(FNCol, C0 + kTile - 1); ++C) {
                    const std::int32_t* Src = Column(C);
                    for (std::int32_t R = R0; R <= std::min(FNRow, R0 + kTile - 1); ++R)
                        NewMat[static_cast<std::size_t>(R - 1) * NewRows + static_cast<std::size_t>(C - 1)] = Src[R - 1];
                }
        FMat.swap(NewMat);
        std::swap(FNCol, FNRow);
    }
    Changed();
    return true;
}

// ---------------------------------------------------------------- counts and derived data

std::int32_t TIntMatrix::CountValues(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                                     std::int32_t HighRow, std::int32_t RangeLow, std::int32_t RangeHigh) const {
    if (FIsSparse) return 0;
    std::int64_t N = 0;
    detail::ForEachValue(detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow),
                         [this](std::int32_t C) { return Column(C); },
                         [&](std::int32_t V) { N += (RangeLow <= V && V <= RangeHigh) ? 1 : 0; });
    return static_cast<std::int32_t>(std::min<std::int64_t>(N, kMaxInt));
}

std::int32_t TIntMatrix::CountMaskedZeros(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                                          std::int32_t HighRow, std::uint32_t Bitmask) const {
    if (FIsSparse) return 0;
    std::int64_t N = 0;
    detail::ForEachValue(detail::MakeBlock(*this, LowCol, HighCol, LowRow, HighRow),
                         [this](std::int32_t C) { return Column(C); },
                         [&](std::int32_t V) { N += (static_cast<std::uint32_t>(V) & Bitmask) == 0 ? 1 : 0; });
    return static_cast<std::int32_t>(std::min<std::int64_t>(N, kMaxInt));
}

std::int32_t TIntMatrix::Dichotomize(std::int32_t Threshold, TBool2DArray& ResultArray) const {
    if (FIsSparse) {
        ResultArray.clear();
        return 0;
    }
    ResultArray.assign(static_cast<std::size_t>(FNCol), TBoolArray(static_cast<std::size_t>(FNRow)));
    std::int64_t N = 0;
    for (std::int32_t C = 1; C <= FNCol; ++C)
        for (std::int32_t R = 1; R <= FNRow; ++R)
            if (Column(C)[R - 1] > Threshold) {
                ResultArray[static_cast<std::size_t>(C - 1)][static_cast<std::size_t>(R - 1)] = true;
                ++N;
            }
    return static_cast<std::int32_t>(std::min<std::int64_t>(N, kMaxInt));
}

void TIntMatrix::MeanVec(TDims Dim, TVector* Means) const {
    if (Means == nullptr || FIsSparse) return;
    if (Dim == TDims::dimColumns) {
        Means->SetNrOfElem(FNCol);
        for (std::int32_t C = 1; C <= FNCol; ++C) {
            double S = 0;
            for (std::int32_t R = 0; R < FNRow; ++R) S += Column(C)[R];
            Means->SetElem(C, FNRow > 0 ? S / FNRow : 0.0);
        }
    } else if (Dim == TDims::dimRows) {
        Means->SetNrOfElem(FNRow);
        std::vector<double> S(static_cast<std::size_t>(FNRow), 0.0);
        for (std::int32_t C = 1; C <= FNCol; ++C)
            for (std::int32_t R = 0; R < FNRow; ++R) S[static_cast<std::size_t>(R)] += Column(C)[R];
        for (std::int32_t R = 1; R <= FNRow; ++R)
            Means->SetElem(R, FNCol > 0 ? S[static_cast<std::size_t>(R - 1)] / FNCol : 0.0);
    }
}

std::string TIntMatrix::CRCofData() const {
    detail::TCrcRegisters<4> Crc;
    if (!FIsSparse && FNRow > 0)
        for (std::int32_t C = 1; C <= FNCol; ++C) Crc.Feed(Column(C), static_cast<std::size_t>(FNRow));
    return Crc.Text();
}

// ---------------------------------------------------------------- events

void TIntMatrix::Changed() {
    if (OnChange) OnChange(this);
}

void TIntMatrix::SortExchange(std::uint8_t ExchgWhat, std::int32_t Index1, std::int32_t Index2, std::int32_t First,
                              std::int32_t Last) {
    if (OnSortExchange) OnSortExchange(this, ExchgWhat, Index1, Index2, First, Last);
}

void TIntMatrix::PercDone(TObject* /*Sender*/, std::int32_t PercentDone) {
    if (OnPercentDone) OnPercentDone(this, PercentDone);
}

// ---------------------------------------------------------------- matrix files

bool TIntMatrix::ReadBinaryHeader(const std::string& FName, std::int32_t& NrColumns, std::int32_t& NrRows,
                                  std::string& DataID, std::int32_t& Format) {
    return detail::ReadBinaryHeaderAs(FName, detail::IntMatrixFileRule, NrColumns, NrRows, nullptr, nullptr, DataID,
                                      Format);
}

void TIntMatrix::SetFirstCell(bool Value) noexcept {
    FXml.Start(Value);
    if (Value) FXmlCols = FXmlRows = -1;
}

std::int32_t TIntMatrix::ProcessXmlTag(TMatXmlTag Tag, std::string_view Attr, std::string_view Content) {
    struct Target final : detail::TMatXmlTarget {
        explicit Target(TIntMatrix& M) : Mat(M) {}
        std::array<std::int32_t, 4> Counts() const override { return {Mat.FNCol, Mat.FNRow, 0, 0}; }
        // Storage and counts together; the counts are kept for the cells, since a sparse
        // matrix reports its box after the first write.
        void ResizeTo(const std::array<std::int32_t, 4>& N) override {
            Mat.Resize(N[0], N[1]);
            Mat.FXmlCols = std::max(N[0], 0);
            Mat.FXmlRows = std::max(N[1], 0);
        }
        void WriteCell(const std::array<std::int32_t, 4>& Ix, std::string_view Content) override {
            const std::int32_t Cols = Mat.FXmlCols >= 0 ? Mat.FXmlCols : Mat.FNCol;
            const std::int32_t Rows = Mat.FXmlRows >= 0 ? Mat.FXmlRows : Mat.FNRow;
            if (Ix[0] < 1 || Ix[0] > Cols || Ix[1] < 1 || Ix[1] > Rows) return;
            std::int32_t Pos = 1;
            Mat.SetElem(Ix[0], Ix[1], detail::ReadIntAtPos(Content, Pos));
        }
        TIntMatrix& Mat;
    } T(*this);
    return detail::ProcessMatXmlTag(FXml, detail::Matrix2DXmlLayout, T, Tag, Attr, Content);
}

}  // namespace qmr
