// Three-dimensional matrix of double (TMat3D). Included by containers/QMR_matrix.h.
#pragma once

#include "containers/QMR_matrix.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qmr {

// Layered data of double addressed Elem(column, row, layer), every index from 1. The
// elements are one contiguous block, layer fastest: element (c, r, l) lies at
// ((c - 1) * NrOfRows + (r - 1)) * NrOfLayers + (l - 1). Every count is at least 1.
// Element writes (SetElem, Fill, CopyMatrixToLayer) fire no OnChange; Resize (on a
// change), Clone, FillDiag and the random fills do. Ranges are one (low, high) pair per
// axis, columns, rows, layers, each normalised by the range rule ((0, 0) is the whole
// axis, else clamped and ordered); ranged operations visit columns outer, layers inner.
// Assign is refused (EConvertError) as for any component without a copy.
class QMR_API TMat3D : public TComponent {
public:
    // 1 x 1 x 1 holding 0, DataID empty; no event.
    explicit TMat3D(TComponent* AOwner);
    ~TMat3D() override;
    std::string ClassName() const override;

    const std::string& DataID() const noexcept { return FDataID; }
    void SetDataID(const std::string& Value) { FDataID = Value; }
    std::int32_t NrOfColumns() const noexcept { return FNumX; }
    std::int32_t NrOfRows() const noexcept { return FNumY; }
    std::int32_t NrOfLayers() const noexcept { return FNumZ; }
    // Resize along one axis, a value <= 0 taken as 1.
    void SetNrOfColumns(std::int32_t Value);
    void SetNrOfRows(std::int32_t Value);
    void SetNrOfLayers(std::int32_t Value);

    // Element (column Nx, row Ny, layer Nz); 0 outside the counts.
    Extended Elem(std::int32_t Nx, std::int32_t Ny, std::int32_t Nz) const noexcept {
        return Inside(Nx, Ny, Nz) ? FMat[Index(Nx, Ny, Nz)] : 0;
    }
    // Stores the element; ignored outside the counts; no event.
    void SetElem(std::int32_t Nx, std::int32_t Ny, std::int32_t Nz, double Value) noexcept {
        if (Inside(Nx, Ny, Nz)) FMat[Index(Nx, Ny, Nz)] = Value;
    }

    // When all three counts are positive and one differs from the current size:
    // re-dimensions keeping the elements inside both sizes (new ones 0) and fires
    // OnChange. Otherwise nothing (a count <= 0 makes the whole call a no-op). True.
    // EQMRMatrixError "not enough memory on heap" leaves the matrix unchanged.
    bool Resize(std::int32_t Nc, std::int32_t Nr, std::int32_t Nl);
    // Resize, then every element := 0 (also when the size did not change). True.
    bool ResizeAndClear(std::int32_t Nc, std::int32_t Nr, std::int32_t Nl);
    // Resize to the source's size, copy every element, then OnChange once; DataID is
    // not copied. Nothing for nil.
    void Clone(const TMat3D* MatSource);

    // Fires OnChange when assigned.
    void Changed();
    // Relays a percentage to OnPercentDone (with this matrix as sender) when assigned.
    void PercDone(TObject* Sender, std::int32_t Percent);

    // The range rule per axis.
    void MakeValidColRange(std::int32_t& LowCol, std::int32_t& HighCol) const noexcept;
    void MakeValidRowRange(std::int32_t& LowRow, std::int32_t& HighRow) const noexcept;
    void MakeValidLayerRange(std::int32_t& LowLayer, std::int32_t& HighLayer) const noexcept;

    // Every element := Value; no event.
    void Fill(double Value) noexcept;
    // Elements (k, k, k), k = 1..min of the counts, := Value; OnChange.
    void FillDiag(double Value);
    // RangeLow + u * (RangeHigh - RangeLow), u uniform in [0, 1) from the platform
    // generator, drawn in storage order; OnChange.
    void FillRandomUniform(double RangeLow, double RangeHigh);
    // Mean + StdDev * GRandom, drawn in storage order; OnChange.
    void FillRandomGauss(double Mean, double StdDev);

    // Indices of the element nearest to Value in the range (the first in visiting order
    // on ties); all three 0 when no element is nearer than the largest double.
    void Find(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
              std::int32_t LowLayer, std::int32_t HighLayer, double Value, std::int32_t& ColIx,
              std::int32_t& RowIx, std::int32_t& LayerIx) const;
    // Smallest and largest element of the range (NaN elements are passed over; with none
    // else the two stay +-uc_MaxReal). One progress step every Trunc(columns * rows of
    // the range / 100) + 1 (column, row) positions; no abort.
    void MinMax(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                std::int32_t LowLayer, std::int32_t HighLayer, double& Minimum, double& Maximum) const;
    // Mean and variance (n - 1 denominator, two passes in Extended) of the range;
    // variance 1 below three values. Progress as MinMax.
    void MeanVar(std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow, std::int32_t HighRow,
                 std::int32_t LowLayer, std::int32_t HighLayer, double& Mean, double& Variance) const;
    // The (k + 1)-th smallest element of the range, k = Round(n * prob / 100) held to
    // n - 1; prob is clamped to 0..100, NaN counts as 0.
    Extended Percentile(double prob, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                        std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer) const;
    // The same over SampleSize elements drawn with replacement (column, row, layer
    // offsets in that order) after Randomize; SampleSize <= 0 or >= n: the exact one.
    Extended Percentile(double prob, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                        std::int32_t HighRow, std::int32_t LowLayer, std::int32_t HighLayer,
                        std::int32_t SampleSize) const;

    // Layer outside 1..NrOfLayers: EQMRMatrixError "specified layer beyond data range",
    // nothing changed. Otherwise (nil DestMat: nothing) DestMat is resized to the
    // normalised range and receives element (i, j) of the layer at (i - LowCol + 1,
    // j - LowRow + 1) through its SetElem (its OnChange per element).
    void CopyLayerToMatrix(TMatrix* DestMat, std::int32_t LowCol, std::int32_t HighCol, std::int32_t LowRow,
                           std::int32_t HighRow, std::int32_t Layer) const;
    // Layer check as above; then (nil SrcMat: nothing) source element (i, j), i, j over
    // the bounds as given (not normalised; 0 outside the source), goes to column
    // i - SrcLowCol + LayLowCol, row j - SrcLowRow + LayLowRow of the layer when that
    // lies inside it. No event.
    void CopyMatrixToLayer(const TMatrix* SrcMat, std::int32_t SrcLowCol, std::int32_t SrcHighCol,
                           std::int32_t SrcLowRow, std::int32_t SrcHighRow, std::int32_t Layer,
                           std::int32_t LayLowCol, std::int32_t LayLowRow);

    // 64 hex digits: eight CRC-32 registers over the element bytes in storage order.
    std::string CRCofData() const;

    // Reads record 0 of a binary matrix file and hands out its counts, data identifier
    // and format code, whatever they are; true when layers > 0, time slots = 0 and the
    // format is 1 (doubles). A missing or short file raises EFOpenError / EReadError with
    // the out-parameters unchanged. The matrix is not touched.
    static bool ReadBinaryHeader(const std::string& FName, std::int32_t& NrColumns, std::int32_t& NrRows,
                                 std::int32_t& NrLayers, std::int32_t& NrTimeSlots, std::string& DataID,
                                 std::int32_t& Format);
    // One tag of a matrix XML text: 0 go on, 1 end tag, -1 invalid tag. Counts numcols,
    // numrows, numplanes; cells at ix, iy, iz (no event). See TMatrix::ProcessXmlTag.
    std::int32_t ProcessXmlTag(TMatXmlTag Tag, std::string_view Attr, std::string_view Content);
    // Set by an XML reader before the first tag; SetFirstCell(true) forgets counts read before.
    bool FirstCell() const noexcept { return FXml.FirstCell; }
    void SetFirstCell(bool Value) noexcept { FXml.Start(Value); }

    TNotifyEvent OnChange;
    TOnPercentDoneEvent OnPercentDone;

protected:
    bool Inside(std::int32_t Nx, std::int32_t Ny, std::int32_t Nz) const noexcept {
        return Nx >= 1 && Nx <= FNumX && Ny >= 1 && Ny <= FNumY && Nz >= 1 && Nz <= FNumZ;
    }
    // Storage index of an element inside the counts.
    std::size_t Index(std::int32_t Nx, std::int32_t Ny, std::int32_t Nz) const noexcept {
        return (static_cast<std::size_t>(Nx - 1) * static_cast<std::size_t>(FNumY) + static_cast<std::size_t>(Ny - 1)) *
                   static_cast<std::size_t>(FNumZ) +
               static_cast<std::size_t>(Nz - 1);
    }
    // Raises EQMRMatrixError with the component message Reason.
    [[noreturn]] void Raise(std::string_view Reason) const;

    std::int32_t FNumX = 1;
    std::int32_t FNumY = 1;
    std::int32_t FNumZ = 1;
    std::string FDataID;
    // FNumX * FNumY * FNumZ elements, layer fastest.
    TDoubleArray FMat;
    detail::TMatXmlState FXml;
};

}  // namespace qmr
