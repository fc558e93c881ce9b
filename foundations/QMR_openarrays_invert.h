// In-place inversion of square double arrays; negation of Boolean arrays.
#pragma once

#include "foundations/detail/openarrays_core.h"

namespace qmr {

}  // namespace qmr
