// Runs tests, the percentile of an array range and an adaptive kernel density estimate.
#include "analysis/QMR_statis_runs.h"

#include "analysis/QMR_statis.h"
#include "containers/QMR_vector.h"
#include "foundations/QMR_math1_scalar.h"
#include "foundations/QMR_math1_sort.h"
#include "platform/Qmr_dstruct.h"
#include "platform/Qmr_univconst.h"

#include <algorithm>
#include <cmath>
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

}  // namespace

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

    // Each point adds to the steps within 39 bandwidths of it: beyond, the exponent is
    // below -760 and the term exactly 0, so every step's sum is the one over all points
    // in ascending order.
    const double Dx = (HighX - LowX) / NumSteps;
    std::vector<double> Xs(static_cast<std::size_t>(NumSteps) + 1);
    for (std::int32_t s = 0; s <= NumSteps; ++s) Xs[static_cast<std::size_t>(s)] = LowX + s * (HighX - LowX) / NumSteps;
    std::vector<std::int32_t> First(n, 0), Last(n, NumSteps);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = (x[i] - LowX) / Dx, w = 39 * std::abs(b[i]) / std::abs(Dx);
        const double Lo = std::floor(t - w) - 1, Hi = std::ceil(t + w) + 1;
        if (std::isfinite(Lo) && std::isfinite(Hi)) {
            First[i] = static_cast<std::int32_t>(RoundLimit(Lo, 0, NumSteps + 1));
            Last[i] = static_cast<std::int32_t>(RoundLimit(Hi, -1, NumSteps));
        }
    }
    Density->Resize(NumSteps + 1);
    double Max = 0, Min = uc_MaxDouble;
    constexpr std::int32_t kBlock = 64;  // steps summed together between progress reports
    std::vector<double> Sum(kBlock);
    for (std::int32_t s0 = 0; s0 <= NumSteps; s0 += kBlock) {
        const std::int32_t s1 = std::min(NumSteps, s0 + kBlock - 1);
        std::fill(Sum.begin(), Sum.end(), 0.0);
        for (std::size_t i = 0; i < n; ++i) {
            const std::int32_t From = std::max(First[i], s0), To = std::min(Last[i], s1);
            for (std::int32_t s = From; s <= To; ++s) {
                const double z = (Xs[static_cast<std::size_t>(s)] - x[i]) / b[i];
                Sum[static_cast<std::size_t>(s - s0)] += std::exp(-0.5 * z * z) / b[i];
            }
        }
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
