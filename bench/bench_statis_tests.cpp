// Anova1F and LeveneTest at 10^6 values in 10^3 groups against GSL's mean and variance
// of the data already split by group; FriedmanTest of 10^5 blocks x 10 treatments
// against per-row ranks from gsl_sort_index.
#include <benchmark/benchmark.h>

#ifdef QMR_BENCH_HAVE_GSL

#include <qmrnumkit/qmrnumkit.h>

#include <gsl/gsl_sort.h>
#include <gsl/gsl_statistics_double.h>

#include <random>
#include <vector>

namespace {

constexpr int kValues = 1000000, kGroups = 1000, kBlocks = 100000, kTreatments = 10;

struct TGroupedData {
    std::vector<double> X;
    std::vector<std::int32_t> G;
    TGroupedData() : X(kValues), G(kValues) {
        std::mt19937_64 Gen(3);
        std::normal_distribution<double> N(0, 1);
        std::uniform_int_distribution<std::int32_t> Code(0, kGroups - 1);
        for (int i = 0; i < kValues; ++i) {
            G[static_cast<std::size_t>(i)] = Code(Gen) * 17 + 5;  // codes in random order
            X[static_cast<std::size_t>(i)] = 100 + N(Gen);
        }
    }
};

const TGroupedData& Grouped() {
    static const TGroupedData D;
    return D;
}

void FillVectors(qmr::TVector& Data, qmr::TIntVector& Groups) {
    const TGroupedData& D = Grouped();
    Data.SetNrOfElem(kValues);
    Data.CopyFromArray(D.X, 1);
    Groups.SetNrOfElem(kValues);
    Groups.CopyFromArray(D.G, 1);
}

// The data split by group, as the peer's input.
std::vector<std::vector<double>> SplitByGroup() {
    const TGroupedData& D = Grouped();
    std::vector<std::vector<double>> S(kGroups);
    for (std::size_t i = 0; i < D.X.size(); ++i) S[static_cast<std::size_t>((D.G[i] - 5) / 17)].push_back(D.X[i]);
    return S;
}

void BM_Anova1F_qmr(benchmark::State& St) {
    qmr::TVector Data(nullptr);
    qmr::TIntVector Groups(nullptr);
    FillVectors(Data, Groups);
    for (auto _ : St) {
        double SSb = 0, SSw = 0, SSt = 0, F = 0;
        std::int32_t Dfb = 0, Dfw = 0, Dft = 0;
        benchmark::DoNotOptimize(qmr::Anova1F(&Data, &Groups, SSb, SSw, SSt, Dfb, Dfw, Dft, F));
    }
}

void BM_LeveneTest_qmr(benchmark::State& St) {
    qmr::TVector Data(nullptr);
    qmr::TIntVector Groups(nullptr);
    FillVectors(Data, Groups);
    for (auto _ : St) {
        double F = 0;
        benchmark::DoNotOptimize(qmr::LeveneTest(&Data, &Groups, F));
    }
}

// Both tests' peer: mean and variance of every group.
void GslGroupMoments(benchmark::State& St) {
    const std::vector<std::vector<double>> S = SplitByGroup();
    std::vector<double> Mean(kGroups), Var(kGroups);
    for (auto _ : St) {
        for (std::size_t g = 0; g < S.size(); ++g) {
            Mean[g] = gsl_stats_mean(S[g].data(), 1, S[g].size());
            Var[g] = gsl_stats_variance(S[g].data(), 1, S[g].size());
        }
        benchmark::DoNotOptimize(Var.data());
    }
}
void BM_Anova1F_peer(benchmark::State& St) { GslGroupMoments(St); }
void BM_LeveneTest_peer(benchmark::State& St) { GslGroupMoments(St); }

std::vector<double> Blocks() {
    std::mt19937_64 Gen(9);
    std::uniform_int_distribution<int> V(0, 20);  // some ties within rows
    std::vector<double> X(static_cast<std::size_t>(kBlocks) * kTreatments);
    for (double& x : X) x = V(Gen);
    return X;
}

void BM_FriedmanTest_qmr(benchmark::State& St) {
    const std::vector<double> X = Blocks();
    qmr::TMatrix M(nullptr);
    M.Resize(kTreatments, kBlocks);
    for (int r = 0; r < kBlocks; ++r)
        for (int c = 0; c < kTreatments; ++c)
            M.SetElem(c + 1, r + 1, X[static_cast<std::size_t>(r) * kTreatments + static_cast<std::size_t>(c)]);
    for (auto _ : St) {
        double Chi2 = 0;
        benchmark::DoNotOptimize(qmr::FriedmanTest(&M, Chi2));
    }
}

void BM_FriedmanTest_peer(benchmark::State& St) {
    const std::vector<double> X = Blocks();  // row-major: a block's treatments side by side
    std::vector<std::size_t> Perm(kTreatments);
    std::vector<double> RankSum(kTreatments);
    for (auto _ : St) {
        std::fill(RankSum.begin(), RankSum.end(), 0.0);
        for (int r = 0; r < kBlocks; ++r) {
            const double* Row = X.data() + static_cast<std::size_t>(r) * kTreatments;
            gsl_sort_index(Perm.data(), Row, 1, kTreatments);
            for (std::size_t i = 0; i < Perm.size(); ++i) RankSum[Perm[i]] += static_cast<double>(i + 1);
        }
        benchmark::DoNotOptimize(RankSum.data());
    }
}

BENCHMARK(BM_Anova1F_qmr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Anova1F_peer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LeveneTest_qmr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LeveneTest_peer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FriedmanTest_qmr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FriedmanTest_peer)->Unit(benchmark::kMillisecond);

}  // namespace

#endif  // QMR_BENCH_HAVE_GSL
