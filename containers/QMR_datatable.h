// Data table: numeric data with per-column measurement scale, nominal dictionary, names, attributes and cell states (TDataTable).
#pragma once

#include "containers/QMR_datatable_types.h"
#include "containers/QMR_matrix.h"
#include "containers/QMR_vector.h"
#include "platform/Qmr_qmrbase.h"

#include <cstdint>
#include <functional>
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

    // ---- analyses
    //
    // Row standardisation and centring raise EQMRDataTableError (without component
    // prefix) before changing anything when any column is nominal or ordinal. Every value
    // they change is written through the matrix (OnChange per write); Means / StdDevs,
    // when given, receive one element per column (row), indexed by its number and not
    // resized.

    // CovarMat[1..n, 1..n], n = HiC - LoC + 1, over the table's columns LoC..HiC and rows
    // LoR..HiR taken as given (no range rule; cells outside the table read as valid 0).
    // A pair of columns uses the rows where both cells are valid (m of them); values are
    // read as Elem reads them. Mode 0: sum of x y / (m - 1); 1: covariance about the
    // column means of MeanVarOfNumCells; 2: Pearson correlation (0 unless m > 2, neither
    // column is constant over the pair's rows and both sums of squares are above 0, which
    // a NaN fails; diagonal 1); 3: its square; 4: sum
    // of (x - y)^2 / (m - 1); other modes 0. Modes 0, 1, 4 give 0 for m <= 1. Each result
    // goes to [j, i] and [i, j] through SetElem; CovarMat is neither resized nor cleared.
    // Clears AbortMathProc first, one progress step per column of the mean pass (modes
    // above 0) and per result column. False for a nil or too small CovarMat, HiC < LoC,
    // or an abort (the columns computed so far are kept).
    bool CalcCovar(TMatrix* CovarMat, std::int32_t LoC, std::int32_t HiC, std::int32_t LoR, std::int32_t HiR,
                   std::int32_t Mode);
    // Each interval or ratio column with a variance (MeanVarOfNumCells) above 0: its valid
    // cells := (x - mean) / sqrt(variance); Means / StdDevs get mean and sqrt(variance) of
    // every such column. OnChange once more at the end when any column was transformed.
    void StandardizeNumCellColumns(TVector* Means, TVector* StdDevs);
    // Per row, mean and variance of its numeric cells; the row's valid cells of any scale
    // := (x - mean) / sqrt(variance) when the variance is above 0. OnChange at the end.
    // EQMRDataTableError "standardization of rows is not possible with nominal or ordinal
    // variables".
    void StandardizeNumCellRows(TVector* Means, TVector* StdDevs);
    // The valid cells of each interval or ratio column := x - mean; OnChange at the end.
    void MeanCenterNumCellColumns(TVector* Means);
    // The valid cells of each row := x - the mean of its numeric cells; OnChange at the end.
    // EQMRDataTableError "mean centering of rows is not possible with nominal or ordinal
    // variables".
    void MeanCenterNumCellRows(TVector* Means);
    // Turns the nc x nr table into its long format of nc * nr rows, in place (row
    // (s - 1) nr + t for cell (s, t)): columns "(column)" (nominal, ordinal s = "s:name"
    // cut to 10 bytes; with ColHeadsAsVar), "(col. index)" and "(row index)" (interval, no
    // dictionary, attribute 0; with IncludeColRowNumbers), then "(data)" holding the cell
    // as Elem reads it and its state, with the table's highest scale. Row names and
    // attributes follow the former rows; other columns' states are 0. OnResize, and the
    // setup, name, attribute and state notifications per write; OnChange once at the end.
    // Nothing for more than 2^31 - 1 cells.
    void Serialize(bool ColHeadsAsVar, bool IncludeColRowNumbers);
    // Cross-tabulation of the rounded ordinals of two nominal or ordinal columns over the
    // rows (range rule) where both cells are valid: ContTab[o1 - 1][o2 - 1] counts, sized
    // (M1 + 1) x (M2 + 1) for the largest ordinals M1, M2 seen, the last column and row
    // holding the margins and [M1][M2] the total. 0; -3 when a row held a value outside
    // 1..150 (NaN and infinities included; the row skipped, the table built); -1 for a
    // column outside, -2 for a column neither nominal nor ordinal (ContTab untouched).
    std::int32_t CreateContingencyTable(std::int32_t Col1, std::int32_t Col2, std::int32_t LowRow,
                                        std::int32_t HighRow, TInt2DArray& ContTab) const;
    // OrdList := 150 counts of the rounded ordinals 1..150 of the column's rows (range
    // rule; cell states not consulted); the number of values outside 1..150. 0 for a
    // column neither nominal nor ordinal (OrdList untouched), -1 for a column outside.
    std::int32_t ScanForCatValues(std::int32_t ACol, std::int32_t LowRow, std::int32_t HighRow,
                                  TIntArray& OrdList) const;

    // ---- inserting, removing, exchanging
    //
    // Inserts and removes move entries through the public accessors (nominal and ordinal
    // values arrive rounded; every write fires its own notification), with the matrix's
    // hook detached, then fire OnChangeSetup. Inserted rows / columns get an empty name,
    // attribute 0, values 0, states 0 (columns stInterval, no dictionary). Column moves
    // carry the identifiers only where the target column is nominal or ordinal.

    // For 1 <= ix <= NrOfRows + 1 / NrOfColumns + 1.
    void InsertRow(std::int32_t ix);
    void InsertColumn(std::int32_t ix);
    // For an index inside and at least two rows / columns: the rest moves up / left, then
    // the table shrinks (OnResize) and OnChange fires once.
    void RemoveRow(std::int32_t ix);
    void RemoveColumn(std::int32_t ix);
    // Removes every row of the table holding a cell whose state shares a bit with CState
    // (the kept rows keep their order, names, attributes, values and states); OnResize,
    // then OnChange, OnChangeCellState, OnChangeAttrib, OnChangeNames, OnChangeSetup once
    // each. The number removed; -1 (nothing changed) when FirstRow or LastRow lies outside
    // the table ((0, 0) means all rows).
    std::int32_t RemoveMarkedRows(std::int32_t FirstRow, std::int32_t LastRow, TCellState CState);
    // Exchange two rows (values, attributes, names, states) / columns (also scales and
    // dictionaries), then fire OnChange, OnChangeCellState, OnChangeAttrib, OnChangeNames,
    // OnChangeSetup. Nothing for an index outside the table.
    void ExchangeRows(std::int32_t r1, std::int32_t r2);
    void ExchangeColumns(std::int32_t c1, std::int32_t c2);
    // Reverse the order of all rows / columns, with everything that belongs to them; the
    // same five notifications at the end.
    void MirrorRows();
    void MirrorColumns();

    // ---- cell states of the whole table (OnChangeCellState once, also when nothing changed)

    void SetAllCellStates(TCellState CellState);
    // Clears csMark1 and csMark2.
    void UnmarkAllCells();
    void InvertCellStates(TCellState StateMask);
    // Exchanges the bits csMark1 and csMark2 of every state.
    void ExchangeMarkings();

    // ---- sorts
    //
    // Comb sorts (the gap starts at High - Low); ranges follow the range rule, equal keys
    // never exchange. Every exchange fires OnSortExchange (kind 2 for rows with LowCol,
    // HighCol; kind 1 for columns with LowRow, HighRow).

    // Rows LowRow..HighRow by the values of column SortColIx through the matrix's sort:
    // values and states move in LowCol..HighCol and in the key column, with
    // IncludeHeaders also the row names and attributes (then OnChangeNames and
    // OnChangeAttrib; OnChange through the matrix). IncludeHeaders stays in force for
    // sorts a host later starts on NumericData(). Nothing for a key outside the table.
    void SortRows(std::int32_t SortColIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                  std::int32_t HighCol, std::int32_t HighRow, bool IncludeHeaders);
    // The twin over columns by row SortRowIx; headers are names, attributes and variable types.
    void SortCols(std::int32_t SortRowIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                  std::int32_t HighCol, std::int32_t HighRow, bool IncludeHeaders);
    // Rows LowRow..HighRow by attribute (signed) / name (byte codes; IgnoreCase: ASCII
    // letters lower-cased): whole names and attributes move, values (OnChange per write)
    // and states only in LowCol..HighCol. Then OnChange and OnChangeAttrib / OnChangeNames.
    void SortRowAttributes(bool Ascending, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                           std::int32_t HighRow);
    void SortRowNames(bool Ascending, bool IgnoreCase, std::int32_t LowCol, std::int32_t LowRow,
                      std::int32_t HighCol, std::int32_t HighRow);
    void SortRowNames(bool Ascending, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                      std::int32_t HighRow) {
        SortRowNames(Ascending, false, LowCol, LowRow, HighCol, HighRow);
    }
    // The twins over columns LowCol..HighCol: names, attributes and variable types move
    // whole, values and states in LowRow..HighRow.
    void SortColAttributes(bool Ascending, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                           std::int32_t HighRow);
    void SortColNames(bool Ascending, bool IgnoreCase, std::int32_t LowCol, std::int32_t LowRow,
                      std::int32_t HighCol, std::int32_t HighRow);
    void SortColNames(bool Ascending, std::int32_t LowCol, std::int32_t LowRow, std::int32_t HighCol,
                      std::int32_t HighRow) {
        SortColNames(Ascending, false, LowCol, LowRow, HighCol, HighRow);
    }

    // ---- lookups and copies

    // Lowest index whose name equals ColID / RowID with both trimmed of blanks (character
    // 32) and ASCII letters upper-cased; 0 when none.
    std::int32_t FindColIndex(const TDTNameStr& ColID) const;
    std::int32_t FindRowIndex(const TDTNameStr& RowID) const;
    // DstArray := the column's / row's stored values (unrounded), sized NrOfRows /
    // NrOfColumns; 0. -1 for an index outside, DstArray untouched.
    std::int32_t CopyDataColumnToArray(std::int32_t Col, TDoubleArray& DstArray) const;
    std::int32_t CopyDataRowToArray(std::int32_t Row, TDoubleArray& DstArray) const;
    // The first min(NrOfRows / NrOfColumns, length) cells of the column / row := the
    // array (OnChange once); 0. -1 for an index outside.
    std::int32_t CopyDataColumnFromArray(std::int32_t Col, const TDoubleArray& SrcArray);
    std::int32_t CopyDataRowFromArray(std::int32_t Row, const TDoubleArray& SrcArray);
    // DstArray := the stored values, [column - 1][row - 1].
    void CopyDataToArray(TDouble2DArray& DstArray) const;
    // Copies the overlap of SrcArray ([column][row], each column read at most as far as
    // the first column's length and its own) into the table, OnChange once when anything
    // was copied; 0, or -1 when the array's size differs from the table's or it is ragged.
    std::int32_t CopyDataFromArray(const TDouble2DArray& SrcArray);
    std::int32_t CopyDataFromArray(const TInt2DArray& SrcArray);
    // Becomes a copy of ExtTab's size, comment, names, attributes, variable types, values
    // (as ExtTab's Elem reads them) and states, not its handlers; OnResize when the size
    // changes, then OnChange, OnChangeCellState, OnChangeSetup, OnChangeNames,
    // OnChangeAttrib and OnResize (always). Nothing for nil.
    void CopyContentsFrom(const TDataTable* ExtTab);
    // All states from a table of the same size; OnChangeCellState. False for nil or
    // another size.
    bool CopyCellStatesFrom(const TDataTable* ExtTab);
    // Copies values (as ExtTab's Elem reads them) and states of ExtTab's block (each bound
    // clamped to ExtTab, no (0, 0) rule, reversed pairs swapped) so that its low corner
    // lands at (DestCol, DestRow); cells falling outside are dropped; then OnChange and
    // OnChangeCellState. The table may be ExtTab. Nothing for nil.
    void CopyFrom(const TDataTable* ExtTab, std::int32_t SourceColLo, std::int32_t SourceRowLo,
                  std::int32_t SourceColHi, std::int32_t SourceRowHi, std::int32_t DestCol, std::int32_t DestRow);

    // ---- fingerprints (64 hex digits: eight CRC-32 registers, byte position p feeding register p mod 8)

    // Comment, column names, column attributes, row names, row attributes, scales and
    // identifiers, in this order.
    std::string CRCofNamesAndAttributes() const;
    // The states column by column, p = row number.
    std::string CRCofCellStates() const;

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
    // Key column (row) of the table's running row (column) sort, 0 otherwise: its states
    // move with its values when it lies outside the sorted range.
    std::int32_t FSortKey = 0;
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
    // Moves of inserts and removes, through the public accessors: row / column To takes
    // From's entries (a column's identifiers only when CarryIDs or From is categorial);
    // Blank gives it the entries of an inserted one.
    void MoveRowEntries(std::int32_t To, std::int32_t From);
    void MoveColumnEntries(std::int32_t To, std::int32_t From, bool CarryIDs);
    void BlankRowEntries(std::int32_t Row);
    void BlankColumnEntries(std::int32_t Col);
    // The row sorts (OnColumns false) and their column twins, with the range as the public
    // sorts take it. By values: through the matrix's sort by key column (row) KeyIx. By
    // header: by name (ByName; IgnoreCase) or attribute, moving whole headers and the
    // values and states of the other range (see SortRowAttributes).
    void SortByValues(bool OnColumns, std::int32_t KeyIx, bool Ascending, std::int32_t LowCol, std::int32_t LowRow,
                      std::int32_t HighCol, std::int32_t HighRow, bool IncludeHeaders);
    void SortByHeader(bool OnColumns, bool ByName, bool Ascending, bool IgnoreCase, std::int32_t LowCol,
                      std::int32_t LowRow, std::int32_t HighCol, std::int32_t HighRow);
    // CopyDataFromArray for both element types.
    template <class T>
    std::int32_t CopyDataFromArrayOf(const std::vector<std::vector<T>>& SrcArray);
    // The standardisations (Scale) and mean centrings of columns (OnRows false) or rows;
    // whether any line was transformed.
    bool CentreLines(bool OnRows, bool Scale, TVector* Means, TVector* StdDevs);
    // Fires OnChange, OnChangeCellState, OnChangeAttrib, OnChangeNames, OnChangeSetup.
    void ChangedAll();
};

}  // namespace qmr
