// Copying arrays whole and by blocks, rows and columns; counting true cells.
#pragma once

#include "foundations/detail/openarrays_core.h"

namespace qmr {

}  // namespace qmr
