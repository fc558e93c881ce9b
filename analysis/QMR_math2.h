// Analysis routines: least squares, covariance and eigenvectors, curve fitting, clustering, filters, kernels and polygons.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

// Exception of the analysis routines.
class QMR_API EQMRMath2Error : public EQMRError { public: using EQMRError::EQMRError; };

}  // namespace qmr
