// Statistics: special functions and distributions, tests, density estimation, tabulated random numbers, classifier evaluation and cross-validation.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr {

// Exception of the statistics routines.
class QMR_API EQMRStatisError : public EQMRError { public: using EQMRError::EQMRError; };

}  // namespace qmr

#include "analysis/QMR_statis_special.h"
#include "analysis/QMR_statis_cfeval.h"
#include "analysis/QMR_statis_crossval.h"
#include "analysis/QMR_statis_randgen.h"
#include "analysis/QMR_statis_runs.h"
#include "analysis/QMR_statis_contingency.h"
#include "analysis/QMR_statis_ranktests.h"
#include "analysis/QMR_statis_outliers.h"
