// Writing integer arrays as images, masked fill, row and column removal.
#pragma once

#include "foundations/detail/openarrays_core.h"

namespace qmr {

}  // namespace qmr
