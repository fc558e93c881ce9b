// EstimateProbDensity against the same Gaussian kernel sums through Boost.Math's normal
// density: 10^5 points, 10^4 steps, one bandwidth for every point (the window is too
// small for any neighbour), once as wide as the data's range and once under 1% of it.
#include <benchmark/benchmark.h>

#ifdef QMR_BENCH_HAVE_BOOST_MATH

#include <qmrnumkit/qmrnumkit.h>

#include <boost/math/distributions/normal.hpp>

#include <random>
#include <vector>

namespace {

constexpr int kPoints = 100000, kSteps = 10000;
constexpr double kWindow = 1e-12, kLow = -5, kHigh = 5;

std::vector<double> Sample() {
    std::mt19937_64 Gen(5);
    std::normal_distribution<double> G(0, 1);
    std::vector<double> X(kPoints);
    for (double& V : X) V = G(Gen);
    return X;
}

// Argument 0: bandwidth 9, as wide as the range of 10; 1: bandwidth 0.05, 0.5% of it.
double Bandwidth(benchmark::State& St) { return St.range(0) == 0 ? 9.0 : 0.05; }

void BM_EstimateProbDensity_qmr(benchmark::State& St) {
    const std::vector<double> X = Sample();
    qmr::TVector Data(nullptr), Density(nullptr);
    for (auto _ : St) {
        St.PauseTiming();
        Data.SetNrOfElem(kPoints);
        Data.CopyFromArray(X, 1);
        St.ResumeTiming();
        std::int32_t MinIx = 0, MaxIx = 0;
        qmr::EstimateProbDensity(&Data, &Density, kLow, kHigh, Bandwidth(St) / kWindow, kWindow, kSteps, MinIx, MaxIx,
                                 nullptr);
        benchmark::DoNotOptimize(MaxIx);
    }
}

void BM_EstimateProbDensity_peer(benchmark::State& St) {
    std::vector<double> X = Sample();
    std::sort(X.begin(), X.end());
    std::vector<double> D(kSteps + 1);
    const double b = Bandwidth(St);
    for (auto _ : St) {
        for (int s = 0; s <= kSteps; ++s) {
            const double At = kLow + s * (kHigh - kLow) / kSteps;
            double Sum = 0;
            for (double V : X) Sum += boost::math::pdf(boost::math::normal_distribution<double>(V, b), At);
            D[static_cast<std::size_t>(s)] = Sum / kPoints;
        }
        benchmark::DoNotOptimize(D.data());
    }
}

// Printed as .../narrow:0 (bandwidth as wide as the range) and .../narrow:1 (under 1% of it).
BENCHMARK(BM_EstimateProbDensity_qmr)->ArgName("narrow")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EstimateProbDensity_peer)->ArgName("narrow")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

#endif  // QMR_BENCH_HAVE_BOOST_MATH
