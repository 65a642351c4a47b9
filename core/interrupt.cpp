#include "interrupt.hpp"

namespace tavrix {

bool Interrupt::CheckClock() {
    if (poll_ == nullptr) {
        countdown_ = std::numeric_limits<std::int64_t>::max();
        return Stopped();
    }
    const Clock::time_point now = Clock::now();
    if (started_) {
        // Calls that come quickly double the stride; slow ones cut it in proportion at once.
        const Clock::duration elapsed = now - lastRead_;
        if (elapsed * 2 < kClockInterval) {
            if (stride_ < kLongestStride) stride_ *= 2;
        } else if (elapsed > kClockInterval * 2) {
            const std::int64_t scaled = stride_ * kClockInterval.count() / elapsed.count();
            stride_ = scaled < 1 ? 1 : scaled;
        }
    }
    started_ = true;
    lastRead_ = now;
    countdown_ = stride_;
    if (now >= nextPoll_ && !Stopped()) {
        nextPoll_ = now + interval_;
        if (poll_(context_)) Stop();
    }
    return Stopped();
}

}  // namespace tavrix
