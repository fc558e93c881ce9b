// InvertArray against Eigen's partial-pivoting LU inverse on the same well-conditioned matrix.
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <cstddef>
#include <cstdint>
#include <random>

#ifdef QMR_BENCH_HAVE_EIGEN
#include <Eigen/Dense>
#endif

namespace {

// Random matrix with a strong diagonal, A[column][row].
qmr::TDouble2DArray MakeMatrix(std::size_t N) {
    std::mt19937_64 Gen(42);
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    qmr::TDouble2DArray A(N, qmr::TDoubleArray(N));
    for (std::size_t C = 0; C < N; ++C)
        for (std::size_t R = 0; R < N; ++R) A[C][R] = U(Gen) + (C == R ? static_cast<double>(N) / 4 : 0.0);
    return A;
}

void BM_InvertArray_qmr(benchmark::State& State) {
    const auto N = static_cast<std::size_t>(State.range(0));
    const qmr::TDouble2DArray Src = MakeMatrix(N);
    qmr::TDouble2DArray A;
    for (auto _ : State) {
        State.PauseTiming();
        A = Src;
        State.ResumeTiming();
        benchmark::DoNotOptimize(qmr::InvertArray(A));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_InvertArray_qmr)->Arg(300)->Unit(benchmark::kMillisecond);

// The array routine against its twin on the matrix class (ratio: array / matrix).
void BM_InvertArrayVsTMatrix_qmr(benchmark::State& State) { BM_InvertArray_qmr(State); }
BENCHMARK(BM_InvertArrayVsTMatrix_qmr)->Arg(300)->Unit(benchmark::kMillisecond);

void BM_InvertArrayVsTMatrix_peer(benchmark::State& State) {
    const auto N = static_cast<std::int32_t>(State.range(0));
    const qmr::TDouble2DArray Src = MakeMatrix(static_cast<std::size_t>(N));
    qmr::TMatrix M(nullptr);
    for (auto _ : State) {
        State.PauseTiming();
        M.Resize(N, N);
        for (std::int32_t C = 1; C <= N; ++C)
            for (std::int32_t R = 1; R <= N; ++R)
                M.SetElem(C, R, Src[static_cast<std::size_t>(C - 1)][static_cast<std::size_t>(R - 1)]);
        State.ResumeTiming();
        benchmark::DoNotOptimize(M.Invert());
    }
}
BENCHMARK(BM_InvertArrayVsTMatrix_peer)->Arg(300)->Unit(benchmark::kMillisecond);

#ifdef QMR_BENCH_HAVE_EIGEN
void BM_InvertArray_peer(benchmark::State& State) {
    const auto N = static_cast<Eigen::Index>(State.range(0));
    const qmr::TDouble2DArray Src = MakeMatrix(static_cast<std::size_t>(N));
    Eigen::MatrixXd M(N, N), Inv(N, N);
    for (Eigen::Index C = 0; C < N; ++C)
        for (Eigen::Index R = 0; R < N; ++R)
            M(R, C) = Src[static_cast<std::size_t>(C)][static_cast<std::size_t>(R)];
    for (auto _ : State) {
        Inv = M.partialPivLu().inverse();
        benchmark::DoNotOptimize(Inv.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_InvertArray_peer)->Arg(300)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
