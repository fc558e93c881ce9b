// Unit initialisation and finalisation of QMR_complex.
#include "package/qmr_units.h"

#include "foundations/QMR_complex.h"

namespace qmr::detail {

void InitUnit_QMR_complex() {
#if QMR_EXTENDED_80
    CpxNearZero = 1e-15L;
#else
    CpxNearZero = 1e-15;
#endif
}

void FiniUnit_QMR_complex() {}

}  // namespace qmr::detail
