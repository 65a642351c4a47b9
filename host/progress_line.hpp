// The progress of a long call, shown as one line rewritten in place a few
// times a second: "<function>: 3 of 10 <steps>, 2 per second, 4 s left".
#pragma once

#include <chrono>
#include <cstdint>

#include "../batch/batch_run_state.hpp"
#include "../batch/epoch_report.hpp"
#include "../core/training_views.hpp"

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

// One line per epoch: "<function>: epoch 3 of 30, radius 1.8, mean
// log-likelihood -9.87, 4.2% changed unit, held-out -10.1, 12 s left" (the
// held-out figure with held-out selection), and with it a last line naming
// the epoch chosen.
class EpochLine : public EpochObserver {
public:
    explicit EpochLine(const char* function) : function_(function) {}
    bool EpochDone(std::int32_t done, std::int32_t total, const EpochReport& report) override;
    void Chosen(const BatchRunState& run) const;

private:
    const char* function_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace tavrix::host
