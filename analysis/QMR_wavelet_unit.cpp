// Unit initialisation and finalisation of QMR_wavelet.
#include "package/qmr_units.h"

namespace qmr::detail {

void InitUnit_QMR_wavelet() {}

void FiniUnit_QMR_wavelet() {}

}  // namespace qmr::detail
