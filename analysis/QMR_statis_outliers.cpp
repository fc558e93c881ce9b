// Single-outlier tests and the Durbin-Watson statistic with its 5% bounds.
#include "analysis/QMR_statis_outliers.h"

#include "analysis/QMR_statis.h"
#include "analysis/detail/QMR_distributions.h"
#include "analysis/detail/QMR_statis_tables.h"
#include "containers/QMR_vector.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qmr {

namespace {

constexpr std::size_t kNumLevels = NumericSigLevel.size();

// Ascending order with NaNs last: a strict weak order on any data.
bool LessNaNLast(double a, double b) { return a < b || (std::isnan(b) && !std::isnan(a)); }

// num / den, 0 for a zero denominator.
double GapRatio(double num, double den) { return den == 0 ? 0 : num / den; }

// Elements 1..n of Data as doubles.
std::vector<double> Elements(const TVector& Data) {
    std::vector<double> x(static_cast<std::size_t>(Data.NrOfElem()));
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = static_cast<double>(Data.Elem(static_cast<std::int32_t>(i) + 1));
    return x;
}

// 1-based position of the first element equal to Value (0 when none).
std::int32_t FirstPosition(const std::vector<double>& x, double Value) {
    const auto it = std::find(x.begin(), x.end(), Value);
    return it == x.end() ? 0 : static_cast<std::int32_t>(it - x.begin()) + 1;
}

// base + polynomial a_0..a_6 in x (Horner).
double PolyBound(const double (&a)[7], double x) {
    double s = a[6];
    for (int j = 5; j >= 0; --j) s = s * x + a[j];
    return s;
}

}  // namespace

// ---------------------------------------------------------------- Dean-Dixon

double DeanDixonCriticalValues(std::int32_t n, TSignifLevelEx level) {
    const auto col = static_cast<std::size_t>(level);
    if (n < 3 || n > 100 || col >= kNumLevels) return -1;
    return detail::DeanDixonCritTable[n - 3][col];
}

std::int32_t DeanDixonTest(const TVector* Data, TSignifLevelEx level, double& Q) {
    Q = 0;
    const std::int32_t n = Data ? Data->NrOfElem() : 0;
    if (n < 3) throw EQMRStatisError("DeanDixonTest: number of data points is too low");
    if (n > 100) throw EQMRStatisError("DeanDixonTest: number of data points is too high");
    const std::vector<double> data = Elements(*Data);
    std::vector<double> s = data;
    std::sort(s.begin(), s.end(), LessNaNLast);
    // x(i), 1-based, of the sorted copy
    const auto x = [&s](std::int32_t i) { return s[static_cast<std::size_t>(i - 1)]; };

    double low, high;
    if (n <= 7) {
        low = GapRatio(x(2) - x(1), x(n) - x(1));
        high = GapRatio(x(n) - x(n - 1), x(n) - x(1));
    } else if (n <= 10) {
        low = GapRatio(x(2) - x(1), x(n - 1) - x(1));
        high = GapRatio(x(n) - x(n - 1), x(n) - x(2));
    } else if (n <= 13) {
        low = GapRatio(x(3) - x(1), x(n - 1) - x(1));
        high = GapRatio(x(n) - x(n - 2), x(n) - x(2));
    } else {
        low = GapRatio(x(3) - x(1), x(n - 2) - x(1));
        high = GapRatio(x(n) - x(n - 2), x(n) - x(3));
    }
    const bool lowSide = low >= high;
    Q = lowSide ? low : high;
    const double crit = DeanDixonCriticalValues(n, level);
    if (!(crit > 0 && Q > crit)) return 0;
    return FirstPosition(data, lowSide ? x(1) : x(n));
}

// ---------------------------------------------------------------- Grubbs

double GrubbsCriticalValues(std::int32_t n, double alpha, bool TwoSided) {
    if (!(alpha > 0 && alpha < 1) || n <= 2) return -1;
    const double dn = n;
    const double t = detail::StudentTQuantileUpper(alpha / ((TwoSided ? 2 : 1) * dn), n - 2);
    // t^2 / (n - 2 + t^2), written to stay finite for an infinite t
    return (dn - 1) / std::sqrt(dn) * std::sqrt(1 / (1 + (dn - 2) / (t * t)));
}

std::int32_t GrubbsTest(const TVector* Data, double alpha, double& G) {
    G = 0;
    if (!(alpha > 0 && alpha < 1)) throw EQMRStatisError("GrubbsTest: invalid level of significance");
    const std::int32_t n = Data ? Data->NrOfElem() : 0;
    if (n <= 3) throw EQMRStatisError("GrubbsTest: number of data points is too low");
    double mean, var;
    Data->MeanVar(0, 0, mean, var);
    const double sd = std::sqrt(var);
    if (!(sd > 0)) return 0;
    std::int32_t suspect = 0;
    for (std::int32_t i = 1; i <= n; ++i) {
        const double z = std::fabs(static_cast<double>(Data->Elem(i)) - mean) / sd;
        if (z > G) {
            G = z;
            suspect = i;
        }
    }
    return G > GrubbsCriticalValues(n, alpha, true) ? suspect : 0;
}

// ---------------------------------------------------------------- Durbin-Watson

double DurbinWatson(const TDoubleArray& Resid) {
    const std::size_t n = Resid.size();
    if (n < 3) return 2;
    // Scaled by the largest |e| so that neither sum underflows nor overflows; a NaN
    // residual makes the scale NaN and it stays so (fmax would pass it by).
    double scale = 0;
    for (double e : Resid)
        if (std::fabs(e) > scale || std::isnan(e)) scale = std::fabs(e);
    if (!std::isfinite(scale)) return std::nan("");
    if (scale == 0) return 0;
    double num = 0, den = 0;
    double prev = Resid[0] / scale;
    den = prev * prev;
    for (std::size_t i = 1; i < n; ++i) {
        const double e = Resid[i] / scale;
        num += (e - prev) * (e - prev);
        den += e * e;
        prev = e;
    }
    return num / den;
}

bool DurbinWatsonCrit5pct(std::int32_t n, std::int32_t k, double& dL, double& dU) {
    if (k < 1 || k > 20 || n < 5 || n > 2000 || n - k < 5) return false;
    const std::size_t row = static_cast<std::size_t>(k - 1);
    if (n <= 100) {
        dL = detail::DurbinWatsonLowTable[n - 6][row];
        dU = detail::DurbinWatsonHighTable[n - 6][row];
        return true;
    }
    const double dn = n;
    const double base = 2 + nDistriQuantile(0.05) * std::sqrt(4 / dn);
    if (n <= 200) {
        dL = base + PolyBound(detail::DurbinWatsonLowPoly150[row], dn - 150);
        dU = base + PolyBound(detail::DurbinWatsonHighPoly150[row], dn - 150);
    } else if (n <= 500) {
        dL = base + PolyBound(detail::DurbinWatsonLowPoly350[row], dn - 350);
        dU = base + PolyBound(detail::DurbinWatsonHighPoly350[row], dn - 350);
    } else {
        const double* lo = detail::DurbinWatsonLowHyperbola[row];
        const double* hi = detail::DurbinWatsonHighHyperbola[row];
        dL = base + 1 / (dn * lo[1] + lo[0]);
        dU = base + 1 / (dn * hi[1] + hi[0]);
    }
    return true;
}

}  // namespace qmr
