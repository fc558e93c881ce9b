// Unit QMR_openarrays: routines over the dynamic arrays of one to four dimensions.
// Status codes: 0 success, -1 empty or unusable array, -2 bad index, range or shape,
// other negative values as each routine says. Nothing raises for bad input, and an
// array is left unchanged whenever the status is not success.
#pragma once

#include "foundations/QMR_openarrays_images.h"
#include "foundations/QMR_openarrays_extremes.h"
#include "foundations/QMR_openarrays_copy.h"
#include "foundations/QMR_openarrays_elemops.h"
#include "foundations/QMR_openarrays_fill.h"
#include "foundations/QMR_openarrays_stats.h"
#include "foundations/QMR_openarrays_reshape.h"
#include "foundations/QMR_openarrays_invert.h"
#include "foundations/QMR_openarrays_edges.h"
#include "foundations/QMR_openarrays_search.h"
