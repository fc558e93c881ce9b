// TCurveFit: EnterStatValue per pair; CalcPolyFit (order 3) against GSL's
// gsl_multifit_linear; KendallsTau against the pair-by-pair count (equal counts
// checked); SpearmanRankCorr against gsl_stats_spearman.
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#ifdef QMR_BENCH_HAVE_GSL
#include <gsl/gsl_multifit.h>
#include <gsl/gsl_statistics_double.h>
#endif

namespace {

struct TData {
    std::vector<double> X, Y;
};

// n pairs: x uniform in (0.1, 10), y a cubic of x plus noise (positive, so that every
// logarithmic sum is formed).
TData MakeData(std::size_t n) {
    std::mt19937_64 G(42);
    std::uniform_real_distribution<double> U(0.1, 10), E(-1, 1);
    TData D{std::vector<double>(n), std::vector<double>(n)};
    for (std::size_t i = 0; i < n; ++i) {
        const double x = U(G);
        D.X[i] = x;
        D.Y[i] = 50 + 2 * x - 0.3 * x * x + 0.02 * x * x * x + E(G);
    }
    return D;
}

void Load(qmr::TCurveFit& C, const TData& D) {
    C.Init();
    for (std::size_t i = 0; i < D.X.size(); ++i) C.EnterStatValue(D.X[i], D.Y[i]);
}

void BM_EnterStatValue(benchmark::State& St) {
    const auto D = MakeData(static_cast<std::size_t>(St.range(0)));
    qmr::TCurveFit C(nullptr);
    for (auto _ : St) {
        Load(C, D);
        benchmark::DoNotOptimize(C.NumData());
    }
    // Seconds per pair (printed as e.g. "47n").
    St.counters["per_pair"] = benchmark::Counter(static_cast<double>(St.iterations()) * static_cast<double>(D.X.size()),
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_CalcPolyFit_qmr(benchmark::State& St) {
    const auto D = MakeData(static_cast<std::size_t>(St.range(0)));
    qmr::TCurveFit C(nullptr);
    Load(C, D);
    qmr::TDoubleArray k, Alpha;
    double q = 0;
    bool Near = false;
    for (auto _ : St) {
        const bool Ok = C.CalcPolyFit(3, k, Alpha, q, Near);
        benchmark::DoNotOptimize(Ok);
    }
}

// Counts the pairs once more to defeat the cache: one pair in, one out.
void Recount(qmr::TCurveFit& C) {
    C.EnterStatValue(0, 0);
    C.RemoveStatValue(C.NumData());
}

void BM_KendallsTau_qmr(benchmark::State& St) {
    const auto D = MakeData(static_cast<std::size_t>(St.range(0)));
    qmr::TCurveFit C(nullptr);
    Load(C, D);
    double p = 0;
    for (auto _ : St) {
        Recount(C);
        benchmark::DoNotOptimize(C.KendallsTau(p));
    }
}

// The pair-by-pair count (the definition), giving tau-b the same way.
void BM_KendallsTau_peer(benchmark::State& St) {
    const auto D = MakeData(static_cast<std::size_t>(St.range(0)));
    const std::size_t n = D.X.size();
    double Tau = 0;
    for (auto _ : St) {
        std::int64_t nc = 0, nd = 0, t1 = 0, t2 = 0;
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = i + 1; j < n; ++j) {
                const double dx = D.X[i] - D.X[j], dy = D.Y[i] - D.Y[j];
                const int h = ((dx > 0) - (dx < 0)) * ((dy > 0) - (dy < 0));
                if (h > 0) ++nc;
                else if (h < 0) ++nd;
                else {
                    t1 += dx != 0;
                    t2 += dy != 0;
                }
            }
        Tau = static_cast<double>(nc - nd) / std::sqrt(static_cast<double>(nc + nd + t1) * static_cast<double>(nc + nd + t2));
        benchmark::DoNotOptimize(Tau);
    }
    qmr::TCurveFit C(nullptr);
    Load(C, D);
    double p = 0;
    if (C.KendallsTau(p) != Tau) {
        std::fprintf(stderr, "KendallsTau differs from the pair-by-pair count\n");
        std::abort();
    }
}

void BM_SpearmanRankCorr_qmr(benchmark::State& St) {
    const auto D = MakeData(static_cast<std::size_t>(St.range(0)));
    qmr::TCurveFit C(nullptr);
    Load(C, D);
    for (auto _ : St) benchmark::DoNotOptimize(C.SpearmanRankCorr());
}

BENCHMARK(BM_EnterStatValue)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcPolyFit_qmr)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KendallsTau_qmr)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KendallsTau_peer)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpearmanRankCorr_qmr)->Arg(100000)->Unit(benchmark::kMillisecond);

#ifdef QMR_BENCH_HAVE_GSL

// y ~ c0 + c1 x + c2 x^2 + c3 x^3 with its covariance, the design built in the loop as
// CalcPolyFit builds its own.
void BM_CalcPolyFit_peer(benchmark::State& St) {
    const auto D = MakeData(static_cast<std::size_t>(St.range(0)));
    const std::size_t n = D.X.size();
    gsl_matrix* X = gsl_matrix_alloc(n, 4);
    gsl_vector* y = gsl_vector_alloc(n);
    gsl_vector* c = gsl_vector_alloc(4);
    gsl_matrix* Cov = gsl_matrix_alloc(4, 4);
    gsl_multifit_linear_workspace* W = gsl_multifit_linear_alloc(n, 4);
    for (auto _ : St) {
        for (std::size_t i = 0; i < n; ++i) {
            const double x = D.X[i];
            gsl_matrix_set(X, i, 0, 1);
            gsl_matrix_set(X, i, 1, x);
            gsl_matrix_set(X, i, 2, x * x);
            gsl_matrix_set(X, i, 3, x * x * x);
            gsl_vector_set(y, i, D.Y[i]);
        }
        double Chi2 = 0;
        gsl_multifit_linear(X, y, c, Cov, &Chi2, W);
        benchmark::DoNotOptimize(Chi2);
    }
    gsl_multifit_linear_free(W);
    gsl_matrix_free(Cov);
    gsl_vector_free(c);
    gsl_vector_free(y);
    gsl_matrix_free(X);
}

void BM_SpearmanRankCorr_peer(benchmark::State& St) {
    const auto D = MakeData(static_cast<std::size_t>(St.range(0)));
    const std::size_t n = D.X.size();
    std::vector<double> Work(2 * n);
    for (auto _ : St) {
        // gsl_stats_spearman sorts copies of its inputs in the work array.
        benchmark::DoNotOptimize(gsl_stats_spearman(D.X.data(), 1, D.Y.data(), 1, n, Work.data()));
    }
}

BENCHMARK(BM_CalcPolyFit_peer)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpearmanRankCorr_peer)->Arg(100000)->Unit(benchmark::kMillisecond);

#endif

}  // namespace
