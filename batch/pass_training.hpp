// Batch training whose statistics pass is done elsewhere: over blocks of
// samples in the host's parallel loop, or over the ranks of an MPI job. Only
// the pass differs from TrainBatch; radius, update and reports are the same,
// so the model is the same double for double.
#pragma once

#include <cstdint>
#include <vector>

#include "../core/map_model.hpp"
#include "../core/span.hpp"
#include "../core/training_views.hpp"
#include "assignment_mode.hpp"
#include "batch_training.hpp"
#include "epoch_report.hpp"
#include "statistics.hpp"

namespace tavrix {

// Sums over every sample of one pass: log-likelihoods, samples whose unit
// differs from the last pass's (all of them in the first), and samples.
struct PassTotals {
    double logLikelihood = 0.0;
    double changed = 0.0;
    double samples = 0.0;
};

class StatisticsPass {
public:
    virtual ~StatisticsPass() = default;
    // Counts every sample under `view`, hard or soft; the statistics stay
    // valid until the next call.
    virtual ConstStatisticsView Count(const MapModel& view, AssignmentMode mode, PassTotals& totals) = 0;
};

// Adds the per-sample results of one pass to `totals` as TrainBatch forms
// them: log-likelihoods summed in sample order, and the samples whose unit
// differs from `previous` (all of them when it is empty), which then takes `best`.
inline void AddSampleResults(const std::vector<std::int32_t>& best, Span<const double> logLikelihood,
                             std::vector<std::int32_t>& previous, PassTotals& totals) {
    double sum = 0.0;
    std::size_t changed = 0;
    for (std::size_t j = 0; j < best.size(); ++j) {
        sum += logLikelihood[j];
        changed += previous.empty() || best[j] != previous[j] ? 1 : 0;
    }
    totals.logLikelihood += sum;
    totals.changed += static_cast<double>(changed);
    totals.samples += static_cast<double>(best.size());
    previous = best;
}

// TrainBatch with `pass` counting the samples; settings.threads serves the
// update. Requires at least one sample when epochs > 0. Checks `interrupt`
// (when not null) after every pass and update and stops once it says so.
void TrainBatchWithPass(const MapModel& model, const TrainedTables& tables, StatisticsPass& pass, std::int32_t epochs,
                        const BatchSettings& settings, Span<EpochReport> reports, EpochObserver* observer,
                        Interrupt* interrupt = nullptr);

}  // namespace tavrix
