// Number text: decimal, engineering, exponent, radix, Roman and degree text and parsing.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
