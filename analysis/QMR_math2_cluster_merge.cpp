// Pairwise merging: reduction of rows to centres (FindCenters) and agglomerative
// clustering with a dendrogram (AgglomClustering).
//
// Both merge the closest pair of slots, the first pair in slot order on ties. Instead of
// rescanning every pair at each step, each slot keeps its nearest later slot (the first
// on ties); a merge touches only the slots whose nearest was involved, which makes the
// run about O(n^2) while selecting exactly the pairs of the plain scan.
#include "analysis/QMR_math2.h"

#include "analysis/detail/QMR_cluster_detail.h"
#include "containers/QMR_matrix_access.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace qmr {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// For every slot s of 0..Last: the nearest active slot t > s (the first on ties) and its
// rank (detail::PairRank). Closest() then yields the pair that a scan over all pairs
// s < t in slot order finds when it starts at +infinity, lets only strictly smaller
// distances win and otherwise takes the first pair.
class TNearestLater {
public:
    explicit TNearestLater(std::size_t n) : FRank(n, kInf), FTo(n, -1) {}

    std::int32_t To(std::int32_t s) const noexcept { return FTo[static_cast<std::size_t>(s)]; }

    // Full scan of the active slots s + 1..Last; To(s) = -1 when there is none.
    template <class DistFn, class ActiveFn>
    void Recompute(std::int32_t s, std::int32_t Last, DistFn&& Dist, ActiveFn&& Active) {
        double Best = kInf;
        std::int32_t To = -1, First = -1;
        for (std::int32_t t = s + 1; t <= Last; ++t) {
            if (!Active(t)) continue;
            if (First < 0) First = t;
            const double R = detail::PairRank(Dist(s, t));
            if (R < Best) Best = R, To = t;
        }
        FRank[static_cast<std::size_t>(s)] = Best;
        FTo[static_cast<std::size_t>(s)] = To >= 0 ? To : First;
    }

    // Slot t > s, other than To(s), is a candidate of s at distance Dist (new or changed).
    void Offer(std::int32_t s, std::int32_t t, double Dist) noexcept {
        const auto S = static_cast<std::size_t>(s);
        const double R = detail::PairRank(Dist);
        if (FTo[S] < 0 || R < FRank[S] || (R == FRank[S] && t < FTo[S])) FRank[S] = R, FTo[S] = t;
    }

    // The closest pair g < h among the active slots 0..Last; false when there is none.
    template <class ActiveFn>
    bool Closest(std::int32_t Last, ActiveFn&& Active, std::int32_t& g, std::int32_t& h) const {
        double Best = kInf;
        std::int32_t G = -1, First = -1;
        for (std::int32_t s = 0; s < Last; ++s) {
            const auto S = static_cast<std::size_t>(s);
            if (FTo[S] < 0 || !Active(s)) continue;
            if (First < 0) First = s;
            if (FRank[S] < Best) Best = FRank[S], G = s;
        }
        if (G < 0) G = First;
        if (G < 0) return false;
        g = G;
        h = FTo[static_cast<std::size_t>(G)];
        return true;
    }

private:
    std::vector<double> FRank;
    std::vector<std::int32_t> FTo;
};

// The new distance of the cluster merged from g and h to cluster i.
double LanceWilliams(TClusterMethod Method, double Dgi, double Dhi, double Dgh, double ng, double nh, double ni,
                     double Alpha) noexcept {
    switch (Method) {
        case TClusterMethod::cmSingleLink: return Dgi < Dhi ? Dgi : Dhi;
        case TClusterMethod::cmCompleteLink: return Dgi > Dhi ? Dgi : Dhi;
        case TClusterMethod::cmWard: return ((ng + ni) * Dgi + (nh + ni) * Dhi - ni * Dgh) / (ng + nh + ni);
        case TClusterMethod::cmAvgLink: return (Dgi + Dhi) / 2;
        case TClusterMethod::cmFlexLink: return Alpha * (Dgi + Dhi) + (1 - 2 * Alpha) * Dgh;
        case TClusterMethod::cmUpgma: break;
    }
    return (ng * Dgi + nh * Dhi) / (ng + nh);
}

}  // namespace

// ---------------------------------------------------------------- reduction to centres

void FindCenters(const TMatrix& Mat, std::int32_t LoRow, std::int32_t HiRow, std::int32_t NumCenters,
                 TMatrix& Centers, double& MeanDist) {
    MeanDist = 0;
    if (NumCenters < 1 || !detail::ClusterRowRange(Mat.NrOfRows(), LoRow, HiRow)) return;
    const auto p = static_cast<std::size_t>(std::max(Mat.NrOfColumns(), 0));
    const std::int32_t m = HiRow - LoRow + 1;
    // The working rows, each contiguous, and their weights.
    std::vector<double> W(static_cast<std::size_t>(m) * p);
    const double* Data = detail::TMatrixAccess::Data(Mat);
    const std::size_t Ld = detail::TMatrixAccess::Ld(Mat);
    for (std::size_t c = 0; c < p; ++c)
        for (std::int32_t s = 0; s < m; ++s)
            W[static_cast<std::size_t>(s) * p + c] = Data[c * Ld + static_cast<std::size_t>(LoRow - 1 + s)];
    std::vector<double> Weight(static_cast<std::size_t>(m), 1.0);
    auto Row = [&](std::int32_t s) { return W.data() + static_cast<std::size_t>(s) * p; };
    auto SqDist = [&](std::int32_t s, std::int32_t t) {
        const double *X = Row(s), *Y = Row(t);
        double S = 0;
        for (std::size_t c = 0; c < p; ++c) {
            const double D = X[c] - Y[c];
            S += D * D;
        }
        return S;
    };
    auto All = [](std::int32_t) { return true; };

    std::int32_t Last = m - 1;
    if (m > NumCenters) {
        TNearestLater Near(static_cast<std::size_t>(m));
        for (std::int32_t s = 0; s < Last; ++s) Near.Recompute(s, Last, SqDist, All);
        while (Last + 1 > NumCenters) {
            detail::StepProgress();
            std::int32_t i = 0, j = 1;
            Near.Closest(Last, All, i, j);
            // Row i := the weighted mean of rows i and j; row Last moves into slot j.
            double* Ri = Row(i);
            const double* Rj = Row(j);
            const double wi = Weight[static_cast<std::size_t>(i)], wj = Weight[static_cast<std::size_t>(j)];
            for (std::size_t c = 0; c < p; ++c) Ri[c] = (wi * Ri[c] + wj * Rj[c]) / (wi + wj);
            Weight[static_cast<std::size_t>(i)] = wi + wj;
            const std::int32_t L = Last--;
            if (j != L) {
                std::copy(Row(L), Row(L) + p, Row(j));
                Weight[static_cast<std::size_t>(j)] = Weight[static_cast<std::size_t>(L)];
            }
            for (std::int32_t s = 0; s < Last; ++s) {
                const std::int32_t t = Near.To(s);
                if (s == i || s == j || t == i || t == j || t == L) {
                    Near.Recompute(s, Last, SqDist, All);
                    continue;
                }
                if (i > s) Near.Offer(s, i, SqDist(s, i));
                if (j > s && j <= Last) Near.Offer(s, j, SqDist(s, j));
            }
        }
    }

    const std::int32_t NC = Last + 1;
    for (std::int32_t s = 0; s < NC; ++s)
        for (std::size_t c = 0; c < p; ++c) Centers.SetElem(static_cast<std::int32_t>(c + 1), s + 1, Row(s)[c]);
    if (NC < 2) return;
    double Sum = 0;
    for (std::int32_t s = 0; s < NC; ++s) {
        // The nearest other centre; the first one when none compares smaller than +infinity.
        double Best = kInf, BestDist = 0;
        std::int32_t First = -1;
        for (std::int32_t t = 0; t < NC; ++t) {
            if (t == s) continue;
            const double D = SqDist(s, t);
            if (First < 0) First = t, BestDist = D;
            if (detail::PairRank(D) < Best) Best = D, BestDist = D;
        }
        Sum += std::sqrt(BestDist);
    }
    MeanDist = Sum / NC;
}

// ---------------------------------------------------------------- hierarchical clustering

std::int32_t AgglomClustering(TObject* Sender, TMatrix& Mat, TDistMode DistMode, TClusterMethod Method,
                              double Alpha, TIntMatrix& Dendrogram, TVector& Distances, TVector& Positions,
                              const TClusterFeedback& Feedback, const TOnCalcDistanceEvent& OnCalcDist) {
    const std::int32_t n = Mat.NrOfRows();
    if (n < 1) return 0;
    if (Feedback) Feedback(Sender, 0, ProcStat.load());
    if (!(Alpha >= 0.5)) Alpha = 0.5;  // NaN too
    else if (Alpha > 1) Alpha = 1;

    const auto N = static_cast<std::size_t>(n);
    std::vector<double> D(N * N);
    {
        // The caller's handler serves this one call; the former one comes back on every path.
        struct TRestore {
            TMatrix& M;
            TOnCalcDistanceEvent Saved;
            ~TRestore() { M.OnCalcDistance = std::move(Saved); }
        } Restore{Mat, Mat.OnCalcDistance};
        Mat.OnCalcDistance = OnCalcDist;
        TMatrix DMat(nullptr);
        DMat.Resize(n, n);
        Mat.CalcDistMat(DistMode, &DMat);
        const double* P = detail::TMatrixAccess::Data(DMat);
        const std::size_t Ld = detail::TMatrixAccess::Ld(DMat);
        for (std::size_t s = 0; s < N; ++s) std::copy(P + s * Ld, P + s * Ld + N, D.begin() + s * N);
    }

    if (Distances.NrOfElem() != n - 1) Distances.SetNrOfElem(n - 1);
    if (Positions.NrOfElem() != 2 * n - 1) Positions.SetNrOfElem(2 * n - 1);
    if (Dendrogram.NrOfColumns() != 3 || Dendrogram.NrOfRows() != n - 1) Dendrogram.Resize(3, n - 1);
    AbortMathProc = false;

    std::vector<std::int32_t> Id(N), Size(N, 1), PartA, PartB;
    for (std::size_t s = 0; s < N; ++s) Id[s] = static_cast<std::int32_t>(s + 1);
    std::vector<char> Active(N, 1);
    PartA.reserve(N);
    PartB.reserve(N);
    auto Dist = [&](std::int32_t s, std::int32_t t) {
        return D[static_cast<std::size_t>(s) * N + static_cast<std::size_t>(t)];
    };
    auto IsActive = [&](std::int32_t s) { return Active[static_cast<std::size_t>(s)] != 0; };
    TNearestLater Near(N);
    for (std::int32_t s = 0; s < n - 1; ++s) Near.Recompute(s, n - 1, Dist, IsActive);

    for (std::int32_t f = 1; f <= n - 1 && !detail::AbortRequested(); ++f) {
        detail::StepProgress();
        if (Feedback) Feedback(Sender, 100.0 * f / n, ProcStat.load());
        std::int32_t g = 0, h = 1;
        Near.Closest(n - 1, IsActive, g, h);
        const auto G = static_cast<std::size_t>(g), H = static_cast<std::size_t>(h);
        const double Dgh = D[G * N + H];
        const auto ng = static_cast<double>(Size[G]), nh = static_cast<double>(Size[H]);
        for (std::size_t i = 0; i < N; ++i) {
            if (!Active[i] || i == G || i == H) continue;
            const double New = LanceWilliams(Method, D[G * N + i], D[H * N + i], Dgh, ng, nh,
                                             static_cast<double>(Size[i]), Alpha);
            D[H * N + i] = New;
            D[i * N + H] = New;
        }
        Dendrogram.SetElem(1, f, Id[G]);
        Dendrogram.SetElem(2, f, Id[H]);
        Dendrogram.SetElem(3, f, n + f);
        Distances.SetElem(f, Dgh);
        PartA.push_back(Id[G]);
        PartB.push_back(Id[H]);
        Id[H] = n + f;
        Size[H] += Size[G];
        Active[G] = 0;
        for (std::int32_t s = 0; s < h; ++s) {
            if (!IsActive(s)) continue;
            const std::int32_t t = Near.To(s);
            if (t == g || t == h) Near.Recompute(s, n - 1, Dist, IsActive);
            else Near.Offer(s, h, Dist(s, h));
        }
        Near.Recompute(h, n - 1, Dist, IsActive);
    }

    if (detail::AbortRequested()) {
        Distances.Clear();
        Positions.Clear();
        Dendrogram.Fill(0);
        return -1;
    }

    // Leaf order: the last merge's parts, each merged id expanded in place into its
    // second part followed by its first.
    std::vector<std::int32_t> Order, Stack;
    Order.reserve(N);
    if (n == 1) Stack.push_back(1);
    else Stack = {PartB.back(), PartA.back()};
    while (!Stack.empty()) {
        const std::int32_t x = Stack.back();
        Stack.pop_back();
        if (x <= n) {
            Order.push_back(x);
            continue;
        }
        const auto r = static_cast<std::size_t>(x - n - 1);
        Stack.push_back(PartA[r]);
        Stack.push_back(PartB[r]);
    }
    std::vector<double> Pos(2 * N - 1);
    for (std::size_t k = 0; k < Order.size(); ++k) Pos[static_cast<std::size_t>(Order[k] - 1)] = static_cast<double>(k + 1);
    for (std::size_t r = 0; r < PartA.size(); ++r)
        Pos[N + r] = (Pos[static_cast<std::size_t>(PartA[r] - 1)] + Pos[static_cast<std::size_t>(PartB[r] - 1)]) / 2;
    for (std::size_t k = 0; k < Pos.size(); ++k) Positions.SetElem(static_cast<std::int32_t>(k + 1), Pos[k]);
    return 0;
}

}  // namespace qmr
