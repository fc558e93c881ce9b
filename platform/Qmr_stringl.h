// String routines: trimming, searching, tokenising, quoted-name parsing.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
