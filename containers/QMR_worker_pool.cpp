// The library's worker pool: threads that persist between batches and park while idle.
#include "containers/QMR_worker_pool.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace qmr::detail {

class TWorkerPool {
public:
    // Created at the first batch; its destructor (at exit or when the library unloads)
    // joins every thread.
    static TWorkerPool& Instance() {
        static TWorkerPool Pool;
        return Pool;
    }
    ~TWorkerPool();

    // Puts up to N threads on B, idle ones first, then new ones; returns how many.
    std::int32_t Attach(TWorkBatch& B, std::int32_t N);

private:
    struct TSlot {
        std::condition_variable Wake;  // a batch was given, or the pool closes
        TWorkBatch* Batch = nullptr;
        std::thread Thread;
    };

    TWorkerPool();
    void Run(TSlot* S);

    std::mutex FLock;
    std::vector<std::unique_ptr<TSlot>> FSlots;
    std::vector<TSlot*> FIdle;
    bool FClosed = false;
};

TWorkerPool::TWorkerPool() {
    // A forked child has none of the parent's threads: it drops them (unjoined, their
    // records leaked on purpose) and starts its own when it needs them. The lock is held
    // across the fork so the child sees consistent lists.
    pthread_atfork([] { Instance().FLock.lock(); }, [] { Instance().FLock.unlock(); },
                   [] {
                       TWorkerPool& P = Instance();
                       for (std::unique_ptr<TSlot>& S : P.FSlots) (void)S.release();
                       P.FSlots.clear();
                       P.FIdle.clear();
                       P.FLock.unlock();
                   });
}

TWorkerPool::~TWorkerPool() {
    {
        std::lock_guard<std::mutex> G(FLock);
        FClosed = true;
        for (std::unique_ptr<TSlot>& S : FSlots) S->Wake.notify_one();
    }
    for (std::unique_ptr<TSlot>& S : FSlots) S->Thread.join();
}

std::int32_t TWorkerPool::Attach(TWorkBatch& B, std::int32_t N) {
    // The threads are woken after the lock is released when there is room to list them,
    // so that each starts as soon as it wakes instead of waiting for the lock until every
    // other one is woken; without that room they are woken under the lock.
    std::vector<TSlot*> Woken;
    bool WakeLater = true;
    try {
        Woken.reserve(static_cast<std::size_t>(std::max(N, 0)));
    } catch (const std::bad_alloc&) {
        WakeLater = false;
    }
    std::int32_t Got = 0;
    {
        std::lock_guard<std::mutex> G(FLock);
        if (FClosed) return 0;
        for (; Got < N; ++Got) {
            TSlot* S = nullptr;
            if (!FIdle.empty()) {
                S = FIdle.back();
                FIdle.pop_back();
            } else {
                // Room first, so that a started thread always has its record and idle place.
                std::unique_ptr<TSlot> New;
                try {
                    FSlots.reserve(FSlots.size() + 1);
                    FIdle.reserve(FSlots.size() + 1);
                    New = std::make_unique<TSlot>();
                    New->Thread = std::thread(&TWorkerPool::Run, this, New.get());
                } catch (const std::exception&) {
                    break;  // no memory or no thread: the threads already attached take every item
                }
                S = New.get();
                FSlots.push_back(std::move(New));
            }
            S->Batch = &B;
            if (WakeLater)
                Woken.push_back(S);  // within the room reserved: cannot fail
            else
                S->Wake.notify_one();
        }
        // Counted before any thread can see its batch (that takes this pool lock).
        std::lock_guard<std::mutex> BG(B.FLock);
        B.FAttached += Got;
    }
    // A slot's record lives as long as the pool; should its thread already have moved on
    // to another batch, the wake is spurious and its wait goes on.
    for (TSlot* S : Woken) S->Wake.notify_one();
    return Got;
}

void TWorkerPool::Run(TSlot* S) {
    std::unique_lock<std::mutex> G(FLock);
    for (;;) {
        S->Wake.wait(G, [&] { return S->Batch != nullptr || FClosed; });
        TWorkBatch* B = S->Batch;
        if (B == nullptr) return;
        G.unlock();
        B->Serve();
        G.lock();
        // Idle again before it leaves the batch: a caller that returns and starts the next
        // batch at once finds this thread available.
        S->Batch = nullptr;
        FIdle.push_back(S);
        G.unlock();
        B->Leave();
        G.lock();
    }
}

TWorkBatch::~TWorkBatch() {
    std::unique_lock<std::mutex> G(FLock);
    FCancel = true;
    FChanged.wait(G, [&] { return FAttached == 0; });
}

void TWorkBatch::Start(std::int32_t Workers) {
    const auto Want = static_cast<std::int32_t>(std::min<std::int64_t>(FCount, std::max(Workers, 1)));
    if (TWorkerPool::Instance().Attach(*this, Want) == 0)
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "no worker thread could be started");
}

bool TWorkBatch::Wait() {
    std::unique_lock<std::mutex> G(FLock);
    if (FError || FDone == FCount) return false;
    FChanged.wait_for(G, std::chrono::milliseconds(1), [&] { return FDone != FSeen || FError; });
    FSeen = FDone;
    return !FError;
}

void TWorkBatch::Finish() {
    std::unique_lock<std::mutex> G(FLock);
    FChanged.wait(G, [&] { return FAttached == 0; });
    if (FError) std::rethrow_exception(FError);
}

void TWorkBatch::Serve() {
    for (;;) {
        std::int64_t Item = 0;
        {
            std::lock_guard<std::mutex> G(FLock);
            if (FCancel || FNext >= FCount) return;
            Item = FNext++;
        }
        try {
            FCall(FCtx, Item);
        } catch (...) {
            std::lock_guard<std::mutex> G(FLock);
            if (!FError) FError = std::current_exception();
            FCancel = true;
            FChanged.notify_all();
            return;
        }
        std::lock_guard<std::mutex> G(FLock);
        ++FDone;
        FChanged.notify_all();
    }
}

void TWorkBatch::Leave() {
    // Notified under the lock: once it is released the caller may return and the batch end.
    std::lock_guard<std::mutex> G(FLock);
    --FAttached;
    FChanged.notify_all();
}

}  // namespace qmr::detail
