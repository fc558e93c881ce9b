// Statistics: special functions and distributions, tests, density estimation, tabulated random numbers, classifier evaluation and cross-validation.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

// Exception of the statistics routines.
class QMR_API EQMRStatisError : public EQMRError { public: using EQMRError::EQMRError; };

}  // namespace qmr
