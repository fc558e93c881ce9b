// Dense matrix of double (TMatrix): core, linear algebra, reshaping and copying,
// statistics, products, distances and squaring; the matrix file formats; the
// three-dimensional matrix TMat3D (containers/QMR_matrix_3d.h) and the four-dimensional
// TMat4D with its layer routines (containers/QMR_matrix_4d.h).
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qmr {

class TIntVector;
class TMat3D;
class TVector;
namespace detail { struct TMatrixAccess; }

// Exception of the matrix classes.
class QMR_API EQMRMatrixError : public EQMRError { public: using EQMRError::EQMRError; };

// Caller-defined distance of two rows.
using TOnCalcDistanceEvent = std::function<void(TObject* Sender, std::int32_t Row1, std::int32_t Row2,
                                                double& Distance)>;

// Tags of the matrix XML format; xmlInvalid stands for any tag not in the list.
enum class TMatXmlTag : std::uint8_t {
    xmlMatNumCols = 0, xmlMatNumRows = 1, xmlMatNumLayers = 2, xmlMatNumTimeSlots = 3,
    xmlMatCell = 4, xmlMatBegin = 5, xmlMatEnd = 6, xmlInvalid = 7
};
// The tag names, indexed by TMatXmlTag. Handed to ReadNextTagInString as its tag list,
// an unknown name comes back as the last index, xmlInvalid.
inline constexpr std::array<std::string_view, 8> MatXmlTagNames = {
    "numcols", "numrows", "numplanes", "numtimeslots", "cell", "matrix", "/matrix", "invalidtag"};

namespace detail {
// What one XML reading keeps between tags: FirstCell and the counts read so far, per
// axis (columns, rows, layers, time slots).
struct TMatXmlState {
    bool FirstCell = false;
    std::array<std::int32_t, 4> Pending{};
    std::array<bool, 4> Read{};
    // Sets FirstCell; true starts a reading and forgets the counts read before.
    void Start(bool Value) noexcept {
        FirstCell = Value;
        if (Value) Read = {};
    }
};
}  // namespace detail

// Matrix norms: largest column sum, largest row sum, largest singular value, Frobenius.
enum class TNormType : std::uint8_t { ntColwise = 0, ntRowwise = 1, ntSpectral = 2, ntFrobenius = 3 };

// Dense matrix of double addressed Elem(column, row) from 1. Elements are stored
// column-major in one contiguous block (a column is one contiguous run of doubles);
// the storage is at least 1 x 1 even when a count is 0.
class QMR_API TMatrix : public TComponent {
    friend struct detail::TMatrixAccess;  // read-only storage view for the library's kernels

public:
    // 1 x 1 holding 0; Precision 15 and -1; no event.
    explicit TMatrix(TComponent* AOwner);
    ~TMatrix() override;
    std::string ClassName() const override;

    // Copies counts, DataID, elements, both precisions and OnChange, OnSortExchange,
    // OnCalcDistance of a TMatrix source; fires nothing.
    void Assign(const TPersistent* Source) override;
    // Resizes to the source's counts, copies every element through SetElem, then Changed.
    void Clone(const TMatrix* MatSource);

    std::int32_t NrOfColumns() const noexcept { return FNCol; }
    void SetNrOfColumns(std::int32_t Value);
    std::int32_t NrOfRows() const noexcept { return FNRow; }
    void SetNrOfRows(std::int32_t Value);
    const std::string& DataID() const noexcept { return FDataID; }
    void SetDataID(const std::string& Value) { FDataID = Value; }
    // Element (column Nc, row Nr); 0 outside the counts.
    Extended Elem(std::int32_t Nc, std::int32_t Nr) const noexcept;
    // Stores the element and fires OnChange; ignored outside the counts.
    void SetElem(std::int32_t Nc, std::int32_t Nr, double Value);
    // Format setting: Ix > 1 the second, any other Ix the first; written values clamped to -1..25.
    std::int32_t Precision(std::int32_t Ix) const noexcept;
    void SetPrecision(std::int32_t Ix, std::int32_t Value) noexcept;

    // Sets the counts (negatives become 0), keeping elements inside both the old and
    // the new counts, others 0; fires OnChange unless the counts are unchanged. True.
    bool Resize(std::int32_t Nc, std::int32_t Nr);
    // Resize, then every element := 0 (OnChange).
    bool ResizeAndClear(std::int32_t Nc, std::int32_t Nr);
    // Every element := Value; OnChange once.
    void Fill(double Value);

    // Fires OnChange when assigned.
    void Changed();
    // Fires OnSortExchange with the values unchanged when assigned.
    void SortExchange(std::uint8_t ExchgWhat, std::int32_t Index1, std::int32_t Index2, std::int32_t First,
                      std::int32_t Last);
    // Relays a percentage to OnPercentDone (with this matrix as sender) when assigned.
    void PercDone(TObject* Sender, std::int32_t Percent);

    // Range rule: (0, 0) is the whole extent; else clamp low, clamp high, swap when
    // reversed. With 0 columns (rows) the range is empty (1, 0).
    void MakeValidColRange(std::int32_t& LowCol, std::int32_t& HighCol) const noexcept;
    void MakeValidRowRange(std::int32_t& LowRow, std::int32_t& HighRow) const noexcept;

    // Removes a column (rows: a row) when inside the counts and more than one remains.
    bool RemoveColumn(std::int32_t Col);
    bool RemoveRow(std::int32_t Row);

    // 64 hex digits: eight CRC-32 registers over the element bytes, column by column.
    std::string CRCofData() const;

    // ---- matrix files

    // Reads record 0 of a binary matrix file and hands out its column and row counts,
    // data identifier and format code, whatever they are; true when the file has no
    // layers and no time slots and its format is 1 (doubles). A missing or short file
    // raises EFOpenError / EReadError with the out-parameters unchanged. The matrix is
    // not touched.
    static bool ReadBinaryHeader(const std::string& FName, std::int32_t& NrColumns, std::int32_t& NrRows,
                                 std::string& DataID, std::int32_t& Format);
    // One tag of a matrix XML text: 0 go on, 1 end tag (/matrix), -1 invalid tag.
    // numcols and numrows hold a pending count (numplanes, numtimeslots and matrix are
    // ignored). The first cell after SetFirstCell(true) resizes to the pending counts
    // (the current count for one not read; the elements are kept, not cleared) and
    // clears FirstCell; every cell stores its content at the ix and iy attributes
    // through SetElem (outside: dropped; OnChange per write). A failed resize raises
    // "not enough memory on heap" with the matrix and FirstCell unchanged.
    std::int32_t ProcessXmlTag(TMatXmlTag Tag, std::string_view Attr, std::string_view Content);
    // Set by an XML reader before the first tag; SetFirstCell(true) forgets counts read before.
    bool FirstCell() const noexcept { return FXml.FirstCell; }
    void SetFirstCell(bool Value) noexcept { FXml.Start(Value); }

    // ---- linear algebra

    // Replaces a square matrix by its inverse (Crout LU, scaled partial pivoting). False
    // when the matrix is singular or a factor or an element of the inverse lies beyond the
    // range of double.
    bool Invert();
    // MatL := unit lower factor, MatU := upper factor with L*U = rows of this matrix
    // permuted; NumPerm = +1/-1 parity of the row exchanges. False when singular or when a
    // factor lies beyond the range of double (MatU then holds the combined factors).
    bool LUdecomposition(TMatrix* MatL, TMatrix* MatU, std::int32_t& NumPerm);
    // Determinant by LU decomposition; 0 when it fails.
    Extended Determinant();
    // MatL := lower triangular L with A = L*L^T (the upper triangle of this matrix receives L^T).
    bool CholeskyDecomp(TMatrix* MatL);
    // Diagonal similarity scaling in place (no event).
    bool Balance();
    // Matrix norm of the given kind; EQMRMatrixError when the spectral decomposition fails.
    Extended Norm(TNormType nt);
    // Successive row differences, Order times; the matrix loses Order rows.
    void Diff(std::int32_t Order);

    // ---- reshaping, filling and copying
    // Ranged fills and CopyToArray take (LowCol, HighCol, LowRow, HighRow); the sorts take
    // (LowCol, LowRow, HighCol, HighRow). Ranges follow the range rule above.

    // Exchanges the counts, element (c, r) moving to (r, c); OnChange. True.
    bool Transpose();
    // Comb sort of rows LowRow..HighRow by column SortColIx: an exchange swaps the rows in
    // columns LowCol..HighCol and in the key column, and fires OnSortExchange(2, i, j,
    // LowCol, HighCol); OnChange at the end. Nothing (no event) for a key column outside
    // the matrix or fewer than two rows in the range.
    void SortRows(std::int32_t SortColIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                  std::int32_t HighCol, std::int32_t HighRow);
    // The twin over columns by row SortRowIx; events (1, i, j, LowRow, HighRow).
    void SortCols(std::int32_t SortRowIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                  std::int32_t HighCol, std::int32_t HighRow);
    // Reverse the order of the columns (rows); OnChange.
    void MirrorColumns();
    void MirrorRows();
    // Swap two whole columns (rows); OnChange. Nothing (no event) for an index outside the matrix.
    void ExchangeColumns(std::int32_t C1, std::int32_t C2);
    void ExchangeRows(std::int32_t R1, std::int32_t R2);
    // DestVec := one value per row (orRows, sized NrOfRows) or per column (orColumns, sized
    // NrOfColumns): minimum, maximum, sum or mean. Nothing for a nil vector or an unknown
    // operation; the mean over no elements is 0.
    void EdgeVector(TOrientation Orient, TEdgeOp EdgeOp, TVector* DestVec) const;
    // Every element of the range := Value; OnChange once.
    void Fill(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow, double Value);
    // Elements (k, k) := Value; OnChange once.
    void FillDiag(double Value);
    // RangeLow + u * (RangeHigh - RangeLow), u from the platform generator, column by
    // column (whole matrix or range); OnChange once.
    void FillRandomUniform(double RangeLow, double RangeHigh);
    void FillRandomUniform(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                           double RangeLow, double RangeHigh);
    // Mean + StdDev * GRandom(), column by column; OnChange once.
    void FillRandomGauss(double Mean, double StdDev);
    void FillRandomGauss(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                         double Mean, double StdDev);
    // DestVec := 0 (not resized), then its elements 1.. := the row's columns FirstCol..LastCol
    // (range rule, Row clamped), cut to the vector's length. Nothing for a nil vector.
    void CopyRowToVec(TVector* DestVec, std::int32_t Row, std::int32_t FirstCol, std::int32_t LastCol) const;
    // The twin for rows FirstRow..LastRow of column Col.
    void CopyColToVec(TVector* DestVec, std::int32_t Col, std::int32_t FirstRow, std::int32_t LastRow) const;
    // Copies the source block (each bound clamped to the source, no (0, 0) rule) through
    // SetElem so that its low corner lands at (DestCol, DestRow); targets outside dropped,
    // no resize; OnChange once more at the end. Nothing for a nil source. The matrix itself
    // may be the source.
    void CopyFrom(const TMatrix* MatSource, std::int32_t SourceColLo, std::int32_t SourceRowLo,
                  std::int32_t SourceColHi, std::int32_t SourceRowHi, std::int32_t DestCol, std::int32_t DestRow);
    // The same from layer SourceLayer (clamped to the source's layers) of a TMat3D.
    void CopyFrom(const TMat3D* MatSource, std::int32_t SourceColLo, std::int32_t SourceRowLo,
                  std::int32_t SourceColHi, std::int32_t SourceRowHi, std::int32_t SourceLayer, std::int32_t DestCol,
                  std::int32_t DestRow);
    // Lays vector elements Source1stElem..SourceLastElem (the vector's range rule) along row
    // DestRow from DestCol (dimColumns) or down column DestCol from DestRow (dimRows) through
    // SetElem; OnChange once at the end (also for an unknown Dim). Nothing for a nil vector.
    void CopyFromVec(TDims Dim, const TVector* VecSource, std::int32_t Source1stElem, std::int32_t SourceLastElem,
                     std::int32_t DestCol, std::int32_t DestRow);
    // The form above with dimRows.
    void CopyFromVec(const TVector* VecSource, std::int32_t Source1stElem, std::int32_t SourceLastElem,
                     std::int32_t DestCol, std::int32_t DestRow);
    // DestArray := the range, sized columns x rows of the range, [c - LowCol][r - LowRow];
    // the integer form rounds halves to even (NaN gives 0, out-of-range values saturate).
    void CopyToArray(TDouble2DArray& DestArray, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                     std::int32_t HighRow) const;
    void CopyToArray(TInt2DArray& DestArray, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                     std::int32_t HighRow) const;
    // SrcArray[i][j] goes through SetElem to (Col + i, Row + j), every column cut to the first
    // column's length (and to its own); targets outside dropped; no further event.
    void CopyFromArray(const TDouble2DArray& SrcArray, std::int32_t Col, std::int32_t Row);
    void CopyFromArray(const TInt2DArray& SrcArray, std::int32_t Col, std::int32_t Row);

    // ---- statistics (the matrix is unchanged unless stated)
    // Most take (LowCol, LowRow, HighCol, HighRow); Find and CountValues take (LowCol,
    // HighCol, LowRow, HighRow). An empty range gives mean 0, variance 1, quantiles 0.

    // Extremes of the range; NaNs are skipped; an empty range (or all NaN) gives
    // Minimum = uc_MaxReal, Maximum = -uc_MaxReal.
    void MinMax(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                double& Minimum, double& Maximum) const;
    // Position of the element nearest to Value (the first in column order on ties); 0, 0
    // when none is found.
    void Find(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow, double Value,
              std::int32_t& ColIx, std::int32_t& RowIx) const;
    // Binary search of a sorted column: the row of Value, or of the nearer neighbour (the
    // higher row on equal distances); 0 for a column outside the matrix or no rows.
    std::int32_t FindInSortedColumn(std::int32_t Col, bool ColIsAscending, double Value) const;
    // Sum of the range.
    Extended Sum(std::int32_t LoC, std::int32_t LoR, std::int32_t HiC, std::int32_t HiR) const;
    // Sum of the diagonal of a square matrix; 0 otherwise.
    Extended Trace() const;
    // Number of elements v with RangeLow <= v <= RangeHigh.
    std::int32_t CountValues(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                             double RangeLow, double RangeHigh) const;
    // Mean and sample variance (divisor n - 1) of the range; the variance is 1 for fewer
    // than three values.
    void MeanVar(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow, double& Mean,
                 double& Variance) const;
    // exp(mean of ln v); 0 when a value is 0; EQMRMatrixError for a negative value.
    Extended GeometricMean(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                           std::int32_t HighRow) const;
    // n / sum of 1 / v; EQMRMatrixError for a value <= 0.
    Extended HarmonicMean(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                          std::int32_t HighRow) const;
    // Skewness and excess kurtosis: third and fourth moments over n, the deviation over
    // n - 1; the raw moment sums when the deviation is 0; 0 and 0 for fewer than two values.
    void SkewKurt(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                  double& Skewness, double& Kurtosis) const;
    // The bias-corrected sample forms; 0 and 0 for fewer than four values or constant data.
    void SkewKurtSample(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                        double& Skewness, double& Kurtosis) const;
    // The shared worker of the two above; NumData := the number of values.
    void SkewKurtIntern(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                        double& Skewness, double& Kurtosis, std::int32_t& NumData) const;
    // Quartiles of the range (interpolated, sorted with SortArray: one progress step per
    // pass). False with 0, 0, 0 for an empty range.
    bool Quartiles(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow, double& Q1,
                   double& Q2, double& Q3) const;
    // The (k + 1)-th smallest value, k = Round(n * prob / 100) capped at n - 1; prob clamped
    // to 0..100 (NaN counts as 0); 0 for an empty range.
    Extended Percentile(double Prob, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                        std::int32_t HighRow) const;
    // The same from SampleSize elements drawn with replacement (the platform generator is
    // re-seeded from the clock); the exact value when SampleSize <= 0 or not below the
    // number of elements.
    Extended Percentile(double Prob, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                        std::int32_t HighRow, std::int32_t SampleSize) const;
    // Counts the range (LoX..HiX columns, LoY..HiY rows) into Round(|LastBin - FirstBin| /
    // BinWidth) + 1 bins of Histo (resized when its count differs, cleared) from FirstBin
    // on: below FirstBin Underflow; from LastBin + BinWidth on, NaN, and a bin beyond the
    // rounded-down count Overflow; MaxCnt the largest bin. Counts saturate at 2147483647.
    // False with nothing changed for a nil Histo, a width that is not finite and positive,
    // or a quotient |LastBin - FirstBin| / BinWidth that is not finite or gives over 500 bins.
    bool Histogram(std::int32_t LoX, std::int32_t LoY, std::int32_t HiX, std::int32_t HiY, double FirstBin,
                   double LastBin, double BinWidth, TIntVector* Histo, std::int32_t& Underflow,
                   std::int32_t& Overflow, std::int32_t& MaxCnt) const;
    // ResultArray := [column][row] element > Threshold; the number of True cells.
    std::int32_t Dichotomize(double Threshold, TBool2DArray& ResultArray) const;
    // Each column (row) with a variance above 0 becomes (v - mean) / sqrt(variance); the
    // means and deviations go to the vectors when given (not resized). OnChange once.
    void StandardizeColumns(TVector* Means, TVector* StdDevs);
    void StandardizeRows(TVector* Means, TVector* StdDevs);
    // Each column (row) becomes (v - median) / d with d = |median - Percentile(RefQuant)|
    // when d > 0; medians and d go to the vectors when given (not resized). OnChange once.
    void QNormalizeColumns(double RefQuant, TVector* Medians, TVector* QuantDiffs);
    void QNormalizeRows(double RefQuant, TVector* Medians, TVector* QuantDiffs);
    // Subtracts each column's (row's) mean; Means (when given) is sized and receives them. OnChange once.
    void MeanCenterColumns(TVector* Means);
    void MeanCenterRows(TVector* Means);
    // Means := column means (dimColumns) or row means (dimRows), sized to fit; nothing for a
    // nil vector; the mean of no elements is 0.
    void MeanVec(TDims Dim, TVector* Means) const;

    // ---- products, distances and squaring
    // A result matrix or vector is written through its setter after it was resized; then
    // this matrix fires OnChange. A result that is also an operand is computed first.

    // Every element times (plus) Scalar; OnChange once.
    void SMult(double Scalar);
    void SAdd(double Scalar);
    // In place this + MatB (this - MatB); False (nothing changes) for nil or unequal sizes.
    bool Add(const TMatrix* MatB);
    bool Subtract(const TMatrix* MatB);
    // MatRes := this * MatB (MatB.NrOfColumns x NrOfRows); needs NrOfColumns = MatB.NrOfRows.
    bool Multiply(const TMatrix* MatB, TMatrix* MatRes);
    // MatRes := this * MatB^T (MatB.NrOfRows x NrOfRows); needs equal column counts.
    bool MultiplyTransposed(const TMatrix* MatB, TMatrix* MatRes);
    // MatRes := this^T * MatB (MatB.NrOfColumns x NrOfColumns); needs equal row counts.
    bool TransposeAndMultiply(const TMatrix* MatB, TMatrix* MatRes);
    // MatRes := element-wise product; needs equal sizes.
    bool EMult(const TMatrix* MatB, TMatrix* MatRes);
    // VecRes := this * VecB (NrOfRows elements); needs NrOfColumns = VecB.NrOfElem.
    bool Multiply(const TVector* VecB, TVector* VecRes);
    // VecRes := this^T * VecB (NrOfColumns elements); needs NrOfRows = VecB.NrOfElem.
    bool TransposeAndMultiply(const TVector* VecB, TVector* VecRes);
    // Correlation coefficient of all element pairs; 0 for fewer than three pairs or constant
    // data. EQMRMatrixError "matrices do not match" for a nil matrix or unequal sizes.
    Extended Correlate(const TMatrix* OtherMat) const;
    // Distance (modes 1-3), similarity (modes 0 and 4, 0 for two all-zero rows) or the
    // OnCalcDistance value (mode 5, 0 without handler) of two rows; rows outside the matrix
    // read as zeros; 0 for other modes.
    Extended DistanceOfObjects(TDistMode Mode, std::int32_t Obj1, std::int32_t Obj2) const;
    // DMat := distances of all row pairs (diagonal 0) through its setter, row by row; 0 done,
    // -2 DMat nil or its column count differs from NrOfRows, -1 DMat not square (no change).
    std::int32_t CalcDistMat(TDistMode Mode, TMatrix* DMat) const;
    // MatRes := X^T * X / Norm (NrOfColumns x NrOfColumns) on up to NThreads worker threads
    // (less than 1 means 1), written to storage (only MatRes's resize fires). False for nil
    // MatRes or a Norm of 0 or not finite (nothing changes), and when AbortMathProc stops it
    // (all workers have ended when it returns). One progress step per column.
    bool Square(TMatrix* MatRes, double Norm, std::int32_t NThreads) const;
    // The form above on as many threads as the machine has processors.
    bool Square(TMatrix* MatRes, double Norm) const;
    // HatMat := X (X^T X)^-1 X^T (rows x rows) when the inversion succeeds; its result.
    // False at once for a nil HatMat; HatMat is untouched after False.
    bool CalcHatMatrix(TMatrix* HatMat);

    TNotifyEvent OnChange;
    TSortExchgEvent OnSortExchange;
    TOnCalcDistanceEvent OnCalcDistance;
    TOnPercentDoneEvent OnPercentDone;

protected:
    // The data table reads and writes the exact doubles of the matrix it holds.
    friend class TDataTable;

    void AssignTo(TPersistent* Dest) const override;

    // Rows of storage per column (the column stride): the row count, at least 1.
    std::size_t StoreRows() const noexcept { return FNRow > 0 ? static_cast<std::size_t>(FNRow) : 1; }
    // Storage of column Nc (1-based), contiguous over the rows.
    double* Column(std::int32_t Nc) noexcept { return FMat.data() + static_cast<std::size_t>(Nc - 1) * StoreRows(); }
    const double* Column(std::int32_t Nc) const noexcept {
        return FMat.data() + static_cast<std::size_t>(Nc - 1) * StoreRows();
    }
    // Raises EQMRMatrixError with the component message "not enough memory on heap".
    [[noreturn]] void RaiseNoMemory() const;

    std::int32_t FNCol = 1;
    std::int32_t FNRow = 1;
    std::string FDataID;
    std::int32_t FPrecis[2] = {15, -1};
    // Elements, column-major: element (c, r) at (c - 1) * StoreRows() + (r - 1); at
    // least one column of one row even when a count is 0.
    TDoubleArray FMat;
    detail::TMatXmlState FXml;
};

}  // namespace qmr

#include "containers/QMR_matrix_3d.h"
#include "containers/QMR_matrix_4d.h"
