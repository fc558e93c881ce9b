// TIntVector: the integer twin of TVector (storage, access, copies, statistics).
#include "containers/QMR_vector.h"
#include "containers/QMR_container_range.h"
#include "containers/QMR_vector_algos.h"
#include "containers/QMR_vector_crc.h"
#include "foundations/detail/openarrays_core.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace qmr {

namespace {
constexpr const char* kNoMemHeap = "not enough memory on heap";
constexpr const char* kNoMem = "not enough memory";
constexpr const char* kDimMismatch = "vectors have different dimensions";

using detail::oa::WrapAdd;
using detail::oa::WrapMul;
using detail::oa::WrapSub;
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
    if (VecSource != nullptr) detail::CopyElems(*this, *VecSource, SourceElemLo, SourceElemHi, DestElem);
}

void TIntVector::CopyToArray(TIntArray& DestArray, std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    DestArray.assign(FVec.begin() + (LowElem - 1), FVec.begin() + HighElem);
}

void TIntVector::CopyFromArray(const TIntArray& SrcArray, std::int32_t Elem) {
    detail::CopyArrayElems(*this, SrcArray, Elem);
}

// ---------------------------------------------------------------- arithmetic and pairwise measures

void TIntVector::Add(const TIntVector* OtherVec) {
    if (OtherVec == nullptr) return;
    if (OtherVec->FNElem != FNElem) throw EQMRVectorError(ComponentMessage(this, kDimMismatch));
    for (std::size_t I = 0; I < FVec.size(); ++I) FVec[I] = WrapAdd(FVec[I], OtherVec->FVec[I]);
    Changed();
}

void TIntVector::Subtract(const TIntVector* OtherVec) {
    if (OtherVec == nullptr) return;
    if (OtherVec->FNElem != FNElem) throw EQMRVectorError(ComponentMessage(this, kDimMismatch));
    for (std::size_t I = 0; I < FVec.size(); ++I) FVec[I] = WrapSub(FVec[I], OtherVec->FVec[I]);
    Changed();
}

void TIntVector::SMult(std::int32_t Scalar) {
    for (std::int32_t& V : FVec) V = WrapMul(V, Scalar);
    Changed();
}

std::int32_t TIntVector::DotProduct(const TIntVector* OtherVec) const {
    if (OtherVec == nullptr) return 0;
    if (OtherVec->FNElem != FNElem) throw EQMRVectorError(ComponentMessage(this, kDimMismatch));
    std::int32_t Sum = 0;
    for (std::size_t I = 0; I < FVec.size(); ++I) Sum = WrapAdd(Sum, WrapMul(FVec[I], OtherVec->FVec[I]));
    return Sum;
}

Extended TIntVector::EuclideanDistance(const TIntVector* OtherVec) const {
    if (OtherVec == nullptr || OtherVec->FNElem != FNElem)
        throw EQMRVectorError("EuclideanDistance: dimensions of vectors do not match");
    return detail::EuclidRun(FVec.data(), OtherVec->FVec.data(), FNElem);
}

Extended TIntVector::PearsonCorrCoeff(const TIntVector* OtherVec) const {
    if (OtherVec == nullptr || OtherVec->FNElem != FNElem) return 0;
    return detail::PearsonRun(FVec.data(), OtherVec->FVec.data(), FNElem);
}

std::int32_t TIntVector::Correlate(const TIntVector* OtherVec, std::int32_t ElemShift) const {
    if (OtherVec == nullptr) return 0;
    // Only i with 1 <= i + ElemShift <= OtherVec's count contribute; the rest read 0.
    const std::int64_t Lo = std::max<std::int64_t>(1, 1 - std::int64_t{ElemShift});
    const std::int64_t Hi = std::min<std::int64_t>(FNElem, std::int64_t{OtherVec->FNElem} - ElemShift);
    std::int32_t Sum = 0;
    for (std::int64_t I = Lo; I <= Hi; ++I)
        Sum = WrapAdd(Sum, WrapMul(FVec[static_cast<std::size_t>(I - 1)],
                                   OtherVec->FVec[static_cast<std::size_t>(I + ElemShift - 1)]));
    return Sum;
}

// ---------------------------------------------------------------- search

std::int32_t TIntVector::Find(std::int32_t LowElem, std::int32_t HighElem, std::int32_t Value) const {
    MakeValidElemRange(LowElem, HighElem);
    return detail::FindNearest(FVec.data(), LowElem, HighElem, Value);
}

std::int32_t TIntVector::FindExact(std::int32_t LowElem, std::int32_t HighElem, std::int32_t Value) const {
    MakeValidElemRange(LowElem, HighElem);
    for (std::int32_t I = LowElem; I <= HighElem; ++I)
        if (FVec[static_cast<std::size_t>(I - 1)] == Value) return I;
    return 0;
}

std::int32_t TIntVector::FindInSortedVector(bool Ascending, std::int32_t Value) const {
    return detail::FindInSorted(FVec.data(), FNElem, Ascending, Value);
}

bool TIntVector::IsDichotomous(std::int32_t& v1, std::int32_t& v2) const {
    return detail::Dichotomous(FVec.data(), FNElem, v1, v2);
}

void TIntVector::MinMax(std::int32_t LowElem, std::int32_t HighElem, std::int32_t& Minimum,
                        std::int32_t& Maximum) const {
    std::int32_t MinIx, MaxIx;
    MinMax(LowElem, HighElem, Minimum, Maximum, MinIx, MaxIx);
}

void TIntVector::MinMax(std::int32_t LowElem, std::int32_t HighElem, std::int32_t& Minimum, std::int32_t& Maximum,
                        std::int32_t& MinIx, std::int32_t& MaxIx) const {
    MakeValidElemRange(LowElem, HighElem);
    Minimum = 2147483647;
    Maximum = -2147483647;
    MinIx = MaxIx = 0;
    detail::ScanExtremes(FVec.data(), LowElem, HighElem, Minimum, Maximum, MinIx, MaxIx);
}

// ---------------------------------------------------------------- reordering

void TIntVector::SortElems(bool Ascending, std::int32_t RangeFirst, std::int32_t RangeLast) {
    MakeValidElemRange(RangeFirst, RangeLast);
    const std::int64_t N = std::int64_t{RangeLast} - RangeFirst + 1;
    if (N < 2) return;
    detail::CombSortRun(FVec.data() + (RangeFirst - 1), N, Ascending, static_cast<bool>(OnSortExchange),
                        [&](std::int64_t I, std::int64_t J) {
                            SortExchange(0, static_cast<std::int32_t>(RangeFirst + I),
                                         static_cast<std::int32_t>(RangeFirst + J), 0, 0);
                        });
    Changed();
}

void TIntVector::Mirror() {
    std::reverse(FVec.begin(), FVec.end());
    Changed();
}

void TIntVector::ShuffleElems() { detail::ShuffleRun(FVec.data(), FNElem); }

// ---------------------------------------------------------------- statistics of a range

std::int32_t TIntVector::Sum(std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    std::int32_t S = 0;
    for (std::int32_t I = LowElem; I <= HighElem; ++I) S = WrapAdd(S, FVec[static_cast<std::size_t>(I - 1)]);
    return S;
}

void TIntVector::MeanVar(std::int32_t LowElem, std::int32_t HighElem, double& Mean, double& Variance) const {
    MakeValidElemRange(LowElem, HighElem);
    detail::MeanVarRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, Mean, Variance);
}

Extended TIntVector::GeometricMean(std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    return detail::GeometricMeanRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, this);
}

Extended TIntVector::HarmonicMean(std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    return detail::HarmonicMeanRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, this);
}

void TIntVector::SkewKurt(std::int32_t LowElem, std::int32_t HighElem, double& Skewness, double& Kurtosis) const {
    MakeValidElemRange(LowElem, HighElem);
    detail::SkewKurtRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, Skewness, Kurtosis);
}

void TIntVector::SkewKurtSample(std::int32_t LowElem, std::int32_t HighElem, double& Skewness,
                                double& Kurtosis) const {
    MakeValidElemRange(LowElem, HighElem);
    detail::SkewKurtSampleRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, Skewness, Kurtosis);
}

std::int32_t TIntVector::Mode(std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    return detail::ModeRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1);
}

bool TIntVector::Quartiles(std::int32_t LowElem, std::int32_t HighElem, double& Q1, double& Q2, double& Q3) const {
    MakeValidElemRange(LowElem, HighElem);
    try {
        detail::QuartilesRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, Q1, Q2, Q3);
    } catch (const std::bad_alloc&) {
        throw EQMRVectorError(ComponentMessage(this, kNoMemHeap));
    }
    return true;
}

Extended TIntVector::Percentile(double Prob, std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    try {
        return detail::PercentileRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, Prob);
    } catch (const std::bad_alloc&) {
        throw EQMRVectorError(ComponentMessage(this, kNoMemHeap));
    }
}

bool TIntVector::Histogram(std::int32_t FirstElem, std::int32_t LastElem, std::int32_t FirstBin,
                           std::int32_t LastBin, std::int32_t BinWidth, TIntVector* Histo,
                           std::int32_t& Underflow, std::int32_t& Overflow, std::int32_t& MaxCnt) const {
    const std::int64_t W = BinWidth <= 0 ? 1 : BinWidth;
    const std::int64_t Lo = FirstBin, Hi = LastBin;
    const std::int64_t NB = (Hi > Lo ? Hi - Lo : Lo - Hi) / W + 1;
    if (NB <= 0 || NB > 500)
        throw EQMRVectorError(ComponentMessage(this, "invalid number of bins", "Histogram"));
    if (Histo == nullptr) return false;
    // Histo may be this vector: count from a copy, as Histo is resized and cleared first.
    TIntArray Copy;
    const std::int32_t* Data = FVec.data();
    if (Histo == this) {
        Copy = FVec;
        Data = Copy.data();
    }
    const std::int64_t Limit = Hi + W;
    detail::CountHistogram(
        Data, FNElem, FirstElem, LastElem, static_cast<std::int32_t>(NB),
        [=](std::int32_t X) -> std::int64_t {
            if (X < Lo) return 0;
            if (X >= Limit) return -1;
            return std::min((X - Lo) / W + 1, NB + 1);
        },
        *Histo, Underflow, Overflow, MaxCnt);
    return true;
}

}  // namespace qmr
