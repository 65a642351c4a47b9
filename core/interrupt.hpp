// Stopping a long call early. The thread that made the call asks the host
// whether the user interrupted (a Poll), at most every poll interval; every
// other thread reads the stop flag only. The core never calls the host: it
// calls Check on the calling thread and Stopped elsewhere.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>

namespace tavrix {

class Interrupt {
public:
    // True when the host has an interrupt pending; called on the calling thread only.
    using Poll = bool (*)(void* context);
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kPollInterval = std::chrono::milliseconds(100);

    Interrupt() = default;  // polls nothing: stops only when told to
    Interrupt(Poll poll, void* context, Clock::duration interval = kPollInterval)
        : poll_(poll), context_(context), interval_(interval) {}
    Interrupt(const Interrupt&) = delete;
    Interrupt& operator=(const Interrupt&) = delete;

    // On the calling thread only: true once the call is to stop. Counts calls
    // down and reads the clock only every `stride` of them, the stride adapted
    // so that the clock is read about every kClockInterval.
    bool Check() {
        if (--countdown_ > 0) return Stopped();
        return CheckClock();
    }

    // On any thread: true once the calling thread has seen an interrupt.
    bool Stopped() const { return stopped_.load(std::memory_order_relaxed); }

    void Stop() { stopped_.store(true, std::memory_order_relaxed); }

private:
    static constexpr Clock::duration kClockInterval = std::chrono::microseconds(200);
    static constexpr std::int64_t kLongestStride = std::int64_t{1} << 24;

    bool CheckClock();

    Poll poll_ = nullptr;
    void* context_ = nullptr;
    Clock::duration interval_ = kPollInterval;
    std::atomic<bool> stopped_{false};
    std::int64_t countdown_ = 1;
    std::int64_t stride_ = 1;
    bool started_ = false;
    Clock::time_point lastRead_{}, nextPoll_{};
};

// The check of one thread of a parallel loop, thread 0 being the calling
// thread: false at once when there is nothing to check.
inline bool ShouldStop(Interrupt* interrupt, int worker) {
    return interrupt != nullptr && (worker == 0 ? interrupt->Check() : interrupt->Stopped());
}

}  // namespace tavrix
