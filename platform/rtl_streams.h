// Platform streams: TStream, TFileStream, TMemoryStream.
#pragma once

#include "platform/rtl_core.h"

namespace qmr {

}  // namespace qmr
