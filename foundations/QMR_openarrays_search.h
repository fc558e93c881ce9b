// Distances between array rows, sorting with an index, duplicates, shuffling, flood fill, sorted search, frequency distributions.
#pragma once

#include "foundations/detail/openarrays_core.h"

namespace qmr {

}  // namespace qmr
