// Unit initialisation and finalisation of QMR_complex.
#include "package/qmr_units.h"

namespace qmr::detail {

void InitUnit_QMR_complex() {}

void FiniUnit_QMR_complex() {}

}  // namespace qmr::detail
