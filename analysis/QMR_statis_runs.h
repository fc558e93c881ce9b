// Runs tests, the percentile of an array range and an adaptive kernel density estimate.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

class TBitFld;
class TVector;

// Value := the element of rank k = min(Round(Pct n / 100), n - 1) of Data[LowIx..HighIx]
// (0-based, n elements; the range is reordered). 0, or -2 for Pct outside 0..100 (NaN
// included), else -3 for HighIx < LowIx, else -1 for an index outside the array; Value
// is 0 on a refusal.
QMR_API std::int32_t PercentileOfArray(TDoubleArray& Data, double Pct, std::int32_t LowIx, std::int32_t HighIx,
                                       double& Value);

// P(R <= r) for the number R of runs in a random arrangement of n1 and n2 items: exact
// integers while the binomials fit 64 bits (always for counts up to 25), sums of
// logarithms beyond. 0 for r < 2 or a negative count; within [0, 1].
QMR_API double ExactRunsTest(std::int32_t n1, std::int32_t n2, std::int32_t r);

// Runs test of bits 0..Size of Bits: P is the exact lower tail for counts up to 25 each
// (too few runs), else the normal approximation's observed tail (either way); True when
// P < 0.05. Nil Bits: False with P = -1.
QMR_API bool RunsTest(const TBitFld* Bits, double& P);
// Runs test of Data against its median (bit i - 1 set when element i exceeds it, in a
// field of size n - 1). P starts at -1; nil Data gives False.
QMR_API bool RunsTestSerial(const TVector* Data, double& P);

// Progress of EstimateProbDensity: Sender nil, Step 1..n + NumSteps + 1, Percent.
using TDensityFeedback = void (*)(TObject* Sender, double Step, double Percent);

// Gaussian kernel density of Data at NumSteps + 1 points from LowX to HighX (NumSteps
// clamped to 10..10000) into Density (resized). Data is sorted ascending in place. Each
// point's bandwidth is BwFactor (<= 0 or NaN: 1) times the mean gap of its neighbours
// within Window. MinIx, MaxIx: first positions of the smallest and largest value (MaxIx
// only written once a value exceeds 0). Nil Data or Density: nothing happens.
QMR_API void EstimateProbDensity(TVector* Data, TVector* Density, double LowX, double HighX, double BwFactor,
                                 double Window, std::int32_t NumSteps, std::int32_t& MinIx, std::int32_t& MaxIx,
                                 TDensityFeedback Feedback);

}  // namespace qmr
