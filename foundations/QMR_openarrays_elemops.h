// Element operations and linear search: flipping one dimension, absolute values,
// Boolean arrays as numbers, searching integer and string arrays.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <string>

namespace qmr {

// Reverses index Dim (1 the first index, 2 the second, ...). 0, -1 empty or ragged, -2 bad Dim.
QMR_API int FlipDimArray(TDoubleArray& A, std::int32_t Dim);
QMR_API int FlipDimArray(TDouble2DArray& A, std::int32_t Dim);
QMR_API int FlipDimArray(TDouble3DArray& A, std::int32_t Dim);
QMR_API int FlipDimArray(TDouble4DArray& A, std::int32_t Dim);
QMR_API int FlipDimArray(TIntArray& A, std::int32_t Dim);
QMR_API int FlipDimArray(TInt2DArray& A, std::int32_t Dim);
QMR_API int FlipDimArray(TInt3DArray& A, std::int32_t Dim);
QMR_API int FlipDimArray(TInt4DArray& A, std::int32_t Dim);

// Every cell becomes its absolute value (the most negative integer stays as it is).
// 0, -1 empty or ragged.
QMR_API int AbsValArray(TDoubleArray& A);
QMR_API int AbsValArray(TDouble2DArray& A);
QMR_API int AbsValArray(TDouble3DArray& A);
QMR_API int AbsValArray(TDouble4DArray& A);
QMR_API int AbsValArray(TIntArray& A);
QMR_API int AbsValArray(TInt2DArray& A);
QMR_API int AbsValArray(TInt3DArray& A);
QMR_API int AbsValArray(TInt4DArray& A);

// B takes A's shape with ValueTrue where A is true and ValueFalse elsewhere.
// 0, -1 empty or ragged (B unchanged).
QMR_API int BoolToNumArray(const TBoolArray& A, std::int32_t ValueFalse, std::int32_t ValueTrue, TIntArray& B);
QMR_API int BoolToNumArray(const TBoolArray& A, double ValueFalse, double ValueTrue, TDoubleArray& B);
QMR_API int BoolToNumArray(const TBool2DArray& A, std::int32_t ValueFalse, std::int32_t ValueTrue, TInt2DArray& B);
QMR_API int BoolToNumArray(const TBool2DArray& A, double ValueFalse, double ValueTrue, TDouble2DArray& B);

// Index of the first element equal to Key; -1 empty, -2 not found.
QMR_API int FindInArray(std::int32_t Key, const TIntArray& A);
// Index of the first element matching S: equal to it, or containing it with Substring;
// IgnoreCase compares the lower-cased texts. -1 empty, -2 not found.
QMR_API int FindInArray(const std::string& S, const TStrArray& A, bool IgnoreCase, bool Substring);

}  // namespace qmr
