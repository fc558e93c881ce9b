// Squaring on worker threads and the worker pool behind it.
#include "qmr_test_support.h"

#include "containers/QMR_worker_pool.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using qmr::test::Cells;
using qmr::test::CountChanges;

using qmr::AbortMathProc;
using qmr::ProcStat;
using qmr::TMatrix;
using Vals = std::vector<double>;

void RandomFill(TMatrix& M, int Cols, int Rows, unsigned Seed) {
    std::mt19937 Gen(Seed);
    std::uniform_real_distribution<double> U(-1, 1);
    M.Resize(Cols, Rows);
    for (int c = 1; c <= Cols; ++c)
        for (int r = 1; r <= Rows; ++r) M.SetElem(c, r, U(Gen));
}

using SquareThreads = qmr::test::ProgressFixture;

TEST_F(SquareThreads, BitIdenticalForAnyThreadCount) {
    for (auto [Cols, Rows] : {std::pair{1, 5}, {5, 3}, {37, 301}, {130, 64}, {9, 0}}) {
        TMatrix X(nullptr), One(nullptr);
        RandomFill(X, Cols, Rows, 7u + static_cast<unsigned>(Cols));
        ASSERT_TRUE(X.Square(&One, 0.5, 1));
        const std::string Want = One.CRCofData();
        for (int Threads : {2, 3, 4, 7, 8, 16, 1000}) {
            TMatrix R(nullptr);
            int Ev = 0;
            CountChanges(R, Ev);
            ProcStat = 0.0;
            Calls().clear();
            ASSERT_TRUE(X.Square(&R, 0.5, Threads)) << Cols << " " << Threads;
            EXPECT_EQ(R.CRCofData(), Want) << Cols << " " << Threads;
            EXPECT_EQ(Ev, Cols == 1 ? 0 : 1);
            // Every column counted once; the hook sees the total last, once more at the end.
            EXPECT_EQ(ProcStat.load(), Cols);
            ASSERT_GE(Calls().size(), 2u);
            EXPECT_EQ(Calls().back(), Cols);
        }
    }
}

TEST_F(SquareThreads, ItselfAndTheProcessorCountForm) {
    TMatrix X(nullptr), Want(nullptr);
    RandomFill(X, 20, 50, 3);
    ASSERT_TRUE(X.Square(&Want, 4, 1));
    TMatrix Y(nullptr);
    Y.Clone(&X);
    ASSERT_TRUE(Y.Square(&Y, 4, 6));
    EXPECT_EQ(Cells(Y), Cells(Want));
    TMatrix Z(nullptr);
    ASSERT_TRUE(X.Square(&Z, 4));
    EXPECT_EQ(Cells(Z), Cells(Want));
}

// Feedback procedure that requests an abort at its first call.
void AbortNow(double) { AbortMathProc = true; }

TEST_F(SquareThreads, AbortReturnsFalseWithEveryWorkerDone) {
    for (int Threads : {2, 8}) {
        // The result dies right after the call: a worker still writing would be caught by
        // the sanitizers.
        auto X = std::make_unique<TMatrix>(nullptr);
        auto R = std::make_unique<TMatrix>(nullptr);
        RandomFill(*X, 200, 400, 5);
        AbortMathProc = false;
        qmr::MathFeedBackProc = &AbortNow;
        ProcStat = 0.0;
        EXPECT_FALSE(X->Square(R.get(), 1, Threads));
        const double Stat = ProcStat.load();
        R.reset();
        X.reset();
        EXPECT_EQ(ProcStat.load(), Stat);  // nothing is counted after the return
        AbortMathProc = true;  // set before the call: the first round stops it
        TMatrix A(nullptr), B(nullptr);
        RandomFill(A, 64, 64, 6);
        qmr::MathFeedBackProc = nullptr;
        EXPECT_FALSE(A.Square(&B, 1, Threads));
    }
}

// ---------------------------------------------------------------- the pool

TEST(WorkerPool, EveryItemOnceAtMostTheGivenThreads) {
    for (int Max : {-2, 1, 3, 8}) {
        std::vector<int> Seen(500, 0);
        std::atomic<int> Running{0}, Peak{0};
        int Rounds = 0;
        const bool Ok = qmr::detail::RunOnWorkers(
            500, Max,
            [&](std::int64_t I) {
                const int Now = ++Running;
                int P = Peak.load();
                while (Now > P && !Peak.compare_exchange_weak(P, Now)) {}
                ++Seen[static_cast<std::size_t>(I)];  // each item is one thread's alone
                --Running;
            },
            [&] { ++Rounds; }, [] { return false; });
        EXPECT_TRUE(Ok);
        EXPECT_EQ(Seen, std::vector<int>(500, 1));
        EXPECT_LE(Peak.load(), Max < 1 ? 1 : Max);
        EXPECT_GE(Rounds, 1);
        EXPECT_LE(Rounds, 501);  // one after the start, at most one per completion
    }
    int Rounds = 0;
    EXPECT_TRUE(qmr::detail::RunOnWorkers(0, 4, [](std::int64_t) {}, [&] { ++Rounds; }, [] { return true; }));
    EXPECT_EQ(Rounds, 0);
}

TEST(WorkerPool, StopEndsEarlyAndItemsBegunFinish) {
    // Items wait until the caller is asked to stop, then take 2 ms each: a thousand would
    // take half a second on four threads, the stop a few items at most.
    std::promise<void> Asked;
    std::shared_future<void> WasAsked = Asked.get_future().share();
    std::atomic<std::int64_t> Begun{0}, Ended{0};
    const bool Ok = qmr::detail::RunOnWorkers(
        1000, 4,
        [&](std::int64_t) {
            ++Begun;
            WasAsked.wait();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            ++Ended;
        },
        [] {},
        [&] {
            Asked.set_value();
            return true;
        });
    EXPECT_FALSE(Ok);
    EXPECT_LT(Begun.load(), 200);
    EXPECT_EQ(Begun.load(), Ended.load());
}

TEST(WorkerPool, ExceptionsReachTheCallerAfterTheJoin) {
    std::atomic<int> Ended{0};
    try {
        qmr::detail::RunOnWorkers(
            200, 4,
            [&](std::int64_t I) {
                if (I == 17) throw std::runtime_error("item 17");
                ++Ended;
            },
            [] {}, [] { return false; });
        ADD_FAILURE();
    } catch (const std::runtime_error& E) {
        EXPECT_STREQ(E.what(), "item 17");
    }
    const int After = Ended.load();
    EXPECT_LE(After, 199);
    // From the caller's own hook.
    int Rounds = 0;
    EXPECT_THROW(qmr::detail::RunOnWorkers(
                     100000, 3, [](std::int64_t) {},
                     [&] {
                         if (++Rounds == 1) throw std::logic_error("hook");
                     },
                     [] { return false; }),
                 std::logic_error);
    EXPECT_EQ(Ended.load(), After);  // the workers of the first run were all joined
}

}  // namespace
