// Analysis routines: least squares, covariance and eigenvectors, curve fitting, clustering, filters, kernels and polygons.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

// Exception of the analysis routines.
class QMR_API EQMRMath2Error : public EQMRError { public: using EQMRError::EQMRError; };
// Exception of the expression facility.
class QMR_API EQMRMathExp : public EQMRError { public: using EQMRError::EQMRError; };

}  // namespace qmr

#include "analysis/QMR_math2_filters.h"
#include "analysis/QMR_math2_kernels.h"
