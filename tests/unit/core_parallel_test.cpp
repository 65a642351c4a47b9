// The worker pool and the thread-count rule: every index exactly once, in
// contiguous chunks in worker order, one thread per chunk, chunk 0 the caller's.
#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/parallel.hpp"

namespace tavrix {
namespace {

struct Chunk {
    std::int64_t begin, end;
    int worker;
    std::thread::id thread;
    bool operator<(const Chunk& other) const { return begin < other.begin; }
};

TEST(WorkerPool, EveryIndexOnceInContiguousChunks) {
    for (const int size : {1, 2, 3, 7}) {
        WorkerPool pool(size);  // one pool for every count: Run is called again and again
        for (const std::int64_t count : {0, 1, 2, 5, 16, 1001, 2}) {
            SCOPED_TRACE(::testing::Message() << size << " threads, count " << count);
            std::vector<std::atomic<int>> visits(static_cast<std::size_t>(count));
            std::mutex mutex;
            std::vector<Chunk> chunks;
            pool.Run(count, [&](std::int64_t begin, std::int64_t end, int worker) {
                for (std::int64_t i = begin; i < end; ++i) visits[static_cast<std::size_t>(i)].fetch_add(1);
                const std::lock_guard<std::mutex> lock(mutex);
                chunks.push_back({begin, end, worker, std::this_thread::get_id()});
            });
            for (const std::atomic<int>& v : visits) EXPECT_EQ(v.load(), 1);
            // Fewer items than threads: one chunk per item, the others empty and not run.
            ASSERT_EQ(chunks.size(), static_cast<std::size_t>(std::min<std::int64_t>(count, size)));
            std::sort(chunks.begin(), chunks.end());
            std::set<std::thread::id> threads;
            for (std::size_t c = 0; c < chunks.size(); ++c) {
                EXPECT_EQ(chunks[c].begin, c == 0 ? 0 : chunks[c - 1].end);
                EXPECT_LE(chunks[c].end - chunks[c].begin, (count + size - 1) / size);
                EXPECT_TRUE(c == 0 || chunks[c - 1].worker < chunks[c].worker);
                // Worker 0 runs on the calling thread; with fewer items than threads its chunk may be empty.
                EXPECT_EQ(chunks[c].worker == 0, chunks[c].thread == std::this_thread::get_id());
                threads.insert(chunks[c].thread);
            }
            EXPECT_EQ(threads.size(), chunks.size()) << "each chunk on its own thread";
        }
    }
}

TEST(ThreadCount, AtLeastOneAndNeverMoreThanTheWork) {
    EXPECT_EQ(ThreadCount(4, 100), 4);
    EXPECT_EQ(ThreadCount(4, 3), 3);
    EXPECT_EQ(ThreadCount(0, 100), 1);
    EXPECT_EQ(ThreadCount(4, 0), 1);
    EXPECT_EQ(ThreadCount(1024, std::int64_t{1} << 40), 1024);
    EXPECT_EQ(WorkerPool(-2).Size(), 1);
    // ParallelFor follows the rule: 8 threads asked, 3 items, workers 0, 1 and 2.
    std::atomic<int> chunks{0}, workers{0};
    ParallelFor(3, 8, [&](std::int64_t, std::int64_t, int worker) {
        chunks.fetch_add(1);
        workers.fetch_add(worker);
    });
    EXPECT_EQ(chunks.load(), 3);
    EXPECT_EQ(workers.load(), 0 + 1 + 2);
}

}  // namespace
}  // namespace tavrix
