// TMatrix: storage, element access, sizing, events, copies and the range rule.
#include "containers/QMR_matrix.h"
#include "containers/QMR_container_range.h"
#include "containers/QMR_vector_crc.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace qmr {

namespace {
constexpr const char* kNoMemHeap = "not enough memory on heap";

std::size_t AtLeastOne(std::int32_t N) { return N < 1 ? 1u : static_cast<std::size_t>(N); }
}  // namespace

TMatrix::TMatrix(TComponent* AOwner) : TComponent(AOwner) {
    try {
        FMat.assign(1, 0.0);
    } catch (const std::bad_alloc&) {
        RaiseNoMemory();
    }
}

TMatrix::~TMatrix() = default;

std::string TMatrix::ClassName() const { return "TMatrix"; }

void TMatrix::RaiseNoMemory() const { throw EQMRMatrixError(ComponentMessage(this, kNoMemHeap)); }

void TMatrix::Assign(const TPersistent* Source) {
    if (const auto* Src = dynamic_cast<const TMatrix*>(Source)) {
        if (Src == this) return;
        try {
            FMat = Src->FMat;
        } catch (const std::bad_alloc&) {
            RaiseNoMemory();
        }
        FNCol = Src->FNCol;
        FNRow = Src->FNRow;
        FDataID = Src->FDataID;
        FPrecis[0] = Src->FPrecis[0];
        FPrecis[1] = Src->FPrecis[1];
        OnChange = Src->OnChange;
        OnSortExchange = Src->OnSortExchange;
        OnCalcDistance = Src->OnCalcDistance;
        return;
    }
    TComponent::Assign(Source);
}

void TMatrix::AssignTo(TPersistent* Dest) const {
    if (auto* D = dynamic_cast<TMatrix*>(Dest)) {
        D->Assign(this);
        return;
    }
    TComponent::AssignTo(Dest);
}

void TMatrix::Clone(const TMatrix* MatSource) {
    if (MatSource == nullptr) return;
    Resize(MatSource->FNCol, MatSource->FNRow);
    for (std::int32_t C = 1; C <= MatSource->FNCol; ++C)
        for (std::int32_t R = 1; R <= MatSource->FNRow; ++R)
            SetElem(C, R, MatSource->Column(C)[R - 1]);
    Changed();
}

void TMatrix::SetNrOfColumns(std::int32_t Value) { Resize(std::max(0, Value), FNRow); }

void TMatrix::SetNrOfRows(std::int32_t Value) { Resize(FNCol, std::max(0, Value)); }

Extended TMatrix::Elem(std::int32_t Nc, std::int32_t Nr) const noexcept {
    if (Nc < 1 || Nc > FNCol || Nr < 1 || Nr > FNRow) return 0;
    return Column(Nc)[Nr - 1];
}

void TMatrix::SetElem(std::int32_t Nc, std::int32_t Nr, double Value) {
    if (Nc < 1 || Nc > FNCol || Nr < 1 || Nr > FNRow) return;
    Column(Nc)[Nr - 1] = Value;
    Changed();
}

std::int32_t TMatrix::Precision(std::int32_t Ix) const noexcept { return FPrecis[Ix > 1 ? 1 : 0]; }

void TMatrix::SetPrecision(std::int32_t Ix, std::int32_t Value) noexcept {
    FPrecis[Ix > 1 ? 1 : 0] = std::clamp(Value, -1, 25);
}

bool TMatrix::Resize(std::int32_t Nc, std::int32_t Nr) {
    if (Nc == FNCol && Nr == FNRow) return true;
    Nc = std::max(0, Nc);
    Nr = std::max(0, Nr);
    const std::size_t NewCols = AtLeastOne(Nc);
    const std::size_t NewRows = AtLeastOne(Nr);
    TDoubleArray NewMat;
    if (NewCols > NewMat.max_size() / NewRows) RaiseNoMemory();
    try {
        NewMat.assign(NewCols * NewRows, 0.0);
    } catch (const std::bad_alloc&) {
        RaiseNoMemory();
    }
    // Keep only what lies inside both the old and the new counts: elements hidden by an
    // earlier shrink to 0 do not come back.
    const std::int32_t KeepCols = std::min(FNCol, Nc);
    const std::size_t KeepRows = static_cast<std::size_t>(std::min(FNRow, Nr));
    if (KeepRows > 0)
        for (std::int32_t C = 1; C <= KeepCols; ++C)
            std::memcpy(NewMat.data() + static_cast<std::size_t>(C - 1) * NewRows, Column(C),
                        KeepRows * sizeof(double));
    FMat.swap(NewMat);
    FNCol = Nc;
    FNRow = Nr;
    Changed();
    return true;
}

bool TMatrix::ResizeAndClear(std::int32_t Nc, std::int32_t Nr) {
    const bool Result = Resize(Nc, Nr);
    if (Result) Fill(0);
    return Result;
}

void TMatrix::Fill(double Value) {
    for (std::int32_t C = 1; C <= FNCol; ++C) std::fill_n(Column(C), FNRow, Value);
    Changed();
}

void TMatrix::Changed() {
    if (OnChange) OnChange(this);
}

void TMatrix::SortExchange(std::uint8_t ExchgWhat, std::int32_t Index1, std::int32_t Index2, std::int32_t First,
                           std::int32_t Last) {
    if (OnSortExchange) OnSortExchange(this, ExchgWhat, Index1, Index2, First, Last);
}

void TMatrix::PercDone(TObject* /*Sender*/, std::int32_t Percent) {
    if (OnPercentDone) OnPercentDone(this, Percent);
}

void TMatrix::MakeValidColRange(std::int32_t& LowCol, std::int32_t& HighCol) const noexcept {
    detail::NormaliseRange(LowCol, HighCol, FNCol);
}

void TMatrix::MakeValidRowRange(std::int32_t& LowRow, std::int32_t& HighRow) const noexcept {
    detail::NormaliseRange(LowRow, HighRow, FNRow);
}

std::string TMatrix::CRCofData() const {
    detail::TCrc8Registers Crc;
    if (FNRow > 0)
        for (std::int32_t C = 1; C <= FNCol; ++C) Crc.Feed(Column(C), static_cast<std::size_t>(FNRow));
    return Crc.Text();
}

bool TMatrix::RemoveColumn(std::int32_t Col) {
    if (Col < 1 || Col > FNCol || FNCol <= 1) return false;
    for (std::int32_t C = Col; C < FNCol; ++C) std::memcpy(Column(C), Column(C + 1), StoreRows() * sizeof(double));
    Resize(FNCol - 1, FNRow);
    return true;
}

bool TMatrix::RemoveRow(std::int32_t Row) {
    if (Row < 1 || Row > FNRow || FNRow <= 1) return false;
    for (std::int32_t C = 1; C <= FNCol; ++C) {
        double* P = Column(C);
        std::memmove(P + (Row - 1), P + Row, static_cast<std::size_t>(FNRow - Row) * sizeof(double));
    }
    Resize(FNCol, FNRow - 1);
    return true;
}

}  // namespace qmr
