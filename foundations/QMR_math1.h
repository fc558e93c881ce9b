// Unit QMR_math1: scalar mathematics, ordering, random numbers, number text,
// plane geometry, primes and interpolation.
#pragma once

#include "foundations/QMR_math1_sort.h"
#include "foundations/QMR_math1_random.h"
#include "foundations/QMR_math1_scalar.h"
#include "foundations/QMR_math1_text.h"
#include "foundations/QMR_math1_geometry.h"
#include "foundations/QMR_math1_primes.h"
