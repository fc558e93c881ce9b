// Trace, transposition, flipping, dichotomy and discretization.
#pragma once

#include "foundations/detail/openarrays_core.h"

namespace qmr {

}  // namespace qmr
