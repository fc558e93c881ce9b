// Means and standard deviations of blocks; element-wise and scalar arithmetic;
// squared distances. Integer arithmetic wraps around at 32 bits.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

// ---------------------------------------------------------------- block statistics
// The statistic is 0 after a refused call. 0, -1 empty or ragged array, -2 bad bounds
// (negative, past the end or reversed; bounds included, never exchanged).

// Mean of the cells First..Last.
QMR_API int MeanArray(const TDoubleArray& A, std::int32_t First, std::int32_t Last, double& Mean);
QMR_API int MeanArray(const TIntArray& A, std::int32_t First, std::int32_t Last, double& Mean);
// Mean of columns FirstCol..LastCol, rows FirstRow..LastRow.
QMR_API int MeanArray(const TDouble2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
                      std::int32_t LastRow, double& Mean);
QMR_API int MeanArray(const TInt2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
                      std::int32_t LastRow, double& Mean);
// Mean of the block [First0..Last0][First1..Last1][First2..Last2].
QMR_API int MeanArray(const TDouble3DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
                      std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, double& Mean);
QMR_API int MeanArray(const TInt3DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
                      std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, double& Mean);
// Mean of the four-dimensional block, the four firsts then the four lasts.
QMR_API int MeanArray(const TDouble4DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
                      std::int32_t First3, std::int32_t Last0, std::int32_t Last1, std::int32_t Last2,
                      std::int32_t Last3, double& Mean);
QMR_API int MeanArray(const TInt4DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
                      std::int32_t First3, std::int32_t Last0, std::int32_t Last1, std::int32_t Last2,
                      std::int32_t Last3, double& Mean);

// Sample standard deviation (divisor n - 1; 0 for a single cell) of the same blocks.
QMR_API int StdDevArray(const TDoubleArray& A, std::int32_t First, std::int32_t Last, double& StdDev);
QMR_API int StdDevArray(const TIntArray& A, std::int32_t First, std::int32_t Last, double& StdDev);
QMR_API int StdDevArray(const TDouble2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
                        std::int32_t LastRow, double& StdDev);
QMR_API int StdDevArray(const TInt2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
                        std::int32_t LastRow, double& StdDev);
QMR_API int StdDevArray(const TDouble3DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
                        std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, double& StdDev);
QMR_API int StdDevArray(const TInt3DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
                        std::int32_t Last0, std::int32_t Last1, std::int32_t Last2, double& StdDev);
QMR_API int StdDevArray(const TDouble4DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
                        std::int32_t First3, std::int32_t Last0, std::int32_t Last1, std::int32_t Last2,
                        std::int32_t Last3, double& StdDev);
QMR_API int StdDevArray(const TInt4DArray& A, std::int32_t First0, std::int32_t First1, std::int32_t First2,
                        std::int32_t First3, std::int32_t Last0, std::int32_t Last1, std::int32_t Last2,
                        std::int32_t Last3, double& StdDev);

// ---------------------------------------------------------------- cell-by-cell operations
// C takes the operands' shape; C may be one of the operands. 0, -1 an empty or ragged
// operand, -2 operands of different shape (C unchanged after a refusal).

// C = A * B cell by cell.
QMR_API int MultiplyArraysElemw(const TDoubleArray& A, const TDoubleArray& B, TDoubleArray& C);
QMR_API int MultiplyArraysElemw(const TDouble2DArray& A, const TDouble2DArray& B, TDouble2DArray& C);
QMR_API int MultiplyArraysElemw(const TIntArray& A, const TIntArray& B, TIntArray& C);
QMR_API int MultiplyArraysElemw(const TInt2DArray& A, const TInt2DArray& B, TInt2DArray& C);

// C = A + B cell by cell.
QMR_API int AddArrays(const TDoubleArray& A, const TDoubleArray& B, TDoubleArray& C);
QMR_API int AddArrays(const TDouble2DArray& A, const TDouble2DArray& B, TDouble2DArray& C);
QMR_API int AddArrays(const TDouble3DArray& A, const TDouble3DArray& B, TDouble3DArray& C);
QMR_API int AddArrays(const TDouble4DArray& A, const TDouble4DArray& B, TDouble4DArray& C);
QMR_API int AddArrays(const TIntArray& A, const TIntArray& B, TIntArray& C);
QMR_API int AddArrays(const TInt2DArray& A, const TInt2DArray& B, TInt2DArray& C);
QMR_API int AddArrays(const TInt3DArray& A, const TInt3DArray& B, TInt3DArray& C);
QMR_API int AddArrays(const TInt4DArray& A, const TInt4DArray& B, TInt4DArray& C);

// C = A - B cell by cell.
QMR_API int SubtractArrays(const TDoubleArray& A, const TDoubleArray& B, TDoubleArray& C);
QMR_API int SubtractArrays(const TDouble2DArray& A, const TDouble2DArray& B, TDouble2DArray& C);
QMR_API int SubtractArrays(const TDouble3DArray& A, const TDouble3DArray& B, TDouble3DArray& C);
QMR_API int SubtractArrays(const TDouble4DArray& A, const TDouble4DArray& B, TDouble4DArray& C);
QMR_API int SubtractArrays(const TIntArray& A, const TIntArray& B, TIntArray& C);
QMR_API int SubtractArrays(const TInt2DArray& A, const TInt2DArray& B, TInt2DArray& C);
QMR_API int SubtractArrays(const TInt3DArray& A, const TInt3DArray& B, TInt3DArray& C);
QMR_API int SubtractArrays(const TInt4DArray& A, const TInt4DArray& B, TInt4DArray& C);

// ---------------------------------------------------------------- scalar operations
// 0, -1 empty or ragged array (nothing changed).

// C = Scalar * A cell by cell (C may be A).
QMR_API int MultiplyArrayByScalar(const TDoubleArray& A, double Scalar, TDoubleArray& C);
QMR_API int MultiplyArrayByScalar(const TDouble2DArray& A, double Scalar, TDouble2DArray& C);
QMR_API int MultiplyArrayByScalar(const TDouble3DArray& A, double Scalar, TDouble3DArray& C);
QMR_API int MultiplyArrayByScalar(const TDouble4DArray& A, double Scalar, TDouble4DArray& C);
QMR_API int MultiplyArrayByScalar(const TIntArray& A, std::int32_t Scalar, TIntArray& C);
QMR_API int MultiplyArrayByScalar(const TInt2DArray& A, std::int32_t Scalar, TInt2DArray& C);
QMR_API int MultiplyArrayByScalar(const TInt3DArray& A, std::int32_t Scalar, TInt3DArray& C);
QMR_API int MultiplyArrayByScalar(const TInt4DArray& A, std::int32_t Scalar, TInt4DArray& C);

// Multiplies every cell of A by Scalar in place.
QMR_API int MultiplyArrayByScalar(TDoubleArray& A, double Scalar);
QMR_API int MultiplyArrayByScalar(TDouble2DArray& A, double Scalar);
QMR_API int MultiplyArrayByScalar(TDouble3DArray& A, double Scalar);
QMR_API int MultiplyArrayByScalar(TDouble4DArray& A, double Scalar);
QMR_API int MultiplyArrayByScalar(TIntArray& A, std::int32_t Scalar);
QMR_API int MultiplyArrayByScalar(TInt2DArray& A, std::int32_t Scalar);
QMR_API int MultiplyArrayByScalar(TInt3DArray& A, std::int32_t Scalar);
QMR_API int MultiplyArrayByScalar(TInt4DArray& A, std::int32_t Scalar);

// C = Scalar + A cell by cell (C may be A).
QMR_API int AddScalarToArray(const TDoubleArray& A, double Scalar, TDoubleArray& C);
QMR_API int AddScalarToArray(const TDouble2DArray& A, double Scalar, TDouble2DArray& C);
QMR_API int AddScalarToArray(const TDouble3DArray& A, double Scalar, TDouble3DArray& C);
QMR_API int AddScalarToArray(const TDouble4DArray& A, double Scalar, TDouble4DArray& C);
QMR_API int AddScalarToArray(const TIntArray& A, std::int32_t Scalar, TIntArray& C);
QMR_API int AddScalarToArray(const TInt2DArray& A, std::int32_t Scalar, TInt2DArray& C);
QMR_API int AddScalarToArray(const TInt3DArray& A, std::int32_t Scalar, TInt3DArray& C);
QMR_API int AddScalarToArray(const TInt4DArray& A, std::int32_t Scalar, TInt4DArray& C);

// Adds Scalar to every cell of A in place.
QMR_API int IncArray(TDoubleArray& A, double Scalar);
QMR_API int IncArray(TDouble2DArray& A, double Scalar);
QMR_API int IncArray(TDouble3DArray& A, double Scalar);
QMR_API int IncArray(TDouble4DArray& A, double Scalar);
QMR_API int IncArray(TIntArray& A, std::int32_t Scalar);
QMR_API int IncArray(TInt2DArray& A, std::int32_t Scalar);
QMR_API int IncArray(TInt3DArray& A, std::int32_t Scalar);
QMR_API int IncArray(TInt4DArray& A, std::int32_t Scalar);

// ---------------------------------------------------------------- distances

// Sum of (A[i] - B[i])^2; -1.0 an empty vector, -2.0 different lengths.
QMR_API double SumOfSquaredDiffs(const TDoubleArray& A, const TDoubleArray& B);
// Sum of (A[i] - B[Col][i])^2; -1.0 A empty, B without columns or ragged, -2.0 A's
// length differs from B's column length, -3.0 Col outside B's columns.
QMR_API double SumOfSquaredDiffs(const TDoubleArray& A, const TDouble2DArray& B, std::int32_t Col);

}  // namespace qmr
