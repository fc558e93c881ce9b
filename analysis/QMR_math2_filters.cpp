// Smoothing windows, Savitzky-Golay filters, windowed-sinc kernels and Chebyshev filters.
#include "analysis/QMR_math2.h"
#include "containers/QMR_container_range.h"
#include "containers/QMR_matrix.h"
#include "containers/QMR_vector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <utility>

namespace qmr {

// Rows for half-widths m = 2..12: weights 3(m² + m) - 1 - 5i², divisor
// (2m + 3)(2m + 1)(2m - 1)/3, rows 7, 13, 17 and 23 reduced by their common factor 5.
const std::int32_t GolayPoly[11][14] = {
    {35, 17, 12, -3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {21, 7, 6, 3, -2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {231, 59, 54, 39, 14, -21, 0, 0, 0, 0, 0, 0, 0, 0},
    {429, 89, 84, 69, 44, 9, -36, 0, 0, 0, 0, 0, 0, 0},
    {143, 25, 24, 21, 16, 9, 0, -11, 0, 0, 0, 0, 0, 0},
    {1105, 167, 162, 147, 122, 87, 42, -13, -78, 0, 0, 0, 0, 0},
    {323, 43, 42, 39, 34, 27, 18, 7, -6, -21, 0, 0, 0, 0},
    {2261, 269, 264, 249, 224, 189, 144, 89, 24, -51, -136, 0, 0, 0},
    {3059, 329, 324, 309, 284, 249, 204, 149, 84, 9, -76, -171, 0, 0},
    {805, 79, 78, 75, 70, 63, 54, 43, 30, 15, -2, -21, -42, 0},
    {5175, 467, 462, 447, 422, 387, 342, 287, 222, 147, 62, -33, -138, -253},
};

// Weights 3i² - m(m + 1) reduced by their common factor; divisor sum of w_i i² over both
// sides, halved, so that the result is the second derivative per sample².
const std::int32_t Golay2ndDeriv[11][14] = {
    {7, -2, -1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {42, -4, -3, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {462, -20, -17, -8, 7, 28, 0, 0, 0, 0, 0, 0, 0, 0},
    {429, -10, -9, -6, -1, 6, 15, 0, 0, 0, 0, 0, 0, 0},
    {1001, -14, -13, -10, -5, 2, 11, 22, 0, 0, 0, 0, 0, 0},
    {6188, -56, -53, -44, -29, -8, 19, 52, 91, 0, 0, 0, 0, 0},
    {3876, -24, -23, -20, -15, -8, 1, 12, 25, 40, 0, 0, 0, 0},
    {6783, -30, -29, -26, -21, -14, -5, 6, 19, 34, 51, 0, 0, 0},
    {33649, -110, -107, -98, -83, -62, -35, -2, 37, 82, 133, 190, 0, 0},
    {17710, -44, -43, -40, -35, -28, -19, -8, 5, 20, 37, 56, 77, 0},
    {26910, -52, -51, -48, -43, -36, -27, -16, -3, 12, 29, 48, 69, 92},
};

namespace {

[[noreturn]] void Raise(const char* Routine, const char* Reason) {
    throw EQMRMath2Error(std::string(Routine) + ": " + Reason);
}

// Writes Values to Dest's elements First.. (those inside it) with no per-element event,
// then fires OnChange once.
void StoreAndNotify(TVector& Dest, const TDoubleArray& Values, std::int32_t First) {
    TNotifyEvent Handler = std::exchange(Dest.OnChange, nullptr);
    Dest.CopyFromArray(Values, First);
    Dest.OnChange = std::move(Handler);
    Dest.Changed();
}

// ---------------------------------------------------------------- window routines

enum class TWindowFamily { Moving, Golay };

struct TWindowRoutine {
    const char* Name;
    TWindowFamily Family;
    const char* RangeReason;
};

constexpr const char* kMovingRange = "specified range for smoothing is smaller than the length of the smoothing windows";
constexpr const char* kPolyRange = "specified range for smoothing is smaller than the length of the polynomial";

constexpr TWindowRoutine kMovingAverage{"MovingAverageSmooth", TWindowFamily::Moving, kMovingRange};
constexpr TWindowRoutine kMovingMedian{"MovingMedianSmooth", TWindowFamily::Moving, kMovingRange};
constexpr TWindowRoutine kWeightedAverage{"WeightedAverageSmooth", TWindowFamily::Moving, kMovingRange};
constexpr TWindowRoutine kPolynomial{"PolynomialSmooth", TWindowFamily::Golay, kPolyRange};
constexpr TWindowRoutine kSecondDeriv{"SecondDeriv", TWindowFamily::Golay, kPolyRange};
constexpr TWindowRoutine kFirstDeriv{"FirstDeriv", TWindowFamily::Golay,
                                     "specified range for calculation is smaller than the length of the polynomial"};

// Checks the arguments in the documented order, reads the range and lets Compute fill
// Out[m..N - m - 1] with the window values centred on X[m..N - m - 1] (0-based over the
// range); the edges repeat the first and last computed value.
template <class F>
void RunWindow(const TWindowRoutine& R, const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx,
               TVector* DestVec, std::int32_t WinLen, F&& Compute) {
    if (SourceVec == nullptr || DestVec == nullptr) Raise(R.Name, "either SourceVec or DestVec is undefined");
    detail::ClampRange(LoIx, HiIx, SourceVec->NrOfElem());
    if (HiIx - LoIx < WinLen) Raise(R.Name, R.RangeReason);
    const bool Moving = R.Family == TWindowFamily::Moving;
    const bool OutOfRange = Moving ? WinLen <= 2 : (WinLen < 5 || WinLen > 25);
    if (OutOfRange) Raise(R.Name, Moving ? "length of smoothing window is out of range" : "length of polynomial is out of range");
    if (WinLen % 2 == 0) Raise(R.Name, Moving ? "length of smoothing window must be odd" : "length of polynomial must be odd");

    TDoubleArray X;
    SourceVec->CopyToArray(X, LoIx, HiIx);
    const std::size_t N = X.size();
    const std::size_t M = static_cast<std::size_t>(WinLen / 2);
    TDoubleArray Out(N);
    Compute(X, M, Out);
    std::fill(Out.begin(), Out.begin() + static_cast<std::ptrdiff_t>(M), Out[M]);
    std::fill(Out.end() - static_cast<std::ptrdiff_t>(M), Out.end(), Out[N - M - 1]);
    StoreAndNotify(*DestVec, Out, 1);
}

// Sums of L consecutive values, S[k] = X[k] + ... + X[k + L - 1] for k = 0..N - L, in O(N)
// whatever L: within blocks of L values a prefix and a suffix sum are kept, and every
// window is one suffix plus one prefix. Each sum adds only the window's own values, so
// accuracy is that of summing the window directly and a NaN or infinity leaves the
// result once the window has passed it.
template <class V> std::vector<Extended> WindowSums(const V& X, std::size_t L) {
    const std::size_t N = X.size();
    std::vector<Extended> Pre(N), Suf(N);
    for (std::size_t B = 0; B < N; B += L) {
        const std::size_t E = std::min(B + L, N);
        Extended S = 0;
        for (std::size_t I = B; I < E; ++I) Pre[I] = S += X[I];
        S = 0;
        for (std::size_t I = E; I-- > B;) Suf[I] = S += X[I];
    }
    std::vector<Extended> Sums(N - L + 1);
    for (std::size_t K = 0; K + L <= N; ++K) Sums[K] = K % L == 0 ? Pre[K + L - 1] : Suf[K] + Pre[K + L - 1];
    return Sums;
}

// Savitzky-Golay weights of row m - 2 applied symmetrically around every centre.
void GolaySymmetric(const std::int32_t (&Table)[11][14], const TDoubleArray& X, std::size_t M, TDoubleArray& Out) {
    const std::int32_t* W = Table[M - 2];
    for (std::size_t C = M; C + M < X.size(); ++C) {
        Extended S = static_cast<Extended>(W[1]) * X[C];
        for (std::size_t I = 1; I <= M; ++I) S += W[1 + I] * (static_cast<Extended>(X[C + I]) + X[C - I]);
        Out[C] = static_cast<double>(S / W[0]);
    }
}

// Sliding median over a sorted buffer of the window's numbers; NaNs are only counted.
void SlidingMedian(const TDoubleArray& X, std::size_t M, TDoubleArray& Out) {
    const std::size_t W = 2 * M + 1;
    TDoubleArray Win;
    Win.reserve(W);
    std::size_t NaNs = 0;
    for (std::size_t I = 0; I < W; ++I) {
        if (std::isnan(X[I])) ++NaNs;
        else Win.push_back(X[I]);
    }
    std::sort(Win.begin(), Win.end());
    for (std::size_t C = M;; ++C) {
        Out[C] = NaNs > 0 ? std::numeric_limits<double>::quiet_NaN() : Win[M];
        if (C + M + 1 >= X.size()) break;
        const double Old = X[C - M];
        const double New = X[C + M + 1];
        const bool OldNaN = std::isnan(Old), NewNaN = std::isnan(New);
        if (OldNaN) --NaNs;
        if (NewNaN) ++NaNs;
        if (OldNaN && NewNaN) continue;
        if (OldNaN) {
            Win.insert(std::upper_bound(Win.begin(), Win.end(), New), New);
            continue;
        }
        auto It = std::lower_bound(Win.begin(), Win.end(), Old);
        if (NewNaN) {
            Win.erase(It);
            continue;
        }
        // Replace Old by New, shifting the values in between by one place.
        if (New > Old) {
            for (auto Next = It + 1; Next != Win.end() && *Next < New; ++It, ++Next) *It = *Next;
        } else {
            for (; It != Win.begin() && *(It - 1) > New; --It) *It = *(It - 1);
        }
        *It = New;
    }
}

}  // namespace

void MovingAverageSmooth(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                         std::int32_t WinLen) {
    RunWindow(kMovingAverage, SourceVec, LoIx, HiIx, DestVec, WinLen,
              [](const TDoubleArray& X, std::size_t M, TDoubleArray& Out) {
                  const std::size_t W = 2 * M + 1;
                  const std::vector<Extended> Sums = WindowSums(X, W);
                  for (std::size_t K = 0; K < Sums.size(); ++K) Out[K + M] = static_cast<double>(Sums[K] / W);
              });
}

void MovingMedianSmooth(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                        std::int32_t WinLen) {
    RunWindow(kMovingMedian, SourceVec, LoIx, HiIx, DestVec, WinLen, SlidingMedian);
}

void WeightedAverageSmooth(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                           std::int32_t WinLen) {
    RunWindow(kWeightedAverage, SourceVec, LoIx, HiIx, DestVec, WinLen,
              [](const TDoubleArray& X, std::size_t M, TDoubleArray& Out) {
                  // Triangular weights m + 1 - |j| are two boxes of m + 1 values in a row.
                  const std::vector<Extended> Tri = WindowSums(WindowSums(X, M + 1), M + 1);
                  const Extended Scale = static_cast<Extended>(2 * M + 2) * static_cast<Extended>(2 * M + 2);
                  for (std::size_t K = 0; K < Tri.size(); ++K) Out[K + M] = static_cast<double>(Tri[K] * 4 / Scale);
              });
}

void PolynomialSmooth(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                      std::int32_t WinLen) {
    RunWindow(kPolynomial, SourceVec, LoIx, HiIx, DestVec, WinLen,
              [](const TDoubleArray& X, std::size_t M, TDoubleArray& Out) { GolaySymmetric(GolayPoly, X, M, Out); });
}

void SecondDeriv(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                 std::int32_t WinLen) {
    RunWindow(kSecondDeriv, SourceVec, LoIx, HiIx, DestVec, WinLen,
              [](const TDoubleArray& X, std::size_t M, TDoubleArray& Out) { GolaySymmetric(Golay2ndDeriv, X, M, Out); });
}

void FirstDeriv(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                std::int32_t WinLen) {
    RunWindow(kFirstDeriv, SourceVec, LoIx, HiIx, DestVec, WinLen,
              [](const TDoubleArray& X, std::size_t M, TDoubleArray& Out) {
                  const Extended Divisor = static_cast<Extended>(M * (M + 1) * (2 * M + 1) / 3);
                  for (std::size_t C = M; C + M < X.size(); ++C) {
                      Extended S = 0;
                      for (std::size_t J = 1; J <= M; ++J)
                          S += static_cast<Extended>(J) * (static_cast<Extended>(X[C + J]) - X[C - J]);
                      Out[C] = static_cast<double>(S / Divisor);
                  }
              });
}

// ---------------------------------------------------------------- windowed-sinc kernels

namespace {

TDoubleArray SincLowPass(std::int32_t NPts, double Cutoff, std::int32_t Window) {
    if (NPts < 1) return {};
    if (Cutoff < 0) Cutoff = 0;
    if (Cutoff > 0.5) Cutoff = 0.5;
    constexpr double Pi = std::numbers::pi;
    const double Omega = 2 * Pi * Cutoff;
    const std::int32_t Centre = NPts / 2 + 1;
    const double Span = static_cast<double>(NPts) + 1;
    TDoubleArray K(static_cast<std::size_t>(NPts));
    Extended Sum = 0;
    for (std::int32_t I = 1; I <= NPts; ++I) {
        const double D = static_cast<double>(I - Centre);
        double V = I == Centre ? Omega : std::sin(Omega * D) / D;
        const double Phase = 2 * Pi * I / Span;
        if (Window == 1) V *= 0.54 - 0.46 * std::cos(Phase);
        else if (Window == 2) V *= 0.42 - 0.5 * std::cos(Phase) + 0.08 * std::cos(2 * Phase);
        K[static_cast<std::size_t>(I - 1)] = V;
        Sum += V;
    }
    // A zero sum (cutoff 0) leaves the kernel as it is.
    if (Sum != 0)
        for (double& V : K) V = static_cast<double>(V / Sum);
    return K;
}

// Negates the kernel and adds 1 at its centre (spectral inversion).
TDoubleArray Inverted(TDoubleArray K) {
    if (K.empty()) return K;
    for (double& V : K) V = -V;
    K[K.size() / 2] += 1;  // 0-based index of the centre NPts div 2 + 1
    return K;
}

TDoubleArray SincBandStop(std::int32_t NPts, double Cutoff1, double Cutoff2, std::int32_t Window) {
    if (Cutoff2 < Cutoff1) std::swap(Cutoff1, Cutoff2);
    TDoubleArray K = SincLowPass(NPts, Cutoff1, Window);
    const TDoubleArray High = Inverted(SincLowPass(NPts, Cutoff2, Window));
    for (std::size_t I = 0; I < K.size(); ++I) K[I] += High[I];
    return K;
}

// The TVector form: resized and filled with one OnChange; untouched for an empty kernel.
void StoreKernel(const TDoubleArray& K, TVector& Kernel) {
    if (K.empty()) return;
    TNotifyEvent Handler = std::exchange(Kernel.OnChange, nullptr);
    Kernel.Resize(static_cast<std::int32_t>(K.size()));
    Kernel.CopyFromArray(K, 1);
    Kernel.OnChange = std::move(Handler);
    Kernel.Changed();
}

}  // namespace

void CalcSincLPKernel(std::int32_t NPts, double Cutoff, std::int32_t Window, TDoubleArray& Kernel) {
    Kernel = SincLowPass(NPts, Cutoff, Window);
}
void CalcSincLPKernel(std::int32_t NPts, double Cutoff, std::int32_t Window, TVector& Kernel) {
    StoreKernel(SincLowPass(NPts, Cutoff, Window), Kernel);
}
void CalcSincHPKernel(std::int32_t NPts, double Cutoff, std::int32_t Window, TDoubleArray& Kernel) {
    Kernel = Inverted(SincLowPass(NPts, Cutoff, Window));
}
void CalcSincHPKernel(std::int32_t NPts, double Cutoff, std::int32_t Window, TVector& Kernel) {
    StoreKernel(Inverted(SincLowPass(NPts, Cutoff, Window)), Kernel);
}
void CalcSincBSKernel(std::int32_t NPts, double Cutoff1, double Cutoff2, std::int32_t Window, TDoubleArray& Kernel) {
    Kernel = SincBandStop(NPts, Cutoff1, Cutoff2, Window);
}
void CalcSincBSKernel(std::int32_t NPts, double Cutoff1, double Cutoff2, std::int32_t Window, TVector& Kernel) {
    StoreKernel(SincBandStop(NPts, Cutoff1, Cutoff2, Window), Kernel);
}
void CalcSincBPKernel(std::int32_t NPts, double Cutoff1, double Cutoff2, std::int32_t Window, TDoubleArray& Kernel) {
    Kernel = Inverted(SincBandStop(NPts, Cutoff1, Cutoff2, Window));
}
void CalcSincBPKernel(std::int32_t NPts, double Cutoff1, double Cutoff2, std::int32_t Window, TVector& Kernel) {
    StoreKernel(Inverted(SincBandStop(NPts, Cutoff1, Cutoff2, Window)), Kernel);
}

void MovingKernelFilter(const TVector* SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector* DestVec,
                        const TVector* FilterKernel) {
    if (SourceVec == nullptr || DestVec == nullptr || FilterKernel == nullptr)
        Raise("MovingKernelfilter", "SourceVec, DestVec and/or FilterKernel is undefined");
    const std::int32_t Count = SourceVec->NrOfElem();
    detail::ClampRange(LoIx, HiIx, Count);
    const std::int32_t K = FilterKernel->NrOfElem();
    if (HiIx - LoIx < K) Raise("MovingKernelfilter", "specified range for smoothing is smaller than the length of the kernel");

    // The range padded with its end values, so that every tap reads Padded[b + e].
    const std::size_t Before = static_cast<std::size_t>(K / 2);
    const std::size_t After = static_cast<std::size_t>(K - 1) - Before;
    TDoubleArray Range, Taps;
    SourceVec->CopyToArray(Range, LoIx, HiIx);
    FilterKernel->CopyToArray(Taps, 1, K);
    TDoubleArray Padded(Before, Range.front());
    Padded.insert(Padded.end(), Range.begin(), Range.end());
    Padded.insert(Padded.end(), After, Range.back());

    TDoubleArray Out(Range.size());
    for (std::size_t B = 0; B < Out.size(); ++B) {
        Extended S = 0;
        for (std::size_t E = 0; E < Taps.size(); ++E) S += static_cast<Extended>(Padded[B + E]) * Taps[E];
        Out[B] = static_cast<double>(S);
    }
    DestVec->Resize(Count);
    StoreAndNotify(*DestVec, Out, 1);
}

// ---------------------------------------------------------------- Chebyshev filters

namespace {
// 23 cascade terms hold the polynomials of up to 20 poles.
constexpr std::int32_t MaxPoles = 20;
}  // namespace

void CalcChebFilterCoeffs(std::int32_t NPoles, bool HighPass, double Cutoff, double Ripple, double& A0,
                          TMatrix& Coeffs) {
    constexpr const char* Name = "CalcChebFilterCoeffs";
    if (NPoles % 2 != 0) Raise(Name, "NPoles must be even");
    if (NPoles > MaxPoles) Raise(Name, "NPoles out of range");
    if (!(Ripple >= 0 && Ripple <= 29)) Raise(Name, "invalid Ripple value");
    // Cutoff 0 divides by zero below, 0.5 puts the poles on the unit circle.
    if (!(Cutoff > 0 && Cutoff < 0.5)) Raise(Name, "invalid cutoff frequency");

    constexpr double Pi = std::numbers::pi;
    std::array<double, 23> A{}, B{};
    A[2] = 1;
    B[2] = 1;
    for (std::int32_t P = 1; P <= NPoles / 2; ++P) {
        // Pole of the analog prototype, on the unit circle, warped to an ellipse for ripple.
        const double Phi = Pi / (2.0 * NPoles) + (P - 1) * Pi / NPoles;
        double Rp = -std::cos(Phi);
        double Ip = std::sin(Phi);
        if (Ripple != 0) {
            const double Q = 100 / (100 - Ripple);
            const double Es = std::sqrt(Q * Q - 1);
            const double Vx = std::log(1 / Es + std::sqrt(1 / (Es * Es) + 1)) / NPoles;
            const double Kx = std::cosh(std::log(1 / Es + std::sqrt(1 / (Es * Es) - 1)) / NPoles);
            Rp = Rp * std::sinh(Vx) / Kx;
            Ip = Ip * std::cosh(Vx) / Kx;
        }
        // Bilinear transform of the pole pair.
        const double T = 2 * std::tan(0.5);
        const double M = Rp * Rp + Ip * Ip;
        const double D = 4 - 4 * Rp * T + M * T * T;
        const double X0 = T * T / D, X1 = 2 * T * T / D, X2 = X0;
        const double Y1 = (8 - 2 * M * T * T) / D;
        const double Y2 = (-4 - 4 * Rp * T - M * T * T) / D;
        // Low-pass to low-pass or high-pass transform to the cutoff.
        const double W = 2 * Pi * Cutoff;
        const double K = HighPass ? -std::cos(W / 2 + 0.5) / std::cos(W / 2 - 0.5) : std::sin(0.5 - W / 2) / std::sin(0.5 + W / 2);
        const double Dk = 1 + Y1 * K - Y2 * K * K;
        const double S0 = (X0 - X1 * K + X2 * K * K) / Dk;
        double S1 = (-2 * X0 * K + X1 + X1 * K * K - 2 * X2 * K) / Dk;
        const double S2 = (X0 * K * K - X1 * K + X2) / Dk;
        double R1 = (2 * K + Y1 + Y1 * K * K - 2 * Y2 * K) / Dk;
        const double R2 = (-K * K - Y1 * K + Y2) / Dk;
        if (HighPass) {
            S1 = -S1;
            R1 = -R1;
        }
        // Cascade the stage into the polynomials.
        const std::array<double, 23> TA = A, TB = B;
        for (std::size_t I = 2; I < A.size(); ++I) {
            A[I] = S0 * TA[I] + S1 * TA[I - 1] + S2 * TA[I - 2];
            B[I] = TB[I] - R1 * TB[I - 1] - R2 * TB[I - 2];
        }
    }
    B[2] = 0;
    for (std::size_t I = 0; I <= 20; ++I) {
        A[I] = A[I + 2];
        B[I] = -B[I + 2];
    }
    // Unit gain at zero frequency (low-pass) or at the Nyquist frequency (high-pass).
    double SA = 0, SB = 0;
    for (std::size_t I = 0; I <= 20; ++I) {
        const double Sign = HighPass && I % 2 == 1 ? -1.0 : 1.0;
        SA += A[I] * Sign;
        SB += B[I] * Sign;
    }
    const double Gain = SA / (1 - SB);
    for (std::size_t I = 0; I <= 20; ++I) A[I] /= Gain;

    const std::int32_t Rows = std::max(NPoles, 0);
    Coeffs.Resize(2, Rows);
    for (std::int32_t R = 1; R <= Rows; ++R) {
        Coeffs.SetElem(1, R, A[static_cast<std::size_t>(R)]);
        Coeffs.SetElem(2, R, B[static_cast<std::size_t>(R)]);
    }
    A0 = A[0];
}

namespace {

// The forward pass y from the input x and the backward pass z from y over samples
// NP..NP + Len - 1 (NP zeros on either side); z replaces x, which the backward pass no
// longer needs. Order > 0 fixes the filter order at compile time so that the coefficient
// loop unrolls; 0 takes it from NP.
template <std::size_t Order>
void RecursivePasses(std::size_t NP, double A0, const double* Ca, const double* Cb, std::size_t Len, TDoubleArray& X,
                     TDoubleArray& Y) {
    const std::size_t N = Order > 0 ? Order : NP;
    for (std::size_t T = N; T < N + Len; ++T) {
        double S = A0 * X[T];
        for (std::size_t R = 1; R <= N; ++R) S += Ca[R] * X[T - R] + Cb[R] * Y[T - R];
        Y[T] = S;
    }
    double* Z = X.data();
    for (std::size_t T = N + Len; T-- > N;) {
        double S = A0 * Y[T];
        for (std::size_t R = 1; R <= N; ++R) S += Ca[R] * Y[T + R] + Cb[R] * Z[T + R];
        Z[T] = S;
    }
}

// RecursivePasses with the order fixed for the designable orders 2, 4, ..., 20.
template <std::size_t... Half>
void ZeroPhasePasses(std::size_t NP, double A0, const double* Ca, const double* Cb, std::size_t Len, TDoubleArray& X,
                     TDoubleArray& Y, std::index_sequence<Half...>) {
    const bool Fixed =
        ((NP == 2 * (Half + 1) && (RecursivePasses<2 * (Half + 1)>(NP, A0, Ca, Cb, Len, X, Y), true)) || ...);
    if (!Fixed) RecursivePasses<0>(NP, A0, Ca, Cb, Len, X, Y);
}

}  // namespace

void ChebychevFilter(const TVector& SourceVec, std::int32_t LoIx, std::int32_t HiIx, TVector& DestVec, double A0,
                     const TMatrix& Coeffs) {
    const std::int64_t First = std::max<std::int64_t>(LoIx, 1);
    if (HiIx < First) return;
    const std::size_t NP = static_cast<std::size_t>(std::max(Coeffs.NrOfRows(), 0));
    TDoubleArray Ca(NP + 1), Cb(NP + 1);
    for (std::size_t R = 1; R <= NP; ++R) {
        Ca[R] = static_cast<double>(Coeffs.Elem(1, static_cast<std::int32_t>(R)));
        Cb[R] = static_cast<double>(Coeffs.Elem(2, static_cast<std::int32_t>(R)));
    }
    // Samples 1..Len of both passes; the input is the source delayed by P = NP + 1.
    const std::size_t P = NP + 1;
    const std::size_t Len = static_cast<std::size_t>(HiIx) + 2 * P;
    // Index NP + i - 1 holds sample i, with NP zeros before sample 1 and after sample Len.
    TDoubleArray X(Len + 2 * NP, 0.0), Y(Len + 2 * NP, 0.0);
    const std::int64_t LastSrc =
        std::min<std::int64_t>(SourceVec.NrOfElem(), static_cast<std::int64_t>(HiIx) + static_cast<std::int64_t>(P));
    for (std::int64_t J = 1; J <= LastSrc; ++J)
        X[NP + static_cast<std::size_t>(J) + P - 1] = static_cast<double>(SourceVec.Elem(static_cast<std::int32_t>(J)));
    ZeroPhasePasses(NP, A0, Ca.data(), Cb.data(), Len, X, Y, std::make_index_sequence<MaxPoles / 2>());
    // DestVec[i] := z[i + P], i = First..HiIx.
    TDoubleArray& Out = X;
    Out.erase(Out.begin(), Out.begin() + static_cast<std::ptrdiff_t>(NP + static_cast<std::size_t>(First) + P - 1));
    Out.resize(static_cast<std::size_t>(HiIx - First + 1));
    StoreAndNotify(DestVec, Out, static_cast<std::int32_t>(First));
}

}  // namespace qmr
