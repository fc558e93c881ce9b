// Unit initialisation and finalisation of QMR_math2.
#include "package/qmr_units.h"
#include "platform/Qmr_qmrbase.h"

namespace qmr::detail {

void InitUnit_QMR_math2() { AbortMathProc = false; }

void FiniUnit_QMR_math2() {}

}  // namespace qmr::detail
