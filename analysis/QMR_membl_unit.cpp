// Unit initialisation and finalisation of QMR_membl.
#include "package/qmr_units.h"
#include "platform/Qmr_qmrbase.h"

namespace qmr::detail {

void InitUnit_QMR_membl() { AbortMathProc = false; }

void FiniUnit_QMR_membl() {}

}  // namespace qmr::detail
