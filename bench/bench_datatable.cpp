// Data table analyses: the covariance (mode 1) and correlation (mode 2) matrices of 64
// columns x 100 000 rows, every cell valid, against Eigen's centred X^T X / (m - 1) and
// its correlation when Eigen is available.
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <cmath>
#include <random>
#include <vector>

#ifdef QMR_BENCH_HAVE_EIGEN
#include <Eigen/Dense>
#endif

namespace {

constexpr int kCols = 64;
constexpr int kRows = 100000;

// Column-major random values, the same for both sides.
const std::vector<double>& Values() {
    static const std::vector<double> V = [] {
        std::mt19937_64 Gen(2024);
        std::normal_distribution<double> N(5.0, 2.0);
        std::vector<double> A(static_cast<std::size_t>(kCols) * kRows);
        for (double& X : A) X = N(Gen);
        return A;
    }();
    return V;
}

void BM_CalcCovar_qmr(benchmark::State& St) {
    const int Mode = static_cast<int>(St.range(0));
    qmr::TDataTable T(nullptr);
    T.Resize(kCols, kRows);
    qmr::TDouble2DArray A(kCols, qmr::TDoubleArray(kRows));
    for (int c = 0; c < kCols; ++c)
        std::copy_n(Values().begin() + static_cast<std::ptrdiff_t>(c) * kRows, kRows, A[static_cast<std::size_t>(c)].begin());
    T.CopyDataFromArray(A);
    qmr::TMatrix C(nullptr);
    C.Resize(kCols, kCols);
    for (auto _ : St) {
        bool Ok = T.CalcCovar(&C, 1, kCols, 1, kRows, Mode);
        benchmark::DoNotOptimize(Ok);
    }
}
BENCHMARK(BM_CalcCovar_qmr)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

#ifdef QMR_BENCH_HAVE_EIGEN
using EMat = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor>;

void BM_CalcCovar_peer(benchmark::State& St) {
    const int Mode = static_cast<int>(St.range(0));
    const EMat X = Eigen::Map<const EMat>(Values().data(), kRows, kCols);
    EMat Cov(kCols, kCols);
    for (auto _ : St) {
        const EMat Xc = X.rowwise() - X.colwise().mean();
        Cov.noalias() = (Xc.transpose() * Xc) / static_cast<double>(kRows - 1);
        if (Mode == 2) {
            const Eigen::VectorXd D = Cov.diagonal().cwiseSqrt().cwiseInverse();
            Cov = D.asDiagonal() * Cov * D.asDiagonal();
        }
        benchmark::DoNotOptimize(Cov.data());
    }
}
BENCHMARK(BM_CalcCovar_peer)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
