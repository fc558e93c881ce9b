// Least squares through the singular value decomposition, and the pseudo-inverse.
#include "analysis/QMR_math2.h"
#include "containers/QMR_matrix_access.h"
#include "containers/QMR_matrix_kernels.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace qmr {

namespace {

namespace mk = detail::mk;

// Cutoff of the solver: values below this fraction of the largest are dropped.
constexpr double kSolverCutoff = 1e-14;
// Default tolerance of the pseudo-inverse per unit of max(m, n) * wmax.
constexpr double kPinvEps = 1.2e-16;
// Rows of U per block of the final product.
constexpr std::size_t kProductRows = 64;

// A copy of M's storage, column-major with leading dimension max(rows, 1) (allocated
// without the zero fill a vector would make: every element is copied).
std::unique_ptr<double[]> CopyOf(const TMatrix& M) {
    const std::size_t Rows = static_cast<std::size_t>(std::max(M.NrOfRows(), 0));
    const std::size_t Cols = static_cast<std::size_t>(std::max(M.NrOfColumns(), 0));
    const std::size_t ld = std::max<std::size_t>(Rows, 1);
    std::unique_ptr<double[]> A(new double[std::max<std::size_t>(ld * Cols, 1)]);
    const double* Src = detail::TMatrixAccess::Data(M);
    const std::size_t SrcLd = detail::TMatrixAccess::Ld(M);
    for (std::size_t c = 0; c < Cols; ++c) std::copy_n(Src + c * SrcLd, Rows, A.get() + c * ld);
    return A;
}

double LargestOf(const std::vector<double>& W) {
    double Big = 0;
    for (double X : W)
        if (X > Big) Big = X;
    return Big;
}

}  // namespace

namespace detail {

bool SolveLeastSquares(double* A, std::size_t NObs, std::size_t NCoef, std::size_t lda, const double* B, double* X,
                       double* SE, bool& NearSingular, TProgressMode Mode) {
    NearSingular = false;
    std::vector<double> V(NCoef * NCoef), W(NCoef);
    if (mk::GolubReinsch(A, NObs, NCoef, lda, W.data(), V.data(), std::max<std::size_t>(NCoef, 1), true,
                         Mode == TProgressMode::Report) != mk::TSvdStatus::Ok)
        return false;
    const double Cut = kSolverCutoff * LargestOf(W);
    bool Near = false;
    for (double& w : W)
        if (w < Cut || w == 0) {
            w = 0;
            Near = true;
        }
    // tmp_j = (column j of U . B) / w_j, 0 for dropped values; X = V tmp.
    std::vector<Extended> Tmp(NCoef, Extended(0));
    for (std::size_t j = 0; j < NCoef; ++j) {
        if (W[j] == 0) continue;
        const double* u = A + j * lda;
        Extended S = 0;
        for (std::size_t i = 0; i < NObs; ++i) S += static_cast<Extended>(u[i]) * B[i];
        Tmp[j] = S / W[j];
    }
    std::vector<Extended> Xs(NCoef, Extended(0)), Var(NCoef, Extended(0));
    for (std::size_t j = 0; j < NCoef; ++j) {
        const double* vj = V.data() + j * NCoef;
        const Extended InvW2 = W[j] == 0 ? Extended(0) : Extended(1) / (static_cast<Extended>(W[j]) * W[j]);
        for (std::size_t i = 0; i < NCoef; ++i) {
            Xs[i] += vj[i] * Tmp[j];
            Var[i] += static_cast<Extended>(vj[i]) * vj[i] * InvW2;
        }
    }
    for (std::size_t i = 0; i < NCoef; ++i) {
        X[i] = static_cast<double>(Xs[i]);
        if (SE != nullptr) SE[i] = static_cast<double>(std::sqrt(Var[i]));
    }
    NearSingular = Near;
    return true;
}

bool SolveLeastSquares(const TMatrix& A, const TVector& B, TVector& X, TVector* SE, bool& NearSingular,
                       TProgressMode Mode) {
    const std::size_t NObs = static_cast<std::size_t>(std::max(A.NrOfRows(), 0));
    const std::size_t NCoef = static_cast<std::size_t>(std::max(A.NrOfColumns(), 0));
    std::unique_ptr<double[]> U = CopyOf(A);
    std::vector<double> Rhs(NObs), Xs(NCoef), Se(NCoef);
    for (std::size_t i = 0; i < NObs; ++i) Rhs[i] = static_cast<double>(B.Elem(static_cast<std::int32_t>(i + 1)));
    if (!SolveLeastSquares(U.get(), NObs, NCoef, std::max<std::size_t>(NObs, 1), Rhs.data(), Xs.data(),
                           SE != nullptr ? Se.data() : nullptr, NearSingular, Mode))
        return false;
    for (std::size_t i = 0; i < NCoef; ++i) {
        const auto Ix = static_cast<std::int32_t>(i + 1);
        X.SetElem(Ix, Xs[i]);
        if (SE != nullptr) SE->SetElem(Ix, Se[i]);
    }
    return true;
}

}  // namespace detail

bool PseudoInverse(const TMatrix* A, TMatrix* AInv, double Tol) {
    if (A == nullptr || AInv == nullptr) return false;
    const std::int32_t m = std::max(A->NrOfColumns(), 0), n = std::max(A->NrOfRows(), 0);
    const std::size_t Cols = static_cast<std::size_t>(m), Rows = static_cast<std::size_t>(n);
    const std::size_t ld = std::max<std::size_t>(Rows, 1);
    std::unique_ptr<double[]> U = CopyOf(*A);
    std::vector<double> V(Cols * Cols), W(Cols);
    const mk::TSvdStatus St =
        mk::GolubReinsch(U.get(), Rows, Cols, ld, W.data(), V.data(), std::max<std::size_t>(Cols, 1), true, true);
    AInv->Resize(n, m);
    if (St != mk::TSvdStatus::Ok) {
        AInv->Fill(0.0);
        return false;
    }
    if (Rows == 0 || Cols == 0) return true;
    if (!(Tol > 0)) Tol = static_cast<double>(std::max(m, n)) * LargestOf(W) * kPinvEps;
    // AInv^T = U (V diag(1/w))^T, 0 for dropped values: the product kernel subtracts, so
    // it takes the small factor transposed and negated, Nt(k, j) = -V(j, k) / w_k.
    std::vector<double> Nt(Cols * Cols);
    for (std::size_t k = 0; k < Cols; ++k) {
        const double* vk = V.data() + k * Cols;
        const bool Drop = W[k] == 0 || std::fabs(W[k]) <= Tol;
        for (std::size_t j = 0; j < Cols; ++j) Nt[j * Cols + k] = Drop ? 0.0 : -vk[j] / W[k];
    }
    // Block of rows by block of rows of U: a few columns of AInv at a time.
    std::vector<double> Pt(kProductRows * Cols);
    for (std::size_t R0 = 0; R0 < Rows; R0 += kProductRows) {
        const std::size_t R = std::min(kProductRows, Rows - R0);
        std::fill_n(Pt.data(), R * Cols, 0.0);
        mk::GemmSub(R, Cols, Cols, U.get() + R0, ld, Nt.data(), Cols, Pt.data(), R);
        for (std::size_t c = 0; c < R; ++c)
            for (std::size_t r = 0; r < Cols; ++r)
                AInv->SetElem(static_cast<std::int32_t>(R0 + c + 1), static_cast<std::int32_t>(r + 1), Pt[r * R + c]);
    }
    return true;
}

}  // namespace qmr
