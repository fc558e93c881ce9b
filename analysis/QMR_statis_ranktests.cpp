// Rank and variance tests.
#include "analysis/QMR_statis_ranktests.h"

#include "analysis/QMR_math2_curvefit.h"
#include "analysis/QMR_statis_special.h"
#include "analysis/detail/QMR_distributions.h"
#include "analysis/detail/QMR_statis_tables.h"
#include "containers/QMR_matrix_access.h"
#include "containers/QMR_vector_access.h"
#include "foundations/detail/combsort.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

namespace qmr {

// ---------------------------------------------------------------- Wilcoxon

std::int32_t WilcoxonSRQuantile(std::int32_t n, double alpha, bool TwoSided) {
    if (n < 8 || n > 1000000 || !(alpha >= 0.000499999 && alpha <= 0.20000001)) return -1;
    double Value = 0;
    if (n > detail::WilcoxonSRHighN) {
        const double z = -nDistriQuantile(TwoSided ? alpha / 2 : alpha);
        const double nr = n;
        Value = nr * (nr + 1) / 4 - z * std::sqrt(nr * (nr + 1) * (2 * nr + 1) / 24);
    } else {
        const int Used = n == 8 ? 3 : n <= 10 ? 4 : detail::WilcoxonSRLevels;
        const auto& Row = detail::WilcoxonSRCritical[n - detail::WilcoxonSRLowN];
        TCurveFit Fit(nullptr);
        for (int j = 0; j < Used; ++j) Fit.EnterStatValue(std::log(detail::WilcoxonSRLevelValues[j]), Row[j]);
        double k0 = 0, k1 = 0, k2 = 0, FitQual = 0;
        Fit.CalcParabolFit(k0, k1, k2, FitQual);
        const double x = std::log(TwoSided ? alpha : 2 * alpha);
        Value = std::max(0.0, k0 + k1 * x + k2 * x * x);
    }
    std::int64_t Result = 0;
    if (!detail::CheckedRoundToInt64(Value, Result) || Result > std::numeric_limits<std::int32_t>::max() ||
        Result < std::numeric_limits<std::int32_t>::min())
        return -1;
    return static_cast<std::int32_t>(Result);
}

// ---------------------------------------------------------------- Friedman

double FriedmanTest(const TMatrix* Data, double& Chi2) {
    if (Data == nullptr || Data->NrOfRows() < 1 || Data->NrOfColumns() < 3) return -1;
    const std::int32_t N = Data->NrOfRows(), k = Data->NrOfColumns();
    const double* X = detail::TMatrixAccess::Data(*Data);
    const std::size_t Ld = detail::TMatrixAccess::Ld(*Data), K = static_cast<std::size_t>(k);
    std::vector<detail::TRankItem> Row(K);  // one scratch row for every block
    std::vector<double> RankSum(K, 0.0);     // half-integers: exact
    double TieSum = 0;
    for (std::int32_t r = 0; r < N; ++r) {
        for (std::size_t c = 0; c < K; ++c) Row[c] = {X[c * Ld + static_cast<std::size_t>(r)], c};
        TieSum += detail::MidRanks(Row.data(), k, [&RankSum](std::size_t Col, double Mid) { RankSum[Col] += Mid; });
    }
    // 12 sum R_j^2 / (N k (k + 1)) - 3 N (k + 1) as the squared deviations of the rank
    // sums from their mean N (k + 1) / 2, which do not cancel.
    const double Nr = N, kr = k, Centre = Nr * (kr + 1) / 2;
    Extended Ss = 0;
    for (double R : RankSum) Ss += (R - Centre) * (R - Centre);
    double Stat = 12 * static_cast<double>(Ss) / (Nr * kr * (kr + 1));
    if (TieSum > 0) {
        const double Untied = Nr - TieSum / ((kr * kr - 1) * kr);  // N less the fully tied rows' share
        if (!(Untied > 0)) {
            Chi2 = 0;
            return 1;
        }
        Stat = Stat * Nr / Untied;
    }
    Chi2 = Stat;
    return detail::ChiSquareUpper(Stat, k - 1);
}

// ---------------------------------------------------------------- grouped samples

namespace {

// Numbers integer group codes 0, 1, ... in the order of their first appearance (codes
// match as reals within 1e-8, which for integers is equality): open addressing with
// linear probing, kept at most half full.
class TCodeIndex {
public:
    TCodeIndex() : FCode(kStart), FSlot(kStart, -1) {}
    std::int32_t Count() const noexcept { return FCount; }
    std::int32_t IndexOf(std::int32_t Code) {
        if (Code == FLastCode && FLast >= 0) return FLast;
        std::size_t h = Home(Code);
        while (FSlot[h] >= 0 && FCode[h] != Code) h = (h + 1) & (FSlot.size() - 1);
        if (FSlot[h] < 0) {
            FCode[h] = Code;
            FSlot[h] = FCount++;
            if (2 * static_cast<std::size_t>(FCount) > FSlot.size()) Grow();
            return Remember(Code, FCount - 1);
        }
        return Remember(Code, FSlot[h]);
    }

private:
    static constexpr std::size_t kStart = 64;  // 2^(64 - 58) slots
    // Fibonacci hashing: the top bits of the code times 2^64 / golden ratio.
    std::size_t Home(std::int32_t Code) const noexcept {
        return static_cast<std::size_t>((std::uint64_t{static_cast<std::uint32_t>(Code)} * 0x9E3779B97F4A7C15u) >> FShift);
    }
    std::int32_t Remember(std::int32_t Code, std::int32_t Ix) noexcept {
        FLastCode = Code;
        FLast = Ix;
        return Ix;
    }
    void Grow() {
        std::vector<std::int32_t> Codes(FCode.size() * 2), Slots(FSlot.size() * 2, -1);
        Codes.swap(FCode);
        Slots.swap(FSlot);
        --FShift;
        for (std::size_t i = 0; i < Slots.size(); ++i) {
            if (Slots[i] < 0) continue;
            std::size_t h = Home(Codes[i]);
            while (FSlot[h] >= 0) h = (h + 1) & (FSlot.size() - 1);
            FCode[h] = Codes[i];
            FSlot[h] = Slots[i];
        }
    }
    std::vector<std::int32_t> FCode, FSlot;  // FSlot: group number, -1 for a free slot
    std::int32_t FCount = 0, FLastCode = 0, FLast = -1;
    int FShift = 58;  // 64 - log2 of the slot count
};

// Mean of a group accumulated about its first value: a group of equal values has that
// value as its mean exactly, and the sum does not carry the values' common offset.
struct TShiftedMean {
    double Shift = 0;
    Extended Sum = 0;
    std::int64_t Count = 0;
    void Add(double v) {
        if (Count++ == 0) Shift = v;
        Sum += v - Shift;
    }
    double Mean() const { return static_cast<double>(Shift + Sum / static_cast<Extended>(Count)); }
};

// The grouping both tests share: each element's group and the groups' means of the data
// less its first value (exact for values within a factor 2 of it, so offsets do not cost
// precision).
struct TGroups {
    const double* X = nullptr;
    double X0 = 0;
    std::vector<std::int32_t> Of;
    std::vector<TShiftedMean> Mean;
    std::int32_t n = 0, k = 0;
    double Y(std::size_t i) const noexcept { return X[i] - X0; }
};

// 0 with G filled, or the code -4, -1, -2.
std::int32_t FormGroups(const TVector* Data, const TIntVector* Groups, TGroups& G) {
    if (Data == nullptr || Groups == nullptr || Data->NrOfElem() != Groups->NrOfElem()) return -4;
    const std::int32_t n = Data->NrOfElem();
    const std::int32_t* Code = detail::TVectorAccess::Data(*Groups);
    const auto N = static_cast<std::size_t>(n);
    G.X = detail::TVectorAccess::Data(*Data);
    G.X0 = G.X[0];
    G.n = n;
    G.Of.resize(N);
    TCodeIndex Index;
    for (std::size_t i = 0; i < N; ++i) {
        const std::int32_t g = Index.IndexOf(Code[i]);
        if (static_cast<std::size_t>(g) == G.Mean.size()) G.Mean.emplace_back();
        G.Of[i] = g;
        G.Mean[static_cast<std::size_t>(g)].Add(G.Y(i));
    }
    G.k = Index.Count();
    if (G.k <= 1) return -1;
    if (G.k >= n) return -2;
    return 0;
}

// Grand mean of the shifted data from the group sums.
double GrandMean(const std::vector<TShiftedMean>& M, std::int32_t n) {
    Extended S = 0;
    for (const TShiftedMean& g : M) S += g.Sum + static_cast<Extended>(g.Shift) * static_cast<Extended>(g.Count);
    return static_cast<double>(S / n);
}

// Sum over the groups of n_g (mean_g - grand mean)^2.
double Between(const std::vector<double>& GroupMean, const std::vector<TShiftedMean>& M, double Grand) {
    Extended S = 0;
    for (std::size_t g = 0; g < M.size(); ++g) {
        const double d = GroupMean[g] - Grand;
        S += static_cast<Extended>(M[g].Count) * (d * d);
    }
    return static_cast<double>(S);
}

// F, the result and its code from the two sums of squares.
double FResult(double SSb, double SSw, std::int32_t k, std::int32_t n, double& F) {
    const double MSB = SSb / (k - 1), MSW = SSw / (n - k);
    if (MSW == 0) {
        if (MSB == 0) {
            F = 0;
            return -3;
        }
        F = uc_MaxReal;
        return 0;
    }
    F = MSB / MSW;
    return detail::FUpper(F, k - 1, n - k);
}

std::vector<double> MeansOf(const std::vector<TShiftedMean>& M) {
    std::vector<double> Out(M.size());
    std::transform(M.begin(), M.end(), Out.begin(), [](const TShiftedMean& g) { return g.Mean(); });
    return Out;
}

}  // namespace

double LeveneTest(const TVector* Data, const TIntVector* Groups, double& F) {
    TGroups G;
    if (const std::int32_t Code = FormGroups(Data, Groups, G); Code != 0) return Code;
    const std::vector<double> M = MeansOf(G.Mean);
    const std::size_t N = G.Of.size();
    // Absolute deviations from the group means, and their group means in turn.
    std::vector<TShiftedMean> ZMean(G.Mean.size());
    for (std::size_t i = 0; i < N; ++i) {
        const auto g = static_cast<std::size_t>(G.Of[i]);
        ZMean[g].Add(std::fabs(G.Y(i) - M[g]));
    }
    const std::vector<double> Zm = MeansOf(ZMean);
    Extended Within = 0;
    for (std::size_t i = 0; i < N; ++i) {
        const auto g = static_cast<std::size_t>(G.Of[i]);
        const double d = std::fabs(G.Y(i) - M[g]) - Zm[g];
        Within += d * d;
    }
    return FResult(Between(Zm, ZMean, GrandMean(ZMean, G.n)), static_cast<double>(Within), G.k, G.n, F);
}

double Anova1F(const TVector* Data, const TIntVector* Groups, double& SSbetween, double& SSwithin, double& SStotal,
               std::int32_t& dfbetween, std::int32_t& dfwithin, std::int32_t& dftotal, double& F) {
    TGroups G;
    if (const std::int32_t Code = FormGroups(Data, Groups, G); Code != 0) return Code;
    const std::vector<double> M = MeansOf(G.Mean);
    const double Grand = GrandMean(G.Mean, G.n);
    Extended Within = 0, Total = 0;
    for (std::size_t i = 0; i < G.Of.size(); ++i) {
        const double y = G.Y(i), d = y - M[static_cast<std::size_t>(G.Of[i])], t = y - Grand;
        Within += d * d;
        Total += t * t;
    }
    SSbetween = Between(M, G.Mean, Grand);
    SSwithin = static_cast<double>(Within);
    SStotal = static_cast<double>(Total);
    dfbetween = G.k - 1;
    dfwithin = G.n - G.k;
    dftotal = G.n - 1;
    return FResult(SSbetween, SSwithin, G.k, G.n, F);
}

}  // namespace qmr
