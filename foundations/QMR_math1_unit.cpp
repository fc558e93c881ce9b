// Unit initialisation and finalisation of QMR_math1.
#include "package/qmr_units.h"

namespace qmr::detail {

void InitUnit_QMR_math1() {}

void FiniUnit_QMR_math1() {}

}  // namespace qmr::detail
