// Unit initialisation and finalisation of QMR_fourier.
#include "analysis/QMR_fourier_kernels.h"
#include "package/qmr_units.h"

namespace qmr::detail {

// Chooses the widest vector path the processor offers for the transforms.
void InitUnit_QMR_fourier() { fft::DetectPaths(); }

void FiniUnit_QMR_fourier() {}

}  // namespace qmr::detail
