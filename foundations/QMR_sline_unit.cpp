// Unit initialisation and finalisation of QMR_sline.
#include "package/qmr_units.h"

namespace qmr::detail {

void InitUnit_QMR_sline() {}

void FiniUnit_QMR_sline() {}

}  // namespace qmr::detail
