// Runs tests, the percentile of an array range and an adaptive kernel density estimate.
#include "analysis/QMR_statis_runs.h"

#include "analysis/QMR_statis.h"
#include "analysis/detail/QMR_statis_runs_detail.h"
#include "containers/QMR_vector.h"
#include "foundations/detail/cpu_width.h"
#include "foundations/QMR_math1_scalar.h"
#include "foundations/QMR_math1_sort.h"
#include "platform/Qmr_dstruct.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace qmr {

std::int32_t PercentileOfArray(TDoubleArray& Data, double Pct, std::int32_t LowIx, std::int32_t HighIx,
                               double& Value) {
    Value = 0;
    if (!(Pct >= 0 && Pct <= 100)) return -2;
    if (HighIx < LowIx) return -3;
    const auto Size = static_cast<std::int64_t>(Data.size());
    if (LowIx < 0 || HighIx >= Size) return -1;
    const std::int64_t n = std::int64_t(HighIx) - LowIx + 1;
    const std::int64_t k = std::min<std::int64_t>(Round(Pct * static_cast<double>(n) / 100), n - 1);
    Value = QuickSelect(Data, static_cast<std::int32_t>(LowIx + k), LowIx, HighIx);  // the rank as an index
    return 0;
}

// ---------------------------------------------------------------- runs

namespace {

// Binomial coefficients as exact 64-bit integers: rows of Pascal's triangle up to 66,
// whose largest entry C(66, 33) still fits.
constexpr std::int32_t kExactRows = 66;

class TPascal {
public:
    explicit TPascal(std::int32_t Rows) : FRows(Rows + 1), FC(static_cast<std::size_t>((Rows + 1) * (Rows + 1)), 0) {
        for (std::int32_t n = 0; n <= Rows; ++n) {
            At(n, 0) = 1;
            for (std::int32_t k = 1; k <= n; ++k) At(n, k) = At(n - 1, k - 1) + (k < n ? At(n - 1, k) : 0);
        }
    }
    // C(n, k); 0 for k or n outside the triangle's rows (n < 0 included).
    std::uint64_t operator()(std::int32_t n, std::int32_t k) const {
        return n < 0 || k < 0 || k > n ? 0 : FC[static_cast<std::size_t>(n * FRows + k)];
    }

private:
    std::uint64_t& At(std::int32_t n, std::int32_t k) { return FC[static_cast<std::size_t>(n * FRows + k)]; }
    std::int32_t FRows;
    std::vector<std::uint64_t> FC;
};

// ln C(n, k), -inf where C(n, k) = 0.
long double LnBinom(std::int32_t n, std::int32_t k) {
    if (n < 0 || k < 0 || k > n) return -HUGE_VALL;
    return std::lgamma(n + 1.0L) - std::lgamma(k + 1.0L) - std::lgamma(n - k + 1.0L);
}

}  // namespace

double ExactRunsTest(std::int32_t n1, std::int32_t n2, std::int32_t r) {
    if (n1 < 0 || n2 < 0 || r < 2) return 0;
    const std::int32_t a = std::min(n1, n2), b = std::max(n1, n2);
    // The most runs alternate the smaller group with the larger: 2a, or 2a + 1 when b > a.
    const std::int32_t Last = std::min<std::int64_t>(r, 2 * std::int64_t(a) + (b > a ? 1 : 0));
    double P = 0;
    if (std::int64_t(a) + b <= kExactRows) {
        const TPascal C(static_cast<std::int32_t>(a + b));
        std::uint64_t Sum = 0;
        for (std::int32_t i = 2; i <= Last; ++i) {
            const std::int32_t k = i / 2;
            Sum += i % 2 == 0 ? 2 * C(a - 1, k - 1) * C(b - 1, k - 1)
                              : C(a - 1, k) * C(b - 1, k - 1) + C(a - 1, k - 1) * C(b - 1, k);
        }
        P = static_cast<double>(static_cast<long double>(Sum) / static_cast<long double>(C(a + b, a)));
    } else {
        const long double LnN = LnBinom(a + b, a);
        long double Sum = 0;
        for (std::int32_t i = 2; i <= Last; ++i) {
            const std::int32_t k = i / 2;
            if (i % 2 == 0)
                Sum += 2 * std::exp(LnBinom(a - 1, k - 1) + LnBinom(b - 1, k - 1) - LnN);
            else
                Sum += std::exp(LnBinom(a - 1, k) + LnBinom(b - 1, k - 1) - LnN) +
                       std::exp(LnBinom(a - 1, k - 1) + LnBinom(b - 1, k) - LnN);
        }
        P = static_cast<double>(Sum);
    }
    return std::clamp(P, 0.0, 1.0);
}

bool RunsTest(const TBitFld* Bits, double& P) {
    if (Bits == nullptr) {
        P = -1;
        return false;
    }
    const int S = Bits->Size();
    std::int64_t n1 = 0, n2 = 0, R = 1;
    for (int i = 0; i <= S; ++i) {
        const bool B = Bits->GetBit(i);
        (B ? n1 : n2) += 1;
        if (i > 0 && B != Bits->GetBit(i - 1)) ++R;
    }
    if (n1 <= 25 && n2 <= 25) {
        P = ExactRunsTest(static_cast<std::int32_t>(n1), static_cast<std::int32_t>(n2), static_cast<std::int32_t>(R));
    } else {
        const double n = static_cast<double>(n1 + n2), N12 = 2.0 * static_cast<double>(n1) * static_cast<double>(n2);
        const double Sigma = std::sqrt(N12 * (N12 - n) / (n * n * (n - 1)));
        if (Sigma == 0) {
            P = 0;
            return true;
        }
        const double z = (static_cast<double>(R) - N12 / n - 1) / Sigma;
        P = z <= 0 ? nDistriIntegral(z) : 1 - nDistriIntegral(z);
    }
    return P < 0.05;
}

bool RunsTestSerial(const TVector* Data, double& P) {
    P = -1;
    if (Data == nullptr) return false;
    const std::int32_t n = Data->NrOfElem();
    double Q1 = 0, Median = 0, Q3 = 0;
    if (!Data->Quartiles(1, n, Q1, Median, Q3)) return false;
    TBitFld Bits(nullptr);
    Bits.SetSize(n - 1);
    for (std::int32_t i = 1; i <= n; ++i) Bits.SetBit(i - 1, Data->Elem(i) > Median);
    return RunsTest(&Bits, P);
}

// ---------------------------------------------------------------- density estimate

namespace {

// Bandwidth of each sorted value: the mean of the gaps met by two scans (positions
// 1-based). Downward: j from i + 1 while 2 <= j <= n and |x_j - x_i| < Window, taking the
// gap |x_j - x_(j-1)|; upward: j from i - 1 while 1 <= j <= n - 1 and inside, taking
// |x_j - x_(j+1)|. Window / m when every gap is 0, Window when none is met. On sorted
// finite data the gaps telescope and each scan's end is found by bisection
// (|x_j - x_i| is monotone on either side of i).
std::vector<double> Bandwidths(const std::vector<double>& x, double Window, TDensityFeedback Feedback,
                               double Total) {
    const std::size_t n = x.size();
    std::vector<double> h(n, Window);
    const bool Finite = std::all_of(x.begin(), x.end(), [](double v) { return std::isfinite(v); });
    // 0-based below: position p is x[p - 1].
    auto In = [&](std::size_t j, std::size_t i) { return std::abs(x[j] - x[i]) < Window; };
    for (std::size_t i = 0; i < n; ++i) {
        double S = 0;
        std::size_t m = 0;
        if (Finite) {
            // 0-based from here. Downward: i + 1 down to L >= 1, the first inside position
            // of 1..i (i itself is inside: In(i + 1, i) implies Window > 0).
            if (i + 1 < n && In(i + 1, i)) {
                const std::size_t L = static_cast<std::size_t>(
                    std::partition_point(x.begin() + 1, x.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                         [&](const double& v) { return !(std::abs(v - x[i]) < Window); }) -
                    x.begin());
                S += x[i + 1] - x[L - 1];
                m += i + 2 - L;
            }
            // Upward: i - 1 up to U <= n - 2, the last inside position of i..n - 2.
            if (i >= 1 && In(i - 1, i) && i + 1 < n) {
                const std::size_t U = static_cast<std::size_t>(
                    std::partition_point(x.begin() + static_cast<std::ptrdiff_t>(i), x.end() - 1,
                                         [&](const double& v) { return std::abs(v - x[i]) < Window; }) -
                    x.begin()) - 1;
                S += x[U + 1] - x[i - 1];
                m += U - i + 2;
            } else if (i >= 1 && In(i - 1, i)) {
                S += x[i] - x[i - 1];
                m += 1;
            }
        } else {
            for (std::size_t j = i + 1; j >= 1 && j < n && In(j, i); --j) {
                S += std::abs(x[j] - x[j - 1]);
                ++m;
            }
            for (std::size_t j = i - 1; j + 1 >= 1 && j + 1 < n && In(j, i); ++j) {
                S += std::abs(x[j] - x[j + 1]);
                ++m;
            }
        }
        if (m > 0) h[i] = S != 0 ? S / static_cast<double>(m) : Window / static_cast<double>(m);
        if (Feedback) Feedback(nullptr, static_cast<double>(i + 1), static_cast<double>(i + 1) * 100 / Total);
    }
    return h;
}

// The Gaussian kernel term of a point at x with bandwidth b, seen from At.
inline double KernelTerm(double At, double x, double b) {
    const double z = (At - x) / b;
    return std::exp(-0.5 * z * z) / b;
}

// See detail::SetDensitySlack; negative: the default.
constinit std::atomic<double> GDensitySlack{-1.0};

// The sums Σ_i KernelTerm(At_s, x_i, b_i) over the sorted points in ascending order, one
// per step, bit for bit as that loop gives them, without evaluating most terms.
// A point adds to the steps within 39 bandwidths of it only: beyond, the exponent is below
// -760 and the term exactly 0. Within, a term far below the running sum S cannot change
// it either (fl(S + t) = S once t < ulp(S) / 2), but which terms those are depends on S.
// So each step carries an interval [Lo, Hi] around the sum as written: a term whose
// logarithm (bounded from 1/b and ln b, no exp) lies more than Slack below the step's
// largest is only bounded, 0 <= t <= Bound, which keeps Lo and adds Bound to Hi; every
// other term is evaluated and added to both. Rounding is monotone, so the sum as written
// never leaves the interval, and where its ends meet it is their value. A step whose ends
// still differ is summed again term by term.
// Points far from a whole block of steps are counted, not visited step by step: Bound is a
// power of two, so copies of it added to 0 are exact, and copies added to a Hi they
// cannot change leave it; other cases add them one by one.
class TKernelSums {
public:
    static constexpr std::int32_t kBlock = 64;  // steps summed together

    TKernelSums(std::vector<double> x, std::vector<double> b, double LowX, double HighX, std::int32_t NumSteps);

    // The sums of the steps s0..s1 (at most kBlock of them) into Sum[0..s1 - s0].
    void Block(std::int32_t s0, std::int32_t s1, double* Sum) const { (this->*FBlock)(s0, s1, Sum); }

private:
    // Block in the widest vectors the processor has; every width gives the same bits
    // (lane by lane the scalar operations, nothing contracted).
    void BlockBody(std::int32_t s0, std::int32_t s1, double* Sum) const;
    void BlockSse2(std::int32_t s0, std::int32_t s1, double* Sum) const;
    void BlockAvx2(std::int32_t s0, std::int32_t s1, double* Sum) const;
    void BlockAvx512(std::int32_t s0, std::int32_t s1, double* Sum) const;
    void (TKernelSums::*FBlock)(std::int32_t, std::int32_t, double*) const = &TKernelSums::BlockSse2;

    // ln of an upper bound of the term, up to 0.01 and a factor 2.2: ln(max(e^(-q^2/2),
    // 2^-1074)) - ln b with q = d / b taken as d (1/b). Then exp rounds to at most
    // 2.15 e^y, and the division by b to at most 2.16 e^y + 2^-1075 (any libm whose exp is
    // within an ulp). Falls as |d| grows; NaN when the point has no bound or d is NaN.
    static double LogBound(double d, double InvB, double LnB) {
        const double q = d * InvB;
        double a = -0.5 * q * q;
        if (a < -744.5) a = -744.5;  // 2^-1074 = e^-744.44
        return a - LnB;
    }

    // Steps k0..k1 of the block s0..s1 (block-relative) that point i reaches; false for none.
    bool Reach(std::size_t i, std::int32_t s0, std::int32_t s1, std::size_t& k0, std::size_t& k1) const {
        const std::int32_t From = std::max(FFirst[i], s0), To = std::min(FLast[i], s1);
        if (From > To) return false;
        k0 = static_cast<std::size_t>(From - s0);
        k1 = static_cast<std::size_t>(To - s0);
        return true;
    }

    // The largest log bound at step s among the few points around it, a stand-in for the
    // largest of all (any value gives the same sums; a low one only evaluates more terms).
    // -inf when some value is not finite: then every term is evaluated.
    double Top(std::int32_t s) const;

    // The sum of step s as written, every reaching term evaluated.
    double FullSum(std::int32_t s) const {
        double S = 0;
        for (std::size_t i = 0; i < FX.size(); ++i)
            if (FFirst[i] <= s && s <= FLast[i]) S += KernelTerm(FXs[static_cast<std::size_t>(s)], FX[i], FB[i]);
        return S;
    }

    std::vector<double> FX, FB, FXs, FInvB, FLnB;
    std::vector<std::int32_t> FFirst, FLast;  // steps each point reaches
    double FSlack = 0;
    bool FFinite = true;
};

TKernelSums::TKernelSums(std::vector<double> x, std::vector<double> b, double LowX, double HighX,
                         std::int32_t NumSteps)
    : FX(std::move(x)), FB(std::move(b)), FXs(static_cast<std::size_t>(NumSteps) + 1), FInvB(FX.size()),
      FLnB(FX.size()), FFirst(FX.size(), 0), FLast(FX.size(), NumSteps) {
    for (std::int32_t s = 0; s <= NumSteps; ++s) FXs[static_cast<std::size_t>(s)] = LowX + s * (HighX - LowX) / NumSteps;
    const double Dx = (HighX - LowX) / NumSteps;
    for (std::size_t i = 0; i < FX.size(); ++i) {
        const double t = (FX[i] - LowX) / Dx, w = 39 * std::abs(FB[i]) / std::abs(Dx);
        const double Lo = std::floor(t - w) - 1, Hi = std::ceil(t + w) + 1;
        if (std::isfinite(Lo) && std::isfinite(Hi)) {
            FFirst[i] = static_cast<std::int32_t>(RoundLimit(Lo, 0, NumSteps + 1));
            FLast[i] = static_cast<std::int32_t>(RoundLimit(Hi, -1, NumSteps));
        }
        // Bandwidths outside 1e-300..1e300 (NaN and negative ones included) get no bound:
        // a NaN logarithm has every term of theirs evaluated.
        const bool Tame = FB[i] >= 1e-300 && FB[i] <= 1e300;
        FInvB[i] = Tame ? 1 / FB[i] : std::numeric_limits<double>::quiet_NaN();
        FLnB[i] = Tame ? std::log(FB[i]) : std::numeric_limits<double>::quiet_NaN();
    }
    if (const int Width = detail::WidestDoubleVector(); Width >= 8) FBlock = &TKernelSums::BlockAvx512;
    else if (Width >= 4) FBlock = &TKernelSums::BlockAvx2;
    FFinite = std::all_of(FX.begin(), FX.end(), [](double v) { return std::isfinite(v); });
    // Terms left out sum to at most n e^-Slack times the largest: with 53 ln 2 + ln n + 12,
    // the interval is below an ulp of the sum some 17 binades before its end.
    const double Asked = GDensitySlack.load(std::memory_order_relaxed);
    FSlack = Asked >= 0 ? Asked : 53 * std::numbers::ln2 + std::log(static_cast<double>(FX.size()) + 1) + 12;
}

double TKernelSums::Top(std::int32_t s) const {
    constexpr std::ptrdiff_t kAround = 4;
    const double At = FXs[static_cast<std::size_t>(s)];
    if (!FFinite || !std::isfinite(At)) return -std::numeric_limits<double>::infinity();
    const auto n = static_cast<std::ptrdiff_t>(FX.size());
    const std::ptrdiff_t p = std::lower_bound(FX.begin(), FX.end(), At) - FX.begin();
    double T = -std::numeric_limits<double>::infinity();
    for (std::ptrdiff_t i = std::max<std::ptrdiff_t>(0, p - kAround); i < std::min(n, p + kAround); ++i) {
        const auto u = static_cast<std::size_t>(i);
        if (FFirst[u] <= s && s <= FLast[u]) T = std::max(T, LogBound(At - FX[u], FInvB[u], FLnB[u]));
    }
    return T;
}

// The bound of a term whose log bound is below Cut: 4 e^(Cut + 0.01) + 2^-1074 (see
// LogBound), rounded up to a power of two.
double CutBound(double Cut) {
    const double V = 4 * std::exp(Cut + 0.01) + 0x1p-1074;
    if (!(V < std::numeric_limits<double>::infinity())) return V;
    int Exp = 0;
    return std::frexp(V, &Exp) == 0.5 ? V : std::ldexp(1.0, Exp);
}

// Hi after Count further copies of the power of two B were added to it one by one.
double AddCopies(double Hi, double B, std::int64_t Count) {
    if (Count == 0 || Hi + B == Hi) return Hi;
    if (Hi == 0) return static_cast<double>(Count) * B;  // exact below 2^53 copies
    for (; Count > 0; --Count) Hi += B;
    return Hi;
}

inline __attribute__((always_inline)) void TKernelSums::BlockBody(std::int32_t s0, std::int32_t s1,
                                                                   double* Sum) const {
    const std::size_t Len = static_cast<std::size_t>(s1 - s0) + 1, n = FX.size();
    const double* Xs = FXs.data() + s0;
    std::array<double, kBlock> Cut, Bound, Y, E, Lo{}, Hi{};
    std::array<std::int64_t, kBlock + 1> Pending{};  // differences of the counted copies
    bool AnyPending = false;
    double CutMin = std::numeric_limits<double>::infinity(), CutMax = -CutMin;
    for (std::size_t k = 0; k < Len; ++k) {
        Cut[k] = Top(s0 + static_cast<std::int32_t>(k)) - FSlack;  // -inf: nothing is cut
        Bound[k] = CutBound(Cut[k]);
        CutMin = std::min(CutMin, Cut[k]);
        CutMax = std::max(CutMax, Cut[k]);
    }
    auto Flush = [&] {
        std::int64_t Count = 0;
        for (std::size_t k = 0; k < Len; ++k) {
            Count += Pending[k];
            Pending[k] = 0;
            Hi[k] = AddCopies(Hi[k], Bound[k], Count);
        }
        AnyPending = false;
    };
    std::size_t k0 = 0, k1 = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!Reach(i, s0, s1, k0, k1)) continue;
        const double xi = FX[i], bi = FB[i], InvB = FInvB[i], LnB = FLnB[i];
        // The point's largest bound over its steps here: at the step nearest to it.
        const double Lower = std::min(Xs[k0], Xs[k1]), Upper = std::max(Xs[k0], Xs[k1]);
        const double dNear = xi < Lower ? Lower - xi : xi > Upper ? xi - Upper : 0.0;
        if (LogBound(dNear, InvB, LnB) < CutMin) {
            Pending[k0] += 1;
            Pending[k1 + 1] -= 1;
            AnyPending = true;
            continue;
        }
        if (AnyPending) Flush();
        for (std::size_t k = k0; k <= k1; ++k) {
            const double z = (Xs[k] - xi) / bi;
            E[k] = -0.5 * z * z;
        }
        // Its smallest bound, at the farthest step: when no step cuts that, all are evaluated.
        const double dFar = std::max(std::abs(Xs[k0] - xi), std::abs(Xs[k1] - xi));
        if (LogBound(dFar, InvB, LnB) >= CutMax) {
            for (std::size_t k = k0; k <= k1; ++k) E[k] = std::exp(E[k]);
            for (std::size_t k = k0; k <= k1; ++k) {
                const double t = E[k] / bi;
                Lo[k] += t;
                Hi[k] += t;
            }
            continue;
        }
        std::size_t Evaluated = 0;
        for (std::size_t k = k0; k <= k1; ++k) {
            Y[k] = LogBound(Xs[k] - xi, InvB, LnB);
            const bool Small = Y[k] < Cut[k];
            Hi[k] += Small ? Bound[k] : 0.0;  // Hi is never -0: adding 0 keeps it
            Evaluated += Small ? 0 : 1;
        }
        if (Evaluated == 0) continue;
        for (std::size_t k = k0; k <= k1; ++k)
            if (!(Y[k] < Cut[k])) E[k] = std::exp(E[k]);
        for (std::size_t k = k0; k <= k1; ++k) {
            const double t = !(Y[k] < Cut[k]) ? E[k] / bi : 0.0;  // Lo and Hi are never -0 either
            Lo[k] += t;
            Hi[k] += t;
        }
    }
    if (AnyPending) Flush();
    for (std::size_t k = 0; k < Len; ++k) Sum[k] = Lo[k] == Hi[k] ? Lo[k] : FullSum(s0 + static_cast<std::int32_t>(k));
}

void TKernelSums::BlockSse2(std::int32_t s0, std::int32_t s1, double* Sum) const { BlockBody(s0, s1, Sum); }
__attribute__((target("avx2"))) void TKernelSums::BlockAvx2(std::int32_t s0, std::int32_t s1, double* Sum) const {
    BlockBody(s0, s1, Sum);
}
__attribute__((target("avx512f"))) void TKernelSums::BlockAvx512(std::int32_t s0, std::int32_t s1,
                                                                  double* Sum) const {
    BlockBody(s0, s1, Sum);
}

}  // namespace

double detail::SetDensitySlack(double Nats) noexcept {
    return GDensitySlack.exchange(Nats >= 0 ? Nats : -1.0, std::memory_order_relaxed);
}

void EstimateProbDensity(TVector* Data, TVector* Density, double LowX, double HighX, double BwFactor, double Window,
                         std::int32_t NumSteps, std::int32_t& MinIx, std::int32_t& MaxIx, TDensityFeedback Feedback) {
    if (Data == nullptr || Density == nullptr) return;
    NumSteps = std::clamp(NumSteps, 10, 10000);
    if (!(BwFactor > 0)) BwFactor = 1;
    Data->SortElems(true, 0, 0);
    const std::int32_t N = Data->NrOfElem();
    const auto n = static_cast<std::size_t>(N);
    std::vector<double> x(n);  // a copy: Density may be Data
    for (std::int32_t i = 1; i <= N; ++i) x[static_cast<std::size_t>(i - 1)] = static_cast<double>(Data->Elem(i));
    const double Total = static_cast<double>(N) + NumSteps + 1;
    std::vector<double> b = Bandwidths(x, Window, Feedback, Total);
    for (double& B : b)
        if (BwFactor * B != 0) B *= BwFactor;
        else B = BwFactor;

    Density->Resize(NumSteps + 1);
    const TKernelSums Sums(std::move(x), std::move(b), LowX, HighX, NumSteps);
    double Max = 0, Min = uc_MaxDouble;
    std::array<double, TKernelSums::kBlock> Sum{};
    for (std::int32_t s0 = 0; s0 <= NumSteps; s0 += TKernelSums::kBlock) {
        const std::int32_t s1 = std::min(NumSteps, s0 + TKernelSums::kBlock - 1);
        Sums.Block(s0, s1, Sum.data());
        for (std::int32_t s = s0; s <= s1; ++s) {
            const double V = static_cast<double>(uc_sqrt2pitom1 * Sum[static_cast<std::size_t>(s - s0)] / N);
            Density->SetElem(s + 1, V);
            if (V > Max) {
                Max = V;
                MaxIx = s + 1;
            }
            if (V < Min) {
                Min = V;
                MinIx = s + 1;
            }
            if (Feedback) {
                const double Step = static_cast<double>(N) + s + 1;
                Feedback(nullptr, Step, Step * 100 / Total);
            }
        }
    }
}

}  // namespace qmr
