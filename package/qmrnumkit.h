// qmrnumkit: numerical and data-analysis class library. Umbrella header: every unit.
#pragma once

#include "platform/rtl_core.h"
#include "platform/Qmr_qmrbase.h"

#include "foundations/QMR_math1.h"
#include "foundations/QMR_complex.h"
#include "foundations/QMR_sline.h"
#include "foundations/QMR_openarrays.h"

#include "containers/QMR_vector.h"
#include "containers/QMR_matrix.h"
