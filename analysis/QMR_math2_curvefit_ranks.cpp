// TCurveFit: rank statistics (Kendall's tau-b, Kruskal's gamma, Spearman's rho) and the
// ASC text table.
#include "analysis/QMR_math2.h"
#include "analysis/QMR_statis.h"
#include "containers/QMR_matrix_access.h"
#include "foundations/QMR_math1_scalar.h"
#include "platform/Qmr_filesys.h"
#include "platform/Qmr_stringl.h"
#include "platform/Qmr_univconst.h"
#include "platform/rtl_streams.h"
#include "platform/rtl_text.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <numeric>
#include <utility>
#include <vector>

namespace qmr {

namespace {

// ---------------------------------------------------------------- pair counts

struct TPairCounts {
    std::int64_t Concord = 0, Discord = 0, TiesY = 0, TiesX = 0;  // TiesY: tied in y only
};

// -1, 0 or +1 as A is below, not comparable with or equal to, or above B.
int Order(double A, double B) { return (A > B) - (A < B); }

// Every pair of rows classified one by one (n (n - 1) / 2 steps): the model that the merge
// count below reproduces, and the count for data holding a NaN, which orders nothing.
TPairCounts CountPairsDirect(const double* X, const double* Y, std::int64_t n) {
    TPairCounts C;
    for (std::int64_t i = 0; i < n; ++i)
        for (std::int64_t j = i + 1; j < n; ++j) {
            const int h = Order(X[i], X[j]) * Order(Y[i], Y[j]);
            if (h > 0) ++C.Concord;
            else if (h < 0) ++C.Discord;
            else {
                if (!(X[i] == X[j])) ++C.TiesY;
                if (!(Y[i] == Y[j])) ++C.TiesX;
            }
        }
    return C;
}

// Pairs inside runs of equal values of a sorted sequence.
template <class Same> std::int64_t TiedPairs(std::size_t n, Same&& Equal) {
    std::int64_t Tied = 0;
    for (std::size_t b = 0; b < n;) {
        std::size_t e = b + 1;
        while (e < n && Equal(b, e)) ++e;
        const auto t = static_cast<std::int64_t>(e - b);
        Tied += t * (t - 1) / 2;
        b = e;
    }
    return Tied;
}

// Sorts V ascending and returns the number of pairs i < j with V[i] > V[j]: runs of 16 by
// insertion, then bottom-up merges, each counting the pairs it puts in order.
std::int64_t SortCountingInversions(std::vector<double>& V) {
    const std::size_t n = V.size();
    constexpr std::size_t Run = 16;
    std::int64_t Inv = 0;
    for (std::size_t b = 0; b < n; b += Run) {
        const std::size_t e = std::min(n, b + Run);
        for (std::size_t i = b + 1; i < e; ++i) {
            const double Key = V[i];
            std::size_t j = i;
            for (; j > b && V[j - 1] > Key; --j) V[j] = V[j - 1];
            Inv += static_cast<std::int64_t>(i - j);
            V[j] = Key;
        }
    }
    std::vector<double> Buf(n);
    for (std::size_t w = Run; w < n; w *= 2) {
        for (std::size_t b = 0; b < n; b += 2 * w) {
            const std::size_t m = std::min(n, b + w), e = std::min(n, b + 2 * w);
            std::size_t i = b, j = m, k = b;
            while (i < m && j < e) {
                if (V[j] < V[i]) {
                    Inv += static_cast<std::int64_t>(m - i);
                    Buf[k++] = V[j++];
                } else {
                    Buf[k++] = V[i++];
                }
            }
            while (i < m) Buf[k++] = V[i++];
            while (j < e) Buf[k++] = V[j++];
        }
        V.swap(Buf);
    }
    return Inv;
}

// The counts of CountPairsDirect in O(n log n) for data without NaN (Knight's method):
// sorted by x, then y, the discordant pairs are the inversions of the y sequence, and
// the tie counts follow from the runs of equal x, equal (x, y) and equal y.
TPairCounts CountPairsMerged(const double* X, const double* Y, std::size_t n) {
    std::vector<std::pair<double, double>> P(n);
    for (std::size_t i = 0; i < n; ++i) P[i] = {X[i], Y[i]};
    std::sort(P.begin(), P.end());
    const std::int64_t TiedX = TiedPairs(n, [&](std::size_t a, std::size_t b) { return P[a].first == P[b].first; });
    const std::int64_t TiedXY = TiedPairs(n, [&](std::size_t a, std::size_t b) { return P[a] == P[b]; });
    std::vector<double> V(n);
    for (std::size_t i = 0; i < n; ++i) V[i] = P[i].second;
    P = {};
    const std::int64_t Inv = SortCountingInversions(V);
    const std::int64_t TiedY = TiedPairs(n, [&](std::size_t a, std::size_t b) { return V[a] == V[b]; });
    const auto N = static_cast<std::int64_t>(n);
    TPairCounts C;
    C.Discord = Inv;
    C.TiesY = TiedY - TiedXY;
    C.TiesX = TiedX - TiedXY;
    C.Concord = N * (N - 1) / 2 - TiedX - TiedY + TiedXY - Inv;
    return C;
}

// ---------------------------------------------------------------- ranks

// Ranks 1..n of V into R (mean ranks for runs of equal values; NaNs rank last, each on
// its own, in row order); Order receives the rows in rank order. Returns the tie term
// sum t (t^2 - 1) / 12 over the runs; Single tells whether one run holds every value.
Extended RankWithTies(const double* V, std::size_t n, std::vector<double>& R, std::vector<std::uint32_t>& Order,
                      bool& Single) {
    std::vector<std::pair<double, std::uint32_t>> P;
    P.reserve(n);
    std::vector<std::uint32_t> NaNs;
    for (std::size_t i = 0; i < n; ++i) {
        if (std::isnan(V[i])) NaNs.push_back(static_cast<std::uint32_t>(i));
        else P.emplace_back(V[i], static_cast<std::uint32_t>(i));
    }
    std::sort(P.begin(), P.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::uint32_t i : NaNs) P.emplace_back(V[i], i);
    R.resize(n);
    Order.resize(n);
    Extended T = 0;
    Single = false;
    for (std::size_t b = 0; b < n;) {
        std::size_t e = b + 1;
        while (e < n && P[e].first == P[b].first) ++e;
        const double Mean = 0.5 * (static_cast<double>(b + 1) + static_cast<double>(e));
        for (std::size_t k = b; k < e; ++k) {
            R[P[k].second] = Mean;
            Order[k] = P[k].second;
        }
        const auto t = static_cast<Extended>(e - b);
        T += t * (t * t - 1) / 12;
        if (b == 0 && e == n) Single = true;
        b = e;
    }
    return T;
}

// Two-sided significance of a standard normal deviate z >= 0.
double NormalTwoSided(double z) { return 1 - ErfApprox(z / uc_sqrt2); }

}  // namespace

void TCurveFit::BasicRankCounts() const {
    TPairCounts C;
    if (FNumData > 2) {
        const double* X = detail::TMatrixAccess::Data(FData);
        const double* Y = X + detail::TMatrixAccess::Ld(FData);
        const auto n = static_cast<std::size_t>(FNumData);
        const bool HasNaN = std::any_of(X, X + n, [](double v) { return std::isnan(v); }) ||
                            std::any_of(Y, Y + n, [](double v) { return std::isnan(v); });
        C = HasNaN ? CountPairsDirect(X, Y, FNumData) : CountPairsMerged(X, Y, n);
    }
    FKendallConcord = C.Concord;
    FKendallDiscord = C.Discord;
    FKendallTies1 = C.TiesY;
    FKendallTies2 = C.TiesX;
    FKendallValid = true;
}

double TCurveFit::KendallsTau(double& p) const {
    if (!FKendallValid) BasicRankCounts();
    const auto nc = static_cast<Extended>(FKendallConcord), nd = static_cast<Extended>(FKendallDiscord);
    const Extended den = std::sqrt((nc + nd + static_cast<Extended>(FKendallTies1)) *
                                   (nc + nd + static_cast<Extended>(FKendallTies2)));
    p = 0;
    if (den == 0) return 0;
    const Extended n = FNumData;
    const double tau = static_cast<double>((nc - nd) / den);
    const double sigma = static_cast<double>(std::sqrt((4 * n + 10) / (9 * n * (n - 1))));
    p = NormalTwoSided(std::fabs(tau / sigma));
    return tau;
}

double TCurveFit::KruskalGamma() const {
    if (!FKendallValid) BasicRankCounts();
    const std::int64_t Ordered = FKendallConcord + FKendallDiscord;
    if (Ordered == 0) return 0;
    return static_cast<double>(static_cast<Extended>(FKendallConcord - FKendallDiscord) /
                               static_cast<Extended>(Ordered));
}

double TCurveFit::SpearmanRankCorr() const {
    if (FNumData < 3) return 0;
    const double* X = detail::TMatrixAccess::Data(FData);
    const double* Y = X + detail::TMatrixAccess::Ld(FData);
    const auto n = static_cast<std::size_t>(FNumData);
    std::vector<double> Rx, Ry;
    std::vector<std::uint32_t> Order;
    bool SingleX = false, SingleY = false;
    const Extended Tx = RankWithTies(X, n, Rx, Order, SingleX);
    const Extended Ty = RankWithTies(Y, n, Ry, Order, SingleY);
    TKahanSum Dsum(nullptr);
    for (std::uint32_t i : Order) {
        const double d = Rx[i] - Ry[i];
        Dsum.Add(d * d);
    }
    const Extended N = FNumData;
    const Extended A = N * (N * N - 1);
    if (Tx == 0 && Ty == 0) return static_cast<double>(1 - 6 * Dsum.Sum / A);
    // One run of equal values leaves no rank variance (12 Tx = A, here free of rounding).
    if (SingleX || SingleY) return 0;
    return static_cast<double>((A - 6 * (Tx + Ty + Dsum.Sum)) / std::sqrt((A - 12 * Tx) * (A - 12 * Ty)));
}

// ---------------------------------------------------------------- ASC text table

std::string TCurveFit::ExportAsASC(const std::string& FName, const std::string& Comment,
                                   std::int32_t Precision) const {
    std::unique_ptr<TFileStream> F;
    try {
        F = std::make_unique<TFileStream>(FName, fmCreate);
    } catch (const std::exception& E) {
        return E.what();
    }
    std::string Buf;
    auto Line = [&](std::string_view Text) {
        Buf.append(Text);
        Buf.append("\r\n");
        if (Buf.size() >= (1u << 16)) {
            F->WriteBuffer(Buf.data(), static_cast<std::int64_t>(Buf.size()));
            Buf.clear();
        }
    };
    std::string First = Comment.empty() ? "Exported by QMR TCurveFit component: " + FName : Comment;
    std::replace(First.begin(), First.end(), '\n', ' ');
    Line(First);
    Line("2\t;nr. of columns");
    Line(std::to_string(FNumData) + "\t;nr. of rows");
    Line("FALSE TRUE FALSE\t;row attributes, column names, row names");
    Line("x   y");
    for (std::int32_t i = 1; i <= FNumData; ++i)
        Line(strff(DataX(i), 1, Precision) + "\t" + strff(DataY(i), 1, Precision));
    if (!Buf.empty()) F->WriteBuffer(Buf.data(), static_cast<std::int64_t>(Buf.size()));
    return "";
}

namespace {

// Reads one name (quoted or plain) and drops it.
void SkipName(std::istream& F) {
    std::string Name;
    TQuotedStrState State = TQuotedStrState::qsStart;
    for (int C = F.get(); C != std::char_traits<char>::eof(); C = F.get())
        if (ParseQuotedName(static_cast<char>(C), State, Name)) return;
}

bool ReadNumber(std::istream& F, double& V) { return TryStrToFloat(ReadNextWordInTextFile(F), V); }

}  // namespace

std::int32_t TCurveFit::ImportASC(const std::string& FName) {
    FKendallValid = false;
    std::string Comment;
    std::int32_t Cols = 0, Rows = 0;
    bool RowAttribs = false, ColNames = false, RowNames = false, Nominal = false;
    const int Rc = ReadHeaderOfASC(FName, Comment, Cols, Rows, RowAttribs, ColNames, RowNames, Nominal);
    if (Rc != 0) return Rc;
    if (Nominal) return -7;
    if (Cols != 2)
        throw EQMRMath2Error("TCurveFit.ImportASC: number of columns must be 2 (is actually " +
                             std::to_string(Cols) + ").");
    std::ifstream F(FName, std::ios::binary);
    if (!F.is_open()) return ascErrOpen;
    for (int L = 0; L < 4; ++L) F.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    if (ColNames) {
        SkipName(F);
        SkipName(F);
    }
    // The pairs go to scratch arrays first, which grow with the data read (never to a
    // count the header merely announces); the object changes only when every row was read.
    std::vector<double> Xs, Ys;
    for (std::int32_t r = 1; r <= Rows; ++r) {
        double Attr = 0, x = 0, y = 0;
        if (RowAttribs && !ReadNumber(F, Attr)) return 251;
        if (RowNames) SkipName(F);
        if (!ReadNumber(F, x) || !ReadNumber(F, y)) return 250;
        Xs.push_back(x);
        Ys.push_back(y);
    }
    FData.Resize(2, static_cast<std::int32_t>(Xs.size()));  // raises before it changes anything
    ResetState();
    for (std::size_t i = 0; i < Xs.size(); ++i) EnterStatValue(Xs[i], Ys[i]);
    return 0;
}

}  // namespace qmr
