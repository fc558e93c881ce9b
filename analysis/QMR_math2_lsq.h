// Least squares through the singular value decomposition, and the pseudo-inverse.
// A system matrix has m = NrOfColumns coefficients and n = NrOfRows observations.
#pragma once

#include "containers/QMR_matrix.h"
#include "containers/QMR_vector.h"

#include <cstddef>
#include <cstdint>

namespace qmr {

// Moore-Penrose pseudo-inverse of A into AInv, resized to n columns and m rows; A is
// not changed and may be AInv itself. Singular values w with |w| <= Tol are dropped;
// Tol <= 0 (or NaN) selects max(m, n) * wmax * 1.2e-16, wmax the largest. Progress:
// one step and abort poll per column in each of four phases; the abort flag is left
// to the host. False, with AInv all zeros, when the decomposition was aborted or did
// not converge or A holds a NaN or an infinity; False with nothing written when either
// matrix is nil. AInv's elements are written through SetElem.
QMR_API bool PseudoInverse(const TMatrix* A, TMatrix* AInv, double Tol);

namespace detail {

// Whether a computation reports progress: Report adds to ProcStat, calls the feedback
// hook and polls AbortMathProc (it never clears the flag; callers that start a fresh
// computation clear it first); Silent touches neither ProcStat nor AbortMathProc.
enum class TProgressMode : std::uint8_t { Silent, Report };

// Least-squares core of the library (the curve fitter's polynomial fits, the local
// regressions of the learner and of the nearest-neighbour estimates): solves
// A x ~ b through the singular value decomposition A = U diag(w) V^T.
// - A: NObs rows x NCoef columns, column-major, leading dimension lda (>= NObs, >= 1);
//   overwritten by U. B: NObs values. X: receives NCoef coefficients.
// - SE: NCoef values or null; receives the standard-error factors
//   sqrt(sum_j V_ij^2 / w_j^2) of the coefficients (multiply by the residual standard
//   deviation), dropped values adding 0.
// - Every w_j < 1e-14 * max(w) (and every w_j = 0) is dropped and sets NearSingular;
//   NearSingular is false otherwise, and false after a failure.
// - Report: 4 * NCoef progress steps with abort polls; Silent: none.
// False, with X and SE untouched, when aborted, not converged, or A holds a NaN or an
// infinity. Works for any shape: with fewer observations than coefficients X is the
// minimum-norm solution.
QMR_API bool SolveLeastSquares(double* A, std::size_t NObs, std::size_t NCoef, std::size_t lda, const double* B,
                               double* X, double* SE, bool& NearSingular, TProgressMode Mode);

// The same for container arguments: A is copied (not changed); B's elements
// 1..NrOfRows are the right-hand side (missing ones read as 0); on success X and SE (may
// be null) receive elements 1..NrOfColumns through SetElem (those beyond their length
// are dropped; callers size them).
QMR_API bool SolveLeastSquares(const TMatrix& A, const TVector& B, TVector& X, TVector* SE, bool& NearSingular,
                               TProgressMode Mode);

}  // namespace detail

}  // namespace qmr
