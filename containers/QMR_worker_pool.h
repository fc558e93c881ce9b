// Work items on worker threads while the calling thread waits for their completion,
// reports progress once per round and may stop early. Internal to the library.
#pragma once

#include "package/qmr_export.h"

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <type_traits>

namespace qmr::detail {

// One batch of items served by threads of the library's worker pool. The pool's threads
// persist between batches (starting a thread costs more than many items), park while
// idle and are joined when the library unloads; a batch that finds too few idle threads
// starts new ones, so concurrent and nested batches never wait for each other's threads.
// Used through RunOnWorkers.
class QMR_API TWorkBatch {
public:
    using TCallFn = void (*)(void* Ctx, std::int64_t Item);

    TWorkBatch(std::int64_t Count, TCallFn Call, void* Ctx) noexcept : FCount(Count), FCall(Call), FCtx(Ctx) {}
    // Hands out nothing more and waits until every thread has left the batch.
    ~TWorkBatch();
    TWorkBatch(const TWorkBatch&) = delete;
    TWorkBatch& operator=(const TWorkBatch&) = delete;

    // Puts min(Count, Workers) threads (Workers < 1 means 1) on the batch. Throws
    // std::system_error when no thread can be had; fewer run when only some could start.
    void Start(std::int32_t Workers);
    // False when every item is done or an item threw; else sleeps until an item completes
    // (or 1 ms passed) and returns true.
    bool Wait();
    // Waits until every thread has left the batch, then rethrows the first exception of
    // an item, if any.
    void Finish();

private:
    friend class TWorkerPool;
    void Serve();  // on a pool thread: takes items in ascending order until none is left
    void Leave();  // on a pool thread: its last touch of the batch

    std::mutex FLock;
    std::condition_variable FChanged;  // an item completed, an item threw, a thread left
    const std::int64_t FCount;
    const TCallFn FCall;
    void* const FCtx;
    std::int64_t FNext = 0, FDone = 0, FSeen = 0;
    std::int32_t FAttached = 0;  // threads on the batch
    bool FCancel = false;        // hand out nothing more
    std::exception_ptr FError;   // the first exception of an item
};

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
// "Joined" means the thread has left the batch: the pool's threads outlive the call, but
// none touches Work or what it refers to afterwards. Work runs on the worker threads and
// must only touch data that no other item touches; Round and Stop run on the calling
// thread. Everything Work wrote is visible to the caller when this returns.
template <class WorkFn, class RoundFn, class StopFn>
bool RunOnWorkers(std::int64_t Count, std::int32_t MaxWorkers, WorkFn&& Work, RoundFn&& Round, StopFn&& Stop) {
    if (Count <= 0) return true;
    using TWork = std::remove_reference_t<WorkFn>;
    TWorkBatch Batch(
        Count, [](void* Ctx, std::int64_t Item) { (*static_cast<TWork*>(Ctx))(Item); },
        const_cast<void*>(static_cast<const void*>(std::addressof(Work))));
    Batch.Start(MaxWorkers);
    for (;;) {
        Round();
        if (Stop()) return false;  // the batch's destructor cancels and joins
        if (!Batch.Wait()) break;
    }
    Batch.Finish();
    return true;
}

}  // namespace qmr::detail
