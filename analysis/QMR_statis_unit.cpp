// Unit initialisation and finalisation of QMR_statis.
#include "package/qmr_units.h"

namespace qmr::detail {

void InitUnit_QMR_statis() {}

void FiniUnit_QMR_statis() {}

}  // namespace qmr::detail
