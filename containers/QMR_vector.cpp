// TVector: storage, element access, sizing, events, copies and fills.
#include "containers/QMR_vector.h"
#include "containers/QMR_container_range.h"
#include "containers/QMR_vector_algos.h"
#include "containers/QMR_vector_crc.h"
#include "foundations/QMR_math1_random.h"

#include <cmath>
#include <new>

namespace qmr {

namespace {
constexpr const char* kNoMemHeap = "not enough memory on heap";
constexpr const char* kNoMem = "not enough memory";
}  // namespace

TVector::TVector(TComponent* AOwner) : TComponent(AOwner) {
    try {
        FVec.assign(1, 0.0);
    } catch (const std::bad_alloc&) {
        throw EQMRVectorError(ComponentMessage(this, kNoMemHeap));
    }
}

TVector::~TVector() = default;

std::string TVector::ClassName() const { return "TVector"; }

void TVector::Assign(const TPersistent* Source) {
    if (const auto* Src = dynamic_cast<const TVector*>(Source)) {
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

void TVector::AssignTo(TPersistent* Dest) const {
    if (auto* D = dynamic_cast<TVector*>(Dest)) {
        D->Assign(this);
        return;
    }
    TComponent::AssignTo(Dest);
}

void TVector::Clone(const TVector* VecSource) {
    if (VecSource == nullptr) return;
    Resize(VecSource->FNElem);
    for (std::int32_t I = 1; I <= VecSource->FNElem; ++I) SetElem(I, static_cast<double>(VecSource->Elem(I)));
    Changed();
}

void TVector::SetNrOfElem(std::int32_t NE) {
    if (NE > 0 && NE != FNElem) Resize(NE);
}

Extended TVector::Elem(std::int32_t Ix) const noexcept {
    if (Ix < 1 || Ix > FNElem) return 0;
    return FVec[static_cast<std::size_t>(Ix - 1)];
}

void TVector::SetElem(std::int32_t Ix, double Value) {
    if (Ix < 1 || Ix > FNElem) return;
    FVec[static_cast<std::size_t>(Ix - 1)] = Value;
    FIsEmpty = false;
    Changed();
}

Extended TVector::Leng() const noexcept {
    double Sum = 0;
    for (double V : FVec) Sum += V * V;
    return std::sqrt(static_cast<Extended>(Sum));
}

void TVector::SetLeng(double Value) {
    const Extended L = Leng();
    if (!(L > 0)) return;
    const Extended F = Value / L;
    for (double& V : FVec) V = static_cast<double>(V * F);
    Changed();
}

bool TVector::Resize(std::int32_t NE) {
    if (NE == FNElem) return true;
    if (NE <= 0) return false;
    try {
        FVec.resize(static_cast<std::size_t>(NE), 0.0);
    } catch (const std::bad_alloc&) {
        throw EQMRVectorError(ComponentMessage(this, kNoMem));
    }
    FNElem = NE;
    Changed();
    return true;
}

void TVector::MakeValidElemRange(std::int32_t& LowElem, std::int32_t& HighElem) const noexcept {
    detail::NormaliseRange(LowElem, HighElem, FNElem);
}

void TVector::Changed() {
    if (OnChange) OnChange(this);
}

void TVector::SortExchange(std::uint8_t ExchgWhat, std::int32_t Index1, std::int32_t Index2, std::int32_t First,
                           std::int32_t Last) {
    if (OnSortExchange) OnSortExchange(this, ExchgWhat, Index1, Index2, First, Last);
}

void TVector::Fill(double Value) {
    for (double& V : FVec) V = Value;
    FIsEmpty = false;
    Changed();
}

void TVector::Clear() {
    for (double& V : FVec) V = 0;
    FIsEmpty = true;
    Changed();
}

void TVector::AbsVal() {
    for (double& V : FVec) V = std::fabs(V);
    Changed();
}

void TVector::FillRandomUniform(double RangeLow, double RangeHigh) {
    const double Span = RangeHigh - RangeLow;
    for (double& V : FVec) V = RangeLow + Random() * Span;
    FIsEmpty = false;
    Changed();
}

void TVector::FillRandomGauss(double Mean, double StdDev) {
    for (double& V : FVec) V = GRandom() * StdDev + Mean;
    FIsEmpty = false;
    Changed();
}

std::string TVector::CRCofData() const {
    detail::TCrc8Registers Crc;
    Crc.Feed(FVec.data(), FVec.size());
    return Crc.Text();
}

void TVector::CopyFrom(const TVector* VecSource, std::int32_t SourceElemLo, std::int32_t SourceElemHi,
                       std::int32_t DestElem) {
    if (VecSource != nullptr) detail::CopyElems(*this, *VecSource, SourceElemLo, SourceElemHi, DestElem);
}

void TVector::CopyToArray(TDoubleArray& DestArray, std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    DestArray.assign(FVec.begin() + (LowElem - 1), FVec.begin() + HighElem);
}

void TVector::CopyFromArray(const TDoubleArray& SrcArray, std::int32_t Elem) {
    detail::CopyArrayElems(*this, SrcArray, Elem);
}

}  // namespace qmr
