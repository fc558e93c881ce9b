// One-sample Kolmogorov-Smirnov and Lilliefors statistics of QMR_statis: the distance of a
// sample from the normal distribution, the p-value of D_n (Marsaglia-Tsang-Wang exact
// distribution, Pelz-Good series, or the asymptotic tail) and critical values.
#include "analysis/QMR_statis.h"

#include "containers/QMR_matrix_kernels.h"
#include "containers/QMR_vector.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace qmr {

namespace {

constexpr double kPi = 3.14159265358979323846264338327950288;
constexpr double kSqrt2Pi = 2.50662827463100050241576528481104525;

// Row 0: the significance of each level; rows 1..20: critical values of D_n.
constexpr double kKSTable[21][5] = {
    {0.20, 0.15, 0.10, 0.05, 0.01},      {0.900, 0.925, 0.950, 0.975, 0.995}, {0.684, 0.726, 0.776, 0.842, 0.929},
    {0.565, 0.597, 0.642, 0.708, 0.828}, {0.494, 0.525, 0.564, 0.624, 0.733}, {0.446, 0.474, 0.510, 0.565, 0.669},
    {0.410, 0.436, 0.470, 0.521, 0.618}, {0.381, 0.405, 0.438, 0.486, 0.577}, {0.358, 0.381, 0.411, 0.457, 0.543},
    {0.339, 0.360, 0.388, 0.432, 0.514}, {0.322, 0.342, 0.368, 0.410, 0.490}, {0.307, 0.326, 0.352, 0.391, 0.468},
    {0.295, 0.313, 0.338, 0.375, 0.450}, {0.284, 0.302, 0.325, 0.361, 0.433}, {0.274, 0.292, 0.314, 0.349, 0.418},
    {0.266, 0.283, 0.304, 0.338, 0.404}, {0.258, 0.274, 0.295, 0.328, 0.392}, {0.250, 0.266, 0.286, 0.318, 0.381},
    {0.244, 0.259, 0.278, 0.309, 0.371}, {0.237, 0.252, 0.272, 0.301, 0.363}, {0.231, 0.246, 0.264, 0.294, 0.356}};
// c of the critical value c / sqrt(n) above n = 20.
constexpr double kKSAsymptotic[5] = {1.073, 1.138, 1.224, 1.358, 1.628};

// Largest matrix order of the exact p-value (n up to about 66 000); beyond, Pelz-Good.
constexpr std::int64_t kMaxExactOrder = 1000;
constexpr int kMaxKSQuantileSteps = 1000;

bool ValidLevel(TSignifLevel level) { return static_cast<unsigned>(level) <= 4; }

// Square matrices of order m, column-major, for the power of Marsaglia, Tsang and Wang.
class TKSPower {
public:
    TKSPower(std::size_t m, const std::vector<double>& H) : FM(m), FH(H) {}

    // H^p into V with its decimal exponent e (V * 10^e is the power).
    void Power(std::int32_t p, std::vector<double>& V, std::int32_t& e) {
        if (p == 1) {
            V = FH;
            e = 0;
            return;
        }
        Power(p / 2, V, e);
        Multiply(V, V, FB);
        for (double& v : FB) v = -v;  // GemmSub subtracts: FB held -V*V
        e *= 2;
        if (p % 2 != 0) {
            Multiply(FH, FB, V);
            for (double& v : V) v = -v;
        } else {
            V.swap(FB);
        }
        // Element [m div 2, m div 2] from 1 (outside the matrix for m = 1: never rescaled).
        const std::size_t c = FM / 2;
        if (c >= 1 && V[(c - 1) * FM + (c - 1)] > 1e140) {
            for (double& v : V) v *= 1e-140;
            e += 140;
        }
    }

private:
    // C := -(A B); the packing storage is kept from one product to the next.
    void Multiply(const std::vector<double>& A, const std::vector<double>& B, std::vector<double>& C) {
        C.assign(FM * FM, 0.0);
        detail::mk::GemmSub<double>(FM, FM, FM, A.data(), FM, B.data(), FM, C.data(), FM, FPack);
    }

    std::size_t FM;
    const std::vector<double>& FH;
    std::vector<double> FB;
    detail::mk::TGemmPack FPack;
};

// P(D_n >= d) by the exact distribution (Marsaglia, Tsang and Wang 2003); m = 2k - 1.
double KSExactUpper(std::int32_t n, double d, std::int64_t k) {
    const std::size_t m = static_cast<std::size_t>(2 * k - 1);
    const double h = static_cast<double>(k) - n * d;
    // H[i, j] (row i, column j, from 1) at H[(j - 1) m + i - 1].
    std::vector<double> H(m * m, 0.0);
    const auto At = [&](std::size_t i, std::size_t j) -> double& { return H[(j - 1) * m + (i - 1)]; };
    for (std::size_t j = 1; j <= m; ++j)
        for (std::size_t i = std::max<std::size_t>(j - 1, 1); i <= m; ++i) At(i, j) = 1;
    double hp = 1;
    for (std::size_t i = 1; i <= m; ++i) {
        hp *= h;
        At(i, 1) -= hp;           // h^i
        At(m, m - i + 1) -= hp;   // h^(m - i + 1) at column m - i + 1
    }
    if (2 * h - 1 > 0) At(m, 1) += std::pow(2 * h - 1, static_cast<double>(m));
    // Divide H[i, j] by (i - j + 1)! one factor at a time (170! itself overflows). Inside
    // the first column and the last row every such element is 1: its quotient depends on
    // i - j alone and is formed once.
    std::vector<double> UnitQuotient(m + 1, 0.0);
    double q = 1;
    for (std::size_t L = 1; L <= m; ++L) {
        q /= static_cast<double>(L);
        UnitQuotient[L] = q;
    }
    for (std::size_t j = 1; j <= m; ++j)
        for (std::size_t i = j; i <= m; ++i) {
            const std::size_t L = i - j + 1;
            if (L < 2) continue;
            double& v = At(i, j);
            if (j != 1 && i != m) {
                v = UnitQuotient[L];
            } else {
                for (std::size_t g = 2; g <= L && v != 0; ++g) v /= static_cast<double>(g);
            }
        }
    std::vector<double> V;
    std::int32_t e = 0;
    TKSPower(m, H).Power(n, V, e);
    const std::size_t kk = static_cast<std::size_t>(k);
    double s = V[(kk - 1) * m + (kk - 1)];
    for (std::int32_t i = 1; i <= n; ++i) {
        s = s * i / n;
        if (s < 1e-140) {
            s *= 1e140;
            e -= 140;
        }
    }
    double Scaled = s;
    for (; e >= 140; e -= 140) Scaled *= 1e140;
    for (; e <= -140; e += 140) Scaled *= 1e-140;
    return 1 - Scaled * std::pow(10.0, e);
}

// P(D_n >= d) by the Pelz-Good series (Simard and L'Ecuyer's method for large n):
// P(D_n <= d) ~ K0(z) + K1(z)/sqrt(n) + K2(z)/n + K3(z)/n^1.5, z = d sqrt(n), each K in
// its small-z (theta function) form. Clamped to [0, 1].
double KSPelzGoodUpper(std::int32_t n, double d) {
    const double Nd = n;
    const double z = std::sqrt(Nd) * d, z2 = z * z, z4 = z2 * z2, z6 = z4 * z2;
    const double Pi2 = kPi * kPi, Pi4 = Pi2 * Pi2, Pi6 = Pi4 * Pi2;
    const double QLog = -Pi2 / 8 / z2;
    if (QLog < -745) return 1;
    const double q = std::exp(QLog);
    const double k1a = -z2, k1b = Pi2 / 4;
    const double k2a = 6 * z6 + 2 * z4, k2b = (2 * z4 - 5 * z2) * Pi2 / 4, k2c = Pi4 * (1 - 2 * z2) / 16;
    const double k3d = Pi6 * (5 - 30 * z2) / 64, k3c = Pi4 * (-60 * z2 + 212 * z4) / 16,
                 k3b = Pi2 * (135 * z4 - 96 * z6) / 4, k3a = -30 * z6 - 90 * z4 * z4;
    // Sums over odd m = 2k - 1 of c(m) q^(m^2), by Horner in q^(8k).
    double K[4] = {0, 0, 0, 0};
    const std::int32_t MaxK = detail::TruncToInt32Sat(std::ceil(16 * z / kPi));  // z < 2: at most 10
    for (std::int32_t k = MaxK; k >= 1; --k) {
        const double mm = 2.0 * k - 1, m2 = mm * mm, m4 = m2 * m2, m6 = m4 * m2;
        const double QPow = std::pow(q, 8.0 * k);
        const double C[4] = {1.0, k1a + k1b * m2, k2a + k2b * m2 + k2c * m4, k3a + k3b * m2 + k3c * m4 + k3d * m6};
        for (int i = 0; i < 4; ++i) K[i] = K[i] * QPow + C[i];
    }
    const double Div[4] = {z, 6 * z4, 72 * z6 * z, 6480 * z4 * z6};
    for (int i = 0; i < 4; ++i) K[i] = K[i] * q * kSqrt2Pi / Div[i];
    // The sums over all k of K2 and K3.
    const double q2 = std::exp(-Pi2 / 2 / z2), Sqrt3z = std::sqrt(3.0) * z;
    double S2 = 0, S3 = 0;
    for (std::int32_t k = MaxK; k >= 1; --k) {
        const double kd = k, k2 = kd * kd, w = k2 * std::pow(q2, k2), kpi = kPi * kd;
        S2 += w;
        S3 += (Sqrt3z + kpi) * (Sqrt3z - kpi) * w;
    }
    K[2] += S2 * Pi2 * kSqrt2Pi / (-36 * z2 * z);
    K[3] += S3 * Pi2 * kSqrt2Pi / (216 * z6);
    const double Cdf = K[0] + K[1] / std::sqrt(Nd) + K[2] / Nd + K[3] / (Nd * std::sqrt(Nd));
    return std::clamp(1 - Cdf, 0.0, 1.0);
}

// max over i of |i/n - Phi(x_i)| and |(i - 1)/n - Phi(x_i)| for the sorted vector.
double KSDistance(const TVector& Data) {
    const std::int32_t n = Data.NrOfElem();
    const double Nd = n;
    double D = 0;
    for (std::int32_t i = 1; i <= n; ++i) {
        const double Phi = nDistriIntegral(static_cast<double>(Data.Elem(i)));
        D = std::max(D, std::max(std::fabs(i / Nd - Phi), std::fabs((i - 1) / Nd - Phi)));
    }
    return D;
}

}  // namespace

double KSPValue(std::int32_t n, double d) {
    if (std::isnan(d)) return d;
    if (n < 1 || d <= 0) return 1;
    const double Nd = n, s = Nd * d * d;
    if (s > 7.24 || (s > 3.76 && n > 99))
        return 2 * std::exp(-(2.000071 + 0.331 / std::sqrt(Nd) + 1.409 / Nd) * s);
    // n d <= sqrt(7.24 n): k stays far inside 64 bits.
    const std::int64_t k = Trunc(Nd * d) + 1;
    if (2 * k - 1 > kMaxExactOrder) return KSPelzGoodUpper(n, d);
    return KSExactUpper(n, d, k);
}

double KolmogSmir1SampleTestStat(std::int32_t n, TSignifLevel level) {
    if (n < 1 || !ValidLevel(level)) return -1;
    const auto l = static_cast<std::size_t>(level);
    if (n <= 20) return kKSTable[n][l];
    return kKSAsymptotic[l] / std::sqrt(static_cast<double>(n));
}

double KSQuantile(std::int32_t n, TSignifLevel level) {
    if (n < 1 || !ValidLevel(level)) return -1;
    const double Signif = kKSTable[0][static_cast<std::size_t>(level)];
    double c = KolmogSmir1SampleTestStat(n, level);
    for (int Step = 0; Step < kMaxKSQuantileSteps; ++Step) {
        const double v = KSPValue(n, c) - Signif;
        if (std::fabs(v) <= 1e-4) break;
        c = (v + 1) * c;
    }
    return c;
}

double LillieforsPValue(std::int32_t n, double d) {
    if (n < 6) return -1;
    double Nd = n;
    if (n > 100) {
        d *= std::pow(Nd / 100, 0.49);
        Nd = 100;
    }
    const double e = 2.99587 * d * std::sqrt(Nd + 2.78019) - 7.01256 * d * d * (Nd + 2.78019) - 0.122119 +
                     0.97498 / std::sqrt(Nd) + 1.67997 / Nd;
    return std::exp(std::min(e, 0.0));
}

double LillieforsQuantile(std::int32_t n, double alpha) {
    static constexpr double P1[7] = {6.32207539843126,  -17.1398870006148, 38.42812675101057, -45.93241384693391,
                                     7.88697700041829,  29.79317711037858, -18.48090137098585};
    static constexpr double P2[7] = {12.940399038404,   -53.458334259532, 186.923866119699, -410.582178349305,
                                     517.377862566267,  -343.581476222384, 92.123451358715};
    const double u = 1 - alpha;
    double V1 = 0, V2 = 0;
    for (int i = 6; i >= 0; --i) {
        V1 = V1 * u + P1[i];
        V2 = V2 * u + P2[i];
    }
    return 1 / std::sqrt(n * V1 + V2);
}

double PerformKSNormalityTest(TVector* Data, bool IsSorted) {
    if (Data == nullptr) return 0;
    if (!IsSorted) Data->SortElems(true, 0, 0);
    return KSDistance(*Data);
}

double PerformLillieforsTest(TVector* Data, bool IsSorted) {
    if (Data == nullptr) return 0;
    if (!IsSorted) Data->SortElems(true, 0, 0);
    double Mean, StdDev;
    Data->Standardize(Mean, StdDev);
    return KSDistance(*Data);
}

}  // namespace qmr
