// Core of the fast Fourier transform.
//
// Order of work (decimation in time, N = 2^n, stage s combines values 2^(s-1) apart):
//   1. Bit reversal in place, by exchanging 8 x 8 tiles of values (one row of a tile is
//      eight neighbours, the eight rows are N/8 apart). While a row is in registers it goes
//      through stages 1 to 3, whose factors are 1, ±i and the two of π/4; forward weights
//      are applied as the values are read.
//   2. Stages 4..b within blocks of B = 2^b values (the whole signal up to 2^kSmallLog2
//      values, blocks of 2^kBlockLog2 beyond), two stages per sweep (radix 2^2), with the
//      block held in a scratch in split form (real parts together, imaginary parts
//      together) so that neighbouring butterflies fill the vector lanes. The first sweep
//      reads the signal, the last one writes it back.
//   3. Beyond that, the remaining stages in groups of at most kGroupBits: a group that
//      spans stages s0 + 1..s1 only combines values whose indices differ in bits
//      s0..s1 - 1, so it runs tile by tile, a tile being the 2^(s1-s0) rows of eight
//      neighbouring columns (two cache lines per row), gathered into the scratch.
//
// Every value meets exactly the butterflies of the stage-by-stage radix-2 transform, in
// the same order and with the same operands: factors 1 and ±i (stages 1 to 3) are applied
// exactly, every other factor is the tabled one and multiplies as
// t = w * b: re = wr*br - wi*bi, im = wr*bi + wi*br. The vector paths (SSE2, AVX, AVX-512)
// do per lane what the plain code does, with no fused multiply-add, so all give the same
// bits.
#include "analysis/QMR_fourier_kernels.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <utility>

// The vector helpers below pass wide vectors by value between always-inlined functions
// of one path; the ABI note GCC attaches to that concerns calls that never happen.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wpsabi"
#elif defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace qmr::detail::fft {

namespace {

#if defined(__GNUC__)
#define QMR_FFT_INLINE inline __attribute__((always_inline))
#else
#define QMR_FFT_INLINE inline
#endif

// Up to 2^kSmallLog2 values one block holds the whole signal.
constexpr int kSmallLog2 = 12;
// Block length of step 2 beyond that.
constexpr int kBlockLog2 = 12;
// Most stages of one later group (a tile of 256 rows x 8 columns).
constexpr int kGroupBits = 8;
// Columns of a tile of a later group.
constexpr std::size_t kCols = 8;
// Below 2^kMinVectorLog2 values the transform runs as plain scalar stages.
constexpr int kMinVectorLog2 = 6;
// Scratch size in complex values.
constexpr std::size_t kWorkComplex = std::size_t{1} << 12;
static_assert((kCols << kGroupBits) <= kWorkComplex && (std::size_t{1} << kSmallLog2) <= kWorkComplex &&
                  (std::size_t{1} << kBlockLog2) <= kWorkComplex,
              "blocks and tiles fit the scratch");

typedef double V2 __attribute__((vector_size(16)));
typedef double V4 __attribute__((vector_size(32)));
typedef double V8 __attribute__((vector_size(64)));
typedef long long V2i __attribute__((vector_size(16)));
typedef long long V4i __attribute__((vector_size(32)));
typedef long long V8i __attribute__((vector_size(64)));

template <class V> QMR_FFT_INLINE V Load(const double* P) {
    V X;
    std::memcpy(&X, P, sizeof X);
    return X;
}
template <class V> QMR_FFT_INLINE void Store(double* P, V X) { std::memcpy(P, &X, sizeof X); }

#if defined(__clang__)
#define QMR_SHUFFLE2(A, B, ...) __builtin_shufflevector(A, B, __VA_ARGS__)
#define QMR_SHUFFLE4(A, B, ...) __builtin_shufflevector(A, B, __VA_ARGS__)
#define QMR_SHUFFLE8(A, B, ...) __builtin_shufflevector(A, B, __VA_ARGS__)
#else
#define QMR_SHUFFLE2(A, B, ...) __builtin_shuffle(A, B, V2i{__VA_ARGS__})
#define QMR_SHUFFLE4(A, B, ...) __builtin_shuffle(A, B, V4i{__VA_ARGS__})
#define QMR_SHUFFLE8(A, B, ...) __builtin_shuffle(A, B, V8i{__VA_ARGS__})
#endif

// Lane traits: vector type, lane count, and conversion between L interleaved complex
// values and their split real and imaginary parts.
struct TSse2 {
    using V = V2;
    static constexpr int L = 2;
    static QMR_FFT_INLINE V Splat(double X) { return V{X, X}; }
    static QMR_FFT_INLINE void Deinterleave(const double* Z, V& Re, V& Im) {
        const V A = Load<V>(Z), B = Load<V>(Z + 2);
        Re = QMR_SHUFFLE2(A, B, 0, 2);
        Im = QMR_SHUFFLE2(A, B, 1, 3);
    }
    static QMR_FFT_INLINE void Interleave(V Re, V Im, double* Z) {
        Store(Z, QMR_SHUFFLE2(Re, Im, 0, 2));
        Store(Z + 2, QMR_SHUFFLE2(Re, Im, 1, 3));
    }
    // Values 0, 2, 4, ... of the 2L doubles at P.
    static QMR_FFT_INLINE V Even(const double* P) { return QMR_SHUFFLE2(Load<V>(P), Load<V>(P + 2), 0, 2); }
    static QMR_FFT_INLINE V FromFactors(const double* F) { return V{F[0], F[1]}; }
};

struct TAvx {
    using V = V4;
    static constexpr int L = 4;
    static QMR_FFT_INLINE V Splat(double X) { return V{X, X, X, X}; }
    static QMR_FFT_INLINE void Deinterleave(const double* Z, V& Re, V& Im) {
        const V A = Load<V>(Z), B = Load<V>(Z + 4);
        Re = QMR_SHUFFLE4(A, B, 0, 2, 4, 6);
        Im = QMR_SHUFFLE4(A, B, 1, 3, 5, 7);
    }
    static QMR_FFT_INLINE void Interleave(V Re, V Im, double* Z) {
        Store(Z, QMR_SHUFFLE4(Re, Im, 0, 4, 1, 5));
        Store(Z + 4, QMR_SHUFFLE4(Re, Im, 2, 6, 3, 7));
    }
    static QMR_FFT_INLINE V Even(const double* P) { return QMR_SHUFFLE4(Load<V>(P), Load<V>(P + 4), 0, 2, 4, 6); }
    static QMR_FFT_INLINE V FromFactors(const double* F) { return V{F[0], F[1], F[2], F[3]}; }
};

struct TAvx512 {
    using V = V8;
    static constexpr int L = 8;
    static QMR_FFT_INLINE V Splat(double X) { return V{X, X, X, X, X, X, X, X}; }
    static QMR_FFT_INLINE void Deinterleave(const double* Z, V& Re, V& Im) {
        const V A = Load<V>(Z), B = Load<V>(Z + 8);
        Re = QMR_SHUFFLE8(A, B, 0, 2, 4, 6, 8, 10, 12, 14);
        Im = QMR_SHUFFLE8(A, B, 1, 3, 5, 7, 9, 11, 13, 15);
    }
    static QMR_FFT_INLINE void Interleave(V Re, V Im, double* Z) {
        Store(Z, QMR_SHUFFLE8(Re, Im, 0, 8, 1, 9, 2, 10, 3, 11));
        Store(Z + 8, QMR_SHUFFLE8(Re, Im, 4, 12, 5, 13, 6, 14, 7, 15));
    }
    static QMR_FFT_INLINE V Even(const double* P) {
        return QMR_SHUFFLE8(Load<V>(P), Load<V>(P + 8), 0, 2, 4, 6, 8, 10, 12, 14);
    }
    static QMR_FFT_INLINE V FromFactors(const double* F) { return V{F[0], F[1], F[2], F[3], F[4], F[5], F[6], F[7]}; }
};

// ------------------------------------------------------------------ factors

struct TFactor {
    double Re, Im;
};

// exp(±2πij/N) for j = 0..N/2 - 1 from the quarter-wave table (Q = N/4 entries).
template <bool Conj> QMR_FFT_INLINE TFactor Factor(const double* WR, const double* WI, std::size_t Q, std::size_t j) {
    TFactor F = j < Q ? TFactor{WR[j], WI[j]} : TFactor{-WI[j - Q], WR[j - Q]};
    if (Conj) F.Im = -F.Im;
    return F;
}

// Factors j = J0 + l * St for the lanes l as vectors.
template <class T, bool Conj>
QMR_FFT_INLINE void LoadFactors(const double* WR, const double* WI, std::size_t Q, std::size_t J0, std::size_t St,
                                typename T::V& Wr, typename T::V& Wi) {
    using V = typename T::V;
    const std::size_t JL = J0 + (T::L - 1) * St;
    if (St <= 2 && (JL < Q || J0 >= Q)) {
        const bool Upper = J0 >= Q;
        const std::size_t j = Upper ? J0 - Q : J0;
        V R = St == 1 ? Load<V>(WR + j) : T::Even(WR + j);
        V I = St == 1 ? Load<V>(WI + j) : T::Even(WI + j);
        if (Upper) {
            Wr = -I;
            Wi = R;
        } else {
            Wr = R;
            Wi = I;
        }
        if (Conj) Wi = -Wi;
        return;
    }
    // lane by lane, built in registers (a round trip through memory would stall on
    // store forwarding)
    double R[T::L], I[T::L];
    for (int l = 0; l < T::L; ++l) {
        const TFactor F = Factor<Conj>(WR, WI, Q, J0 + static_cast<std::size_t>(l) * St);
        R[l] = F.Re;
        I[l] = F.Im;
    }
    Wr = T::FromFactors(R);
    Wi = T::FromFactors(I);
}

// b = a - w * b, a = a + w * b.
template <class V> QMR_FFT_INLINE void Bfly(V& Ar, V& Ai, V& Br, V& Bi, V Wr, V Wi) {
    const V Tr = Wr * Br - Wi * Bi;
    const V Ti = Wr * Bi + Wi * Br;
    Br = Ar - Tr;
    Bi = Ai - Ti;
    Ar = Ar + Tr;
    Ai = Ai + Ti;
}

// b = a - w' * b, a = a + w' * b with w' = ±i * w (the factor a quarter level further
// on), computed from w itself: (-u, v) forward and (u, -v) inverse, where u and v are
// the parts of w * b with their roles exchanged. Negation is exact, so this gives the
// bits of the plain butterfly with the tabled factor of that position.
template <bool Conj, class V> QMR_FFT_INLINE void BflyQuarter(V& Ar, V& Ai, V& Br, V& Bi, V Wr, V Wi) {
    const V U = Wi * Br + Wr * Bi;
    const V W = Wr * Br - Wi * Bi;
    const V Tr = Conj ? U : -U;
    const V Ti = Conj ? -W : W;
    Br = Ar - Tr;
    Bi = Ai - Ti;
    Ar = Ar + Tr;
    Ai = Ai + Ti;
}

// ------------------------------------------------------------------ sweeps over a block

// Where a sweep reads or writes point p: the split scratch (SR[p], SI[p]) or complex
// value p of the signal D (interleaved). A cursor walks one run of points.
template <class T, bool Signal> struct TCursor;
template <class T> struct TCursor<T, true> {
    double* Z;
    QMR_FFT_INLINE void Get(std::size_t Off, typename T::V& R, typename T::V& I) const {
        T::Deinterleave(Z + 2 * Off, R, I);
    }
    QMR_FFT_INLINE void Put(std::size_t Off, typename T::V R, typename T::V I) const { T::Interleave(R, I, Z + 2 * Off); }
    QMR_FFT_INLINE void Advance(std::size_t Off) { Z += 2 * Off; }
};
template <class T> struct TCursor<T, false> {
    double* R0;
    double* I0;
    QMR_FFT_INLINE void Get(std::size_t Off, typename T::V& R, typename T::V& I) const {
        R = Load<typename T::V>(R0 + Off);
        I = Load<typename T::V>(I0 + Off);
    }
    QMR_FFT_INLINE void Put(std::size_t Off, typename T::V R, typename T::V I) const {
        Store(R0 + Off, R);
        Store(I0 + Off, I);
    }
    QMR_FFT_INLINE void Advance(std::size_t Off) {
        R0 += Off;
        I0 += Off;
    }
};

template <class T> struct TPoints {
    double* D;
    double* SR;
    double* SI;
    template <bool Signal> QMR_FFT_INLINE TCursor<T, Signal> At(std::size_t p) const {
        if constexpr (Signal) return TCursor<T, true>{D + 2 * p};
        else return TCursor<T, false>{SR + p, SI + p};
    }
};

// Index of the factor of butterfly position k (within the level) in units of the stage's
// table step: k itself in a block; in a tile of eight columns, row k / 8 and column k % 8
// stand for index Lo0 + column + row * 2^s0.
struct TBlockMap {
    QMR_FFT_INLINE std::size_t operator()(std::size_t k) const { return k; }
};
struct TTileMap {
    std::size_t Lo0;
    int S0;
    QMR_FFT_INLINE std::size_t operator()(std::size_t k) const { return Lo0 + (k & 7) + ((k >> 3) << S0); }
};

// Stage s alone over Len points, pairs H points apart (H >= L).
template <class T, bool Conj, bool FromSignal, bool ToSignal, class Map>
QMR_FFT_INLINE void SingleSweep(const TPoints<T>& P, std::size_t Len, std::size_t H, const TTables& Tb, int s,
                                Map M) {
    using V = typename T::V;
    const std::size_t Q = Tb.N / 4, St = Tb.N >> s;
    for (std::size_t k = 0; k < H; k += T::L) {
        V Wr, Wi;
        LoadFactors<T, Conj>(Tb.Re.data(), Tb.Im.data(), Q, M(k) * St, St, Wr, Wi);
        auto In = P.template At<FromSignal>(k);
        auto Out = P.template At<ToSignal>(k);
        for (std::size_t p = k; p < Len; p += 2 * H, In.Advance(2 * H), Out.Advance(2 * H)) {
            V Ar, Ai, Br, Bi;
            In.Get(0, Ar, Ai);
            In.Get(H, Br, Bi);
            Bfly(Ar, Ai, Br, Bi, Wr, Wi);
            Out.Put(0, Ar, Ai);
            Out.Put(H, Br, Bi);
        }
    }
}

// Stages s and s + 1 over Len points: points k, k + H, k + 2H, k + 3H of each 4H-run.
// Scaled multiplies the results by Scale (the 1/N of the inverse).
template <class T, bool Conj, bool FromSignal, bool ToSignal, bool Scaled, class Map>
QMR_FFT_INLINE void PairSweep(const TPoints<T>& P, std::size_t Len, std::size_t H, const TTables& Tb, int s, Map M,
                              double Scale) {
    using V = typename T::V;
    const std::size_t Q = Tb.N / 4, St1 = Tb.N >> s, St2 = Tb.N >> (s + 1);
    const double* WR = Tb.Re.data();
    const double* WI = Tb.Im.data();
    for (std::size_t k = 0; k < H; k += T::L) {
        // stage s: factor of k at level 2H; stage s + 1: of k (and of k + H) at level 4H
        V W1r, W1i, W2r, W2i;
        const std::size_t Idx = M(k);
        LoadFactors<T, Conj>(WR, WI, Q, Idx * St1, St1, W1r, W1i);
        LoadFactors<T, Conj>(WR, WI, Q, Idx * St2, St2, W2r, W2i);
        auto In = P.template At<FromSignal>(k);
        auto Out = P.template At<ToSignal>(k);
        for (std::size_t p = k; p < Len; p += 4 * H, In.Advance(4 * H), Out.Advance(4 * H)) {
            V Ar, Ai, Br, Bi, Cr, Ci, Dr, Di;
            In.Get(0, Ar, Ai);
            In.Get(H, Br, Bi);
            Bfly(Ar, Ai, Br, Bi, W1r, W1i);
            In.Get(2 * H, Cr, Ci);
            In.Get(3 * H, Dr, Di);
            Bfly(Cr, Ci, Dr, Di, W1r, W1i);
            Bfly(Ar, Ai, Cr, Ci, W2r, W2i);
            BflyQuarter<Conj>(Br, Bi, Dr, Di, W2r, W2i);
            if (Scaled) {
                const V F = T::Splat(Scale);
                Ar *= F;
                Ai *= F;
                Br *= F;
                Bi *= F;
                Cr *= F;
                Ci *= F;
                Dr *= F;
                Di *= F;
            }
            Out.Put(0, Ar, Ai);
            Out.Put(H, Br, Bi);
            Out.Put(2 * H, Cr, Ci);
            Out.Put(3 * H, Dr, Di);
        }
    }
}

// Stages 4..b of a block of 2^b >= 64 values at D (stages 1 to 3 done), through the
// scratch; Scale != 1 scales the final results.
template <class T, bool Conj>
QMR_FFT_INLINE void BlockStages(double* D, int b, const TTables& Tb, double* SR, double* SI, double Scale) {
    const TPoints<T> P{D, SR, SI};
    const std::size_t Len = std::size_t{1} << b;
    int s = 4;
    bool First = true;
    static_assert(kMinVectorLog2 >= 6, "at least three stages after the reversal, so the last sweep is a pair");
    if ((b - 3) % 2 != 0) {
        SingleSweep<T, Conj, true, false>(P, Len, 8, Tb, 4, TBlockMap{});
        s = 5;
        First = false;
    }
    for (; s < b; s += 2) {
        const std::size_t H = std::size_t{1} << (s - 1);
        const bool Last = s + 1 == b;
        if (First && Last) {
            if (Scale != 1.0) PairSweep<T, Conj, true, true, true>(P, Len, H, Tb, s, TBlockMap{}, Scale);
            else PairSweep<T, Conj, true, true, false>(P, Len, H, Tb, s, TBlockMap{}, 1.0);
        } else if (First) PairSweep<T, Conj, true, false, false>(P, Len, H, Tb, s, TBlockMap{}, 1.0);
        else if (!Last) PairSweep<T, Conj, false, false, false>(P, Len, H, Tb, s, TBlockMap{}, 1.0);
        else if (Scale != 1.0) PairSweep<T, Conj, false, true, true>(P, Len, H, Tb, s, TBlockMap{}, Scale);
        else PairSweep<T, Conj, false, true, false>(P, Len, H, Tb, s, TBlockMap{}, 1.0);
        First = false;
    }
}

// Stages s0 + 1..s1 (s0 >= kBlockLog2) tile by tile; Scale != 1 scales the results.
template <class T, bool Conj>
QMR_FFT_INLINE void TileGroup(double* D, int s0, int s1, const TTables& Tb, double* SR, double* SI, double Scale) {
    using V = typename T::V;
    const std::size_t N = Tb.N;
    const std::size_t Rows = std::size_t{1} << (s1 - s0);
    const std::size_t Len = kCols * Rows;  // points of a tile: row m, column c is point kCols * m + c
    const std::size_t Lo = std::size_t{1} << s0;
    const TPoints<T> P{nullptr, SR, SI};
    const V F = T::Splat(Scale);
    for (std::size_t Hi = 0; Hi < (N >> s1); ++Hi) {
        for (std::size_t Lo0 = 0; Lo0 < Lo; Lo0 += kCols) {
            double* Base = D + 2 * ((Hi << s1) + Lo0);
            for (std::size_t m = 0; m < Rows; ++m)
                for (std::size_t c = 0; c < kCols; c += T::L) {
                    V R, I;
                    T::Deinterleave(Base + 2 * ((m << s0) + c), R, I);
                    Store(SR + kCols * m + c, R);
                    Store(SI + kCols * m + c, I);
                }
            const TTileMap M{Lo0, s0};
            int s = s0 + 1;
            if ((s1 - s0) % 2 != 0) {
                SingleSweep<T, Conj, false, false>(P, Len, kCols, Tb, s, M);
                ++s;
            }
            for (; s < s1; s += 2)
                PairSweep<T, Conj, false, false, false>(P, Len, kCols << (s - 1 - s0), Tb, s, M, 1.0);
            for (std::size_t m = 0; m < Rows; ++m)
                for (std::size_t c = 0; c < kCols; c += T::L) {
                    V R = Load<V>(SR + kCols * m + c), I = Load<V>(SI + kCols * m + c);
                    if (Scale != 1.0) {
                        R *= F;
                        I *= F;
                    }
                    T::Interleave(R, I, Base + 2 * ((m << s0) + c));
                }
        }
    }
}

// ------------------------------------------------------------------ bit reversal with stages 1 to 3

// Weight of value p (0-based) for each weighting kind.
struct TNoWeight {
    static constexpr bool kActive = false;
    double operator()(std::size_t) const { return 1.0; }
};
struct TFullWeight {
    static constexpr bool kActive = true;
    const double* W;
    double operator()(std::size_t p) const { return W[p]; }
};
struct TSymmetricWeight {
    static constexpr bool kActive = true;
    const double* W;
    std::size_t Half;  // N / 2
    double operator()(std::size_t p) const { return W[p + 1 >= Half ? p + 1 - Half : Half - p - 1]; }
};
struct TTriangleWeight {
    static constexpr bool kActive = true;
    std::size_t N;
    double operator()(std::size_t p) const {
        // values b and N + 1 - b (1-based) get 2b/N, exact for a power-of-two N
        const std::size_t b = p < N / 2 ? p + 1 : N - p;
        return static_cast<double>(2 * b) / static_cast<double>(N);
    }
};

constexpr std::uint32_t ReverseBits(std::uint32_t X, int Bits) {
    X = ((X >> 1) & 0x55555555u) | ((X & 0x55555555u) << 1);
    X = ((X >> 2) & 0x33333333u) | ((X & 0x33333333u) << 2);
    X = ((X >> 4) & 0x0F0F0F0Fu) | ((X & 0x0F0F0F0Fu) << 4);
    X = ((X >> 8) & 0x00FF00FFu) | ((X & 0x00FF00FFu) << 8);
    X = (X >> 16) | (X << 16);
    return Bits == 0 ? 0 : X >> (32 - Bits);
}

// One complex value per register: w * b with w = (Wr, Wi), as (wr*br - wi*bi, wr*bi + wi*br).
QMR_FFT_INLINE V2 CMul(V2 B, double Wr, double Wi) {
    const V2 Sw = QMR_SHUFFLE2(B, B, 1, 0);  // (bi, br)
    return B * V2{Wr, Wr} + Sw * V2{Wi, Wi} * V2{-1.0, 1.0};
}
// ±i * b: (-bi, br) forward, (bi, -br) inverse.
template <bool Conj> QMR_FFT_INLINE V2 TimesI(V2 B) {
    return QMR_SHUFFLE2(B, B, 1, 0) * (Conj ? V2{1.0, -1.0} : V2{-1.0, 1.0});
}

// Stages 1 to 3 on eight bit-reversed neighbours Y, written to Out. C = cos(π/4) as tabled.
template <bool Conj> QMR_FFT_INLINE void Radix8Row(const V2* Y, double C, double* Out) {
    // stage 1
    const V2 A0 = Y[0] + Y[1], A1 = Y[0] - Y[1], A2 = Y[2] + Y[3], A3 = Y[2] - Y[3];
    const V2 A4 = Y[4] + Y[5], A5 = Y[4] - Y[5], A6 = Y[6] + Y[7], A7 = Y[6] - Y[7];
    // stage 2: factors 1 and ±i
    const V2 T3 = TimesI<Conj>(A3), T7 = TimesI<Conj>(A7);
    const V2 B0 = A0 + A2, B2 = A0 - A2, B1 = A1 + T3, B3 = A1 - T3;
    const V2 B4 = A4 + A6, B6 = A4 - A6, B5 = A5 + T7, B7 = A5 - T7;
    // stage 3: factors 1, w, ±i, w^3 with w = (C, ±C) and w^3 = (-C, ±C)
    const double S = Conj ? -C : C;
    const V2 T5 = CMul(B5, C, S), T6 = TimesI<Conj>(B6), T7b = CMul(B7, -C, S);
    Store(Out + 0, B0 + B4);
    Store(Out + 2, B1 + T5);
    Store(Out + 4, B2 + T6);
    Store(Out + 6, B3 + T7b);
    Store(Out + 8, B0 - B4);
    Store(Out + 10, B1 - T5);
    Store(Out + 12, B2 - T6);
    Store(Out + 14, B3 - T7b);
}

// Value p = (a, b, c) with a the top three bits, c the low three and b the n - 6 middle
// ones receives value (rev c, rev b, rev a). Tile b (rows a, columns c) thus fills from
// tile rev b, and the two tiles are exchanged as a pair; every row is then one group of
// stages 1 to 3. Needs n >= 6.
template <class W, bool Conj> void ReverseFirstStages(double* D, int n, double C, const W& Wgt) {
    const int MidBits = n - 6;
    const std::size_t Mid = std::size_t{1} << MidBits;
    const std::size_t RowStep = std::size_t{1} << (n - 3);  // values between rows a and a + 1
    static constexpr std::size_t Rev3[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    alignas(64) V2 X[8][8], Y[8][8];  // tile b and tile rev b, weighted: [row][column]
    for (std::size_t b = 0; b < Mid; ++b) {
        const std::size_t rb = ReverseBits(static_cast<std::uint32_t>(b), MidBits);
        if (rb < b) continue;
        for (std::size_t a = 0; a < 8; ++a)
            for (std::size_t c = 0; c < 8; ++c) {
                const std::size_t p = a * RowStep + 8 * b + c, r = a * RowStep + 8 * rb + c;
                X[a][c] = Load<V2>(D + 2 * p);
                Y[a][c] = Load<V2>(D + 2 * r);
                if (W::kActive) {
                    X[a][c] *= V2{1.0, 1.0} * Wgt(p);
                    Y[a][c] *= V2{1.0, 1.0} * Wgt(r);
                }
            }
        for (std::size_t a = 0; a < 8; ++a) {
            const std::size_t ra = Rev3[a];
            V2 Row[8];
            for (std::size_t c = 0; c < 8; ++c) Row[c] = Y[Rev3[c]][ra];
            Radix8Row<Conj>(Row, C, D + 2 * (a * RowStep + 8 * b));
            if (rb != b) {
                for (std::size_t c = 0; c < 8; ++c) Row[c] = X[Rev3[c]][ra];
                Radix8Row<Conj>(Row, C, D + 2 * (a * RowStep + 8 * rb));
            }
        }
    }
}

template <bool Conj> void ReorderFirstStages(double* D, int n, double C, TWeight Weight) {
    const std::size_t N = std::size_t{1} << n;
    switch (Weight.Kind) {
    case TWeightKind::None: ReverseFirstStages<TNoWeight, Conj>(D, n, C, TNoWeight{}); break;
    case TWeightKind::Full: ReverseFirstStages<TFullWeight, Conj>(D, n, C, TFullWeight{Weight.W}); break;
    case TWeightKind::Symmetric:
        ReverseFirstStages<TSymmetricWeight, Conj>(D, n, C, TSymmetricWeight{Weight.W, N / 2});
        break;
    case TWeightKind::Triangle: ReverseFirstStages<TTriangleWeight, Conj>(D, n, C, TTriangleWeight{N}); break;
    }
}

// ------------------------------------------------------------------ whole transforms

template <class T, bool Conj> QMR_FFT_INLINE void Stages(double* D, int n, const TTables& Tb, double* SR, double* SI) {
    const double Scale = Conj ? 1.0 / static_cast<double>(Tb.N) : 1.0;  // exact: N is a power of two
    if (n <= kSmallLog2) {
        BlockStages<T, Conj>(D, n, Tb, SR, SI, Scale);
        return;
    }
    const std::size_t B = std::size_t{1} << kBlockLog2;
    for (std::size_t Blk = 0; Blk < Tb.N; Blk += B) BlockStages<T, Conj>(D + 2 * Blk, kBlockLog2, Tb, SR, SI, 1.0);
    const int Rest = n - kBlockLog2;
    const int Groups = (Rest + kGroupBits - 1) / kGroupBits;
    int s0 = kBlockLog2;
    for (int g = 0; g < Groups; ++g) {
        const int s1 = s0 + Rest / Groups + (g < Rest % Groups ? 1 : 0);
        TileGroup<T, Conj>(D, s0, s1, Tb, SR, SI, g == Groups - 1 ? Scale : 1.0);
        s0 = s1;
    }
}

void StagesSse2(double* D, int n, const TTables& Tb, double* SR, double* SI, int Sign) {
    if (Sign > 0) Stages<TSse2, false>(D, n, Tb, SR, SI);
    else Stages<TSse2, true>(D, n, Tb, SR, SI);
}

__attribute__((target("avx"))) void StagesAvx(double* D, int n, const TTables& Tb, double* SR, double* SI,
                                                int Sign) {
    if (Sign > 0) Stages<TAvx, false>(D, n, Tb, SR, SI);
    else Stages<TAvx, true>(D, n, Tb, SR, SI);
}

__attribute__((target("avx512f"))) void StagesAvx512(double* D, int n, const TTables& Tb, double* SR, double* SI,
                                                       int Sign) {
    if (Sign > 0) Stages<TAvx512, false>(D, n, Tb, SR, SI);
    else Stages<TAvx512, true>(D, n, Tb, SR, SI);
}

// The stage-by-stage transform with the same operations, for lengths below 2^kMinVectorLog2.
template <bool Conj> void ScalarTransform(double* D, std::size_t N, const TTables& Tb, TWeight Weight) {
    const TFullWeight FullW{Weight.W};
    const TSymmetricWeight SymW{Weight.W, N / 2};
    const TTriangleWeight TriW{N};
    for (std::size_t p = 0; p < N; ++p) {
        double F;
        switch (Weight.Kind) {
        case TWeightKind::Full: F = FullW(p); break;
        case TWeightKind::Symmetric: F = SymW(p); break;
        case TWeightKind::Triangle: F = N > 1 ? TriW(p) : 1.0; break;
        default: F = 1.0; break;
        }
        if (Weight.Kind != TWeightKind::None) {
            D[2 * p] *= F;
            D[2 * p + 1] *= F;
        }
    }
    int n = 0;
    while ((std::size_t{1} << n) < N) ++n;
    for (std::size_t p = 0; p < N; ++p) {
        const std::size_t r = ReverseBits(static_cast<std::uint32_t>(p), n);
        if (p < r) {
            std::swap(D[2 * p], D[2 * r]);
            std::swap(D[2 * p + 1], D[2 * r + 1]);
        }
    }
    const std::size_t Q = N / 4;
    for (std::size_t M = 2; M <= N; M *= 2) {
        const std::size_t H = M / 2, St = N / M;
        for (std::size_t k = 0; k < H; ++k) {
            // factors 1 and ±i are exact; the others come from the table
            const std::size_t j = k * St;
            const bool One = j == 0, PlusI = j == Q && M <= 8;
            const TFactor F = One || PlusI ? TFactor{0, 0} : Factor<Conj>(Tb.Re.data(), Tb.Im.data(), Q, j);
            for (std::size_t a = k; a < N; a += M) {
                const std::size_t b = a + H;
                double Tr, Ti;
                const double Br = D[2 * b], Bi = D[2 * b + 1];
                if (One && M <= 8) {
                    Tr = Br;
                    Ti = Bi;
                } else if (PlusI) {
                    Tr = Conj ? Bi : -Bi;
                    Ti = Conj ? -Br : Br;
                } else {
                    const TFactor G = One ? TFactor{1.0, Conj ? -0.0 : 0.0} : F;
                    Tr = G.Re * Br - G.Im * Bi;
                    Ti = G.Re * Bi + G.Im * Br;
                }
                const double Ar = D[2 * a], Ai = D[2 * a + 1];
                D[2 * b] = Ar - Tr;
                D[2 * b + 1] = Ai - Ti;
                D[2 * a] = Ar + Tr;
                D[2 * a + 1] = Ai + Ti;
            }
        }
    }
    if (Conj) {
        const double InvN = 1.0 / static_cast<double>(N);
        for (std::size_t k = 0; k < 2 * N; ++k) D[k] *= InvN;
    }
}

// ------------------------------------------------------------------ dispatch

// 0: SSE2, 1: AVX, 2: AVX-512. Set once at load; ForcePath changes GPath (tests only).
std::atomic<int> GBestPath{0};
std::atomic<int> GPath{0};

}  // namespace

void BuildTables(std::size_t N, TTables& T) {
    const std::size_t Q = N / 4;
    std::vector<double> Re(Q), Im(Q);
    // Scratch: real and imaginary parts of up to kWorkComplex values, 64-byte aligned.
    std::vector<double> Work(N >= (std::size_t{1} << kMinVectorLog2) ? 2 * kWorkComplex + 8 : 0);
    // Angles from the first octant only, so each factor is its correctly rounded value
    // (one long double evaluation, then one rounding) and cos and sin meet at π/4.
    const long double TwoPi = 6.283185307179586476925286766559005768L;
    const long double LN = static_cast<long double>(N);
    for (std::size_t j = 0; j < Q; ++j) {
        if (2 * j <= Q) {
            const long double A = TwoPi * static_cast<long double>(j) / LN;
            Re[j] = static_cast<double>(std::cos(A));
            Im[j] = static_cast<double>(std::sin(A));
        } else {
            const long double A = TwoPi * static_cast<long double>(Q - j) / LN;
            Re[j] = static_cast<double>(std::sin(A));
            Im[j] = static_cast<double>(std::cos(A));
        }
    }
    T.N = N;
    T.Re = std::move(Re);
    T.Im = std::move(Im);
    T.Work = std::move(Work);
}

void Transform(double* Data, TTables& Tb, int Sign, TWeight Weight) {
    const std::size_t N = Tb.N;
    if (Sign < 0) Weight = TWeight{};
    int n = 0;
    while ((std::size_t{1} << n) < N) ++n;
    if (n < kMinVectorLog2) {
        if (Sign > 0) ScalarTransform<false>(Data, N, Tb, Weight);
        else ScalarTransform<true>(Data, N, Tb, Weight);
        return;
    }
    const double C = Tb.Re[N / 8];  // cos(π/4) as tabled
    if (Sign > 0) ReorderFirstStages<false>(Data, n, C, Weight);
    else ReorderFirstStages<true>(Data, n, C, Weight);
    // 64-byte aligned split scratch
    double* Work = Tb.Work.data();
    const auto Mis = reinterpret_cast<std::uintptr_t>(Work) % 64;
    if (Mis != 0) Work += (64 - Mis) / sizeof(double);
    double* SR = Work;
    double* SI = Work + kWorkComplex;
    switch (GPath.load(std::memory_order_relaxed)) {
    case 2: StagesAvx512(Data, n, Tb, SR, SI, Sign); break;
    case 1: StagesAvx(Data, n, Tb, SR, SI, Sign); break;
    default: StagesSse2(Data, n, Tb, SR, SI, Sign); break;
    }
}

int ActivePath() noexcept { return GPath.load(std::memory_order_relaxed); }

void ForcePath(int Path) noexcept {
    const int Best = GBestPath.load();
    GPath.store(std::clamp(Path, 0, Best), std::memory_order_relaxed);
}

void DetectPaths() noexcept {
    __builtin_cpu_init();
    const int Best = __builtin_cpu_supports("avx512f") ? 2 : __builtin_cpu_supports("avx") ? 1 : 0;
    GBestPath.store(Best);
    GPath.store(Best);
}

}  // namespace qmr::detail::fft
