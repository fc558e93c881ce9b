// Read-only view of the storage of TVector and TIntVector for the library's kernels, so
// that a long computation reads its input without one call per element. Internal to the
// library.
#pragma once

#include "containers/QMR_vector.h"

namespace qmr::detail {

struct TVectorAccess {
    // Element i (1-based, inside NrOfElem) is Data(V)[i - 1].
    static const double* Data(const TVector& V) noexcept { return V.FVec.data(); }
    static const std::int32_t* Data(const TIntVector& V) noexcept { return V.FVec.data(); }
};

}  // namespace qmr::detail
