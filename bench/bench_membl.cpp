// The learner's neighbour search against a brute-force Eigen distance pass plus
// std::partial_sort of the row indices (100 nearest, the higher row first on ties):
// ApplyModel over 1e5 rows of 10 inputs with K = 10, and CalcNNOfModelData over 2000 rows.
// Also a binary model of 1e5 named rows stored and loaded again (no peer).
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#if QMR_BENCH_HAVE_EIGEN
#include <Eigen/Dense>
#endif

namespace {

constexpr int kInputs = 10;
constexpr int kList = 100;

// Inputs in columns 1..10, the target in column 11; column-major values in Data.
void Fill(qmr::TMemBasedLearner& L, int Rows, std::vector<double>& Data) {
    std::mt19937_64 G(7);
    std::normal_distribution<double> N(0, 1);
    Data.resize(static_cast<std::size_t>(Rows) * (kInputs + 1));
    for (double& V : Data) V = N(G);
    qmr::TDataTable& T = L.ModelData();
    T.Resize(kInputs + 1, Rows);
    for (int C = 1; C <= kInputs + 1; ++C)
        for (int R = 1; R <= Rows; ++R) T.SetElem(C, R, Data[static_cast<std::size_t>(C - 1) * Rows + (R - 1)]);
    L.SetAllVars(qmr::TMBLVarType::mblVarIndep);
    L.SetVarType(kInputs + 1, qmr::TMBLVarType::mblVarTarget);
}

void BM_MBLApplyModel_qmr(benchmark::State& State) {
    const auto Rows = static_cast<int>(State.range(0));
    qmr::TMemBasedLearner L(nullptr);
    std::vector<double> Data;
    Fill(L, Rows, Data);
    L.SetNumNearestNb(10);
    const qmr::TDoubleArray Sensor0(kInputs + 1, 0.25);
    qmr::TDoubleArray S;
    for (auto _ : State) {
        S = Sensor0;
        benchmark::DoNotOptimize(L.ApplyModel(S, 0, 0));
        benchmark::DoNotOptimize(S.data());
    }
    State.SetItemsProcessed(State.iterations() * Rows);
}

void BM_MBLCalcNN_qmr(benchmark::State& State) {
    const auto Rows = static_cast<int>(State.range(0));
    qmr::TMemBasedLearner L(nullptr);
    std::vector<double> Data;
    Fill(L, Rows, Data);
    for (auto _ : State) {
        L.CalcNNOfModelData();
        benchmark::DoNotOptimize(L.kNNOfModelData(1, 1));
    }
    State.SetItemsProcessed(State.iterations() * Rows * Rows);
}

// Store and load of a binary model: 1e5 rows with names and attributes, 11 columns.
void BM_MBLModelBin_qmr(benchmark::State& State) {
    const auto Rows = static_cast<int>(State.range(0));
    qmr::TMemBasedLearner L(nullptr), Back(nullptr);
    std::vector<double> Data;
    Fill(L, Rows, Data);
    for (int R = 1; R <= Rows; ++R) L.ModelData().SetRowName(R, "row " + std::to_string(R));
    const std::string Name = "/tmp/bench_membl_" + std::to_string(::getpid()) + ".bin";
    std::string Id;
    for (auto _ : State) {
        L.StoreModelBin(Name, "bench");
        benchmark::DoNotOptimize(Back.LoadModelBin(Name, Id));
    }
    std::remove(Name.c_str());
    State.SetItemsProcessed(State.iterations() * Rows);
}

#if QMR_BENCH_HAVE_EIGEN
// The 100 nearest rows of Sensor: distances of all rows, then a partial sort of the indices.
void PeerNearest(const Eigen::Map<const Eigen::MatrixXd>& X, const Eigen::RowVectorXd& Sensor,
                 Eigen::VectorXd& Dist, std::vector<int>& Ix) {
    Dist = (X.rowwise() - Sensor).rowwise().squaredNorm().array().sqrt();
    std::iota(Ix.begin(), Ix.end(), 0);
    std::partial_sort(Ix.begin(), Ix.begin() + std::min<std::ptrdiff_t>(kList, X.rows()), Ix.end(), [&](int A, int B) {
        return Dist[A] < Dist[B] || (Dist[A] == Dist[B] && A > B);
    });
}

void BM_MBLApplyModel_peer(benchmark::State& State) {
    const auto Rows = static_cast<int>(State.range(0));
    qmr::TMemBasedLearner L(nullptr);
    std::vector<double> Data;
    Fill(L, Rows, Data);
    const Eigen::Map<const Eigen::MatrixXd> X(Data.data(), Rows, kInputs);
    const double* Y = Data.data() + static_cast<std::size_t>(kInputs) * Rows;
    const Eigen::RowVectorXd Sensor = Eigen::RowVectorXd::Constant(kInputs, 0.25);
    Eigen::VectorXd Dist;
    std::vector<int> Ix(static_cast<std::size_t>(Rows));
    for (auto _ : State) {
        PeerNearest(X, Sensor, Dist, Ix);
        double Sum = 0;
        for (int K = 0; K < 10; ++K) Sum += Y[Ix[static_cast<std::size_t>(K)]];
        benchmark::DoNotOptimize(Sum / 10);
    }
    State.SetItemsProcessed(State.iterations() * Rows);
}

void BM_MBLCalcNN_peer(benchmark::State& State) {
    const auto Rows = static_cast<int>(State.range(0));
    qmr::TMemBasedLearner L(nullptr);
    std::vector<double> Data;
    Fill(L, Rows, Data);
    const Eigen::Map<const Eigen::MatrixXd> X(Data.data(), Rows, kInputs);
    Eigen::VectorXd Dist;
    std::vector<int> Ix(static_cast<std::size_t>(Rows));
    std::vector<int> Lists(static_cast<std::size_t>(kList) * Rows);
    for (auto _ : State) {
        for (int I = 0; I < Rows; ++I) {
            PeerNearest(X, X.row(I), Dist, Ix);
            std::copy(Ix.begin(), Ix.begin() + kList, Lists.begin() + static_cast<std::ptrdiff_t>(I) * kList);
        }
        benchmark::DoNotOptimize(Lists.data());
    }
    State.SetItemsProcessed(State.iterations() * Rows * Rows);
}

BENCHMARK(BM_MBLApplyModel_peer)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MBLCalcNN_peer)->Arg(2000)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK(BM_MBLApplyModel_qmr)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MBLCalcNN_qmr)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MBLModelBin_qmr)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
