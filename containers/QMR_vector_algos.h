// Algorithms that TVector and TIntVector share, over a run of elements (double or int32).
// Indices handed in and out are 1-based element numbers; Data points at element 1.
// Internal to the library.
#pragma once

#include "containers/QMR_container_range.h"
#include "containers/QMR_vector.h"
#include "foundations/QMR_math1_sort.h"
#include "foundations/detail/combsort.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace qmr::detail {

inline constexpr std::int32_t kMaxCount = std::numeric_limits<std::int32_t>::max();

// ---------------------------------------------------------------- element arithmetic

// |A - B| without overflow: in double for reals, in 64 bits for integers.
inline double AbsDiff(double A, double B) noexcept { return std::fabs(A - B); }
inline std::uint64_t AbsDiff(std::int32_t A, std::int32_t B) noexcept {
    const std::int64_t D = std::int64_t{A} - B;
    return static_cast<std::uint64_t>(D < 0 ? -D : D);
}
// (A - B)^2 as a double: a real square, or the exact 64-bit square of an integer difference
// (below 2^64) rounded once.
inline double SqrDiff(double A, double B) noexcept { return (A - B) * (A - B); }
inline double SqrDiff(std::int32_t A, std::int32_t B) noexcept {
    const std::uint64_t D = AbsDiff(A, B);
    return static_cast<double>(D * D);
}

// Count + K saturating at 2147483647 (counts are never negative).
inline std::int32_t AddCount(std::int32_t Count, std::int64_t K) noexcept {
    return static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{Count} + K, kMaxCount));
}

// ---------------------------------------------------------------- copies

// Writes source elements Lo..Hi (each clamped to the source's count, a reversed pair
// exchanged) to Dest from DestElem on through SetElem (outside: dropped), then Changed.
// The range is read before the first write, so a vector may be copied onto itself.
template <class Vec>
void CopyElems(Vec& Dest, const Vec& Src, std::int32_t Lo, std::int32_t Hi, std::int32_t DestElem) {
    ClampRange(Lo, Hi, Src.NrOfElem());
    std::vector<decltype(Src.Elem(1))> Snapshot;
    Snapshot.reserve(static_cast<std::size_t>(Hi - Lo + 1));
    for (std::int32_t I = Lo; I <= Hi; ++I) Snapshot.push_back(Src.Elem(I));
    for (std::int32_t I = Lo; I <= Hi; ++I) {
        const std::int64_t Pos = std::int64_t{DestElem} + (I - Lo);
        if (Pos >= 1 && Pos <= Dest.NrOfElem())
            Dest.SetElem(static_cast<std::int32_t>(Pos), Snapshot[static_cast<std::size_t>(I - Lo)]);
    }
    Dest.Changed();
}

// Writes A[k] to element Elem + k through SetElem, dropping positions outside; no final event.
template <class Vec, class Arr> void CopyArrayElems(Vec& Dest, const Arr& A, std::int32_t Elem) {
    for (std::size_t K = 0; K < A.size(); ++K) {
        const std::int64_t Pos = std::int64_t{Elem} + static_cast<std::int64_t>(K);
        if (Pos > Dest.NrOfElem()) break;
        if (Pos >= 1) Dest.SetElem(static_cast<std::int32_t>(Pos), A[K]);
    }
}

// ---------------------------------------------------------------- search

// Whether a distance is not a number (never for the exact integer distances).
inline bool IsNaN(double D) noexcept { return std::isnan(D); }
inline bool IsNaN(std::uint64_t) noexcept { return false; }

// Element of Lo..Hi nearest to Value, the first on ties. A NaN element is never nearer
// than a number (Lo when no distance is a number).
template <class T> std::int32_t FindNearest(const T* Data, std::int32_t Lo, std::int32_t Hi, T Value) noexcept {
    std::int32_t Best = Lo;
    auto BestD = AbsDiff(Data[Lo - 1], Value);
    for (std::int32_t I = Lo + 1; I <= Hi; ++I) {
        const auto D = AbsDiff(Data[I - 1], Value);
        if (D < BestD || (IsNaN(BestD) && !IsNaN(D))) {
            BestD = D;
            Best = I;
        }
    }
    return Best;
}

// Binary search of a sorted run of N elements: an element equal to Value met on the way,
// else the nearer of the two bracketing elements, the higher one on equal distances.
template <class T> std::int32_t FindInSorted(const T* Data, std::int32_t N, bool Ascending, T Value) noexcept {
    std::int32_t Lo = 1, Hi = N;
    while (Hi - Lo > 1) {
        const std::int32_t Mid = Lo + (Hi - Lo) / 2;
        const T M = Data[Mid - 1];
        if (Value == M) return Mid;
        if (Ascending ? Value >= M : Value <= M) Lo = Mid;
        else Hi = Mid;
    }
    return AbsDiff(Data[Lo - 1], Value) < AbsDiff(Data[Hi - 1], Value) ? Lo : Hi;
}

// At most two distinct values: V1 the first element, V2 the first one differing from it.
template <class T> bool Dichotomous(const T* Data, std::int32_t N, T& V1, T& V2) noexcept {
    V1 = V2 = T{};
    if (N < 2) return false;
    V1 = V2 = Data[0];
    bool HaveSecond = false;
    for (std::int32_t I = 1; I < N; ++I) {
        const T X = Data[I];
        if (X == V1 || (HaveSecond && X == V2)) continue;
        if (HaveSecond) return false;
        V2 = X;
        HaveSecond = true;
    }
    return true;
}

// Extremes of Lo..Hi from the start values in Min and Max; strict comparisons, so the
// first occurrence wins and a start value that is never beaten keeps its index.
template <class T>
void ScanExtremes(const T* Data, std::int32_t Lo, std::int32_t Hi, T& Min, T& Max, std::int32_t& MinIx,
                  std::int32_t& MaxIx) noexcept {
    for (std::int32_t I = Lo; I <= Hi; ++I) {
        const T X = Data[I - 1];
        if (X < Min) {
            Min = X;
            MinIx = I;
        }
        if (X > Max) {
            Max = X;
            MaxIx = I;
        }
    }
}

// ---------------------------------------------------------------- reordering

// Comb sort of Data[0..N) from the gap N - 1, one progress step per pass. Without
// OnExchange the branch-free pass of the array sorts does the work; with it, every
// exchange of the 0-based positions i < j calls OnExchange(i, j) after the exchange.
template <class T, class ExchangeFn>
void CombSortRun(T* Data, std::int64_t N, bool Ascending, bool Notify, ExchangeFn&& OnExchange) {
    if (N < 2) return;
    if (!Notify) {
        CombPassesFrom(N - 1, [&](std::int64_t Gap) {
            return Ascending ? CombPass(Data, Gap, N - Gap, [](T A, T B) { return A < B; })
                             : CombPass(Data, Gap, N - Gap, [](T A, T B) { return A > B; });
        });
        return;
    }
    CombPassesFrom(N - 1, [&](std::int64_t Gap) {
        bool Swapped = false;
        for (std::int64_t I = 0; I + Gap < N; ++I) {
            const T A = Data[I], B = Data[I + Gap];
            if (Ascending ? B < A : B > A) {
                Data[I] = B;
                Data[I + Gap] = A;
                Swapped = true;
                OnExchange(I, I + Gap);
            }
        }
        return Swapped;
    });
}

// Re-seeds the platform generator, then N exchanges of two positions drawn uniformly
// and independently (a position may meet itself).
template <class T> void ShuffleRun(T* Data, std::int32_t N) {
    Randomize();
    for (std::int32_t K = 0; K < N; ++K) {
        const std::int32_t I = Random(N);
        const std::int32_t J = Random(N);
        ExChange(Data[I], Data[J]);
    }
}

// ---------------------------------------------------------------- moments

// An exact power of two that brings MaxAbs near 1 (1 for 0 or a value that is not
// finite). Deviations multiplied by it give the same ratios of moments bit for bit, while
// their cubes and fourth powers neither overflow nor sink into subnormals.
inline Extended UnitScale(Extended MaxAbs) noexcept {
    if (!(MaxAbs > 0) || !std::isfinite(MaxAbs)) return 1;
    return std::ldexp(Extended{1}, std::clamp(-std::ilogb(MaxAbs), -1000, 1000));
}

// Deviations of a run from its mean, as a shift X0 (the first value), the mean M of the
// shifted values (two passes: right for data like 1e9 + i) and a power-of-two Scale:
// Dev(I) = ((Data[I] - X0) - M) * Scale.
template <class T> struct TDeviations {
    TDeviations(const T* Data, std::int64_t N) noexcept : FData(Data), X0(Data[0]) {
        Extended S = 0;
        for (std::int64_t I = 0; I < N; ++I) S += Data[I] - X0;
        M = S / static_cast<Extended>(N);
        Extended MaxAbs = 0;
        for (std::int64_t I = 0; I < N; ++I) MaxAbs = std::max(MaxAbs, std::fabs((Data[I] - X0) - M));
        Scale = UnitScale(MaxAbs);
    }
    Extended operator()(std::int64_t I) const noexcept { return ((FData[I] - X0) - M) * Scale; }

    const T* FData;
    Extended X0, M = 0, Scale = 1;
};

// Sum of squared deviations from the mean in Extended (exactly 0 for constant data,
// right for data like 1e9 + i).
template <class T> Extended CentredSquares(const T* Data, std::int64_t N) noexcept {
    const TDeviations<T> Dev(Data, N);
    Extended S1 = 0, S2 = 0;
    for (std::int64_t I = 0; I < N; ++I) {
        const Extended E = Dev(I);
        S1 += E;
        S2 += E * E;
    }
    return (S2 - S1 * S1 / static_cast<Extended>(N)) / Dev.Scale / Dev.Scale;
}

// Mean (sum in double over n) and sample variance; the variance is 1 unless n > 2 and
// never negative.
template <class T> void MeanVarRun(const T* Data, std::int64_t N, double& Mean, double& Variance) noexcept {
    double Sum = 0;
    for (std::int64_t I = 0; I < N; ++I) Sum += static_cast<double>(Data[I]);
    Mean = Sum / static_cast<double>(N);
    if (N <= 2) {
        Variance = 1;
        return;
    }
    const Extended V = CentredSquares(Data, N) / static_cast<Extended>(N - 1);
    Variance = V < 0 ? 0.0 : static_cast<double>(V);
}

// Moment skewness and excess kurtosis (sd from n - 1); false with both 0 below four
// values or when every deviation is 0.
template <class T> bool SkewKurtRun(const T* Data, std::int64_t N, double& Skewness, double& Kurtosis) noexcept {
    Skewness = Kurtosis = 0;
    if (N < 4) return false;
    const Extended En = static_cast<Extended>(N);
    const TDeviations<T> Dev(Data, N);
    Extended S1 = 0, S2 = 0, S3 = 0, S4 = 0;
    for (std::int64_t I = 0; I < N; ++I) {
        const Extended D = Dev(I);
        const Extended D2 = D * D;
        S1 += D;
        S2 += D2;
        S3 += D2 * D;
        S4 += D2 * D2;
    }
    const Extended Var = (S2 - S1 * S1 / En) / (En - 1);
    const Extended Sd = std::sqrt(Var < 0 ? 0 : Var);
    if (Sd == 0) return false;
    Skewness = static_cast<double>(S3 / En / (Sd * Sd * Sd));
    Kurtosis = static_cast<double>(S4 / En / (Var * Var) - 3);
    return true;
}

// The sample-corrected forms of SkewKurtRun's results; constant data gives 0 and 0.
template <class T>
void SkewKurtSampleRun(const T* Data, std::int64_t N, double& Skewness, double& Kurtosis) noexcept {
    double G = 0, K = 0;
    Skewness = Kurtosis = 0;
    if (!SkewKurtRun(Data, N, G, K)) return;
    const Extended n = static_cast<Extended>(N);
    Kurtosis = static_cast<double>((K + 3) * n * n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) -
                                   3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3)));
    Skewness = static_cast<double>(n * n * G / ((n - 1) * (n - 2)));
}

// exp of the mean logarithm; 0 when an element is 0; raises at the first negative element.
template <class T> Extended GeometricMeanRun(const T* Data, std::int64_t N, const TComponent* Owner) {
    double LogSum = 0;
    bool Zero = false;
    for (std::int64_t I = 0; I < N; ++I) {
        const double X = static_cast<double>(Data[I]);
        if (X < 0) throw EQMRVectorError(ComponentMessage(Owner, "negative argument passed to GeometricMean"));
        if (X == 0) Zero = true;
        else LogSum += std::log(X);
    }
    return Zero ? 0 : std::exp(static_cast<Extended>(LogSum) / static_cast<Extended>(N));
}

// n / sum(1/x); raises at the first element <= 0.
template <class T> Extended HarmonicMeanRun(const T* Data, std::int64_t N, const TComponent* Owner) {
    double InvSum = 0;
    for (std::int64_t I = 0; I < N; ++I) {
        const double X = static_cast<double>(Data[I]);
        if (X <= 0)
            throw EQMRVectorError(ComponentMessage(Owner, "negative or zero argument passed to HarmonicMean"));
        InvSum += 1 / X;
    }
    return static_cast<Extended>(N) / static_cast<Extended>(InvSum);
}

// Sums, squares and cross products of paired deviations A, B from approximate means, and
// the centred second moments they give over N pairs (the residual means taken out).
struct TPairSums {
    Extended Sx = 0, Sy = 0, Sxx = 0, Syy = 0, Sxy = 0;
    void Add(Extended A, Extended B) noexcept {
        Sx += A;
        Sy += B;
        Sxx += A * A;
        Syy += B * B;
        Sxy += A * B;
    }
    Extended Qxx(Extended N) const noexcept { return Sxx - Sx * Sx / N; }
    Extended Qyy(Extended N) const noexcept { return Syy - Sy * Sy / N; }
    Extended Qxy(Extended N) const noexcept { return Sxy - Sx * Sy / N; }
};

// Pearson's r of two runs of N values (two-pass, shifted, each run scaled by a power of
// two); 0 below two values or when either run is constant.
template <class T> Extended PearsonRun(const T* X, const T* Y, std::int64_t N) noexcept {
    if (N < 2) return 0;
    const Extended En = static_cast<Extended>(N);
    const TDeviations<T> Dx(X, N), Dy(Y, N);
    TPairSums S;
    for (std::int64_t I = 0; I < N; ++I) S.Add(Dx(I), Dy(I));
    const Extended Vx = S.Qxx(En), Vy = S.Qyy(En);
    if (Vx == 0 || Vy == 0) return 0;
    return S.Qxy(En) / (std::sqrt(std::fabs(Vx)) * std::sqrt(std::fabs(Vy)));
}

// Square root of the summed squared differences (each formed as SqrDiff, summed in double).
template <class T> Extended EuclidRun(const T* X, const T* Y, std::int64_t N) noexcept {
    double Sum = 0;
    for (std::int64_t I = 0; I < N; ++I) Sum += SqrDiff(X[I], Y[I]);
    return std::sqrt(static_cast<Extended>(Sum));
}

// ---------------------------------------------------------------- order statistics

// Value of the first longest run of equal values of the ascending-sorted copy (SortArray:
// one progress step per pass); the smallest value when all differ.
template <class T> T ModeRun(const T* Data, std::int64_t N) {
    std::vector<T> S(Data, Data + N);
    SortArray(std::span<T>(S), true);
    T Best = S[0];
    std::int64_t BestLen = 1, Len = 1;
    for (std::int64_t I = 1; I < N; ++I) {
        Len = S[I] == S[I - 1] ? Len + 1 : 1;
        if (Len > BestLen) {
            BestLen = Len;
            Best = S[I];
        }
    }
    return Best;
}

// Order statistics without a full sort: a copy of the run in which the values of chosen
// ranks (0-based positions of the ascending order) are put in place by selection.
// NaNs order after every number.
template <class T> class TRankSelector {
public:
    TRankSelector(const T* Data, std::int64_t N) : FBuf(static_cast<std::size_t>(N)) {
        // Numbers to the front, NaNs to the back, in one pass.
        std::int64_t Front = 0, Back = N;
        for (std::int64_t I = 0; I < N; ++I) {
            const T X = Data[I];
            if (X == X) FBuf[static_cast<std::size_t>(Front++)] = X;
            else FBuf[static_cast<std::size_t>(--Back)] = X;
        }
        FNumbers = Front;
    }
    std::int64_t Count() const noexcept { return static_cast<std::int64_t>(FBuf.size()); }

    // Puts the value of every rank of Ranks (ascending, any repeats) at its position.
    void Select(std::vector<std::int64_t> Ranks) {
        std::sort(Ranks.begin(), Ranks.end());
        Ranks.erase(std::unique(Ranks.begin(), Ranks.end()), Ranks.end());
        while (!Ranks.empty() && Ranks.back() >= FNumbers) Ranks.pop_back();  // NaNs: in place
        SelectIn(0, FNumbers, Ranks.data(), Ranks.size());
    }
    // The value of rank K after Select.
    double At(std::int64_t K) const noexcept { return static_cast<double>(FBuf[static_cast<std::size_t>(K)]); }

private:
    // Selects the ranks K[0..NK) within FBuf[Lo..Hi), which holds exactly the ranks Lo..Hi-1.
    // A rank followed by its neighbour takes the neighbour as the minimum of the part above.
    void SelectIn(std::int64_t Lo, std::int64_t Hi, const std::int64_t* K, std::size_t NK) {
        if (NK == 0 || Lo >= Hi) return;
        std::size_t Mid = NK / 2;
        if (Mid > 0 && K[Mid - 1] + 1 == K[Mid]) --Mid;
        T* B = FBuf.data();
        const std::int64_t Km = K[Mid];
        std::nth_element(B + Lo, B + Km, B + Hi);
        std::size_t Next = Mid + 1;
        std::int64_t RightLo = Km + 1;
        if (Next < NK && K[Next] == Km + 1) {
            std::iter_swap(B + Km + 1, std::min_element(B + Km + 1, B + Hi));
            ++Next;
            ++RightLo;
        }
        SelectIn(Lo, Km, K, Mid);
        SelectIn(RightLo, Hi, K + Next, NK - Next);
    }

    std::vector<T> FBuf;
    std::int64_t FNumbers = 0;
};

// S[k] + (S[k+1] - S[k]) * F for the 0-based rank K (S[k] itself when F is 0).
template <class T> double Interpolated(const TRankSelector<T>& Sel, std::int64_t K, double F) noexcept {
    const double A = Sel.At(K);
    return F == 0 ? A : A + (Sel.At(K + 1) - A) * F;
}

// Percentile Prob (clamped to 0..100, NaN as 0) interpolated at Prob (n - 1) / 100.
template <class T> double PercentileRun(const T* Data, std::int64_t N, double Prob) {
    if (!(Prob > 0)) Prob = 0;
    if (Prob > 100) Prob = 100;
    TRankSelector<T> Sel(Data, N);
    if (N == 1) return Sel.At(0);
    const double Pos = Prob == 100 ? static_cast<double>(N - 1) : Prob * static_cast<double>(N - 1) / 100;
    const std::int64_t K = TruncIndex(Pos, N - 1, N - 1);
    const double F = K == N - 1 ? 0.0 : Pos - static_cast<double>(K);
    Sel.Select(F == 0 ? std::vector<std::int64_t>{K} : std::vector<std::int64_t>{K, K + 1});
    return Interpolated(Sel, K, F);
}

// Quartiles at (n + 1) p for p = 1/4, 1/2, 3/4, each position clamped to 1..n - 1.
template <class T> void QuartilesRun(const T* Data, std::int64_t N, double& Q1, double& Q2, double& Q3) {
    TRankSelector<T> Sel(Data, N);
    if (N <= 1) {
        Sel.Select({0});
        Q1 = Q2 = Q3 = Sel.At(0);
        return;
    }
    std::int64_t K[3];
    double F[3];
    std::vector<std::int64_t> Ranks;
    for (int Q = 0; Q < 3; ++Q) {
        const double Pos = static_cast<double>(N + 1) * (Q + 1) / 4;  // exact: a multiple of 1/4
        K[Q] = TruncIndex(Pos, N + 1, 0);
        F[Q] = Pos - static_cast<double>(K[Q]);
        if (K[Q] == 0) K[Q] = 1, F[Q] = 0;
        if (K[Q] > N - 1) K[Q] = N - 1, F[Q] = 0;
        --K[Q];  // 0-based rank of s_k
        Ranks.push_back(K[Q]);
        if (F[Q] != 0) Ranks.push_back(K[Q] + 1);
    }
    Sel.Select(std::move(Ranks));
    Q1 = Interpolated(Sel, K[0], F[0]);
    Q2 = Interpolated(Sel, K[1], F[1]);
    Q3 = Interpolated(Sel, K[2], F[2]);
}

// ---------------------------------------------------------------- histogram

// The counting of the two Histogram twins. Histo gets NB bins (resized when its count
// differs) and is cleared. Bin(x) is 0 for an underflow, -1 for an overflow, else the
// 1-based bin, NB + 1 standing for any bin beyond Histo's count (dropped). Elements
// First..Last of the run Data[0..N) are counted, positions outside 1..N as zeros in one
// step each side. With an OnChange handler on Histo every count is written through
// SetElem as it is made (one event each); without, the counts are made locally and each
// non-zero bin written once. Counts saturate at 2147483647.
template <class T, class BinFn>
void CountHistogram(const T* Data, std::int32_t N, std::int32_t First, std::int32_t Last, std::int32_t NB,
                    BinFn&& Bin, TIntVector& Histo, std::int32_t& Underflow, std::int32_t& Overflow,
                    std::int32_t& MaxCnt) {
    if (Histo.NrOfElem() != NB) Histo.Resize(NB);
    Histo.Clear();
    Underflow = Overflow = MaxCnt = 0;
    if (Last < First) return;
    auto Put = [&](std::int64_t B, std::int64_t K) {
        if (B == 0) Underflow = AddCount(Underflow, K);
        else if (B < 0) Overflow = AddCount(Overflow, K);
        else if (B <= NB) {
            const auto Bi = static_cast<std::int32_t>(B);
            Histo.SetElem(Bi, AddCount(Histo.Elem(Bi), K));
            MaxCnt = std::max(MaxCnt, Histo.Elem(Bi));
        }
    };
    const std::int64_t Lo = std::max(First, 1), Hi = std::min(Last, N);
    const std::int64_t ZerosBelow = std::min<std::int64_t>(Last, 0) - First + 1;
    const std::int64_t ZerosAbove = Last - std::max<std::int64_t>(First, std::int64_t{N} + 1) + 1;
    if (ZerosBelow > 0) Put(Bin(T{}), ZerosBelow);
    if (Histo.OnChange) {
        for (std::int64_t I = Lo; I <= Hi; ++I) Put(Bin(Data[I - 1]), 1);
    } else if (Lo <= Hi) {
        // Slots: 0 underflow, 1..NB the bins, NB + 1 dropped, NB + 2 overflow.
        std::vector<std::int64_t> Counts(static_cast<std::size_t>(NB) + 3, 0);
        const std::int64_t OverSlot = std::int64_t{NB} + 2;
        for (std::int64_t I = Lo; I <= Hi; ++I) {
            const std::int64_t B = Bin(Data[I - 1]);
            ++Counts[static_cast<std::size_t>(B < 0 ? OverSlot : B)];
        }
        Put(0, Counts[0]);
        Put(-1, Counts[static_cast<std::size_t>(OverSlot)]);
        for (std::int32_t B = 1; B <= NB; ++B)
            if (Counts[static_cast<std::size_t>(B)] != 0) Put(B, Counts[static_cast<std::size_t>(B)]);
    }
    if (ZerosAbove > 0) Put(Bin(T{}), ZerosAbove);
}

}  // namespace qmr::detail
