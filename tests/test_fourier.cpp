// TFastFourier: transform against long-double references, accuracy against the plain
// radix-2 transform, vector paths, windows, spectrum reads, extremes, sizes and messages.
#include "qmr_test_support.h"

#include "analysis/QMR_fourier_kernels.h"

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using qmr::TFastFourier;
using qmr::TFastFourierWgtWin;
using LD = long double;
using Vals = std::vector<double>;  // 2N doubles, interleaved (re, im)
using LVals = std::vector<LD>;

constexpr LD kPi = 3.141592653589793238462643383279502884L;
using qmr::test::Inf;
using qmr::test::NaN;

Vals RandomSignal(std::size_t N, unsigned Seed) {
    std::mt19937_64 Gen(Seed);
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    Vals X(2 * N);
    for (double& V : X) V = U(Gen);
    return X;
}

// Writes the values of X (F holds X.size() / 2 values).
void Fill(TFastFourier& F, const Vals& X) {
    for (std::int32_t i = 1; i <= F.SpectrumSize(); ++i) {
        F.SetRealSpec(i, X[2 * i - 2]);
        F.SetImagSpec(i, X[2 * i - 1]);
    }
}

void Load(TFastFourier& F, const Vals& X) {
    F.SetSpectrumSize(static_cast<std::int32_t>(X.size() / 2));
    Fill(F, X);
}

Vals Read(const TFastFourier& F) {
    Vals X(2 * static_cast<std::size_t>(F.SpectrumSize()));
    for (std::int32_t i = 1; i <= F.SpectrumSize(); ++i) {
        X[2 * i - 2] = F.RealSpec(i);
        X[2 * i - 1] = F.ImagSpec(i);
    }
    return X;
}

Vals Apply(TFastFourier& F, const Vals& X, int Sign) {
    Load(F, X);
    if (Sign > 0) F.Transform();
    else F.InverseTransform();
    return Read(F);
}

// Direct sum Σ x[n] e^(Sign 2πi nk/N) in long double (scaled by 1/N for Sign < 0), angles
// reduced exactly (nk mod N).
LVals DirectDFT(const LVals& X, int Sign) {
    const std::size_t N = X.size() / 2;
    LVals C(N), S(N), Y(2 * N);
    for (std::size_t j = 0; j < N; ++j) {
        C[j] = std::cos(2 * kPi * j / N);
        S[j] = Sign * std::sin(2 * kPi * j / N);
    }
    for (std::size_t k = 0; k < N; ++k) {
        LD R = 0, I = 0;
        for (std::size_t n = 0, j = 0; n < N; ++n, j = (j + k) % N) {
            R += X[2 * n] * C[j] - X[2 * n + 1] * S[j];
            I += X[2 * n] * S[j] + X[2 * n + 1] * C[j];
        }
        Y[2 * k] = Sign > 0 ? R : R / N;
        Y[2 * k + 1] = Sign > 0 ? I : I / N;
    }
    return Y;
}

// Puts the complex values of D into bit-reversed order.
template <class T> void BitReverse(std::vector<T>& D) {
    const std::size_t N = D.size() / 2;
    for (std::size_t i = 0, j = 0; i < N; ++i) {
        if (j > i) std::swap(D[2 * i], D[2 * j]), std::swap(D[2 * i + 1], D[2 * j + 1]);
        std::size_t m = N / 2;
        while (m >= 1 && j >= m) j -= m, m /= 2;
        j += m;
    }
}

// Radix-2 transform in long double with exactly computed factors (reference above 2^12).
LVals LongFFT(LVals D, int Sign) {
    const std::size_t N = D.size() / 2;
    BitReverse(D);
    for (std::size_t H = 1; H < N; H *= 2)
        for (std::size_t k = 0; k < H; ++k) {
            const LD Wr = std::cos(kPi * k / H), Wi = Sign * std::sin(kPi * k / H);
            for (std::size_t a = k; a < N; a += 2 * H) {
                const std::size_t b = a + H;
                const LD Tr = Wr * D[2 * b] - Wi * D[2 * b + 1], Ti = Wr * D[2 * b + 1] + Wi * D[2 * b];
                D[2 * b] = D[2 * a] - Tr, D[2 * b + 1] = D[2 * a + 1] - Ti;
                D[2 * a] += Tr, D[2 * a + 1] += Ti;
            }
        }
    if (Sign < 0)
        for (LD& V : D) V /= N;
    return D;
}

LVals Reference(const Vals& X, int Sign) {
    const LVals L(X.begin(), X.end());
    return X.size() / 2 <= 4096 ? DirectDFT(L, Sign) : LongFFT(L, Sign);
}

// The yardstick: the in-place radix-2 transform with the twiddle recurrence, as specified
// (m the butterfly span in doubles, θ = isign 2π/m, w <- w + w (wpr + i wpi)), its values
// stored in double; each product t is formed in long double and rounded once to double,
// as x87 code evaluates it (the stricter of the two double readings).
Vals PlainRadix2(Vals D, int ISign) {
    const std::size_t NN = D.size() / 2, n = D.size();
    BitReverse(D);
    for (std::size_t MMax = 2; n > MMax; MMax *= 2) {
        const double Theta = ISign * (2 * 3.141592653589793 / static_cast<double>(MMax));
        const double WTemp = std::sin(0.5 * Theta);
        const double Wpr = -2.0 * WTemp * WTemp, Wpi = std::sin(Theta);
        double Wr = 1.0, Wi = 0.0;
        for (std::size_t m = 1; m < MMax; m += 2) {
            for (std::size_t i = m - 1; i < n; i += 2 * MMax) {
                const std::size_t j = i + MMax;
                const double Tr = static_cast<double>(LD(Wr) * D[j] - LD(Wi) * D[j + 1]);
                const double Ti = static_cast<double>(LD(Wr) * D[j + 1] + LD(Wi) * D[j]);
                D[j] = D[i] - Tr, D[j + 1] = D[i + 1] - Ti;
                D[i] += Tr, D[i + 1] += Ti;
            }
            const double T = Wr;
            Wr = static_cast<double>(LD(Wr) * Wpr - LD(Wi) * Wpi + Wr);
            Wi = static_cast<double>(LD(Wi) * Wpr + LD(T) * Wpi + Wi);
        }
    }
    if (ISign < 0)
        for (double& V : D) V /= static_cast<double>(NN);
    return D;
}

// Σ|y - ref|² and Σ|ref|² accumulated over several signals.
struct TError {
    LD Err = 0, Norm = 0;
    void Add(const Vals& Y, const LVals& Ref) {
        for (std::size_t i = 0; i < Y.size(); ++i) Err += (Y[i] - Ref[i]) * (Y[i] - Ref[i]), Norm += Ref[i] * Ref[i];
    }
    double Rel() const { return static_cast<double>(std::sqrt(Err / Norm)); }
};

// ---------------------------------------------------------------- transform values

// Relative RMS error over random signals against the long-double reference (direct sum up
// to 4096 values), both directions, for every length up to 2^20, next to that of the
// yardstick; prints the table.
TEST(FourierTransform, AtLeastAsAccurateAsThePlainRadix2) {
    TFastFourier F(nullptr);
    std::printf("  n  dir   library    plain radix-2  ratio\n");
    for (int n = 0; n <= 20; ++n) {
        const std::size_t N = std::size_t{1} << n;
        const int Trials = n <= 10 ? 16 : n <= 14 ? 3 : 1;
        for (int Sign : {1, -1}) {
            TError Ours, Plain;
            for (int t = 0; t < Trials; ++t) {
                const Vals X = RandomSignal(N, 1000 * n + 10 * t + (Sign > 0));
                const LVals Ref = Reference(X, Sign);
                Ours.Add(Apply(F, X, Sign), Ref);
                Plain.Add(PlainRadix2(X, Sign), Ref);
            }
            EXPECT_LT(Ours.Rel(), 4e-16) << "n " << n << " sign " << Sign;
            if (n < 4) continue;  // both exact or nearly so below 16 values
            std::printf(" %2d  %s  %.3e  %.3e      %.2f\n", n, Sign > 0 ? "fwd" : "inv", Ours.Rel(), Plain.Rel(),
                        Ours.Rel() / Plain.Rel());
            EXPECT_LE(Ours.Rel(), Plain.Rel()) << "n " << n << " sign " << Sign;
        }
    }
}

// Every vector path the processor has gives the bits of the plain SSE2 path, on the
// lengths that reach each kind of sweep (odd and even stage counts, tiles, two groups).
TEST(FourierTransform, VectorPathsAgreeBitForBit) {
    namespace fft = qmr::detail::fft;
    const int Saved = fft::ActivePath();
    TFastFourier F(nullptr);
    for (int n : {6, 7, 12, 13, 15, 21}) {
        const Vals X = RandomSignal(std::size_t{1} << n, 7 + n);
        // the window is applied by code all paths share; one length checks it
        for (TFastFourierWgtWin W : {TFastFourierWgtWin::fwRectangle, TFastFourierWgtWin::fwHamming}) {
            if (W != TFastFourierWgtWin::fwRectangle && n != 13) continue;
            F.SetWeightingWindow(W);
            fft::ForcePath(0);
            const Vals Fwd0 = Apply(F, X, 1), Inv0 = Apply(F, X, -1);
            for (int Path = 1; Path <= 2; ++Path) {
                fft::ForcePath(Path);
                if (fft::ActivePath() != Path) continue;
                EXPECT_EQ(Apply(F, X, 1), Fwd0) << "n " << n << " path " << Path;
                EXPECT_EQ(Apply(F, X, -1), Inv0) << "n " << n << " path " << Path;
            }
        }
    }
    fft::ForcePath(Saved);
}

// Transform and back restores the signal, also while a second object of another length
// transforms in between (each object keeps its own tables).
TEST(FourierTransform, RoundTripRestoresTheSignal) {
    TFastFourier F(nullptr), Other(nullptr);
    for (int n : {0, 1, 3, 5, 6, 9, 14, 17}) {
        const Vals X = RandomSignal(std::size_t{1} << n, 55 + n);
        Load(F, X);
        F.Transform();
        Load(Other, RandomSignal(std::size_t{1} << (n + 3), 1));
        Other.Transform();
        F.InverseTransform();
        const Vals Y = Read(F);
        for (std::size_t i = 0; i < X.size(); ++i) ASSERT_NEAR(Y[i], X[i], 1e-14) << "n " << n << " at " << i;
    }
}

// ---------------------------------------------------------------- windows

// Weight of value i (1-based) of length N, from the window formulas.
LD WindowWeight(TFastFourierWgtWin W, std::size_t i, std::size_t N, const Vals& User) {
    const LD x = (LD(i) - LD(N) / 2) / LD(N), c1 = std::cos(2 * kPi * x), c2 = std::cos(4 * kPi * x),
             c3 = std::cos(6 * kPi * x);
    switch (W) {
    case TFastFourierWgtWin::fwRectangle: return 1;
    case TFastFourierWgtWin::fwTriangle: {
        if (N == 1) return 1;
        const std::size_t b = i <= N / 2 ? i : N + 1 - i;
        return 2 * LD(b) / LD(N);
    }
    case TFastFourierWgtWin::fwCos2: return std::cos(kPi * x) * std::cos(kPi * x);
    case TFastFourierWgtWin::fwGauss: return std::exp(-0.5L * (6 * x) * (6 * x));
    case TFastFourierWgtWin::fwHamming: return 0.543478261L + 0.456521739L * c1;
    case TFastFourierWgtWin::fwBlackman: return 0.42659L + 0.49656L * c1 + 0.076848L * c2;
    case TFastFourierWgtWin::fwBlkmHarris: return 0.35875L + 0.48829L * c1 + 0.14128L * c2 + 0.01168L * c3;
    case TFastFourierWgtWin::fwBlkmNuttall: return 0.3635819L + 0.4891775L * c1 + 0.1365995L * c2 + 0.0106411L * c3;
    case TFastFourierWgtWin::fwUserDef: return User[i - 1];
    }
    return 0;
}

TEST(FourierWindows, EveryWindowWeightsBothPartsBeforeTheForwardTransform) {
    TFastFourier F(nullptr);
    for (std::size_t N : {1, 2, 16, 1024}) {
        const Vals X = RandomSignal(N, 3 + static_cast<unsigned>(N)), U = RandomSignal(N, 99);
        F.SetSpectrumSize(static_cast<std::int32_t>(N));  // one size: every window on the same tables
        for (int w = 0; w <= 8; ++w) {
            const auto W = static_cast<TFastFourierWgtWin>(w);
            Fill(F, X);
            for (std::size_t i = 1; i <= N; ++i) F.SetWgtFunction(static_cast<std::int32_t>(i), U[i - 1]);
            F.SetWeightingWindow(W);
            F.Transform();
            LVals Wx(X.begin(), X.end());
            for (std::size_t i = 1; i <= N; ++i) {
                const LD Wt = WindowWeight(W, i, N, U);
                Wx[2 * i - 2] *= Wt, Wx[2 * i - 1] *= Wt;
            }
            // errors on the scale of the unweighted signal: near x = 1/2 some windows
            // almost vanish, and there the weight itself is only good to about 1e-16
            TError E;
            E.Add(Read(F), DirectDFT(Wx, 1));
            E.Norm = 0;
            for (double V : X) E.Norm += LD(N) * V * V;
            EXPECT_LT(E.Rel(), 4e-16) << "window " << w << " N " << N;
            // the inverse applies no window
            F.InverseTransform();
            for (std::size_t i = 1; i <= N; ++i)
                ASSERT_NEAR(F.RealSpec(static_cast<std::int32_t>(i)), static_cast<double>(Wx[2 * i - 2]), 1e-14);
        }
    }
}

// ---------------------------------------------------------------- spectrum reads

// Pure tones of amplitude A at line k read back through the line properties.
TEST(FourierSpectrum, PureTonesReadBackTheirAmplitudeAndPhase) {
    TFastFourier F(nullptr);
    const int N = 64;
    const double A = 1.75;
    F.SetSpectrumSize(N);
    struct Case {
        int k;
        double Phi;  // x[n] = A cos(2πkn/N + Phi)
    };
    for (Case C : {Case{5, 0.0}, Case{5, -kPi / 2}, Case{11, 0.3}, Case{1, -0.7}}) {
        for (int i = 1; i <= N; ++i) F.SetRealSpec(i, A * std::cos(2 * kPi * C.k * (i - 1) / N + C.Phi));
        F.ClearImag();
        F.Transform();
        // X[k] = A N/2 e^(-i Phi): magnitude A, cosine A cos Phi, sine -(-A sin Phi) ...
        EXPECT_NEAR(F.Magnitude(C.k), A, 1e-13);
        EXPECT_NEAR(F.FourSerCosCoeff(C.k), A * std::cos(C.Phi), 1e-13);
        EXPECT_NEAR(F.FourSerSinCoeff(C.k), -A * std::sin(C.Phi), 1e-13);
        EXPECT_NEAR(F.PowerSpec(C.k), A * A * N / 2, 1e-10);
        EXPECT_NEAR(F.Magnitude(C.k + 1), 0.0, 1e-13);
        if (std::abs(C.Phi) < 1.5) {
            EXPECT_NEAR(F.Phase(C.k), -C.Phi, 1e-13);
        }
        EXPECT_NEAR(F.RMS(0, N / 2), A / std::sqrt(2.0), 1e-13);
    }
}

// Line 0 and the Nyquist line N/2 count their single value once.
TEST(FourierSpectrum, DcAndNyquistLinesCountTheirValueOnce) {
    TFastFourier F(nullptr);
    F.SetSpectrumSize(8);
    for (int i = 1; i <= 8; ++i) F.SetRealSpec(i, 1.0);
    F.Transform();
    EXPECT_EQ(F.RealSpec(1), 8.0);
    for (int i = 2; i <= 8; ++i) EXPECT_EQ(F.RealSpec(i), 0.0) << i;
    EXPECT_EQ(F.PowerSpec(0), 8.0);
    EXPECT_EQ(F.FourSerCosCoeff(0), 1.0);
    EXPECT_EQ(F.Magnitude(0), 1.0);

    for (int i = 1; i <= 8; ++i) F.SetRealSpec(i, (i % 2 == 1 ? 3.0 : -3.0));  // 3 cos(πn)
    F.ClearImag();
    F.Transform();
    EXPECT_EQ(F.Magnitude(4), 3.0);
    EXPECT_EQ(F.FourSerCosCoeff(4), 3.0);
    EXPECT_EQ(F.FourSerSinCoeff(4), 0.0);
    EXPECT_EQ(F.PowerSpec(4), 72.0);       // |24|² / 8
    EXPECT_EQ(F.MagniMax(), 3.0);
    EXPECT_EQ(F.RMS(4, 4), 3.0);           // Parseval: the signal's RMS
    EXPECT_EQ(F.RMS(0, 4), 3.0);
}

TEST(FourierSpectrum, RmsOverAllLinesIsTheSignalRms) {
    TFastFourier F(nullptr);
    for (int n : {0, 1, 2, 10}) {
        const Vals X = RandomSignal(std::size_t{1} << n, 31 + n);
        LD S = 0;
        for (double V : X) S += LD(V) * V;
        Load(F, X);
        F.Transform();
        const std::int32_t H = F.SpectrumSize() / 2;
        EXPECT_NEAR(double(F.RMS(0, H)), double(std::sqrt(S / (X.size() / 2))), 1e-14) << n;
        EXPECT_EQ(F.RMS(H, 0), F.RMS(0, H));
        EXPECT_EQ(F.RMS(-5, 1 << 20), F.RMS(0, H));
        if (H >= 5) {
            EXPECT_EQ(F.RMS(5, 2), F.RMS(2, 5));
        }
    }
}

TEST(FourierSpectrum, PhaseAndReadsOutsideTheirRanges) {
    TFastFourier F(nullptr);
    F.SetSpectrumSize(8);
    F.SetImagSpec(2, 2.0);                        // line 1: re 0, im > 0
    F.SetImagSpec(3, -2.0);                       // line 2: re 0, im < 0
    F.SetRealSpec(4, -1.0), F.SetImagSpec(4, 1);  // line 3
    EXPECT_DOUBLE_EQ(F.Phase(1), kPi / 2);
    EXPECT_DOUBLE_EQ(F.Phase(2), -kPi / 2);
    EXPECT_DOUBLE_EQ(F.Phase(3), -kPi / 4);
    EXPECT_DOUBLE_EQ(F.Phase(4), -kPi / 2);  // zero value
    EXPECT_EQ(F.Phase(0) + F.Phase(5) + F.FourSerSinCoeff(0), 0.0);
    for (int i = 1; i <= 8; ++i) F.SetRealSpec(i, i), F.SetImagSpec(i, -i);
    for (int Ix : {0, 9, -1}) {
        F.SetRealSpec(Ix, 5), F.SetImagSpec(Ix, 5), F.SetWgtFunction(Ix, 5);
        EXPECT_EQ(F.RealSpec(Ix) + F.ImagSpec(Ix) + F.WgtFunction(Ix), 0.0) << Ix;
    }
    for (int k : {-1, 5}) EXPECT_EQ(F.PowerSpec(k) + F.Magnitude(k) + F.FourSerCosCoeff(k) + F.FourSerSinCoeff(k), 0.0);
    EXPECT_EQ(Read(F), (Vals{1, -1, 2, -2, 3, -3, 4, -4, 5, -5, 6, -6, 7, -7, 8, -8}));
}

// ---------------------------------------------------------------- extremes

TEST(FourierExtremes, MatchABruteForceScanAndFollowEveryChange) {
    TFastFourier F(nullptr);
    const Vals X = RandomSignal(64, 17);
    Load(F, X);
    F.Transform();
    const Vals Y = Read(F);
    double MaxP = 0, MaxM = 0, MaxR = -1e300, MinI = 1e300;
    for (int k = 1; k <= 32; ++k) {
        const std::complex<double> A(Y[2 * k], Y[2 * k + 1]), B(Y[2 * (64 - k)], Y[2 * (64 - k) + 1]);
        if (k < 32) MaxP = std::max(MaxP, (std::norm(A) + std::norm(B)) / 64);
        MaxM = std::max(MaxM, (k < 32 ? std::abs(A + std::conj(B)) : std::abs(A)) / 64);
    }
    for (int i = 0; i < 64; ++i) MaxR = std::max(MaxR, Y[2 * i]), MinI = std::min(MinI, Y[2 * i + 1]);
    EXPECT_DOUBLE_EQ(F.PowerMax(), MaxP);
    EXPECT_DOUBLE_EQ(F.MagniMax(), MaxM);
    EXPECT_EQ(F.RealMax(), MaxR);
    EXPECT_EQ(F.ImagMin(), MinI);
    // writes, clears, transforms and size changes each refresh the cache
    F.SetRealSpec(3, 1e6);
    EXPECT_EQ(F.RealMax(), 1e6);
    F.SetImagSpec(4, -1e6);
    EXPECT_EQ(F.ImagMin(), -1e6);
    F.ClearReal();
    EXPECT_EQ(std::pair(F.RealMax(), F.ImagMin()), std::pair(0.0, -1e6));
    F.ClearImag();
    EXPECT_EQ(F.ImagMin(), 0.0);
    F.SetRealSpec(1, 2.0);
    F.Transform();
    EXPECT_EQ(F.RealMin(), 2.0);
    F.Clear();
    EXPECT_EQ(F.RealMax(), 0.0);
    F.SetRealSpec(1, -4.0);
    EXPECT_EQ(F.RealMin(), -4.0);
    F.SetSpectrumSize(1);
    EXPECT_EQ(F.RealMin(), 0.0);
    // no power or magnitude lines at N = 1, only the Nyquist magnitude at N = 2
    F.SetRealSpec(1, 5.0);
    EXPECT_EQ(F.PowerMax() + F.MagniMax(), 0.0);
    F.SetSpectrumSize(2);
    F.SetRealSpec(1, 1.0), F.SetRealSpec(2, -1.0);
    F.Transform();  // X = (0, 2)
    EXPECT_EQ(F.PowerMax(), 0.0);
    EXPECT_EQ(F.MagniMax(), 1.0);
}

// ---------------------------------------------------------------- lines and frequencies

TEST(FourierLines, FrequencyAndLineConversions) {
    TFastFourier F(nullptr);
    F.SetSpectrumSize(16);
    struct Case {
        double Freq, T;
        std::int32_t Line;
    };
    for (Case C : {Case{2.5 / 16, 1, 2}, Case{3.5 / 16, 1, 4}, Case{0.5, 1, 8}, Case{0.53, 1, 8}, Case{0.6, 1, 0}, Case{-0.2, 1, 0},
                   Case{0.01, 1, 0}, Case{NaN, 1, 0}, Case{Inf, 1, 0}, Case{1e300, 1e300, 0}, Case{-Inf, 1, 0},
                   Case{1.0, 0.125, 2}})
        EXPECT_EQ(F.LineOfFreq(C.Freq, C.T), C.Line) << C.Freq << " " << C.T;
    EXPECT_EQ(F.FreqOfLine(0, 0.5), 0);
    EXPECT_EQ(F.FreqOfLine(9, 0.5), 0);
    EXPECT_DOUBLE_EQ(double(F.FreqOfLine(8, 0.5)), 1.0);
    EXPECT_DOUBLE_EQ(double(F.FreqOfLine(3, 0.001)), 3 / 0.001 / 16);
}

// ---------------------------------------------------------------- sizes, weights, messages

TEST(FourierSize, OnlyPowersOfTwoUpTo2Pow23AreAccepted) {
    TFastFourier F(nullptr);
    F.SetName("FFT");
    F.SetSpectrumSize(4);
    F.SetRealSpec(2, 7.0);
    for (std::int32_t N : {0, -1, 3, 48, 1000, 1 << 24, (1 << 24) + 1, (1 << 24) + (1 << 23),
                           static_cast<std::int32_t>(0x80000004u), std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_EQ(qmr::test::RaisedMessage<qmr::EQMRFourierError>([&] { F.SetSpectrumSize(N); }),
                  "Component \"FFT\": data length must be power of 2")
            << N;
        EXPECT_EQ(F.SpectrumSize(), 4);
        EXPECT_EQ(F.RealSpec(2), 7.0);
    }
    F.SetSpectrumSize(1 << 23);
    EXPECT_EQ(F.SpectrumSize(), 1 << 23);
    F.SetRealSpec(1 << 23, 1.0);
    F.Transform();  // a delta at the last value: |X[k]| = 1 everywhere
    EXPECT_NEAR(F.Magnitude(12345), 2.0 / (1 << 23), 1e-20);
    EXPECT_EQ(F.RealSpec(1), 1.0);
}

TEST(FourierSize, ResizingZeroesValuesAndUserWeights) {
    TFastFourier F(nullptr);
    EXPECT_EQ(F.SpectrumSize(), 256);
    EXPECT_EQ(F.WgtFunction(1), 1.0);
    EXPECT_EQ(F.WgtFunction(256), 1.0);
    EXPECT_EQ(F.WeightingWindow(), TFastFourierWgtWin::fwRectangle);
    F.SetRealSpec(1, 3.0);
    F.SetSpectrumSize(256);  // same size: still re-dimensioned
    EXPECT_EQ(F.RealSpec(1), 0.0);
    EXPECT_EQ(F.WgtFunction(1), 0.0);
    // fwUserDef after a size change: zero spectrum until weights are written
    for (int i = 1; i <= 256; ++i) F.SetRealSpec(i, 1.0);
    F.SetWeightingWindow(TFastFourierWgtWin::fwUserDef);
    F.Transform();
    EXPECT_EQ(F.RealMax(), 0.0);
    EXPECT_EQ(F.RealMin(), 0.0);
}

}  // namespace
