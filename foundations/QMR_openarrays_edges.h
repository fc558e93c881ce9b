// Edge vectors, percentiles, value counts, hat matrices, cloning and comparison.
#pragma once

#include "foundations/detail/openarrays_core.h"

#include <cstdint>

namespace qmr {

// ---------------------------------------------------------------- edge vectors

// One value per column (orColumns) or per row (orRows) of A: minimum, maximum, sum or mean
// of that column's rows or that row's columns. V is resized; 0, or -1 for an empty array.
QMR_API std::int32_t EdgeVector(const TInt2DArray& A, TOrientation Orientation, TEdgeOp Op, TDoubleArray& V);
QMR_API std::int32_t EdgeVector(const TDouble2DArray& A, TOrientation Orientation, TEdgeOp Op, TDoubleArray& V);

// ---------------------------------------------------------------- percentiles

// The P-th percentile (P clamped to 0..100) of A; reorders A. 0 for an empty A or a NaN P.
QMR_API double PercentileArray(double P, TDoubleArray& A);
// The P-th percentile of the block of A; the bounds are clamped into the array. A is not
// changed; 0 for an empty array, an empty (reversed) block or a NaN P.
QMR_API double PercentileArray(double P, const TDouble2DArray& A, std::int32_t ColLo, std::int32_t RowLo,
                               std::int32_t ColHi, std::int32_t RowHi);

// ---------------------------------------------------------------- counting

// Number of cells of the block (low and high index per dimension) with Lo <= value <= Hi;
// -1 for an empty array, -2 for a bound outside the array, a reversed pair or Lo > Hi.
QMR_API std::int32_t CountValues(const TDoubleArray& A, std::int32_t Lo1, std::int32_t Hi1, double Lo, double Hi);
QMR_API std::int32_t CountValues(const TDouble2DArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo2,
                                 std::int32_t Hi2, double Lo, double Hi);
QMR_API std::int32_t CountValues(const TDouble3DArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo2,
                                 std::int32_t Hi2, std::int32_t Lo3, std::int32_t Hi3, double Lo, double Hi);
QMR_API std::int32_t CountValues(const TDouble4DArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo2,
                                 std::int32_t Hi2, std::int32_t Lo3, std::int32_t Hi3, std::int32_t Lo4,
                                 std::int32_t Hi4, double Lo, double Hi);
QMR_API std::int32_t CountValues(const TIntArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo,
                                 std::int32_t Hi);
QMR_API std::int32_t CountValues(const TInt2DArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo2,
                                 std::int32_t Hi2, std::int32_t Lo, std::int32_t Hi);
QMR_API std::int32_t CountValues(const TInt3DArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo2,
                                 std::int32_t Hi2, std::int32_t Lo3, std::int32_t Hi3, std::int32_t Lo, std::int32_t Hi);
QMR_API std::int32_t CountValues(const TInt4DArray& A, std::int32_t Lo1, std::int32_t Hi1, std::int32_t Lo2,
                                 std::int32_t Hi2, std::int32_t Lo3, std::int32_t Hi3, std::int32_t Lo4,
                                 std::int32_t Hi4, std::int32_t Lo, std::int32_t Hi);

// ---------------------------------------------------------------- cloning

// Copies Source into Dest, resized to Source's shape, converting the cells; doubles become
// integers clamped to the int32 range and rounded half to even (NaN gives 0).
// 0, or -1 for an empty source (Dest then unchanged).
QMR_API std::int32_t CloneArray(const TBoolArray& Source, TBoolArray& Dest);
QMR_API std::int32_t CloneArray(const TBool2DArray& Source, TBool2DArray& Dest);
QMR_API std::int32_t CloneArray(const TSingleArray& Source, TDoubleArray& Dest);
QMR_API std::int32_t CloneArray(const TDoubleArray& Source, TSingleArray& Dest);
QMR_API std::int32_t CloneArray(const TDoubleArray& Source, TDoubleArray& Dest);
QMR_API std::int32_t CloneArray(const TDouble2DArray& Source, TDouble2DArray& Dest);
QMR_API std::int32_t CloneArray(const TDouble3DArray& Source, TDouble3DArray& Dest);
QMR_API std::int32_t CloneArray(const TDouble4DArray& Source, TDouble4DArray& Dest);
QMR_API std::int32_t CloneArray(const TIntArray& Source, TIntArray& Dest);
QMR_API std::int32_t CloneArray(const TInt2DArray& Source, TInt2DArray& Dest);
QMR_API std::int32_t CloneArray(const TInt3DArray& Source, TInt3DArray& Dest);
QMR_API std::int32_t CloneArray(const TInt4DArray& Source, TInt4DArray& Dest);
QMR_API std::int32_t CloneArray(const TDoubleArray& Source, TIntArray& Dest);
QMR_API std::int32_t CloneArray(const TDouble2DArray& Source, TInt2DArray& Dest);
QMR_API std::int32_t CloneArray(const TDouble3DArray& Source, TInt3DArray& Dest);
QMR_API std::int32_t CloneArray(const TDouble4DArray& Source, TInt4DArray& Dest);
QMR_API std::int32_t CloneArray(const TIntArray& Source, TDoubleArray& Dest);
QMR_API std::int32_t CloneArray(const TInt2DArray& Source, TDouble2DArray& Dest);
QMR_API std::int32_t CloneArray(const TInt3DArray& Source, TDouble3DArray& Dest);
QMR_API std::int32_t CloneArray(const TInt4DArray& Source, TDouble4DArray& Dest);

// Dest[i] := Source[n - 1 - i] with the conversions of CloneArray; 0, or -1 for an empty source.
QMR_API std::int32_t CloneAndReverseArray(const TBoolArray& Source, TBoolArray& Dest);
QMR_API std::int32_t CloneAndReverseArray(const TIntArray& Source, TIntArray& Dest);
QMR_API std::int32_t CloneAndReverseArray(const TDoubleArray& Source, TDoubleArray& Dest);
QMR_API std::int32_t CloneAndReverseArray(const TSingleArray& Source, TDoubleArray& Dest);
QMR_API std::int32_t CloneAndReverseArray(const TDoubleArray& Source, TSingleArray& Dest);
QMR_API std::int32_t CloneAndReverseArray(const TDoubleArray& Source, TIntArray& Dest);
QMR_API std::int32_t CloneAndReverseArray(const TIntArray& Source, TDoubleArray& Dest);

// ---------------------------------------------------------------- comparison

// True when both arrays have the same extents (read from the first sub-arrays) and equal
// cells within them; a longer later sub-array counts only up to the extent, a shorter
// one (a ragged array) gives False.
QMR_API bool EqualArrays(const TIntArray& A, const TIntArray& B);
QMR_API bool EqualArrays(const TInt2DArray& A, const TInt2DArray& B);
QMR_API bool EqualArrays(const TInt3DArray& A, const TInt3DArray& B);
QMR_API bool EqualArrays(const TInt4DArray& A, const TInt4DArray& B);

// ---------------------------------------------------------------- hat matrix

// HatMat := X (X'X)^-1 X' with X's rows the rows of A (second index) and its columns A's
// columns. 0; -1 empty A; -2 or -3 from the inversion of X'X, or -3 when the product
// overflows (HatMat then unchanged).
QMR_API std::int32_t CalcHatMatrix(const TDouble2DArray& A, TDouble2DArray& HatMat);

}  // namespace qmr
