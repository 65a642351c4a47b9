// Batch training: epochs of one pass over all samples (assign and count),
// then one update of every unit from the counts smoothed over the grid.
#pragma once

#include <cstdint>

#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "../core/span.hpp"
#include "../core/training_views.hpp"
#include "batch_run_state.hpp"
#include "assignment_mode.hpp"
#include "epoch_report.hpp"

namespace tavrix {

struct BatchSettings {
    double radiusStart = 1.0;  // the first epoch's radius
    double radiusEnd = 1.0;    // the last epoch's radius
    double prior = 1.0;        // pseudo-counts of every unit's tables and prior
    int threads = 1;
    AssignmentMode assignment = AssignmentMode::kHard;
    // Intersect whole after every epoch, not only after the last: for a run
    // whose model is saved or handed out between epochs. The model at the end
    // is the same either way.
    bool wholeTables = false;
};

// Epoch e of E (0-based) smooths at radiusStart x (radiusEnd / radiusStart)^(e / (E - 1)),
// radiusStart when E = 1.
double EpochRadius(std::int32_t epoch, std::int32_t epochs, double radiusStart, double radiusEnd);

// Trains `tables` in place for `epochs` epochs on `data` (missing entries
// kMissingCode). `model` gives the counts, Translate, Ranges and RootNode; its
// unit tables and Pi are taken from `tables`. `reports` has one entry per
// epoch. The requirements of UpdateMap hold. The same doubles for every
// thread count. Stops early, the tables half trained, once `interrupt` (when
// not null) says so.
//
// With `scored` samples (held back from `data`, or validation samples when
// `validation`), the first model and the model after every update are scored
// by their mean log-likelihood (MeanLogLikelihood), and the tables end as the
// best of them (the first model a candidate only against validation
// samples); samples held back from `data` (not `validation`) then count in
// one last epoch from the best model at its epoch's radius. `state` (when
// not null) tells which model was chosen and how they scored.
//
// A `state` whose epochsDone is above 0 resumes that run: `tables` then hold
// its model after epochsDone epochs, and `epochs` and `settings` are the
// run's. The tables end as those of the run not stopped, bit for bit. An
// observer returning true ends the run after that epoch.
void TrainBatch(const MapModel& model, const TrainedTables& tables, const CodeMatrix& data, std::int32_t epochs,
                const BatchSettings& settings, Span<EpochReport> reports, EpochObserver* observer,
                Interrupt* interrupt = nullptr, const CodeMatrix* scored = nullptr, bool validation = false,
                BatchRunState* state = nullptr);

// The view of `model` whose unit tables and Pi are those of `tables`.
MapModel ViewOfTables(const MapModel& model, const TrainedTables& tables);

// The state of a run starting now.
// Against validation samples the first model competes; otherwise the samples
// were held back, and a last epoch counts them too.
BatchRunState StartRun(std::int32_t epochs, const BatchSettings& settings, bool selecting, bool validation);

}  // namespace tavrix
