// Means and standard deviations of blocks; element-wise and scalar arithmetic.
#pragma once

#include "foundations/detail/openarrays_core.h"

namespace qmr {

}  // namespace qmr
