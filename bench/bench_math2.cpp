// Least squares and eigen analysis: PseudoInverse against Eigen's BDCSVD pseudo-inverse,
// CalcEigVec against SelfAdjointEigenSolver and CalcCovar (covariances) against Eigen's
// centred X^T X / (N - 1).
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <cstdint>
#include <random>
#include <vector>

#ifdef QMR_BENCH_HAVE_EIGEN
#include <Eigen/Dense>
#include <Eigen/SVD>
#endif

namespace {

// Column-major rows x cols values uniform in [-1, 1], the same for both sides.
std::vector<double> RandomData(int Rows, int Cols, unsigned Seed) {
    std::mt19937_64 Gen(Seed + static_cast<unsigned>(Rows) * 7919u + static_cast<unsigned>(Cols));
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    std::vector<double> A(static_cast<std::size_t>(Rows) * static_cast<std::size_t>(Cols));
    for (double& X : A) X = U(Gen);
    return A;
}

// Symmetric n x n from the random data.
std::vector<double> RandomSymmetric(int n) {
    auto A = RandomData(n, n, 3);
    for (int c = 0; c < n; ++c)
        for (int r = 0; r < c; ++r) A[static_cast<std::size_t>(r) * n + c] = A[static_cast<std::size_t>(c) * n + r];
    return A;
}

void Load(qmr::TMatrix& M, const std::vector<double>& A, int Rows, int Cols) {
    M.Resize(Cols, Rows);
    for (int c = 1; c <= Cols; ++c)
        for (int r = 1; r <= Rows; ++r)
            M.SetElem(c, r, A[static_cast<std::size_t>(c - 1) * static_cast<std::size_t>(Rows) + static_cast<std::size_t>(r - 1)]);
}

void BM_PseudoInverse_qmr(benchmark::State& St) {
    const int Rows = static_cast<int>(St.range(0)), Cols = static_cast<int>(St.range(1));
    qmr::TMatrix A(nullptr), P(nullptr);
    Load(A, RandomData(Rows, Cols, 1), Rows, Cols);
    for (auto _ : St) {
        bool Ok = qmr::PseudoInverse(&A, &P, 0);
        benchmark::DoNotOptimize(Ok);
    }
}

void BM_CalcEigVec_qmr(benchmark::State& St) {
    const int n = static_cast<int>(St.range(0));
    const auto S = RandomSymmetric(n);
    qmr::TMatrix M(nullptr);
    for (auto _ : St) {
        St.PauseTiming();
        Load(M, S, n, n);
        St.ResumeTiming();
        bool Ok = qmr::CalcEigVec(&M);
        benchmark::DoNotOptimize(Ok);
    }
}

void BM_CalcCovar_qmr(benchmark::State& St) {
    const int Rows = static_cast<int>(St.range(0)), Cols = static_cast<int>(St.range(1));
    qmr::TMatrix X(nullptr), C(nullptr);
    Load(X, RandomData(Rows, Cols, 2), Rows, Cols);
    C.Resize(Cols, Cols);
    for (auto _ : St) {
        bool Ok = qmr::CalcCovar(&X, &C, 0, 0, 0, 0, 1);
        benchmark::DoNotOptimize(Ok);
    }
}

BENCHMARK(BM_PseudoInverse_qmr)->Args({1000, 100})->Args({300, 300})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcEigVec_qmr)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcCovar_qmr)->Args({10000, 50})->Unit(benchmark::kMillisecond);

#ifdef QMR_BENCH_HAVE_EIGEN
using EMat = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor>;

EMat ToEigen(const std::vector<double>& A, int Rows, int Cols) { return Eigen::Map<const EMat>(A.data(), Rows, Cols); }

void BM_PseudoInverse_peer(benchmark::State& St) {
    const int Rows = static_cast<int>(St.range(0)), Cols = static_cast<int>(St.range(1));
    const EMat A = ToEigen(RandomData(Rows, Cols, 1), Rows, Cols);
    for (auto _ : St) {
        Eigen::BDCSVD<EMat> Svd(A, Eigen::ComputeThinU | Eigen::ComputeThinV);
        const auto& S = Svd.singularValues();
        const double Tol = std::max(Rows, Cols) * S(0) * 1.2e-16;
        Eigen::VectorXd Inv = S.unaryExpr([Tol](double w) { return w > Tol ? 1.0 / w : 0.0; });
        EMat P = Svd.matrixV() * Inv.asDiagonal() * Svd.matrixU().transpose();
        benchmark::DoNotOptimize(P.data());
    }
}

void BM_CalcEigVec_peer(benchmark::State& St) {
    const int n = static_cast<int>(St.range(0));
    const EMat S = ToEigen(RandomSymmetric(n), n, n);
    for (auto _ : St) {
        Eigen::SelfAdjointEigenSolver<EMat> Es(S, Eigen::ComputeEigenvectors);
        benchmark::DoNotOptimize(Es.eigenvectors().data());
    }
}

void BM_CalcCovar_peer(benchmark::State& St) {
    const int Rows = static_cast<int>(St.range(0)), Cols = static_cast<int>(St.range(1));
    const EMat X = ToEigen(RandomData(Rows, Cols, 2), Rows, Cols);
    for (auto _ : St) {
        const EMat Centred = X.rowwise() - X.colwise().mean();
        EMat C = (Centred.transpose() * Centred) / double(Rows - 1);
        benchmark::DoNotOptimize(C.data());
    }
}

BENCHMARK(BM_PseudoInverse_peer)->Args({1000, 100})->Args({300, 300})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcEigVec_peer)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcCovar_peer)->Args({10000, 50})->Unit(benchmark::kMillisecond);
#endif

}  // namespace
