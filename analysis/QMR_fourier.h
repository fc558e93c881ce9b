// Fast Fourier transform with weighting windows (TFastFourier).
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

// Exception of the Fourier transform.
class QMR_API EQMRFourierError : public EQMRError { public: using EQMRError::EQMRError; };

}  // namespace qmr
