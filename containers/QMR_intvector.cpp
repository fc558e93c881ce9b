// TIntVector: the integer twin of TVector (storage, access, copies, statistics).
#include "containers/QMR_vector.h"
#include "containers/QMR_container_range.h"
#include "containers/QMR_vector_crc.h"
#include "foundations/detail/openarrays_core.h"

#include <cmath>
#include <new>

namespace qmr {

namespace {
constexpr const char* kNoMemHeap = "not enough memory on heap";
constexpr const char* kNoMem = "not enough memory";
}  // namespace

// ---------------------------------------------------------------- storage and access

TIntVector::TIntVector(TComponent* AOwner) : TComponent(AOwner) {
    try {
        FVec.assign(1, 0);
    } catch (const std::bad_alloc&) {
        throw EQMRVectorError(ComponentMessage(this, kNoMemHeap));
    }
}

TIntVector::~TIntVector() = default;

std::string TIntVector::ClassName() const { return "TIntVector"; }

void TIntVector::Assign(const TPersistent* Source) {
    if (const auto* Src = dynamic_cast<const TIntVector*>(Source)) {
        if (Src == this) return;
        FVec = Src->FVec;
        FNElem = Src->FNElem;
        FIsEmpty = Src->FIsEmpty;
        OnChange = Src->OnChange;
        OnSortExchange = Src->OnSortExchange;
        return;
    }
    TComponent::Assign(Source);
}

void TIntVector::AssignTo(TPersistent* Dest) const {
    if (auto* D = dynamic_cast<TIntVector*>(Dest)) {
        D->Assign(this);
        return;
    }
    TComponent::AssignTo(Dest);
}

void TIntVector::Clone(const TIntVector* VecSource) {
    if (VecSource == nullptr) return;
    Resize(VecSource->FNElem);
    for (std::int32_t I = 1; I <= VecSource->FNElem; ++I) SetElem(I, VecSource->Elem(I));
    Changed();
}

void TIntVector::SetNrOfElem(std::int32_t NE) {
    if (NE > 0 && NE != FNElem) Resize(NE);
}

std::int32_t TIntVector::Elem(std::int32_t Ix) const noexcept {
    if (Ix < 1 || Ix > FNElem) return 0;
    return FVec[static_cast<std::size_t>(Ix - 1)];
}

void TIntVector::SetElem(std::int32_t Ix, std::int32_t Value) {
    if (Ix < 1 || Ix > FNElem) return;
    FVec[static_cast<std::size_t>(Ix - 1)] = Value;
    FIsEmpty = false;
    Changed();
}

Extended TIntVector::Leng() const noexcept {
    double Sum = 0;
    for (std::int32_t V : FVec) Sum += static_cast<double>(std::int64_t{V} * V);
    return std::sqrt(static_cast<Extended>(Sum));
}

bool TIntVector::Resize(std::int32_t NE) {
    if (NE == FNElem) return true;
    if (NE <= 0) return false;
    try {
        FVec.resize(static_cast<std::size_t>(NE), 0);
    } catch (const std::bad_alloc&) {
        throw EQMRVectorError(ComponentMessage(this, kNoMem));
    }
    FNElem = NE;
    Changed();
    return true;
}

void TIntVector::MakeValidElemRange(std::int32_t& LowElem, std::int32_t& HighElem) const noexcept {
    detail::NormaliseRange(LowElem, HighElem, FNElem);
}

void TIntVector::Changed() {
    if (OnChange) OnChange(this);
}

void TIntVector::SortExchange(std::uint8_t ExchgWhat, std::int32_t Index1, std::int32_t Index2, std::int32_t First,
                              std::int32_t Last) {
    if (OnSortExchange) OnSortExchange(this, ExchgWhat, Index1, Index2, First, Last);
}

std::string TIntVector::CRCofData() const {
    detail::TCrcRegisters<4> Crc;
    Crc.Feed(FVec.data(), FVec.size());
    return Crc.Text();
}

// ---------------------------------------------------------------- fills and copies

void TIntVector::Fill(std::int32_t Value) {
    for (std::int32_t& V : FVec) V = Value;
    FIsEmpty = false;
    Changed();
}

void TIntVector::Clear() {
    for (std::int32_t& V : FVec) V = 0;
    FIsEmpty = true;
    Changed();
}

void TIntVector::AbsVal() {
    for (std::int32_t& V : FVec)
        if (V < 0) V = detail::oa::WrapNeg(V);
    Changed();
}

void TIntVector::CopyFrom(const TIntVector* VecSource, std::int32_t SourceElemLo, std::int32_t SourceElemHi,
                          std::int32_t DestElem) {
    if (VecSource == nullptr) return;
    detail::ClampRange(SourceElemLo, SourceElemHi, VecSource->FNElem);
    // Copying a vector onto itself: read from a snapshot so overlapping ranges stay intact.
    TIntArray Snapshot;
    const TIntArray* Src = &VecSource->FVec;
    if (VecSource == this) {
        Snapshot = FVec;
        Src = &Snapshot;
    }
    for (std::int32_t I = SourceElemLo; I <= SourceElemHi; ++I) {
        const std::int64_t Pos = static_cast<std::int64_t>(DestElem) + (I - SourceElemLo);
        if (Pos < 1 || Pos > FNElem) continue;
        SetElem(static_cast<std::int32_t>(Pos), (*Src)[static_cast<std::size_t>(I - 1)]);
    }
    Changed();
}

void TIntVector::CopyToArray(TIntArray& DestArray, std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    DestArray.assign(FVec.begin() + (LowElem - 1), FVec.begin() + HighElem);
}

void TIntVector::CopyFromArray(const TIntArray& SrcArray, std::int32_t Elem) {
    for (std::size_t K = 0; K < SrcArray.size(); ++K) {
        const std::int64_t Pos = static_cast<std::int64_t>(Elem) + static_cast<std::int64_t>(K);
        if (Pos > FNElem) break;
        if (Pos < 1) continue;
        SetElem(static_cast<std::int32_t>(Pos), SrcArray[K]);
    }
}

}  // namespace qmr
