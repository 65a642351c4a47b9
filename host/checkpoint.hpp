// A batch training run saved between epochs, as the struct of a checkpoint
// file (variable 'checkpoint'): everything the run needs to carry on, and
// what it was started from, so that a file of another run is refused.
// TavrixTrain and tavrix-train read and write the same struct.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../batch/batch_run_state.hpp"
#include "../batch/epoch_report.hpp"
#include "../core/map_model.hpp"
#include "../core/span.hpp"
#include "gateway.hpp"

namespace tavrix::host {

// What makes two runs the same run: fingerprints of the data, of the first
// model and of the validation samples (0 without any), and the settings.
struct RunIdentity {
    std::uint64_t data = 0, model = 0, validation = 0;
    std::int32_t epochs = 0;
    double radiusStart = 0.0, radiusEnd = 0.0, prior = 0.0;
    double heldOut = 0.0;  // the share held back
    double assignment = 0.0;  // the AssignmentMode, as a number
    double lattice = 0.0;     // the Lattice, as a number
};

struct Checkpoint {
    BatchRunState state;
    std::vector<EpochReport> reports;  // the first state.epochsDone epochs'
    OwnedArray model;                  // after state.epochsDone epochs
};

// The struct of a run after state.epochsDone epochs, `model` its model then.
OwnedArray CheckpointArray(const RunIdentity& run, const BatchRunState& state, Span<const EpochReport> reports,
                           const mxArray* model);

// The checkpoint `array` read from `file`, which must be one of the run
// `expected` whose first model is `first`: fails (Reason::kCheckpoint) with a
// message naming the file when it is not a checkpoint, is damaged, or was
// saved by another run.
Checkpoint ReadCheckpoint(const mxArray* array, const std::string& file, const RunIdentity& expected,
                          const MapModel& first);

}  // namespace tavrix::host
