// TMatrix linear algebra: inversion, LU and Cholesky decomposition, determinant,
// balancing, norms (spectral by singular value decomposition) and row differences.
#include "containers/QMR_matrix.h"
#include "containers/QMR_matrix_kernels.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qmr {

namespace {

namespace mk = detail::mk;

// Work type of the decompositions: intermediate sums are carried in Extended. Where
// Extended is wider than double, the LU factors stay in it until the decomposition ends
// (a value and its rounded copy would not cancel: two equal rows must give a zero pivot).
using TWork = Extended;

// Row scales 1 / (largest magnitude of the row) of the n x n column-major block A.
// False when a row has no magnitude above 0 (a NaN never counts as larger); such data,
// like an infinite magnitude (scale 0), is left for the decomposition to fail on.
bool RowScales(const double* A, std::size_t n, std::size_t ld, std::vector<TWork>& Scale) {
    std::vector<TWork> Big(n, TWork(0));
    for (std::size_t c = 0; c < n; ++c) {
        const double* col = A + c * ld;
        for (std::size_t r = 0; r < n; ++r) {
            const TWork V = std::fabs(static_cast<TWork>(col[r]));
            if (V > Big[r]) Big[r] = V;
        }
    }
    Scale.assign(n, TWork(0));
    bool Ok = true;
    for (std::size_t r = 0; r < n; ++r) {
        if (Big[r] == 0) Ok = false;
        else Scale[r] = TWork(1) / Big[r];
    }
    return Ok;
}

// True when every element of the n x n block A (leading dimension ld) is finite.
bool AllFinite(const double* A, std::size_t n, std::size_t ld) {
    for (std::size_t c = 0; c < n; ++c)
        if (!std::all_of(A + c * ld, A + c * ld + n, [](double V) { return std::isfinite(V); })) return false;
    return true;
}

// Pivots, parity and factors of a Crout decomposition.
struct TLUFactors {
    std::vector<std::int32_t> Perm;
    std::int32_t NumPerm = 1;
    // The factors in the work type and their leading dimension: the decomposed block itself,
    // or Wide where Extended is wider than double.
    const TWork* LU = nullptr;
    std::size_t ld = 0;
    std::vector<TWork> Wide;
};

// Scales the rows of the n x n block A of doubles (leading dimension ld) and decomposes it
// in place, through an Extended copy written back as it ends where the two types differ.
// With Progress every column is preceded by a progress step and an abort poll, and Scratch
// (n x n) keeps the block as it was so that an abort leaves the column-by-column state.
// False when a row has no magnitude (A untouched), a pivot was floored, a stored factor is
// not finite, or the decomposition was aborted.
bool Decompose(double* A, std::size_t n, std::size_t ld, TLUFactors& F, bool Progress, TWork* Scratch) {
    std::vector<TWork> Scale;
    if (!RowScales(A, n, ld, Scale)) return false;
    F.Perm.assign(n, 0);
#if !QMR_EXTENDED_80
    const double* Orig = nullptr;
    if (Progress) {
        for (std::size_t c = 0; c < n; ++c) std::copy_n(A + c * ld, n, Scratch + c * n);
        Orig = Scratch;
    }
    const mk::TLUStatus S = mk::CroutLU<double>(A, n, ld, Scale.data(), F.Perm.data(), F.NumPerm, Progress, Orig, n);
    F.LU = A;
    F.ld = ld;
#else
    (void)Scratch;
    std::vector<TWork>& W = F.Wide;
    W.resize(n * n);
    for (std::size_t c = 0; c < n; ++c)
        for (std::size_t r = 0; r < n; ++r) W[c * n + r] = A[c * ld + r];
    const mk::TLUStatus S = mk::CroutLU<TWork>(W.data(), n, n, Scale.data(), F.Perm.data(), F.NumPerm, Progress, A, ld);
    for (std::size_t c = 0; c < n; ++c)
        for (std::size_t r = 0; r < n; ++r) A[c * ld + r] = static_cast<double>(W[c * n + r]);
    F.LU = W.data();
    F.ld = n;
#endif
    // What counts is what is stored: a factor beyond the range of double is a failure.
    return S == mk::TLUStatus::Ok && AllFinite(A, n, ld);
}

}  // namespace

// ---------------------------------------------------------------- inversion

bool TMatrix::Invert() {
    if (FNCol != FNRow || FNCol < 1) return false;
    const auto n = static_cast<std::size_t>(FNCol);
    bool Result = false;
    try {
        // The inverse is built in Work, which first keeps the matrix as it was for an abort.
        std::vector<TWork> Work(n * n);
        TLUFactors F;
        std::vector<std::size_t> ColOf;
        if (!detail::AbortRequested() && Decompose(FMat.data(), n, StoreRows(), F, true, Work.data()) &&
            mk::InverseFromLU<TWork>(F.LU, n, F.ld, F.Perm.data(), Work.data(), ColOf) &&
            std::all_of(Work.begin(), Work.end(), [](TWork V) { return std::isfinite(static_cast<double>(V)); })) {
            for (std::size_t c = 0; c < n; ++c) {
                const TWork* Src = Work.data() + c * n;
                double* Dst = FMat.data() + ColOf[c] * StoreRows();
                for (std::size_t r = 0; r < n; ++r) Dst[r] = static_cast<double>(Src[r]);
            }
            Result = true;
        }
        Changed();
    } catch (...) {
        RaiseNoMemory();
    }
    return Result;
}

// ---------------------------------------------------------------- LU, determinant

bool TMatrix::LUdecomposition(TMatrix* MatL, TMatrix* MatU, std::int32_t& NumPerm) {
    NumPerm = 1;
    if (FNCol != FNRow || MatL == nullptr || MatU == nullptr) return false;
    if (MatL == this || MatL == MatU) return false;
    const std::int32_t N = FNCol;
    MatL->ResizeAndClear(N, N);
    MatU->Clone(this);
    const auto n = static_cast<std::size_t>(N);
    TLUFactors F;
    const bool Ok = Decompose(MatU->FMat.data(), n, MatU->StoreRows(), F, false, nullptr);
    NumPerm = F.NumPerm;
    if (!Ok) return false;
    for (std::size_t k = 0; k < n; ++k) {
        double* L = MatL->FMat.data() + k * MatL->StoreRows();
        double* U = MatU->FMat.data() + k * MatU->StoreRows();
        L[k] = 1;
        for (std::size_t r = k + 1; r < n; ++r) {
            L[r] = U[r];
            U[r] = 0;
        }
    }
    return true;
}

Extended TMatrix::Determinant() {
    // The value LUdecomposition would give into two temporaries, without building them:
    // the parity times the product of U's diagonal, 0 when the decomposition fails.
    if (FNCol != FNRow) return 0;
    const auto n = static_cast<std::size_t>(FNCol);
    std::vector<double> A(n * n);
    for (std::size_t c = 0; c < n; ++c) std::copy_n(FMat.data() + c * StoreRows(), n, A.data() + c * n);
    TLUFactors F;
    if (!Decompose(A.data(), n, n, F, false, nullptr)) return 0;
    double Prod = 1;
    for (std::size_t k = 0; k < n; ++k) Prod *= A[k * n + k];
    return static_cast<Extended>(F.NumPerm) * Prod;
}

// ---------------------------------------------------------------- Cholesky

bool TMatrix::CholeskyDecomp(TMatrix* MatL) {
    if (FNCol != FNRow || MatL == nullptr) return false;
    const auto n = static_cast<std::size_t>(FNCol);
    const std::size_t ld = StoreRows();
    double* A = FMat.data();
    // Element (row r, column c) is A[c * ld + r]; L(j, i) for j > i goes to (row i, column j),
    // so the factor's row j is the contiguous column j of the upper triangle.
    std::vector<double> Diag(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double* Li = A + i * ld;  // L(i, 0..i-1) in rows 0..i-1 of column i
        for (std::size_t j = i; j < n; ++j) {
            double* Lj = A + j * ld;
            TWork s = A[i * ld + j];  // element (row j, column i), from the lower triangle
            for (std::size_t k = i; k-- > 0;) s -= static_cast<TWork>(Li[k]) * Lj[k];
            if (j == i) {
                if (!(s > 0)) return false;  // not positive definite: stop before dividing
                Diag[i] = static_cast<double>(std::sqrt(s));
            } else {
                Lj[i] = static_cast<double>(s / Diag[i]);
            }
        }
    }
    MatL->Resize(FNCol, FNCol);
    for (std::size_t c = 0; c < n; ++c) {
        const auto C = static_cast<std::int32_t>(c + 1);
        MatL->SetElem(C, C, Diag[c]);
        for (std::size_t r = c + 1; r < n; ++r) MatL->SetElem(C, static_cast<std::int32_t>(r + 1), A[r * ld + c]);
    }
    return true;
}

// ---------------------------------------------------------------- balancing

bool TMatrix::Balance() {
    if (FNCol != FNRow) return false;
    const auto n = static_cast<std::size_t>(FNCol);
    const std::size_t ld = StoreRows();
    double* A = FMat.data();
    constexpr int kMaxPasses = 100;
    for (int Pass = 0; Pass < kMaxPasses; ++Pass) {
        TWork Largest = 0;
        for (std::size_t i = 0; i < n; ++i) {
            TWork R = 0, S = 0;
            double* Col = A + i * ld;
            for (std::size_t k = 0; k < n; ++k) {
                if (k == i) continue;
                R += std::fabs(A[k * ld + i]);
                S += std::fabs(Col[k]);
            }
            if (R == 0 || S == 0) continue;
            const TWork F = std::sqrt(R / S);
            for (std::size_t k = 0; k < n; ++k) {
                if (k == i) continue;
                A[k * ld + i] = static_cast<double>(A[k * ld + i] / F);
                Col[k] = static_cast<double>(Col[k] * F);
            }
            if (F > Largest) Largest = F;
        }
        if (!(Largest >= 1.05)) break;
    }
    return true;
}

// ---------------------------------------------------------------- norms

Extended TMatrix::Norm(TNormType nt) {
    const std::size_t Rows = static_cast<std::size_t>(FNRow);
    switch (nt) {
        case TNormType::ntColwise: {
            double Best = 0;
            for (std::int32_t C = 1; C <= FNCol; ++C) {
                const double* Col = Column(C);
                double Sum = 0;
                for (std::size_t r = 0; r < Rows; ++r) Sum += std::fabs(Col[r]);
                if (C == 1 || Sum > Best) Best = Sum;
            }
            return Best;
        }
        case TNormType::ntRowwise: {
            std::vector<double> Sums(Rows, 0.0);
            for (std::int32_t C = 1; C <= FNCol; ++C) {
                const double* Col = Column(C);
                for (std::size_t r = 0; r < Rows; ++r) Sums[r] += std::fabs(Col[r]);
            }
            double Best = 0;
            for (std::size_t r = 0; r < Rows; ++r)
                if (r == 0 || Sums[r] > Best) Best = Sums[r];
            return Best;
        }
        case TNormType::ntFrobenius: {
            double Sum = 0;
            for (std::int32_t C = 1; C <= FNCol; ++C) {
                const double* Col = Column(C);
                for (std::size_t r = 0; r < Rows; ++r) Sum += Col[r] * Col[r];
            }
            return std::sqrt(static_cast<Extended>(Sum));
        }
        case TNormType::ntSpectral: {
            const std::size_t n = static_cast<std::size_t>(FNCol);
            std::vector<double> A(Rows * n), W(n);
            for (std::size_t c = 0; c < n; ++c) std::copy_n(Column(static_cast<std::int32_t>(c + 1)), Rows, A.data() + c * Rows);
            // The values only: neither U nor V is formed.
            if (mk::GolubReinsch(A.data(), Rows, n, std::max<std::size_t>(Rows, 1), W.data(), nullptr, n, false, true) !=
                mk::TSvdStatus::Ok)
                throw EQMRMatrixError("near singular covariance matrix");
            double Best = 0;
            for (double X : W)
                if (X > Best) Best = X;
            return Best;
        }
    }
    return 0;
}

// ---------------------------------------------------------------- differences

void TMatrix::Diff(std::int32_t Order) {
    if (Order < 1 || Order > 10 || Order >= FNRow) return;
    for (std::int32_t Pass = 0; Pass < Order; ++Pass)
        for (std::int32_t C = 1; C <= FNCol; ++C) {
            double* Col = Column(C);
            for (std::int32_t r = 0; r + 1 < FNRow; ++r) Col[r] = Col[r + 1] - Col[r];
        }
    Resize(FNCol, FNRow - Order);
}

}  // namespace qmr
