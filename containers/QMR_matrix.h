// Dense matrix of double (TMatrix) with linear algebra.
#pragma once

#include "platform/Qmr_qmrbase.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace qmr {

// Exception of the matrix classes.
class QMR_API EQMRMatrixError : public EQMRError { public: using EQMRError::EQMRError; };

// Caller-defined distance of two rows.
using TOnCalcDistanceEvent = std::function<void(TObject* Sender, std::int32_t Row1, std::int32_t Row2,
                                                double& Distance)>;

// Matrix norms: largest column sum, largest row sum, largest singular value, Frobenius.
enum class TNormType : std::uint8_t { ntColwise = 0, ntRowwise = 1, ntSpectral = 2, ntFrobenius = 3 };

// Dense matrix of double addressed Elem(column, row) from 1. Elements are stored
// column-major in one contiguous block (a column is one contiguous run of doubles);
// the storage is at least 1 x 1 even when a count is 0.
class QMR_API TMatrix : public TComponent {
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

    TNotifyEvent OnChange;
    TSortExchgEvent OnSortExchange;
    TOnCalcDistanceEvent OnCalcDistance;
    TOnPercentDoneEvent OnPercentDone;

protected:
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
};

}  // namespace qmr
