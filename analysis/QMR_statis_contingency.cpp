// Contingency tables and binned counts.
#include "analysis/QMR_statis_contingency.h"

#include "analysis/detail/QMR_distributions.h"
#include "containers/QMR_vector_algos.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

namespace qmr {

namespace {

__extension__ typedef __int128 TInt128;

// True when every column of T is as long as the first and T has at least MinCols
// columns and MinRows rows.
bool HasShape(const TInt2DArray& T, std::size_t MinCols, std::size_t MinRows) {
    if (T.size() < MinCols || T[0].size() < MinRows) return false;
    return std::all_of(T.begin(), T.end(), [&](const TIntArray& Col) { return Col.size() == T[0].size(); });
}

bool IsBare2x2(const TInt2DArray& T) { return T.size() == 2 && T[0].size() == 2 && T[1].size() == 2; }

// The distribution of the top-left cell A of the 2 x 2 tables with the margins of a
// table with non-negative cells and N <= 1000: A runs over [Lo, Hi], Hi - Lo being the
// smallest margin. The weights follow from the mode by the ratios of neighbouring
// hypergeometric terms and are normalised by their sum, so every probability carries a
// relative error of a few hundred ulps at most, small tails included.
struct THypergeo2x2 {
    std::int64_t a = 0, Lo = 0, Hi = 0;
    std::vector<Extended> P;  // P[k] = probability of A = Lo + k

    explicit THypergeo2x2(const TInt2DArray& T) {
        a = T[0][0];
        const std::int64_t b = T[1][0], c = T[0][1], d = T[1][1];
        const std::int64_t r1 = a + b, r2 = c + d, c1 = a + c, N = a + b + c + d;
        Lo = std::max<std::int64_t>(0, c1 - r2);
        Hi = std::min(r1, c1);
        P.assign(static_cast<std::size_t>(Hi - Lo + 1), 0);
        const std::int64_t Mode = std::clamp((r1 + 1) * (c1 + 1) / (N + 2), Lo, Hi);
        auto At = [&](std::int64_t x) -> Extended& { return P[static_cast<std::size_t>(x - Lo)]; };
        At(Mode) = 1;
        // A -> A + 1 multiplies by (r1 - A)(c1 - A) / ((A + 1)(r2 - c1 + A + 1)).
        for (std::int64_t x = Mode; x < Hi; ++x)
            At(x + 1) = At(x) * (static_cast<Extended>((r1 - x) * (c1 - x)) /
                                 static_cast<Extended>((x + 1) * (r2 - c1 + x + 1)));
        for (std::int64_t x = Mode; x > Lo; --x)
            At(x - 1) = At(x) * (static_cast<Extended>(x * (r2 - c1 + x)) /
                                 static_cast<Extended>((r1 - x + 1) * (c1 - x + 1)));
        Extended Sum = 0;
        for (Extended w : P) Sum += w;
        for (Extended& w : P) w /= Sum;
    }
    Extended Observed() const { return P[static_cast<std::size_t>(a - Lo)]; }
};

// The checks of the 2 x 2 routines: -1 not 2 x 2, then -3 a negative cell, then -2 for
// N > 1000 (the range of the ln k! table the limit comes from); 0 when the table passes.
std::int32_t Check2x2(const TInt2DArray& T) {
    if (!IsBare2x2(T)) return -1;
    if (std::min({T[0][0], T[1][0], T[0][1], T[1][1]}) < 0) return -3;
    const std::int64_t N = std::int64_t{T[0][0]} + T[1][0] + T[0][1] + T[1][1];
    return N > uc_LnFactorialMax ? -2 : 0;
}

// x (x - 1) / 2.
TInt128 Pairs(std::int64_t x) { return static_cast<TInt128>(x) * (x - 1) / 2; }

}  // namespace

std::int32_t Chi2OfContTab(const TInt2DArray& Table, double& Chi2, double& P) {
    Chi2 = 0;
    P = 0;
    if (!HasShape(Table, 3, 3)) return -1;
    const std::size_t Nc = Table.size() - 1, Nr = Table[0].size() - 1;
    const auto Total = static_cast<double>(Table[Nc][Nr]);
    if (!(Total > 0)) return -1;
    Extended Sum = 0;
    for (std::size_t i = 0; i < Nc; ++i) {
        const auto ColTotal = static_cast<double>(Table[i][Nr]);
        for (std::size_t j = 0; j < Nr; ++j) {
            const double E = ColTotal * static_cast<double>(Table[Nc][j]) / Total;
            if (!(E > 0)) continue;
            const double Dev = static_cast<double>(Table[i][j]) - E;
            Sum += Dev * Dev / E;
        }
    }
    Chi2 = static_cast<double>(Sum);
    const std::int64_t Df = static_cast<std::int64_t>(Nc - 1) * static_cast<std::int64_t>(Nr - 1);
    P = detail::ChiSquareUpper(Chi2, static_cast<std::int32_t>(std::min<std::int64_t>(Df, INT32_MAX)));
    return 0;
}

std::int32_t Chi2OfContTabYates(const TInt2DArray& Table, double& Chi2, double& P) {
    Chi2 = 0;
    P = 0;
    if (!HasShape(Table, 3, 3) || Table.size() != 3 || Table[0].size() != 3) return -1;
    const std::int64_t a = Table[0][0], b = Table[1][0], c = Table[0][1], d = Table[1][1];
    const std::int32_t r1 = Table[2][0], r2 = Table[2][1], c1 = Table[0][2], c2 = Table[1][2];
    // A negative total or margin would make the statistic negative.
    if (Table[2][2] < 0 || std::min({r1, r2, c1, c2}) < 0) return -1;
    const auto N = static_cast<double>(Table[2][2]);
    // ad - bc of 32-bit cells fits 64 bits exactly; its real value rounds once.
    const double Cross = std::fabs(static_cast<double>(a * d - b * c));
    const double Excess = std::max(0.0, Cross - N / 2);
    const double Numerator = Excess * Excess * N;
    const double Margins =
        static_cast<double>(r1) * static_cast<double>(r2) * static_cast<double>(c1) * static_cast<double>(c2);
    if (Margins == 0) {
        Chi2 = Numerator;
        return -2;
    }
    if (N == 0) return -1;  // margins that no table with a grand total of 0 has
    Chi2 = Numerator / Margins;
    P = detail::ChiSquareUpper(Chi2, 1);
    return 0;
}

std::int32_t MedianTest(const TDoubleArray& Data1, const TDoubleArray& Data2, double& Chi2, double& P,
                        double& Chi2Yates, double& PYates, double& PFisher) {
    Chi2 = P = Chi2Yates = PYates = 0;
    PFisher = -1;
    if (Data1.empty() || Data2.empty()) return -1;
    std::vector<double> All(Data1);
    All.insert(All.end(), Data2.begin(), Data2.end());
    // The ordinary median (n >= 2): the middle value, or halfway between the two middle ones.
    const auto n = static_cast<std::int64_t>(All.size());
    detail::TRankSelector<double> Sel(All.data(), n);
    Sel.Select({(n - 1) / 2, n / 2});
    const double Median = detail::Interpolated(Sel, (n - 1) / 2, n % 2 == 0 ? 0.5 : 0.0);
    auto Below = [Median](const TDoubleArray& D) {
        return static_cast<std::int32_t>(std::count_if(D.begin(), D.end(), [Median](double x) { return x <= Median; }));
    };
    // Columns: sample 1, sample 2; rows: above the median, at or below it; then the margins.
    const std::int32_t n1 = static_cast<std::int32_t>(Data1.size()), n2 = static_cast<std::int32_t>(Data2.size());
    const std::int32_t Lo1 = Below(Data1), Lo2 = Below(Data2);
    const TInt2DArray T{{n1 - Lo1, Lo1, n1}, {n2 - Lo2, Lo2, n2}, {n1 - Lo1 + n2 - Lo2, Lo1 + Lo2, n1 + n2}};
    Chi2OfContTab(T, Chi2, P);
    std::int32_t Result = 0;
    if (Chi2OfContTabYates(T, Chi2Yates, PYates) != 0) {
        Chi2Yates = PYates = 0;
        Result = -2;
    }
    double PLeft = 0, PRight = 0, PTwoTail = 0;
    if (FisherExactTest({{T[0][0], T[0][1]}, {T[1][0], T[1][1]}}, PLeft, PRight, PTwoTail) == 0)
        PFisher = std::min(PLeft, PRight);
    return Result;
}

std::int32_t PerformChi2DistComp(const TIntArray& Hist1, const TIntArray& Hist2, double& Chi2, double& P,
                                 std::int32_t& DF, std::int32_t& Total1, std::int32_t& Total2) {
    Chi2 = P = 0;
    DF = Total1 = Total2 = 0;
    if (Hist1.size() != Hist2.size()) return -1;
    std::int64_t T1 = 0, T2 = 0;
    bool Negative = false;
    for (std::size_t i = 0; i < Hist1.size(); ++i) {
        T1 += Hist1[i];
        T2 += Hist2[i];
        Negative = Negative || Hist1[i] < 0 || Hist2[i] < 0;
    }
    auto Fits = [](std::int64_t T) { return T <= std::numeric_limits<std::int32_t>::max(); };
    if (Fits(T1)) Total1 = static_cast<std::int32_t>(T1);
    if (Fits(T2)) Total2 = static_cast<std::int32_t>(T2);
    if (Hist1.empty()) return -2;
    if (Negative || T1 <= 0 || T2 <= 0 || !Fits(T1) || !Fits(T2)) return -3;

    const double k1 = std::sqrt(static_cast<double>(T2) / static_cast<double>(T1));
    const double k2 = std::sqrt(static_cast<double>(T1) / static_cast<double>(T2));
    Extended Sum = 0;
    std::int64_t O = 0, E = 0, Bins = 0;
    auto Close = [&] {
        const double Dev = k1 * static_cast<double>(O) - k2 * static_cast<double>(E);
        Sum += Dev * Dev / static_cast<double>(E);
        ++Bins;
        O = E = 0;
    };
    const std::size_t n = Hist1.size();
    for (std::size_t i = 0; i < n; ++i) {
        O += Hist1[i];
        E += Hist2[i];
        if (E > 5 && i + 1 < n && Hist2[i + 1] != 0) Close();
    }
    // With no negative count, a rest holds Hist2's bin after the last close (not 0) or
    // every bin: its E is positive.
    if (O + E > 0) Close();
    Chi2 = static_cast<double>(Sum);
    DF = static_cast<std::int32_t>(Bins - 1);
    P = DF < 1 ? 1.0 : detail::ChiSquareUpper(Chi2, DF);
    return 0;
}

std::int8_t Prob2x2Contingency(const TInt2DArray& Table, double& Prob) {
    Prob = 0;
    if (const std::int32_t Code = Check2x2(Table); Code != 0) return static_cast<std::int8_t>(Code);
    Prob = static_cast<double>(THypergeo2x2(Table).Observed());
    return 0;
}

std::int32_t FisherExactTest(const TInt2DArray& Table, double& PLeft, double& PRight, double& PTwoTail) {
    PLeft = PRight = PTwoTail = 0;
    if (const std::int32_t Code = Check2x2(Table); Code != 0) return Code;
    const THypergeo2x2 H(Table);
    const Extended PObs = H.Observed(), Bound = PObs * (1 + 1e-7);
    Extended Left = 0, Right = 0, Two = 0;
    for (std::int64_t x = H.Lo; x <= H.Hi; ++x) {
        const Extended p = H.P[static_cast<std::size_t>(x - H.Lo)];
        if (x <= H.a) Left += p;
        if (x >= H.a) Right += p;
        if (p <= Bound) Two += p;
    }
    PLeft = static_cast<double>(std::min<Extended>(Left, 1));
    PRight = static_cast<double>(std::min<Extended>(Right, 1));
    PTwoTail = static_cast<double>(std::min<Extended>(Two, 1));
    return 0;
}

double AdjustedRandIx(const TInt2DArray& Table) {
    if (!HasShape(Table, 2, 2)) return 0;
    const std::size_t Nc = Table.size() - 1, Nr = Table[0].size() - 1;
    TInt128 Index = 0, A = 0, B = 0;
    for (std::size_t i = 0; i < Nc; ++i)
        for (std::size_t j = 0; j < Nr; ++j) Index += Pairs(Table[i][j]);
    for (std::size_t j = 0; j < Nr; ++j) A += Pairs(Table[Nc][j]);
    for (std::size_t i = 0; i < Nc; ++i) B += Pairs(Table[i][Nr]);
    const TInt128 Cn = Pairs(Table[Nc][Nr]);
    // (Index - A B / Cn) / ((A + B) / 2 - A B / Cn) = 2 (Index Cn - A B) / ((A + B) Cn - 2 A B),
    // exact in 128 bits while the pair counts stay below 2^61 (every consistent table).
    constexpr TInt128 Limit = TInt128{1} << 61;
    auto Small = [&](TInt128 x) { return x < Limit && x > -Limit; };
    if (Small(Index) && Small(A) && Small(B) && Small(Cn)) {
        const TInt128 Den = (A + B) * Cn - 2 * A * B;
        if (Den == 0) return 1;
        return static_cast<double>(static_cast<long double>(2 * (Index * Cn - A * B)) / static_cast<long double>(Den));
    }
    // Pair counts of inconsistent huge margins: in floating point.
    const auto Ix = static_cast<long double>(Index), Ar = static_cast<long double>(A),
               Br = static_cast<long double>(B), Cr = static_cast<long double>(Cn);
    const long double Expected = Ar * Br / Cr, Den = (Ar + Br) / 2 - Expected;
    return Den == 0 || Cr == 0 ? 1.0 : static_cast<double>((Ix - Expected) / Den);
}

std::int32_t Lambda(const TInt2DArray& Table, double& LambdaRows, double& LambdaCols) {
    LambdaRows = LambdaCols = 0;
    if (!HasShape(Table, 2, 2)) return -1;
    const std::size_t Nc = Table.size() - 1, Nr = Table[0].size() - 1;
    std::int64_t SumColMax = 0, SumRowMax = 0, MaxRowTotal = std::numeric_limits<std::int64_t>::min(),
                 MaxColTotal = MaxRowTotal;
    for (std::size_t i = 0; i < Nc; ++i) {
        std::int64_t Sum = 0, Max = Table[i][0];
        for (std::size_t j = 0; j < Nr; ++j) {
            Sum += Table[i][j];
            Max = std::max<std::int64_t>(Max, Table[i][j]);
        }
        if (Sum != Table[i][Nr]) return -1;
        SumColMax += Max;
        MaxColTotal = std::max<std::int64_t>(MaxColTotal, Table[i][Nr]);
    }
    for (std::size_t j = 0; j < Nr; ++j) {
        std::int64_t Sum = 0, Max = Table[0][j];
        for (std::size_t i = 0; i < Nc; ++i) {
            Sum += Table[i][j];
            Max = std::max<std::int64_t>(Max, Table[i][j]);
        }
        if (Sum != Table[Nc][j]) return -1;
        SumRowMax += Max;
        MaxRowTotal = std::max<std::int64_t>(MaxRowTotal, Table[Nc][j]);
    }
    const std::int64_t N = Table[Nc][Nr];
    auto Ratio = [](std::int64_t Num, std::int64_t Den) {
        return Den == 0 ? 0.0 : static_cast<double>(Num) / static_cast<double>(Den);
    };
    LambdaRows = Ratio(SumColMax - MaxRowTotal, N - MaxRowTotal);
    LambdaCols = Ratio(SumRowMax - MaxColTotal, N - MaxColTotal);
    return 0;
}

}  // namespace qmr
