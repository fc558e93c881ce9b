// Dense matrix of double (TMatrix) with linear algebra.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
