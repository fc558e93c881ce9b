// Distances between array rows, sorting with an index, duplicates, shuffling, flood fill, sorted search, frequency distributions.
#pragma once

#include "foundations/detail/openarrays_core.h"

#include <cstdint>

namespace qmr {

// ---------------------------------------------------------------- distances

// Distance of the rows Obj1 and Obj2 of A over the columns VarLo..VarHi: Tanimoto, Manhattan,
// Euclidean, squared Euclidean or Dice (two all-zero objects give 0). Dist is set to 0 first.
// 0; -1 dmUser; -2 an object outside the rows; -3 a variable outside the columns;
// -4 VarHi < VarLo (every test is made, the last failing one decides: -4 over -3 over -2
// over -1); -5 the distance is not finite (Dist stays 0).
QMR_API std::int32_t DistanceOfObjects(const TDouble2DArray& A, TDistMode Mode, std::int32_t Obj1,
                                       std::int32_t Obj2, std::int32_t VarLo, std::int32_t VarHi, double& Dist);

// ---------------------------------------------------------------- sorting and shuffling

// Comb sort that carries an index: Idx is set to 1..n first and permuted with A, so that
// Idx[k] is the 1-based position the k-th sorted element had. 0, or -1 for fewer than 2 elements.
QMR_API std::int32_t SortArray(bool Ascending, TDoubleArray& A, TIntArray& Idx);
QMR_API std::int32_t SortArray(bool Ascending, TIntArray& A, TIntArray& Idx);

// Sorts A and keeps each value once; the number of values dropped, -1 for fewer than 2 elements.
QMR_API std::int32_t SortAndRemoveDuplicates(TIntArray& A, bool Ascending);

// Random cyclic permutation (Sattolo): every element leaves its place. 0, or -1 for fewer than 2.
QMR_API std::int32_t ShuffleArray(TIntArray& A);
QMR_API std::int32_t ShuffleArray(TDoubleArray& A);

// ---------------------------------------------------------------- flood fill

// Fills the 4-connected region of cells equal to A[I1][I2] with NewVal; MinI..MaxI and
// MinJ..MaxJ receive the bounding box of the filled cells (first and second index).
// The number of cells filled; -1 seed outside A; -2 the seed already holds NewVal.
QMR_API std::int32_t FloodFillArray(std::int32_t I1, std::int32_t I2, std::int32_t NewVal, TInt2DArray& A,
                                    std::int32_t& MaxJ, std::int32_t& MinJ, std::int32_t& MinI, std::int32_t& MaxI);
// The same for cells within |Tol| of the seed's value; -2 when NewVal lies in that band.
QMR_API std::int32_t FloodFillArray(std::int32_t I1, std::int32_t I2, double Tol, double NewVal, TDouble2DArray& A,
                                    std::int32_t& MaxJ, std::int32_t& MinJ, std::int32_t& MinI, std::int32_t& MaxI);

// ---------------------------------------------------------------- search and frequencies

// 0-based index of the element of the sorted A nearest to X (the upper of two equally near);
// -1 empty A; -2 X outside the range of A (or NaN).
QMR_API std::int32_t FindInSortedArray(double X, const TDoubleArray& A, bool Ascending);

// Frequency distribution of A[First..Last] in bins [Lo + k Width, Lo + (k + 1) Width),
// Round((Hi - Lo) / Width) + 1 of them. Values below Lo or NaN count in Under, values at or
// above the last bin's end in Over. All-zero bounds mean the whole array.
// 0; -1 a bound outside A; -2 Last < First; -3 Hi <= Lo; -4 Width <= 0; -5 more than 1000 bins.
// Freq, Under, Over and MaxFreq are set only on success.
QMR_API std::int32_t FrequDistOfArray(const TDoubleArray& A, std::int32_t First, std::int32_t Last, double Lo,
                                      double Hi, double Width, TIntArray& Freq, std::int32_t& Under,
                                      std::int32_t& Over, std::int32_t& MaxFreq);
// The same over a block of columns FirstCol..LastCol and rows FirstRow..LastRow.
QMR_API std::int32_t FrequDistOfArray(const TDouble2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow,
                                      std::int32_t LastCol, std::int32_t LastRow, double Lo, double Hi, double Width,
                                      TIntArray& Freq, std::int32_t& Under, std::int32_t& Over, std::int32_t& MaxFreq);
// The same, skipping cells whose Mask is True; -6 when Mask's shape differs from A's.
QMR_API std::int32_t FrequDistOfArray(const TDouble2DArray& A, const TBool2DArray& Mask, std::int32_t FirstCol,
                                      std::int32_t FirstRow, std::int32_t LastCol, std::int32_t LastRow, double Lo,
                                      double Hi, double Width, TIntArray& Freq, std::int32_t& Under,
                                      std::int32_t& Over, std::int32_t& MaxFreq);

}  // namespace qmr
