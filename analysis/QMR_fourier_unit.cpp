// Unit initialisation and finalisation of QMR_fourier.
#include "package/qmr_units.h"

namespace qmr::detail {

void InitUnit_QMR_fourier() {}

void FiniUnit_QMR_fourier() {}

}  // namespace qmr::detail
