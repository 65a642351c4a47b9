#include "pass_training.hpp"

#include <algorithm>
#include <limits>

#include "baseline.hpp"
#include "update.hpp"
#include "../core/value_index_table.hpp"

namespace tavrix {

void TrainBatchWithPass(const MapModel& model, const TrainedTables& tables, StatisticsPass& pass, std::int32_t epochs,
                        const BatchSettings& settings, Span<EpochReport> reports, EpochObserver* observer,
                        Interrupt* interrupt, const CodeMatrix* validation, BatchRunState* state) {
    if (epochs <= 0) return;
    const MapModel view = ViewOfTables(model, tables);
    const ValueIndexTable table = BuildValueIndexTable(model);
    const StatisticsLayout layout = MakeStatisticsLayout(table, model.NumUnits());
    // Counts carry the baselines of the model that made them, as the passes count by.
    std::vector<std::int32_t> baselines;
    auto counted = [&](ConstStatisticsView counts) {
        baselines = ModelBaselines(view, table);
        counts.baselines = &baselines;
        return counts;
    };
    // A resumed run's first pass is that of the epoch it resumes at.
    const std::int32_t firstEpoch = state ? std::min(state->epochsDone, epochs - 1) : 0;
    PassTotals totals;
    ConstStatisticsView stats =
        counted(pass.Count(view, EpochAssignment(settings.assignment, firstEpoch, epochs), totals));
    if (ShouldStop(interrupt, 0)) return;
    const bool byValidation = validation && validation->numSamples > 0;
    const bool byPass = !byValidation && totals.heldOutSamples > 0.0;
    BatchRunState local;
    BatchRunState& run = state ? *state : local;
    const bool resuming = run.epochsDone > 0;
    if (!resuming) run = StartRun(epochs, settings, byValidation || byPass, byValidation);
    HeldOutSelection selection(model, layout, tables, run);
    Statistics scratch(byValidation ? layout : StatisticsLayout{});
    std::vector<double> logs;
    // The current model's score: from the pass that just ran, or of the validation samples.
    auto score = [&]() {
        if (byValidation) return MeanLogLikelihood(view, layout, *validation, settings.threads, scratch, logs, interrupt);
        return byPass ? totals.heldOutLogLikelihood / totals.heldOutSamples : std::numeric_limits<double>::quiet_NaN();
    };
    if (run.selecting && !resuming) selection.ScoreFirst(score());
    for (std::int32_t e = run.epochsDone; e < epochs; ++e) {
        EpochReport& report = reports[static_cast<std::size_t>(e)];
        report.radius = EpochRadius(e, epochs, settings.radiusStart, settings.radiusEnd);
        report.logLikelihood = totals.logLikelihood / totals.samples;
        report.changed = totals.changed / totals.samples;
        selection.Offer(stats, report.radius);
        UpdateMap(view, layout, stats, report.radius, settings.prior, settings.threads, tables, interrupt);
        if (ShouldStop(interrupt, 0)) return;
        if (e + 1 < epochs || byPass) {
            totals = PassTotals{};
            // After the last epoch the pass only scores the held-back samples.
            stats = counted(
                pass.Count(view, EpochAssignment(settings.assignment, std::min(e + 1, epochs - 1), epochs), totals));
            if (ShouldStop(interrupt, 0)) return;
        }
        report.heldOutLogLikelihood = score();
        if (ShouldStop(interrupt, 0)) return;
        run.epochsDone = e + 1;
        selection.ScoreOffered(e + 1, report.heldOutLogLikelihood);
        if (observer && observer->EpochDone(e + 1, epochs, report)) break;
    }
    selection.Finish(view, settings.prior, settings.threads, tables, interrupt);
    if (!run.lastOnEverySample || ShouldStop(interrupt, 0)) return;
    stats = counted(pass.CountEverySample(view, EpochAssignment(settings.assignment, epochs - 1, epochs)));
    if (ShouldStop(interrupt, 0)) return;
    selection.LastEpoch(view, stats, settings.prior, settings.threads, tables, interrupt);
}

}  // namespace tavrix
