// Read-only view of a TMatrix's storage for the library's kernels, so that a long
// computation reads its input without one call per element. Internal to the library.
#pragma once

#include "containers/QMR_matrix.h"

#include <cstddef>

namespace qmr::detail {

struct TMatrixAccess {
    // Element (column c, row r), both 1-based and inside the counts, is at
    // Data(M)[(c - 1) * Ld(M) + (r - 1)]; columns are contiguous.
    static const double* Data(const TMatrix& M) noexcept { return M.FMat.data(); }
    static std::size_t Ld(const TMatrix& M) noexcept { return M.StoreRows(); }
};

}  // namespace qmr::detail
