// Trace, transposition, dichotomy and discretization of arrays.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

// Sum of the diagonal of a square array (integers wrap at 32 bits); Trace is 0 after a
// refused call. 0, -1 empty or ragged, -2 not square.
QMR_API int TraceOfArray(const TDouble2DArray& A, double& Trace);
QMR_API int TraceOfArray(const TInt2DArray& A, std::int32_t& Trace);

// Transposes in place: w columns of h rows become h columns of w rows. 0, -1 empty or ragged.
QMR_API int TransposeArray(TDouble2DArray& A);
QMR_API int TransposeArray(TInt2DArray& A);
QMR_API int TransposeArray(TBool2DArray& A);

// True when A holds exactly two distinct values, returned as First < Second; after a
// third value First and Second hold the two found before it. A vector holding one
// value only gives False with that value twice; one with a NaN gives False with 0 and 0.
QMR_API bool IsDichotomous(const TDoubleArray& A, double& First, double& Second);
// Integer form: a vector holding one value only gives True with that value twice.
QMR_API bool IsDichotomous(const TIntArray& A, std::int32_t& First, std::int32_t& Second);

// Mask of A's shape: True where a cell is greater than Threshold. 0, -1 empty or ragged.
QMR_API int DichotomizeArray(const TDouble2DArray& A, double Threshold, TBool2DArray& Mask);
QMR_API int DichotomizeArray(const TInt2DArray& A, std::int32_t Threshold, TBool2DArray& Mask);
// Mask of A's shape: True where Low <= cell <= High (a reversed band is exchanged).
QMR_API int DichotomizeArray(const TDouble2DArray& A, double Low, double High, TBool2DArray& Mask);
QMR_API int DichotomizeArray(const TInt2DArray& A, std::int32_t Low, std::int32_t High, TBool2DArray& Mask);

// Maps every cell to one of Levels equally spaced outputs LowOut..HighOut: LowOut at
// or below LowThresh (and for NaN), HighOut at or above HighThresh, the open interval
// between split into Levels - 2 equal bins. 0, -1 fewer than 3 levels or a ragged
// array, -2 HighThresh <= LowThresh (or NaN).
QMR_API int DiscretizeArray(TDouble2DArray& A, std::int32_t Levels, double LowThresh, double HighThresh,
                            double LowOut, double HighOut);

}  // namespace qmr
