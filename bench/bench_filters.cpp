// Filters and kernels against plain loops written here: KernelConvolve against a
// clamped-index four-loop correlation, MovingMedianSmooth against std::nth_element on a
// copy of each window, ChebychevFilter against a direct-form forward and backward loop.
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

std::vector<double> Noise(std::size_t N, unsigned Seed) {
    std::mt19937_64 Gen(Seed);
    std::normal_distribution<double> G(0, 1);
    std::vector<double> X(N);
    for (double& V : X) V = G(Gen);
    return X;
}

qmr::TDouble2DArray Grid(std::size_t A, std::size_t B, unsigned Seed) {
    qmr::TDouble2DArray X(A);
    for (std::size_t I = 0; I < A; ++I) X[I] = Noise(B, Seed + static_cast<unsigned>(I));
    return X;
}

// ---- KernelConvolve, 2000 x 2000 with a 5 x 5 kernel

void BM_KernelConvolve_qmr(benchmark::State& State) {
    const auto N = static_cast<std::size_t>(State.range(0));
    const auto Data = Grid(N, N, 1), Kernel = Grid(5, 5, 9000);
    qmr::TDouble2DArray Result;
    for (auto _ : State) {
        benchmark::DoNotOptimize(qmr::KernelConvolve(Kernel, Data, Result));
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * static_cast<std::int64_t>(N * N));
}

void BM_KernelConvolve_peer(benchmark::State& State) {
    const auto N = static_cast<std::size_t>(State.range(0));
    const auto Data = Grid(N, N, 1), Kernel = Grid(5, 5, 9000);
    const int L = static_cast<int>(N), K = 5, H = K / 2;
    qmr::TDouble2DArray Result;
    for (auto _ : State) {
        Result.assign(N, qmr::TDoubleArray(N));
        for (int I = 0; I < L; ++I)
            for (int J = 0; J < L; ++J) {
                double S = 0;
                for (int P = 0; P < K; ++P)
                    for (int Q = 0; Q < K; ++Q)
                        S += Data[static_cast<std::size_t>(std::clamp(I + P - H, 0, L - 1))]
                                 [static_cast<std::size_t>(std::clamp(J + Q - H, 0, L - 1))] *
                             Kernel[static_cast<std::size_t>(P)][static_cast<std::size_t>(Q)];
                Result[static_cast<std::size_t>(I)][static_cast<std::size_t>(J)] = S;
            }
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * static_cast<std::int64_t>(N * N));
}

// ---- MovingMedianSmooth, 10^6 samples, window 25

void BM_MovingMedian_qmr(benchmark::State& State) {
    const auto N = static_cast<std::int32_t>(State.range(0));
    qmr::TVector Src(nullptr), Dst(nullptr);
    Src.Resize(N);
    Src.CopyFromArray(Noise(static_cast<std::size_t>(N), 2), 1);
    Dst.Resize(N);
    for (auto _ : State) {
        qmr::MovingMedianSmooth(&Src, 1, N, &Dst, 25);
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * N);
}

void BM_MovingMedian_peer(benchmark::State& State) {
    const auto N = static_cast<std::size_t>(State.range(0));
    const auto X = Noise(N, 2);
    const std::size_t W = 25, M = W / 2;
    std::vector<double> Out(N), Win(W);
    for (auto _ : State) {
        for (std::size_t C = M; C + M < N; ++C) {
            std::copy(X.begin() + static_cast<std::ptrdiff_t>(C - M), X.begin() + static_cast<std::ptrdiff_t>(C + M + 1),
                      Win.begin());
            std::nth_element(Win.begin(), Win.begin() + static_cast<std::ptrdiff_t>(M), Win.end());
            Out[C] = Win[M];
        }
        benchmark::DoNotOptimize(Out.data());
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * static_cast<std::int64_t>(N));
}

// ---- ChebychevFilter, 10^6 samples, 8 poles

void BM_ChebychevFilter_qmr(benchmark::State& State) {
    const auto N = static_cast<std::int32_t>(State.range(0));
    qmr::TVector Src(nullptr), Dst(nullptr);
    Src.Resize(N);
    Src.CopyFromArray(Noise(static_cast<std::size_t>(N), 3), 1);
    Dst.Resize(N);
    qmr::TMatrix Co(nullptr);
    double A0 = 0;
    qmr::CalcChebFilterCoeffs(8, false, 0.1, 0.5, A0, Co);
    for (auto _ : State) {
        qmr::ChebychevFilter(Src, 1, N, Dst, A0, Co);
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * N);
}

void BM_ChebychevFilter_peer(benchmark::State& State) {
    const auto N = static_cast<std::size_t>(State.range(0));
    const auto X = Noise(N, 3);
    qmr::TMatrix Co(nullptr);
    double A0 = 0;
    qmr::CalcChebFilterCoeffs(8, false, 0.1, 0.5, A0, Co);
    constexpr std::size_t NP = 8, P = NP + 1;
    double A[NP + 1] = {}, B[NP + 1] = {};
    for (std::size_t R = 1; R <= NP; ++R) {
        A[R] = static_cast<double>(Co.Elem(1, static_cast<std::int32_t>(R)));
        B[R] = static_cast<double>(Co.Elem(2, static_cast<std::int32_t>(R)));
    }
    // Zero padding of NP in front and P + NP behind: the same samples as the library's passes.
    const std::size_t Len = N + 2 * P, Off = NP + P;
    std::vector<double> Out(N);
    for (auto _ : State) {
        std::vector<double> U(Len + 2 * NP + P, 0.0), Y(U.size(), 0.0), Z(U.size(), 0.0);
        std::copy(X.begin(), X.end(), U.begin() + static_cast<std::ptrdiff_t>(Off));
        for (std::size_t T = NP; T < NP + Len; ++T) {
            double S = A0 * U[T];
            for (std::size_t R = 1; R <= NP; ++R) S += A[R] * U[T - R] + B[R] * Y[T - R];
            Y[T] = S;
        }
        for (std::size_t T = NP + Len; T-- > NP;) {
            double S = A0 * Y[T];
            for (std::size_t R = 1; R <= NP; ++R) S += A[R] * Y[T + R] + B[R] * Z[T + R];
            Z[T] = S;
        }
        std::copy(Z.begin() + static_cast<std::ptrdiff_t>(Off), Z.begin() + static_cast<std::ptrdiff_t>(Off + N), Out.begin());
        benchmark::DoNotOptimize(Out.data());
        benchmark::ClobberMemory();
    }
    State.SetItemsProcessed(State.iterations() * static_cast<std::int64_t>(N));
}

}  // namespace

BENCHMARK(BM_KernelConvolve_qmr)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KernelConvolve_peer)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovingMedian_qmr)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovingMedian_peer)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChebychevFilter_qmr)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChebychevFilter_peer)->Arg(1000000)->Unit(benchmark::kMillisecond);
