// What TavrixTrain does between epochs besides training: the 'Verbose' line,
// a checkpoint every K epochs ('Checkpoint', 'CheckpointEvery') and the
// 'OutputFcn'. Both go through the host: the toolbox's
// tavrix_checkpoint_file.m saves (temporary file and rename) and loads
// checkpoints with the host's save and load, and tavrix_call_output_fcn.m
// calls the user's function; each hands back what failed as a message.
#pragma once

#include <cstdint>
#include <string>

#include "../batch/batch_run_state.hpp"
#include "../batch/epoch_report.hpp"
#include "../core/span.hpp"
#include "checkpoint.hpp"
#include "progress_line.hpp"

namespace tavrix::host {

// The checkpoint saved in `file`, which must be one of the run `expected`
// whose first model is `first`; fails (Reason::kCheckpoint) naming the file.
Checkpoint LoadCheckpoint(const std::string& file, const RunIdentity& expected, const MapModel& first);

struct EpochHookSettings {
    EpochLine* lines = nullptr;  // null: no line
    std::string checkpoint;      // empty: no checkpoints
    std::int32_t every = 1;
    RunIdentity run;
    const mxArray* outputFcn = nullptr;  // a function handle, or null
};

class EpochHooks : public EpochObserver {
public:
    // `state`, `reports` and `model` are the run's, read when an epoch is
    // done. Asks the host once whether the OutputFcn takes the model.
    EpochHooks(const EpochHookSettings& settings, const BatchRunState& state, Span<const EpochReport> reports,
               const mxArray* model);

    // Saves when due, then calls the OutputFcn: true when it says stop.
    // Fails (kCheckpoint, kOutputFcn) when either fails.
    bool EpochDone(std::int32_t done, std::int32_t total, const EpochReport& report) override;

    // The epoch the OutputFcn stopped the run after, 0 when it did not.
    std::int32_t StoppedAfter() const { return stoppedAfter_; }

private:
    void Save(std::int32_t done) const;
    bool CallOutputFcn(std::int32_t done, std::int32_t total, const EpochReport& report) const;

    const EpochHookSettings& settings_;
    const BatchRunState& state_;
    Span<const EpochReport> reports_;
    const mxArray* model_;
    bool wantsModel_ = false;
    std::int32_t stoppedAfter_ = 0;
};

}  // namespace tavrix::host
