// The unit's random generators: congruential uniform, Gaussian, Bernoulli, Cauchy.
// Their state is unit-global and not safe for concurrent use.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

// Uniform in [0, 1) from three combined congruential generators; a non-zero Seed
// restarts the sequence, 0 continues it.
QMR_API double LongRand(std::int32_t Seed);
// Standard normal deviate (polar method); every second call returns the cached partner.
QMR_API double GRandom();
// True with probability P (P >= 1 draws nothing).
QMR_API bool BRandom(double P);
// Cauchy deviate: Location + Scale * tan((Random - 0.5) * pi).
QMR_API double CRandom(double Location, double Scale);
// 1 for X >= 0 (also for 0), else -1.
QMR_API std::int32_t Signum(double X);

}  // namespace qmr
