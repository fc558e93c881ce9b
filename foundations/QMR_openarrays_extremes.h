// Extremes of arrays with their positions.
// Cells are scanned with the first index outermost; of equal extremes the first one
// found wins. An empty or ragged array gives the sentinels: MaxArray returns
// -2147483648 (integers) or -MaxDouble (reals), MinArray 2147483647 or +MaxDouble, and
// no position is written. Not-a-number cells take no part; an array without a number
// counts as empty.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <span>

namespace qmr {

// Largest cell.
QMR_API std::int32_t MaxArray(const TIntArray& A);
QMR_API std::int32_t MaxArray(const TIntArray& A, std::int32_t& Pos);
QMR_API std::int32_t MaxArray(const TInt2DArray& A);
QMR_API std::int32_t MaxArray(const TInt2DArray& A, std::int32_t& Col, std::int32_t& Row);
QMR_API std::int32_t MaxArray(const TInt3DArray& A);
QMR_API std::int32_t MaxArray(const TInt4DArray& A);
QMR_API double MaxArray(const TDoubleArray& A);
QMR_API double MaxArray(const TDouble2DArray& A);
QMR_API double MaxArray(const TDouble3DArray& A);
QMR_API double MaxArray(const TDouble4DArray& A);

// Smallest cell.
QMR_API std::int32_t MinArray(const TIntArray& A);
QMR_API std::int32_t MinArray(const TIntArray& A, std::int32_t& Pos);
QMR_API std::int32_t MinArray(const TInt2DArray& A);
QMR_API std::int32_t MinArray(const TInt2DArray& A, std::int32_t& Col, std::int32_t& Row);
QMR_API std::int32_t MinArray(const TInt3DArray& A);
QMR_API std::int32_t MinArray(const TInt4DArray& A);
QMR_API double MinArray(const TDoubleArray& A);
QMR_API double MinArray(const TDouble2DArray& A);
QMR_API double MinArray(const TDouble3DArray& A);
QMR_API double MinArray(const TDouble4DArray& A);

// Smallest and largest cell of the whole array. Min and Max start at the type's top
// value and its negation (+-MaxSingle for single cells); result 0, or -1 for an empty
// or ragged array (Min and Max keep their start values).
QMR_API std::int32_t MinMaxArray(const TSingleArray& A, double& Min, double& Max);
QMR_API std::int32_t MinMaxArray(const TDoubleArray& A, double& Min, double& Max);
QMR_API std::int32_t MinMaxArray(const TDouble2DArray& A, double& Min, double& Max);
QMR_API std::int32_t MinMaxArray(const TDouble3DArray& A, double& Min, double& Max);
QMR_API std::int32_t MinMaxArray(const TDouble4DArray& A, double& Min, double& Max);
QMR_API std::int32_t MinMaxArray(std::span<const double> A, double& Min, double& Max);
QMR_API std::int32_t MinMaxArray(const TIntArray& A, std::int32_t& Min, std::int32_t& Max);
QMR_API std::int32_t MinMaxArray(const TInt2DArray& A, std::int32_t& Min, std::int32_t& Max);
QMR_API std::int32_t MinMaxArray(const TInt3DArray& A, std::int32_t& Min, std::int32_t& Max);
QMR_API std::int32_t MinMaxArray(const TInt4DArray& A, std::int32_t& Min, std::int32_t& Max);
QMR_API std::int32_t MinMaxArray(std::span<const std::int32_t> A, std::int32_t& Min, std::int32_t& Max);

// Smallest and largest cell of a sub-range, with their absolute positions. Min and Max
// start at the top value and its negation, the positions at 0, and a cell replaces them
// only when strictly smaller (larger). Result 0; -1 empty or ragged array; -2 a bound
// outside the array. A reversed range scans nothing and returns 0.
QMR_API std::int32_t MinMaxArray(const TDoubleArray& A, std::int32_t First, std::int32_t Last, double& Min,
                                 double& Max, std::int32_t& MinPos, std::int32_t& MaxPos);
QMR_API std::int32_t MinMaxArray(const TDouble2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow,
                                 std::int32_t LastCol, std::int32_t LastRow, double& Min, double& Max,
                                 std::int32_t& MinCol, std::int32_t& MinRow, std::int32_t& MaxCol,
                                 std::int32_t& MaxRow);
QMR_API std::int32_t MinMaxArray(const TIntArray& A, std::int32_t First, std::int32_t Last, std::int32_t& Min,
                                 std::int32_t& Max, std::int32_t& MinPos, std::int32_t& MaxPos);
QMR_API std::int32_t MinMaxArray(const TInt2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow,
                                 std::int32_t LastCol, std::int32_t LastRow, std::int32_t& Min,
                                 std::int32_t& Max, std::int32_t& MinCol, std::int32_t& MinRow,
                                 std::int32_t& MaxCol, std::int32_t& MaxRow);

}  // namespace qmr
