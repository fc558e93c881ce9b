// Unit initialisation and finalisation of QMR_openarrays.
#include "package/qmr_units.h"

namespace qmr::detail {

void InitUnit_QMR_openarrays() {}

void FiniUnit_QMR_openarrays() {}

}  // namespace qmr::detail
