// TFastFourier: storage, windows, spectrum reads and extremes. The transform itself is
// in QMR_fourier_kernels.cpp.
#include "analysis/QMR_fourier.h"
#include "analysis/QMR_fourier_kernels.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

namespace qmr {

namespace {

constexpr const char* kNotPowerOf2 = "data length must be power of 2";
constexpr const char* kNoMemHeap = "not enough memory on heap";

// Weight of window W at the argument x = (i - N/2)/N of value i.
double WindowWeight(TFastFourierWgtWin W, double X) {
    constexpr double Pi = std::numbers::pi;
    auto C = [X](double k) { return std::cos(k * Pi * X); };
    switch (W) {
    case TFastFourierWgtWin::fwCos2: return C(1) * C(1);
    case TFastFourierWgtWin::fwGauss: return std::exp(-0.5 * (6 * X) * (6 * X));
    case TFastFourierWgtWin::fwHamming: return 0.543478261 + 0.456521739 * C(2);
    case TFastFourierWgtWin::fwBlackman: return 0.42659 + 0.49656 * C(2) + 0.076848 * C(4);
    case TFastFourierWgtWin::fwBlkmHarris: return 0.35875 + 0.48829 * C(2) + 0.14128 * C(4) + 0.01168 * C(6);
    case TFastFourierWgtWin::fwBlkmNuttall:
        return 0.3635819 + 0.4891775 * C(2) + 0.1365995 * C(4) + 0.0106411 * C(6);
    default: return 1.0;
    }
}

bool IsValidLength(std::int32_t N) noexcept {
    return N >= 1 && N <= (std::int32_t{1} << detail::fft::kMaxLog2) && (N & (N - 1)) == 0;
}

}  // namespace

// Everything sized by N that the transform needs, allocated in one go so that a size
// change either fully succeeds or leaves the old state.
struct TFastFourier::TStore {
    explicit TStore(std::size_t N)
        : Buffer(2 * N + 8, 0.0), Window(N >= 2 ? N / 2 + 1 : 1, 0.0) {
        detail::fft::BuildTables(N, Tables);
    }
    // 64-byte aligned start of the 2N doubles inside Buffer.
    double* Data() {
        double* P = Buffer.data();
        const auto Mis = reinterpret_cast<std::uintptr_t>(P) % 64;
        return Mis == 0 ? P : P + (64 - Mis) / sizeof(double);
    }

    std::vector<double> Buffer;
    detail::fft::TTables Tables;
    // Weights of a window symmetric about value N/2: Window[d] is the weight of values
    // N/2 ± d (the single weight for N = 1), for window WindowOf.
    std::vector<double> Window;
    bool WindowValid = false;
    TFastFourierWgtWin WindowOf = TFastFourierWgtWin::fwRectangle;
};

TFastFourier::TFastFourier(TComponent* AOwner) : TComponent(AOwner) { Allocate(256, 1.0); }

TFastFourier::~TFastFourier() = default;

std::string TFastFourier::ClassName() const { return "TFastFourier"; }

void TFastFourier::Allocate(std::int32_t N, double UserWeight) {
    if (!IsValidLength(N)) throw EQMRFourierError(ComponentMessage(this, kNotPowerOf2));
    std::unique_ptr<TStore> Store;
    std::vector<double> Wgt;
    try {
        Store = std::make_unique<TStore>(static_cast<std::size_t>(N));
        Wgt.assign(static_cast<std::size_t>(N), UserWeight);
    } catch (const std::bad_alloc&) {
        throw EQMRFourierError(ComponentMessage(this, kNoMemHeap));
    }
    FStore = std::move(Store);
    FUserWgt = std::move(Wgt);
    FData = FStore->Data();
    FNumData = N;
    MaxValuesValid = false;
}

void TFastFourier::SetSpectrumSize(std::int32_t N) { Allocate(N, 0.0); }

double TFastFourier::RealSpec(std::int32_t Ix) const noexcept {
    return Ix >= 1 && Ix <= FNumData ? FData[2 * static_cast<std::size_t>(Ix) - 2] : 0.0;
}

void TFastFourier::SetRealSpec(std::int32_t Ix, double Value) noexcept {
    if (Ix < 1 || Ix > FNumData) return;
    FData[2 * static_cast<std::size_t>(Ix) - 2] = Value;
    MaxValuesValid = false;
}

double TFastFourier::ImagSpec(std::int32_t Ix) const noexcept {
    return Ix >= 1 && Ix <= FNumData ? FData[2 * static_cast<std::size_t>(Ix) - 1] : 0.0;
}

void TFastFourier::SetImagSpec(std::int32_t Ix, double Value) noexcept {
    if (Ix < 1 || Ix > FNumData) return;
    FData[2 * static_cast<std::size_t>(Ix) - 1] = Value;
    MaxValuesValid = false;
}

double TFastFourier::WgtFunction(std::int32_t Ix) const noexcept {
    return Ix >= 1 && Ix <= FNumData ? FUserWgt[static_cast<std::size_t>(Ix) - 1] : 0.0;
}

void TFastFourier::SetWgtFunction(std::int32_t Ix, double Value) noexcept {
    if (Ix >= 1 && Ix <= FNumData) FUserWgt[static_cast<std::size_t>(Ix) - 1] = Value;
}

// ---------------------------------------------------------------- spectrum reads

double TFastFourier::LinePower(std::int32_t Line) const noexcept {
    const std::size_t k = static_cast<std::size_t>(Line), M = static_cast<std::size_t>(FNumData) - k;
    const double R = FData[2 * k], I = FData[2 * k + 1];
    if (k == 0 || 2 * k == static_cast<std::size_t>(FNumData)) return R * R + I * I;
    const double Rm = FData[2 * M], Im = FData[2 * M + 1];
    return R * R + I * I + Rm * Rm + Im * Im;
}

double TFastFourier::LineMagnitude(std::int32_t Line) const noexcept {
    const std::size_t k = static_cast<std::size_t>(Line), M = static_cast<std::size_t>(FNumData) - k;
    const double R = FData[2 * k], I = FData[2 * k + 1];
    if (k == 0 || 2 * k == static_cast<std::size_t>(FNumData)) return std::sqrt(R * R + I * I);
    const double Re = R + FData[2 * M], Im = I - FData[2 * M + 1];
    return std::sqrt(Re * Re + Im * Im);
}

double TFastFourier::PowerSpec(std::int32_t Line) const noexcept {
    if (Line < 0 || Line > FNumData / 2) return 0.0;
    return LinePower(Line) / FNumData;
}

double TFastFourier::Magnitude(std::int32_t Line) const noexcept {
    if (Line < 0 || Line > FNumData / 2) return 0.0;
    return LineMagnitude(Line) / FNumData;
}

double TFastFourier::FourSerCosCoeff(std::int32_t Line) const noexcept {
    if (Line < 0 || Line > FNumData / 2) return 0.0;
    const std::size_t k = static_cast<std::size_t>(Line);
    if (k == 0 || 2 * k == static_cast<std::size_t>(FNumData)) return FData[2 * k] / FNumData;
    return (FData[2 * k] + FData[2 * (static_cast<std::size_t>(FNumData) - k)]) / FNumData;
}

double TFastFourier::FourSerSinCoeff(std::int32_t Line) const noexcept {
    if (Line < 1 || Line > FNumData / 2) return 0.0;
    const std::size_t k = static_cast<std::size_t>(Line);
    return (FData[2 * k + 1] - FData[2 * (static_cast<std::size_t>(FNumData) - k) + 1]) / FNumData;
}

double TFastFourier::Phase(std::int32_t Line) const noexcept {
    if (Line < 1 || Line > FNumData / 2) return 0.0;
    const std::size_t k = static_cast<std::size_t>(Line);
    const double R = FData[2 * k], I = FData[2 * k + 1];
    if (R != 0) return std::atan(I / R);
    return I > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
}

// ---------------------------------------------------------------- extremes

void TFastFourier::CalcMaxValues() const noexcept {
    double MaxR = -uc_MaxDouble, MaxI = -uc_MaxDouble, MinR = uc_MaxDouble, MinI = uc_MaxDouble;
    for (std::size_t i = 0; i < static_cast<std::size_t>(FNumData); ++i) {
        const double R = FData[2 * i], I = FData[2 * i + 1];
        if (R > MaxR) MaxR = R;
        if (R < MinR) MinR = R;
        if (I > MaxI) MaxI = I;
        if (I < MinI) MinI = I;
    }
    const std::int32_t Half = FNumData / 2;
    double MaxP = 0, MaxM = 0;
    for (std::int32_t k = 1; k < Half; ++k) MaxP = std::max(MaxP, LinePower(k));
    for (std::int32_t k = 1; k <= Half; ++k) MaxM = std::max(MaxM, LineMagnitude(k));
    FMaxReal = MaxR;
    FMaxImag = MaxI;
    FMinReal = MinR;
    FMinImag = MinI;
    FMaxPower = MaxP / FNumData;
    FMaxMagni = MaxM / FNumData;
    MaxValuesValid = true;
}

double TFastFourier::PowerMax() const noexcept {
    if (!MaxValuesValid) CalcMaxValues();
    return FMaxPower;
}

double TFastFourier::MagniMax() const noexcept {
    if (!MaxValuesValid) CalcMaxValues();
    return FMaxMagni;
}

double TFastFourier::RealMax() const noexcept {
    if (!MaxValuesValid) CalcMaxValues();
    return FMaxReal;
}

double TFastFourier::ImagMax() const noexcept {
    if (!MaxValuesValid) CalcMaxValues();
    return FMaxImag;
}

double TFastFourier::RealMin() const noexcept {
    if (!MaxValuesValid) CalcMaxValues();
    return FMinReal;
}

double TFastFourier::ImagMin() const noexcept {
    if (!MaxValuesValid) CalcMaxValues();
    return FMinImag;
}

// ---------------------------------------------------------------- clearing and transforms

void TFastFourier::Clear() noexcept {
    std::fill(FData, FData + 2 * static_cast<std::size_t>(FNumData), 0.0);
    MaxValuesValid = false;
}

void TFastFourier::ClearReal() noexcept {
    for (std::size_t i = 0; i < static_cast<std::size_t>(FNumData); ++i) FData[2 * i] = 0.0;
    MaxValuesValid = false;
}

void TFastFourier::ClearImag() noexcept {
    for (std::size_t i = 0; i < static_cast<std::size_t>(FNumData); ++i) FData[2 * i + 1] = 0.0;
    MaxValuesValid = false;
}

void TFastFourier::Transform() noexcept { DoFFT(1); }

void TFastFourier::InverseTransform() noexcept { DoFFT(-1); }

void TFastFourier::DoFFT(int ISign) noexcept {
    using detail::fft::TWeight;
    using detail::fft::TWeightKind;
    TStore& S = *FStore;
    TWeight W;
    if (ISign > 0) {
        switch (FWgtWin) {
        case TFastFourierWgtWin::fwRectangle: break;
        case TFastFourierWgtWin::fwTriangle: W.Kind = TWeightKind::Triangle; break;
        case TFastFourierWgtWin::fwUserDef: W = TWeight{TWeightKind::Full, FUserWgt.data()}; break;
        default:
            if (!S.WindowValid || S.WindowOf != FWgtWin) {
                // x = (i - N/2)/N is exact; values N/2 + d and N/2 - d share |x| = d/N
                if (FNumData == 1) S.Window[0] = WindowWeight(FWgtWin, 0.5);
                else
                    for (std::size_t d = 0; d < S.Window.size(); ++d)
                        S.Window[d] = WindowWeight(FWgtWin, static_cast<double>(d) / FNumData);
                S.WindowOf = FWgtWin;
                S.WindowValid = true;
            }
            W = FNumData == 1 ? TWeight{TWeightKind::Full, S.Window.data()}
                              : TWeight{TWeightKind::Symmetric, S.Window.data()};
            break;
        }
    }
    detail::fft::Transform(FData, S.Tables, ISign, W);
    MaxValuesValid = false;
}

// ---------------------------------------------------------------- lines and frequencies

Extended TFastFourier::FreqOfLine(std::int32_t Ix, double SampleTime) const noexcept {
    if (Ix < 1 || Ix > FNumData / 2) return 0;
    return static_cast<Extended>(Ix) / SampleTime / FNumData;
}

std::int32_t TFastFourier::LineOfFreq(double Frequency, double SampleTime) const noexcept {
    std::int64_t Line = 0;
    if (!detail::CheckedRoundToInt64(static_cast<Extended>(FNumData) * Frequency * SampleTime, Line)) return 0;
    return Line >= 1 && Line <= FNumData / 2 ? static_cast<std::int32_t>(Line) : 0;
}

Extended TFastFourier::RMS(std::int32_t FirstIx, std::int32_t LastIx) const noexcept {
    const std::int32_t Half = FNumData / 2;
    FirstIx = std::clamp(FirstIx, 0, Half);
    LastIx = std::clamp(LastIx, 0, Half);
    if (FirstIx > LastIx) std::swap(FirstIx, LastIx);
    Extended Sum = 0;
    for (std::int32_t k = FirstIx; k <= LastIx; ++k) {
        const std::size_t i = static_cast<std::size_t>(k), M = static_cast<std::size_t>(FNumData) - i;
        const Extended R = FData[2 * i], I = FData[2 * i + 1];
        Sum += R * R + I * I;
        if (k != 0 && 2 * k != FNumData) {
            const Extended Rm = FData[2 * M], Im = FData[2 * M + 1];
            Sum += Rm * Rm + Im * Im;
        }
    }
    return std::sqrt(Sum) / FNumData;
}

}  // namespace qmr
