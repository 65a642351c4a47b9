// Threads over independent work. Every index is computed by exactly one thread
// and writes only its own results, so results never depend on the thread count.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "interrupt.hpp"

namespace tavrix {

// The machine's cores, at least 1.
int DefaultThreadCount();

// The one rule for how many threads a loop over `work` independent items uses:
// the requested count, at least 1 and never more than the items (at least 1).
inline int ThreadCount(int requested, std::int64_t work) {
    const std::int64_t limit = requested < 1 ? 1 : requested;
    const std::int64_t items = work < 1 ? 1 : work;
    return static_cast<int>(items < limit ? items : limit);
}

// A non-owning reference to a callable body(begin, end, worker); never allocates.
class RangeBody {
public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, RangeBody>>>
    RangeBody(F& f)  // NOLINT(google-explicit-constructor)
        : object_(&f), call_([](void* o, std::int64_t b, std::int64_t e, int w) { (*static_cast<F*>(o))(b, e, w); }) {}

    void operator()(std::int64_t begin, std::int64_t end, int worker) const { call_(object_, begin, end, worker); }

private:
    void* object_;
    void (*call_)(void*, std::int64_t, std::int64_t, int);
};

// A fixed set of threads that run one range at a time, cut into contiguous
// chunks, one chunk per thread; the calling thread takes chunk 0. Made for
// loops that run many short parallel steps, such as training iterations:
// threads spin briefly before they sleep, so that a step that follows soon
// after the last one does not wait for the scheduler to wake them.
class WorkerPool {
public:
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int Size() const { return size_; }

    // Runs body over [0, count) and returns when every chunk is done.
    void Run(std::int64_t count, RangeBody body);

    template <class F>
    void Run(std::int64_t count, F&& f) {
        auto& ref = f;
        Run(count, RangeBody(ref));
    }

private:
    void WorkerLoop(int worker);
    void RunChunk(int worker);

    int size_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<int> pending_{0};
    std::atomic<bool> stopping_{false};
    std::int64_t count_ = 0;
    const RangeBody* body_ = nullptr;
};

// One parallel loop: at most `threads` threads, never more than `count`.
template <class F>
void ParallelFor(std::int64_t count, int threads, F&& f) {
    if (count <= 0) return;
    const int size = ThreadCount(threads, count);
    if (size == 1) {
        f(std::int64_t{0}, count, 0);
        return;
    }
    WorkerPool pool(size);
    pool.Run(count, f);
}

// Runs f(first, last) over [begin, end) in pieces of at most `piece` items,
// in order, and stops between pieces once `interrupt` says so; `worker` is
// the thread's number in its parallel loop (0: the calling thread).
template <class F>
void ForEachPiece(std::int64_t begin, std::int64_t end, std::int64_t piece, Interrupt* interrupt, int worker, F&& f) {
    for (std::int64_t first = begin; first < end && !ShouldStop(interrupt, worker); first += piece)
        f(first, end - first < piece ? end : first + piece);
}

// ParallelFor whose threads run their chunks in pieces of at most `piece`
// items and stop between pieces once `interrupt` says so. The chunks are
// ParallelFor's: a body whose results do not depend on how a chunk is cut
// gives the same results.
template <class F>
void ParallelFor(std::int64_t count, int threads, Interrupt* interrupt, std::int64_t piece, F&& f) {
    ParallelFor(count, threads, [&](std::int64_t begin, std::int64_t end, int worker) {
        ForEachPiece(begin, end, piece, interrupt, worker,
                     [&](std::int64_t first, std::int64_t last) { f(first, last, worker); });
    });
}

}  // namespace tavrix
