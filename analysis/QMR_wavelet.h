// Daubechies wavelet transform of power-of-two signals (TWavelet1D).
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qmr {

// Exception of the wavelet transform.
class QMR_API EQMRWaveletError : public EQMRError { public: using EQMRError::EQMRError; };

// Wavelet family of TWavelet1D.
enum class TWaveletFamily : std::uint8_t { wlfDaubechies };
// How a filter step extends the signal beyond its left edge (index t < 0): wrap around
// to the end, treat as zero, or mirror (t -> -t - 1).
enum class TWLSigExtMode : std::uint8_t { wseWrap, wseZeroPad, wseSymmetric };

// A signal of N = 2^k values (k = 0..23), stored as Extended and transformed in place,
// level by level, with the orthogonal Daubechies wavelet of order K = 1..3 (2K taps):
// each step puts the approximation coefficients into the first half of the values it
// covers and the details into the second. Only the left edge is extended; the inverse
// always starts at length 2, so Transform(L) is undone by InverseTransform(L) at full
// depth (L = log2 N) with wseWrap.
class QMR_API TWavelet1D : public TComponent {
public:
    // Family wlfDaubechies, order 2, wseWrap, N = 256 zeros.
    explicit TWavelet1D(TComponent* AOwner);
    ~TWavelet1D() override;
    std::string ClassName() const override;

    TWaveletFamily WaveletFamily() const noexcept { return FWaveletFam; }
    void SetWaveletFamily(TWaveletFamily Value) noexcept { FWaveletFam = Value; }
    // K; anything but 1..3 raises EQMRWaveletError "invalid order of Daubechies wavelet
    // family" and keeps the order. The values are kept.
    std::int32_t Order() const noexcept { return FOrder; }
    void SetOrder(std::int32_t K);
    // N. Setting it (even to the same N) clears all values. Anything but 2^k, k = 0..23,
    // raises EQMRWaveletError "data length must be power of 2", and no memory raises
    // "not enough memory on heap"; both leave the object unchanged.
    std::int32_t Size() const noexcept { return FNumData; }
    void SetSize(std::int32_t N);
    // The extension rule; the values are kept.
    TWLSigExtMode SignalExtMode() const noexcept { return FWLSigExtMode; }
    void SetSignalExtMode(TWLSigExtMode Value) noexcept { FWLSigExtMode = Value; }

    // Value Ix = 1..N rounded to double; 0 outside. Writes store the double; ignored outside.
    double Data(std::int32_t Ix) const noexcept;
    void SetData(std::int32_t Ix, double Value) noexcept;
    // All values 0.
    void Clear() noexcept;

    // Level forward steps (lengths N, N/2, ... while above 1); Level <= 0 counts as 1.
    // Nothing happens for N = 1. Needs scratch of N values: without memory it raises
    // EQMRWaveletError "not enough memory on heap" and changes nothing.
    void Transform(std::int32_t Level);
    // Level inverse steps over lengths 2, 4, ... (at most N); Level <= 0 counts as 1.
    // Failure as Transform.
    void InverseTransform(std::int32_t Level);
    // One step over the whole signal, forward or inverse; N = 1 leaves the value.
    // Failure as Transform.
    void SingleStep(bool Inverse);

protected:
    // One filter step over the n values from Offset on (n a power of two >= 2), through
    // Scratch (at least n values).
    void PartialWLT(std::int32_t n, std::int32_t Offset, bool Inverse, Extended* Scratch) noexcept;
    // The level loop of Transform and InverseTransform.
    void DoWLT(std::int32_t Level, bool Inverse);

private:
    std::vector<Extended> AllocateScratch() const;

    std::int32_t FNumData = 0;
    std::vector<Extended> FData;       // value i at i - 1
    std::int32_t FOrder = 0;
    std::vector<Extended> FCoeffsLP;   // scaling filter h[0..2K-1], taps summing to √2
    std::vector<Extended> FCoeffsHP;   // wavelet filter g[j] = (-1)^j h[2K-1-j]
    TWLSigExtMode FWLSigExtMode = TWLSigExtMode::wseWrap;
    TWaveletFamily FWaveletFam = TWaveletFamily::wlfDaubechies;
};

}  // namespace qmr
