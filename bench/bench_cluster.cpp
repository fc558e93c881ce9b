// Clustering and nearest neighbours against brute-force peers:
// - k-means of 1e5 x 8 into 16 clusters, time per pass, against Armadillo's kmeans (seeds
//   rows 1..16, keep_existing, one pass per call) or else a plain Eigen Lloyd pass;
// - FindNearestNeighbors (1e5 rows, 10 columns, k = 10) and MeanDistanceKNN (2000 rows,
//   k = 10) against an Eigen distance pass plus std::partial_sort;
// - AgglomClustering of 2000 rows (UPGMA) against the plain O(n^3) rescan of all pairs.
// The k-means times are thread processor time per pass.
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#if QMR_BENCH_HAVE_ARMADILLO
#include <armadillo>
#endif
#if QMR_BENCH_HAVE_EIGEN
#include <Eigen/Dense>
#endif

namespace {

// Seconds of processor time of this thread: the per-pass times are taken from it, so a
// loaded machine does not inflate them.
double ThreadSeconds() {
    timespec T{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &T);
    return static_cast<double>(T.tv_sec) + 1e-9 * static_cast<double>(T.tv_nsec);
}

// Column-major values of Rows x Cols around 16 centres, and the same in a TMatrix.
std::vector<double> Blobs(qmr::TMatrix& M, int Rows, int Cols) {
    std::mt19937_64 G(11);
    std::normal_distribution<double> N(0, 1);
    std::vector<double> Centre(16 * static_cast<std::size_t>(Cols));
    for (double& V : Centre) V = 6 * N(G);
    std::vector<double> Data(static_cast<std::size_t>(Rows) * Cols);
    for (int R = 0; R < Rows; ++R)
        for (int C = 0; C < Cols; ++C)
            Data[static_cast<std::size_t>(C) * Rows + R] = Centre[static_cast<std::size_t>(R % 16) * Cols + C] + 2 * N(G);
    M.Resize(Cols, Rows);
    for (int C = 1; C <= Cols; ++C)
        for (int R = 1; R <= Rows; ++R) M.SetElem(C, R, Data[static_cast<std::size_t>(C - 1) * Rows + (R - 1)]);
    return Data;
}

void BM_KMeansPass_qmr(benchmark::State& State) {
    qmr::TMatrix M(nullptr), C(nullptr);
    Blobs(M, 100000, 8);
    qmr::TIntVector Cl(nullptr), Sz(nullptr);
    for (auto _ : State) {
        const double P0 = qmr::ProcStat.load();
        const double T0 = ThreadSeconds();
        benchmark::DoNotOptimize(qmr::kMeansClustering(M, 0, 0, 16, 0, C, Cl, Sz));
        State.SetIterationTime((ThreadSeconds() - T0) / (qmr::ProcStat.load() - P0));
    }
}

void BM_NearestNeighbors_qmr(benchmark::State& State) {
    qmr::TMatrix M(nullptr), NN(nullptr);
    Blobs(M, 100000, 10);
    NN.Resize(2, 10);
    qmr::TVector Q(nullptr);
    Q.SetNrOfElem(10);
    Q.Fill(0.25);
    for (auto _ : State) {
        qmr::FindNearestNeighbors(10, M, 1, 100000, Q, NN, nullptr);
        benchmark::DoNotOptimize(NN.Elem(2, 10));
    }
}

void BM_MeanDistanceKNN_qmr(benchmark::State& State) {
    qmr::TMatrix M(nullptr);
    Blobs(M, 2000, 10);
    qmr::TVector D(nullptr);
    D.SetNrOfElem(2000);
    for (auto _ : State) {
        qmr::MeanDistanceKNN(M, 10, 1, 2000, D);
        benchmark::DoNotOptimize(D.Elem(2000));
    }
}

void BM_AgglomUpgma_qmr(benchmark::State& State) {
    qmr::TMatrix M(nullptr);
    Blobs(M, 2000, 4);
    qmr::TIntMatrix Dend(nullptr);
    qmr::TVector Dist(nullptr), Pos(nullptr);
    for (auto _ : State)
        benchmark::DoNotOptimize(qmr::AgglomClustering(nullptr, M, qmr::TDistMode::dmEuclid,
                                                       qmr::TClusterMethod::cmUpgma, 0.5, Dend, Dist, Pos, nullptr,
                                                       nullptr));
}

// The plain clustering: the same distance matrix, then every step rescans all active
// pairs (start +infinity, strictly smaller wins) and applies the UPGMA update.
void BM_AgglomUpgma_peer(benchmark::State& State) {
    qmr::TMatrix M(nullptr);
    Blobs(M, 2000, 4);
    const int n = 2000;
    for (auto _ : State) {
        qmr::TMatrix DM(nullptr);
        DM.Resize(n, n);
        M.CalcDistMat(qmr::TDistMode::dmEuclid, &DM);
        std::vector<double> D(static_cast<std::size_t>(n) * n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) D[static_cast<std::size_t>(i) * n + j] = static_cast<double>(DM.Elem(i + 1, j + 1));
        std::vector<int> Size(n, 1);
        std::vector<char> Act(n, 1);
        double Sum = 0;
        for (int f = 1; f < n; ++f) {
            double Best = std::numeric_limits<double>::infinity();
            int g = 0, h = 1;
            for (int i = 0; i < n; ++i) {
                if (!Act[i]) continue;
                const double* Row = &D[static_cast<std::size_t>(i) * n];
                for (int j = i + 1; j < n; ++j)
                    if (Act[j] && Row[j] < Best) Best = Row[j], g = i, h = j;
            }
            const double ng = Size[g], nh = Size[h];
            for (int i = 0; i < n; ++i) {
                if (!Act[i] || i == g || i == h) continue;
                const double New = (ng * D[static_cast<std::size_t>(g) * n + i] + nh * D[static_cast<std::size_t>(h) * n + i]) / (ng + nh);
                D[static_cast<std::size_t>(h) * n + i] = D[static_cast<std::size_t>(i) * n + h] = New;
            }
            Size[h] += Size[g];
            Act[g] = 0;
            Sum += Best;
        }
        benchmark::DoNotOptimize(Sum);
    }
}

#if QMR_BENCH_HAVE_ARMADILLO
void BM_KMeansPass_peer(benchmark::State& State) {
    qmr::TMatrix M(nullptr);
    const std::vector<double> Data = Blobs(M, 100000, 8);
    // Armadillo wants objects as columns.
    const arma::mat X = arma::mat(const_cast<double*>(Data.data()), 100000, 8, false, true).t();
    const arma::mat Seeds = X.cols(0, 15);
    arma::mat Means;
    for (auto _ : State) {
        const double T0 = ThreadSeconds();
        Means = Seeds;
        benchmark::DoNotOptimize(arma::kmeans(Means, X, 16, arma::keep_existing, 1, false));
        State.SetIterationTime(ThreadSeconds() - T0);
    }
}
#elif QMR_BENCH_HAVE_EIGEN
// One plain Lloyd pass per iteration: assignment and member means.
void BM_KMeansPass_peer(benchmark::State& State) {
    qmr::TMatrix M(nullptr);
    const std::vector<double> Data = Blobs(M, 100000, 8);
    const Eigen::Map<const Eigen::MatrixXd> X(Data.data(), 100000, 8);
    const Eigen::MatrixXd Seeds = X.topRows(16);
    Eigen::MatrixXd C, Sum(16, 8);
    std::vector<int> Cl(100000);
    for (auto _ : State) {
        const double T0 = ThreadSeconds();
        C = Seeds;
        for (Eigen::Index i = 0; i < X.rows(); ++i) {
            Eigen::Index Best;
            (C.rowwise() - X.row(i)).rowwise().squaredNorm().minCoeff(&Best);
            Cl[static_cast<std::size_t>(i)] = static_cast<int>(Best);
        }
        Sum.setZero();
        Eigen::VectorXd N = Eigen::VectorXd::Zero(16);
        for (Eigen::Index i = 0; i < X.rows(); ++i) Sum.row(Cl[static_cast<std::size_t>(i)]) += X.row(i), N[Cl[static_cast<std::size_t>(i)]] += 1;
        C = Sum.array().colwise() / N.array().max(1);
        benchmark::DoNotOptimize(C.data());
        State.SetIterationTime(ThreadSeconds() - T0);
    }
}
#endif

#if QMR_BENCH_HAVE_EIGEN
// Distances of all rows to Q, then a partial sort of the indices (later row first on ties).
void PeerNearest(const Eigen::Map<const Eigen::MatrixXd>& X, const Eigen::RowVectorXd& Q, Eigen::VectorXd& Dist,
                 std::vector<int>& Ix, int k) {
    Dist = (X.rowwise() - Q).rowwise().squaredNorm().array().sqrt();
    std::iota(Ix.begin(), Ix.end(), 0);
    std::partial_sort(Ix.begin(), Ix.begin() + k, Ix.end(), [&](int A, int B) {
        return Dist[A] < Dist[B] || (Dist[A] == Dist[B] && A > B);
    });
}

void BM_NearestNeighbors_peer(benchmark::State& State) {
    qmr::TMatrix M(nullptr);
    const std::vector<double> Data = Blobs(M, 100000, 10);
    const Eigen::Map<const Eigen::MatrixXd> X(Data.data(), 100000, 10);
    const Eigen::RowVectorXd Q = Eigen::RowVectorXd::Constant(10, 0.25);
    Eigen::VectorXd Dist;
    std::vector<int> Ix(100000);
    for (auto _ : State) {
        PeerNearest(X, Q, Dist, Ix, 10);
        benchmark::DoNotOptimize(Ix[9]);
    }
}

void BM_MeanDistanceKNN_peer(benchmark::State& State) {
    qmr::TMatrix M(nullptr);
    const std::vector<double> Data = Blobs(M, 2000, 10);
    const Eigen::Map<const Eigen::MatrixXd> X(Data.data(), 2000, 10);
    Eigen::VectorXd Dist, Mean(2000);
    std::vector<int> Ix(2000);
    for (auto _ : State) {
        for (Eigen::Index r = 0; r < 2000; ++r) {
            PeerNearest(X, X.row(r), Dist, Ix, 10);
            double S = 0;
            for (int i = 0; i < 10; ++i) S += Dist[Ix[static_cast<std::size_t>(i)]];
            Mean[r] = S / 10;
        }
        benchmark::DoNotOptimize(Mean.data());
    }
}
#endif

}  // namespace

BENCHMARK(BM_KMeansPass_qmr)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NearestNeighbors_qmr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeanDistanceKNN_qmr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AgglomUpgma_qmr)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AgglomUpgma_peer)->Unit(benchmark::kMillisecond)->Iterations(1);
#if QMR_BENCH_HAVE_ARMADILLO || QMR_BENCH_HAVE_EIGEN
BENCHMARK(BM_KMeansPass_peer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
#endif
#if QMR_BENCH_HAVE_EIGEN
BENCHMARK(BM_NearestNeighbors_peer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeanDistanceKNN_peer)->Unit(benchmark::kMillisecond);
#endif
