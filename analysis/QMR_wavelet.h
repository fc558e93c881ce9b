// Daubechies wavelet transform of power-of-two signals (TWavelet1D).
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

// Exception of the wavelet transform.
class QMR_API EQMRWaveletError : public EQMRError { public: using EQMRError::EQMRError; };

}  // namespace qmr
