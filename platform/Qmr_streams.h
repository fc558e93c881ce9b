// Typed values on streams, TMixedFStream and the tag readers of XML-like text.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
