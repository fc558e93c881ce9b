// TDataTable: inserting and removing rows and columns, exchanges and mirrors, sorts,
// lookups by name, copies between tables and arrays, bulk cell-state operations and
// fingerprints.
#include "containers/QMR_datatable.h"
#include "containers/QMR_datatable_cells.h"

#include <algorithm>
#include <cstddef>

namespace qmr {

// ---------------------------------------------------------------- copies between the table and arrays

std::int32_t TDataTable::CopyDataColumnToArray(std::int32_t Col, TDoubleArray& DstArray) const {
    if (!InsideCol(Col)) return -1;
    TDoubleArray A(static_cast<std::size_t>(FNrOfRows));
    std::int32_t Rows = 0;
    const double* P = ColumnValues(Col, Rows);
    std::copy_n(P, Rows, A.begin());
    DstArray.swap(A);
    return 0;
}

std::int32_t TDataTable::CopyDataRowToArray(std::int32_t Row, TDoubleArray& DstArray) const {
    if (!InsideRow(Row)) return -1;
    TDoubleArray A(static_cast<std::size_t>(FNrOfCols));
    for (std::int32_t C = 1; C <= FNrOfCols; ++C) A[static_cast<std::size_t>(C - 1)] = CellValue(C, Row);
    DstArray.swap(A);
    return 0;
}

}  // namespace qmr
