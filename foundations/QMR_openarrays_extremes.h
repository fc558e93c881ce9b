// Extremes of arrays with their positions.
#pragma once

#include "foundations/detail/openarrays_core.h"

namespace qmr {

}  // namespace qmr
