// Primes, factorisation, fractions, table interpolation, bits and byte order.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

}  // namespace qmr
