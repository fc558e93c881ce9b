// Smoothing and digital filters over vector ranges: moving average, median and triangular
// windows, Savitzky-Golay smoothing and derivatives, windowed-sinc FIR kernels and their
// application, Chebyshev recursive filters run forward and backward (zero phase).
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

class TVector;
class TMatrix;

// Savitzky-Golay weights of the quadratic smoothing (GolayPoly) and of the second
// derivative per sample² (Golay2ndDeriv). Row k serves the window 2k + 5 (5, 7, ..., 25),
// half-width m = k + 2: column 0 the divisor, column 1 the centre weight, column 1 + i the
// weight of the two samples at offsets ±i (i = 1..m), the remaining columns 0.
extern QMR_API const std::int32_t GolayPoly[11][14];
extern QMR_API const std::int32_t Golay2ndDeriv[11][14];

// ---- window routines
//
// All share one contract. SourceVec or DestVec nil raises EQMRMath2Error "<name>: either
// SourceVec or DestVec is undefined". LoIx and HiIx are clamped to 1..NrOfElem of
// SourceVec and a reversed pair exchanged; HiIx - LoIx < WinLen raises the "range"
// message; then the window is checked (moving routines: WinLen <= 2 "out of range";
// Savitzky-Golay routines: WinLen < 5 or > 25; all: an even WinLen "must be odd").
// With m = WinLen div 2 and N = HiIx - LoIx + 1, DestVec[k] (k = m + 1..N - m) receives the
// window value centred on source element LoIx + k - 1; DestVec[1..m] repeat DestVec[m + 1]
// and DestVec[N - m + 1..N] repeat DestVec[N - m]. DestVec is not resized (elements beyond
// its count are dropped) and fires OnChange once at the end. DestVec may be SourceVec:
// the source is read before anything is written. A raise leaves DestVec untouched.

// Mean of the window.
QMR_API void MovingAverageSmooth(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                                 std::int32_t WinLen);
// Middle value of the window; NaN when the window holds a NaN.
QMR_API void MovingMedianSmooth(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                                std::int32_t WinLen);
// Triangular weights m + 1 - |j| over j = -m..m, divided by (m + 1)².
QMR_API void WeightedAverageSmooth(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                                   std::int32_t WinLen);
// Savitzky-Golay quadratic smoothing with GolayPoly (WinLen 5..25, odd).
QMR_API void PolynomialSmooth(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                              std::int32_t WinLen);
// Savitzky-Golay second derivative per sample² with Golay2ndDeriv (WinLen 5..25, odd).
QMR_API void SecondDeriv(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                         std::int32_t WinLen);
// Least-squares slope per sample: sum of j * x[i + j] over m(m + 1)(2m + 1)/3 (WinLen 5..25, odd).
QMR_API void FirstDeriv(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                        std::int32_t WinLen);

// ---- windowed-sinc kernels
//
// NPts taps, centre NPts div 2 + 1 (counting from 1); cutoffs are fractions of the
// sampling rate clamped to 0..0.5. Window 1 Hamming, 2 Blackman, any other none. The
// low-pass kernel is divided by its sum unless that is 0 (unit gain at zero frequency).
// The TDoubleArray forms store tap i at [i - 1] and give an empty kernel for NPts < 1; the
// TVector forms resize the vector to NPts and fire OnChange once, and leave it untouched
// for NPts < 1.

// Low-pass.
QMR_API void CalcSincLPKernel(std::int32_t NPts, double Cutoff, std::int32_t Window, TDoubleArray& Kernel);
QMR_API void CalcSincLPKernel(std::int32_t NPts, double Cutoff, std::int32_t Window, TVector& Kernel);
// High-pass: the low-pass kernel negated, plus 1 at the centre.
QMR_API void CalcSincHPKernel(std::int32_t NPts, double Cutoff, std::int32_t Window, TDoubleArray& Kernel);
QMR_API void CalcSincHPKernel(std::int32_t NPts, double Cutoff, std::int32_t Window, TVector& Kernel);
// Band-stop: low-pass at the lower cutoff plus high-pass at the higher (either order).
QMR_API void CalcSincBSKernel(std::int32_t NPts, double Cutoff1, double Cutoff2, std::int32_t Window,
                              TDoubleArray& Kernel);
QMR_API void CalcSincBSKernel(std::int32_t NPts, double Cutoff1, double Cutoff2, std::int32_t Window,
                              TVector& Kernel);
// Band-pass: the band-stop kernel negated, plus 1 at the centre.
QMR_API void CalcSincBPKernel(std::int32_t NPts, double Cutoff1, double Cutoff2, std::int32_t Window,
                              TDoubleArray& Kernel);
QMR_API void CalcSincBPKernel(std::int32_t NPts, double Cutoff1, double Cutoff2, std::int32_t Window,
                              TVector& Kernel);

// Correlates the range with FilterKernel (K taps, not flipped, centre K div 2 + 1):
// DestVec[b - LoIx + 1] := sum over e = 1..K of Source[b + e - 1 - K div 2] * Kernel[e],
// source indices clamped to the range LoIx..HiIx (normalised as for the window routines).
// Raises "MovingKernelfilter: SourceVec, DestVec and/or FilterKernel is undefined" for a
// nil vector and "MovingKernelfilter: specified range for smoothing is smaller than the
// length of the kernel" when HiIx - LoIx < K, with nothing changed. Otherwise DestVec is
// resized to SourceVec's count and fires OnChange once more at the end. Any of the
// vectors may be the same object.
QMR_API void MovingKernelFilter(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                                const TVector* FilterKernel);

// Chebyshev type-I low- or high-pass design from two-pole stages (Ripple 0: Butterworth).
// Cutoff: fraction of the sampling rate, strictly inside (0, 0.5); Ripple: percent, 0..29.
// Raises EQMRMath2Error, in this order, "CalcChebFilterCoeffs: NPoles must be even",
// "CalcChebFilterCoeffs: NPoles out of range" (above 20), "CalcChebFilterCoeffs: invalid
// Ripple value", "CalcChebFilterCoeffs: invalid cutoff frequency", with A0 and Coeffs
// untouched. Otherwise Coeffs becomes 2 x NPoles with row r = (a_r, b_r) for
// y[n] = A0 x[n] + sum over r of (a_r x[n - r] + b_r y[n - r]), gain 1 at zero frequency
// (low-pass) or at the Nyquist frequency (high-pass). NPoles <= 0 gives A0 = 1 and no rows.
QMR_API void CalcChebFilterCoeffs(std::int32_t NPoles, bool HighPass, double Cutoff, double Ripple, double& A0,
                                  TMatrix& Coeffs);

// Runs the recursive filter (A0, Coeffs as made by CalcChebFilterCoeffs; NP = rows of
// Coeffs, P = NP + 1) forward over SourceVec from element 1 (delayed by P, zeros outside
// the vector) to HiIx + 2P, then backward over that result, and writes the zero-phase
// output at absolute positions DestVec[i], i = max(LoIx, 1)..HiIx (the source before LoIx
// takes part). DestVec is not resized (positions beyond it are dropped) and fires OnChange
// once; HiIx < max(LoIx, 1) does nothing. DestVec may be SourceVec.
QMR_API void ChebychevFilter(const TVector& SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector& DestVec,
                             double A0, const TMatrix& Coeffs);

}  // namespace qmr
