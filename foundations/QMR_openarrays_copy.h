// Copying arrays whole and by blocks, rows and columns; counting true cells.
// The source comes first, the destination last; the destination keeps its size (except
// for CopyArrayColumn and CopyArrayRow, which size it) and is unchanged whenever the
// result is not 0. Source and destination may be the same array: overlapping parts are
// copied as if through a buffer.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstdint>

namespace qmr {

// Copies the whole of Src into Dest with its first cell at the given offsets. Result 0;
// -1 Src or Dest empty or ragged; -2 an offset outside Dest or Src not fitting there.
QMR_API std::int32_t CopyArray(const TBoolArray& Src, std::int32_t Offset, TBoolArray& Dest);
QMR_API std::int32_t CopyArray(const TDoubleArray& Src, std::int32_t Offset, TDoubleArray& Dest);
QMR_API std::int32_t CopyArray(const TIntArray& Src, std::int32_t Offset, TIntArray& Dest);
QMR_API std::int32_t CopyArray(const TBool2DArray& Src, std::int32_t ColOffset, std::int32_t RowOffset,
                               TBool2DArray& Dest);
QMR_API std::int32_t CopyArray(const TDouble2DArray& Src, std::int32_t ColOffset, std::int32_t RowOffset,
                               TDouble2DArray& Dest);
QMR_API std::int32_t CopyArray(const TInt2DArray& Src, std::int32_t ColOffset, std::int32_t RowOffset,
                               TInt2DArray& Dest);
QMR_API std::int32_t CopyArray(const TDouble3DArray& Src, std::int32_t Offset1, std::int32_t Offset2,
                               std::int32_t Offset3, TDouble3DArray& Dest);
QMR_API std::int32_t CopyArray(const TInt3DArray& Src, std::int32_t Offset1, std::int32_t Offset2,
                               std::int32_t Offset3, TInt3DArray& Dest);
QMR_API std::int32_t CopyArray(const TDouble4DArray& Src, std::int32_t Offset1, std::int32_t Offset2,
                               std::int32_t Offset3, std::int32_t Offset4, TDouble4DArray& Dest);
QMR_API std::int32_t CopyArray(const TInt4DArray& Src, std::int32_t Offset1, std::int32_t Offset2,
                               std::int32_t Offset3, std::int32_t Offset4, TInt4DArray& Dest);

// Copies the block First..Last of Src (per dimension) into Dest at the given position.
// Result 0; -1 Src or Dest empty or ragged; -2 a bound outside Src, a first bound above
// its last, or a block not fitting into Dest.
QMR_API std::int32_t CopyArray(const TDoubleArray& Src, std::int32_t First, std::int32_t Last,
                               std::int32_t DestPos, TDoubleArray& Dest);
QMR_API std::int32_t CopyArray(const TIntArray& Src, std::int32_t First, std::int32_t Last, std::int32_t DestPos,
                               TIntArray& Dest);
QMR_API std::int32_t CopyArray(const TDouble2DArray& Src, std::int32_t FirstCol, std::int32_t FirstRow,
                               std::int32_t LastCol, std::int32_t LastRow, std::int32_t DestCol,
                               std::int32_t DestRow, TDouble2DArray& Dest);
QMR_API std::int32_t CopyArray(const TInt2DArray& Src, std::int32_t FirstCol, std::int32_t FirstRow,
                               std::int32_t LastCol, std::int32_t LastRow, std::int32_t DestCol,
                               std::int32_t DestRow, TInt2DArray& Dest);
QMR_API std::int32_t CopyArray(const TDouble3DArray& Src, std::int32_t First1, std::int32_t First2,
                               std::int32_t First3, std::int32_t Last1, std::int32_t Last2, std::int32_t Last3,
                               std::int32_t Dest1, std::int32_t Dest2, std::int32_t Dest3, TDouble3DArray& Dest);
QMR_API std::int32_t CopyArray(const TInt3DArray& Src, std::int32_t First1, std::int32_t First2,
                               std::int32_t First3, std::int32_t Last1, std::int32_t Last2, std::int32_t Last3,
                               std::int32_t Dest1, std::int32_t Dest2, std::int32_t Dest3, TInt3DArray& Dest);
QMR_API std::int32_t CopyArray(const TDouble4DArray& Src, std::int32_t First1, std::int32_t First2,
                               std::int32_t First3, std::int32_t First4, std::int32_t Last1, std::int32_t Last2,
                               std::int32_t Last3, std::int32_t Last4, std::int32_t Dest1, std::int32_t Dest2,
                               std::int32_t Dest3, std::int32_t Dest4, TDouble4DArray& Dest);
QMR_API std::int32_t CopyArray(const TInt4DArray& Src, std::int32_t First1, std::int32_t First2,
                               std::int32_t First3, std::int32_t First4, std::int32_t Last1, std::int32_t Last2,
                               std::int32_t Last3, std::int32_t Last4, std::int32_t Dest1, std::int32_t Dest2,
                               std::int32_t Dest3, std::int32_t Dest4, TInt4DArray& Dest);

// Dest := Src[Col][FirstRow..LastRow]. Result 0; -1 Src empty or ragged; -2 bad row
// range; -3 bad column.
QMR_API std::int32_t CopyArrayColumn(const TDouble2DArray& Src, std::int32_t Col, std::int32_t FirstRow,
                                     std::int32_t LastRow, TDoubleArray& Dest);
QMR_API std::int32_t CopyArrayColumn(const TInt2DArray& Src, std::int32_t Col, std::int32_t FirstRow,
                                     std::int32_t LastRow, TIntArray& Dest);
QMR_API std::int32_t CopyArrayColumn(const TBool2DArray& Src, std::int32_t Col, std::int32_t FirstRow,
                                     std::int32_t LastRow, TBoolArray& Dest);
// Dest := Src[FirstCol..LastCol][Row]. Result 0; -1 Src empty or ragged; -2 bad column
// range; -3 bad row.
QMR_API std::int32_t CopyArrayRow(const TDouble2DArray& Src, std::int32_t Row, std::int32_t FirstCol,
                                  std::int32_t LastCol, TDoubleArray& Dest);
QMR_API std::int32_t CopyArrayRow(const TInt2DArray& Src, std::int32_t Row, std::int32_t FirstCol,
                                  std::int32_t LastCol, TIntArray& Dest);
QMR_API std::int32_t CopyArrayRow(const TBool2DArray& Src, std::int32_t Row, std::int32_t FirstCol,
                                  std::int32_t LastCol, TBoolArray& Dest);

// Writes Vec[First..Last] (First = Last = 0: the whole of Vec) down column Col of Dest
// from row StartRow on; cells that would fall below the column's end are dropped.
// Result 0; -1 First or Last outside Vec; -2 Col or StartRow outside Dest, or Dest
// empty or ragged (this code wins over -1).
QMR_API std::int32_t CopyVectorToArrayColumn(const TDoubleArray& Vec, std::int32_t First, std::int32_t Last,
                                             std::int32_t Col, std::int32_t StartRow, TDouble2DArray& Dest);
QMR_API std::int32_t CopyVectorToArrayColumn(const TIntArray& Vec, std::int32_t First, std::int32_t Last,
                                             std::int32_t Col, std::int32_t StartRow, TInt2DArray& Dest);
QMR_API std::int32_t CopyVectorToArrayColumn(const TBoolArray& Vec, std::int32_t First, std::int32_t Last,
                                             std::int32_t Col, std::int32_t StartRow, TBool2DArray& Dest);
// Writes Vec[First..Last] along row Row of Dest from column StartCol on; as above.
QMR_API std::int32_t CopyVectorToArrayRow(const TDoubleArray& Vec, std::int32_t First, std::int32_t Last,
                                          std::int32_t StartCol, std::int32_t Row, TDouble2DArray& Dest);
QMR_API std::int32_t CopyVectorToArrayRow(const TIntArray& Vec, std::int32_t First, std::int32_t Last,
                                          std::int32_t StartCol, std::int32_t Row, TInt2DArray& Dest);
QMR_API std::int32_t CopyVectorToArrayRow(const TBoolArray& Vec, std::int32_t First, std::int32_t Last,
                                          std::int32_t StartCol, std::int32_t Row, TBool2DArray& Dest);

// Number of true cells; -1 for an empty or ragged array.
QMR_API std::int32_t CountTrueCellsOfArray(const TBool2DArray& A);
QMR_API std::int32_t CountTrueCellsOfArray(const TBoolArray& A);

}  // namespace qmr
