// Data table: numeric data with per-column measurement scale, nominal dictionary, names, attributes and cell states (TDataTable).
#pragma once

#include "containers/QMR_datatable_types.h"
#include "containers/QMR_matrix.h"
#include "containers/QMR_vector.h"
#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qmr {

// Exception of the data table.
class QMR_API EQMRDataTableError : public EQMRError { public: using EQMRError::EQMRError; };

// Tags of the table's XML form, in the order of their texts in DTxmlTagNames.
enum class TDTxmlTags : std::uint8_t {
    xmlDataTableId, xmlDataTableEndId, xmlComment, xmlSize, xmlColNames, xmlRowNames, xmlColAttrib,
    xmlRowAttrib, xmlColId, xmlRowId, xmlDataCells, xmlCellID, xmlVarType, xmlVarIdentifier, xmlInvalid
};
// Texts of the tags, indexed by the ordinal of TDTxmlTags; the last stands for any other tag.
inline constexpr std::array<std::string_view, 15> DTxmlTagNames = {
    "datatable", "/datatable", "comment", "size", "colnames", "rownames", "colattrib", "rowattrib",
    "col", "row", "datacells", "cell", "vardef", "idf", "invalid"};

// Rectangular data table: columns are variables, rows are observations. The cell values
// live in a TMatrix (NumericData()), the table adds per column a measurement scale and a
// dictionary of nominal identifiers, a name and an integer attribute per column and per
// row, a state byte per cell (TCellState), a comment and change notifications.
//
// Indices count from 1. Reads outside the table give 0, stUnknown, false or an empty text;
// writes outside are ignored without a notification unless stated otherwise.
//
// The table holds its own matrix until AssignAnotherDataMatrix hands it a caller's
// matrix, which it then borrows: the table installs its handlers in that matrix's
// OnChange and OnSortExchange, detaches them when it lets go of it, and never frees it.
// An adopted matrix destroyed before the table is replaced by a fresh own matrix of the
// table's size holding zeros (no notification fires).
class QMR_API TDataTable : public TComponent {
public:
    // 1 x 1 table: value 0, state 0, names C-1 and R-1, attributes 0, scale stInterval,
    // empty dictionary; EQMRDataTableError "failed to initialize (out of memory)".
    explicit TDataTable(TComponent* AOwner);
    // Frees the own matrix, or detaches an adopted one (its OnChange and OnSortExchange
    // cleared) and leaves it alive.
    ~TDataTable() override;
    std::string ClassName() const override;

    // ---- copying, adopting, size

    // From a TDataTable: comment, size, values, names, attributes, variable types, cell
    // states and all eight handlers; keeps its own matrix object; fires nothing.
    void Assign(const TPersistent* Source) override;
    // The matrix holding the cell values, Elem(column, row).
    TMatrix* NumericData() const noexcept { return FNumData; }
    // Borrows NewDMat (see the class comment): the table takes its size, every column
    // becomes stInterval (dictionaries kept); fires OnResize (when the size changes, and
    // always once more), then OnChange, OnChangeSetup, OnChangeNames, OnChangeAttrib,
    // OnChangeCellState. Nothing for nil or for the matrix the table already holds.
    void AssignAnotherDataMatrix(TMatrix* NewDMat);

    std::int32_t NrOfColumns() const noexcept { return FNrOfCols; }
    std::int32_t NrOfRows() const noexcept { return FNrOfRows; }
    // Sets the size keeping what overlaps; new cells 0 with state 0, new columns and rows
    // their default names (C-n, R-n), attribute 0, new columns stInterval with an empty
    // dictionary. Fires OnResize (not OnChange) when the size changes; a negative count
    // changes nothing. Out of memory: EQMRDataTableError "not enough memory on heap",
    // the table unchanged.
    void Resize(std::int32_t NrCols, std::int32_t NrRows);
    void SetNrCols(std::int32_t NrCols) { Resize(NrCols, FNrOfRows); }
    void SetNrRows(std::int32_t NrRows) { Resize(FNrOfCols, NrRows); }
    // Default names, states, attributes 0, every column stInterval with an empty
    // dictionary, empty comment, values 0 (OnChange); then OnChangeNames, OnChangeAttrib,
    // OnChangeCellState, OnChangeSetup. The size stays.
    void Clear();
    // Fires OnPercentDone with this table as sender.
    void PercDone(TObject* Sender, std::int32_t Percent);
    // The range rule: (0, 0) is 1..count, else each bound clamped and a reversed pair
    // swapped; with a count of 0 the range is empty (1, 0).
    void MakeValidColRange(std::int32_t& LowCol, std::int32_t& HighCol) const noexcept;
    void MakeValidRowRange(std::int32_t& LowRow, std::int32_t& HighRow) const noexcept;

    // ---- cells

    // The stored value; on a nominal or ordinal column rounded to the nearest integer
    // (halves to even, in floating point).
    Extended Elem(std::int32_t ACol, std::int32_t ARow) const noexcept;
    // Stores Value unrounded (OnChange through the matrix) and fires OnChange once more.
    void SetElem(std::int32_t ACol, std::int32_t ARow, double Value);
    // Identifier of the cell's rounded ordinal k on a nominal or ordinal column: slot k
    // for k in 1..MaxNominalIDs, otherwise the decimal text of k cut to 10 characters.
    TNominalIDStr ElemNominal(std::int32_t ACol, std::int32_t ARow) const;
    // Stores the ordinal of Value (looked up ignoring case; a new identifier takes the
    // lowest free slot without changing the scale or firing OnChangeSetup), then fires
    // OnChange twice like SetElem. An empty Value stores 0. A full dictionary raises
    // EQMRDataTableError "number of available nominal values exceeded", the cell unchanged.
    // On a column that is neither nominal nor ordinal the lookup finds nothing, so every
    // call takes a further slot.
    void SetElemNominal(std::int32_t ACol, std::int32_t ARow, const TNominalIDStr& Value);
    TCellState CellState(std::int32_t ACol, std::int32_t ARow) const noexcept;
    // Fires OnChangeCellState only when the stored byte changes.
    void SetCellState(std::int32_t ACol, std::int32_t ARow, TCellState Value);
    // Neither csNonNumeric nor csEmpty set (true outside, where the state reads 0).
    bool IsNumber(std::int32_t ACol, std::int32_t ARow) const noexcept;
    bool IsEmpty(std::int32_t ACol, std::int32_t ARow) const noexcept;
    bool IsImputed(std::int32_t ACol, std::int32_t ARow) const noexcept;
    // Set or clear csEmpty / csImputed through SetCellState, then fire OnChange always
    // (also outside the table).
    void SetIsEmpty(std::int32_t ACol, std::int32_t ARow, bool Value);
    void SetIsImputed(std::int32_t ACol, std::int32_t ARow, bool Value);

    // ---- names, attributes, scales, comment

    TDTNameStr ColName(std::int32_t ColNr) const;
    TDTNameStr RowName(std::int32_t RowNr) const;
    // Store the name (cut to 50 bytes); fire OnChangeNames.
    void SetColName(std::int32_t ColNr, const TDTNameStr& HLine);
    void SetRowName(std::int32_t RowNr, const TDTNameStr& HLine);
    // Longest name in characters (UTF-8 sequences count once); 0 without columns / rows.
    std::int32_t MaxColNameLength() const noexcept;
    std::int32_t MaxRowNameLength() const noexcept;
    std::int32_t RowAttrib(std::int32_t RowNr) const noexcept;
    std::int32_t ColAttrib(std::int32_t ColNr) const noexcept;
    // Each fires OnChangeAttrib. The Mask forms set attribute := (attribute and not Mask)
    // or (Attrib and Mask) on every row / column.
    void SetRowAttrib(std::int32_t RowNr, std::int32_t Attrib);
    void SetColAttrib(std::int32_t ColNr, std::int32_t Attrib);
    void SetRowAttributes(std::int32_t Attrib);
    void SetRowAttributes(std::int32_t Attrib, std::int32_t Mask);
    void SetColAttributes(std::int32_t Attrib);
    void SetColAttributes(std::int32_t Attrib, std::int32_t Mask);
    TMScaleType MScaleType(std::int32_t ColNr) const noexcept;
    // Stores the scale (dictionary and values kept); fires OnChangeSetup. A value that is
    // not one of the five scales is ignored.
    void SetMScaleType(std::int32_t ColNr, TMScaleType MScaleType);
    const std::string& Comment() const noexcept { return FComment; }
    // Stores S without its control characters; fires OnChangeSetup.
    void SetComment(const std::string& S);

    // ---- nominal dictionary

    // Lowest ordinal whose slot holds ID (IgnoreCase: ASCII letters compared without
    // case); 0 outside, for an empty ID, or on a column neither nominal nor ordinal.
    std::int32_t OrdinalOfNominalID(std::int32_t Col, const TNominalIDStr& ID, bool IgnoreCase) const noexcept;
    // The ordinal of MScaleID (looked up ignoring case), else stores it in the lowest free
    // slot, makes the column stNominal, fires OnChangeSetup and returns the slot. 0 outside,
    // for an empty MScaleID, or when all slots are taken (nothing changes then).
    std::int32_t AddNominalID(std::int32_t Col, const TNominalIDStr& MScaleID);
    // For OrdVal in 1..MaxNominalIDs: an empty MScaleID frees the slot on any column, a
    // non-empty one is stored only on a nominal or ordinal column; OnChangeSetup fires
    // in both cases, also when nothing was stored.
    void SetNominalID(std::int32_t ColIx, std::int32_t OrdVal, const TNominalIDStr& MScaleID);
    // Slot OrdVal of a nominal or ordinal column; empty otherwise.
    TNominalIDStr NominalID(std::int32_t ColIx, std::int32_t OrdVal) const;
    // Frees every slot; fires OnChangeSetup.
    void ClearNominalIDs(std::int32_t Col);
    // Number of occupied slots (any scale).
    std::int32_t CountNominalIDs(std::int32_t Col) const noexcept;
    // Numbers of the nominal and ordinal columns, ascending.
    TIntArray ListOfCategorialVars() const;

    // ---- notifications

    // Each fires its event (OnChange, OnChangeSetup, OnChangeNames, OnChangeAttrib,
    // OnChangeCellState) with this table as sender when assigned.
    void ChangedData();
    void ChangedSetup();
    void ChangedNames();
    void ChangedAttrib();
    void ChangedCellStates();
    // Handler installed in NumericData()->OnChange: fires OnChange.
    void DataHasChanged(TObject* Sender);
    // Handler installed in NumericData()->OnSortExchange: ExchgWhat 1 exchanged columns
    // Index1 and Index2 (their states in rows First..Last move with them, and with the
    // header flag set by the table's sorts their names, attributes and variable types);
    // any other kind exchanged rows likewise (names and attributes). Then relays the
    // exchange to OnSortExchange with this table as sender.
    void ExchangeDuringSort(TObject* Sender, std::uint8_t ExchgWhat, std::int32_t Index1, std::int32_t Index2,
                            std::int32_t First, std::int32_t Last);

    // ---- XML form

    // Writes the whole table as one <datatable id="DataID"> element (names, comment and
    // identifiers escaped, every value as the 16 hex digits of its bits) to Out; the
    // stream's state tells whether the writing succeeded.
    void WriteToXML(std::ostream& Out, const std::string& DataID) const;
    // Reads the first <datatable> element of Content (text before it is passed over) into
    // this table and fires OnResize (when the size changes), then OnChange,
    // OnChangeCellState, OnChangeSetup, OnChangeNames, OnChangeAttrib once each. False,
    // the table unchanged and nothing fired, for anything that is not a complete table
    // in this form or when memory runs out.
    bool ReadFromXML(const std::string& Content);

    // ---- range statistics
    //
    // Ranges follow the range rule (LowCol, LowRow, HighCol, HighRow); cells are visited
    // column by column, rows ascending. Filters: valid = state without csInvalid bits;
    // numeric = valid on an interval or ratio column; marked = numeric (or valid, where
    // said) with (state and CellState and csMarkBits) <> 0. Counts saturate at 2^31 - 1.

    std::int32_t CountNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                               std::int32_t HighRow) const;
    // Valid / csEmpty / csImputed cells of any scale.
    std::int32_t CountValidCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                 std::int32_t HighRow) const;
    std::int32_t CountEmptyCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                 std::int32_t HighRow) const;
    std::int32_t CountImputedCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                   std::int32_t HighRow) const;
    // Sum (of squares) of the numeric / marked cells; NumData := their count.
    Extended SumOfNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                           std::int32_t& NumData) const;
    Extended SumOfMarkedCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                              TCellState CellState, std::int32_t& NumData) const;
    Extended SumOfSquaredNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                  std::int32_t HighRow, std::int32_t& NumData) const;
    Extended SumOfSquaredMarkedCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                     std::int32_t HighRow, TCellState CellState, std::int32_t& NumData) const;
    // Mean (0 for no cell) and sample variance (1 for n <= 2; 0 when undefined); the count.
    std::int32_t MeanVarOfNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                   std::int32_t HighRow, double& Mean, double& Variance) const;
    std::int32_t MeanVarOfMarkedCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                      std::int32_t HighRow, TCellState CellState, double& Mean,
                                      double& Variance) const;
    // Extremes (uc_MaxReal and -uc_MaxReal when no value replaces them); the count.
    // Marked: valid and marked cells of any scale. Valid: values of nominal and ordinal
    // columns rounded first.
    std::int32_t MinMaxOfNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                  std::int32_t HighRow, double& Minimum, double& Maximum) const;
    std::int32_t MinMaxOfMarkedCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                     std::int32_t HighRow, TCellState CellState, double& Minimum,
                                     double& Maximum) const;
    std::int32_t MinMaxOfValidCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                    std::int32_t HighRow, double& Minimum, double& Maximum) const;
    // Quartiles at positions (n + 1) p of the sorted values (clamped to 1..n - 1 with no
    // interpolation beyond); all 0 for n = 0, all the value for n = 1. Always true.
    // EQMRDataTableError "not enough memory on heap".
    bool QuartilesOfNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                             double& Q1, double& Q2, double& Q3, std::int32_t& NumData) const;
    bool QuartilesOfMarkedCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                std::int32_t HighRow, double& Q1, double& Q2, double& Q3, TCellState CellState,
                                std::int32_t& NumData) const;
    // Percentile prob (clamped to 0..100, NaN as 0) interpolated linearly over positions
    // 0..n - 1 of the sorted values; 0 for no cell. EQMRMatrixError "not enough memory on heap".
    Extended PercentileOfNumCells(double prob, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                  std::int32_t HighRow, std::int32_t& NumData) const;
    Extended PercentileOfMarkedCells(double prob, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                     std::int32_t HighRow, TCellState CellState, std::int32_t& NumData) const;
    // exp(mean of the logarithms) of the positive numeric cells, NumData := their count;
    // 0 when a cell holds 0 or none is positive. EQMRMatrixError "negative argument
    // passed to GeometricMean" for a negative cell.
    Extended GeometricMeanOfNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                     std::int32_t HighRow, std::int32_t& NumData) const;
    // n / (sum of 1 / value) over the numeric cells; 0 for none. EQMRMatrixError
    // "negative or zero argument passed to HarmonicMean" for a cell not above 0.
    Extended HarmonicMeanOfNumCells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                    std::int32_t HighRow, std::int32_t& NumData) const;
    // Copies the stored values of the valid cells (any scale) with CellState = 255 or
    // (state and CellState) <> 0 to DestVect elements 1.., sized to the range first and
    // to the count afterwards (a count of 0 keeps the range size); the count. Nothing
    // for a nil DestVect.
    std::int32_t CopyCellsToVector(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                                   std::int32_t HighRow, TCellState CellState, TVector* DestVect) const;

    // Every cell of the table with (state and StateMask) <> 0 gets Value (OnChange per
    // write, and once more when any was written); the number written.
    std::int32_t FillMarkedCells(double Value, TCellState StateMask);
    // Whether the column's stored values take exactly two distinct values, then v1 < v2.
    bool CheckDichotomousColumn(std::int32_t col, double& v1, double& v2) const;
    // Whether every stored value of the column equals row 1's (true without rows; false
    // for a column outside).
    bool IsConstantColumn(std::int32_t ColIx) const noexcept;
    // Whether any cell of the row / column / range has a state sharing a bit with CellState.
    bool IfRowHasCellState(std::int32_t row, TCellState CellState) const noexcept;
    bool IfColHasCellState(std::int32_t col, TCellState CellState) const noexcept;
    bool IfAnyCellHasCellState(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                               std::int32_t HighRow, TCellState CellState) const noexcept;
    // Cells of the row / column whose state shares a bit with StateMask; 0 outside.
    std::int32_t CountMarkedCellsInRow(std::int32_t Row, TCellState StateMask) const noexcept;
    std::int32_t CountMarkedCellsInColumn(std::int32_t Col, TCellState StateMask) const noexcept;
    // Largest / smallest attribute of the range (range rule) and in Row / Col the first
    // index holding it; 0 and index 0 for an empty range.
    std::int32_t MaxRowAttrib(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t& Row) const noexcept;
    std::int32_t MinRowAttrib(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t& Row) const noexcept;
    std::int32_t MaxColAttrib(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t& Col) const noexcept;
    std::int32_t MinColAttrib(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t& Col) const noexcept;
    // Number of distinct row / column attributes (any 32-bit values).
    std::int32_t RowAttribLevels() const;
    std::int32_t ColAttribLevels() const;
    // Highest scale of the column range, at least stNominal; lowest scale, at most stRatio.
    TMScaleType FindHighestMLevel(std::int32_t FirstCol, std::int32_t LastCol) const noexcept;
    TMScaleType FindLowestMLevel(std::int32_t FirstCol, std::int32_t LastCol) const noexcept;

    // ---- copies between the table and arrays

    // DstArray := the column's / row's stored values (unrounded), sized NrOfRows /
    // NrOfColumns; 0. -1 for an index outside, DstArray untouched.
    std::int32_t CopyDataColumnToArray(std::int32_t Col, TDoubleArray& DstArray) const;
    std::int32_t CopyDataRowToArray(std::int32_t Row, TDoubleArray& DstArray) const;

    // ---- events

    TNotifyEvent OnChange;           // cell values changed
    TNotifyEvent OnChangeSetup;      // scale, dictionary or comment changed
    TNotifyEvent OnChangeNames;      // column or row names changed
    TNotifyEvent OnChangeAttrib;     // row or column attributes changed
    TNotifyEvent OnChangeCellState;  // cell states changed
    TOnPercentDoneEvent OnPercentDone;
    TDataTableResizeEvent OnResize;
    TSortExchgEvent OnSortExchange;  // exchanges of the matrix's sorts, relayed

protected:
    // The learner's distance pass reads the stored columns (ColumnValues).
    friend class TMemBasedLearner;

    void AssignTo(TPersistent* Dest) const override;
    // The adopted matrix is being destroyed: fall back to an own matrix of zeros.
    void Notification(TComponent* AComponent) override;

    // State of cell (ACol, ARow), inside the table.
    TCellState& State(std::int32_t ACol, std::int32_t ARow) noexcept {
        return FCState[static_cast<std::size_t>(ACol - 1) * static_cast<std::size_t>(FNrOfRows) +
                       static_cast<std::size_t>(ARow - 1)];
    }
    const TCellState& State(std::int32_t ACol, std::int32_t ARow) const noexcept {
        return FCState[static_cast<std::size_t>(ACol - 1) * static_cast<std::size_t>(FNrOfRows) +
                       static_cast<std::size_t>(ARow - 1)];
    }
    bool InsideCol(std::int32_t ACol) const noexcept { return ACol >= 1 && ACol <= FNrOfCols; }
    bool InsideRow(std::int32_t ARow) const noexcept { return ARow >= 1 && ARow <= FNrOfRows; }
    bool Inside(std::int32_t ACol, std::int32_t ARow) const noexcept { return InsideCol(ACol) && InsideRow(ARow); }
    // Exact stored values of column ACol of the table; Rows receives how many rows the
    // matrix holds (fewer than NrOfRows only when its owner shrank an adopted matrix:
    // the cells beyond read 0); nullptr (Rows 0) when the matrix lacks the column.
    const double* ColumnValues(std::int32_t ACol, std::int32_t& Rows) const noexcept;
    double* ColumnValues(std::int32_t ACol, std::int32_t& Rows) noexcept;
    // Exact stored value of cell (ACol, ARow) of the table (0 where the matrix lacks it).
    double CellValue(std::int32_t ACol, std::int32_t ARow) const noexcept;
    // Calls Fn(Value, State, Scale) for every cell of the range (range rule), column by
    // column, rows ascending, with the exact stored value, the cell's state and the
    // column's scale (defined in QMR_datatable_cells.h).
    template <class Fn>
    void ForEachCell(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow,
                     Fn&& F) const;
    // The range as a visitor: Cells(...)(F) is ForEachCell(..., F).
    auto Cells(std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow) const {
        return [=, this](auto&& F) { ForEachCell(LowCol, LowRow, HighCol, HighRow, F); };
    }

    // Installs / clears the table's two handlers in the matrix M.
    void InstallHooks(TMatrix* M);
    static void DetachHooks(TMatrix* M) noexcept;
    // Detaches the matrix's OnChange while alive; installs the table's hook again after.
    class TMutedMatrix {
    public:
        explicit TMutedMatrix(TDataTable& T) noexcept : FTable(T) { T.FNumData->OnChange = nullptr; }
        ~TMutedMatrix() { FTable.InstallHooks(FTable.FNumData); }
        TMutedMatrix(const TMutedMatrix&) = delete;
        TMutedMatrix& operator=(const TMutedMatrix&) = delete;
    private:
        TDataTable& FTable;
    };

    std::string FComment;
    TIntArray FRowAtt;               // one per row
    TIntArray FColAtt;               // one per column
    std::vector<TVTypeSpec> FVType;  // one per column
    // Cell states, column-major: cell (c, r) at (c - 1) * FNrOfRows + (r - 1).
    std::vector<TCellState> FCState;
    std::vector<TDTNameStr> FColName;
    std::vector<TDTNameStr> FRowName;
    std::int32_t FNrOfCols = 1;
    std::int32_t FNrOfRows = 1;
    // Whether exchanges reported by the matrix's sorts also move names, attributes and
    // variable types (set by the table's sorts).
    bool FSortIncludeHd = false;
    // The matrix in use: the own one (FOwnMat) or an adopted one.
    TMatrix* FNumData = nullptr;
    std::unique_ptr<TMatrix> FOwnMat;

private:
    struct TSizedArrays;
    // The table's arrays for NrCols x NrRows, keeping what overlaps.
    TSizedArrays ResizedArrays(std::int32_t NrCols, std::int32_t NrRows) const;
    void CommitArrays(TSizedArrays& A) noexcept;
    [[noreturn]] void RaiseNoMemory() const;
    void FireResize(std::int32_t OldCols, std::int32_t OldRows);
};

}  // namespace qmr
