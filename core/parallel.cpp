#include "parallel.hpp"

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#include <immintrin.h>
#define TAVRIX_SPIN_PAUSE() _mm_pause()
#else
#define TAVRIX_SPIN_PAUSE() ((void)0)
#endif

namespace tavrix {
namespace {

// Polls `done` 2,048 times, a pause apart (from about ten microseconds to a
// tenth of a millisecond, by processor), before giving up.
template <class Done>
bool SpinUntil(Done done) {
    for (int spin = 0; spin < 2048; ++spin) {
        if (done()) return true;
        TAVRIX_SPIN_PAUSE();
    }
    return done();
}

}  // namespace

int DefaultThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

// A pool is made before its work is known: only the requested count bounds it.
WorkerPool::WorkerPool(int threads) : size_(ThreadCount(threads, threads)) {
    threads_.reserve(static_cast<std::size_t>(size_ - 1));
    for (int w = 1; w < size_; ++w) threads_.emplace_back([this, w] { WorkerLoop(w); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    start_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void WorkerPool::RunChunk(int worker) {
    const std::int64_t begin = count_ * worker / size_;
    const std::int64_t end = count_ * (worker + 1) / size_;
    if (begin < end) (*body_)(begin, end, worker);
}

void WorkerPool::Run(std::int64_t count, RangeBody body) {
    if (count <= 0) return;
    if (size_ == 1) {
        body(0, count, 0);
        return;
    }
    // The step is published under the mutex, so that a sleeping worker cannot miss it.
    {
        std::lock_guard<std::mutex> lock(mutex_);
        count_ = count;
        body_ = &body;
        pending_.store(size_ - 1);
        generation_.fetch_add(1);
    }
    start_.notify_all();
    RunChunk(0);
    const auto finished = [this] { return pending_.load() == 0; };
    if (!SpinUntil(finished)) {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, finished);
    }
    body_ = nullptr;
}

void WorkerPool::WorkerLoop(int worker) {
    std::uint64_t seen = 0;
    for (;;) {
        const auto woken = [&] { return stopping_.load() || generation_.load() != seen; };
        if (!SpinUntil(woken)) {
            std::unique_lock<std::mutex> lock(mutex_);
            start_.wait(lock, woken);
        }
        if (stopping_.load()) return;
        seen = generation_.load();
        RunChunk(worker);
        // The last worker to finish wakes the caller if it has gone to sleep.
        if (pending_.fetch_sub(1) == 1) {
            std::lock_guard<std::mutex> lock(mutex_);
            done_.notify_one();
        }
    }
}

}  // namespace tavrix
