// Internals of the density estimate that the tests reach. Internal to the library.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr::detail {

// How far below a step's largest kernel term, in natural-log units, EstimateProbDensity
// still evaluates terms; smaller ones only bound the sum, and a step the bounds leave
// open is summed again in full. Every value gives the same bits. Negative or NaN: the
// default, 53 ln 2 + ln(n + 1) + 12. Returns the previous setting (-1 for the default).
// Not to be called while an estimate runs.
QMR_API double SetDensitySlack(double Nats) noexcept;

}  // namespace qmr::detail
