// Distances between array rows, sorting with an index, duplicates, shuffling, flood fill,
// sorted search and frequency distributions.
#include "foundations/QMR_openarrays_search.h"

#include "foundations/QMR_math1_sort.h"
#include "foundations/detail/combsort.h"
#include "foundations/detail/openarrays_cells.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <utility>
#include <vector>

namespace qmr {

namespace {

using detail::oa::Usable;

// ---------------------------------------------------------------- sorting

template <class T> std::int32_t SortWithIndex(bool Ascending, std::vector<T>& A, TIntArray& Idx) {
    const std::size_t N = A.size();
    Idx.resize(N);
    for (std::size_t I = 0; I < N; ++I) Idx[I] = static_cast<std::int32_t>(I + 1);
    if (N < 2) return -1;
    // The shared comb gaps, but starting from N - 1 and without progress reports.
    std::size_t Gap = N - 1;
    bool Exchanged = true;
    while (Gap > 1 || Exchanged) {
        Gap = static_cast<std::size_t>(detail::NextCombGap(static_cast<std::int64_t>(Gap)));
        Exchanged = false;
        for (std::size_t I = 0; I + Gap < N; ++I) {
            const bool Swap = Ascending ? A[I + Gap] < A[I] : A[I + Gap] > A[I];
            if (Swap) {
                std::swap(A[I], A[I + Gap]);
                std::swap(Idx[I], Idx[I + Gap]);
                Exchanged = true;
            }
        }
    }
    return 0;
}

template <class T> std::int32_t Shuffle(std::vector<T>& A) {
    if (A.size() < 2) return -1;
    for (std::size_t I = A.size() - 1; I >= 1; --I) {
        const auto J = static_cast<std::size_t>(Random(static_cast<std::int32_t>(I)));
        std::swap(A[I], A[J]);
    }
    return 0;
}

// ---------------------------------------------------------------- flood fill

// Fills runs along the first index and continues from every cell of a run into the
// neighbouring runs at J - 1 and J + 1, depth first, with an explicit stack of runs.
template <class T, class Match>
std::int32_t Flood(std::vector<std::vector<T>>& A, std::size_t I1, std::size_t J1, T NewVal, Match Matches,
                   std::int32_t& MaxJ, std::int32_t& MinJ, std::int32_t& MinI, std::int32_t& MaxI) {
    const std::size_t NI = A.size(), NJ = A[0].size();
    std::int32_t Count = 0;
    std::size_t LoI = I1, HiI = I1, LoJ = J1, HiJ = J1;

    struct Run {
        std::size_t J, Lo, Hi, Cur;
        int Side;  // 0: look at J - 1 next, 1: look at J + 1 next
    };
    std::vector<Run> Stack;
    auto FillRun = [&](std::size_t I, std::size_t J) {
        std::size_t Lo = I, Hi = I;
        A[I][J] = NewVal;
        ++Count;
        while (Lo > 0 && Matches(A[Lo - 1][J])) {
            --Lo;
            A[Lo][J] = NewVal;
            ++Count;
        }
        while (Hi + 1 < NI && Matches(A[Hi + 1][J])) {
            ++Hi;
            A[Hi][J] = NewVal;
            ++Count;
        }
        LoI = std::min(LoI, Lo);
        HiI = std::max(HiI, Hi);
        Stack.push_back(Run{J, Lo, Hi, Lo, 0});
    };

    if (Matches(A[I1][J1])) FillRun(I1, J1);
    while (!Stack.empty()) {
        Run& R = Stack.back();
        if (R.Cur > R.Hi) {
            Stack.pop_back();
            continue;
        }
        const std::size_t I = R.Cur, J = R.J;
        if (R.Side == 0) {
            R.Side = 1;
            if (J > 0 && Matches(A[I][J - 1])) {
                LoJ = std::min(LoJ, J - 1);
                FillRun(I, J - 1);  // may reallocate the stack: R is not used afterwards
            }
        } else {
            R.Side = 0;
            ++R.Cur;
            if (J + 1 < NJ && Matches(A[I][J + 1])) {
                HiJ = std::max(HiJ, J + 1);
                FillRun(I, J + 1);
            }
        }
    }
    MinI = static_cast<std::int32_t>(LoI);
    MaxI = static_cast<std::int32_t>(HiI);
    MinJ = static_cast<std::int32_t>(LoJ);
    MaxJ = static_cast<std::int32_t>(HiJ);
    return Count;
}

template <class T> bool SeedOk(const std::vector<std::vector<T>>& A, std::int32_t I1, std::int32_t I2) {
    return Usable(A) && detail::oa::IndexOk(I1, A.size()) && detail::oa::IndexOk(I2, A[0].size());
}

// ---------------------------------------------------------------- frequencies

struct Bins {
    double Lo = 0, Width = 0, Over = 0;  // Over: Hi + Width
    std::size_t Count = 0;
};

// Status of the numeric arguments (-3, -4, -5 in that order; MaskStatus between -4 and -5)
// and the bin layout. The bin count is tested in floating point before any conversion.
std::int32_t MakeBins(double Lo, double Hi, double Width, std::int32_t MaskStatus, Bins& B) {
    if (!(Hi > Lo)) return -3;
    if (!(Width > 0)) return -4;
    if (MaskStatus != 0) return MaskStatus;
    const double Q = (Hi - Lo) / Width;  // Round(Q) + 1 <= 1000 exactly when Q < 999.5
    if (!(Q < 999.5)) return -5;
    B.Lo = Lo;
    B.Width = Width;
    B.Over = Hi + Width;
    B.Count = static_cast<std::size_t>(detail::oa::RoundToInt32(Q)) + 1;
    return 0;
}

class Counter {
public:
    explicit Counter(const Bins& B) : FB(B), FFreq(B.Count, 0) {}
    void Add(double V) {
        if (!(V >= FB.Lo)) {
            ++FUnder;
            return;
        }
        if (V >= FB.Over) {
            ++FOver;
            return;
        }
        // The bin count is rounded: a value just below Hi + Width may land one bin past
        // the last; it counts as Over.
        const double K = std::floor((V - FB.Lo) / FB.Width);
        if (!(K < static_cast<double>(FB.Count))) {
            ++FOver;
            return;
        }
        const std::int32_t N = ++FFreq[static_cast<std::size_t>(K)];
        if (N > FMax) FMax = N;
    }
    void Deliver(TIntArray& Freq, std::int32_t& Under, std::int32_t& Over, std::int32_t& MaxFreq) {
        Freq = std::move(FFreq);
        Under = FUnder;
        Over = FOver;
        MaxFreq = FMax;
    }

private:
    Bins FB;
    TIntArray FFreq;
    std::int32_t FUnder = 0, FOver = 0, FMax = 0;
};

std::int32_t BlockStatus(const TDouble2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow,
                         std::int32_t LastCol, std::int32_t LastRow) {
    const std::size_t Cols = Usable(A) ? A.size() : 0, Rows = Cols ? A[0].size() : 0;
    using detail::oa::IndexOk;
    if (!IndexOk(FirstCol, Cols) || !IndexOk(LastCol, Cols) || !IndexOk(FirstRow, Rows) || !IndexOk(LastRow, Rows))
        return -1;
    if (LastCol < FirstCol || LastRow < FirstRow) return -2;
    return 0;
}

std::int32_t BlockFrequencies(const TDouble2DArray& A, const TBool2DArray* Mask, std::int32_t FirstCol,
                              std::int32_t FirstRow, std::int32_t LastCol, std::int32_t LastRow, double Lo, double Hi,
                              double Width, TIntArray& Freq, std::int32_t& Under, std::int32_t& Over,
                              std::int32_t& MaxFreq) {
    std::int32_t Status = BlockStatus(A, FirstCol, FirstRow, LastCol, LastRow);
    if (Status != 0) return Status;
    std::int32_t MaskStatus = 0;
    if (Mask && (!Usable(*Mask) || !detail::oa::SameExtents(A, *Mask))) MaskStatus = -6;
    Bins B;
    Status = MakeBins(Lo, Hi, Width, MaskStatus, B);
    if (Status != 0) return Status;
    if (FirstCol == 0 && FirstRow == 0 && LastCol == 0 && LastRow == 0) {
        LastCol = static_cast<std::int32_t>(A.size() - 1);
        LastRow = static_cast<std::int32_t>(A[0].size() - 1);
    }
    Counter C(B);
    for (auto Col = static_cast<std::size_t>(FirstCol); Col <= static_cast<std::size_t>(LastCol); ++Col)
        for (auto Row = static_cast<std::size_t>(FirstRow); Row <= static_cast<std::size_t>(LastRow); ++Row) {
            if (Mask && (*Mask)[Col][Row]) continue;
            C.Add(A[Col][Row]);
        }
    C.Deliver(Freq, Under, Over, MaxFreq);
    return 0;
}

}  // namespace

// ---------------------------------------------------------------- distances

std::int32_t DistanceOfObjects(const TDouble2DArray& A, TDistMode Mode, std::int32_t Obj1, std::int32_t Obj2,
                               std::int32_t VarLo, std::int32_t VarHi, double& Dist) {
    Dist = 0.0;
    const std::size_t Cols = A.size(), Rows = Usable(A) ? A[0].size() : 0;
    using detail::oa::IndexOk;
    std::int32_t Status = 0;
    if (Mode == TDistMode::dmUser || static_cast<int>(Mode) > 5) Status = -1;
    if (!IndexOk(Obj1, Rows) || !IndexOk(Obj2, Rows)) Status = -2;
    if (!IndexOk(VarLo, Cols) || !IndexOk(VarHi, Cols)) Status = -3;
    if (VarHi < VarLo) Status = -4;
    if (Status != 0) return Status;

    const auto R1 = static_cast<std::size_t>(Obj1), R2 = static_cast<std::size_t>(Obj2);
    double Sxy = 0, Sxx = 0, Syy = 0, Sum = 0;
    for (auto C = static_cast<std::size_t>(VarLo); C <= static_cast<std::size_t>(VarHi); ++C) {
        const double X = A[C][R1], Y = A[C][R2];
        switch (Mode) {
            case TDistMode::dmTanimoto:
            case TDistMode::dmDice:
                Sxy += X * Y;
                Sxx += X * X;
                Syy += Y * Y;
                break;
            case TDistMode::dmManhattan: Sum += std::fabs(X - Y); break;
            default: Sum += (X - Y) * (X - Y); break;
        }
    }
    double D = 0;
    switch (Mode) {
        case TDistMode::dmTanimoto: {
            const double Den = Sxx + Syy - Sxy;
            D = Den == 0 ? 0.0 : Sxy / Den;  // two all-zero objects
            break;
        }
        case TDistMode::dmDice: {
            const double Den = Sxx + Syy;
            D = Den == 0 ? 0.0 : 2 * Sxy / Den;
            break;
        }
        case TDistMode::dmEuclid: D = std::sqrt(Sum); break;
        default: D = Sum; break;
    }
    if (!std::isfinite(D)) return -5;
    Dist = D;
    return 0;
}

// ---------------------------------------------------------------- sorting and shuffling

std::int32_t SortArray(bool Ascending, TDoubleArray& A, TIntArray& Idx) { return SortWithIndex(Ascending, A, Idx); }
std::int32_t SortArray(bool Ascending, TIntArray& A, TIntArray& Idx) { return SortWithIndex(Ascending, A, Idx); }

std::int32_t SortAndRemoveDuplicates(TIntArray& A, bool Ascending) {
    if (A.size() < 2) return -1;
    TIntArray Sorted = A;
    SortArray(std::span<std::int32_t>(Sorted), Ascending);
    std::size_t Kept = 1;
    for (std::size_t I = 1; I < Sorted.size(); ++I)
        if (Sorted[I] != Sorted[Kept - 1]) Sorted[Kept++] = Sorted[I];
    const auto Dropped = static_cast<std::int32_t>(Sorted.size() - Kept);
    Sorted.resize(Kept);
    A = std::move(Sorted);
    return Dropped;
}

std::int32_t ShuffleArray(TIntArray& A) { return Shuffle(A); }
std::int32_t ShuffleArray(TDoubleArray& A) { return Shuffle(A); }

// ---------------------------------------------------------------- flood fill

std::int32_t FloodFillArray(std::int32_t I1, std::int32_t I2, std::int32_t NewVal, TInt2DArray& A, std::int32_t& MaxJ,
                            std::int32_t& MinJ, std::int32_t& MinI, std::int32_t& MaxI) {
    if (!SeedOk(A, I1, I2)) return -1;
    const auto I = static_cast<std::size_t>(I1), J = static_cast<std::size_t>(I2);
    const std::int32_t Seed = A[I][J];
    if (Seed == NewVal) return -2;
    return Flood(A, I, J, NewVal, [Seed](std::int32_t V) { return V == Seed; }, MaxJ, MinJ, MinI, MaxI);
}

std::int32_t FloodFillArray(std::int32_t I1, std::int32_t I2, double Tol, double NewVal, TDouble2DArray& A,
                            std::int32_t& MaxJ, std::int32_t& MinJ, std::int32_t& MinI, std::int32_t& MaxI) {
    if (!SeedOk(A, I1, I2)) return -1;
    const auto I = static_cast<std::size_t>(I1), J = static_cast<std::size_t>(I2);
    const double Seed = A[I][J];
    const double Low = Seed - std::fabs(Tol), High = Seed + std::fabs(Tol);
    auto InBand = [Low, High](double V) { return Low <= V && V <= High; };
    if (InBand(NewVal)) return -2;
    return Flood(A, I, J, NewVal, InBand, MaxJ, MinJ, MinI, MaxI);
}

// ---------------------------------------------------------------- search and frequencies

std::int32_t FindInSortedArray(double X, const TDoubleArray& A, bool Ascending) {
    if (A.empty()) return -1;
    const std::size_t N = A.size();
    const double First = A[0], Last = A[N - 1];
    if (std::isnan(X)) return -2;
    if (Ascending ? (X < First || X > Last) : (X > First || X < Last)) return -2;
    // Positions 1..N; A[P - 1] is position P.
    std::size_t Lo = 1, Hi = N;
    while (Hi - Lo > 1) {
        const std::size_t Mid = (Lo + Hi) / 2;
        const double V = A[Mid - 1];
        if (V == X) return static_cast<std::int32_t>(Mid - 1);
        if (Ascending ? V < X : V > X) Lo = Mid;
        else Hi = Mid;
    }
    const double DLo = std::fabs(X - A[Lo - 1]), DHi = std::fabs(A[Hi - 1] - X);
    return static_cast<std::int32_t>((DHi <= DLo ? Hi : Lo) - 1);
}

std::int32_t FrequDistOfArray(const TDoubleArray& A, std::int32_t First, std::int32_t Last, double Lo, double Hi,
                              double Width, TIntArray& Freq, std::int32_t& Under, std::int32_t& Over,
                              std::int32_t& MaxFreq) {
    using detail::oa::IndexOk;
    if (!IndexOk(First, A.size()) || !IndexOk(Last, A.size())) return -1;
    if (Last < First) return -2;
    Bins B;
    const std::int32_t Status = MakeBins(Lo, Hi, Width, 0, B);
    if (Status != 0) return Status;
    if (First == 0 && Last == 0) Last = static_cast<std::int32_t>(A.size() - 1);
    Counter C(B);
    for (auto I = static_cast<std::size_t>(First); I <= static_cast<std::size_t>(Last); ++I) C.Add(A[I]);
    C.Deliver(Freq, Under, Over, MaxFreq);
    return 0;
}

std::int32_t FrequDistOfArray(const TDouble2DArray& A, std::int32_t FirstCol, std::int32_t FirstRow,
                              std::int32_t LastCol, std::int32_t LastRow, double Lo, double Hi, double Width,
                              TIntArray& Freq, std::int32_t& Under, std::int32_t& Over, std::int32_t& MaxFreq) {
    return BlockFrequencies(A, nullptr, FirstCol, FirstRow, LastCol, LastRow, Lo, Hi, Width, Freq, Under, Over,
                            MaxFreq);
}

std::int32_t FrequDistOfArray(const TDouble2DArray& A, const TBool2DArray& Mask, std::int32_t FirstCol,
                              std::int32_t FirstRow, std::int32_t LastCol, std::int32_t LastRow, double Lo, double Hi,
                              double Width, TIntArray& Freq, std::int32_t& Under, std::int32_t& Over,
                              std::int32_t& MaxFreq) {
    return BlockFrequencies(A, &Mask, FirstCol, FirstRow, LastCol, LastRow, Lo, Hi, Width, Freq, Under, Over,
                            MaxFreq);
}

}  // namespace qmr
