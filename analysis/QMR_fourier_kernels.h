// Core of the fast Fourier transform: in-place complex transform of a power-of-two
// number of interleaved (re, im) doubles. Internal to the library.
//
// The result is that of the radix-2 decimation-in-time transform whose twiddle factors
// are the correctly rounded values of exp(±2πik/M): every value meets the textbook
// butterflies (t = w * b, b = a - t, a = a + t) of every stage in order, only their
// grouping in memory differs. The vector paths (SSE2 always, AVX and AVX-512 when the
// processor has them) perform the same operations lane by lane, so results do not depend on the processor.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qmr::detail::fft {

// Largest supported length: 2^23 complex values.
inline constexpr int kMaxLog2 = 23;

// Tables and scratch of one length N, owned by the transforming object (two objects may
// transform on two threads). Factors w^j = exp(2πij/N) for j = 0..N/4 - 1, the first
// quarter wave (the other quarters follow exactly by multiplication with i), and a
// scratch of at most 4096 complex values.
struct TTables {
    std::size_t N = 0;
    std::vector<double> Re, Im;
    std::vector<double> Work;
};

// Builds the tables of length N (a power of two, at most 2^kMaxLog2) into T; leaves T
// untouched and lets std::bad_alloc pass when memory runs out.
void BuildTables(std::size_t N, TTables& T);

// How the forward transform weights value p (0-based) before transforming.
enum class TWeightKind : std::uint8_t {
    None,       // no weighting
    Full,       // W[p]
    Symmetric,  // W[|p + 1 - N/2|] (windows symmetric about value N/2; needs N >= 2)
    Triangle,   // 2(p + 1)/N for p < N/2, 2(N - p)/N above (nothing for N = 1)
};

struct TWeight {
    TWeightKind Kind = TWeightKind::None;
    const double* W = nullptr;
};

// Transforms the N = T.N complex values of Data (2N doubles, re at 2p, im at 2p + 1) in
// place. Sign +1: X[k] = Σ w(n) x[n] e^(+2πi nk/N), unscaled, weights applied first;
// Sign -1: x[n] = (1/N) Σ X[k] e^(-2πi nk/N), Weight ignored.
void Transform(double* Data, TTables& T, int Sign, TWeight Weight);

// Vector path of the transforms: 0 SSE2, 1 AVX, 2 AVX-512. Forcing a path the processor lacks is
// ignored; exported so that the tests can check both paths give the same bits.
QMR_API int ActivePath() noexcept;
QMR_API void ForcePath(int Path) noexcept;
// Detects the processor's vector support (once, at library load).
void DetectPaths() noexcept;

}  // namespace qmr::detail::fft
