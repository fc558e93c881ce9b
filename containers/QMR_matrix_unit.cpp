// Unit initialisation and finalisation of QMR_matrix.
#include "package/qmr_units.h"

namespace qmr::detail {

void InitUnit_QMR_matrix() {}

void FiniUnit_QMR_matrix() {}

}  // namespace qmr::detail
