// Squaring on worker threads, and the worker pool behind it.
#include "qmr_test_support.h"

#include "containers/QMR_worker_pool.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

using namespace qmr;
using namespace qmr::test;
using detail::RunOnWorkers;

using SquareThreads = ProgressFixture;

TEST_F(SquareThreads, InOrderSumsForAnyThreadCountAndIntoItself) {
    // Shapes around the kernel's strips of four columns, panels of 128 result rows and 256
    // source rows; a zero column with a negative Norm gives entries of -0.
    for (auto [Cols, Rows, Norm] : {std::tuple{1, 5, 0.5}, {5, 3, -3.0}, {37, 301, 0.5}, {130, 64, 0.5},
                                    {40, 0, -3.0}, {135, 530, -3.0}}) {
        TMatrix X(nullptr), Want(nullptr), R(nullptr);
        RandomFill(X, Cols, Rows, 7u + Cols);
        if (Cols > 2)
            for (int r = 1; r <= Rows; ++r) X.SetElem(2, r, 0);
        Want.Resize(Cols, Cols);  // X^T X / Norm, each entry summed over the rows in order
        for (int i = 1; i <= Cols; ++i)
            for (int j = 1; j <= Cols; ++j) {
                Extended S = 0;
                for (int r = 1; r <= Rows; ++r) S += X.Elem(std::min(i, j), r) * X.Elem(std::max(i, j), r);
                Want.SetElem(i, j, static_cast<double>(S / Norm));
            }
        int Ev = 0;
        for (int Threads : {1, 0, 2, 3, 8, 1000, -1}) {  // 0 means 1, -1 the processor count form
            R.OnChange = nullptr;
            R.Resize(1, 1);
            CountChanges(R, Ev);
            ProcStat = 0.0;
            Calls().clear();
            ASSERT_TRUE(Threads < 0 ? X.Square(&R, Norm) : X.Square(&R, Norm, Threads)) << Cols << " " << Threads;
            EXPECT_EQ(R.CRCofData(), Want.CRCofData()) << Cols << " " << Threads;
            EXPECT_EQ(Ev, Cols == 1 ? 0 : 1);  // the resize only
            // Each column counted once; one step per column inline, else the hook per round
            // and once more at the end.
            EXPECT_EQ(ProcStat.load(), Cols);
            EXPECT_EQ(Calls().back(), Cols);
            if (Threads == 0 || Threads == 1) {
                EXPECT_EQ(Calls().size(), static_cast<std::size_t>(Cols));
            }
        }
        ASSERT_TRUE(X.Square(&X, Norm, 4));
        EXPECT_EQ(X.CRCofData(), Want.CRCofData());
    }
}

// Feedback procedure that requests an abort when ProcStat reaches GStopAt.
int GStopAt = 0;
void StopAt(double P) {
    if (static_cast<int>(P) == GStopAt) AbortMathProc = true;
}

TEST_F(SquareThreads, RefusalsAndAbortOnOneThread) {
    TMatrix X(nullptr), R(nullptr), Full(nullptr);
    RandomFill(X, 9, 12, 41);
    ASSERT_TRUE(X.Square(&Full, 1, 1));
    for (double Norm : {0.0, std::nan(""), HUGE_VAL}) EXPECT_FALSE(X.Square(&R, Norm, 1));
    EXPECT_FALSE(X.Square(nullptr, 1, 1));
    EXPECT_EQ(Cells(R), std::vector<double>{0});
    // An abort asked during the third column's step: columns 1..3 are there, 4.. are not.
    ProcStat = 0.0;
    GStopAt = 3;
    MathFeedBackProc = &StopAt;
    EXPECT_FALSE(X.Square(&R, 1, 1));
    EXPECT_EQ(ProcStat.load(), 3);
    for (int i = 1; i <= 9; ++i)
        for (int j = i; j <= 9; ++j) {
            const double Want = i <= 3 ? double(Full.Elem(i, j)) : 0.0;
            EXPECT_TRUE(R.Elem(i, j) == Want && R.Elem(j, i) == Want) << i << "," << j;
        }
}

TEST_F(SquareThreads, AbortReturnsWithEveryWorkerDone) {
    MathFeedBackProc = [](double) { AbortMathProc = true; };  // abort at the first round
    for (int Threads : {2, 8}) {
        // Both matrices die right after the call: a worker still at work would be caught
        // by the sanitizers.
        auto X = std::make_unique<TMatrix>(nullptr), R = std::make_unique<TMatrix>(nullptr);
        RandomFill(*X, 200, 400, 5);
        AbortMathProc = false;
        EXPECT_FALSE(X->Square(R.get(), 1, Threads));
        const double Stat = ProcStat.load();
        R.reset();
        X.reset();
        EXPECT_EQ(ProcStat.load(), Stat);
    }
}

TEST(WorkerPool, EveryItemOnceOnAtMostTheGivenThreads) {
    for (int Max : {-2, 1, 3, 8}) {
        std::vector<int> Seen(500, 0);
        std::atomic<int> Running{0}, Peak{0};
        int Rounds = 0;
        EXPECT_TRUE(RunOnWorkers(
            500, Max,
            [&](std::int64_t I) {
                const int Now = ++Running;
                for (int P = Peak.load(); Now > P && !Peak.compare_exchange_weak(P, Now);) {}
                ++Seen[static_cast<std::size_t>(I)];  // each item is one thread's alone
                --Running;
            },
            [&] { ++Rounds; }, [] { return false; }));
        EXPECT_EQ(Seen, std::vector<int>(500, 1));
        EXPECT_LE(Peak.load(), std::max(Max, 1));
        EXPECT_GE(Rounds, 1);  // after the start, then per completion or millisecond waited
    }
    EXPECT_TRUE(RunOnWorkers(0, 4, [](std::int64_t) {}, [] { ADD_FAILURE(); }, [] { return true; }));
    // One long item: the caller wakes at least every millisecond, so the hook keeps
    // running and a stop is seen while the item is still at work.
    int Rounds = 0;
    std::atomic<bool> Finished{false};
    EXPECT_FALSE(RunOnWorkers(
        1, 1,
        [&](std::int64_t) {
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            Finished = true;
        },
        [&] { ++Rounds; }, [&] { return Rounds == 5; }));
    EXPECT_TRUE(Finished.load());  // joined before the return
}

TEST(WorkerPool, StopAndExceptionsEndAfterTheJoin) {
    // Items wait until the caller is asked to stop, then take 2 ms each: all thousand would
    // take half a second on four threads.
    std::promise<void> Asked;
    std::shared_future<void> WasAsked = Asked.get_future().share();
    std::atomic<int> Begun{0}, Ended{0};
    EXPECT_FALSE(RunOnWorkers(
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
        }));
    EXPECT_LT(Begun.load(), 200);
    EXPECT_EQ(Begun.load(), Ended.load());  // items begun have finished
    // A worker's exception reaches the caller; so does the hook's, after the join.
    Ended = 0;
    try {
        RunOnWorkers(
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
    EXPECT_THROW(RunOnWorkers(100000, 3, [&](std::int64_t) { ++Ended; }, [] { throw std::logic_error("hook"); },
                              [] { return false; }),
                 std::logic_error);
}

TEST(WorkerPool, ThreadsOutliveBatchesAndServeConcurrentAndNestedOnes) {
    // Two batches in a row on three threads: the second runs on threads of the first.
    std::mutex Lock;
    std::set<std::thread::id> First, Second;
    for (auto* Ids : {&First, &Second})
        ASSERT_TRUE(RunOnWorkers(
            60, 3,
            [&](std::int64_t) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                std::lock_guard<std::mutex> G(Lock);
                Ids->insert(std::this_thread::get_id());
            },
            [] {}, [] { return false; }));
    EXPECT_EQ(First.size(), 3u);
    for (std::thread::id Id : Second) EXPECT_EQ(First.count(Id), 1u);
    EXPECT_EQ(First.count(std::this_thread::get_id()), 0u);

    // Two callers at once, each of whose items runs a batch of its own: every item of every
    // batch runs once, and nobody waits for a thread another batch holds.
    std::atomic<int> Inner{0};
    std::vector<int> Outer(2 * 40, 0);
    auto Caller = [&](int Base) {
        return RunOnWorkers(
            40, 4,
            [&, Base](std::int64_t I) {
                ++Outer[static_cast<std::size_t>(Base + I)];
                RunOnWorkers(8, 2, [&](std::int64_t) { ++Inner; }, [] {}, [] { return false; });
            },
            [] {}, [] { return false; });
    };
    auto Other = std::async(std::launch::async, Caller, 40);
    EXPECT_TRUE(Caller(0));
    EXPECT_TRUE(Other.get());
    EXPECT_EQ(Outer, std::vector<int>(80, 1));
    EXPECT_EQ(Inner.load(), 80 * 8);
}

}  // namespace
