// Comb sort against std::sort, quick-select against std::nth_element, on random doubles.
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

std::vector<double> RandomData(std::int64_t N) {
    std::mt19937_64 Gen(12345);
    std::uniform_real_distribution<double> U(-1e6, 1e6);
    std::vector<double> V(static_cast<std::size_t>(N));
    for (auto& X : V) X = U(Gen);
    return V;
}

// Every iteration sorts a fresh copy of the same data; the copy is not timed.
template <class SortFn> void RunSort(benchmark::State& State, SortFn&& Sort) {
    const auto Source = RandomData(State.range(0));
    std::vector<double> Work(Source.size());
    for (auto _ : State) {
        State.PauseTiming();
        std::copy(Source.begin(), Source.end(), Work.begin());
        State.ResumeTiming();
        Sort(Work);
        benchmark::DoNotOptimize(Work.data());
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * State.range(0));
}

void BM_SortArray_qmr(benchmark::State& State) {
    auto SavedProc = qmr::MathFeedBackProc;
    qmr::MathFeedBackProc = nullptr;
    RunSort(State, [](std::vector<double>& V) { qmr::SortArray(V, true); });
    qmr::MathFeedBackProc = SavedProc;
}
void BM_SortArray_peer(benchmark::State& State) {
    RunSort(State, [](std::vector<double>& V) { std::sort(V.begin(), V.end()); });
}

void BM_QuickSelect_qmr(benchmark::State& State) {
    RunSort(State, [](std::vector<double>& V) {
        const auto N = static_cast<std::int32_t>(V.size());
        benchmark::DoNotOptimize(qmr::QuickSelect(V, N / 2, 0, N - 1));
    });
}
void BM_QuickSelect_peer(benchmark::State& State) {
    RunSort(State, [](std::vector<double>& V) {
        auto Mid = V.begin() + static_cast<std::ptrdiff_t>(V.size() / 2);
        std::nth_element(V.begin(), Mid, V.end());
        benchmark::DoNotOptimize(*Mid);
    });
}

}  // namespace

BENCHMARK(BM_SortArray_qmr)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SortArray_peer)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QuickSelect_qmr)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QuickSelect_peer)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
