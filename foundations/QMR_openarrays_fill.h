// Filling arrays: constants, running indices, diagonals, random values.
#pragma once

#include "foundations/detail/openarrays_core.h"

namespace qmr {

}  // namespace qmr
