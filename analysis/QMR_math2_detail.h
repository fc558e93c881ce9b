// Internals of QMR_math2 that the tests reach. Internal to the library.
#pragma once

#include "platform/Qmr_qmrbase.h"

namespace qmr::detail {

// Vector width, in doubles, of the Jacobi rotations of CalcEigVec: 2, 4 or 8, capped
// at the widest the processor has; 0 (the default) selects the widest. Every width
// gives the same bits. Returns the width now in use. Not to be called while a
// decomposition runs.
QMR_API int SetJacobiWidth(int Width) noexcept;

// The same for the distance kernels of the neighbour searches and k-means.
QMR_API int SetClusterWidth(int Width) noexcept;

}  // namespace qmr::detail
