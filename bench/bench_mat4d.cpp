// TMat4D on a 256 x 256 x 64 x 4 matrix (128 MiB). Peers: an Eigen sum of its 256
// planes (Map per plane) for the mean and standard deviation of layers on one thread;
// our own single-thread run for the same reductions on 8 threads; a plain copy loop of
// the same size for Transpose and Resample. BM_CopyBandwidth reports the machine's copy
// bandwidth in the same run (a memory-bound reduction cannot beat it),
// BM_ReadBandwidth8Threads the read bandwidth 8 threads reach, the bound of the threaded
// reductions, and BM_ReadPass8Threads how much faster 8 threads read than 1.
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#ifdef QMR_BENCH_HAVE_EIGEN
#include <Eigen/Dense>
#endif

namespace {

constexpr int NX = 256, NY = 256, NZ = 64, NT = 4;
constexpr std::size_t NPlane = std::size_t{NX} * NY, NAll = NPlane * NZ * NT;

// The matrix under test, filled once.
qmr::TMat4D& Source() {
    static qmr::TMat4D* M = [] {
        auto* P = new qmr::TMat4D(nullptr);
        P->Resize(NX, NY, NZ, NT);
        qmr::RandSeed = 1;
        for (int T = 1; T <= NT; ++T)
            for (int L = 1; L <= NZ; ++L) P->FillLayer(L, T, 1, -1, 1);
        return P;
    }();
    return *M;
}

// The same number of values for the peers.
const std::vector<double>& Plain() {
    static const std::vector<double> V = [] {
        std::vector<double> A(NAll);
        std::mt19937_64 Gen(2);
        std::uniform_real_distribution<double> U(-1, 1);
        for (double& X : A) X = U(Gen);
        return A;
    }();
    return V;
}

using TReduce = void (qmr::TMat4D::*)(qmr::TMatrix*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                      std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) const;

void RunReduce(benchmark::State& St, TReduce Op, int Threads) {
    const qmr::TMat4D& M = Source();
    qmr::TMatrix D(nullptr);
    for (auto _ : St) {
        (M.*Op)(&D, 0, 0, 0, 0, 0, 0, 0, 0, Threads);
        benchmark::ClobberMemory();
    }
    St.SetBytesProcessed(static_cast<std::int64_t>(St.iterations()) * static_cast<std::int64_t>(NAll * sizeof(double)));
}

void BM_MeanOfLayers_qmr(benchmark::State& St) { RunReduce(St, &qmr::TMat4D::MeanOfLayersToMatrix, 1); }
void BM_StdDevOfLayers_qmr(benchmark::State& St) { RunReduce(St, &qmr::TMat4D::StdDevOfLayersToMatrix, 1); }
BENCHMARK(BM_MeanOfLayers_qmr)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StdDevOfLayers_qmr)->Unit(benchmark::kMillisecond)->UseRealTime();

// Eight threads against one: the ratio is the time with 8 threads over the time with 1.
void BM_MeanOfLayers8Threads_qmr(benchmark::State& St) { RunReduce(St, &qmr::TMat4D::MeanOfLayersToMatrix, 8); }
void BM_MeanOfLayers8Threads_peer(benchmark::State& St) { RunReduce(St, &qmr::TMat4D::MeanOfLayersToMatrix, 1); }
void BM_StdDevOfLayers8Threads_qmr(benchmark::State& St) { RunReduce(St, &qmr::TMat4D::StdDevOfLayersToMatrix, 8); }
void BM_StdDevOfLayers8Threads_peer(benchmark::State& St) { RunReduce(St, &qmr::TMat4D::StdDevOfLayersToMatrix, 1); }
BENCHMARK(BM_MeanOfLayers8Threads_qmr)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MeanOfLayers8Threads_peer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StdDevOfLayers8Threads_qmr)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StdDevOfLayers8Threads_peer)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef QMR_BENCH_HAVE_EIGEN
using EMat = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor>;

// The sum of the 256 planes, each mapped as a matrix.
void RunEigenPlanes(benchmark::State& St) {
    const std::vector<double>& V = Plain();
    EMat Acc(NX, NY);
    for (auto _ : St) {
        Acc.setZero();
        for (std::size_t P = 0; P < NAll / NPlane; ++P) Acc += Eigen::Map<const EMat>(V.data() + P * NPlane, NX, NY);
        benchmark::DoNotOptimize(Acc.data());
        benchmark::ClobberMemory();
    }
    St.SetBytesProcessed(static_cast<std::int64_t>(St.iterations()) * static_cast<std::int64_t>(NAll * sizeof(double)));
}
void BM_MeanOfLayers_peer(benchmark::State& St) { RunEigenPlanes(St); }
void BM_StdDevOfLayers_peer(benchmark::State& St) { RunEigenPlanes(St); }
BENCHMARK(BM_MeanOfLayers_peer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StdDevOfLayers_peer)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// How close the threaded reductions come to the hardware: each against one read pass
// over as many doubles on 8 threads (a reduction reads every element once; its
// destination is 256 times smaller). The reading threads are started before the timing
// and woken for each pass, as the library's own workers are; each sums its share with
// eight accumulators, so the pass is bound by memory, not by the additions.
void RunRead(benchmark::State& St, int Threads) {
    const std::vector<double>& V = Plain();
    std::vector<double> Sums(static_cast<std::size_t>(Threads) * 8);  // one cache line per thread
    std::atomic<int> Round{0}, Done{0};
    std::vector<std::thread> Pool;
    for (int W = 0; W < Threads; ++W)
        Pool.emplace_back([&, W] {
            const std::size_t Share = NAll / static_cast<std::size_t>(Threads);
            const std::size_t B = Share * static_cast<std::size_t>(W), E = B + Share;
            for (int Seen = 0;;) {
                Round.wait(Seen);
                if ((Seen = Round.load()) < 0) return;
                double S[8] = {};
                for (std::size_t I = B; I < E; I += 8)
                    for (int K = 0; K < 8; ++K) S[K] += V[I + static_cast<std::size_t>(K)];
                Sums[static_cast<std::size_t>(W) * 8] = S[0] + S[1] + S[2] + S[3] + S[4] + S[5] + S[6] + S[7];
                ++Done;
                Done.notify_one();
            }
        });
    for (auto _ : St) {
        Done = 0;
        ++Round;
        Round.notify_all();
        for (int D = 0; D < Threads; D = Done.load()) Done.wait(D);
        benchmark::DoNotOptimize(Sums.data());
    }
    Round = -1;
    Round.notify_all();
    for (std::thread& T : Pool) T.join();
    St.SetBytesProcessed(static_cast<std::int64_t>(St.iterations()) * static_cast<std::int64_t>(NAll * sizeof(double)));
}
void BM_ReadBandwidth8Threads(benchmark::State& St) { RunRead(St, 8); }
// The read pass on 8 threads against 1: how much faster 8 threads can read this matrix
// at all, the ceiling of the 8-against-1 ratios of the memory-bound reductions above.
void BM_ReadPass8Threads_qmr(benchmark::State& St) { RunRead(St, 8); }
void BM_ReadPass8Threads_peer(benchmark::State& St) { RunRead(St, 1); }
void BM_MeanOfLayersVsRead8Threads_qmr(benchmark::State& St) { RunReduce(St, &qmr::TMat4D::MeanOfLayersToMatrix, 8); }
void BM_MeanOfLayersVsRead8Threads_peer(benchmark::State& St) { RunRead(St, 8); }
void BM_StdDevOfLayersVsRead8Threads_qmr(benchmark::State& St) { RunReduce(St, &qmr::TMat4D::StdDevOfLayersToMatrix, 8); }
void BM_StdDevOfLayersVsRead8Threads_peer(benchmark::State& St) { RunRead(St, 8); }
BENCHMARK(BM_ReadPass8Threads_qmr)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadPass8Threads_peer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBandwidth8Threads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MeanOfLayersVsRead8Threads_qmr)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MeanOfLayersVsRead8Threads_peer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StdDevOfLayersVsRead8Threads_qmr)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StdDevOfLayersVsRead8Threads_peer)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---------------------------------------------------------------- reshaping

// A plain loop copying as many doubles as the matrix holds, into a buffer touched once
// before the timing: unlike Resample or a non-square Transpose it never takes fresh
// pages from the kernel (the matrix does, 2 MiB at a time), and it computes nothing.
void RunCopyLoop(benchmark::State& St) {
    const std::vector<double>& V = Plain();
    std::vector<double> To(NAll);
    for (auto _ : St) {
        for (std::size_t I = 0; I < NAll; ++I) To[I] = V[I];
        benchmark::DoNotOptimize(To.data());
        benchmark::ClobberMemory();
    }
    St.SetBytesProcessed(static_cast<std::int64_t>(St.iterations()) * static_cast<std::int64_t>(2 * NAll * sizeof(double)));
}

void BM_CopyBandwidth(benchmark::State& St) { RunCopyLoop(St); }
BENCHMARK(BM_CopyBandwidth)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Transpose_qmr(benchmark::State& St) {
    qmr::TMat4D M(nullptr);
    M.Assign(&Source());
    for (auto _ : St) {
        bool Ok = M.Transpose();
        benchmark::DoNotOptimize(Ok);
    }
}
void BM_Transpose_peer(benchmark::State& St) { RunCopyLoop(St); }
BENCHMARK(BM_Transpose_qmr)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Transpose_peer)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every second column and row, averaged: reads the whole matrix, writes a quarter.
void BM_Resample_qmr(benchmark::State& St) {
    qmr::TMat4D M(nullptr);
    for (auto _ : St) {
        St.PauseTiming();
        M.Assign(&Source());
        St.ResumeTiming();
        M.Resample(2, 0, 2, 0, 1, 0, 1, 0, true);
        benchmark::ClobberMemory();
    }
}
void BM_Resample_peer(benchmark::State& St) { RunCopyLoop(St); }
BENCHMARK(BM_Resample_qmr)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Resample_peer)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
