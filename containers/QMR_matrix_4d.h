// Four-dimensional matrix of double (TMat4D) and the unit routines that move layers
// between arrays, matrices and binary matrix files. Included by containers/QMR_matrix.h.
#pragma once

#include "containers/QMR_large_block.h"
#include "containers/QMR_matrix.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qmr {

class TMat4D;

// Hands out one value read from a binary file: column, row, layer, time slot, value.
using TOnReadMat4DElementEvent = std::function<void(TObject* Sender, std::int32_t ix, std::int32_t iy,
                                                    std::int32_t il, std::int32_t it, double Value)>;

// Time series of layered data addressed Elem(column, row, layer, time slot), every index
// from 1; a layer is an image of columns x rows, a time slot a stack of layers, a pixel
// one (column, row, time slot) seen through its layers. The elements are one contiguous
// block, time slot outermost and column fastest: element (c, r, l, t) lies at
// ((t - 1) * NrOfLayers + l - 1) * NrOfRows * NrOfColumns + (r - 1) * NrOfColumns + c - 1.
// Every count is at least 1.
//
// Ranged operations take (low, high) pairs in the order column, row, layer, time slot,
// each normalised by the range rule ((0, 0) is the whole axis, else clamped and
// ordered), so a range is never empty; the statistics visit column outermost and time
// slot innermost. SetElem, Assign, FillLayer(Layer, Value), AccumulateLayer and the
// copies into the matrix other than CopyFrom fire no OnChange; what else fires is said
// per operation. OnPercentDone reports Round(done * 100 / total) every
// max(1, total div 100) units of work. Allocation failures raise EQMRMatrixError
// "not enough memory on heap" and leave the matrix unchanged.
class QMR_API TMat4D : public TComponent {
public:
    // 1 x 1 x 1 x 1 holding 0, DataID empty; no event.
    explicit TMat4D(TComponent* AOwner);
    ~TMat4D() override;
    std::string ClassName() const override;

    // From a TMat4D: counts, DataID, elements and the three handlers; fires nothing.
    // Any other source: EConvertError.
    void Assign(const TPersistent* Source) override;
    // Nothing for nil. Else resizes to the source's counts, copies every element and
    // fires OnChange; neither DataID nor handlers. One progress step every
    // Trunc(columns * rows / 100) + 1 (column, row) pairs of the source.
    void Clone(const TMat4D* MatSource);

    const std::string& DataID() const noexcept { return FDataID; }
    void SetDataID(const std::string& Value) { FDataID = Value; }
    std::int32_t NrOfColumns() const noexcept { return FNumX; }
    std::int32_t NrOfRows() const noexcept { return FNumY; }
    std::int32_t NrOfLayers() const noexcept { return FNumZ; }
    std::int32_t NrOfTimeSlots() const noexcept { return FNumT; }
    // Resize along one axis, a value <= 0 taken as 1.
    void SetNrOfColumns(std::int32_t Value);
    void SetNrOfRows(std::int32_t Value);
    void SetNrOfLayers(std::int32_t Value);
    void SetNrOfTimeSlots(std::int32_t Value);

    // Element (column Nx, row Ny, layer Nz, time slot Nt); 0 outside the counts.
    Extended Elem(std::int32_t Nx, std::int32_t Ny, std::int32_t Nz, std::int32_t Nt) const noexcept {
        return Inside(Nx, Ny, Nz, Nt) ? FMat[Index(Nx, Ny, Nz, Nt)] : 0;
    }
    // Stores the element; ignored outside the counts; no event.
    void SetElem(std::int32_t Nx, std::int32_t Ny, std::int32_t Nz, std::int32_t Nt, double Value) noexcept {
        if (Inside(Nx, Ny, Nz, Nt)) FMat[Index(Nx, Ny, Nz, Nt)] = Value;
    }

    // Fires OnChange when assigned.
    void Changed();
    // Relays a percentage to OnPercentDone (with this matrix as sender) when assigned.
    void PercDone(TObject* Sender, std::int32_t Percent);
    // Relays a value to OnReadElement (with this matrix as sender) when assigned.
    void ReadElement(TObject* Sender, std::int32_t ix, std::int32_t iy, std::int32_t il, std::int32_t it,
                     double Value);

    // The range rule per axis.
    void MakeValidColRange(std::int32_t& LowCol, std::int32_t& HighCol) const noexcept;
    void MakeValidRowRange(std::int32_t& LowRow, std::int32_t& HighRow) const noexcept;
    void MakeValidLayerRange(std::int32_t& LowLayer, std::int32_t& HighLayer) const noexcept;
    void MakeValidTSlotRange(std::int32_t& LowTSlot, std::int32_t& HighTSlot) const noexcept;

    // When all four counts are positive and one differs from the current size:
    // re-dimensions keeping the elements inside both sizes (new ones 0) and fires
    // OnChange. Otherwise nothing. Always true.
    bool Resize(std::int32_t Nc, std::int32_t Nr, std::int32_t Nl, std::int32_t Nt);
    // Resize, then Fill(0) (also when the size did not change). Resize's result.
    bool ResizeAndClear(std::int32_t Nc, std::int32_t Nr, std::int32_t Nl, std::int32_t Nt);

    // Address of (column, row, layer) inside one time slot, layer fastest, from 0:
    // ((iy - 1) * columns + ix - 1) * layers + il - 1. -2 when columns * rows * layers
    // exceeds 2147483647, -1 for an index outside its count.
    std::int32_t Lin3DAddr(std::int32_t ix, std::int32_t iy, std::int32_t il) const noexcept;
    // The inverse of Lin3DAddr; false (outputs untouched) for an address outside
    // 0..columns * rows * layers - 1.
    bool ConvertLinTo3DAddr(std::int32_t LinAddr, std::int32_t& ix, std::int32_t& iy, std::int32_t& il) const noexcept;
    // Size of the elements in mebibytes.
    Extended MemoryConsumed() const noexcept;

    // Keeps only the range; OnChange. OnPercentDone over the (time slot, layer) pairs of
    // the range, each counted for the gather and for the store.
    void Cut(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
             std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeslot, std::int32_t HighTimeslot);
    // Keeps every Div-th position per axis from Offset on (offset taken modulo the
    // divisor, a divisor below 1 taken as 1): (N - Offset - 1) div Div + 1 positions.
    // With Average each new element is the sum of its Div-block's elements inside the
    // matrix over the full block size (edge blocks are not renormalised); without, the
    // block's first element (0 outside). OnChange; OnPercentDone per (new slot, new layer).
    void Resample(std::int32_t XDiv, std::int32_t XOffset, std::int32_t YDiv, std::int32_t YOffset,
                  std::int32_t ZDiv, std::int32_t ZOffset, std::int32_t TDiv, std::int32_t TOffset, bool Average);
    // Exchanges columns and rows in every layer of every slot; OnChange; true. Polls
    // AbortMathProc between blocks of columns: an abort leaves the matrix untouched and
    // gives false. OnPercentDone over the (column, row) pairs, each counted twice.
    bool Transpose();
    // Reverse the order along one axis; OnChange. About 100 progress steps each.
    void MirrorColumns();
    void MirrorRows();
    void MirrorLayers();
    void MirrorTimeSlots();

    // Every element := Value (a zero of either sign stores +0); OnChange.
    void Fill(double Value);
    // Elements (i, i, i, i), i = 1..min of the counts, := Value; OnChange.
    void FillDiag(double Value);
    // Layer Layer of every time slot := Value; nothing outside 1..NrOfLayers; no event.
    void FillLayer(std::int32_t Layer, double Value) noexcept;
    // One layer of one slot, column outer, row inner: mode 0 par1, mode 1 par1 + u *
    // (par2 - par1) with u from the platform generator, mode 2 par1 + par2 * GRandom.
    // 0 and OnChange; -1 bad layer, -2 bad time slot, -3 mode outside 0..2 (tested in
    // that order, the later failure wins; nothing changes).
    std::int32_t FillLayer(std::int32_t Layer, std::int32_t TimeSlot, std::int32_t Mode, double par1, double par2);
    // Adds Src[c - 1][r - 1] onto one layer of one slot; no event. 0; -1 Src not
    // columns x rows (ragged or empty included), -2 bad layer, -3 bad time slot (the
    // later failure wins; nothing changes).
    std::int32_t AccumulateLayer(std::int32_t Layer, std::int32_t TimeSlot, const TDouble2DArray& Src);
    // RangeLow + u * (RangeHigh - RangeLow); Mean + GRandom * StdDev. Drawn column
    // outermost, time slot innermost; OnChange.
    void FillRandomUniform(double RangeLow, double RangeHigh);
    void FillRandomGauss(double Mean, double StdDev);

    // 64 hex digits: eight CRC-32 registers over the element bytes, visiting column
    // outermost, then row, the layers whose number is a multiple of Sample (clamped to
    // at most layers div 2, then to at least 1), time slot innermost. OnPercentDone per
    // (column, row).
    std::string CRCofData() const;
    std::string CRCofData(std::int32_t Sample) const;

    // One tag of a matrix XML text: 0 go on, 1 end tag, -1 invalid tag. Counts numcols,
    // numrows, numplanes, numtimeslots; cells at ix, iy, il, it (no event); the first
    // cell after SetFirstCell(true) resizes to the counts read.
    std::int32_t ProcessXmlTag(TMatXmlTag Tag, std::string_view Attr, std::string_view Content);
    bool FirstCell() const noexcept { return FXml.FirstCell; }
    void SetFirstCell(bool Value) noexcept { FXml.Start(Value); }

    // ---- statistics (read only, no event; eight bounds column, row, layer, slot)

    // Number of elements v with RangeLow <= v <= RangeHigh.
    std::int64_t CountValues(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                             std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot,
                             std::int32_t HighTimeSlot, double RangeLow, double RangeHigh) const;
    // Position of the element nearest to Value, the first in visiting order on ties;
    // all 0 when none is nearer than the largest double (NaN).
    void Find(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
              std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot, std::int32_t HighTimeSlot,
              double Value, std::int32_t& ColIx, std::int32_t& RowIx, std::int32_t& LayerIx,
              std::int32_t& TimeSlotIx) const;
    // Smallest and largest element; NaNs passed over (none else: +-uc_MaxReal). One
    // progress step every Trunc(columns * rows / 100) + 1 (column, row) pairs, as for
    // MeanVar, Sum and SquaredSum.
    void MinMax(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot, std::int32_t HighTimeSlot,
                double& Minimum, double& Maximum) const;
    // Mean and sample variance (two passes in Extended); variance 1 below three values.
    void MeanVar(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                 std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot, std::int32_t HighTimeSlot,
                 double& Mean, double& Variance) const;
    // The (k + 1)-th smallest element, k = Round(n * prob / 100) held to n - 1; prob
    // clamped to 0..100, NaN counting as 0.
    Extended Percentile(double prob, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                        std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot,
                        std::int32_t HighTimeSlot) const;
    // The same over SampleSize elements drawn with replacement after Randomize (one
    // Random per axis: column, row, layer, slot); SampleSize <= 0 or >= n: the exact one.
    Extended Percentile(double prob, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                        std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot,
                        std::int32_t HighTimeSlot, std::int32_t SampleSize) const;
    // Sum and sum of squares in Extended, in visiting order.
    Extended Sum(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                 std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot,
                 std::int32_t HighTimeSlot) const;
    Extended SquaredSum(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                        std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot,
                        std::int32_t HighTimeSlot) const;

    // ---- copies out of the matrix (a nil destination: nothing, or -1)

    // DestMat := [columns][rows][layers] of the range in one slot. 0; -1 bad time slot.
    std::int32_t CopyTimeSlotToArray(TDouble3DArray& DestMat, std::int32_t LowCol, std::int32_t HighCol,
                                     std::int32_t LowRow, std::int32_t HighRow, std::int32_t LowLay,
                                     std::int32_t HighLay, std::int32_t TimeSlot) const;
    // DestMat resized to the range of one slot. Bad slot: "specified time slot beyond data range".
    void CopyTimeSlotToMat3D(TMat3D* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                             std::int32_t HighRow, std::int32_t LowLay, std::int32_t HighLay,
                             std::int32_t TimeSlot) const;
    // DestMat resized to the range, written with SetElem (its OnChange per element).
    // Raises "specified layer beyond data range", then "specified time slot beyond data range".
    void CopyLayerToMatrix(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                           std::int32_t HighRow, std::int32_t Layer, std::int32_t TimeSlot) const;
    // DestArray := [columns][rows] of the range. 0; -1 bad layer, -2 bad slot (slot wins).
    std::int32_t CopyLayerToArray(TDouble2DArray& DestArray, std::int32_t LowCol, std::int32_t HighCol,
                                  std::int32_t LowRow, std::int32_t HighRow, std::int32_t Layer,
                                  std::int32_t TimeSlot) const;
    // Dest := the pixel's layers (NrOfLayers values). 0; -1 bad column, -2 bad row,
    // -3 bad slot (the later wins).
    std::int32_t CopyPixelTo1DArray(TDoubleArray& Dest, std::int32_t Col, std::int32_t Row,
                                    std::int32_t TimeSlot) const;
    // The same into a vector resized to NrOfLayers, written with SetElem.
    std::int32_t CopyPixelToVector(TVector* Dest, std::int32_t Col, std::int32_t Row, std::int32_t TimeSlot) const;

    // ---- copies into the matrix (targets outside the extent are skipped)

    // Source range (its own range rule) to (DestCol, DestRow, DestLayer, DestTSlot) on;
    // OnChange at the end, progress as MinMax. The matrix itself may be the source.
    void CopyFrom(const TMat4D* MatSource, std::int32_t SrcLowCol, std::int32_t SrcHighCol, std::int32_t SrcLowRow,
                  std::int32_t SrcHighRow, std::int32_t SrcLowLayer, std::int32_t SrcHighLayer,
                  std::int32_t SrcLowTSlot, std::int32_t SrcHighTSlot, std::int32_t DestCol, std::int32_t DestRow,
                  std::int32_t DestLayer, std::int32_t DestTSlot);
    // SrcArray[i][j] to (Col + i, Row + j). 0; -1 bad layer, -2 bad slot (slot wins).
    std::int32_t CopyArrayToLayer(const TDouble2DArray& SrcArray, std::int32_t Col, std::int32_t Row,
                                  std::int32_t Layer, std::int32_t TimeSlot);
    // Src[k] to layer FirstLayer + k while both exist. 0; -1 bad column, -2 bad row,
    // -3 bad first layer, -4 bad slot (the later wins).
    std::int32_t Copy1DArrayToPixel(const TDoubleArray& Src, std::int32_t Col, std::int32_t Row,
                                    std::int32_t FirstLayer, std::int32_t TimeSlot);
    // Element k (from 1) to layer FirstLayer + k - 1; codes as above.
    std::int32_t CopyVectorToPixel(const TVector* Src, std::int32_t Col, std::int32_t Row, std::int32_t FirstLayer,
                                   std::int32_t TimeSlot);
    // The source ranges are normalised against this matrix's column and row counts;
    // source element (c, r) (0 outside the source) to (c - SrcLowCol + LayLowCol,
    // r - SrcLowRow + LayLowRow). Raises as CopyLayerToMatrix.
    void CopyMatrixToLayer(const TMatrix* SrcMat, std::int32_t SrcLowCol, std::int32_t SrcHighCol,
                           std::int32_t SrcLowRow, std::int32_t SrcHighRow, std::int32_t Layer, std::int32_t TimeSlot,
                           std::int32_t LayLowCol, std::int32_t LayLowRow);
    // Source range (the TMat3D's range rule) to (DestCol, DestRow, DestLayer) on of one
    // slot. Bad slot: "specified time slot beyond data range".
    void CopyMat3DToTimeSlot(const TMat3D* SrcMat, std::int32_t SrcLowCol, std::int32_t SrcHighCol,
                             std::int32_t SrcLowRow, std::int32_t SrcHighRow, std::int32_t SrcLowLay,
                             std::int32_t SrcHighLay, std::int32_t TimeSlot, std::int32_t DestCol,
                             std::int32_t DestRow, std::int32_t DestLayer);
    // 0-based source ranges, (0, 0) the whole axis (of the first sub-array for rows and
    // layers), a reversed pair copies nothing. 0; -1 column range outside the array,
    // -2 row range (or ragged rows), -3 layer range (or ragged layers; an empty array
    // fails all three), -4 bad slot, -5 DestCol, -6 DestRow, -7 DestLayer outside 1..count (the later
    // failure wins; nothing changes).
    std::int32_t CopyArrayToTimeSlot(const TDouble3DArray& SrcMat, std::int32_t SrcLowCol, std::int32_t SrcHighCol,
                                     std::int32_t SrcLowRow, std::int32_t SrcHighRow, std::int32_t SrcLowLay,
                                     std::int32_t SrcHighLay, std::int32_t TimeSlot, std::int32_t DestCol,
                                     std::int32_t DestRow, std::int32_t DestLayer);

    // ---- layer reductions on worker threads
    // DestMat (nil: nothing) is resized to the columns x rows of the range and filled
    // with 0, then cell (c - LowCol + 1, r - LowRow + 1) receives, through SetElem, the
    // reduction of source (c, r) over the layer and slot ranges (each cell adds layers
    // outer, slots inner, so the results are the same bits for any thread count). The
    // maximum (minimum) passes over NaNs and is -uc_MaxReal (+uc_MaxReal) without a
    // number; the standard deviation is the population form. NThreads below 1 means 1,
    // above the processor count the processor count: one thread computes inline with a
    // progress step every Trunc(columns * rows / 100) + 1 cells; more share tiles of the
    // range (runs of rows), each tile adding its cells' share of 100 to ProcStat, at most
    // one worker per column, the feedback hook running on the caller. OnChange of DestMat runs one call at a time; an exception of a handler
    // is raised on the caller once every worker has ended. No abort.
    void MeanOfLayersToMatrix(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                              std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                              std::int32_t LowTimeSlot, std::int32_t HighTimeSlot, std::int32_t NThreads) const;
    void MeanOfLayersToMatrix(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                              std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                              std::int32_t LowTimeSlot, std::int32_t HighTimeSlot) const;
    void MaximumOfLayersToMatrix(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                                 std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                                 std::int32_t LowTimeSlot, std::int32_t HighTimeSlot, std::int32_t NThreads) const;
    void MaximumOfLayersToMatrix(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                                 std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                                 std::int32_t LowTimeSlot, std::int32_t HighTimeSlot) const;
    void MinimumOfLayersToMatrix(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                                 std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                                 std::int32_t LowTimeSlot, std::int32_t HighTimeSlot, std::int32_t NThreads) const;
    void MinimumOfLayersToMatrix(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                                 std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                                 std::int32_t LowTimeSlot, std::int32_t HighTimeSlot) const;
    void StdDevOfLayersToMatrix(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                                std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                                std::int32_t LowTimeSlot, std::int32_t HighTimeSlot, std::int32_t NThreads) const;
    void StdDevOfLayersToMatrix(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                                std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                                std::int32_t LowTimeSlot, std::int32_t HighTimeSlot) const;

    // ---- binary matrix files

    // Reads record 0 and hands out its counts, identifier and format code, whatever they
    // are; true when layers > 0, time slots > 0 and the format is 1. A missing or short
    // file raises EFOpenError / EReadError with the out-parameters unchanged.
    static bool ReadBinaryHeader(const std::string& FName, std::int32_t& NrColumns, std::int32_t& NrRows,
                                 std::int32_t& NrLayers, std::int32_t& NrTimeSlots, std::string& DataID,
                                 std::int32_t& Format);
    // Streams the file's time slots TSlotStart..min(TSlotEnd, T) (all when either is
    // below 1) to OnReadElement, the slot counted from 1 at the first of the range,
    // column innermost; OnPercentDone per value as described above. The matrix is
    // neither resized nor filled; the format code is not tested. -1 (nothing read) when
    // TSlotStart > T, else 0. A missing file raises EFOpenError; a file whose counts are
    // not positive or which is too short for the range raises EReadError before any value.
    std::int32_t ReadBinary(const std::string& FName, std::int32_t TSlotStart, std::int32_t TSlotEnd);
    // Reads layer Layer of slot TSlot of the file into the same layer and slot of the
    // matrix; OnPercentDone, no OnChange. 0; -1 slot outside the file's or the matrix's,
    // -2 layer likewise, -3 the file's columns or rows differ (the later failure wins);
    // -4 any failure reading (missing or short file: nothing is stored).
    std::int32_t ReadLayer(const std::string& FName, std::int32_t Layer, std::int32_t TSlot);

    TNotifyEvent OnChange;
    TOnPercentDoneEvent OnPercentDone;
    TOnReadMat4DElementEvent OnReadElement;

protected:
    void AssignTo(TPersistent* Dest) const override;

    bool Inside(std::int32_t Nx, std::int32_t Ny, std::int32_t Nz, std::int32_t Nt) const noexcept {
        return Nx >= 1 && Nx <= FNumX && Ny >= 1 && Ny <= FNumY && Nz >= 1 && Nz <= FNumZ && Nt >= 1 &&
               Nt <= FNumT;
    }
    // Storage index of an element inside the counts.
    std::size_t Index(std::int32_t Nx, std::int32_t Ny, std::int32_t Nz, std::int32_t Nt) const noexcept {
        const auto Layer = static_cast<std::size_t>(Nt - 1) * static_cast<std::size_t>(FNumZ) +
                           static_cast<std::size_t>(Nz - 1);
        return (Layer * static_cast<std::size_t>(FNumY) + static_cast<std::size_t>(Ny - 1)) *
                   static_cast<std::size_t>(FNumX) +
               static_cast<std::size_t>(Nx - 1);
    }
    // Elements of one layer (columns * rows): the stride between layers.
    std::size_t Plane() const noexcept { return static_cast<std::size_t>(FNumX) * static_cast<std::size_t>(FNumY); }
    // Raises EQMRMatrixError with the component message Reason.
    [[noreturn]] void Raise(std::string_view Reason) const;
    // A zeroed block of Nc * Nr * Nl * Nt elements; "not enough memory on heap" when the
    // count overflows or the memory cannot be had.
    detail::TLargeBlock<double> NewStorage(std::int32_t Nc, std::int32_t Nr, std::int32_t Nl, std::int32_t Nt) const;
    // Takes over Storage (of the given counts) and fires OnChange.
    void Commit(detail::TLargeBlock<double>&& Storage, std::int32_t Nc, std::int32_t Nr, std::int32_t Nl, std::int32_t Nt);
    // The reduction behind the four public ones (0 mean, 1 maximum, 2 minimum, 3 deviation).
    void ReduceLayers(int Kind, TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                      std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer, std::int32_t LowTimeSlot,
                      std::int32_t HighTimeSlot, std::int32_t NThreads) const;

    std::int32_t FNumX = 1;
    std::int32_t FNumY = 1;
    std::int32_t FNumZ = 1;
    std::int32_t FNumT = 1;
    std::string FDataID;
    // FNumT * FNumZ * FNumY * FNumX elements, column fastest.
    detail::TLargeBlock<double> FMat;
    detail::TMatXmlState FXml;
};

// ---- unit routines (array indices from 0, matrix indices from 1)

// Reads layer Layer of time slot TSlot of a binary matrix file into Arr, sized [X][Y]
// of the file. 0; -1 bad slot, -2 bad layer (the layer test runs second and wins);
// -3 any failure reading (Arr unchanged).
QMR_API std::int32_t Read4DLayer(const std::string& FName, std::int32_t Layer, std::int32_t TSlot,
                                 TDouble2DArray& Arr);
// Adds that layer onto Arr, which must be [X][Y]. 0; -1 bad layer, -2 bad slot, -3 Arr
// not X x Y (ragged or empty included; the later failure wins); -4 any failure reading.
// Arr is unchanged unless the result is 0.
QMR_API std::int32_t Read4DLayerAndAccumulate(const std::string& FName, std::int32_t Layer, std::int32_t TSlot,
                                              TDouble2DArray& Arr);
// Dest (nil: nothing) resized to (HighCol - LowCol + 1) x (HighRow - LowRow + 1) (no
// columns or rows for a reversed pair); element (i - LowCol + 1, j - LowRow + 1) :=
// Src[i][j][Layer] through SetElem, 0 where Src has no such cell.
QMR_API void CopyArr3DLayerToMatrix(const TDouble3DArray& Src, TMatrix* Dest, std::int32_t LowCol,
                                    std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                                    std::int32_t Layer);
// The same into Dest sized [columns][rows] (no columns when either pair is reversed).
QMR_API void CopyArr3DLayerToArr2D(const TDouble3DArray& Src, TDouble2DArray& Dest, std::int32_t LowCol,
                                   std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                                   std::int32_t Layer);
// Dest := [columns][rows] of the range as given (not clamped: 0 outside Src; no columns
// when either pair is reversed). Nothing for a nil Src.
QMR_API void CopyMatrixToArray(const TMatrix* Src, TDouble2DArray& Dest, std::int32_t LowCol, std::int32_t HighCol,
                               std::int32_t LowRow, std::int32_t HighRow);

}  // namespace qmr
