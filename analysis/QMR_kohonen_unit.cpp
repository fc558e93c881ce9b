// Unit initialisation and finalisation of QMR_kohonen.
#include "package/qmr_units.h"

namespace qmr::detail {

void InitUnit_QMR_kohonen() {}

void FiniUnit_QMR_kohonen() {}

}  // namespace qmr::detail
