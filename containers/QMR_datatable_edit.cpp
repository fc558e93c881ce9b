// TDataTable: inserting and removing rows and columns, exchanges and mirrors, sorts,
// lookups by name, copies between tables and arrays, bulk cell-state operations and
// fingerprints.
#include "containers/QMR_datatable.h"
#include "containers/QMR_datatable_cells.h"
#include "containers/QMR_vector_crc.h"
#include "foundations/detail/combsort.h"
#include "platform/Qmr_dstruct.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace qmr {

namespace {

std::size_t Ix(std::int32_t I) noexcept { return static_cast<std::size_t>(I - 1); }

char LowerAscii(char C) noexcept { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; }
char UpperAscii(char C) noexcept { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C; }

// Byte-code comparison of two texts, optionally with ASCII letters lower-cased: <0, 0, >0.
int CompareNames(const std::string& A, const std::string& B, bool IgnoreCase) noexcept {
    if (!IgnoreCase) return A.compare(B);
    const std::size_t N = std::min(A.size(), B.size());
    for (std::size_t I = 0; I < N; ++I) {
        const auto X = static_cast<unsigned char>(LowerAscii(A[I])), Y = static_cast<unsigned char>(LowerAscii(B[I]));
        if (X != Y) return X < Y ? -1 : 1;
    }
    return A.size() < B.size() ? -1 : A.size() > B.size() ? 1 : 0;
}

// A name as the lookups compare it: blanks (character 32) trimmed, ASCII letters upper-cased.
std::string LookupKey(const std::string& S) {
    const std::size_t First = S.find_first_not_of(' ');
    if (First == std::string::npos) return {};
    std::string K = S.substr(First, S.find_last_not_of(' ') - First + 1);
    for (char& C : K) C = UpperAscii(C);
    return K;
}

std::int32_t FindName(const std::vector<TDTNameStr>& Names, const TDTNameStr& ID) {
    const std::string Key = LookupKey(ID);
    for (std::size_t I = 0; I < Names.size(); ++I)
        if (LookupKey(Names[I]) == Key) return static_cast<std::int32_t>(I + 1);
    return 0;
}

// The five change notifications of a table parked while alive (OnResize stays).
class TParkedNotifications {
public:
    explicit TParkedNotifications(TDataTable& T) : FEvents{&T.OnChange, &T.OnChangeSetup, &T.OnChangeNames,
                                                           &T.OnChangeAttrib, &T.OnChangeCellState} {
        for (std::size_t K = 0; K < FEvents.size(); ++K) FSaved[K] = std::exchange(*FEvents[K], nullptr);
    }
    ~TParkedNotifications() {
        for (std::size_t K = 0; K < FEvents.size(); ++K) *FEvents[K] = std::move(FSaved[K]);
    }
    TParkedNotifications(const TParkedNotifications&) = delete;
    TParkedNotifications& operator=(const TParkedNotifications&) = delete;

private:
    std::array<TNotifyEvent*, 5> FEvents;
    std::array<TNotifyEvent, 5> FSaved;
};

// Copies the overlap of a [column][row] array, each column read at most as far as the
// first column's length and its own, through Write(c, r, value); -1 when the array's
// size differs from NC x NR or it is ragged, else 0. Copied := whether any cell was written.
template <class T, class WriteFn>
std::int32_t CopyOverlap(const std::vector<std::vector<T>>& Src, std::int32_t NC, std::int32_t NR, bool& Copied,
                         WriteFn&& Write) {
    Copied = false;
    if (Src.empty()) return NC == 0 ? 0 : -1;
    const std::size_t Len = Src[0].size();
    const bool Ragged = std::any_of(Src.begin(), Src.end(), [Len](const auto& Col) { return Col.size() != Len; });
    const std::size_t Cols = std::min(Src.size(), static_cast<std::size_t>(NC));
    const std::size_t Rows = std::min(Len, static_cast<std::size_t>(NR));
    for (std::size_t C = 0; C < Cols; ++C) {
        const std::size_t N = std::min(Rows, Src[C].size());
        for (std::size_t R = 0; R < N; ++R)
            Write(static_cast<std::int32_t>(C + 1), static_cast<std::int32_t>(R + 1), static_cast<double>(Src[C][R]));
        Copied = Copied || N > 0;
    }
    return Ragged || Src.size() != static_cast<std::size_t>(NC) || Len != static_cast<std::size_t>(NR) ? -1 : 0;
}

}  // namespace

void TDataTable::ChangedAll() {
    ChangedData();
    ChangedCellStates();
    ChangedAttrib();
    ChangedNames();
    ChangedSetup();
}

// ---------------------------------------------------------------- inserting and removing

void TDataTable::MoveRowEntries(std::int32_t To, std::int32_t From) {
    SetRowAttrib(To, RowAttrib(From));
    SetRowName(To, RowName(From));
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) SetElem(C, To, static_cast<double>(Elem(C, From)));
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) SetCellState(C, To, CellState(C, From));
}

void TDataTable::BlankRowEntries(std::int32_t Row) {
    SetRowAttrib(Row, 0);
    SetRowName(Row, "");
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) SetElem(C, Row, 0);
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) SetCellState(C, Row, 0);
}

void TDataTable::MoveColumnEntries(std::int32_t To, std::int32_t From, bool CarryIDs) {
    SetColAttrib(To, ColAttrib(From));
    SetColName(To, ColName(From));
    // The scale first: a target identifier is stored only on a nominal or ordinal column.
    SetMScaleType(To, MScaleType(From));
    if (CarryIDs || IsCategorial(MScaleType(From)))
        for (std::int32_t K = 1; K <= MaxNominalIDs; ++K) SetNominalID(To, K, NominalID(From, K));
    for (std::int32_t R = 1; R <= FNrOfRows; ++R) SetElem(To, R, static_cast<double>(Elem(From, R)));
    for (std::int32_t R = 1; R <= FNrOfRows; ++R) SetCellState(To, R, CellState(From, R));
}

void TDataTable::BlankColumnEntries(std::int32_t Col) {
    SetColAttrib(Col, 0);
    SetColName(Col, "");
    SetMScaleType(Col, TMScaleType::stInterval);
    ClearNominalIDs(Col);
    for (std::int32_t R = 1; R <= FNrOfRows; ++R) SetElem(Col, R, 0);
    for (std::int32_t R = 1; R <= FNrOfRows; ++R) SetCellState(Col, R, 0);
}

void TDataTable::InsertRow(std::int32_t ix) {
    if (ix < 1 || std::int64_t{ix} > std::int64_t{FNrOfRows} + 1) return;
    SetNrRows(FNrOfRows + 1);
    {
        TMutedMatrix Muted(*this);
        for (std::int32_t R = FNrOfRows; R > ix; --R) MoveRowEntries(R, R - 1);
        BlankRowEntries(ix);
    }
    ChangedSetup();
}

void TDataTable::InsertColumn(std::int32_t ix) {
    if (ix < 1 || std::int64_t{ix} > std::int64_t{FNrOfCols} + 1) return;
    SetNrCols(FNrOfCols + 1);
    {
        TMutedMatrix Muted(*this);
        for (std::int32_t C = FNrOfCols; C > ix; --C) MoveColumnEntries(C, C - 1, true);
        BlankColumnEntries(ix);
    }
    ChangedSetup();
}

void TDataTable::RemoveRow(std::int32_t ix) {
    if (!InsideRow(ix) || FNrOfRows < 2) return;
    {
        TMutedMatrix Muted(*this);
        for (std::int32_t R = ix; R < FNrOfRows; ++R) MoveRowEntries(R, R + 1);
    }
    SetNrRows(FNrOfRows - 1);
    ChangedData();
    ChangedSetup();
}

void TDataTable::RemoveColumn(std::int32_t ix) {
    if (!InsideCol(ix) || FNrOfCols < 2) return;
    {
        TMutedMatrix Muted(*this);
        for (std::int32_t C = ix; C < FNrOfCols; ++C) MoveColumnEntries(C, C + 1, false);
    }
    SetNrCols(FNrOfCols - 1);
    ChangedData();
    ChangedSetup();
}

std::int32_t TDataTable::RemoveMarkedRows(std::int32_t FirstRow, std::int32_t LastRow, TCellState CState) {
    if (FirstRow == 0 && LastRow == 0) {
        FirstRow = 1;
        LastRow = FNrOfRows;
    }
    if (!InsideRow(FirstRow) || !InsideRow(LastRow)) return -1;
    TBitFld Marked(nullptr);
    Marked.SetSize(FNrOfRows);
    for (std::int32_t R = 1; R <= FNrOfRows; ++R) Marked.SetBit(R, IfRowHasCellState(R, CState));
    const std::int32_t N = Marked.CountTrueBits();
    if (N == 0) return 0;

    // Every kept row moves up to the next free position, in order.
    std::vector<std::int32_t> Kept;
    Kept.reserve(static_cast<std::size_t>(FNrOfRows - N));
    for (std::int32_t R = 1; R <= FNrOfRows; ++R)
        if (!Marked.GetBit(R)) Kept.push_back(R);
    for (std::size_t K = 0; K < Kept.size(); ++K) {
        FRowName[K] = FRowName[Ix(Kept[K])];
        FRowAtt[K] = FRowAtt[Ix(Kept[K])];
    }
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) {
        std::int32_t Rows = 0;
        double* V = ColumnValues(C, Rows);
        TCellState* S = &State(C, 1);
        for (std::size_t K = 0; K < Kept.size(); ++K) {
            const std::int32_t From = Kept[K];
            S[K] = S[Ix(From)];
            if (From <= Rows) V[K] = V[Ix(From)];
        }
    }
    Resize(FNrOfCols, FNrOfRows - N);
    ChangedAll();
    return N;
}

// ---------------------------------------------------------------- exchanges and mirrors

void TDataTable::ExchangeRows(std::int32_t r1, std::int32_t r2) {
    if (!InsideRow(r1) || !InsideRow(r2)) return;
    {
        TMutedMatrix Muted(*this);
        FNumData->ExchangeRows(r1, r2);
    }
    std::swap(FRowAtt[Ix(r1)], FRowAtt[Ix(r2)]);
    std::swap(FRowName[Ix(r1)], FRowName[Ix(r2)]);
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) std::swap(State(C, r1), State(C, r2));
    ChangedAll();
}

void TDataTable::ExchangeColumns(std::int32_t c1, std::int32_t c2) {
    if (!InsideCol(c1) || !InsideCol(c2)) return;
    {
        TMutedMatrix Muted(*this);
        FNumData->ExchangeColumns(c1, c2);
    }
    std::swap(FColAtt[Ix(c1)], FColAtt[Ix(c2)]);
    std::swap(FColName[Ix(c1)], FColName[Ix(c2)]);
    std::swap(FVType[Ix(c1)], FVType[Ix(c2)]);
    if (c1 != c2 && FNrOfRows > 0) std::swap_ranges(&State(c1, 1), &State(c1, 1) + FNrOfRows, &State(c2, 1));
    ChangedAll();
}

void TDataTable::MirrorRows() {
    {
        TMutedMatrix Muted(*this);
        FNumData->MirrorRows();
    }
    std::reverse(FRowAtt.begin(), FRowAtt.end());
    std::reverse(FRowName.begin(), FRowName.end());
    for (std::int32_t C = 1; C <= FNrOfCols && FNrOfRows > 0; ++C) std::reverse(&State(C, 1), &State(C, 1) + FNrOfRows);
    ChangedAll();
}

void TDataTable::MirrorColumns() {
    {
        TMutedMatrix Muted(*this);
        FNumData->MirrorColumns();
    }
    std::reverse(FColAtt.begin(), FColAtt.end());
    std::reverse(FColName.begin(), FColName.end());
    std::reverse(FVType.begin(), FVType.end());
    for (std::int32_t C = 1, D = FNrOfCols; C < D && FNrOfRows > 0; ++C, --D)
        std::swap_ranges(&State(C, 1), &State(C, 1) + FNrOfRows, &State(D, 1));
    ChangedAll();
}

// ---------------------------------------------------------------- cell states of the whole table

void TDataTable::SetAllCellStates(TCellState CellState) {
    std::fill(FCState.begin(), FCState.end(), CellState);
    ChangedCellStates();
}

void TDataTable::UnmarkAllCells() {
    for (TCellState& S : FCState) S = static_cast<TCellState>(S & ~(csMark1 | csMark2));
    ChangedCellStates();
}

void TDataTable::InvertCellStates(TCellState StateMask) {
    for (TCellState& S : FCState) S = static_cast<TCellState>(S ^ StateMask);
    ChangedCellStates();
}

void TDataTable::ExchangeMarkings() {
    for (TCellState& S : FCState) {
        const TCellState Swapped = static_cast<TCellState>(((S & csMark1) != 0 ? csMark2 : 0) | ((S & csMark2) != 0 ? csMark1 : 0));
        S = static_cast<TCellState>((S & ~(csMark1 | csMark2)) | Swapped);
    }
    ChangedCellStates();
}

// ---------------------------------------------------------------- sorts

void TDataTable::SortByValues(bool OnColumns, std::int32_t KeyIx, bool Ascending, std::int32_t LowCol,
                              std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow, bool IncludeHeaders) {
    if (OnColumns ? !InsideRow(KeyIx) : !InsideCol(KeyIx)) return;
    FSortIncludeHd = IncludeHeaders;
    // The key's states move with its values while this sort runs (ExchangeDuringSort).
    struct TKey {
        std::int32_t& K;
        ~TKey() { K = 0; }
    } Key{FSortKey};
    FSortKey = KeyIx;
    if (OnColumns)
        FNumData->SortCols(KeyIx, Ascending, LowCol, LowRow, HighCol, HighRow);
    else
        FNumData->SortRows(KeyIx, Ascending, LowCol, LowRow, HighCol, HighRow);
    if (IncludeHeaders) {
        ChangedNames();
        ChangedAttrib();
    }
}

void TDataTable::SortRows(std::int32_t SortColIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                          std::int32_t HighCol, std::int32_t HighRow, bool IncludeHeaders) {
    SortByValues(false, SortColIx, Ascending, LowCol, LowRow, HighCol, HighRow, IncludeHeaders);
}

void TDataTable::SortCols(std::int32_t SortRowIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                          std::int32_t HighCol, std::int32_t HighRow, bool IncludeHeaders) {
    SortByValues(true, SortRowIx, Ascending, LowCol, LowRow, HighCol, HighRow, IncludeHeaders);
}

void TDataTable::SortByHeader(bool OnColumns, bool ByName, bool Ascending, bool IgnoreCase, std::int32_t LowCol,
                              std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow) {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    // The sorted range and the other one, whose values and states move.
    const std::int32_t Lo = OnColumns ? LowCol : LowRow, Hi = OnColumns ? HighCol : HighRow;
    const std::int32_t OtherLo = OnColumns ? LowRow : LowCol, OtherHi = OnColumns ? HighRow : HighCol;
    if (Hi - Lo < 1) return;
    std::vector<TDTNameStr>& Names = OnColumns ? FColName : FRowName;
    TIntArray& Atts = OnColumns ? FColAtt : FRowAtt;
    auto OutOfOrder = [&](std::int32_t I, std::int32_t J) {
        const int D = ByName ? CompareNames(Names[Ix(I)], Names[Ix(J)], IgnoreCase)
                             : (Atts[Ix(I)] > Atts[Ix(J)]) - (Atts[Ix(I)] < Atts[Ix(J)]);
        return Ascending ? D > 0 : D < 0;
    };
    detail::CombRange(Lo, Hi, OutOfOrder, [&](std::int32_t I, std::int32_t J) {
        std::swap(Names[Ix(I)], Names[Ix(J)]);
        std::swap(Atts[Ix(I)], Atts[Ix(J)]);
        if (OnColumns) std::swap(FVType[Ix(I)], FVType[Ix(J)]);
        // Values through the matrix's element setter: never a path that reports sort
        // exchanges, which would move the states a second time.
        for (std::int32_t K = OtherLo; K <= OtherHi; ++K) {
            const std::int32_t C1 = OnColumns ? I : K, R1 = OnColumns ? K : I;
            const std::int32_t C2 = OnColumns ? J : K, R2 = OnColumns ? K : J;
            const double A = CellValue(C1, R1), B = CellValue(C2, R2);
            FNumData->SetElem(C1, R1, B);
            FNumData->SetElem(C2, R2, A);
            std::swap(State(C1, R1), State(C2, R2));
        }
        if (OnSortExchange) OnSortExchange(this, OnColumns ? 1 : 2, I, J, OtherLo, OtherHi);
    });
    ChangedData();
    if (ByName)
        ChangedNames();
    else
        ChangedAttrib();
}

void TDataTable::SortRowAttributes(bool Ascending, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                   std::int32_t HighRow) {
    SortByHeader(false, false, Ascending, false, LowCol, LowRow, HighCol, HighRow);
}

void TDataTable::SortRowNames(bool Ascending, bool IgnoreCase, std::int32_t LowCol, std::int32_t LowRow,
                              std::int32_t HighCol, std::int32_t HighRow) {
    SortByHeader(false, true, Ascending, IgnoreCase, LowCol, LowRow, HighCol, HighRow);
}

void TDataTable::SortColAttributes(bool Ascending, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                   std::int32_t HighRow) {
    SortByHeader(true, false, Ascending, false, LowCol, LowRow, HighCol, HighRow);
}

void TDataTable::SortColNames(bool Ascending, bool IgnoreCase, std::int32_t LowCol, std::int32_t LowRow,
                              std::int32_t HighCol, std::int32_t HighRow) {
    SortByHeader(true, true, Ascending, IgnoreCase, LowCol, LowRow, HighCol, HighRow);
}

// ---------------------------------------------------------------- lookups

std::int32_t TDataTable::FindColIndex(const TDTNameStr& ColID) const { return FindName(FColName, ColID); }

std::int32_t TDataTable::FindRowIndex(const TDTNameStr& RowID) const { return FindName(FRowName, RowID); }

// ---------------------------------------------------------------- copies between the table and arrays

std::int32_t TDataTable::CopyDataColumnToArray(std::int32_t Col, TDoubleArray& DstArray) const {
    if (!InsideCol(Col)) return -1;
    TDoubleArray A(static_cast<std::size_t>(FNrOfRows));
    std::int32_t Rows = 0;
    const double* P = ColumnValues(Col, Rows);
    std::copy_n(P, Rows, A.begin());
    DstArray.swap(A);
    return 0;
}

std::int32_t TDataTable::CopyDataRowToArray(std::int32_t Row, TDoubleArray& DstArray) const {
    if (!InsideRow(Row)) return -1;
    TDoubleArray A(static_cast<std::size_t>(FNrOfCols));
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) A[Ix(C)] = CellValue(C, Row);
    DstArray.swap(A);
    return 0;
}

std::int32_t TDataTable::CopyDataColumnFromArray(std::int32_t Col, const TDoubleArray& SrcArray) {
    if (!InsideCol(Col)) return -1;
    {
        TMutedMatrix Muted(*this);
        const auto N = std::min<std::size_t>(SrcArray.size(), static_cast<std::size_t>(FNrOfRows));
        for (std::size_t R = 0; R < N; ++R) FNumData->SetElem(Col, static_cast<std::int32_t>(R + 1), SrcArray[R]);
    }
    ChangedData();
    return 0;
}

std::int32_t TDataTable::CopyDataRowFromArray(std::int32_t Row, const TDoubleArray& SrcArray) {
    if (!InsideRow(Row)) return -1;
    {
        TMutedMatrix Muted(*this);
        const auto N = std::min<std::size_t>(SrcArray.size(), static_cast<std::size_t>(FNrOfCols));
        for (std::size_t C = 0; C < N; ++C) FNumData->SetElem(static_cast<std::int32_t>(C + 1), Row, SrcArray[C]);
    }
    ChangedData();
    return 0;
}

void TDataTable::CopyDataToArray(TDouble2DArray& DstArray) const {
    TDouble2DArray A(static_cast<std::size_t>(FNrOfCols), TDoubleArray(static_cast<std::size_t>(FNrOfRows)));
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) {
        std::int32_t Rows = 0;
        const double* P = ColumnValues(C, Rows);
        std::copy_n(P, Rows, A[Ix(C)].begin());
    }
    DstArray.swap(A);
}

template <class T>
std::int32_t TDataTable::CopyDataFromArrayOf(const std::vector<std::vector<T>>& SrcArray) {
    bool Copied = false;
    std::int32_t Res = 0;
    {
        TMutedMatrix Muted(*this);
        Res = CopyOverlap(SrcArray, FNrOfCols, FNrOfRows, Copied,
                          [this](std::int32_t C, std::int32_t R, double V) { FNumData->SetElem(C, R, V); });
    }
    if (Copied) ChangedData();
    return Res;
}

std::int32_t TDataTable::CopyDataFromArray(const TDouble2DArray& SrcArray) { return CopyDataFromArrayOf(SrcArray); }

std::int32_t TDataTable::CopyDataFromArray(const TInt2DArray& SrcArray) { return CopyDataFromArrayOf(SrcArray); }

// ---------------------------------------------------------------- copies between tables

void TDataTable::CopyContentsFrom(const TDataTable* ExtTab) {
    if (ExtTab == nullptr) return;
    const std::int32_t OldC = FNrOfCols, OldR = FNrOfRows;
    const std::int32_t NC = ExtTab->FNrOfCols, NR = ExtTab->FNrOfRows;
    // Everything of the source first (the source may be this table).
    std::vector<double> Values(static_cast<std::size_t>(NC) * static_cast<std::size_t>(NR));
    for (std::int32_t C = 1; C <= NC; ++C)
        for (std::int32_t R = 1; R <= NR; ++R)
            Values[Ix(C) * static_cast<std::size_t>(NR) + Ix(R)] = static_cast<double>(ExtTab->Elem(C, R));
    std::string Comment = ExtTab->FComment;
    std::vector<TDTNameStr> ColNames = ExtTab->FColName, RowNames = ExtTab->FRowName;
    TIntArray ColAtts = ExtTab->FColAtt, RowAtts = ExtTab->FRowAtt;
    std::vector<TVTypeSpec> VTypes = ExtTab->FVType;
    std::vector<TCellState> States = ExtTab->FCState;
    {
        TParkedNotifications Parked(*this);
        Resize(NC, NR);
        FComment.swap(Comment);
        FColName.swap(ColNames);
        FRowName.swap(RowNames);
        FColAtt.swap(ColAtts);
        FRowAtt.swap(RowAtts);
        FVType.swap(VTypes);
        FCState.swap(States);
        TMutedMatrix Muted(*this);
        for (std::int32_t C = 1; C <= NC; ++C)
            for (std::int32_t R = 1; R <= NR; ++R) FNumData->SetElem(C, R, Values[Ix(C) * static_cast<std::size_t>(NR) + Ix(R)]);
    }
    ChangedData();
    ChangedCellStates();
    ChangedSetup();
    ChangedNames();
    ChangedAttrib();
    FireResize(OldC, OldR);
}

bool TDataTable::CopyCellStatesFrom(const TDataTable* ExtTab) {
    if (ExtTab == nullptr || ExtTab->FNrOfCols != FNrOfCols || ExtTab->FNrOfRows != FNrOfRows) return false;
    if (ExtTab != this) FCState = ExtTab->FCState;
    ChangedCellStates();
    return true;
}

void TDataTable::CopyFrom(const TDataTable* ExtTab, std::int32_t SourceColLo, std::int32_t SourceRowLo,
                          std::int32_t SourceColHi, std::int32_t SourceRowHi, std::int32_t DestCol,
                          std::int32_t DestRow) {
    if (ExtTab == nullptr) return;
    auto Clamp = [](std::int32_t& Lo, std::int32_t& Hi, std::int32_t N) {
        Lo = std::clamp(Lo, 1, N);
        Hi = std::clamp(Hi, 1, N);
        if (Hi < Lo) std::swap(Lo, Hi);
    };
    const std::int32_t SNC = ExtTab->FNrOfCols, SNR = ExtTab->FNrOfRows;
    if (SNC > 0 && SNR > 0) {
        Clamp(SourceColLo, SourceColHi, SNC);
        Clamp(SourceRowLo, SourceRowHi, SNR);
        // The block first, so that the table may copy onto itself.
        const auto BC = static_cast<std::size_t>(SourceColHi - SourceColLo + 1);
        const auto BR = static_cast<std::size_t>(SourceRowHi - SourceRowLo + 1);
        std::vector<double> Values(BC * BR);
        std::vector<TCellState> States(BC * BR);
        for (std::size_t C = 0; C < BC; ++C)
            for (std::size_t R = 0; R < BR; ++R) {
                const auto SC = static_cast<std::int32_t>(SourceColLo + static_cast<std::int32_t>(C));
                const auto SR = static_cast<std::int32_t>(SourceRowLo + static_cast<std::int32_t>(R));
                Values[C * BR + R] = static_cast<double>(ExtTab->Elem(SC, SR));
                States[C * BR + R] = ExtTab->State(SC, SR);
            }
        TMutedMatrix Muted(*this);
        for (std::size_t C = 0; C < BC; ++C) {
            const std::int64_t DC = std::int64_t{DestCol} + static_cast<std::int64_t>(C);
            if (DC < 1 || DC > FNrOfCols) continue;
            for (std::size_t R = 0; R < BR; ++R) {
                const std::int64_t DR = std::int64_t{DestRow} + static_cast<std::int64_t>(R);
                if (DR < 1 || DR > FNrOfRows) continue;
                FNumData->SetElem(static_cast<std::int32_t>(DC), static_cast<std::int32_t>(DR), Values[C * BR + R]);
                State(static_cast<std::int32_t>(DC), static_cast<std::int32_t>(DR)) = States[C * BR + R];
            }
        }
    }
    ChangedData();
    ChangedCellStates();
}

// ---------------------------------------------------------------- fingerprints

std::string TDataTable::CRCofNamesAndAttributes() const {
    detail::TCrc8Registers Crc;
    // The bytes of a text at positions 1, 2, ...
    auto FeedText = [&Crc](const std::string& S) {
        for (std::size_t P = 0; P < S.size(); ++P) Crc.FeedByte(P + 1, static_cast<unsigned char>(S[P]));
    };
    auto LowByte = [](std::int32_t V) { return static_cast<unsigned char>(static_cast<std::uint32_t>(V) & 0xFFu); };
    FeedText(FComment);
    for (const TDTNameStr& N : FColName) FeedText(N);
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) Crc.FeedByte(static_cast<std::size_t>(C), LowByte(FColAtt[Ix(C)]));
    for (const TDTNameStr& N : FRowName) FeedText(N);
    for (std::int32_t R = 1; R <= FNrOfRows; ++R) Crc.FeedByte(static_cast<std::size_t>(R), LowByte(FRowAtt[Ix(R)]));
    for (std::int32_t C = 1; C <= FNrOfCols; ++C)
        Crc.FeedByte(static_cast<std::size_t>(C), static_cast<unsigned char>(FVType[Ix(C)].MScaleType));
    for (const TVTypeSpec& V : FVType)
        for (std::int32_t K = 1; K <= V.HighestSlot(); ++K) FeedText(V.ID(K));
    return Crc.Text();
}

std::string TDataTable::CRCofCellStates() const {
    detail::TCrc8Registers Crc;
    for (std::int32_t C = 1; C <= FNrOfCols; ++C)
        for (std::int32_t R = 1; R <= FNrOfRows; ++R) Crc.FeedByte(static_cast<std::size_t>(R), State(C, R));
    return Crc.Text();
}

}  // namespace qmr
