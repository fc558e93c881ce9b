// Initialisation and finalisation hooks of the units, called by the package loader only.
#pragma once

#include <iterator>

namespace qmr::detail {
void InitUnit_QMR_math1();
void FiniUnit_QMR_math1();
void InitUnit_QMR_complex();
void FiniUnit_QMR_complex();
void InitUnit_QMR_sline();
void FiniUnit_QMR_sline();
void InitUnit_QMR_openarrays();
void FiniUnit_QMR_openarrays();
void InitUnit_QMR_vector();
void FiniUnit_QMR_vector();
void InitUnit_QMR_matrix();
void FiniUnit_QMR_matrix();
}  // namespace qmr::detail
