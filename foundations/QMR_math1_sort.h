// Ordering tools: exchange, comb sort, top-N lists, quick-select, histogram bins.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
