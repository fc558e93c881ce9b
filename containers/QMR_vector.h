// Vectors of double (TVector) and of 32-bit integers (TIntVector).
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
