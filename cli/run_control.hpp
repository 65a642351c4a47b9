// What tavrix-train does between epochs besides training: the progress line,
// a checkpoint every K epochs (rank 0 writes it, whole or not at all), and
// stopping on SIGTERM or SIGINT. A signal only marks the rank it reaches; at
// the end of every epoch the ranks agree by one reduction whether any was
// marked, so that every rank stops after the same epoch, which rank 0 then
// saves.
#pragma once

#include <mpi.h>

#include <cstdint>
#include <string>

#include "../batch/batch_run_state.hpp"
#include "../batch/epoch_report.hpp"
#include "../host/checkpoint.hpp"
#include "../core/interrupt.hpp"
#include "../core/span.hpp"
#include "epoch_printer.hpp"

namespace tavrix::cli {

// The exit status of a run stopped by a signal: its checkpoint, if it asked
// for one, holds the last epoch done.
constexpr int kStoppedStatus = 75;

// Marks the process on SIGTERM and SIGINT instead of ending it.
void CatchStopSignals();

struct CheckpointPlan {
    std::string file;  // empty: no checkpoints
    std::int32_t every = 1;
    host::RunIdentity run;
};

class RunControl : public EpochObserver {
public:
    // `state`, `reports` and `model` are the run's, read when an epoch is done;
    // `printer` (when not null) prints the epoch's line first.
    RunControl(int rank, MPI_Comm comm, const CheckpointPlan& plan, const BatchRunState& state,
               Span<const EpochReport> reports, const mxArray* model, EpochPrinter* printer);

    bool EpochDone(std::int32_t done, std::int32_t total, const EpochReport& report) override;

    // The signal that stopped the run, 0 when none did.
    int StoppedBy() const { return stoppedBy_; }

    // For the trainer's loops: set on every rank at once when a signal stops
    // the run, so that none of them starts the work that follows the epochs
    // (choosing the best model, the last epoch on every sample) for a model
    // that is not written.
    Interrupt* StopFlag() { return &stop_; }

    // On rank 0: the line that says where a stopped run stands.
    std::string StoppedLine(std::int32_t total) const;

private:
    void Save(std::int32_t done);

    int rank_;
    MPI_Comm comm_;
    const CheckpointPlan& plan_;
    const BatchRunState& state_;
    Span<const EpochReport> reports_;
    const mxArray* model_;
    EpochPrinter* printer_;
    int stoppedBy_ = 0;
    Interrupt stop_;
    std::int32_t saved_ = -1;  // the epoch the checkpoint file holds, -1 before one is written
};

}  // namespace tavrix::cli
