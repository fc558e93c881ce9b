// Filling arrays: constants, running indices, diagonals, random values.
// Every routine works in place, keeps the array's size and returns 0 when done,
// -1 for an empty or ragged array, -2 for bad bounds, shape or parameters.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

// ---------------------------------------------------------------- whole arrays

// Sets every cell to Value.
QMR_API int FillArray(TBoolArray& A, bool Value);
QMR_API int FillArray(TBool2DArray& A, bool Value);
QMR_API int FillArray(TIntArray& A, std::int32_t Value);
QMR_API int FillArray(TInt2DArray& A, std::int32_t Value);
QMR_API int FillArray(TInt3DArray& A, std::int32_t Value);
QMR_API int FillArray(TInt4DArray& A, std::int32_t Value);
QMR_API int FillArray(TDoubleArray& A, double Value);
QMR_API int FillArray(TDouble2DArray& A, double Value);
QMR_API int FillArray(TDouble3DArray& A, double Value);
QMR_API int FillArray(TDouble4DArray& A, double Value);

// ---------------------------------------------------------------- blocks (bounds included)

// Sets the cells First..Last to Value.
QMR_API int FillArray(TIntArray& A, std::int32_t Value, std::int32_t First, std::int32_t Last);
QMR_API int FillArray(TDoubleArray& A, double Value, std::int32_t First, std::int32_t Last);
// Sets the block of columns FirstCol..LastCol and rows FirstRow..LastRow to Value.
QMR_API int FillArray(TInt2DArray& A, std::int32_t Value, std::int32_t FirstCol, std::int32_t FirstRow,
                      std::int32_t LastCol, std::int32_t LastRow);
QMR_API int FillArray(TDouble2DArray& A, double Value, std::int32_t FirstCol, std::int32_t FirstRow,
                      std::int32_t LastCol, std::int32_t LastRow);
// Sets the block [First0..Last0][First1..Last1][First2..Last2] to Value.
QMR_API int FillArray(TInt3DArray& A, std::int32_t Value, std::int32_t First0, std::int32_t First1,
                      std::int32_t First2, std::int32_t Last0, std::int32_t Last1, std::int32_t Last2);
QMR_API int FillArray(TDouble3DArray& A, double Value, std::int32_t First0, std::int32_t First1,
                      std::int32_t First2, std::int32_t Last0, std::int32_t Last1, std::int32_t Last2);
// Sets the block [First0..Last0][First1..Last1][First2..Last2][First3..Last3] to Value.
QMR_API int FillArray(TInt4DArray& A, std::int32_t Value, std::int32_t First0, std::int32_t First1,
                      std::int32_t First2, std::int32_t First3, std::int32_t Last0, std::int32_t Last1,
                      std::int32_t Last2, std::int32_t Last3);
QMR_API int FillArray(TDouble4DArray& A, double Value, std::int32_t First0, std::int32_t First1,
                      std::int32_t First2, std::int32_t First3, std::int32_t Last0, std::int32_t Last1,
                      std::int32_t Last2, std::int32_t Last3);

// ---------------------------------------------------------------- running indices

// Each cell receives its running number: A[i] = i; A[x][y] = x * rows + y (down each
// column in turn); A[i][j][k] = i + L * (j + M * k) with L, M the first two lengths.
QMR_API int FillArrayRix(TIntArray& A);
QMR_API int FillArrayRix(TDoubleArray& A);
QMR_API int FillArrayRix(TInt2DArray& A);
QMR_API int FillArrayRix(TDouble2DArray& A);
QMR_API int FillArrayRix(TInt3DArray& A);
QMR_API int FillArrayRix(TDouble3DArray& A);

// ---------------------------------------------------------------- diagonals

// Value where all indices are equal, 0 elsewhere; -2 unless all lengths are equal.
QMR_API int FillDiagArray(TInt2DArray& A, std::int32_t Value);
QMR_API int FillDiagArray(TInt3DArray& A, std::int32_t Value);
QMR_API int FillDiagArray(TInt4DArray& A, std::int32_t Value);
QMR_API int FillDiagArray(TDouble2DArray& A, double Value);
QMR_API int FillDiagArray(TDouble3DArray& A, double Value);
QMR_API int FillDiagArray(TDouble4DArray& A, double Value);

// ---------------------------------------------------------------- random values
// The platform generator is re-seeded from the clock on every call, before anything else.

// Gaussian numbers of the given mean and standard deviation; -2 for a negative StdDev
// or a Mean or StdDev that is not finite.
QMR_API int FillRandomNormal(TDoubleArray& A, double Mean, double StdDev);
QMR_API int FillRandomNormal(TDouble2DArray& A, double Mean, double StdDev);
QMR_API int FillRandomNormal(TDouble3DArray& A, double Mean, double StdDev);
QMR_API int FillRandomNormal(TDouble4DArray& A, double Mean, double StdDev);

// Uniform numbers in [Low, High); -2 when High < Low or a bound is not finite.
QMR_API int FillRandomUniform(TDoubleArray& A, double Low, double High);
QMR_API int FillRandomUniform(TDouble2DArray& A, double Low, double High);
QMR_API int FillRandomUniform(TDouble3DArray& A, double Low, double High);
QMR_API int FillRandomUniform(TDouble4DArray& A, double Low, double High);
// Uniform integers Low..High-1 (every cell Low when Low = High); -2 when High < Low.
QMR_API int FillRandomUniform(TIntArray& A, std::int32_t Low, std::int32_t High);
QMR_API int FillRandomUniform(TInt2DArray& A, std::int32_t Low, std::int32_t High);
QMR_API int FillRandomUniform(TInt3DArray& A, std::int32_t Low, std::int32_t High);
QMR_API int FillRandomUniform(TInt4DArray& A, std::int32_t Low, std::int32_t High);

}  // namespace qmr
