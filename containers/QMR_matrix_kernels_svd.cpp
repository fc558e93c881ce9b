// Golub-Reinsch singular value decomposition: Householder reduction to bidiagonal form,
// accumulation of the right- and left-hand transformations, and implicit-shift QR sweeps
// on the bidiagonal form. Storage is double; sums, reflector and rotation coefficients
// are carried in Extended. The convergence tests compare doubles (|x| + anorm = anorm),
// so they decide alike in both builds.
//
// The loops are arranged for column-major storage: a row reflector first gathers its row
// and then works down whole columns, and dot products run over four columns at once.
// Every element still receives the textbook operations in the textbook order (a dot
// product sums in index order), so the arrangement changes no rounding.
#include "containers/QMR_matrix_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

namespace qmr::detail::mk {

namespace {

using TWork = Extended;

// |X| with the sign of Y; Y >= 0, and a NaN, give +|X|.
inline TWork TransferSign(TWork X, TWork Y) { return Y >= 0 || std::isnan(Y) ? std::fabs(X) : -std::fabs(X); }
inline TWork Pythag(TWork X, TWork Y) { return std::sqrt(X * X + Y * Y); }
// A when A >= B, else B (so a NaN in either place gives B).
inline double MaxOfTwo(double A, double B) { return A >= B ? A : B; }

// Y[k] := Y[k] + F * X[k] for k < n, each element rounded once to Y's type.
template <class TY, class TX> void Axpy(TY* Y, const TX* X, std::size_t n, TWork F) {
    std::size_t k = 0;
    if constexpr (std::is_same_v<TWork, double> && std::is_same_v<TY, double> && std::is_same_v<TX, double>) {
        const V2 f = {static_cast<double>(F), static_cast<double>(F)};
        for (; k + 2 <= n; k += 2) Store2(Y + k, Load2(Y + k) + f * Load2(X + k));
    }
    for (; k < n; ++k) Y[k] = static_cast<TY>(Y[k] + F * X[k]);
}

// Sums[j - J0] := sum over k < n of X[k] * B[j * ld + k] for J0 <= j < J1, each sum in
// order of k; four columns share one pass over X.
void DotColumns(const double* X, std::size_t n, const double* B, std::size_t ld, std::size_t J0, std::size_t J1,
                TWork* Sums) {
    std::size_t j = J0;
    for (; j + 4 <= J1; j += 4) {
        const double* b0 = B + j * ld;
        const double* b1 = b0 + ld;
        const double* b2 = b1 + ld;
        const double* b3 = b2 + ld;
        TWork s0 = 0, s1 = 0, s2 = 0, s3 = 0;
        for (std::size_t k = 0; k < n; ++k) {
            const TWork x = X[k];
            s0 += x * b0[k];
            s1 += x * b1[k];
            s2 += x * b2[k];
            s3 += x * b3[k];
        }
        Sums[j - J0] = s0;
        Sums[j - J0 + 1] = s1;
        Sums[j - J0 + 2] = s2;
        Sums[j - J0 + 3] = s3;
    }
    for (; j < J1; ++j) {
        const double* b = B + j * ld;
        TWork s = 0;
        for (std::size_t k = 0; k < n; ++k) s += static_cast<TWork>(X[k]) * b[k];
        Sums[j - J0] = s;
    }
}

// Plane rotation of two columns: X := X c + Y s, Y := Y c - X s (old X on both sides).
template <class T> void Rotate(double* X, double* Y, std::size_t n, T c, T s) {
    std::size_t k = 0;
    if constexpr (std::is_same_v<T, double>) {
        const V2 C = {c, c}, S = {s, s};
        for (; k + 2 <= n; k += 2) {
            const V2 x = Load2(X + k), y = Load2(Y + k);
            Store2(X + k, x * C + y * S);
            Store2(Y + k, y * C - x * S);
        }
    }
    for (; k < n; ++k) {
        const T x = X[k], y = Y[k];
        X[k] = static_cast<double>(x * c + y * s);
        Y[k] = static_cast<double>(y * c - x * s);
    }
}

// Whether every element of the Rows x Cols block P (leading dimension ld) is finite.
bool AllFinite(const double* P, std::size_t Rows, std::size_t Cols, std::size_t ld) {
    for (std::size_t c = 0; c < Cols; ++c)
        for (std::size_t r = 0; r < Rows; ++r)
            if (!std::isfinite(P[c * ld + r])) return false;
    return true;
}

// Columns per group of a transformation: each group's dot products share one pass.
constexpr std::size_t kGroup = 4;
// Rows per block of the final product U Q.
constexpr std::size_t kProductRows = 64;

}  // namespace

TSvdStatus GolubReinsch(double* A, std::size_t Rows, std::size_t Cols, std::size_t lda, double* W, double* V,
                        std::size_t ldv, bool WantU, bool Progress) {
    if (!AllFinite(A, Rows, Cols, lda)) return TSvdStatus::NotFinite;
    auto a = [&](std::size_t r, std::size_t c) -> double& { return A[c * lda + r]; };
    auto v = [&](std::size_t r, std::size_t c) -> double& { return V[c * ldv + r]; };
    auto Step = [Progress]() {
        if (!Progress) return true;
        StepProgress();
        return !AbortRequested();
    };
    const std::size_t MinRC = std::min(Rows, Cols);
    std::vector<double> Rv1(Cols, 0.0);
    std::vector<double> RowBuf(Cols);
    std::vector<TWork> Sums(std::max(Rows, Cols));
    std::fill_n(W, Cols, 0.0);
    TWork G = 0, Scale = 0;
    double ANorm = 0;

    // Householder reduction to bidiagonal form.
    for (std::size_t i = 0; i < Cols; ++i) {
        if (!Step()) return TSvdStatus::Aborted;
        const std::size_t L = i + 1;
        Rv1[i] = static_cast<double>(Scale * G);
        G = Scale = 0;
        TWork S = 0;
        if (i < Rows) {
            double* Ci = &a(i, i);
            const std::size_t n = Rows - i;
            for (std::size_t k = 0; k < n; ++k) Scale += std::fabs(Ci[k]);
            if (Scale != 0) {
                for (std::size_t k = 0; k < n; ++k) {
                    Ci[k] = static_cast<double>(Ci[k] / Scale);
                    S += static_cast<TWork>(Ci[k]) * Ci[k];
                }
                TWork F = Ci[0];
                G = -TransferSign(std::sqrt(S), F);
                const TWork H = F * G - S;
                Ci[0] = static_cast<double>(F - G);
                for (std::size_t J0 = L; J0 < Cols; J0 += kGroup) {
                    const std::size_t J1 = std::min(Cols, J0 + kGroup);
                    DotColumns(Ci, n, A + i, lda, J0, J1, Sums.data());
                    for (std::size_t j = J0; j < J1; ++j) Axpy(&a(i, j), Ci, n, Sums[j - J0] / H);
                }
                for (std::size_t k = 0; k < n; ++k) Ci[k] = static_cast<double>(Ci[k] * Scale);
            }
        }
        W[i] = static_cast<double>(Scale * G);
        G = S = Scale = 0;
        if (i < Rows && L != Cols) {
            for (std::size_t k = L; k < Cols; ++k) Scale += std::fabs(a(i, k));
            if (Scale != 0) {
                for (std::size_t k = L; k < Cols; ++k) {
                    a(i, k) = static_cast<double>(a(i, k) / Scale);
                    S += static_cast<TWork>(a(i, k)) * a(i, k);
                }
                const TWork F = a(i, L);
                G = -TransferSign(std::sqrt(S), F);
                const TWork H = F * G - S;
                a(i, L) = static_cast<double>(F - G);
                for (std::size_t k = L; k < Cols; ++k) Rv1[k] = static_cast<double>(a(i, k) / H);
                // Rows L.. of the columns L..: first every row's dot product with row i,
                // then the updates.
                const std::size_t n = Rows - L;
                if (n > 0) {
                    std::fill_n(Sums.data(), n, TWork(0));
                    for (std::size_t k = L; k < Cols; ++k) Axpy(Sums.data(), &a(L, k), n, a(i, k));
                    for (std::size_t k = L; k < Cols; ++k) Axpy(&a(L, k), Sums.data(), n, Rv1[k]);
                }
                for (std::size_t k = L; k < Cols; ++k) a(i, k) = static_cast<double>(a(i, k) * Scale);
            }
        }
        ANorm = MaxOfTwo(ANorm, std::fabs(W[i]) + std::fabs(Rv1[i]));
    }

    // Accumulation of the right-hand transformations into V. G carries over from the
    // reduction (0 after its last column).
    {
        std::size_t L = Cols;
        for (std::size_t i = Cols; i-- > 0;) {
            if (!Step()) return TSvdStatus::Aborted;
            if (V == nullptr) continue;
            if (i + 1 < Cols) {
                if (G != 0 && i < Rows) {
                    const std::size_t n = Cols - L;
                    for (std::size_t k = L; k < Cols; ++k) RowBuf[k - L] = a(i, k);
                    double* Vi = &v(L, i);
                    for (std::size_t k = 0; k < n; ++k) Vi[k] = static_cast<double>((TWork(RowBuf[k]) / RowBuf[0]) / G);
                    for (std::size_t J0 = L; J0 < Cols; J0 += kGroup) {
                        const std::size_t J1 = std::min(Cols, J0 + kGroup);
                        DotColumns(RowBuf.data(), n, V + L, ldv, J0, J1, Sums.data());
                        for (std::size_t j = J0; j < J1; ++j) Axpy(&v(L, j), Vi, n, Sums[j - J0]);
                    }
                }
                for (std::size_t j = L; j < Cols; ++j) v(i, j) = v(j, i) = 0;
            }
            v(i, i) = 1;
            G = Rv1[i];
            L = i;
        }
    }

    // Accumulation of the left-hand transformations: A becomes U.
    for (std::size_t i = Cols; i-- > 0;) {
        if (!Step()) return TSvdStatus::Aborted;
        if (!WantU || i >= MinRC) continue;
        const std::size_t L = i + 1;
        for (std::size_t j = L; j < Cols; ++j) a(i, j) = 0;
        double* Ci = &a(i, i);
        const std::size_t n = Rows - i;
        if (W[i] != 0) {
            const TWork Gi = TWork(1) / W[i];
            for (std::size_t J0 = L; J0 < Cols; J0 += kGroup) {
                const std::size_t J1 = std::min(Cols, J0 + kGroup);
                DotColumns(Ci + 1, n - 1, A + L, lda, J0, J1, Sums.data());
                for (std::size_t j = J0; j < J1; ++j) Axpy(&a(i, j), Ci, n, (Sums[j - J0] / Ci[0]) * Gi);
            }
            for (std::size_t k = 0; k < n; ++k) Ci[k] = static_cast<double>(Ci[k] * Gi);
        } else {
            std::fill_n(Ci, n, 0.0);
        }
        Ci[0] = static_cast<double>(Ci[0] + TWork(1));
    }

    // Diagonalisation of the bidiagonal form by implicit-shift QR sweeps. The rotations
    // act on the columns of U; for a tall matrix they are collected in a small Cols x
    // Cols matrix Q instead and U is multiplied by Q once at the end.
    const bool Collect = WantU && Rows >= 2 * Cols;
    std::vector<double> Q;
    double* Left = A;
    std::size_t LeftRows = Rows, LeftLd = lda;
    if (Collect) {
        Q.assign(Cols * Cols, 0.0);
        for (std::size_t i = 0; i < Cols; ++i) Q[i * Cols + i] = 1;
        Left = Q.data();
        LeftRows = LeftLd = Cols;
    }
    auto RotateLeft = [&](std::size_t j, std::size_t i, TWork C, TWork S) {
        if (WantU) Rotate(Left + j * LeftLd, Left + i * LeftLd, LeftRows, C, S);
    };
    bool Converged = true;
    auto Negligible = [ANorm](double X) { return std::fabs(X) + ANorm == ANorm; };
    for (std::size_t k = Cols; k-- > 0;) {
        if (!Step()) return TSvdStatus::Aborted;
        // At most 30 sweeps; the split test after the 30th decides convergence.
        bool Done = false;
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
                // W[nm] is negligible: cancel Rv1[l] by rotations against row nm.
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
                    RotateLeft(nm, i, C, S);
                }
            }
            TWork Z = W[k];
            if (l == k) {
                if (Z < 0) {
                    W[k] = static_cast<double>(-Z);
                    if (V != nullptr)
                        for (std::size_t j = 0; j < Cols; ++j) v(j, k) = -v(j, k);
                }
                Done = true;
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
            F = ((X - Z) * (X + Z) + H * ((Y / (F + TransferSign(G, F))) - H)) / X;
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
                if (V != nullptr) Rotate(&v(0, j), &v(0, i), Cols, C, S);
                Z = Pythag(F, H);
                W[j] = static_cast<double>(Z);
                if (Z != 0) {
                    Z = TWork(1) / Z;
                    C = F * Z;
                    S = H * Z;
                }
                F = C * G + S * Y;
                X = C * Y - S * G;
                RotateLeft(j, i, C, S);
            }
            Rv1[l] = 0;
            Rv1[k] = static_cast<double>(F);
            W[k] = static_cast<double>(X);
        }
        if (!Done) Converged = false;
    }
    if (Collect) {
        // U := U Q block of rows by block of rows, each as 0 - (copy of the block) (-Q)
        // by the product kernel.
        for (double& X : Q) X = -X;
        std::vector<double> Block(kProductRows * Cols);
        for (std::size_t R0 = 0; R0 < Rows; R0 += kProductRows) {
            const std::size_t R = std::min(kProductRows, Rows - R0);
            for (std::size_t c = 0; c < Cols; ++c) {
                std::copy_n(A + c * lda + R0, R, Block.data() + c * R);
                std::fill_n(A + c * lda + R0, R, 0.0);
            }
            GemmSub(R, Cols, Cols, Block.data(), R, Q.data(), Cols, A + R0, lda);
        }
    }
    // Data near the overflow threshold can overflow the scaled reflectors.
    if (!AllFinite(W, Cols, 1, Cols) || (WantU && !AllFinite(A, Rows, Cols, lda)) ||
        (V != nullptr && !AllFinite(V, Cols, Cols, ldv)))
        return TSvdStatus::NotFinite;
    return Converged ? TSvdStatus::Ok : TSvdStatus::NotConverged;
}

}  // namespace qmr::detail::mk
