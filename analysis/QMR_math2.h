// Unit QMR_math2: least squares and the pseudo-inverse, ranks, covariance-type
// matrices, Jacobi eigenvectors and principal components; smoothing and filters,
// kernel convolution, distances and shapes; the curve fitter TCurveFit (topic headers
// below).
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

// Exception of the analysis routines.
class QMR_API EQMRMath2Error : public EQMRError { public: using EQMRError::EQMRError; };
// Exception of the expression facility.
class QMR_API EQMRMathExp : public EQMRError { public: using EQMRError::EQMRError; };

// Fisher's separation (mean1 - mean2)^2 / max(sd1^2 + sd2^2, 1e-6) (defined with the
// special functions of QMR_statis).
QMR_API double CalcFishQ(double mean1, double mean2, double sd1, double sd2);

}  // namespace qmr

#include "analysis/QMR_math2_lsq.h"
#include "analysis/QMR_math2_eigen.h"
#include "analysis/QMR_math2_filters.h"
#include "analysis/QMR_math2_kernels.h"
#include "analysis/QMR_math2_curvefit.h"
#include "analysis/QMR_math2_cluster.h"
#include "analysis/QMR_math2_polygon.h"
