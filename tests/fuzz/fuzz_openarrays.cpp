// Open-array routines on integer arrays of input-driven shapes (empty, ragged, or with
// later columns longer than the first), bounds and values, against a model that reads
// only the rectangular view (extents from the first sub-arrays): results, status codes,
// and arrays left unchanged by a refused call.
#include "fuzz_support.h"

#include <algorithm>
#include <limits>
#include <vector>

using namespace qmr;

namespace {

using TGrid = TInt2DArray;

// Columns and rows of the rectangular view (rows from the first column).
std::size_t Cols(const TGrid& A) { return A.size(); }
std::size_t Rows(const TGrid& A) { return A.empty() ? 0 : A[0].size(); }
bool Ragged(const TGrid& A) {
    return std::any_of(A.begin(), A.end(), [&](const TIntArray& C) { return C.size() < Rows(A); });
}
bool Usable(const TGrid& A) { return Cols(A) > 0 && Rows(A) > 0 && !Ragged(A); }
TGrid View(const TGrid& A) {
    TGrid V(Cols(A));
    for (std::size_t C = 0; C < Cols(A); ++C) V[C].assign(A[C].begin(), A[C].begin() + static_cast<long>(Rows(A)));
    return V;
}
bool In(std::int64_t I, std::size_t N) { return I >= 0 && I < static_cast<std::int64_t>(N); }

TGrid MakeGrid(FuzzedDataProvider& D) {
    const int NCols = D.ConsumeIntegralInRange(0, 6);
    const int First = D.ConsumeIntegralInRange(0, 6);
    const bool Wide = D.ConsumeIntegralInRange(0, 3) == 0;  // values over the whole range
    TGrid A(static_cast<std::size_t>(NCols));
    for (int C = 0; C < NCols; ++C) {
        int Len = First;
        switch (C == 0 ? 0 : D.ConsumeIntegralInRange(0, 5)) {
            case 4: Len = First + D.ConsumeIntegralInRange(1, 2); break;  // longer than the first
            case 5: Len = D.ConsumeIntegralInRange(0, First); break;      // possibly shorter
            default: break;
        }
        for (int R = 0; R < Len; ++R)
            A[static_cast<std::size_t>(C)].push_back(Wide ? D.ConsumeIntegral<std::int32_t>()
                                                          : D.ConsumeIntegralInRange(-2, 2));
    }
    return A;
}

std::int32_t Index(FuzzedDataProvider& D) { return D.ConsumeIntegralInRange(-1, 7); }

void CheckEqual(const TGrid& A, const TGrid& B) {
    const bool Want = !Ragged(A) && !Ragged(B) && Cols(A) == Cols(B) && Rows(A) == Rows(B) && View(A) == View(B);
    FUZZ_CHECK(EqualArrays(A, B) == Want);
    // Three dimensions: the two arrays as the layers of one array, compared with its clone.
    const TInt3DArray A3 = {A, B};
    TInt3DArray C3;
    const bool Usable3 = Usable(A) && Cols(B) >= Cols(A) &&
                         std::all_of(B.begin(), B.begin() + static_cast<long>(Cols(A)),
                                     [&](const TIntArray& X) { return X.size() >= Rows(A); });
    FUZZ_CHECK(CloneArray(A3, C3) == (Usable3 ? 0 : -1));
    if (Usable3) FUZZ_CHECK(EqualArrays(A3, C3) && EqualArrays(C3, A3) && C3.size() == 2);
}

void CheckClone(const TGrid& A) {
    TGrid B = {{42}};
    const std::int32_t R = CloneArray(A, B);
    FUZZ_CHECK(R == (Usable(A) ? 0 : -1));
    FUZZ_CHECK(B == (R == 0 ? View(A) : TGrid{{42}}));
    if (R == 0) FUZZ_CHECK(EqualArrays(A, B) && EqualArrays(B, A));
}

void CheckCount(FuzzedDataProvider& D, const TGrid& A) {
    const std::int32_t L1 = Index(D), H1 = Index(D), L2 = Index(D), H2 = Index(D);
    const std::int32_t Lo = D.ConsumeIntegralInRange(-3, 3), Hi = D.ConsumeIntegralInRange(-3, 3);
    std::int32_t Want = -1;
    if (Usable(A)) {
        Want = -2;
        if (In(L1, Cols(A)) && In(H1, Cols(A)) && L1 <= H1 && In(L2, Rows(A)) && In(H2, Rows(A)) && L2 <= H2 && Lo <= Hi) {
            Want = 0;
            for (auto C = L1; C <= H1; ++C)
                for (auto R = L2; R <= H2; ++R) Want += Lo <= A[C][R] && A[C][R] <= Hi;
        }
    }
    FUZZ_CHECK(CountValues(A, L1, H1, L2, H2, Lo, Hi) == Want);
}

void CheckCopy(FuzzedDataProvider& D, TGrid& A, TGrid& Other) {
    const bool Alias = D.ConsumeBool();
    TGrid& Dest = Alias ? A : Other;
    const std::int32_t FC = Index(D), FR = Index(D), LC = Index(D), LR = Index(D), DC = Index(D), DR = Index(D);
    const TGrid Src = A;
    TGrid Want = Dest;
    std::int32_t Code = -1;
    if (Usable(Src) && Usable(Dest)) {
        Code = -2;
        const bool Bounds = In(FC, Cols(Src)) && In(LC, Cols(Src)) && In(FR, Rows(Src)) && In(LR, Rows(Src)) &&
                            FC <= LC && FR <= LR;
        if (Bounds && In(DC, Cols(Dest)) && In(DR, Rows(Dest)) && In(DC + LC - FC, Cols(Dest)) &&
            In(DR + LR - FR, Rows(Dest))) {
            Code = 0;
            for (auto C = FC; C <= LC; ++C)
                for (auto R = FR; R <= LR; ++R) Want[DC + C - FC][DR + R - FR] = Src[C][R];
        }
    }
    FUZZ_CHECK(CopyArray(Src, FC, FR, LC, LR, DC, DR, Dest) == Code);
    FUZZ_CHECK(Dest == Want);
    if (Alias) {
        // The same array as source and destination, as if through a buffer.
        TGrid Again = Src;
        FUZZ_CHECK(CopyArray(Again, FC, FR, LC, LR, DC, DR, Again) == Code && Again == Want);
    }
}

void CheckTranspose(TGrid& A) {
    const TGrid Before = A;
    const int R = TransposeArray(A);
    FUZZ_CHECK(R == (Usable(Before) ? 0 : -1));
    if (R != 0) {
        FUZZ_CHECK(A == Before);
        return;
    }
    FUZZ_CHECK(Cols(A) == Rows(Before) && Rows(A) == Cols(Before) && !Ragged(A));
    for (std::size_t C = 0; C < Cols(A); ++C)
        for (std::size_t Row = 0; Row < Rows(A); ++Row) FUZZ_CHECK(A[C][Row] == Before[Row][C]);
}

void CheckFlood(FuzzedDataProvider& D, TGrid& A) {
    const std::int32_t I1 = Index(D), I2 = Index(D), NewVal = D.ConsumeIntegralInRange(-2, 2);
    const TGrid Before = A;
    std::int32_t MaxJ = 0, MinJ = 0, MinI = 0, MaxI = 0;
    const std::int32_t R = FloodFillArray(I1, I2, NewVal, A, MaxJ, MinJ, MinI, MaxI);
    if (!Usable(Before) || !In(I1, Cols(Before)) || !In(I2, Rows(Before))) {
        FUZZ_CHECK(R == -1 && A == Before);
        return;
    }
    const std::int32_t Seed = Before[I1][I2];
    if (Seed == NewVal) {
        FUZZ_CHECK(R == -2 && A == Before);
        return;
    }
    // Breadth-first search of the 4-connected cells equal to the seed, inside the view.
    TGrid Want = Before;
    std::vector<std::pair<std::int32_t, std::int32_t>> Queue = {{I1, I2}};
    Want[I1][I2] = NewVal;
    std::int32_t LoI = I1, HiI = I1, LoJ = I2, HiJ = I2;
    for (std::size_t K = 0; K < Queue.size(); ++K) {
        const auto [I, J] = Queue[K];
        LoI = std::min(LoI, I), HiI = std::max(HiI, I), LoJ = std::min(LoJ, J), HiJ = std::max(HiJ, J);
        const std::pair<std::int32_t, std::int32_t> Next[4] = {{I - 1, J}, {I + 1, J}, {I, J - 1}, {I, J + 1}};
        for (const auto& [NI, NJ] : Next)
            if (In(NI, Cols(Before)) && In(NJ, Rows(Before)) && Want[NI][NJ] == Seed) {
                Want[NI][NJ] = NewVal;
                Queue.push_back({NI, NJ});
            }
    }
    FUZZ_CHECK(R == static_cast<std::int32_t>(Queue.size()) && A == Want);
    FUZZ_CHECK(MinI == LoI && MaxI == HiI && MinJ == LoJ && MaxJ == HiJ);
}

void CheckExtremes(FuzzedDataProvider& D, const TGrid& A) {
    std::int32_t Trace = 7;
    const int T = TraceOfArray(A, Trace);
    if (!Usable(A)) {
        FUZZ_CHECK(T == -1 && Trace == 0);
    } else if (Cols(A) != Rows(A)) {
        FUZZ_CHECK(T == -2 && Trace == 0);
    } else {
        std::uint32_t Sum = 0;  // the trace wraps at 32 bits
        for (std::size_t K = 0; K < Cols(A); ++K) Sum += static_cast<std::uint32_t>(A[K][K]);
        FUZZ_CHECK(T == 0 && Trace == static_cast<std::int32_t>(Sum));
    }
    const std::int32_t FC = Index(D), FR = Index(D), LC = Index(D), LR = Index(D);
    std::int32_t Min = 0, Max = 0, MinC = 0, MinR = 0, MaxC = 0, MaxR = 0;
    const std::int32_t R = MinMaxArray(A, FC, FR, LC, LR, Min, Max, MinC, MinR, MaxC, MaxR);
    const std::int32_t Top = std::numeric_limits<std::int32_t>::max(), Bottom = std::numeric_limits<std::int32_t>::min();
    std::int32_t WantMin = Top, WantMax = Bottom, Code = -1;
    if (Usable(A)) {
        Code = In(FC, Cols(A)) && In(LC, Cols(A)) && In(FR, Rows(A)) && In(LR, Rows(A)) ? 0 : -2;
        if (Code == 0)
            for (auto C = FC; C <= LC; ++C)
                for (auto Row = FR; Row <= LR; ++Row) WantMin = std::min(WantMin, A[C][Row]), WantMax = std::max(WantMax, A[C][Row]);
    }
    FUZZ_CHECK(R == Code && Min == WantMin && Max == WantMax);
    FUZZ_CHECK(Min == Top ? MinC == 0 && MinR == 0 : A[MinC][MinR] == Min);
    FUZZ_CHECK(Max == Bottom ? MaxC == 0 && MaxR == 0 : A[MaxC][MaxR] == Max);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider D(Data, Size);
    TGrid A = MakeGrid(D), B = D.ConsumeBool() ? A : MakeGrid(D);
    for (int Step = 0; Step < 8 && D.remaining_bytes() > 0; ++Step) {
        switch (D.ConsumeIntegralInRange(0, 6)) {
            case 0: CheckEqual(A, B); break;
            case 1: CheckClone(A); break;
            case 2: CheckCount(D, A); break;
            case 3: CheckCopy(D, A, B); break;
            case 4: CheckTranspose(A); break;
            case 5: CheckFlood(D, A); break;
            default: CheckExtremes(D, A); break;
        }
    }
    return 0;
}
