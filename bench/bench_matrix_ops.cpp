// Matrix products, squaring and distance matrices. Peers: Eigen's products (one thread)
// when Eigen is available; for the threaded squaring our own single-thread run; for the
// distance matrix a plain loop over the row pairs into an array.
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#ifdef QMR_BENCH_HAVE_EIGEN
#include <Eigen/Dense>
#endif

namespace {

// Column-major Cols x Rows values uniform in [-1, 1], the same for both sides.
std::vector<double> RandomData(int Cols, int Rows, unsigned Seed) {
    std::mt19937_64 Gen(Seed);
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    std::vector<double> A(static_cast<std::size_t>(Cols) * static_cast<std::size_t>(Rows));
    for (double& X : A) X = U(Gen);
    return A;
}

void Load(qmr::TMatrix& M, const std::vector<double>& A, int Cols, int Rows) {
    M.Resize(Cols, Rows);
    qmr::TDouble2DArray Arr(static_cast<std::size_t>(Cols));
    for (int c = 0; c < Cols; ++c) {
        const auto First = A.begin() + static_cast<std::ptrdiff_t>(c) * Rows;
        Arr[static_cast<std::size_t>(c)].assign(First, First + Rows);
    }
    M.CopyFromArray(Arr, 1, 1);
}

// ---------------------------------------------------------------- products, n x n

enum class TProd { Plain, Transposed, TransposeFirst };

void RunProduct(benchmark::State& St, TProd Kind) {
    const int n = static_cast<int>(St.range(0));
    qmr::TMatrix A(nullptr), B(nullptr), C(nullptr);
    Load(A, RandomData(n, n, 1), n, n);
    Load(B, RandomData(n, n, 2), n, n);
    for (auto _ : St) {
        bool Ok = Kind == TProd::Plain        ? A.Multiply(&B, &C)
                  : Kind == TProd::Transposed ? A.MultiplyTransposed(&B, &C)
                                              : A.TransposeAndMultiply(&B, &C);
        benchmark::DoNotOptimize(Ok);
    }
}

void BM_Multiply_qmr(benchmark::State& St) { RunProduct(St, TProd::Plain); }
void BM_MultiplyTransposed_qmr(benchmark::State& St) { RunProduct(St, TProd::Transposed); }
void BM_TransposeAndMultiply_qmr(benchmark::State& St) { RunProduct(St, TProd::TransposeFirst); }

BENCHMARK(BM_Multiply_qmr)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MultiplyTransposed_qmr)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransposeAndMultiply_qmr)->Arg(1000)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- squaring, rows x columns

void BM_Square_qmr(benchmark::State& St) {
    const int Rows = static_cast<int>(St.range(0)), Cols = static_cast<int>(St.range(1));
    qmr::TMatrix X(nullptr), R(nullptr);
    Load(X, RandomData(Cols, Rows, 3), Cols, Rows);
    for (auto _ : St) {
        bool Ok = X.Square(&R, 1.0, 1);
        benchmark::DoNotOptimize(Ok);
    }
}
BENCHMARK(BM_Square_qmr)->Args({2000, 300})->Unit(benchmark::kMillisecond);

// Eight threads against one: the ratio is the time with 8 threads over the time with 1.
void RunSquareThreads(benchmark::State& St, int Threads) {
    const int Rows = static_cast<int>(St.range(0)), Cols = static_cast<int>(St.range(1));
    qmr::TMatrix X(nullptr), R(nullptr);
    Load(X, RandomData(Cols, Rows, 3), Cols, Rows);
    for (auto _ : St) {
        bool Ok = X.Square(&R, 1.0, Threads);
        benchmark::DoNotOptimize(Ok);
    }
}
void BM_Square8Threads_qmr(benchmark::State& St) { RunSquareThreads(St, 8); }
void BM_Square8Threads_peer(benchmark::State& St) { RunSquareThreads(St, 1); }
BENCHMARK(BM_Square8Threads_qmr)->Args({2000, 300})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Square8Threads_peer)->Args({2000, 300})->Unit(benchmark::kMillisecond)->UseRealTime();

// ---------------------------------------------------------------- distance matrices, rows x 10

void BM_CalcDistMat_qmr(benchmark::State& St) {
    const int Rows = static_cast<int>(St.range(0)), Cols = 10;
    const auto Mode = static_cast<qmr::TDistMode>(St.range(1));
    qmr::TMatrix X(nullptr), D(nullptr);
    Load(X, RandomData(Cols, Rows, 4), Cols, Rows);
    D.Resize(Rows, Rows);
    for (auto _ : St) {
        std::int32_t Res = X.CalcDistMat(Mode, &D);
        benchmark::DoNotOptimize(Res);
    }
}

// The same distances from a row-major copy into a column-major array, pair by pair.
void BM_CalcDistMat_peer(benchmark::State& St) {
    const int Rows = static_cast<int>(St.range(0)), Cols = 10;
    const int Mode = static_cast<int>(St.range(1));
    const auto A = RandomData(Cols, Rows, 4);
    const auto n = static_cast<std::size_t>(Rows), p = static_cast<std::size_t>(Cols);
    std::vector<double> X(n * p), D(n * n);
    for (std::size_t c = 0; c < p; ++c)
        for (std::size_t r = 0; r < n; ++r) X[r * p + c] = A[c * n + r];
    for (auto _ : St) {
        for (std::size_t i = 0; i < n; ++i) {
            D[i * n + i] = 0;
            for (std::size_t j = i + 1; j < n; ++j) {
                double S = 0;
                for (std::size_t k = 0; k < p; ++k) {
                    const double d = X[i * p + k] - X[j * p + k];
                    S += Mode == 1 ? std::fabs(d) : d * d;
                }
                if (Mode == 2) S = std::sqrt(S);
                D[j * n + i] = S;
                D[i * n + j] = S;
            }
        }
        benchmark::DoNotOptimize(D.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CalcDistMat_qmr)->Args({2000, 1})->Args({2000, 2})->Args({2000, 3})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcDistMat_peer)->Args({2000, 1})->Args({2000, 2})->Args({2000, 3})->Unit(benchmark::kMillisecond);

#ifdef QMR_BENCH_HAVE_EIGEN
using EMat = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor>;

void RunEigenProduct(benchmark::State& St, TProd Kind) {
    const int n = static_cast<int>(St.range(0));
    const EMat A = Eigen::Map<const EMat>(RandomData(n, n, 1).data(), n, n);
    const EMat B = Eigen::Map<const EMat>(RandomData(n, n, 2).data(), n, n);
    EMat C(n, n);
    for (auto _ : St) {
        if (Kind == TProd::Plain) C.noalias() = A * B;
        else if (Kind == TProd::Transposed) C.noalias() = A * B.transpose();
        else C.noalias() = A.transpose() * B;
        benchmark::DoNotOptimize(C.data());
    }
}

void BM_Multiply_peer(benchmark::State& St) { RunEigenProduct(St, TProd::Plain); }
void BM_MultiplyTransposed_peer(benchmark::State& St) { RunEigenProduct(St, TProd::Transposed); }
void BM_TransposeAndMultiply_peer(benchmark::State& St) { RunEigenProduct(St, TProd::TransposeFirst); }
BENCHMARK(BM_Multiply_peer)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MultiplyTransposed_peer)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransposeAndMultiply_peer)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_Square_peer(benchmark::State& St) {
    const int Rows = static_cast<int>(St.range(0)), Cols = static_cast<int>(St.range(1));
    const EMat X = Eigen::Map<const EMat>(RandomData(Cols, Rows, 3).data(), Rows, Cols);
    EMat R(Cols, Cols);
    for (auto _ : St) {
        R.noalias() = X.transpose() * X;
        benchmark::DoNotOptimize(R.data());
    }
}
BENCHMARK(BM_Square_peer)->Args({2000, 300})->Unit(benchmark::kMillisecond);
#endif

}  // namespace
