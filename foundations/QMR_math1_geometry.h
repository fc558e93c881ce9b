// Plane geometry: angles, orientation, segments, rectangles, ellipses, distances.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
