// Copying arrays whole and by blocks, rows and columns; counting true cells.
#include "foundations/QMR_openarrays_copy.h"

#include "foundations/detail/openarrays_cells.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace qmr {

namespace {

using namespace qmr::detail::oa;
using Bounds = std::array<std::int32_t, 4>;

// Copies the block of Count cells per dimension starting at From in S to the cells
// starting at To in D. All indices are valid.
template <class V>
void CopyCells(const V& S, V& D, const std::size_t* From, const std::size_t* Count, const std::size_t* To) {
    for (std::size_t I = 0; I < Count[0]; ++I) {
        if constexpr (IsVector<typename V::value_type>::value)
            CopyCells(S[From[0] + I], D[To[0] + I], From + 1, Count + 1, To + 1);
        else
            D[To[0] + I] = S[From[0] + I];
    }
}

// Copies a checked block; when source and destination are one array the block goes
// through a copy of its own, so overlapping parts come out as with memmove.
template <class V>
void CopyBlockChecked(const V& Src, V& Dest, const std::size_t* From, const TExtents& Count, const std::size_t* To) {
    if (static_cast<const void*>(&Src) == static_cast<const void*>(&Dest)) {
        const std::size_t Origin[4] = {0, 0, 0, 0};
        V Block = Shaped<V>(Count);
        CopyCells(Src, Block, From, Count.data(), Origin);
        CopyCells(Block, Dest, Origin, Count.data(), To);
    } else {
        CopyCells(Src, Dest, From, Count.data(), To);
    }
}

template <class V> std::int32_t CopyWhole(const V& Src, const Bounds& Offset, V& Dest) {
    constexpr int R = Rank<V>();
    if (!Usable(Src) || !Usable(Dest)) return -1;
    const auto SE = Extents(Src);
    const auto DE = Extents(Dest);
    std::size_t From[4] = {0, 0, 0, 0}, To[4] = {0, 0, 0, 0};
    for (int D = 0; D < R; ++D) {
        if (!IndexOk(Offset[D], DE[D])) return -2;
        if (SE[D] + static_cast<std::size_t>(Offset[D]) > DE[D]) return -2;
        To[D] = static_cast<std::size_t>(Offset[D]);
    }
    CopyBlockChecked(Src, Dest, From, SE, To);
    return 0;
}

template <class V> std::int32_t CopyBlock(const V& Src, const Bounds& First, const Bounds& Last, const Bounds& Pos,
                                          V& Dest) {
    constexpr int R = Rank<V>();
    if (!Usable(Src) || !Usable(Dest)) return -1;
    const auto SE = Extents(Src);
    const auto DE = Extents(Dest);
    std::size_t From[4] = {0, 0, 0, 0}, To[4] = {0, 0, 0, 0};
    TExtents Count{};
    for (int D = 0; D < R; ++D) {
        if (!RangeOk(First[D], Last[D], SE[D]) || !IndexOk(Pos[D], DE[D])) return -2;
        const std::int64_t N = static_cast<std::int64_t>(Last[D]) - First[D] + 1;
        if (Pos[D] + N > static_cast<std::int64_t>(DE[D])) return -2;
        From[D] = static_cast<std::size_t>(First[D]);
        Count[D] = static_cast<std::size_t>(N);
        To[D] = static_cast<std::size_t>(Pos[D]);
    }
    CopyBlockChecked(Src, Dest, From, Count, To);
    return 0;
}

template <class T>
std::int32_t ColumnOf(const std::vector<std::vector<T>>& Src, std::int32_t Col, std::int32_t FirstRow,
                      std::int32_t LastRow, std::vector<T>& Dest) {
    if (!Usable(Src)) return -1;
    if (!RangeOk(FirstRow, LastRow, Src[0].size())) return -2;
    if (!IndexOk(Col, Src.size())) return -3;
    const auto& Column = Src[static_cast<std::size_t>(Col)];
    // Built apart: Dest may be one of the columns of Src.
    std::vector<T> Out(Column.begin() + FirstRow, Column.begin() + LastRow + 1);
    Dest = std::move(Out);
    return 0;
}

template <class T>
std::int32_t RowOf(const std::vector<std::vector<T>>& Src, std::int32_t Row, std::int32_t FirstCol,
                   std::int32_t LastCol, std::vector<T>& Dest) {
    if (!Usable(Src)) return -1;
    if (!RangeOk(FirstCol, LastCol, Src.size())) return -2;
    if (!IndexOk(Row, Src[0].size())) return -3;
    std::vector<T> Out;
    Out.reserve(static_cast<std::size_t>(LastCol - FirstCol) + 1);
    for (std::int32_t C = FirstCol; C <= LastCol; ++C)
        Out.push_back(Src[static_cast<std::size_t>(C)][static_cast<std::size_t>(Row)]);
    Dest = std::move(Out);
    return 0;
}

// Writes Vec[First..Last] into Dest from (Col, Row) on, stepping down the column
// (Down) or along the row.
template <class T>
std::int32_t VectorInto(const std::vector<T>& Vec, std::int32_t First, std::int32_t Last, std::int32_t Col,
                        std::int32_t Row, std::vector<std::vector<T>>& Dest, bool Down) {
    std::int32_t Status = 0;
    const auto Len = static_cast<std::int64_t>(Vec.size());
    std::int64_t Lst = Last;
    if (First == 0 && Last == 0) Lst = Len - 1;
    else if (!IndexOk(First, Vec.size()) || !IndexOk(Last, Vec.size())) Status = -1;
    if (!Usable(Dest) || !IndexOk(Col, Dest.size()) || !IndexOk(Row, Dest[0].size())) Status = -2;
    if (Status != 0) return Status;

    const auto Room = static_cast<std::int64_t>(Down ? Dest[0].size() - static_cast<std::size_t>(Row)
                                                     : Dest.size() - static_cast<std::size_t>(Col));
    const std::int64_t N = std::min(Room, Lst - First + 1);
    if (N <= 0) return 0;
    // Taken apart first: Vec may be one of the columns of Dest.
    const std::vector<T> Part(Vec.begin() + First, Vec.begin() + First + N);
    for (std::int64_t I = 0; I < N; ++I) {
        const auto C = static_cast<std::size_t>(Col + (Down ? 0 : I));
        const auto R = static_cast<std::size_t>(Row + (Down ? I : 0));
        Dest[C][R] = Part[static_cast<std::size_t>(I)];
    }
    return 0;
}

template <class V> std::int32_t CountTrue(const V& A) {
    if (!Usable(A)) return -1;
    std::int64_t N = 0;
    ForEachCell(A, Extents(A), [&N](bool X) { N += X ? 1 : 0; });
    return N > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(N);
}

}  // namespace

// ------------------------------------------------------------------ CopyArray, whole

std::int32_t CopyArray(const TBoolArray& Src, std::int32_t Offset, TBoolArray& Dest) {
    return CopyWhole(Src, {Offset}, Dest);
}
std::int32_t CopyArray(const TDoubleArray& Src, std::int32_t Offset, TDoubleArray& Dest) {
    return CopyWhole(Src, {Offset}, Dest);
}
std::int32_t CopyArray(const TIntArray& Src, std::int32_t Offset, TIntArray& Dest) {
    return CopyWhole(Src, {Offset}, Dest);
}
std::int32_t CopyArray(const TBool2DArray& Src, std::int32_t ColOffset, std::int32_t RowOffset, TBool2DArray& Dest) {
    return CopyWhole(Src, {ColOffset, RowOffset}, Dest);
}
std::int32_t CopyArray(const TDouble2DArray& Src, std::int32_t ColOffset, std::int32_t RowOffset,
                       TDouble2DArray& Dest) {
    return CopyWhole(Src, {ColOffset, RowOffset}, Dest);
}
std::int32_t CopyArray(const TInt2DArray& Src, std::int32_t ColOffset, std::int32_t RowOffset, TInt2DArray& Dest) {
    return CopyWhole(Src, {ColOffset, RowOffset}, Dest);
}
std::int32_t CopyArray(const TDouble3DArray& Src, std::int32_t Offset1, std::int32_t Offset2, std::int32_t Offset3,
                       TDouble3DArray& Dest) {
    return CopyWhole(Src, {Offset1, Offset2, Offset3}, Dest);
}
std::int32_t CopyArray(const TInt3DArray& Src, std::int32_t Offset1, std::int32_t Offset2, std::int32_t Offset3,
                       TInt3DArray& Dest) {
    return CopyWhole(Src, {Offset1, Offset2, Offset3}, Dest);
}
std::int32_t CopyArray(const TDouble4DArray& Src, std::int32_t Offset1, std::int32_t Offset2, std::int32_t Offset3,
                       std::int32_t Offset4, TDouble4DArray& Dest) {
    return CopyWhole(Src, {Offset1, Offset2, Offset3, Offset4}, Dest);
}
std::int32_t CopyArray(const TInt4DArray& Src, std::int32_t Offset1, std::int32_t Offset2, std::int32_t Offset3,
                       std::int32_t Offset4, TInt4DArray& Dest) {
    return CopyWhole(Src, {Offset1, Offset2, Offset3, Offset4}, Dest);
}

// ------------------------------------------------------------------ CopyArray, blocks

std::int32_t CopyArray(const TDoubleArray& Src, std::int32_t First, std::int32_t Last, std::int32_t DestPos,
                       TDoubleArray& Dest) {
    return CopyBlock(Src, {First}, {Last}, {DestPos}, Dest);
}
std::int32_t CopyArray(const TIntArray& Src, std::int32_t First, std::int32_t Last, std::int32_t DestPos,
                       TIntArray& Dest) {
    return CopyBlock(Src, {First}, {Last}, {DestPos}, Dest);
}
std::int32_t CopyArray(const TDouble2DArray& Src, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
                       std::int32_t LastRow, std::int32_t DestCol, std::int32_t DestRow, TDouble2DArray& Dest) {
    return CopyBlock(Src, {FirstCol, FirstRow}, {LastCol, LastRow}, {DestCol, DestRow}, Dest);
}
std::int32_t CopyArray(const TInt2DArray& Src, std::int32_t FirstCol, std::int32_t FirstRow, std::int32_t LastCol,
                       std::int32_t LastRow, std::int32_t DestCol, std::int32_t DestRow, TInt2DArray& Dest) {
    return CopyBlock(Src, {FirstCol, FirstRow}, {LastCol, LastRow}, {DestCol, DestRow}, Dest);
}
std::int32_t CopyArray(const TDouble3DArray& Src, std::int32_t First1, std::int32_t First2, std::int32_t First3,
                       std::int32_t Last1, std::int32_t Last2, std::int32_t Last3, std::int32_t Dest1,
                       std::int32_t Dest2, std::int32_t Dest3, TDouble3DArray& Dest) {
    return CopyBlock(Src, {First1, First2, First3}, {Last1, Last2, Last3}, {Dest1, Dest2, Dest3}, Dest);
}
std::int32_t CopyArray(const TInt3DArray& Src, std::int32_t First1, std::int32_t First2, std::int32_t First3,
                       std::int32_t Last1, std::int32_t Last2, std::int32_t Last3, std::int32_t Dest1,
                       std::int32_t Dest2, std::int32_t Dest3, TInt3DArray& Dest) {
    return CopyBlock(Src, {First1, First2, First3}, {Last1, Last2, Last3}, {Dest1, Dest2, Dest3}, Dest);
}
std::int32_t CopyArray(const TDouble4DArray& Src, std::int32_t First1, std::int32_t First2, std::int32_t First3,
                       std::int32_t First4, std::int32_t Last1, std::int32_t Last2, std::int32_t Last3,
                       std::int32_t Last4, std::int32_t Dest1, std::int32_t Dest2, std::int32_t Dest3,
                       std::int32_t Dest4, TDouble4DArray& Dest) {
    return CopyBlock(Src, {First1, First2, First3, First4}, {Last1, Last2, Last3, Last4},
                     {Dest1, Dest2, Dest3, Dest4}, Dest);
}
std::int32_t CopyArray(const TInt4DArray& Src, std::int32_t First1, std::int32_t First2, std::int32_t First3,
                       std::int32_t First4, std::int32_t Last1, std::int32_t Last2, std::int32_t Last3,
                       std::int32_t Last4, std::int32_t Dest1, std::int32_t Dest2, std::int32_t Dest3,
                       std::int32_t Dest4, TInt4DArray& Dest) {
    return CopyBlock(Src, {First1, First2, First3, First4}, {Last1, Last2, Last3, Last4},
                     {Dest1, Dest2, Dest3, Dest4}, Dest);
}

// ------------------------------------------------------------------ rows and columns

std::int32_t CopyArrayColumn(const TDouble2DArray& Src, std::int32_t Col, std::int32_t FirstRow, std::int32_t LastRow,
                             TDoubleArray& Dest) {
    return ColumnOf(Src, Col, FirstRow, LastRow, Dest);
}
std::int32_t CopyArrayColumn(const TInt2DArray& Src, std::int32_t Col, std::int32_t FirstRow, std::int32_t LastRow,
                             TIntArray& Dest) {
    return ColumnOf(Src, Col, FirstRow, LastRow, Dest);
}
std::int32_t CopyArrayColumn(const TBool2DArray& Src, std::int32_t Col, std::int32_t FirstRow, std::int32_t LastRow,
                             TBoolArray& Dest) {
    return ColumnOf(Src, Col, FirstRow, LastRow, Dest);
}
std::int32_t CopyArrayRow(const TDouble2DArray& Src, std::int32_t Row, std::int32_t FirstCol, std::int32_t LastCol,
                          TDoubleArray& Dest) {
    return RowOf(Src, Row, FirstCol, LastCol, Dest);
}
std::int32_t CopyArrayRow(const TInt2DArray& Src, std::int32_t Row, std::int32_t FirstCol, std::int32_t LastCol,
                          TIntArray& Dest) {
    return RowOf(Src, Row, FirstCol, LastCol, Dest);
}
std::int32_t CopyArrayRow(const TBool2DArray& Src, std::int32_t Row, std::int32_t FirstCol, std::int32_t LastCol,
                          TBoolArray& Dest) {
    return RowOf(Src, Row, FirstCol, LastCol, Dest);
}

std::int32_t CopyVectorToArrayColumn(const TDoubleArray& Vec, std::int32_t First, std::int32_t Last,
                                     std::int32_t Col, std::int32_t StartRow, TDouble2DArray& Dest) {
    return VectorInto(Vec, First, Last, Col, StartRow, Dest, true);
}
std::int32_t CopyVectorToArrayColumn(const TIntArray& Vec, std::int32_t First, std::int32_t Last, std::int32_t Col,
                                     std::int32_t StartRow, TInt2DArray& Dest) {
    return VectorInto(Vec, First, Last, Col, StartRow, Dest, true);
}
std::int32_t CopyVectorToArrayColumn(const TBoolArray& Vec, std::int32_t First, std::int32_t Last, std::int32_t Col,
                                     std::int32_t StartRow, TBool2DArray& Dest) {
    return VectorInto(Vec, First, Last, Col, StartRow, Dest, true);
}
std::int32_t CopyVectorToArrayRow(const TDoubleArray& Vec, std::int32_t First, std::int32_t Last,
                                  std::int32_t StartCol, std::int32_t Row, TDouble2DArray& Dest) {
    return VectorInto(Vec, First, Last, StartCol, Row, Dest, false);
}
std::int32_t CopyVectorToArrayRow(const TIntArray& Vec, std::int32_t First, std::int32_t Last, std::int32_t StartCol,
                                  std::int32_t Row, TInt2DArray& Dest) {
    return VectorInto(Vec, First, Last, StartCol, Row, Dest, false);
}
std::int32_t CopyVectorToArrayRow(const TBoolArray& Vec, std::int32_t First, std::int32_t Last, std::int32_t StartCol,
                                  std::int32_t Row, TBool2DArray& Dest) {
    return VectorInto(Vec, First, Last, StartCol, Row, Dest, false);
}

// ------------------------------------------------------------------ counting

std::int32_t CountTrueCellsOfArray(const TBool2DArray& A) { return CountTrue(A); }
std::int32_t CountTrueCellsOfArray(const TBoolArray& A) { return CountTrue(A); }

}  // namespace qmr
