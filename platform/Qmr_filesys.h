// Text-file helpers: ASC table headers and blank-delimited words.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
