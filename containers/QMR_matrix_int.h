// Matrix of 32-bit integers, dense or sparse (TIntMatrix). Included by containers/QMR_matrix.h.
#pragma once

#include "containers/QMR_matrix.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qmr {

// One stored element of a sparse TIntMatrix.
struct TSpMatElemInt {
    std::int32_t colidx;
    std::int32_t rowidx;
    std::int32_t value;
};

// Matrix of 32-bit signed integers addressed Elem(column, row) from 1, kept in one of two
// forms chosen at construction and switched by ArrayToSparse / SparseToArray:
// - dense: one contiguous column-major block, at least 1 x 1 even when a count is 0;
// - sparse: a list of stored elements sorted by column, then row, with their bounding
//   box. Any position >= 1 may be written; the reported size is the box's high corner
//   after every write (a larger sparse Resize is undone by the next write). Zero writes
//   are stored like any other value.
// Ranges follow the range rule ((0, 0) the whole extent, else clamped and ordered).
// Integer sums and products wrap at 32 bits; real results are formed without overflow.
// Operations documented as dense-only refuse on a sparse matrix: they change nothing,
// fire nothing and give their neutral result (0, false, an empty array).
class QMR_API TIntMatrix : public TComponent {
public:
    // Dense 1 x 1 holding 0, DataID empty.
    explicit TIntMatrix(TComponent* AOwner);
    // Sparse (CreateSparse): no elements, size 0 x 0, growth step AllocBy (at least 1).
    TIntMatrix(TComponent* AOwner, std::int32_t AllocBy);
    static TIntMatrix* CreateSparse(TComponent* AOwner, std::int32_t AllocBy) { return new TIntMatrix(AOwner, AllocBy); }
    ~TIntMatrix() override;
    std::string ClassName() const override;

    std::int32_t NrOfColumns() const noexcept { return FNCol; }
    void SetNrOfColumns(std::int32_t Nc);
    std::int32_t NrOfRows() const noexcept { return FNRow; }
    void SetNrOfRows(std::int32_t Nr);
    const std::string& DataID() const noexcept { return FDataID; }
    void SetDataID(const std::string& Value) { FDataID = Value; }
    bool IsSparse() const noexcept { return FIsSparse; }
    // Sparse form: the number of stored elements and the capacity counted in growth steps
    // (0 and 0 when dense).
    std::int32_t SparseNumElem() const noexcept { return FIsSparse ? static_cast<std::int32_t>(FSp.size()) : 0; }
    std::int32_t NumAllocated() const noexcept;

    // Element (Nc, Nr); 0 outside the size (sparse: outside the box or not stored).
    std::int32_t Elem(std::int32_t Nc, std::int32_t Nr) const noexcept;
    // Dense: stores inside the size and fires OnChange, ignored outside. Sparse: any Nc,
    // Nr >= 1 is stored (overwritten or inserted in order), the box widens, the size
    // becomes the box's high corner; OnChange. EQMRMatrixError "not enough memory on heap"
    // when the list cannot grow (nothing changed).
    void SetElem(std::int32_t Nc, std::int32_t Nr, std::int32_t Value) {
        // Inline: a dense store, and a sparse append after the last element with no handler
        // set that fits the real storage: in the last column up to the box's high row (the
        // box and the counts stay), or in a later column within the box's rows (only the high
        // column and the column count move). Everything else takes the general path.
        if (!FIsSparse) {
            if (Nc < 1 || Nc > FNCol || Nr < 1 || Nr > FNRow) return;
            Column(Nc)[Nr - 1] = Value;
            if (OnChange) OnChange(this);
            return;
        }
        const std::uint64_t K = PosKey(Nc, Nr);
        if (K > FAppendKey && FSp.data() + FSp.size() != FSp.data() + FSp.capacity() && !OnChange) {
            if (K <= FAppendLimit) {  // Nc is the last column, its last row < Nr <= the high row
                FAppendKey = K;
                FSp.push_back({Nc, Nr, Value});  // no reallocation: cannot fail
                return;
            }
            if (Nc > FSparseHighCol && Nr >= FSparseLowRow && Nr <= FSparseHighRow) {
                FAppendKey = K;
                FAppendLimit = PosKey(Nc, FSparseHighRow);
                FSparseHighCol = FNCol = Nc;
                FSp.push_back({Nc, Nr, Value});
                return;
            }
        }
        SetSparse(Nc, Nr, Value);
    }

    // False without change when the size is unchanged. Negatives become 0. Dense: keeps
    // the elements inside both sizes (others 0), OnChange, true; EQMRMatrixError "not
    // enough memory on heap" with nothing changed when the storage cannot be had. Sparse:
    // the size is set, elements beyond it removed, the box clipped; no event, false.
    bool Resize(std::int32_t Nc, std::int32_t Nr);
    // Resize, then Fill(0) only when Resize returned true.
    bool ResizeAndClear(std::int32_t Nc, std::int32_t Nr);
    // Dense: removes a column (row) inside the size when more than one remains; true.
    bool RemoveColumn(std::int32_t Col);
    bool RemoveRow(std::int32_t Row);
    void MakeValidColRange(std::int32_t& LowCol, std::int32_t& HighCol) const noexcept;
    void MakeValidRowRange(std::int32_t& LowRow, std::int32_t& HighRow) const noexcept;

    // Dense to sparse with growth step AllocBy (at least 1): the non-zero elements in
    // column order; the size stays; no event. Nothing when already sparse.
    void ArrayToSparse(std::int32_t AllocBy);
    // Sparse to dense sized to the box (1 x 1 for no elements); no event. Nothing when
    // already dense. EQMRMatrixError "not enough memory on heap" with the sparse form kept.
    void SparseToArray();

    // Nothing for nil or a source of the other form. Sparse: list, capacity, growth step,
    // box and size copied, OnChange. Dense: Resize, every element through SetElem, OnChange.
    void Clone(const TIntMatrix* MatSource);
    // The source block (each bound clamped to the source, no (0, 0) rule) through SetElem
    // with its low corner at (DestCol, DestRow), then OnChange. Nothing for nil. The matrix
    // itself may be the source.
    void CopyFrom(const TIntMatrix* MatSource, std::int32_t SourceColLo, std::int32_t SourceRowLo,
                  std::int32_t SourceColHi, std::int32_t SourceRowHi, std::int32_t DestCol, std::int32_t DestRow);
    // Dense: DestArray := the block, [c - LowCol][r - LowRow].
    void CopyToArray(TInt2DArray& DestArray, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                     std::int32_t HighRow) const;
    // SrcArray[i][j] through SetElem to (Col + i, Row + j) for every row of every column
    // (ragged arrays allowed); no further event.
    void CopyFromArray(const TInt2DArray& SrcArray, std::int32_t Col, std::int32_t Row);
    // DestVec := 0 (not resized), then its elements 1.. := row Row (clamped) over columns
    // FirstCol..LastCol (range rule), cut to the vector's length. Nothing for nil.
    void CopyRowToVec(TIntVector* DestVec, std::int32_t Row, std::int32_t FirstCol, std::int32_t LastCol) const;
    void CopyColToVec(TIntVector* DestVec, std::int32_t Col, std::int32_t FirstRow, std::int32_t LastRow) const;
    // Dense: every element := Value. Sparse: Value 0 removes every element (size kept),
    // another value replaces the stored values. OnChange.
    void Fill(std::int32_t Value);
    // Dense: the block := Value; OnChange.
    void Fill(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow, std::int32_t Value);
    // Dense: elements (k, k) := Value; OnChange.
    void FillDiag(std::int32_t Value);
    // Exchanges the counts, (c, r) moving to (r, c) (sparse: the list re-sorted); OnChange. True.
    bool Transpose();

    // Dense: number of elements of the block with RangeLow <= v <= RangeHigh.
    std::int32_t CountValues(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                             std::int32_t RangeLow, std::int32_t RangeHigh) const;
    // Dense: number of elements of the block with (v and Bitmask) = 0.
    std::int32_t CountMaskedZeros(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                                  std::int32_t HighRow, std::uint32_t Bitmask) const;
    // Dense: ResultArray := [column][row] v > Threshold; the number of true cells.
    std::int32_t Dichotomize(std::int32_t Threshold, TBool2DArray& ResultArray) const;
    // Dense: Means := column (dimColumns) or row (dimRows) means, sized to fit; the mean
    // of no elements is 0. Nothing for nil.
    void MeanVec(TDims Dim, TVector* Means) const;
    // 32 hex digits: four CRC-32 registers over the bytes of the dense elements, column by
    // column (sparse: over no elements).
    std::string CRCofData() const;

    void Changed();
    void SortExchange(std::uint8_t ExchgWhat, std::int32_t Index1, std::int32_t Index2, std::int32_t First,
                      std::int32_t Last);
    // Relays a percentage to OnPercentDone with this matrix as sender.
    void PercDone(TObject* Sender, std::int32_t PercentDone);

    // ---- matrix files
    // Record 0 of a binary matrix file (as TMatrix::ReadBinaryHeader); true when the file
    // has no layers and no time slots and its format is 2 (integers).
    static bool ReadBinaryHeader(const std::string& FName, std::int32_t& NrColumns, std::int32_t& NrRows,
                                 std::string& DataID, std::int32_t& Format);
    // One tag of a matrix XML text: 0 go on, 1 end tag, -1 invalid. numcols / numrows set
    // pending counts; the first cell after SetFirstCell(true) resizes to them; every cell
    // inside those counts is written through SetElem, others are ignored (both forms).
    std::int32_t ProcessXmlTag(TMatXmlTag Tag, std::string_view Attr, std::string_view Content);
    bool FirstCell() const noexcept { return FXml.FirstCell; }
    void SetFirstCell(bool Value) noexcept;

    // ---- search and statistics
    // Ranges: Find, CountValues, CountMaskedZeros and the ranged Fill take (LowCol,
    // HighCol, LowRow, HighRow); the statistics (LowCol, LowRow, HighCol, HighRow).

    // Dense: the row of Value in sorted column Col, else of the nearer bracketing element
    // (the higher on equal distances); 0 for a column outside the matrix or no rows.
    std::int32_t FindInSortedColumn(std::int32_t Col, bool ColIsAscending, std::int32_t Value) const;
    // Dense: the element of the block nearest to Value (first in column order on ties);
    // 0, 0 when there is none.
    void Find(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow, std::int32_t Value,
              std::int32_t& ColIx, std::int32_t& RowIx) const;
    // Wrapping sum of the block (sparse: its stored elements).
    std::int32_t Sum(std::int32_t LoC, std::int32_t LoR, std::int32_t HiC, std::int32_t HiR) const;
    // Wrapping diagonal sum when square (sparse: box high corner square), else 0.
    std::int32_t Trace() const;
    // Mean and sample variance of the block (sparse: unstored positions count as 0); the
    // variance is 1 below three values, never negative; mean 0 for an empty block.
    void MeanVar(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow, double& Mean,
                 double& Variance) const;
    // Dense: as TMatrix; EQMRMatrixError for a negative value (a value <= 0).
    Extended GeometricMean(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow) const;
    Extended HarmonicMean(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow) const;
    // Skewness and excess kurtosis (deviation over n - 1) from two values on; 0 and 0 below
    // two values or for constant data. Sparse: unstored positions count as 0.
    void SkewKurt(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                  double& Skewness, double& Kurtosis) const;
    // The bias-corrected forms; 0 and 0 below four values or for constant data.
    void SkewKurtSample(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                        double& Skewness, double& Kurtosis) const;
    // Dense: quartiles of the block, interpolated at (n + 1) p; false with 0, 0, 0 when
    // sparse or empty.
    bool Quartiles(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow, double& Q1,
                   double& Q2, double& Q3) const;
    // Dense: the (k + 1)-th smallest value, k = Round(n * prob / 100) capped at n - 1,
    // prob clamped to 0..100 (NaN as 0), no interpolation; 0 for an empty block.
    Extended Percentile(double Prob, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                        std::int32_t HighRow) const;
    // The same over SampleSize elements drawn with replacement (the platform generator is
    // re-seeded from the clock) when 0 < SampleSize < the block's size.
    Extended Percentile(double Prob, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                        std::int32_t HighRow, std::int32_t SampleSize) const;
    // Extremes of the block (sparse: of its stored elements) from 2147483647 and -2147483647.
    void MinMax(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                std::int32_t& Minimum, std::int32_t& Maximum) const;

    // ---- arithmetic and products (results wrap at 32 bits)
    // In place this + MatB: both dense of equal size, or MatB sparse with its box inside
    // this matrix. False (nothing changes) otherwise, for nil or when this is sparse.
    bool Add(const TIntMatrix* MatB);
    // Dense, equal sizes: in place this - MatB.
    bool Subtract(const TIntMatrix* MatB);
    // Dense: every element times (plus) Scalar; OnChange.
    void SMult(std::int32_t Scalar);
    void SAdd(std::int32_t Scalar);
    // Dense operands, A(r, k) = Elem(k, r): MatRes := A * B, A * B^T, A^T * B, element-wise
    // product. The result is resized and written through SetElem, then this fires
    // OnChange. False (nothing changes) for nil, sparse operands or sizes that do not fit.
    // A result that is also an operand is formed completely first.
    bool Multiply(const TIntMatrix* MatB, TIntMatrix* MatRes);
    bool MultiplyTransposed(const TIntMatrix* MatB, TIntMatrix* MatRes);
    bool TransposeAndMultiply(const TIntMatrix* MatB, TIntMatrix* MatRes);
    bool EMult(const TIntMatrix* MatB, TIntMatrix* MatRes);
    // VecRes := A * VecB (NrOfRows elements), A^T * VecB (NrOfColumns elements); sized
    // through SetNrOfElem (a count of 0 is not applied).
    bool Multiply(const TIntVector* VecB, TIntVector* VecRes);
    bool TransposeAndMultiply(const TIntVector* VecB, TIntVector* VecRes);

    // ---- reordering (dense)
    // Comb sort of rows LowRow..HighRow by column SortColIx: an exchange swaps the rows in
    // columns LowCol..HighCol and in the key column, and fires OnSortExchange(2, i, j,
    // LowCol, HighCol); OnChange at the end. Nothing for a key outside the matrix or
    // fewer than two rows in the range.
    void SortRows(std::int32_t SortColIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                  std::int32_t HighCol, std::int32_t HighRow);
    // The twin over columns by row SortRowIx; events (1, i, j, LowRow, HighRow).
    void SortCols(std::int32_t SortRowIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                  std::int32_t HighCol, std::int32_t HighRow);
    void MirrorColumns();
    void MirrorRows();
    // Nothing (no event) for an index outside the matrix.
    void ExchangeColumns(std::int32_t C1, std::int32_t C2);
    void ExchangeRows(std::int32_t R1, std::int32_t R2);
    // DestVec := per row (orRows) or per column (orColumns) minimum, maximum, sum or mean.
    // Nothing for nil or an unknown operation.
    void EdgeVector(TOrientation Orient, TEdgeOp EdgeOp, TVector* DestVec) const;

    TNotifyEvent OnChange;
    TSortExchgEvent OnSortExchange;
    TOnPercentDoneEvent OnPercentDone;

private:
    std::size_t StoreRows() const noexcept { return FNRow > 0 ? static_cast<std::size_t>(FNRow) : 1; }
    std::int32_t* Column(std::int32_t Nc) noexcept { return FMat.data() + static_cast<std::size_t>(Nc - 1) * StoreRows(); }
    const std::int32_t* Column(std::int32_t Nc) const noexcept {
        return FMat.data() + static_cast<std::size_t>(Nc - 1) * StoreRows();
    }
    detail::TDenseCols<std::int32_t> Dense() noexcept;
    detail::TDenseCols<const std::int32_t> Dense() const noexcept;
    [[noreturn]] void RaiseNoMemory() const;
    // Sparse: index (0-based) of the first stored element not before (Nc, Nr).
    std::size_t LowerBound(std::int32_t Nc, std::int32_t Nr) const noexcept;
    // Calls F(value, weight) for a block: each dense element with weight 1; when sparse,
    // each stored element inside the block with weight 1, then (with Unstored) 0 once
    // weighted with the number of unstored positions, never visited one by one.
    template <class Fn> void VisitBlock(const detail::TBlock& G, Fn&& F, bool Unstored = true) const;
    void ResetBox() noexcept;
    // (column, row) as one number ordered like the sparse list (for positions >= 1).
    static constexpr std::uint64_t PosKey(std::int32_t Nc, std::int32_t Nr) noexcept {
        return (std::uint64_t{static_cast<std::uint32_t>(Nc)} << 32) | static_cast<std::uint32_t>(Nr);
    }
    // The general sparse write of SetElem.
    void SetSparse(std::int32_t Nc, std::int32_t Nr, std::int32_t Value);
    // Dense storage of Nc x Nr (at least 1 x 1) holding zeros; raises when it cannot be had.
    TIntArray NewStorage(std::int32_t Nc, std::int32_t Nr) const;
    // The shared worker of the product forms: Res (ResCols x ResRows, column-major) from
    // this matrix and B.
    bool StoreProduct(TIntMatrix* MatRes, std::int32_t ResCols, std::int32_t ResRows,
                      const std::vector<std::uint32_t>& Res);

    std::int32_t FNCol = 1;
    std::int32_t FNRow = 1;
    std::string FDataID;
    bool FIsSparse = false;
    // The capacity count as of the last removal or reset; every insertion since grew it by
    // one step when full (NumAllocated() adds those steps).
    std::int32_t FNumAllocated = 0;
    std::int32_t FAllocBy = 1;
    std::int32_t FSparseLowCol = 0, FSparseHighCol = 0, FSparseLowRow = 0, FSparseHighRow = 0;
    // Sparse: the stored elements, sorted by (colidx, rowidx); the real storage grows
    // geometrically, FNumAllocated counts the capacity in growth steps.
    std::vector<TSpMatElemInt> FSp;
    // Sparse: the key of the last element when a write after it within the box's rows may
    // append inline (the list is not empty, the last element lies in the box's high column,
    // the box's low row is at least 1, the counts equal the box's high corner, the real
    // storage holds at most 2147483647 elements); kNoAppend otherwise. Whatever else moves
    // positions, the box or the counts sets kNoAppend. FAppendLimit, the key of the box's
    // high corner, is kept with it: a key above FAppendKey and not above FAppendLimit lies
    // in the last column, inside the box.
    static constexpr std::uint64_t kNoAppend = ~std::uint64_t{0};
    std::uint64_t FAppendKey = kNoAppend;
    std::uint64_t FAppendLimit = 0;
    // Dense: column-major, element (c, r) at (c - 1) * StoreRows() + (r - 1); empty when sparse.
    TIntArray FMat;
    detail::TMatXmlState FXml;
    // The counts the first cell of the current XML reading resized to (-1: none yet).
    std::int32_t FXmlCols = -1, FXmlRows = -1;
};

}  // namespace qmr
