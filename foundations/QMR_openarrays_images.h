// Writing integer arrays as images, masked fill, row and column removal.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <string>

namespace qmr {

// Writes Img (Img[x][y], colour values with red in the lowest byte, then green and blue)
// as an image of Scale x Scale pixels per cell: ".bmp", ".png" or ".jpg" by the file's
// extension (any case), or to the clipboard when FileName is empty. Result 0; -1 unknown
// extension or empty array; -2 Scale outside 1..10; -3 the file cannot be written.
QMR_API std::int32_t SaveArrayAsImg(const std::string& FileName, const TInt2DArray& Img, std::int32_t Scale);

// Sets every cell of A whose Mask cell is false to Value. An empty Mask counts as all
// false. Result 0; -1 Mask of another shape; -2 empty A.
QMR_API std::int32_t FillArrayMasked(TDouble2DArray& A, double Value, const TBool2DArray& Mask);
// As above; an empty Mask is refused. Result 0; -1 Mask of another shape; -2 empty A or Mask.
QMR_API std::int32_t FillArrayMasked(TInt2DArray& A, std::int32_t Value, const TBool2DArray& Mask);

// Removes row Row from every column; false (A unchanged) for a bad row or an empty array.
QMR_API bool RemoveRow(TDouble2DArray& A, std::int32_t Row);
QMR_API bool RemoveRow(TInt2DArray& A, std::int32_t Row);
// Removes column Col; false (A unchanged) for a bad column or an empty array.
QMR_API bool RemoveColumn(TDouble2DArray& A, std::int32_t Col);
QMR_API bool RemoveColumn(TInt2DArray& A, std::int32_t Col);

}  // namespace qmr
