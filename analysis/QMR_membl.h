// Memory-based (nearest-neighbour) learner with its model files (TMemBasedLearner).
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
