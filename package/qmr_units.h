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
void InitUnit_QMR_datatable();
void FiniUnit_QMR_datatable();
void InitUnit_QMR_math2();
void FiniUnit_QMR_math2();
void InitUnit_QMR_statis();
void FiniUnit_QMR_statis();
void InitUnit_QMR_fourier();
void FiniUnit_QMR_fourier();
void InitUnit_QMR_wavelet();
void FiniUnit_QMR_wavelet();
void InitUnit_QMR_membl();
void FiniUnit_QMR_membl();
void InitUnit_QMR_kohonen();
void FiniUnit_QMR_kohonen();
}  // namespace qmr::detail
