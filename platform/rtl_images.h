// Platform images: a 24-bit bitmap with BMP, PNG and JPEG writers and an in-process clipboard.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
