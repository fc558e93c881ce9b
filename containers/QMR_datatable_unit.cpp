// Unit initialisation and finalisation of QMR_datatable.
#include "package/qmr_units.h"

namespace qmr::detail {

void InitUnit_QMR_datatable() {}

void FiniUnit_QMR_datatable() {}

}  // namespace qmr::detail
