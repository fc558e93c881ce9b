// Unit initialisation and finalisation of QMR_math2.
#include "analysis/QMR_math2.h"
#include "package/qmr_units.h"

namespace qmr::detail {

void InitUnit_QMR_math2() { AbortMathProc = false; }

// Frees the eigen result storage.
void FiniUnit_QMR_math2() { RemoveEigenMatrix(); }

}  // namespace qmr::detail
