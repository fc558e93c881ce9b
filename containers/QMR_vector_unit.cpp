// Unit initialisation and finalisation of QMR_vector.
#include "package/qmr_units.h"

namespace qmr::detail {

void InitUnit_QMR_vector() {}

void FiniUnit_QMR_vector() {}

}  // namespace qmr::detail
