// Work items on worker threads while the calling thread waits for their completion,
// reports progress once per round and may stop early. Internal to the library.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace qmr::detail {

// Runs Work(Item) for Item = 0..Count - 1 on at most MaxWorkers threads (fewer than 1
// means 1, and never more threads than items). The threads take the items in ascending
// order, each the next one as it becomes free, so a thread serves many items.
//
// The caller's rounds: Round() is called once after the start and once after each wake
// of the caller; then Stop() is asked, and when it is true no further item is handed out,
// every thread is joined (items already begun finish) and the result is false. Otherwise
// the caller sleeps until some item completes, at most 1 ms, so Round and Stop keep
// running while long items work. After the last item every thread is joined and the
// result is true; the caller gets no final Round.
//
// An exception thrown by Work stops the handing out; once every thread is joined the first
// such exception is rethrown on the caller. An exception from Round or Stop, or a failure
// to start the first thread, also joins every started thread before it propagates; when
// only some threads could be started, the others' items go to those that run.
//
// Work runs on the worker threads and must only touch data that no other item touches;
// Round and Stop run on the calling thread. Everything Work wrote is visible to the
// caller when this returns.
template <class WorkFn, class RoundFn, class StopFn>
bool RunOnWorkers(std::int64_t Count, std::int32_t MaxWorkers, WorkFn&& Work, RoundFn&& Round, StopFn&& Stop) {
    if (Count <= 0) return true;
    struct TState {
        std::mutex Lock;
        std::condition_variable Completed;
        std::int64_t Next = 0;        // the next item to hand out
        std::int64_t Done = 0;        // items completed
        bool Cancel = false;          // hand out nothing more
        std::exception_ptr Error;     // the first exception of a worker
    } S;
    // Joins every started thread however the caller leaves.
    struct TThreads {
        TState& S;
        std::vector<std::thread> List;
        ~TThreads() {
            {
                std::lock_guard<std::mutex> G(S.Lock);
                S.Cancel = true;
            }
            for (std::thread& T : List) T.join();
        }
    } Threads{S, {}};

    auto Worker = [&S, &Work, Count] {
        for (;;) {
            std::int64_t Item = 0;
            {
                std::lock_guard<std::mutex> G(S.Lock);
                if (S.Cancel || S.Next >= Count) return;
                Item = S.Next++;
            }
            try {
                Work(Item);
            } catch (...) {
                {
                    std::lock_guard<std::mutex> G(S.Lock);
                    if (!S.Error) S.Error = std::current_exception();
                    S.Cancel = true;
                }
                S.Completed.notify_one();
                return;
            }
            {
                std::lock_guard<std::mutex> G(S.Lock);
                ++S.Done;
            }
            S.Completed.notify_one();
        }
    };

    const std::int64_t NThreads = std::min<std::int64_t>(Count, MaxWorkers < 1 ? 1 : MaxWorkers);
    Threads.List.reserve(static_cast<std::size_t>(NThreads));
    for (std::int64_t T = 0; T < NThreads; ++T) {
        try {
            Threads.List.emplace_back(Worker);
        } catch (const std::system_error&) {
            if (Threads.List.empty()) throw;
            break;  // the threads that run take every item
        }
    }

    std::int64_t Seen = 0;
    for (;;) {
        Round();
        if (Stop()) return false;  // the guard cancels and joins
        std::unique_lock<std::mutex> G(S.Lock);
        if (S.Error || S.Done == Count) break;
        S.Completed.wait_for(G, std::chrono::milliseconds(1), [&] { return S.Done != Seen || S.Error; });
        Seen = S.Done;
        if (S.Error) break;
    }
    std::exception_ptr Error;
    {
        std::lock_guard<std::mutex> G(S.Lock);
        Error = S.Error;
    }
    if (Error) {
        for (std::thread& T : Threads.List) T.join();
        Threads.List.clear();
        std::rethrow_exception(Error);
    }
    return true;
}

}  // namespace qmr::detail
