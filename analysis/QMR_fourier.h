// Fast Fourier transform with weighting windows (TFastFourier).
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qmr {

// Exception of the Fourier transform.
class QMR_API EQMRFourierError : public EQMRError { public: using EQMRError::EQMRError; };

// Weighting window applied by TFastFourier::Transform.
enum class TFastFourierWgtWin : std::uint8_t {
    fwRectangle, fwTriangle, fwCos2, fwGauss, fwHamming, fwBlackman, fwBlkmHarris, fwBlkmNuttall, fwUserDef
};

// One complex signal of N = 2^k values (k = 0..23), transformed in place into its
// spectrum X[k] = Σ x[n] e^(+2πi nk/N) (unscaled) and back (scaled by 1/N).
// Values count from 1 (RealSpec, ImagSpec, WgtFunction); spectrum lines k = 0..N/2 count
// from 0, X[N - k] being the mirror of line k. Reads outside a range give 0, writes there
// are ignored. Line N/2 (Nyquist) counts X[N/2] once, as line 0 counts X[0].
// Tables and scratch belong to the object: two objects may transform on two threads.
class QMR_API TFastFourier : public TComponent {
public:
    // N = 256, all values 0, window fwRectangle, all user weights 1.0.
    explicit TFastFourier(TComponent* AOwner);
    ~TFastFourier() override;
    std::string ClassName() const override;

    // N. Setting it (even to the same N) re-dimensions: all values 0, all user weights 0.
    // Anything but 2^k, k = 0..23, raises EQMRFourierError "data length must be power of 2",
    // and no memory raises "not enough memory on heap"; both leave the object unchanged.
    std::int32_t SpectrumSize() const noexcept { return FNumData; }
    void SetSpectrumSize(std::int32_t N);
    TFastFourierWgtWin WeightingWindow() const noexcept { return FWgtWin; }
    void SetWeightingWindow(TFastFourierWgtWin Value) noexcept { FWgtWin = Value; }

    // Real and imaginary part of value Ix = 1..N (signal before, spectrum after Transform).
    double RealSpec(std::int32_t Ix) const noexcept;
    void SetRealSpec(std::int32_t Ix, double Value) noexcept;
    double ImagSpec(std::int32_t Ix) const noexcept;
    void SetImagSpec(std::int32_t Ix, double Value) noexcept;
    // User-defined window, value Ix = 1..N (used by fwUserDef).
    double WgtFunction(std::int32_t Ix) const noexcept;
    void SetWgtFunction(std::int32_t Ix, double Value) noexcept;

    // Spectrum by line k = 0..N/2: k = 0 and k = N/2 use X[k] alone, other lines X[k] and
    // X[N - k]. Power (|X[k]|² + |X[N-k]|²)/N; magnitude |X[k] + conj X[N-k]|/N;
    // cosine coefficient (re[k] + re[N-k])/N.
    double PowerSpec(std::int32_t Line) const noexcept;
    double Magnitude(std::int32_t Line) const noexcept;
    double FourSerCosCoeff(std::int32_t Line) const noexcept;
    // (im[k] - im[N-k])/N for k = 1..N/2.
    double FourSerSinCoeff(std::int32_t Line) const noexcept;
    // ArcTan(im/re) of X[k], k = 1..N/2; for re = 0: π/2 when im > 0, else -π/2.
    double Phase(std::int32_t Line) const noexcept;

    // Cached extremes, recomputed on first read after a change: largest power over lines
    // 1..N/2-1 (0 when there are none), largest magnitude over lines 1..N/2 (0 for N = 1),
    // extremes of the real and imaginary parts over all values.
    double PowerMax() const noexcept;
    double MagniMax() const noexcept;
    double RealMax() const noexcept;
    double ImagMax() const noexcept;
    double RealMin() const noexcept;
    double ImagMin() const noexcept;

    // Zero both parts, the real parts or the imaginary parts of all values.
    void Clear() noexcept;
    void ClearReal() noexcept;
    void ClearImag() noexcept;

    // Multiplies every value (both parts) by the window, then transforms forward in place.
    void Transform() noexcept;
    // Transforms back in place (divided by N); no window.
    void InverseTransform() noexcept;

    // Ix / SampleTime / N for Ix = 1..N/2, else 0.
    Extended FreqOfLine(std::int32_t Ix, double SampleTime) const noexcept;
    // Round(N * Frequency * SampleTime) (halves to even) when it lies in 1..N/2, else 0
    // (also for NaN or infinite products).
    std::int32_t LineOfFreq(double Frequency, double SampleTime) const noexcept;
    // sqrt(Σ P(k)) / N over lines FirstIx..LastIx, P(k) = N * PowerSpec(k); bounds clamped
    // to 0..N/2 and put in order. Over all lines it is the RMS of the (windowed) signal.
    Extended RMS(std::int32_t FirstIx, std::int32_t LastIx) const noexcept;

protected:
    // The transform itself: +1 forward (windowed), -1 inverse; invalidates the extremes.
    void DoFFT(int ISign) noexcept;
    // Recomputes the six extremes and marks them valid.
    void CalcMaxValues() const noexcept;

private:
    struct TStore;  // signal storage, factor and window tables, scratch

    void Allocate(std::int32_t N, double UserWeight);
    // |X[k]|² summed as the line counts it (k = 0 and N/2 once, others with the mirror).
    double LinePower(std::int32_t Line) const noexcept;
    double LineMagnitude(std::int32_t Line) const noexcept;

    std::int32_t FNumData = 0;
    TFastFourierWgtWin FWgtWin = TFastFourierWgtWin::fwRectangle;
    mutable bool MaxValuesValid = false;
    mutable double FMaxReal = 0, FMaxImag = 0, FMinReal = 0, FMinImag = 0;
    mutable double FMaxPower = 0, FMaxMagni = 0;
    // User window, value i at i - 1.
    std::vector<double> FUserWgt;
    // 2N doubles: value i has its real part at 2i - 2, its imaginary part at 2i - 1.
    double* FData = nullptr;
    std::unique_ptr<TStore> FStore;
};

}  // namespace qmr
