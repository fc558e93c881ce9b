// Platform number text: fixed-point and exponent notation.
#pragma once

#include "platform/rtl_core.h"

namespace qmr {

}  // namespace qmr
