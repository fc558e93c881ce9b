// Unit QMR_openarrays: routines over the dynamic arrays of one to four dimensions.
// Status codes: 0 success, -1 empty or unusable array, -2 bad index, range or shape,
// other negative values as each routine says. Nothing raises for bad input, and an
// array is left unchanged whenever the status is not success.
#pragma once

#include "foundations/detail/openarrays_core.h"
