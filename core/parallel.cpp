#include "parallel.hpp"

namespace tavrix {

int DefaultThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

WorkerPool::WorkerPool(int threads) : size_(threads < 1 ? 1 : threads) {
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
    {
        std::lock_guard<std::mutex> lock(mutex_);
        count_ = count;
        body_ = &body;
        pending_ = size_ - 1;
        ++generation_;
    }
    start_.notify_all();
    RunChunk(0);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
    body_ = nullptr;
}

void WorkerPool::WorkerLoop(int worker) {
    std::uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            start_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
        }
        RunChunk(worker);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --pending_;
        }
        done_.notify_one();
    }
}

}  // namespace tavrix
