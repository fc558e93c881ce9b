// The unit's random generators: congruential uniform, Gaussian, Bernoulli, Cauchy.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
