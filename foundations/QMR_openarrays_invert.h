// In-place inversion of square double arrays; negation of Boolean arrays.
#pragma once

#include "foundations/detail/openarrays_core.h"

#include <cstdint>

namespace qmr {

// Replaces the square matrix (A[column][row]) by its inverse: Crout LU decomposition with
// implicit row scaling and partial pivoting; adds 2n to ProcStat and polls AbortMathProc.
// 0 inverted; -1 not square, empty or ragged; -2 work storage not obtained; -3 singular,
// aborted or no finite inverse (the matrix may then hold its LU factors).
QMR_API std::int32_t InvertArray(TDouble2DArray& Matrix);
// Negates every cell; -1 when there is no column, the first column is empty or a column is shorter.
QMR_API std::int32_t InvertArray(TBool2DArray& Cells);
// Negates every cell; -1 when the array is empty.
QMR_API std::int32_t InvertArray(TBoolArray& Cells);

}  // namespace qmr
