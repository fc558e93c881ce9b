// The worker pool when memory runs out while it starts threads, and in a forked child that
// exits normally.
#include "containers/QMR_worker_pool.h"
#include "qmr_alloc_failures.h"
#include "qmr_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using qmr::detail::RunOnWorkers;
using qmr::test::FailIn;

// Every item once, and true, whichever allocation of the threads' start fails: the batch
// runs on the threads that did start.
TEST(WorkerPoolStart, AnAllocationFailureLeavesTheBatchToTheThreadsStarted) {
    if (!qmr::test::CanFailAllocations) GTEST_SKIP() << "operator new is the sanitizer's here";
    ASSERT_TRUE(RunOnWorkers(2, 2, [](std::int64_t) {}, [] {}, [] { return false; }));  // two threads parked
    for (int K = 1; K <= 8; ++K) {
        std::vector<std::atomic<int>> Seen(64);
        bool Ok = false;
        FailIn = K;
        try {
            Ok = RunOnWorkers(
                64, 64,
                [&](std::int64_t I) {
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                    ++Seen[static_cast<std::size_t>(I)];
                },
                [] {}, [] { return false; });
        } catch (const std::bad_alloc&) {
            ADD_FAILURE() << "allocation " << K << " escaped";
        }
        FailIn = 0;
        EXPECT_TRUE(Ok) << K;
        for (const std::atomic<int>& S : Seen) ASSERT_EQ(S.load(), 1) << K;
    }
}

// An exception stops the handing out: of a hundred thousand items, the threads finish the
// ones they hold and start no more. The items after the throwing one wait for the throw and
// then take a millisecond, so the outcome does not hang on how the threads are scheduled.
TEST(WorkerPoolStart, AnExceptionStopsTheHandingOut) {
    std::atomic<int> Ended{0};
    std::atomic<bool> Thrown{false};
    EXPECT_THROW(RunOnWorkers(
                     100000, 4,
                     [&](std::int64_t I) {
                         if (I == 17) {
                             Thrown = true;
                             throw std::runtime_error("item 17");
                         }
                         if (I > 17) {
                             const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                             while (!Thrown && std::chrono::steady_clock::now() < Until) std::this_thread::yield();
                             std::this_thread::sleep_for(std::chrono::milliseconds(1));
                         }
                         ++Ended;
                     },
                     [] {}, [] { return false; }),
                 std::runtime_error);
    EXPECT_LT(Ended.load(), 1000);
}

// Forks; the child runs a batch of 40 items on threads of its own and leaves through exit,
// which joins only the threads it started. Expects it to end cleanly.
[[maybe_unused]] void ExpectForkedChildRunsABatch(const char* When) {
    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        alarm(20);  // a child waiting for its parent's threads dies here instead of hanging
        std::atomic<int> Done{0};
        const bool Ok = RunOnWorkers(40, 4, [&](std::int64_t) { ++Done; }, [] {}, [] { return false; });
        std::exit(Ok && Done == 40 ? 0 : 1);
    }
    int Status = 0;
    ASSERT_EQ(waitpid(Child, &Status, 0), Child);
    EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0) << When << ": " << Status;
}

// A child has none of the parent's threads, whether they were parked or serving another
// thread's batch at the fork.
TEST(WorkerPoolFork, ForkedChildRunsBatchesOfItsOwn) {
#ifdef QMR_TEST_TSAN
    GTEST_SKIP() << "ThreadSanitizer does not follow threads started after a fork";
#else
    ASSERT_TRUE(RunOnWorkers(16, 4, [](std::int64_t) {}, [] {}, [] { return false; }));  // threads parked
    ExpectForkedChildRunsABatch("threads parked");
    std::promise<void> Go;
    std::shared_future<void> Release = Go.get_future().share();
    std::atomic<int> Running{0};
    auto Busy = std::async(std::launch::async, [&] {
        return RunOnWorkers(
            6, 3,
            [&](std::int64_t) {
                ++Running;
                Release.wait();
            },
            [] {}, [] { return false; });
    });
    while (Running.load() < 3) std::this_thread::yield();
    ExpectForkedChildRunsABatch("a batch running");
    Go.set_value();
    EXPECT_TRUE(Busy.get());
#endif
}

}  // namespace
