// Primes, fractions, table interpolation, bits and byte order.
#include "foundations/QMR_math1_primes.h"

#include "foundations/QMR_math1_scalar.h"

#include <array>
#include <bit>
#include <cmath>
#include <algorithm>
#include <numeric>

namespace qmr {

namespace {

// Largest N whose square fits the 32-bit range: every prime factor a 32-bit N may need
// below its square root is at most this.
constexpr std::int32_t kSieveLimit = 46340;
constexpr std::size_t kPrimeCount = 4792;

// Sieve of the odd numbers only (Composite[K] stands for 2K + 1), each odd prime striking
// its odd multiples from its square on: cheap enough for every compiler's constant evaluator.
constexpr std::array<std::int32_t, kPrimeCount> MakePrimeTable() {
    bool Composite[kSieveLimit / 2 + 1] = {};
    std::array<std::int32_t, kPrimeCount> Primes{};
    Primes[0] = 2;
    std::size_t Count = 1;
    for (std::int32_t I = 3; I <= kSieveLimit; I += 2) {
        if (Composite[I / 2]) continue;
        if (Count < kPrimeCount) Primes[Count] = I;
        ++Count;
        if (I <= kSieveLimit / I)
            for (std::int32_t J = I * I; J <= kSieveLimit; J += 2 * I) Composite[J / 2] = true;
    }
    return Count == kPrimeCount ? Primes : std::array<std::int32_t, kPrimeCount>{};
}

constexpr std::array<std::int32_t, kPrimeCount> kPrimes = MakePrimeTable();
static_assert(kPrimes[0] == 2 && kPrimes[kPrimeCount - 1] == 46337);

constexpr std::array<std::uint8_t, 256> MakeReversalTable() {
    std::array<std::uint8_t, 256> T{};
    for (unsigned B = 0; B < 256; ++B) {
        unsigned R = 0;
        for (unsigned Bit = 0; Bit < 8; ++Bit)
            if (B & (1u << Bit)) R |= 0x80u >> Bit;
        T[B] = static_cast<std::uint8_t>(R);
    }
    return T;
}

constexpr std::array<std::uint8_t, 256> kBitReversal = MakeReversalTable();

// Reverses the byte order of an unsigned integer.
template <class T>
constexpr T SwapBytes(T V) {
    T R = 0;
    for (std::size_t I = 0; I < sizeof(T); ++I) {
        R = static_cast<T>((R << 8) | (V & 0xFFu));
        V = static_cast<T>(V >> 8);
    }
    return R;
}
static_assert(SwapBytes(std::uint32_t{0x12345678u}) == 0x78563412u);

// Trunc(Sqrt(M)) for M >= 0, exact for every 64-bit value used here.
std::int64_t ISqrt(std::int64_t M) {
    std::int64_t S = Trunc(std::sqrt(static_cast<double>(M)));
    while (S > 0 && S * S > M) --S;
    while ((S + 1) * (S + 1) <= M) ++S;
    return S;
}

std::int64_t Abs64(std::int32_t V) { return V < 0 ? -static_cast<std::int64_t>(V) : V; }

// Interpolation in equally spaced pivots; Get(i) yields pivot i as a double.
template <class TGet>
double InterpolEquallySpaced(double X, double X0, double X1, std::size_t N, TGet Get) {
    if (N < 2) throw EQMRMath1Error("InterpolTable: pivot array must contain at least 2 values");
    if (X0 == X1) throw EQMRMath1Error("InterpolTable: specified range of pivot array is zero");
    const double Last = static_cast<double>(N - 1);
    const double Pos = Last * (X - X0) / (X1 - X0);
    // X1 itself gives the last value even when the position computes a hair below n - 1.
    if (X == X1) return Get(N - 1);
    const bool Inside = X0 < X1 ? (X >= X0 && X <= X1) : (X <= X0 && X >= X1);
    if (Inside) {
        std::int64_t I = 0;
        if (!detail::CheckedTruncToInt64(Pos, I)) return Pos;  // NaN from non-finite bounds
        if (I < 0) I = 0;
        // A position rounded up to the last pivot (X just inside X1) takes the last value.
        if (I >= static_cast<std::int64_t>(N - 1)) return Get(N - 1);
        const auto K = static_cast<std::size_t>(I);
        return Get(K) + (Get(K + 1) - Get(K)) * Frac(Pos);
    }
    const bool NearX0 = X0 < X1 ? X < X0 : X > X0;
    if (NearX0) return Get(0) + (Get(1) - Get(0)) * Pos;
    return Get(N - 1) + (Get(N - 1) - Get(N - 2)) * (Pos - Last);
}

}  // namespace

std::int32_t ListOfPrimes(std::int32_t I) {
    if (I < 1 || I > static_cast<std::int32_t>(kPrimeCount)) return 0;
    return kPrimes[static_cast<std::size_t>(I - 1)];
}

bool IsPrime(std::int32_t N) {
    const std::int64_t M = Abs64(N);
    const std::int64_t Limit = ISqrt(M);
    for (std::int64_t C = 2; C <= Limit; ++C)
        if (M % C == 0) return false;
    return true;
}

void FindPrimeFactors(std::int32_t N, TIntArray& Factors) {
    Factors.clear();
    if (N < 2) return;
    const std::int64_t Limit = ISqrt(N);
    for (std::size_t I = 0; I < kPrimeCount && kPrimes[I] <= Limit; ++I) {
        const std::int32_t P = kPrimes[I];
        while (N % P == 0) {
            Factors.push_back(P);
            N /= P;
        }
    }
    if (N > 1) Factors.push_back(N);
}

void CancelFraction(std::int32_t& Numerator, std::int32_t& Denominator) {
    const std::int64_t AbsNum = Abs64(Numerator);
    const std::int64_t AbsDen = Abs64(Denominator);
    if (std::min(AbsNum, AbsDen) < 2) return;
    const std::int64_t G = std::gcd(AbsNum, AbsDen);
    if (G < 2) return;
    Numerator = static_cast<std::int32_t>(Numerator / G);
    Denominator = static_cast<std::int32_t>(Denominator / G);
}

double InterpolXYTable(double X, const TDouble2DArray& Pivots, bool Extrapolate) {
    // The row count is tested first; without any column there are no rows to count.
    const char* const kColumns = "InterpolXYTable: pivot array must contain 2 columns";
    if (Pivots.empty()) throw EQMRMath1Error(kColumns);
    if (Pivots[0].size() < 2) throw EQMRMath1Error("InterpolXYTable: pivot array must contain at least 2 rows");
    if (Pivots.size() != 2 || Pivots[1].size() != Pivots[0].size()) throw EQMRMath1Error(kColumns);
    const TDoubleArray& Xs = Pivots[0];
    const TDoubleArray& Ys = Pivots[1];
    const std::size_t N = Xs.size();
    const bool Ascending = Xs[0] <= Xs[N - 1];
    // Indices of the pivots with the lowest and the highest x, and their inner neighbours.
    const std::size_t Lo = Ascending ? 0 : N - 1, LoNext = Ascending ? 1 : N - 2;
    const std::size_t Hi = Ascending ? N - 1 : 0, HiNext = Ascending ? N - 2 : 1;
    const double XLo = Xs[Lo], XHi = Xs[Hi];
    if (X > XLo && X < XHi) {
        // First pivot from the low end of the x order whose x is >= X, and its lower neighbour.
        std::size_t I = LoNext, Prev = Lo;
        if (Ascending) {
            while (Xs[I] < X) Prev = I++;
        } else {
            while (Xs[I] < X) Prev = I--;
        }
        return Ys[Prev] + (Ys[I] - Ys[Prev]) * (X - Xs[Prev]) / (Xs[I] - Xs[Prev]);
    }
    if (!Extrapolate) return 0.0;
    const bool LowEnd = X <= XLo;
    const std::size_t E = LowEnd ? Lo : Hi, F = LowEnd ? LoNext : HiNext;
    if (X == Xs[E] || Xs[F] == Xs[E]) return Ys[E];
    return Ys[E] + (Ys[F] - Ys[E]) * (X - Xs[E]) / (Xs[F] - Xs[E]);
}

double InterpolTable(double X, double X0, double X1, const TDoubleArray& Values) {
    return InterpolEquallySpaced(X, X0, X1, Values.size(), [&Values](std::size_t I) { return Values[I]; });
}

double InterpolTable(double X, double X0, double X1, const TIntArray& Values) {
    return InterpolEquallySpaced(X, X0, X1, Values.size(),
                                 [&Values](std::size_t I) { return static_cast<double>(Values[I]); });
}

double InterpolZofXYRect(double Z1, double Z2, double Z3, double Z4, double S, double T) {
    const double A = Z1 + (Z3 - Z1) * S;
    const double B = Z2 + (Z4 - Z2) * S;
    return A + (B - A) * T;
}

std::int32_t DecodeBit(std::int32_t N) { return N >= 0 && N <= 7 ? std::int32_t{1} << N : 0; }

std::int32_t DecodeLong(std::int32_t N) {
    if (N < 0 || N > 31) return 0;
    return static_cast<std::int32_t>(std::uint32_t{1} << N);
}

std::int32_t EncodeLong(std::uint32_t N) { return N == 0 ? 31 : std::countr_zero(N); }

std::int32_t CountBits(std::uint8_t B) { return std::popcount(B); }

std::uint8_t BitReversal(std::uint8_t B) { return kBitReversal[B]; }

std::uint16_t GrayCode(std::uint16_t N) { return static_cast<std::uint16_t>(N ^ (N >> 1)); }

double ConvertEndian(double X) {
    return std::bit_cast<double>(SwapBytes(std::bit_cast<std::uint64_t>(X)));
}

float ConvertEndian(float X) { return std::bit_cast<float>(SwapBytes(std::bit_cast<std::uint32_t>(X))); }

std::uint16_t ConvertEndian(std::uint16_t X) { return SwapBytes(X); }

std::int32_t ConvertEndian(std::int32_t X) {
    return static_cast<std::int32_t>(SwapBytes(static_cast<std::uint32_t>(X)));
}

}  // namespace qmr
