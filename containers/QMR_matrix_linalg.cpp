// TMatrix linear algebra: inversion, LU and Cholesky decomposition, determinant,
// balancing, norms (spectral by singular value decomposition) and row differences.
#include "containers/QMR_matrix.h"
#include "containers/QMR_matrix_kernels.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <vector>

namespace qmr {

namespace {

namespace mk = detail::mk;

constexpr const char* kNoMemHeap = "not enough memory on heap";

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

// Runs the Crout decomposition on double storage, through an Extended copy when the
// two types differ.
mk::TLUStatus DecomposeStorage(double* A, std::size_t n, std::size_t ld, std::vector<TWork>& Scale,
                               std::vector<std::int32_t>& Perm, std::int32_t& NumPerm, bool Progress,
                               std::vector<TWork>* Factors) {
#if !QMR_EXTENDED_80
    (void)Factors;
    return mk::CroutLU<double>(A, n, ld, Scale.data(), Perm.data(), NumPerm, Progress);
#else
    std::vector<TWork>& W = *Factors;
    W.resize(n * n);
    for (std::size_t c = 0; c < n; ++c)
        for (std::size_t r = 0; r < n; ++r) W[c * n + r] = A[c * ld + r];
    const mk::TLUStatus S = mk::CroutLU<TWork>(W.data(), n, n, Scale.data(), Perm.data(), NumPerm, Progress, A, ld);
    for (std::size_t c = 0; c < n; ++c)
        for (std::size_t r = 0; r < n; ++r) A[c * ld + r] = static_cast<double>(W[c * n + r]);
    return S;
#endif
}

}  // namespace

// ---------------------------------------------------------------- inversion

bool TMatrix::Invert() {
    if (FNCol != FNRow || FNCol < 1) return false;
    const auto n = static_cast<std::size_t>(FNCol);
    bool Result = true;
    try {
        std::vector<TWork> Scale;
        std::vector<std::int32_t> Perm(n, 0);
        std::vector<TWork> Work(n * n);
        std::vector<TWork> Factors;
        std::vector<std::size_t> ColOf;
        bool Aborted = false;
        for (std::size_t r = 0; r < n && !Aborted; ++r) Aborted = detail::AbortRequested();
        if (Aborted) Result = false;
        else if (!RowScales(FMat.data(), n, FStoreRows, Scale)) Result = false;
        if (Result) {
            std::int32_t NumPerm = 1;
            double* A = FMat.data();
            mk::TLUStatus S;
            const TWork* LU;
            std::size_t ld;
#if !QMR_EXTENDED_80
            // Decomposed in place: the storage is n x n with leading dimension FStoreRows.
            // The result's space keeps the matrix as it was for an abort.
            std::copy_n(A, n * n, Work.data());
            S = mk::CroutLU<double>(A, n, FStoreRows, Scale.data(), Perm.data(), NumPerm, true, Work.data(), n);
            LU = A;
            ld = FStoreRows;
#else
            // Decomposed in an Extended copy, written back to the storage as it ends.
            S = DecomposeStorage(A, n, FStoreRows, Scale, Perm, NumPerm, true, &Factors);
            LU = Factors.data();
            ld = n;
#endif
            if (S != mk::TLUStatus::Ok) Result = false;
            else if (!mk::InverseFromLU<TWork>(LU, n, ld, Perm.data(), Work.data(), ColOf)) Result = false;
            else {
                bool Finite = true;
                for (TWork V : Work)
                    if (!std::isfinite(V)) {
                        Finite = false;
                        break;
                    }
                if (!Finite) Result = false;
                else
                    for (std::size_t c = 0; c < n; ++c) {
                        const TWork* Src = Work.data() + c * n;
                        double* Dst = FMat.data() + ColOf[c] * FStoreRows;
                        for (std::size_t r = 0; r < n; ++r) Dst[r] = static_cast<double>(Src[r]);
                    }
            }
        }
        Changed();
    } catch (...) {
        throw EQMRMatrixError(ComponentMessage(this, kNoMemHeap));
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
    std::vector<TWork> Scale;
    if (!RowScales(MatU->FMat.data(), n, MatU->FStoreRows, Scale)) return false;
    std::vector<std::int32_t> Perm(n, 0);
    std::vector<TWork> Factors;
    const mk::TLUStatus S =
        DecomposeStorage(MatU->FMat.data(), n, MatU->FStoreRows, Scale, Perm, NumPerm, false, &Factors);
    if (S != mk::TLUStatus::Ok) return false;
    for (std::size_t k = 0; k < n; ++k) {
        double* L = MatL->FMat.data() + k * MatL->FStoreRows;
        double* U = MatU->FMat.data() + k * MatU->FStoreRows;
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
    for (std::size_t c = 0; c < n; ++c) std::copy_n(FMat.data() + c * FStoreRows, n, A.data() + c * n);
    std::vector<TWork> Scale;
    if (!RowScales(A.data(), n, n, Scale)) return 0;
    std::vector<std::int32_t> Perm(n, 0);
    std::vector<TWork> Factors;
    std::int32_t NumPerm = 1;
    if (DecomposeStorage(A.data(), n, n, Scale, Perm, NumPerm, false, &Factors) != mk::TLUStatus::Ok) return 0;
    double Prod = 1;
    for (std::size_t k = 0; k < n; ++k) Prod *= A[k * n + k];
    return static_cast<Extended>(NumPerm) * Prod;
}

// ---------------------------------------------------------------- Cholesky

bool TMatrix::CholeskyDecomp(TMatrix* MatL) {
    if (FNCol != FNRow || MatL == nullptr) return false;
    const auto n = static_cast<std::size_t>(FNCol);
    const std::size_t ld = FStoreRows;
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
    const std::size_t ld = FStoreRows;
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

// ---------------------------------------------------------------- singular values

namespace {

// Golub-Reinsch singular value decomposition of the m x n column-major matrix A
// (overwritten by U); V (n x n) receives the right singular vectors and W (n) the
// singular values, unsorted. One progress step and abort poll per column in each of
// the four phases. False when aborted or when a value did not converge in 30 sweeps.
bool SingValDecomp(std::vector<double>& A, std::size_t m, std::size_t n, std::vector<double>& V,
                   std::vector<double>& W) {
    auto a = [&](std::size_t r, std::size_t c) -> double& { return A[c * m + r]; };
    auto v = [&](std::size_t r, std::size_t c) -> double& { return V[c * n + r]; };
    auto Sign = [](TWork X, TWork Y) -> TWork { return Y >= 0 || std::isnan(Y) ? std::fabs(X) : -std::fabs(X); };
    auto Pythag = [](TWork X, TWork Y) -> TWork { return std::sqrt(X * X + Y * Y); };
    // A when A >= B, else B (so a NaN in either place gives B).
    auto MaxOfTwo = [](double A, double B) { return A >= B ? A : B; };
    auto Step = []() {
        detail::StepProgress();
        return !detail::AbortRequested();
    };
    bool Result = true;
    std::vector<double> Rv1(n, 0.0);
    W.assign(n, 0.0);
    V.assign(n * n, 0.0);
    TWork G = 0, Scale = 0;
    double ANorm = 0;
    std::size_t L = 0;
    // Householder reduction to bidiagonal form.
    for (std::size_t i = 0; i < n; ++i) {
        if (!Step()) return false;
        L = i + 1;
        Rv1[i] = static_cast<double>(Scale * G);
        G = Scale = 0;
        TWork S = 0;
        if (i < m) {
            for (std::size_t k = i; k < m; ++k) Scale += std::fabs(a(k, i));
            if (Scale != 0) {
                for (std::size_t k = i; k < m; ++k) {
                    a(k, i) = static_cast<double>(a(k, i) / Scale);
                    S += static_cast<TWork>(a(k, i)) * a(k, i);
                }
                TWork F = a(i, i);
                G = -Sign(std::sqrt(S), F);
                const TWork H = F * G - S;
                a(i, i) = static_cast<double>(F - G);
                for (std::size_t j = L; j < n; ++j) {
                    S = 0;
                    for (std::size_t k = i; k < m; ++k) S += static_cast<TWork>(a(k, i)) * a(k, j);
                    F = S / H;
                    for (std::size_t k = i; k < m; ++k) a(k, j) = static_cast<double>(a(k, j) + F * a(k, i));
                }
                for (std::size_t k = i; k < m; ++k) a(k, i) = static_cast<double>(a(k, i) * Scale);
            }
        }
        W[i] = static_cast<double>(Scale * G);
        G = S = Scale = 0;
        if (i < m && i + 1 != n) {
            for (std::size_t k = L; k < n; ++k) Scale += std::fabs(a(i, k));
            if (Scale != 0) {
                for (std::size_t k = L; k < n; ++k) {
                    a(i, k) = static_cast<double>(a(i, k) / Scale);
                    S += static_cast<TWork>(a(i, k)) * a(i, k);
                }
                const TWork F = a(i, L);
                G = -Sign(std::sqrt(S), F);
                const TWork H = F * G - S;
                a(i, L) = static_cast<double>(F - G);
                for (std::size_t k = L; k < n; ++k) Rv1[k] = static_cast<double>(a(i, k) / H);
                for (std::size_t j = L; j < m; ++j) {
                    S = 0;
                    for (std::size_t k = L; k < n; ++k) S += static_cast<TWork>(a(j, k)) * a(i, k);
                    for (std::size_t k = L; k < n; ++k) a(j, k) = static_cast<double>(a(j, k) + S * Rv1[k]);
                }
                for (std::size_t k = L; k < n; ++k) a(i, k) = static_cast<double>(a(i, k) * Scale);
            }
        }
        ANorm = MaxOfTwo(ANorm, std::fabs(W[i]) + std::fabs(Rv1[i]));
    }
    // Accumulation of the right-hand transformations.
    for (std::size_t i = n; i-- > 0;) {
        if (!Step()) return false;
        if (i + 1 < n) {
            if (G != 0) {
                for (std::size_t j = L; j < n; ++j) v(j, i) = static_cast<double>((a(i, j) / a(i, L)) / G);
                for (std::size_t j = L; j < n; ++j) {
                    TWork S = 0;
                    for (std::size_t k = L; k < n; ++k) S += static_cast<TWork>(a(i, k)) * v(k, j);
                    for (std::size_t k = L; k < n; ++k) v(k, j) = static_cast<double>(v(k, j) + S * v(k, i));
                }
            }
            for (std::size_t j = L; j < n; ++j) v(i, j) = v(j, i) = 0;
        }
        v(i, i) = 1;
        G = Rv1[i];
        L = i;
    }
    // Accumulation of the left-hand transformations (columns beyond the rows hold none).
    for (std::size_t i = n; i-- > 0;) {
        if (!Step()) return false;
        if (i >= m) continue;
        L = i + 1;
        G = W[i];
        for (std::size_t j = L; j < n; ++j) a(i, j) = 0;
        if (G != 0) {
            G = TWork(1) / G;
            for (std::size_t j = L; j < n; ++j) {
                TWork S = 0;
                for (std::size_t k = L; k < m; ++k) S += static_cast<TWork>(a(k, i)) * a(k, j);
                const TWork F = (S / a(i, i)) * G;
                for (std::size_t k = i; k < m; ++k) a(k, j) = static_cast<double>(a(k, j) + F * a(k, i));
            }
            for (std::size_t j = i; j < m; ++j) a(j, i) = static_cast<double>(a(j, i) * G);
        } else {
            for (std::size_t j = i; j < m; ++j) a(j, i) = 0;
        }
        a(i, i) += 1;
    }
    // Diagonalisation of the bidiagonal form by implicit-shift QR sweeps.
    auto Negligible = [&](double X) { return std::fabs(X) + ANorm == ANorm; };
    for (std::size_t k = n; k-- > 0;) {
        if (!Step()) return false;
        // At most 30 sweeps; the split test after the 30th decides convergence.
        bool Converged = false;
        for (int Its = 1; Its <= 31; ++Its) {
            bool Flag = true;
            std::size_t l = k;
            std::size_t nm = 0;
            for (;; --l) {
                if (l == 0 || Negligible(Rv1[l])) {  // Rv1[0] is always 0
                    Flag = false;
                    break;
                }
                nm = l - 1;
                if (Negligible(W[nm])) break;
            }
            if (Flag) {
                TWork C = 0, S = 1;
                for (std::size_t i = l; i <= k; ++i) {
                    const TWork F = S * Rv1[i];
                    Rv1[i] = static_cast<double>(C * Rv1[i]);
                    if (Negligible(static_cast<double>(F))) break;
                    G = W[i];
                    TWork H = Pythag(F, G);
                    W[i] = static_cast<double>(H);
                    H = TWork(1) / H;
                    C = G * H;
                    S = -F * H;
                    for (std::size_t j = 0; j < m; ++j) {
                        const TWork Y = a(j, nm), Z = a(j, i);
                        a(j, nm) = static_cast<double>(Y * C + Z * S);
                        a(j, i) = static_cast<double>(Z * C - Y * S);
                    }
                }
            }
            TWork Z = W[k];
            if (l == k) {
                if (Z < 0) {
                    W[k] = static_cast<double>(-Z);
                    for (std::size_t j = 0; j < n; ++j) v(j, k) = -v(j, k);
                }
                Converged = true;
                break;
            }
            if (Its > 30) break;
            TWork X = W[l];
            nm = k - 1;
            TWork Y = W[nm];
            G = Rv1[nm];
            TWork H = Rv1[k];
            TWork F = ((Y - Z) * (Y + Z) + (G - H) * (G + H)) / (TWork(2) * H * Y);
            G = Pythag(F, TWork(1));
            F = ((X - Z) * (X + Z) + H * ((Y / (F + Sign(G, F))) - H)) / X;
            TWork C = 1, S = 1;
            for (std::size_t j = l; j <= nm; ++j) {
                const std::size_t i = j + 1;
                G = Rv1[i];
                Y = W[i];
                H = S * G;
                G = C * G;
                Z = Pythag(F, H);
                Rv1[j] = static_cast<double>(Z);
                C = F / Z;
                S = H / Z;
                F = X * C + G * S;
                G = G * C - X * S;
                H = Y * S;
                Y *= C;
                for (std::size_t jj = 0; jj < n; ++jj) {
                    const TWork Xv = v(jj, j), Zv = v(jj, i);
                    v(jj, j) = static_cast<double>(Xv * C + Zv * S);
                    v(jj, i) = static_cast<double>(Zv * C - Xv * S);
                }
                Z = Pythag(F, H);
                W[j] = static_cast<double>(Z);
                if (Z != 0) {
                    Z = TWork(1) / Z;
                    C = F * Z;
                    S = H * Z;
                }
                F = C * G + S * Y;
                X = C * Y - S * G;
                for (std::size_t jj = 0; jj < m; ++jj) {
                    const TWork Ya = a(jj, j), Za = a(jj, i);
                    a(jj, j) = static_cast<double>(Ya * C + Za * S);
                    a(jj, i) = static_cast<double>(Za * C - Ya * S);
                }
            }
            Rv1[l] = 0;
            Rv1[k] = static_cast<double>(F);
            W[k] = static_cast<double>(X);
        }
        if (!Converged) Result = false;
    }
    return Result;
}

}  // namespace

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
            std::vector<double> A(Rows * n), V, W;
            for (std::size_t c = 0; c < n; ++c) std::copy_n(Column(static_cast<std::int32_t>(c + 1)), Rows, A.data() + c * Rows);
            if (!SingValDecomp(A, Rows, n, V, W)) throw EQMRMatrixError("near singular covariance matrix");
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
