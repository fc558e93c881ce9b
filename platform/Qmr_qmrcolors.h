// Colour conversions: RGB to gray and to hue, saturation and intensity.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
