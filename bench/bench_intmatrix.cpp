// TIntMatrix: the wrapping product against Eigen's Matrix<std::int32_t> product (one
// thread), sparse element reads against std::lower_bound over the same sorted pairs, and
// building a sparse matrix (by writes in order, and by ArrayToSparse) against appending
// triples to a std::vector.
#include <benchmark/benchmark.h>

#include <qmrnumkit/qmrnumkit.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#ifdef QMR_BENCH_HAVE_EIGEN
#include <Eigen/Dense>
#endif

namespace {

// ---------------------------------------------------------------- Multiply, 512 x 512, small values

constexpr int kProdN = 512;

std::vector<std::int32_t> SmallValues(int N, unsigned Seed) {
    std::mt19937 Gen(Seed);
    std::vector<std::int32_t> V(static_cast<std::size_t>(N) * static_cast<std::size_t>(N));
    for (auto& X : V) X = static_cast<std::int32_t>(Gen() % 201) - 100;
    return V;
}

void LoadDense(qmr::TIntMatrix& M, const std::vector<std::int32_t>& V, int N) {
    M.Resize(N, N);
    qmr::TInt2DArray A(static_cast<std::size_t>(N));
    for (int C = 0; C < N; ++C) A[static_cast<std::size_t>(C)].assign(V.begin() + C * N, V.begin() + (C + 1) * N);
    M.CopyFromArray(A, 1, 1);
}

void BM_IntMultiply512_qmr(benchmark::State& St) {
    qmr::TIntMatrix A(nullptr), B(nullptr), C(nullptr);
    LoadDense(A, SmallValues(kProdN, 1), kProdN);
    LoadDense(B, SmallValues(kProdN, 2), kProdN);
    for (auto _ : St) benchmark::DoNotOptimize(A.Multiply(&B, &C));
}
BENCHMARK(BM_IntMultiply512_qmr)->Unit(benchmark::kMillisecond);

#ifdef QMR_BENCH_HAVE_EIGEN
void BM_IntMultiply512_peer(benchmark::State& St) {
    using TMat = Eigen::Matrix<std::int32_t, Eigen::Dynamic, Eigen::Dynamic>;
    const auto Va = SmallValues(kProdN, 1), Vb = SmallValues(kProdN, 2);
    const TMat A = Eigen::Map<const TMat>(Va.data(), kProdN, kProdN);
    const TMat B = Eigen::Map<const TMat>(Vb.data(), kProdN, kProdN);
    TMat C(kProdN, kProdN);
    for (auto _ : St) {
        C.noalias() = A * B;
        benchmark::DoNotOptimize(C.data());
    }
}
BENCHMARK(BM_IntMultiply512_peer)->Unit(benchmark::kMillisecond);
#endif

// ---------------------------------------------------------------- sparse reads

constexpr int kStored = 100000;
constexpr int kReads = 1000000;

// kStored distinct positions in a 2000 x 2000 box, sorted by column, then row.
std::vector<std::pair<std::int32_t, std::int32_t>> SparsePositions() {
    std::mt19937 Gen(5);
    std::vector<std::pair<std::int32_t, std::int32_t>> P;
    while (P.size() < kStored * 11 / 10)
        P.emplace_back(1 + static_cast<std::int32_t>(Gen() % 2000), 1 + static_cast<std::int32_t>(Gen() % 2000));
    std::sort(P.begin(), P.end());
    P.erase(std::unique(P.begin(), P.end()), P.end());
    P.resize(kStored);
    return P;
}

std::vector<std::pair<std::int32_t, std::int32_t>> ReadPositions() {
    std::mt19937 Gen(6);
    std::vector<std::pair<std::int32_t, std::int32_t>> Q(kReads);
    for (auto& X : Q) X = {1 + static_cast<std::int32_t>(Gen() % 2000), 1 + static_cast<std::int32_t>(Gen() % 2000)};
    return Q;
}

void BM_SparseElemReads_qmr(benchmark::State& St) {
    const auto P = SparsePositions();
    const auto Q = ReadPositions();
    qmr::TIntMatrix S(nullptr, 1024);
    for (const auto& [C, R] : P) S.SetElem(C, R, C + R);
    for (auto _ : St) {
        std::int64_t Sum = 0;
        for (const auto& [C, R] : Q) Sum += S.Elem(C, R);
        benchmark::DoNotOptimize(Sum);
    }
}
BENCHMARK(BM_SparseElemReads_qmr)->Unit(benchmark::kMillisecond);

struct TTriple {
    std::int32_t Col, Row, Value;
};

void BM_SparseElemReads_peer(benchmark::State& St) {
    const auto P = SparsePositions();
    const auto Q = ReadPositions();
    std::vector<TTriple> T;
    for (const auto& [C, R] : P) T.push_back({C, R, C + R});
    for (auto _ : St) {
        std::int64_t Sum = 0;
        for (const auto& [C, R] : Q) {
            auto It = std::lower_bound(T.begin(), T.end(), std::pair(C, R), [](const TTriple& E, const auto& K) {
                return E.Col < K.first || (E.Col == K.first && E.Row < K.second);
            });
            if (It != T.end() && It->Col == C && It->Row == R) Sum += It->Value;
        }
        benchmark::DoNotOptimize(Sum);
    }
}
BENCHMARK(BM_SparseElemReads_peer)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- building sparse matrices

void BM_SparseBuildInOrder_qmr(benchmark::State& St) {
    const auto P = SparsePositions();
    for (auto _ : St) {
        qmr::TIntMatrix S(nullptr, 16);
        for (const auto& [C, R] : P) S.SetElem(C, R, C - R);
        benchmark::DoNotOptimize(S.SparseNumElem());
    }
}
BENCHMARK(BM_SparseBuildInOrder_qmr)->Unit(benchmark::kMillisecond);

void BM_SparseBuildInOrder_peer(benchmark::State& St) {
    const auto P = SparsePositions();
    for (auto _ : St) {
        std::vector<TTriple> T;
        for (const auto& [C, R] : P) T.push_back({C, R, C - R});
        benchmark::DoNotOptimize(T.data());
    }
}
BENCHMARK(BM_SparseBuildInOrder_peer)->Unit(benchmark::kMillisecond);

// 2000 x 2000 with 1 % non-zeros, column-major.
constexpr int kConvN = 2000;

std::vector<std::int32_t> OnePercent() {
    std::mt19937 Gen(9);
    std::vector<std::int32_t> V(static_cast<std::size_t>(kConvN) * kConvN, 0);
    for (auto& X : V)
        if (Gen() % 100 == 0) X = 1 + static_cast<std::int32_t>(Gen() % 1000);
    return V;
}

void BM_ArrayToSparse2000_qmr(benchmark::State& St) {
    const auto V = OnePercent();
    qmr::TIntMatrix D(nullptr);
    LoadDense(D, V, kConvN);
    for (auto _ : St) {
        St.PauseTiming();
        qmr::TIntMatrix M(nullptr);
        M.Clone(&D);
        St.ResumeTiming();
        M.ArrayToSparse(64);
        benchmark::DoNotOptimize(M.SparseNumElem());
    }
}
BENCHMARK(BM_ArrayToSparse2000_qmr)->Unit(benchmark::kMillisecond);

void BM_ArrayToSparse2000_peer(benchmark::State& St) {
    const auto Source = OnePercent();
    for (auto _ : St) {
        // A freshly written dense block each time, as ours converts one it has just copied.
        St.PauseTiming();
        const std::vector<std::int32_t> V(Source);
        St.ResumeTiming();
        std::vector<TTriple> T;
        for (int C = 0; C < kConvN; ++C)
            for (int R = 0; R < kConvN; ++R) {
                const std::int32_t X = V[static_cast<std::size_t>(C) * kConvN + static_cast<std::size_t>(R)];
                if (X != 0) T.push_back({C + 1, R + 1, X});
            }
        benchmark::DoNotOptimize(T.data());
    }
}
BENCHMARK(BM_ArrayToSparse2000_peer)->Unit(benchmark::kMillisecond);

}  // namespace
