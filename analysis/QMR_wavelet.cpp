// TWavelet1D: storage, Daubechies filters and the filter steps.
#include "analysis/QMR_wavelet.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace qmr {

namespace {

constexpr const char* kNotPowerOf2 = "data length must be power of 2";
constexpr const char* kBadOrder = "invalid order of Daubechies wavelet family";
constexpr const char* kNoMemHeap = "not enough memory on heap";
constexpr std::int32_t kMaxLength = std::int32_t{1} << 23;

bool IsValidLength(std::int32_t N) noexcept { return N >= 1 && N <= kMaxLength && (N & (N - 1)) == 0; }

// Scaling filter of order K (2K taps summing to √2), h[0] first.
std::vector<Extended> DaubechiesFilter(std::int32_t K) {
    const Extended R2 = std::sqrt(Extended{2});
    switch (K) {
    case 1: return {1 / R2, 1 / R2};
    case 2: {
        const Extended R3 = std::sqrt(Extended{3}), D = 4 * R2;
        return {(1 + R3) / D, (3 + R3) / D, (3 - R3) / D, (1 - R3) / D};
    }
    default: {
        // closed form of the six taps, with h[1] the largest and h[3], h[4] negative
        const Extended A = std::sqrt(Extended{10}), B = std::sqrt(5 + 2 * A), D = 16 * R2;
        return {(1 + A + B) / D,          (5 + A + 3 * B) / D, (10 - 2 * A + 2 * B) / D,
                (10 - 2 * A - 2 * B) / D, (5 + A - 3 * B) / D, (1 + A - B) / D};
    }
    }
}

// Source index of filter position t (t <= n - 1; t < 0 only left of the signal) under
// the extension rule; -1 when the position contributes nothing. The mirror folds with
// period 2n, so lengths shorter than the filter stay inside the signal.
std::ptrdiff_t Extend(std::ptrdiff_t t, std::ptrdiff_t n, TWLSigExtMode Mode) noexcept {
    if (t >= 0) return t;
    switch (Mode) {
    case TWLSigExtMode::wseWrap: return static_cast<std::ptrdiff_t>(static_cast<std::size_t>(t) & static_cast<std::size_t>(n - 1));
    case TWLSigExtMode::wseZeroPad: return -1;
    case TWLSigExtMode::wseSymmetric: {
        std::ptrdiff_t u = -t - 1;
        if (u >= n) u = 2 * n - 1 - u;
        return u;
    }
    }
    return -1;
}

// One forward or inverse step with L taps over X[0..n-1] into S[0..n-1]. Output l of the
// forward step (l = 0..n/2-1) reads positions t = 2l + 2 - L + m, m = 0..L-1, in order;
// the inverse spreads input l back over the same positions, l by l. Only the first
// L/2 - 1 outputs reach left of the signal.
template <int L>
void FilterStep(const Extended* X, Extended* S, std::ptrdiff_t n, const Extended* h, const Extended* g, bool Inverse,
                TWLSigExtMode Mode) noexcept {
    const std::ptrdiff_t Half = n / 2;
    const std::ptrdiff_t Edge = std::min<std::ptrdiff_t>(Half, L / 2 - 1);  // outputs with t < 0
    if (!Inverse) {
        for (std::ptrdiff_t l = 0; l < Half; ++l) {
            const std::ptrdiff_t t0 = 2 * l + 2 - L;
            Extended A = 0, D = 0;
            if (l < Edge) {
                for (int m = 0; m < L; ++m) {
                    const std::ptrdiff_t t = Extend(t0 + m, n, Mode);
                    if (t < 0) continue;
                    A += h[m] * X[t];
                    D += g[m] * X[t];
                }
            } else {
                for (int m = 0; m < L; ++m) {
                    A += h[m] * X[t0 + m];
                    D += g[m] * X[t0 + m];
                }
            }
            S[l] = A;
            S[l + Half] = D;
        }
        return;
    }
    std::fill(S, S + n, Extended{0});
    for (std::ptrdiff_t l = 0; l < Half; ++l) {
        const std::ptrdiff_t t0 = 2 * l + 2 - L;
        const Extended A = X[l], D = X[l + Half];
        if (l < Edge) {
            for (int m = 0; m < L; ++m) {
                const std::ptrdiff_t t = Extend(t0 + m, n, Mode);
                if (t >= 0) S[t] += h[m] * A + g[m] * D;
            }
        } else {
            for (int m = 0; m < L; ++m) S[t0 + m] += h[m] * A + g[m] * D;
        }
    }
}

}  // namespace

TWavelet1D::TWavelet1D(TComponent* AOwner) : TComponent(AOwner) {
    SetSize(256);
    SetOrder(2);
}

TWavelet1D::~TWavelet1D() = default;

std::string TWavelet1D::ClassName() const { return "TWavelet1D"; }

void TWavelet1D::SetOrder(std::int32_t K) {
    if (K < 1 || K > 3) throw EQMRWaveletError(ComponentMessage(this, kBadOrder));
    std::vector<Extended> H = DaubechiesFilter(K);
    std::vector<Extended> G(H.size());
    for (std::size_t j = 0; j < H.size(); ++j) G[j] = (j % 2 == 0 ? 1 : -1) * H[H.size() - 1 - j];
    FCoeffsLP = std::move(H);
    FCoeffsHP = std::move(G);
    FOrder = K;
}

void TWavelet1D::SetSize(std::int32_t N) {
    if (!IsValidLength(N)) throw EQMRWaveletError(ComponentMessage(this, kNotPowerOf2));
    std::vector<Extended> Data;
    try {
        Data.assign(static_cast<std::size_t>(N), Extended{0});
    } catch (const std::bad_alloc&) {
        throw EQMRWaveletError(ComponentMessage(this, kNoMemHeap));
    }
    FData = std::move(Data);
    FNumData = N;
}

double TWavelet1D::Data(std::int32_t Ix) const noexcept {
    return Ix >= 1 && Ix <= FNumData ? static_cast<double>(FData[static_cast<std::size_t>(Ix) - 1]) : 0.0;
}

void TWavelet1D::SetData(std::int32_t Ix, double Value) noexcept {
    if (Ix >= 1 && Ix <= FNumData) FData[static_cast<std::size_t>(Ix) - 1] = Value;
}

void TWavelet1D::Clear() noexcept { std::fill(FData.begin(), FData.end(), Extended{0}); }

std::vector<Extended> TWavelet1D::AllocateScratch() const {
    try {
        return std::vector<Extended>(FData.size());
    } catch (const std::bad_alloc&) {
        throw EQMRWaveletError(ComponentMessage(this, kNoMemHeap));
    }
}

void TWavelet1D::PartialWLT(std::int32_t n, std::int32_t Offset, bool Inverse, Extended* Scratch) noexcept {
    Extended* X = FData.data() + Offset;
    const Extended* h = FCoeffsLP.data();
    const Extended* g = FCoeffsHP.data();
    switch (FOrder) {
    case 1: FilterStep<2>(X, Scratch, n, h, g, Inverse, FWLSigExtMode); break;
    case 2: FilterStep<4>(X, Scratch, n, h, g, Inverse, FWLSigExtMode); break;
    default: FilterStep<6>(X, Scratch, n, h, g, Inverse, FWLSigExtMode); break;
    }
    std::copy(Scratch, Scratch + n, X);
}

void TWavelet1D::DoWLT(std::int32_t Level, bool Inverse) {
    if (FNumData <= 1) return;
    if (Level <= 0) Level = 1;
    std::vector<Extended> Scratch = AllocateScratch();
    if (!Inverse) {
        for (std::int32_t n = FNumData; Level > 0 && n > 1; --Level, n /= 2) PartialWLT(n, 0, false, Scratch.data());
    } else {
        for (std::int32_t n = 2; Level > 0 && n <= FNumData; --Level, n *= 2) PartialWLT(n, 0, true, Scratch.data());
    }
}

void TWavelet1D::Transform(std::int32_t Level) { DoWLT(Level, false); }

void TWavelet1D::InverseTransform(std::int32_t Level) { DoWLT(Level, true); }

void TWavelet1D::SingleStep(bool Inverse) {
    if (FNumData <= 1) return;
    std::vector<Extended> Scratch = AllocateScratch();
    PartialWLT(FNumData, 0, Inverse, Scratch.data());
}

}  // namespace qmr
