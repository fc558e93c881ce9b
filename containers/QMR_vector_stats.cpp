// TVector: arithmetic, pairwise measures, search, reordering, statistics, histogram
// and integration.
#include "containers/QMR_vector.h"
#include "containers/QMR_vector_algos.h"

#include <algorithm>
#include <cmath>

namespace qmr {

namespace {

constexpr const char* kDimMismatch = "vectors have different dimensions";
constexpr double kHugeStart = 1.7e308;

}  // namespace

// ---------------------------------------------------------------- arithmetic and pairwise measures

void TVector::Add(const TVector* OtherVec) {
    if (OtherVec == nullptr) return;
    if (OtherVec->FNElem != FNElem) throw EQMRVectorError(ComponentMessage(this, kDimMismatch));
    for (std::size_t I = 0; I < FVec.size(); ++I) FVec[I] += OtherVec->FVec[I];
    Changed();
}

void TVector::Subtract(const TVector* OtherVec) {
    if (OtherVec == nullptr) return;
    if (OtherVec->FNElem != FNElem) throw EQMRVectorError(ComponentMessage(this, kDimMismatch));
    for (std::size_t I = 0; I < FVec.size(); ++I) FVec[I] -= OtherVec->FVec[I];
    Changed();
}

void TVector::SMult(double Scalar) {
    for (double& V : FVec) V *= Scalar;
    Changed();
}

Extended TVector::DotProduct(const TVector* OtherVec) const {
    if (OtherVec == nullptr) return 0;
    if (OtherVec->FNElem != FNElem) throw EQMRVectorError(ComponentMessage(this, kDimMismatch));
    double Sum = 0;
    for (std::size_t I = 0; I < FVec.size(); ++I) Sum += FVec[I] * OtherVec->FVec[I];
    return Sum;
}

Extended TVector::EuclideanDistance(const TVector* OtherVec) const {
    if (OtherVec == nullptr || OtherVec->FNElem != FNElem)
        throw EQMRVectorError("EuclideanDistance: dimensions of vectors do not match");
    return detail::EuclidRun(FVec.data(), OtherVec->FVec.data(), FNElem);
}

Extended TVector::PearsonCorrCoeff(const TVector* OtherVec) const {
    if (OtherVec == nullptr || OtherVec->FNElem != FNElem) return 0;
    return detail::PearsonRun(FVec.data(), OtherVec->FVec.data(), FNElem);
}

Extended TVector::Correlate(const TVector* OtherVec, std::int32_t ElemShift) const {
    if (OtherVec == nullptr) return 0;
    const std::int64_t Lo = std::max<std::int64_t>(1, std::int64_t{ElemShift} + 1);
    const std::int64_t Hi = std::min<std::int64_t>(FNElem, std::int64_t{ElemShift} + OtherVec->FNElem);
    if (Lo >= Hi) return 0;
    double Sum = 0;
    for (std::int64_t I = Lo; I <= Hi; ++I)
        Sum += FVec[static_cast<std::size_t>(I - 1)] * OtherVec->FVec[static_cast<std::size_t>(I - ElemShift - 1)];
    return Sum;
}

// ---------------------------------------------------------------- search

std::int32_t TVector::Find(std::int32_t LowElem, std::int32_t HighElem, double Value) const {
    MakeValidElemRange(LowElem, HighElem);
    return detail::FindNearest(FVec.data(), LowElem, HighElem, Value);
}

std::int32_t TVector::FindInSortedVector(bool Ascending, double Value) const {
    return detail::FindInSorted(FVec.data(), FNElem, Ascending, Value);
}

bool TVector::IsDichotomous(double& v1, double& v2) const { return detail::Dichotomous(FVec.data(), FNElem, v1, v2); }

void TVector::MinMax(std::int32_t LowElem, std::int32_t HighElem, double& Minimum, double& Maximum) const {
    std::int32_t MinIx, MaxIx;
    MinMax(LowElem, HighElem, Minimum, Maximum, MinIx, MaxIx);
}

void TVector::MinMax(std::int32_t LowElem, std::int32_t HighElem, double& Minimum, double& Maximum,
                     std::int32_t& MinIx, std::int32_t& MaxIx) const {
    MakeValidElemRange(LowElem, HighElem);
    Minimum = kHugeStart;
    Maximum = -kHugeStart;
    MinIx = MaxIx = 0;
    // The first number of the range seeds both, so values beyond +-1.7e308 are found too.
    std::int32_t I = LowElem;
    while (I <= HighElem && std::isnan(FVec[static_cast<std::size_t>(I - 1)])) ++I;
    if (I > HighElem) return;
    Minimum = Maximum = FVec[static_cast<std::size_t>(I - 1)];
    MinIx = MaxIx = I;
    detail::ScanExtremes(FVec.data(), I + 1, HighElem, Minimum, Maximum, MinIx, MaxIx);
}

// ---------------------------------------------------------------- reordering and normalisation

void TVector::SortElems(bool Ascending, std::int32_t RangeFirst, std::int32_t RangeLast) {
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

void TVector::Mirror() {
    std::reverse(FVec.begin(), FVec.end());
    Changed();
}

void TVector::ShuffleElems() { detail::ShuffleRun(FVec.data(), FNElem); }

void TVector::Standardize(double& Mean, double& StdDev) {
    double Var;
    MeanVar(0, 0, Mean, Var);
    StdDev = std::sqrt(Var);
    if (!(StdDev > 0)) return;
    for (double& V : FVec) V = (V - Mean) / StdDev;
}

void TVector::QNormalize(double RefQuant, double& Median, double& QuantDiff) {
    Median = static_cast<double>(Percentile(50, 0, 0));
    QuantDiff = std::fabs(Median - static_cast<double>(Percentile(RefQuant, 0, 0)));
    if (!(QuantDiff > 0)) return;
    for (double& V : FVec) V = (V - Median) / QuantDiff;
}

Extended TVector::MeanCenter() {
    double Mean, Var;
    MeanVar(0, 0, Mean, Var);
    for (double& V : FVec) V -= Mean;
    return Mean;
}

// ---------------------------------------------------------------- statistics of a range

Extended TVector::Sum(std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    double S = 0;
    for (std::int32_t I = LowElem; I <= HighElem; ++I) S += FVec[static_cast<std::size_t>(I - 1)];
    return S;
}

void TVector::MeanVar(std::int32_t LowElem, std::int32_t HighElem, double& Mean, double& Variance) const {
    MakeValidElemRange(LowElem, HighElem);
    detail::MeanVarRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, Mean, Variance);
}

Extended TVector::GeometricMean(std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    return detail::GeometricMeanRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, this);
}

Extended TVector::HarmonicMean(std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    return detail::HarmonicMeanRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, this);
}

void TVector::SkewKurt(std::int32_t LowElem, std::int32_t HighElem, double& Skewness, double& Kurtosis) const {
    MakeValidElemRange(LowElem, HighElem);
    detail::SkewKurtRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, Skewness, Kurtosis);
}

void TVector::SkewKurtSample(std::int32_t LowElem, std::int32_t HighElem, double& Skewness,
                             double& Kurtosis) const {
    MakeValidElemRange(LowElem, HighElem);
    detail::SkewKurtSampleRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, Skewness, Kurtosis);
}

Extended TVector::Mode(std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    return detail::ModeRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1);
}

bool TVector::Quartiles(std::int32_t LowElem, std::int32_t HighElem, double& Q1, double& Q2, double& Q3) const {
    MakeValidElemRange(LowElem, HighElem);
    try {
        detail::QuartilesRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, Q1, Q2, Q3);
    } catch (const std::bad_alloc&) {
        throw EQMRVectorError(ComponentMessage(this, "not enough memory on heap"));
    }
    return true;
}

Extended TVector::Percentile(double Prob, std::int32_t LowElem, std::int32_t HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    try {
        return detail::PercentileRun(FVec.data() + (LowElem - 1), HighElem - LowElem + 1, Prob);
    } catch (const std::bad_alloc&) {
        throw EQMRVectorError(ComponentMessage(this, "not enough memory on heap"));
    }
}

bool TVector::Histogram(std::int32_t FirstElem, std::int32_t LastElem, double FirstBin, double LastBin,
                        double BinWidth, TIntVector* Histo, std::int32_t& Underflow, std::int32_t& Overflow,
                        std::int32_t& MaxCnt) const {
    if (Histo == nullptr || !(BinWidth > 0) || !std::isfinite(BinWidth)) return false;
    const double Q = std::fabs(LastBin - FirstBin) / BinWidth;
    std::int64_t Bins;
    if (!std::isfinite(Q) || !detail::CheckedRoundToInt64(Q, Bins) || Bins >= 500) return false;
    const auto NB = static_cast<std::int32_t>(Bins + 1);
    const double Limit = LastBin + BinWidth;
    detail::CountHistogram(
        FVec.data(), FNElem, FirstElem, LastElem, NB,
        [=](double X) -> std::int64_t {
            if (X < FirstBin) return 0;
            if (!(X < Limit)) return -1;
            // X - FirstBin >= 0 here, so Floor is the integer part; bins beyond NB collapse to NB + 1.
            return detail::TruncIndex((X - FirstBin) / BinWidth, NB, NB) + 1;
        },
        *Histo, Underflow, Overflow, MaxCnt);
    return true;
}

// ---------------------------------------------------------------- integration

Extended TVector::Integrate(double BoundLow, double BoundHigh, TIntegMethod Method) const {
    if (std::isnan(BoundLow) || std::isnan(BoundHigh)) return 0;
    const double N = FNElem;
    double Lo = std::clamp(BoundLow, 1.0, N), Hi = std::clamp(BoundHigh, 1.0, N);
    if (Hi < Lo) std::swap(Lo, Hi);
    const double W = Hi - Lo;
    // Whole positions: A the first >= Lo, B the last <= Hi (both within 1..N).
    const auto A = static_cast<std::int32_t>(detail::TruncIndex(std::ceil(Lo), FNElem + std::int64_t{1}, 1));
    const auto B = static_cast<std::int32_t>(detail::TruncIndex(Hi, FNElem + std::int64_t{1}, 1));
    // Positions 0 and N + 1 read 0 through Elem.
    auto V = [this](std::int64_t K) { return static_cast<double>(Elem(static_cast<std::int32_t>(K))); };
    const double VLo = Lo == A ? V(A) : V(A - 1) + (Lo - A + 1) * (V(A) - V(A - 1));
    const double VHi = Hi == B ? V(B) : V(B) + (Hi - B) * (V(B + 1) - V(B));
    const double ELo = A == Lo ? 0.0 : (A - Lo) * (VLo + V(A)) / 2;
    const double EHi = B == Hi ? 0.0 : (Hi - B) * (V(B) + VHi) / 2;
    const std::int64_t M = std::int64_t{B} - A;  // whole intervals between A and B
    auto Trapezoids = [&] {
        if (M == -1) return (VLo + VHi) / 2 * W;
        double S = ELo + EHi;
        for (std::int64_t J = A; J < B; ++J) S += (V(J) + V(J + 1)) / 2;
        return S;
    };
    switch (Method) {
        case TIntegMethod::imSimple: {
            if (M < 0) return (V(B) + V(A)) / 2 * W;
            double S = 0;
            for (std::int64_t J = A; J <= B; ++J) S += V(J);
            return S / static_cast<double>(M + 1) * W;
        }
        case TIntegMethod::imTrapezoidal: return Trapezoids();
        case TIntegMethod::imSimpson: {
            const double E = ELo + EHi;
            switch (M) {
                case -1:
                case 0:
                case 1: return Trapezoids();
                case 2: return E + (V(A) + 4 * V(A + 1) + V(A + 2)) / 3;
                case 3: return E + 3 * (V(A) + 3 * V(A + 1) + 3 * V(A + 2) + V(A + 3)) / 8;
                case 4: return E + 2 * (7 * V(A) + 32 * V(A + 1) + 12 * V(A + 2) + 32 * V(A + 3) + 7 * V(A + 4)) / 45;
                default: {
                    // Alternative extended Simpson rule: end weights 3/8, 7/6, 23/24, inner weights 1.
                    double S = E + 3.0 / 8 * V(A) + 7.0 / 6 * V(A + 1) + 23.0 / 24 * V(A + 2);
                    for (std::int64_t J = A + 3; J <= B - 3; ++J) S += V(J);
                    return S + 23.0 / 24 * V(B - 2) + 7.0 / 6 * V(B - 1) + 3.0 / 8 * V(B);
                }
            }
        }
    }
    return 0;
}

}  // namespace qmr
