// The progress of a long call, shown as one line rewritten in place a few
// times a second: "<function>: 3 of 10 <steps>, 2 per second, 4 s left".
#pragma once

#include <chrono>
#include <cstdint>

#include "../train/training_views.hpp"

namespace tavrix::host {

class ProgressLine : public TrainingObserver {
public:
    // `steps` names what is counted, e.g. "iterations".
    ProgressLine(const char* function, const char* steps) : function_(function), steps_(steps) {}
    void IterationDone(std::int32_t done, std::int32_t total) override;

private:
    const char* function_;
    const char* steps_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shown_ = start_;
};

}  // namespace tavrix::host
