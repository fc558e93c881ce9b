// One Kohonen training step (a pass over 1000 rows of 10 inputs on a 20 x 20 map) against
// the same rule written plainly with Eigen: per row the squared distances of all units,
// the arg-min, then the window update with each unit's distance formed again. The peer
// starts from the map's weights and must give the same bits after a step.
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <algorithm>
#include <cmath>
#include <random>

#if QMR_BENCH_HAVE_EIGEN
#include <Eigen/Dense>
#endif

namespace {

constexpr int kSize = 20, kInputs = 10, kRows = 1000;
constexpr std::int32_t kSteps = 1000000000;  // f stays about 1: the first step's radius and rate

// A map with random rows and random weights, at step 1; every ContinueTraining runs one step.
void Setup(qmr::TKohonen& K, std::int32_t Radius) {
    std::mt19937_64 G(11);
    std::normal_distribution<double> N(0, 1);
    qmr::TMatrix M(nullptr);
    M.Resize(kInputs, kRows);
    for (int C = 1; C <= kInputs; ++C)
        for (int R = 1; R <= kRows; ++R) M.SetElem(C, R, N(G));
    K.SetTrainData(&M);
    K.SetSizeX(kSize);
    K.SetSizeY(kSize);
    K.SetNrOfTrnSteps(kSteps);
    K.SetInitialNeighbors(Radius);
    K.OnFeedback = [&K](qmr::TObject*, double) { K.AbortTraining(); };
    qmr::RandSeed = 5;
    K.Trainit();  // random weights and the first step
}

void BM_KohonenStep_qmr(benchmark::State& State) {
    qmr::TKohonen K(nullptr);
    Setup(K, static_cast<std::int32_t>(State.range(0)));
    for (auto _ : State) {
        K.ContinueTraining();
        benchmark::DoNotOptimize(K.Weights(1, 1, 1));
    }
    State.SetItemsProcessed(State.iterations() * kRows);
}

#if QMR_BENCH_HAVE_EIGEN
struct TPeer {
    Eigen::MatrixXd W;  // unit (x - 1) * SizeY + (y - 1) by input
    Eigen::MatrixXd X;  // row by input
    Eigen::VectorXd D;
    std::int64_t Step = 2;
    std::int32_t MaxNeighb = 2;

    void TrainStep() {
        const double F = Step < kSteps ? static_cast<double>(kSteps - Step) / kSteps : 0.0, F2 = F * F;
        const auto Radius = static_cast<std::int64_t>(std::nearbyint(F2 * (MaxNeighb - 1.0) + 1));
        const double Rate = F2 * 1.0;
        for (Eigen::Index R = 0; R < X.rows(); ++R) {
            D.setZero();
            for (Eigen::Index E = 0; E < X.cols(); ++E) D.array() += (W.col(E).array() - X(R, E)).square();
            Eigen::Index B = 0;
            const double DMin = D.minCoeff(&B);
            const std::int64_t Bx = B / kSize, By = B % kSize, Rd = std::max<std::int64_t>(Radius, 0);
            for (std::int64_t Ix = std::max<std::int64_t>(Bx - Rd, 0); Ix <= std::min<std::int64_t>(Bx + Rd, kSize - 1); ++Ix)
                for (std::int64_t Iy = std::max<std::int64_t>(By - Rd, 0); Iy <= std::min<std::int64_t>(By + Rd, kSize - 1); ++Iy) {
                    const Eigen::Index U = Ix * kSize + Iy;
                    double Du = 0;
                    for (Eigen::Index E = 0; E < X.cols(); ++E) Du += (W(U, E) - X(R, E)) * (W(U, E) - X(R, E));
                    const double H = Rate / (std::sqrt(std::max(Du - DMin, 0.0)) + 1);
                    W.row(U) += (X.row(R) - W.row(U)) * H;
                }
        }
        ++Step;
    }
};

void BM_KohonenStep_peer(benchmark::State& State) {
    qmr::TKohonen K(nullptr);
    Setup(K, static_cast<std::int32_t>(State.range(0)));
    TPeer P;
    P.MaxNeighb = K.InitialNeighbors();
    P.W.resize(kSize * kSize, kInputs);
    P.X.resize(kRows, kInputs);
    P.D.resize(kSize * kSize);
    for (int U = 0; U < kSize * kSize; ++U)
        for (int E = 0; E < kInputs; ++E) P.W(U, E) = static_cast<double>(K.Weights(U / kSize + 1, U % kSize + 1, E + 1));
    for (int R = 0; R < kRows; ++R)
        for (int E = 0; E < kInputs; ++E) P.X(R, E) = static_cast<double>(K.TrainData()->Elem(E + 1, R + 1));
    // One step each from the same weights: the same bits (means 0, deviations 1).
    K.ContinueTraining();
    P.TrainStep();
    for (int U = 0; U < kSize * kSize; ++U)
        for (int E = 0; E < kInputs; ++E)
            if (P.W(U, E) != static_cast<double>(K.Weights(U / kSize + 1, U % kSize + 1, E + 1))) {
                State.SkipWithError("the peer's weights differ from the map's");
                return;
            }
    for (auto _ : State) {
        P.TrainStep();
        benchmark::DoNotOptimize(P.W.data());
    }
    State.SetItemsProcessed(State.iterations() * kRows);
}

BENCHMARK(BM_KohonenStep_peer)->Arg(2)->Arg(6)->Unit(benchmark::kMicrosecond);
#endif

BENCHMARK(BM_KohonenStep_qmr)->Arg(2)->Arg(6)->Unit(benchmark::kMicrosecond);

}  // namespace
