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
#include "held_out.hpp"
#include "statistics.hpp"

namespace tavrix {

// Sums over the counted samples of one pass: log-likelihoods, samples whose
// unit differs from the last pass's (all of them in the first), and samples;
// then over the held-back samples: log-likelihoods, summed in the order of
// their global columns whatever the split, and samples.
struct PassTotals {
    double logLikelihood = 0.0;
    double changed = 0.0;
    double samples = 0.0;
    double heldOutLogLikelihood = 0.0;
    double heldOutSamples = 0.0;
};

class StatisticsPass {
public:
    virtual ~StatisticsPass() = default;
    // Counts every sample it does not hold back under `view`, hard or soft, and
    // scores the held-back ones; the statistics stay valid until the next call.
    virtual ConstStatisticsView Count(const MapModel& view, AssignmentMode mode, PassTotals& totals) = 0;
    // Counts every sample, held back or not (the run's last epoch).
    virtual ConstStatisticsView CountEverySample(const MapModel& view, AssignmentMode mode) = 0;
};

// Adds the per-sample results of one pass to `totals` as TrainBatch forms
// them: log-likelihoods summed in sample order, and the samples whose unit
// differs from `previous` (all of them when it is empty), which then takes
// `best`. The samples `rule` holds back go to the held-out sums instead.
inline void AddSampleResults(const std::vector<std::int32_t>& best, Span<const double> logLikelihood,
                             std::vector<std::int32_t>& previous, PassTotals& totals, const HeldOutRule& rule = {}) {
    double sum = 0.0, heldSum = 0.0;
    std::size_t changed = 0, counted = 0;
    for (std::size_t j = 0; j < best.size(); ++j) {
        if (rule.HeldBack(static_cast<std::int64_t>(j))) {
            heldSum += logLikelihood[j];
            continue;
        }
        sum += logLikelihood[j];
        changed += previous.empty() || best[j] != previous[j] ? 1 : 0;
        ++counted;
    }
    totals.logLikelihood += sum;
    totals.changed += static_cast<double>(changed);
    totals.samples += static_cast<double>(counted);
    totals.heldOutLogLikelihood += heldSum;
    totals.heldOutSamples += static_cast<double>(best.size() - counted);
    previous = best;
}

// TrainBatch with `pass` counting the samples; settings.threads serves the
// update. Requires at least one counted sample when epochs > 0. Checks
// `interrupt` (when not null) after every pass and update and stops once it
// says so. The scored samples are `validation` when given, else those the
// pass holds back: after the last update the pass then runs once more, for
// their scores, and once more on every sample for the last epoch. A `state`
// resumes a run as TrainBatch's does.
void TrainBatchWithPass(const MapModel& model, const TrainedTables& tables, StatisticsPass& pass, std::int32_t epochs,
                        const BatchSettings& settings, Span<EpochReport> reports, EpochObserver* observer,
                        Interrupt* interrupt = nullptr, const CodeMatrix* validation = nullptr,
                        BatchRunState* state = nullptr);

}  // namespace tavrix
