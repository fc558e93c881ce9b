// Random numbers that follow a tabulated density.
#include "analysis/QMR_statis_randgen.h"

#include "analysis/QMR_statis.h"
#include "analysis/detail/QMR_distributions.h"
#include "foundations/QMR_math1_scalar.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace qmr {

namespace {
constexpr std::int32_t kMinResolution = 10, kMaxResolution = 4000;
constexpr int kMaxTries = 100000;
}  // namespace

TRandGen::TRandGen(TComponent* AOwner) : TComponent(AOwner) {
    try {
        FDistVec.assign(static_cast<std::size_t>(FResolution), 1.0);
    } catch (const std::bad_alloc&) {
        throw EQMRStatisError(ComponentMessage(this, "not enough memory on heap"));
    }
}

std::string TRandGen::ClassName() const { return "TRandGen"; }

void TRandGen::SetResolution(std::int32_t Value) {
    const std::int32_t Res = std::clamp(Value, kMinResolution, kMaxResolution);
    try {
        std::vector<double> Bins(static_cast<std::size_t>(Res), 1.0);
        FDistVec.swap(Bins);
    } catch (const std::bad_alloc&) {
        throw EQMRStatisError(ComponentMessage(this, "not enough memory"));
    }
    FResolution = Res;
}

double TRandGen::Probability(std::int32_t Idx) const noexcept {
    return Idx >= 1 && Idx <= FResolution ? FDistVec[static_cast<std::size_t>(Idx - 1)] : 0.0;
}

void TRandGen::SetProbability(std::int32_t Idx, double Value) noexcept {
    if (Idx < 1 || Idx > FResolution) return;
    FDistVec[static_cast<std::size_t>(Idx - 1)] = std::isnan(Value) ? 0.0 : std::clamp(Value, 0.0, 1.0);
}

double TRandGen::Lambda(std::int32_t ix) const noexcept {
    if (ix <= 0) return FLowBorder;
    if (ix > FResolution) return FHighBorder;
    return FLowBorder + (ix - 1) * (FHighBorder - FLowBorder) / FResolution;
}

std::int32_t TRandGen::IndexOfLambda(double L) const noexcept {
    if (std::isnan(L) || L < FLowBorder) return 0;
    if (L > FHighBorder) return FResolution + 1;
    if (FHighBorder == FLowBorder) return 1;  // L equals both borders: no 0 / 0
    return IntNeg((L - FLowBorder) * FResolution / (FHighBorder - FLowBorder)) + 1;
}

double TRandGen::Random() {
    const std::size_t Last = static_cast<std::size_t>(FResolution) - 1;
    std::int32_t a = 0;
    double r = 0;
    for (int Try = 0; Try < kMaxTries; ++Try) {
        a = qmr::Random(FResolution);
        r = qmr::Random();
        const auto i = static_cast<std::size_t>(a);
        // Interpolated inside the bin; the last bin has no right neighbour and falls to 0.
        const double p = i < Last ? FDistVec[i] + r * (FDistVec[i + 1] - FDistVec[i]) : FDistVec[Last] * (1 - r);
        if (!(p < 1) || p > qmr::Random()) break;  // p >= 1 or NaN: accepted without a third draw
    }
    return FLowBorder + (a + r) * (FHighBorder - FLowBorder) / FResolution;
}

void TRandGen::Normalize() noexcept {
    const auto [Lo, Hi] = std::minmax_element(FDistVec.begin(), FDistVec.end());
    const double Min = *Lo, Range = *Hi - *Lo;
    if (Range == 0) return;
    for (double& P : FDistVec) P = (P - Min) / Range;
}

bool TRandGen::Standardize() noexcept {
    const double Max = *std::max_element(FDistVec.begin(), FDistVec.end());
    if (Max == 0) return false;
    for (double& P : FDistVec) P /= Max;
    return true;
}

template <class F> void TRandGen::Fill(F Density) {
    for (std::int32_t i = 1; i <= FResolution; ++i) {
        const double P = Density(Lambda(i));
        FDistVec[static_cast<std::size_t>(i - 1)] = std::isnan(P) ? 0.0 : P;
    }
}

void TRandGen::NormalDistri(double m, double s) {
    if (s == 0) {  // the limit of a vanishing width
        Fill([m](double L) { return L == m ? 1.0 : 0.0; });
        return;
    }
    Fill([m, s](double L) { return std::exp(-0.5 * (L - m) * (L - m) / (s * s)); });
}

void TRandGen::WeibullDistri(double beta, double eta) {
    Fill([beta, eta](double L) { return WeibullDensity(L, beta, eta); });
}

void TRandGen::UniformDistri() noexcept { std::fill(FDistVec.begin(), FDistVec.end(), 1.0); }

void TRandGen::tDistri(std::int32_t df) {
    Fill([df](double L) { return detail::StudentTDensity(L, df); });
}

void TRandGen::Chi2Distri(std::int32_t df) {
    Fill([df](double L) { return L < 0 ? 0.0 : detail::ChiSquareDensity(L, df); });
}

void TRandGen::FDistri(std::int32_t df1, std::int32_t df2) {
    Fill([df1, df2](double L) { return L <= 0 ? 0.0 : detail::FDensity(L, df1, df2); });
}

}  // namespace qmr
