// Ranks with ties, covariance-type matrices, the cyclic Jacobi eigen solver with its
// process-wide result storage, and principal components.
#pragma once

#include "containers/QMR_matrix.h"
#include "containers/QMR_vector.h"

#include <cstdint>

namespace qmr {

// Ranks resizes to Data's NrOfElem and receives the rank of every element in input
// order, tied values sharing the mean of their positions; NaNs rank after every
// number, each on its own. Returns the tie sum of t^3 - t over the runs of t equal
// values (not divided by 12). Data may be Ranks. Either nil: 0, nothing written.
QMR_API double CalcRanks(const TVector* Data, TVector* Ranks);

// Covariance-type matrix of the columns LoCol..HiCol of InMat over the rows
// LoRow..HiRow (0, 0: all; other bounds clamped, a reversed pair swapped) into the
// top-left m x m block of OutMat (not resized; fewer than m columns or rows: False,
// nothing written). Every sum is divided by N - 1 (N rows):
// mode 0 cross products, 1 covariances, 2 correlations (diagonal exactly 1),
// 3 squared correlations, 4 mean squared differences; other modes store 0.
// N <= 1 stores 0 (1 on the mode-2 diagonal). Means and variances are formed from
// centred deviations. Clears AbortMathProc first; ProcStat + 1 per row for the column
// statistics (modes > 0) and + N per pair; the abort flag is polled per column:
// False once set, the earlier columns stored. Values go through OutMat's SetElem,
// element (b, a) and its mirror. OutMat may be InMat. Either nil: False.
QMR_API bool CalcCovar(const TMatrix* InMat, TMatrix* OutMat, std::int32_t LoCol, std::int32_t HiCol,
                       std::int32_t LoRow, std::int32_t HiRow, std::int32_t Mode);

// Eigenvalues and eigenvectors of the symmetric matrix Mat by cyclic Jacobi rotations:
// n = NrOfColumns; only the upper triangle (column > row) is read (cells beyond the
// rows read as 0) and it is overwritten with what the rotations leave (changed cells
// through SetElem). Results go to the process-wide storage read by GetEigenResult,
// eigenvalues unsorted. n > 10000 or nil: False, nothing touched. EQMRMath2Error
// "CalcEigVec: not enough memory" when the storage cannot be had (the old results
// stay). Clears AbortMathProc; ProcStat + 1 per sweep and per upper element; False
// when aborted or still not diagonal after 100 sweeps, the partial results and the
// new size then staying in the storage. One computation at a time per process.
QMR_API bool CalcEigVec(TMatrix* Mat);

// j = 0: eigenvalue i; 1 <= j <= n: component j of eigenvector i; 0 when nothing is
// stored or i lies outside 1..n or j outside 0..n.
QMR_API double GetEigenResult(std::int32_t i, std::int32_t j);
// n of the stored results (0 before the first decomposition; kept by RemoveEigenMatrix).
QMR_API std::int32_t GetEigenSize();
// Frees the stored eigenvalues and eigenvectors.
QMR_API void RemoveEigenMatrix();

// Principal components: the covariance-type matrix (CalcCovar with Mode) of the
// columns LoCol..HiCol and rows LoRow..HiRow of Mat, decomposed by CalcEigVec into the
// eigen storage. The column range must be given (0, 0 gives a 1 x 1 matrix: False
// when Mat has more than one column). Normalize divides the eigenvalues by the sum of
// their magnitudes (when not 0). Then the positive eigenvalues are sorted to the front
// in descending order, their eigenvectors moving with them; the others stay behind
// them. False when either step fails or Mat is nil.
QMR_API bool CalcPrincComp(const TMatrix* Mat, std::int32_t LoCol, std::int32_t HiCol, std::int32_t LoRow,
                           std::int32_t HiRow, std::int32_t Mode, bool Normalize = true);

}  // namespace qmr
