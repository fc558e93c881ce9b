// Edge vectors, percentiles, value counts, hat matrices, cloning and comparison.
#pragma once

#include "foundations/detail/openarrays_core.h"

namespace qmr {

}  // namespace qmr
