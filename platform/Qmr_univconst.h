// Universal numeric constants and the table of ln n!.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
