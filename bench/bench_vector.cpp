// TVector statistics against the standard library on 10^6 random doubles: percentiles
// and quartiles against std::nth_element on a copy, SortElems against std::sort, and
// Histogram into 500 bins against a plain std::floor loop.
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr std::int64_t kN = 1000000;

const std::vector<double>& Data() {
    static const std::vector<double> V = [] {
        std::mt19937_64 Gen(4711);
        std::normal_distribution<double> G(50, 15);
        std::vector<double> X(kN);
        for (double& D : X) D = G(Gen);
        return X;
    }();
    return V;
}

// A vector holding Data(); no handlers, no feedback hook.
struct TVectorFixture {
    qmr::TVector V{nullptr};
    TVectorFixture() {
        qmr::MathFeedBackProc = nullptr;
        V.Resize(static_cast<std::int32_t>(kN));
        V.CopyFromArray(Data(), 1);
    }
};

// The value at the (n - 1) p / 100 interpolation point, as a std user computes it.
double PeerPercentile(std::vector<double>& W, double P) {
    const double Pos = P * static_cast<double>(W.size() - 1) / 100;
    const auto K = static_cast<std::ptrdiff_t>(Pos);
    std::nth_element(W.begin(), W.begin() + K, W.end());
    const double A = W[static_cast<std::size_t>(K)];
    const double F = Pos - static_cast<double>(K);
    return F == 0 ? A : A + (*std::min_element(W.begin() + K + 1, W.end()) - A) * F;
}

void BM_Percentile50_qmr(benchmark::State& State) {
    TVectorFixture F;
    for (auto _ : State) benchmark::DoNotOptimize(F.V.Percentile(50, 0, 0));
}
void BM_Percentile50_peer(benchmark::State& State) {
    std::vector<double> W;
    for (auto _ : State) {
        W.assign(Data().begin(), Data().end());
        benchmark::DoNotOptimize(PeerPercentile(W, 50));
    }
}

void BM_Quartiles_qmr(benchmark::State& State) {
    TVectorFixture F;
    double Q1, Q2, Q3;
    for (auto _ : State) {
        F.V.Quartiles(0, 0, Q1, Q2, Q3);
        benchmark::DoNotOptimize(Q1 + Q2 + Q3);
    }
}
void BM_Quartiles_peer(benchmark::State& State) {
    std::vector<double> W;
    for (auto _ : State) {
        W.assign(Data().begin(), Data().end());
        // Three selections on narrowing ranges, each with the next value above it.
        const double N1 = static_cast<double>(W.size() + 1);
        double Sum = 0;
        auto Lo = W.begin();
        for (double P : {0.25, 0.5, 0.75}) {
            const double Pos = N1 * P;
            const auto K = static_cast<std::ptrdiff_t>(Pos) - 1;
            std::nth_element(Lo, W.begin() + K, W.end());
            const double A = W[static_cast<std::size_t>(K)];
            const double B = *std::min_element(W.begin() + K + 1, W.end());
            Sum += A + (B - A) * (Pos - std::floor(Pos));
            Lo = W.begin() + K + 1;
        }
        benchmark::DoNotOptimize(Sum);
    }
}

void BM_SortElems_qmr(benchmark::State& State) {
    TVectorFixture F;
    for (auto _ : State) {
        State.PauseTiming();
        F.V.CopyFromArray(Data(), 1);
        State.ResumeTiming();
        F.V.SortElems(true, 0, 0);
        benchmark::ClobberMemory();
    }
}
void BM_SortElems_peer(benchmark::State& State) {
    std::vector<double> W(Data().size());
    for (auto _ : State) {
        State.PauseTiming();
        std::copy(Data().begin(), Data().end(), W.begin());
        State.ResumeTiming();
        std::sort(W.begin(), W.end());
        benchmark::ClobberMemory();
    }
}

void BM_Histogram500_qmr(benchmark::State& State) {
    TVectorFixture F;
    qmr::TIntVector H(nullptr);
    std::int32_t U, O, M;
    for (auto _ : State) {
        F.V.Histogram(1, static_cast<std::int32_t>(kN), 0, 99.8, 0.2, &H, U, O, M);
        benchmark::DoNotOptimize(M);
    }
}
void BM_Histogram500_peer(benchmark::State& State) {
    std::vector<std::int64_t> Bins(500);
    for (auto _ : State) {
        std::fill(Bins.begin(), Bins.end(), 0);
        std::int64_t U = 0, O = 0;
        for (double X : Data()) {
            const double B = std::floor(X / 0.2);
            if (B < 0) ++U;
            else if (B >= 500) ++O;
            else ++Bins[static_cast<std::size_t>(B)];
        }
        benchmark::DoNotOptimize(Bins.data());
        benchmark::DoNotOptimize(U + O);
    }
}

}  // namespace

BENCHMARK(BM_Percentile50_qmr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Percentile50_peer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quartiles_qmr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quartiles_peer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortElems_qmr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortElems_peer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Histogram500_qmr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Histogram500_peer)->Unit(benchmark::kMillisecond);
