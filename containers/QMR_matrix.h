// Dense matrix of double (TMatrix) with linear algebra, the matrix file formats, and
// (containers/QMR_matrix_3d.h) the three-dimensional matrix TMat3D.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qmr {

class TMat3D;
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

    // Replaces a square matrix by its inverse (Crout LU, scaled partial pivoting).
    bool Invert();
    // MatL := unit lower factor, MatU := upper factor with L*U = rows of this matrix
    // permuted; NumPerm = +1/-1 parity of the row exchanges.
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
