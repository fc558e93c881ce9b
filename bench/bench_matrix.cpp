// Matrix linear algebra: inversion, determinant and LU decomposition of random
// n x n matrices, against Eigen's partial-pivoting LU when Eigen is available.
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <cstdint>
#include <random>
#include <vector>

#ifdef QMR_BENCH_HAVE_EIGEN
#include <Eigen/Dense>
#endif

namespace {

// Column-major random matrix with a strong diagonal, the same for both sides.
std::vector<double> RandomMatrix(int n) {
    std::mt19937_64 Gen(12345u + static_cast<unsigned>(n));
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    std::vector<double> A(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
    for (double& X : A) X = U(Gen);
    for (int i = 0; i < n; ++i) A[static_cast<std::size_t>(i) * static_cast<std::size_t>(n + 1)] += n / 4.0;
    return A;
}

void Load(qmr::TMatrix& M, const std::vector<double>& A, int n) {
    M.Resize(n, n);
    for (int c = 1; c <= n; ++c)
        for (int r = 1; r <= n; ++r)
            M.SetElem(c, r, A[static_cast<std::size_t>(c - 1) * static_cast<std::size_t>(n) + static_cast<std::size_t>(r - 1)]);
}

void BM_Invert_qmr(benchmark::State& St) {
    const int n = static_cast<int>(St.range(0));
    const auto A = RandomMatrix(n);
    qmr::TMatrix M(nullptr);
    for (auto _ : St) {
        St.PauseTiming();
        Load(M, A, n);
        St.ResumeTiming();
        bool Ok = M.Invert();
        benchmark::DoNotOptimize(Ok);
    }
}

void BM_Determinant_qmr(benchmark::State& St) {
    const int n = static_cast<int>(St.range(0));
    const auto A = RandomMatrix(n);
    qmr::TMatrix M(nullptr);
    Load(M, A, n);
    for (auto _ : St) {
        qmr::Extended D = M.Determinant();
        benchmark::DoNotOptimize(D);
    }
}

void BM_LUdecomposition_qmr(benchmark::State& St) {
    const int n = static_cast<int>(St.range(0));
    const auto A = RandomMatrix(n);
    qmr::TMatrix M(nullptr), L(nullptr), U(nullptr);
    Load(M, A, n);
    for (auto _ : St) {
        std::int32_t NumPerm = 0;
        bool Ok = M.LUdecomposition(&L, &U, NumPerm);
        benchmark::DoNotOptimize(Ok);
    }
}

BENCHMARK(BM_Invert_qmr)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Determinant_qmr)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LUdecomposition_qmr)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond);

#ifdef QMR_BENCH_HAVE_EIGEN
using EMat = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor>;

EMat ToEigen(const std::vector<double>& A, int n) { return Eigen::Map<const EMat>(A.data(), n, n); }

void BM_Invert_peer(benchmark::State& St) {
    const int n = static_cast<int>(St.range(0));
    const EMat A = ToEigen(RandomMatrix(n), n);
    EMat Inv(n, n);
    for (auto _ : St) {
        Inv = A.partialPivLu().inverse();
        benchmark::DoNotOptimize(Inv.data());
    }
}

void BM_Determinant_peer(benchmark::State& St) {
    const int n = static_cast<int>(St.range(0));
    const EMat A = ToEigen(RandomMatrix(n), n);
    for (auto _ : St) {
        double D = A.partialPivLu().determinant();
        benchmark::DoNotOptimize(D);
    }
}

// The peer's LU is in-place; our decomposition also produces separate L and U.
void BM_LUdecomposition_peer(benchmark::State& St) {
    const int n = static_cast<int>(St.range(0));
    const EMat A = ToEigen(RandomMatrix(n), n);
    for (auto _ : St) {
        Eigen::PartialPivLU<EMat> Lu(A);
        EMat L = Lu.matrixLU().triangularView<Eigen::UnitLower>();
        EMat U = Lu.matrixLU().triangularView<Eigen::Upper>();
        benchmark::DoNotOptimize(L.data());
        benchmark::DoNotOptimize(U.data());
    }
}

BENCHMARK(BM_Invert_peer)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Determinant_peer)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LUdecomposition_peer)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
