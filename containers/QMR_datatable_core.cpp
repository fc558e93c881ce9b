// TDataTable: storage, construction, copying, adopting a matrix, sizing, cells, names,
// attributes, scales, the nominal dictionary and the notifications.
#include "containers/QMR_datatable.h"
#include "containers/QMR_container_range.h"
#include "containers/QMR_datatable_cells.h"
#include "platform/Qmr_stringl.h"
#include "platform/rtl_text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include <tuple>
#include <utility>

namespace qmr {

namespace {
constexpr const char* kNoMemHeap = "not enough memory on heap";
constexpr const char* kInitFailed = "failed to initialize (out of memory)";
constexpr const char* kDictionaryFull = "number of available nominal values exceeded";

// Characters of a UTF-8 text: every byte that does not continue a sequence.
std::int32_t Utf8Length(const std::string& S) noexcept {
    return static_cast<std::int32_t>(
        std::count_if(S.begin(), S.end(), [](char C) { return (static_cast<unsigned char>(C) & 0xC0) != 0x80; }));
}

std::int32_t LongestName(const std::vector<TDTNameStr>& Names) noexcept {
    std::int32_t L = 0;
    for (const TDTNameStr& N : Names) L = std::max(L, Utf8Length(N.str()));
    return L;
}
}  // namespace

// ---------------------------------------------------------------- variable type

const TNominalIDStr& TVTypeSpec::ID(std::int32_t Ord) const noexcept {
    static const TNominalIDStr Free;
    if (Ord < 1 || Ord > HighestSlot()) return Free;
    return FIDs[static_cast<std::size_t>(Ord - 1)];
}

void TVTypeSpec::SetID(std::int32_t Ord, const TNominalIDStr& Value) {
    if (Ord < 1 || Ord > MaxNominalIDs) return;
    const auto Ix = static_cast<std::size_t>(Ord - 1);
    if (Value.empty()) {
        if (Ix >= FIDs.size()) return;
        FIDs[Ix] = Value;
        while (!FIDs.empty() && FIDs.back().empty()) FIDs.pop_back();
        return;
    }
    if (Ix >= FIDs.size()) FIDs.resize(Ix + 1);
    FIDs[Ix] = Value;
}

std::int32_t TVTypeSpec::CountIDs() const noexcept {
    return static_cast<std::int32_t>(
        std::count_if(FIDs.begin(), FIDs.end(), [](const TNominalIDStr& S) { return !S.empty(); }));
}

std::int32_t TVTypeSpec::FirstFreeSlot() const noexcept {
    for (std::size_t I = 0; I < FIDs.size(); ++I)
        if (FIDs[I].empty()) return static_cast<std::int32_t>(I + 1);
    return HighestSlot() < MaxNominalIDs ? HighestSlot() + 1 : 0;
}

// ---------------------------------------------------------------- arrays of one size

TDataTable::TSizedArrays TDataTable::ResizedArrays(std::int32_t NrCols, std::int32_t NrRows) const {
    TSizedArrays A;
    A.NC = NrCols;
    A.NR = NrRows;
    const auto NC = static_cast<std::size_t>(NrCols);
    const auto NR = static_cast<std::size_t>(NrRows);
    // The matrix refuses more cells than a vector of doubles can hold: refuse them here
    // before anything is allocated.
    if (std::max<std::size_t>(NC, 1) > TDoubleArray().max_size() / std::max<std::size_t>(NR, 1)) RaiseNoMemory();
    try {
        const std::int32_t KeepC = std::min(NrCols, FNrOfCols);
        const std::int32_t KeepR = std::min(NrRows, FNrOfRows);
        A.CState.assign(NC * NR, 0);
        if (KeepR > 0)
            for (std::int32_t C = 1; C <= KeepC; ++C)
                std::copy_n(&State(C, 1), KeepR,
                            A.CState.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(C - 1) * NR));
        A.ColName.reserve(NC);
        A.ColName.assign(FColName.begin(), FColName.begin() + KeepC);
        for (std::int32_t C = KeepC + 1; C <= NrCols; ++C) A.ColName.emplace_back(detail::DefaultColName(C));
        A.RowName.reserve(NR);
        A.RowName.assign(FRowName.begin(), FRowName.begin() + KeepR);
        for (std::int32_t R = KeepR + 1; R <= NrRows; ++R) A.RowName.emplace_back(detail::DefaultRowName(R));
        A.ColAtt.assign(FColAtt.begin(), FColAtt.begin() + KeepC);
        A.ColAtt.resize(NC, 0);
        A.RowAtt.assign(FRowAtt.begin(), FRowAtt.begin() + KeepR);
        A.RowAtt.resize(NR, 0);
        A.VType.assign(FVType.begin(), FVType.begin() + KeepC);
        A.VType.resize(NC);
    } catch (const std::bad_alloc&) {
        RaiseNoMemory();
    } catch (const std::length_error&) {
        RaiseNoMemory();
    }
    return A;
}

void TDataTable::CommitArrays(TSizedArrays& A) noexcept {
    FNrOfCols = A.NC;
    FNrOfRows = A.NR;
    FRowAtt.swap(A.RowAtt);
    FColAtt.swap(A.ColAtt);
    FVType.swap(A.VType);
    FCState.swap(A.CState);
    FColName.swap(A.ColName);
    FRowName.swap(A.RowName);
}

void TDataTable::RaiseNoMemory() const { throw EQMRDataTableError(ComponentMessage(this, kNoMemHeap)); }

// ---------------------------------------------------------------- construction

TDataTable::TDataTable(TComponent* AOwner) : TComponent(AOwner) {
    try {
        FOwnMat = std::make_unique<TMatrix>(nullptr);  // 1 x 1 holding 0
        FCState.assign(1, 0);
        FColName.emplace_back(detail::DefaultColName(1));
        FRowName.emplace_back(detail::DefaultRowName(1));
        FRowAtt.assign(1, 0);
        FColAtt.assign(1, 0);
        FVType.resize(1);
    } catch (const std::bad_alloc&) {
        FOwnMat.reset();
        throw EQMRDataTableError(ComponentMessage(this, kInitFailed));
    } catch (const EQMRError&) {
        FOwnMat.reset();
        throw EQMRDataTableError(ComponentMessage(this, kInitFailed));
    }
    FNumData = FOwnMat.get();
    InstallHooks(FNumData);
}

TDataTable::~TDataTable() {
    if (FNumData != FOwnMat.get()) {
        DetachHooks(FNumData);
        FNumData->RemoveFreeNotification(this);
    }
}

std::string TDataTable::ClassName() const { return "TDataTable"; }

void TDataTable::InstallHooks(TMatrix* M) {
    M->OnChange = [this](TObject* Sender) { DataHasChanged(Sender); };
    M->OnSortExchange = [this](TObject* Sender, std::uint8_t What, std::int32_t I1, std::int32_t I2,
                               std::int32_t First, std::int32_t Last) {
        ExchangeDuringSort(Sender, What, I1, I2, First, Last);
    };
}

void TDataTable::DetachHooks(TMatrix* M) noexcept {
    M->OnChange = nullptr;
    M->OnSortExchange = nullptr;
}

const double* TDataTable::ColumnValues(std::int32_t ACol, std::int32_t& Rows) const noexcept {
    const TMatrix& M = *FNumData;
    if (ACol < 1 || ACol > M.FNCol) {
        Rows = 0;
        return nullptr;
    }
    Rows = std::min(FNrOfRows, M.FNRow);
    return M.Column(ACol);
}

double* TDataTable::ColumnValues(std::int32_t ACol, std::int32_t& Rows) noexcept {
    return const_cast<double*>(std::as_const(*this).ColumnValues(ACol, Rows));
}

double TDataTable::CellValue(std::int32_t ACol, std::int32_t ARow) const noexcept {
    std::int32_t Rows = 0;
    const double* P = ColumnValues(ACol, Rows);
    return ARow >= 1 && ARow <= Rows ? P[ARow - 1] : 0.0;
}

// ---------------------------------------------------------------- copying and adopting

void TDataTable::Assign(const TPersistent* Source) {
    const auto* Src = dynamic_cast<const TDataTable*>(Source);
    if (Src == nullptr) {
        TComponent::Assign(Source);
        return;
    }
    if (Src == this) return;
    // The eight handlers of a table, in one list for copying them out and in.
    auto HandlersOf = [](auto& T) {
        return std::tie(T.OnChange, T.OnChangeSetup, T.OnChangeNames, T.OnChangeCellState, T.OnChangeAttrib,
                        T.OnPercentDone, T.OnResize, T.OnSortExchange);
    };
    // Copy everything aside first (handlers too: copying one may allocate), so that a
    // failure leaves the table as it was.
    TSizedArrays A;
    std::string Comment;
    std::tuple<TNotifyEvent, TNotifyEvent, TNotifyEvent, TNotifyEvent, TNotifyEvent, TOnPercentDoneEvent,
               TDataTableResizeEvent, TSortExchgEvent>
        Handlers;
    try {
        A = {Src->FNrOfCols, Src->FNrOfRows, Src->FRowAtt, Src->FColAtt, Src->FVType, Src->FCState, Src->FColName,
             Src->FRowName};
        Comment = Src->FComment;
        Handlers = HandlersOf(*Src);
    } catch (const std::bad_alloc&) {
        RaiseNoMemory();
    }
    // The matrix copy takes the source matrix's handlers along: install ours again.
    FNumData->Assign(Src->FNumData);
    InstallHooks(FNumData);
    CommitArrays(A);
    FComment.swap(Comment);
    FSortIncludeHd = Src->FSortIncludeHd;
    HandlersOf(*this) = std::move(Handlers);
}

void TDataTable::AssignTo(TPersistent* Dest) const {
    if (auto* D = dynamic_cast<TDataTable*>(Dest)) {
        D->Assign(this);
        return;
    }
    TComponent::AssignTo(Dest);
}

void TDataTable::AssignAnotherDataMatrix(TMatrix* NewDMat) {
    if (NewDMat == nullptr || NewDMat == FNumData) return;
    const std::int32_t OldC = FNrOfCols, OldR = FNrOfRows;
    const bool SizeChanges = NewDMat->NrOfColumns() != OldC || NewDMat->NrOfRows() != OldR;
    // Everything that can fail comes first.
    TSizedArrays A;
    if (SizeChanges) A = ResizedArrays(NewDMat->NrOfColumns(), NewDMat->NrOfRows());
    NewDMat->FreeNotification(this);

    // Setup and data notifications wait until the table is complete.
    struct TParked {
        TDataTable& T;
        TNotifyEvent Change, Setup;
        explicit TParked(TDataTable& Table)
            : T(Table), Change(std::move(Table.OnChange)), Setup(std::move(Table.OnChangeSetup)) {
            T.OnChange = nullptr;
            T.OnChangeSetup = nullptr;
        }
        ~TParked() {
            T.OnChange = std::move(Change);
            T.OnChangeSetup = std::move(Setup);
        }
    };
    {
        TParked Parked(*this);
        // Let go of the previous matrix: the own one is freed, an adopted one detached.
        TMatrix* Old = FNumData;
        if (Old == FOwnMat.get()) {
            FOwnMat.reset();
        } else {
            DetachHooks(Old);
            Old->RemoveFreeNotification(this);
        }
        FNumData = NewDMat;
        InstallHooks(FNumData);
        if (SizeChanges) {
            CommitArrays(A);
            FireResize(OldC, OldR);
        }
        for (TVTypeSpec& V : FVType) V.MScaleType = TMScaleType::stInterval;
        FireResize(OldC, OldR);
    }
    ChangedData();
    ChangedSetup();
    ChangedNames();
    ChangedAttrib();
    ChangedCellStates();
}

void TDataTable::Notification(TComponent* AComponent) {
    TComponent::Notification(AComponent);
    if (AComponent != FNumData || FNumData == FOwnMat.get()) return;
    // The adopted matrix is gone (do not touch it): carry on with an own one of zeros.
    FNumData = nullptr;
    try {
        FOwnMat = std::make_unique<TMatrix>(nullptr);
        FOwnMat->Resize(FNrOfCols, FNrOfRows);
    } catch (const std::exception&) {
        // Not even that memory: an empty table keeps every invariant.
        TSizedArrays Empty;
        CommitArrays(Empty);
        if (!FOwnMat) FOwnMat = std::make_unique<TMatrix>(nullptr);
        FOwnMat->Resize(0, 0);
    }
    FNumData = FOwnMat.get();
    InstallHooks(FNumData);
}

// ---------------------------------------------------------------- size

void TDataTable::Resize(std::int32_t NrCols, std::int32_t NrRows) {
    if (NrCols < 0 || NrRows < 0) return;
    if (NrCols == FNrOfCols && NrRows == FNrOfRows) return;
    const std::int32_t OldC = FNrOfCols, OldR = FNrOfRows;
    TSizedArrays A = ResizedArrays(NrCols, NrRows);
    {
        TMutedMatrix Muted(*this);
        try {
            FNumData->Resize(NrCols, NrRows);
        } catch (const EQMRError&) {
            RaiseNoMemory();
        }
    }
    CommitArrays(A);
    FireResize(OldC, OldR);
}

void TDataTable::FireResize(std::int32_t OldCols, std::int32_t OldRows) {
    if (OnResize) OnResize(this, OldCols, OldRows, FNrOfCols, FNrOfRows);
}

void TDataTable::Clear() {
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) FColName[static_cast<std::size_t>(C - 1)] = detail::DefaultColName(C);
    for (std::int32_t R = 1; R <= FNrOfRows; ++R) FRowName[static_cast<std::size_t>(R - 1)] = detail::DefaultRowName(R);
    std::fill(FCState.begin(), FCState.end(), TCellState{0});
    std::fill(FRowAtt.begin(), FRowAtt.end(), 0);
    std::fill(FColAtt.begin(), FColAtt.end(), 0);
    for (TVTypeSpec& V : FVType) V = TVTypeSpec{};
    FComment.clear();
    FNumData->Fill(0);
    ChangedNames();
    ChangedAttrib();
    ChangedCellStates();
    ChangedSetup();
}

void TDataTable::PercDone(TObject* /*Sender*/, std::int32_t Percent) {
    if (OnPercentDone) OnPercentDone(this, Percent);
}

void TDataTable::MakeValidColRange(std::int32_t& LowCol, std::int32_t& HighCol) const noexcept {
    detail::NormaliseRange(LowCol, HighCol, FNrOfCols);
}

void TDataTable::MakeValidRowRange(std::int32_t& LowRow, std::int32_t& HighRow) const noexcept {
    detail::NormaliseRange(LowRow, HighRow, FNrOfRows);
}

// ---------------------------------------------------------------- cells

Extended TDataTable::Elem(std::int32_t ACol, std::int32_t ARow) const noexcept {
    if (!Inside(ACol, ARow)) return 0;
    const double V = CellValue(ACol, ARow);
    return IsCategorial(FVType[static_cast<std::size_t>(ACol - 1)].MScaleType) ? detail::RoundHalfToEven(V) : V;
}

void TDataTable::SetElem(std::int32_t ACol, std::int32_t ARow, double Value) {
    if (!Inside(ACol, ARow)) return;
    FNumData->SetElem(ACol, ARow, Value);
    ChangedData();
}

TNominalIDStr TDataTable::ElemNominal(std::int32_t ACol, std::int32_t ARow) const {
    if (!Inside(ACol, ARow)) return {};
    const TVTypeSpec& VT = FVType[static_cast<std::size_t>(ACol - 1)];
    if (!IsCategorial(VT.MScaleType)) return {};
    const double V = CellValue(ACol, ARow);
    std::int64_t K = 0;
    // NaN, infinities and values beyond 64 bits (integers already) are written as they are.
    if (!detail::CheckedRoundToInt64(V, K)) return TNominalIDStr(strff(V, 1, 0));
    if (K >= 1 && K <= MaxNominalIDs) return VT.ID(static_cast<std::int32_t>(K));
    return TNominalIDStr(std::to_string(K));
}

void TDataTable::SetElemNominal(std::int32_t ACol, std::int32_t ARow, const TNominalIDStr& Value) {
    if (!Inside(ACol, ARow)) return;
    std::int32_t K = 0;
    if (!Value.empty()) {
        K = OrdinalOfNominalID(ACol, Value, true);
        if (K < 1) {
            TVTypeSpec& VT = FVType[static_cast<std::size_t>(ACol - 1)];
            K = VT.FirstFreeSlot();
            if (K < 1) throw EQMRDataTableError(ComponentMessage(this, kDictionaryFull));
            VT.SetID(K, Value);
        }
    }
    FNumData->SetElem(ACol, ARow, K);
    ChangedData();
}

TCellState TDataTable::CellState(std::int32_t ACol, std::int32_t ARow) const noexcept {
    return Inside(ACol, ARow) ? State(ACol, ARow) : TCellState{0};
}

void TDataTable::SetCellState(std::int32_t ACol, std::int32_t ARow, TCellState Value) {
    if (!Inside(ACol, ARow) || State(ACol, ARow) == Value) return;
    State(ACol, ARow) = Value;
    ChangedCellStates();
}

bool TDataTable::IsNumber(std::int32_t ACol, std::int32_t ARow) const noexcept {
    return IsValidCellState(CellState(ACol, ARow));
}

bool TDataTable::IsEmpty(std::int32_t ACol, std::int32_t ARow) const noexcept {
    return (CellState(ACol, ARow) & csEmpty) != 0;
}

bool TDataTable::IsImputed(std::int32_t ACol, std::int32_t ARow) const noexcept {
    return (CellState(ACol, ARow) & csImputed) != 0;
}

void TDataTable::SetIsEmpty(std::int32_t ACol, std::int32_t ARow, bool Value) {
    const TCellState S = CellState(ACol, ARow);
    SetCellState(ACol, ARow, Value ? S | csEmpty : S & ~csEmpty);
    ChangedData();
}

void TDataTable::SetIsImputed(std::int32_t ACol, std::int32_t ARow, bool Value) {
    const TCellState S = CellState(ACol, ARow);
    SetCellState(ACol, ARow, Value ? S | csImputed : S & ~csImputed);
    ChangedData();
}

// ---------------------------------------------------------------- names, attributes, scales, comment

TDTNameStr TDataTable::ColName(std::int32_t ColNr) const {
    return InsideCol(ColNr) ? FColName[static_cast<std::size_t>(ColNr - 1)] : TDTNameStr{};
}

TDTNameStr TDataTable::RowName(std::int32_t RowNr) const {
    return InsideRow(RowNr) ? FRowName[static_cast<std::size_t>(RowNr - 1)] : TDTNameStr{};
}

void TDataTable::SetColName(std::int32_t ColNr, const TDTNameStr& HLine) {
    if (!InsideCol(ColNr)) return;
    FColName[static_cast<std::size_t>(ColNr - 1)] = HLine;
    ChangedNames();
}

void TDataTable::SetRowName(std::int32_t RowNr, const TDTNameStr& HLine) {
    if (!InsideRow(RowNr)) return;
    FRowName[static_cast<std::size_t>(RowNr - 1)] = HLine;
    ChangedNames();
}

std::int32_t TDataTable::MaxColNameLength() const noexcept { return LongestName(FColName); }

std::int32_t TDataTable::MaxRowNameLength() const noexcept { return LongestName(FRowName); }

std::int32_t TDataTable::RowAttrib(std::int32_t RowNr) const noexcept {
    return InsideRow(RowNr) ? FRowAtt[static_cast<std::size_t>(RowNr - 1)] : 0;
}

std::int32_t TDataTable::ColAttrib(std::int32_t ColNr) const noexcept {
    return InsideCol(ColNr) ? FColAtt[static_cast<std::size_t>(ColNr - 1)] : 0;
}

void TDataTable::SetRowAttrib(std::int32_t RowNr, std::int32_t Attrib) {
    if (!InsideRow(RowNr)) return;
    FRowAtt[static_cast<std::size_t>(RowNr - 1)] = Attrib;
    ChangedAttrib();
}

void TDataTable::SetColAttrib(std::int32_t ColNr, std::int32_t Attrib) {
    if (!InsideCol(ColNr)) return;
    FColAtt[static_cast<std::size_t>(ColNr - 1)] = Attrib;
    ChangedAttrib();
}

void TDataTable::SetRowAttributes(std::int32_t Attrib) {
    std::fill(FRowAtt.begin(), FRowAtt.end(), Attrib);
    ChangedAttrib();
}

void TDataTable::SetRowAttributes(std::int32_t Attrib, std::int32_t Mask) {
    for (std::int32_t& A : FRowAtt) A = (A & ~Mask) | (Attrib & Mask);
    ChangedAttrib();
}

void TDataTable::SetColAttributes(std::int32_t Attrib) {
    std::fill(FColAtt.begin(), FColAtt.end(), Attrib);
    ChangedAttrib();
}

void TDataTable::SetColAttributes(std::int32_t Attrib, std::int32_t Mask) {
    for (std::int32_t& A : FColAtt) A = (A & ~Mask) | (Attrib & Mask);
    ChangedAttrib();
}

TMScaleType TDataTable::MScaleType(std::int32_t ColNr) const noexcept {
    return InsideCol(ColNr) ? FVType[static_cast<std::size_t>(ColNr - 1)].MScaleType : TMScaleType::stUnknown;
}

void TDataTable::SetMScaleType(std::int32_t ColNr, TMScaleType MScaleType) {
    if (!InsideCol(ColNr) || !IsValidMScaleType(MScaleType)) return;
    FVType[static_cast<std::size_t>(ColNr - 1)].MScaleType = MScaleType;
    ChangedSetup();
}

void TDataTable::SetComment(const std::string& S) {
    FComment = RemoveControlChars(S);
    ChangedSetup();
}

// ---------------------------------------------------------------- nominal dictionary

std::int32_t TDataTable::OrdinalOfNominalID(std::int32_t Col, const TNominalIDStr& ID,
                                            bool IgnoreCase) const noexcept {
    if (!InsideCol(Col) || ID.empty()) return 0;
    const TVTypeSpec& VT = FVType[static_cast<std::size_t>(Col - 1)];
    if (!IsCategorial(VT.MScaleType)) return 0;
    for (std::int32_t K = 1; K <= VT.HighestSlot(); ++K) {
        const std::string& Slot = VT.ID(K);
        if (IgnoreCase ? detail::SameTextAscii(Slot, ID.str()) : Slot == ID.str()) return K;
    }
    return 0;
}

std::int32_t TDataTable::AddNominalID(std::int32_t Col, const TNominalIDStr& MScaleID) {
    if (!InsideCol(Col) || MScaleID.empty()) return 0;
    if (const std::int32_t K = OrdinalOfNominalID(Col, MScaleID, true); K > 0) return K;
    TVTypeSpec& VT = FVType[static_cast<std::size_t>(Col - 1)];
    const std::int32_t Slot = VT.FirstFreeSlot();
    if (Slot < 1) return 0;
    VT.SetID(Slot, MScaleID);
    VT.MScaleType = TMScaleType::stNominal;
    ChangedSetup();
    return Slot;
}

void TDataTable::SetNominalID(std::int32_t ColIx, std::int32_t OrdVal, const TNominalIDStr& MScaleID) {
    if (!InsideCol(ColIx) || OrdVal < 1 || OrdVal > MaxNominalIDs) return;
    TVTypeSpec& VT = FVType[static_cast<std::size_t>(ColIx - 1)];
    if (MScaleID.empty() || IsCategorial(VT.MScaleType)) VT.SetID(OrdVal, MScaleID);
    ChangedSetup();
}

TNominalIDStr TDataTable::NominalID(std::int32_t ColIx, std::int32_t OrdVal) const {
    if (!InsideCol(ColIx)) return {};
    const TVTypeSpec& VT = FVType[static_cast<std::size_t>(ColIx - 1)];
    return IsCategorial(VT.MScaleType) ? VT.ID(OrdVal) : TNominalIDStr{};
}

void TDataTable::ClearNominalIDs(std::int32_t Col) {
    if (!InsideCol(Col)) return;
    FVType[static_cast<std::size_t>(Col - 1)].ClearIDs();
    ChangedSetup();
}

std::int32_t TDataTable::CountNominalIDs(std::int32_t Col) const noexcept {
    return InsideCol(Col) ? FVType[static_cast<std::size_t>(Col - 1)].CountIDs() : 0;
}

TIntArray TDataTable::ListOfCategorialVars() const {
    TIntArray L;
    for (std::int32_t C = 1; C <= FNrOfCols; ++C)
        if (IsCategorial(FVType[static_cast<std::size_t>(C - 1)].MScaleType)) L.push_back(C);
    return L;
}

// ---------------------------------------------------------------- notifications

void TDataTable::ChangedData() {
    if (OnChange) OnChange(this);
}

void TDataTable::ChangedSetup() {
    if (OnChangeSetup) OnChangeSetup(this);
}

void TDataTable::ChangedNames() {
    if (OnChangeNames) OnChangeNames(this);
}

void TDataTable::ChangedAttrib() {
    if (OnChangeAttrib) OnChangeAttrib(this);
}

void TDataTable::ChangedCellStates() {
    if (OnChangeCellState) OnChangeCellState(this);
}

void TDataTable::DataHasChanged(TObject* /*Sender*/) { ChangedData(); }

void TDataTable::ExchangeDuringSort(TObject* /*Sender*/, std::uint8_t ExchgWhat, std::int32_t Index1,
                                    std::int32_t Index2, std::int32_t First, std::int32_t Last) {
    auto Swap = [](auto& Vec, std::int32_t I, std::int32_t J) {
        std::swap(Vec[static_cast<std::size_t>(I - 1)], Vec[static_cast<std::size_t>(J - 1)]);
    };
    if (ExchgWhat == 1) {
        if (InsideCol(Index1) && InsideCol(Index2) && Index1 != Index2) {
            if (FSortIncludeHd) {
                Swap(FColAtt, Index1, Index2);
                Swap(FVType, Index1, Index2);
                Swap(FColName, Index1, Index2);
            }
            for (std::int32_t R = std::max(First, 1); R <= std::min(Last, FNrOfRows); ++R)
                std::swap(State(Index1, R), State(Index2, R));
        }
    } else if (InsideRow(Index1) && InsideRow(Index2) && Index1 != Index2) {
        if (FSortIncludeHd) {
            Swap(FRowAtt, Index1, Index2);
            Swap(FRowName, Index1, Index2);
        }
        for (std::int32_t C = std::max(First, 1); C <= std::min(Last, FNrOfCols); ++C)
            std::swap(State(C, Index1), State(C, Index2));
    }
    if (OnSortExchange) OnSortExchange(this, ExchgWhat, Index1, Index2, First, Last);
}

}  // namespace qmr
