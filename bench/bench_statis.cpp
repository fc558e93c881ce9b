// Special functions: KSPValue's exact branch (an m x m matrix power, m about 2 n d) against
// the same power with Eigen products, and nDistriQuantile against Boost.Math's normal
// quantile (for the record: the bisection is the contract, not speed).
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <cmath>
#include <cstdint>

#ifdef QMR_BENCH_HAVE_EIGEN
#include <Eigen/Dense>
#endif
#ifdef QMR_BENCH_HAVE_BOOST_MATH
#include <boost/math/distributions/normal.hpp>
#endif

namespace {

// n d^2 = 3.7: inside the exact branch for every n.
double KSd(std::int32_t n) { return std::sqrt(3.7 / n); }

void BM_KSPValue_qmr(benchmark::State& St) {
    const auto n = static_cast<std::int32_t>(St.range(0));
    for (auto _ : St) benchmark::DoNotOptimize(qmr::KSPValue(n, KSd(n)));
}
BENCHMARK(BM_KSPValue_qmr)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

#ifdef QMR_BENCH_HAVE_EIGEN
// The same algorithm (Marsaglia, Tsang and Wang) with Eigen's matrix products.
double KSPowerEigen(std::int32_t n, double d) {
    using M = Eigen::MatrixXd;
    const std::int64_t k = static_cast<std::int64_t>(n * d) + 1;
    const Eigen::Index m = 2 * k - 1;
    const double h = static_cast<double>(k) - n * d;
    M H = M::Zero(m, m);
    for (Eigen::Index i = 0; i < m; ++i)
        for (Eigen::Index j = 0; j < m; ++j)
            if (i - j + 1 >= 0) H(i, j) = 1;
    for (Eigen::Index i = 0; i < m; ++i) {
        H(i, 0) -= std::pow(h, static_cast<double>(i + 1));
        H(m - 1, i) -= std::pow(h, static_cast<double>(m - i));
    }
    if (2 * h - 1 > 0) H(m - 1, 0) += std::pow(2 * h - 1, static_cast<double>(m));
    for (Eigen::Index i = 0; i < m; ++i)
        for (Eigen::Index j = 0; j <= i; ++j)
            for (Eigen::Index g = 1; g <= i - j + 1; ++g) H(i, j) /= static_cast<double>(g);
    int e = 0;
    const auto Power = [&](auto& Self, std::int32_t p, M& V, int& Ex) -> void {
        if (p == 1) {
            V = H;
            Ex = 0;
            return;
        }
        Self(Self, p / 2, V, Ex);
        M B = V * V;
        Ex *= 2;
        if (p % 2 != 0) V.noalias() = H * B; else V.swap(B);
        if (V(m / 2, m / 2) > 1e140) {
            V *= 1e-140;
            Ex += 140;
        }
    };
    M V;
    Power(Power, n, V, e);
    double s = V(k - 1, k - 1);
    for (std::int32_t i = 1; i <= n; ++i) {
        s = s * i / n;
        if (s < 1e-140) {
            s *= 1e140;
            e -= 140;
        }
    }
    return 1 - s * std::pow(10.0, e);
}

void BM_KSPValue_peer(benchmark::State& St) {
    const auto n = static_cast<std::int32_t>(St.range(0));
    for (auto _ : St) benchmark::DoNotOptimize(KSPowerEigen(n, KSd(n)));
}
BENCHMARK(BM_KSPValue_peer)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
#endif

void BM_nDistriQuantile_qmr(benchmark::State& St) {
    double p = 0.001;
    for (auto _ : St) {
        benchmark::DoNotOptimize(qmr::nDistriQuantile(p));
        p = p < 0.998 ? p + 0.001 : 0.001;
    }
}
BENCHMARK(BM_nDistriQuantile_qmr);

#ifdef QMR_BENCH_HAVE_BOOST_MATH
void BM_nDistriQuantile_peer(benchmark::State& St) {
    const boost::math::normal N;
    double p = 0.001;
    for (auto _ : St) {
        benchmark::DoNotOptimize(boost::math::quantile(N, p));
        p = p < 0.998 ? p + 0.001 : 0.001;
    }
}
BENCHMARK(BM_nDistriQuantile_peer);
#endif

}  // namespace
