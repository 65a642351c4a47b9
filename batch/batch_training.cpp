#include "batch_training.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "assignment.hpp"
#include "baseline.hpp"
#include "held_out.hpp"
#include "statistics.hpp"
#include "update.hpp"
#include "../core/value_index_table.hpp"

namespace tavrix {

double EpochRadius(std::int32_t epoch, std::int32_t epochs, double radiusStart, double radiusEnd) {
    if (epochs <= 1) return radiusStart;
    return radiusStart * std::pow(radiusEnd / radiusStart, static_cast<double>(epoch) / (epochs - 1.0));
}

MapModel ViewOfTables(const MapModel& model, const TrainedTables& tables) {
    MapModel view = model;
    const std::size_t units = view.units.size();
    for (std::size_t k = 0; k < units; ++k)
        view.units[k] = tables.compact ? UnitTables{tables.marginal[k], (*tables.compact)[k].intersect.View(),
                                                    (*tables.compact)[k].graph.View()}
                                       : UnitTables{tables.marginal[k], tables.intersect[k], tables.graph[k]};
    view.pi = Span<const double>(tables.pi, units);
    return view;
}

BatchRunState StartRun(std::int32_t epochs, const BatchSettings& settings, bool selecting, bool validation) {
    BatchRunState state;
    state.epochs = epochs;
    state.radiusStart = settings.radiusStart;
    state.radiusEnd = settings.radiusEnd;
    state.selecting = selecting;
    state.firstCompetes = selecting && validation;
    state.lastOnEverySample = selecting && !validation;
    return state;
}

namespace {

// The statistics of `data` and `more` together.
void CountBoth(const MapModel& view, const StatisticsLayout& layout, const CodeMatrix& data, const CodeMatrix& more,
               int threads, AssignmentMode mode, Statistics& stats, Interrupt* interrupt) {
    const auto n = static_cast<std::size_t>(std::max(data.numSamples, more.numSamples));
    std::vector<std::int32_t> best(n);
    std::vector<double> logs(n);
    for (const CodeMatrix* part : {&data, &more}) {
        const auto size = static_cast<std::size_t>(part->numSamples);
        const AssignmentResults out{Span<std::int32_t>(best.data(), size), Span<double>(logs.data(), size)};
        if (part == &data) StoreStatistics(view, layout, *part, threads, stats.View(), out, interrupt, mode);
        else CountStatistics(view, layout, *part, threads, stats.View(), out, interrupt, mode);
    }
}

}  // namespace

void TrainBatch(const MapModel& model, const TrainedTables& tables, const CodeMatrix& data, std::int32_t epochs,
                const BatchSettings& settings, Span<EpochReport> reports, EpochObserver* observer,
                Interrupt* interrupt, const CodeMatrix* scored, bool validation, BatchRunState* state) {
    // Compact tables are rewritten whole, so their view is taken again after every update.
    MapModel view = ViewOfTables(model, tables);
    auto refresh = [&]() {
        if (tables.compact) view = ViewOfTables(model, tables);
    };
    const ValueIndexTable table = BuildValueIndexTable(model);
    const StatisticsLayout layout = MakeStatisticsLayout(table, model.NumUnits());
    const bool compact = tables.compact != nullptr;
    const auto n = static_cast<std::size_t>(data.numSamples);
    BatchRunState local;
    BatchRunState& run = state ? *state : local;
    const bool resuming = run.epochsDone > 0;
    if (!resuming) run = StartRun(epochs, settings, scored && scored->numSamples > 0 && epochs > 0, validation);
    HeldOutSelection selection(model, layout, tables, run);
    Statistics stats(layout, compact), scratch(run.selecting ? layout : StatisticsLayout{}, compact);
    std::vector<double> scoredLogs;
    auto score = [&]() {
        return run.selecting ? MeanLogLikelihood(view, layout, *scored, settings.threads, scratch, scoredLogs, interrupt)
                             : std::numeric_limits<double>::quiet_NaN();
    };
    if (run.selecting && !resuming) selection.ScoreFirst(score());
    std::vector<std::int32_t> best(n, 0), previous(n, -1);
    std::vector<double> logLikelihood(n, 0.0);
    // Only a constant radius repeats, and only then can an epoch keep a unit.
    MapUpdater updater(view, layout, settings.prior, settings.threads,
                       settings.radiusStart == settings.radiusEnd && !compact);
    for (std::int32_t e = run.epochsDone; e < epochs; ++e) {
        StoreStatistics(view, layout, data, settings.threads, stats.View(),
                        AssignmentResults{Span<std::int32_t>(best.data(), n), Span<double>(logLikelihood.data(), n)},
                        interrupt, EpochAssignment(settings.assignment, e, epochs));
        if (ShouldStop(interrupt, 0)) return;
        stats.baselines = ModelBaselines(view, table);
        EpochReport& report = reports[static_cast<std::size_t>(e)];
        report.radius = EpochRadius(e, epochs, settings.radiusStart, settings.radiusEnd);
        double sum = 0.0;
        std::size_t changed = 0;
        for (std::size_t j = 0; j < n; ++j) {
            sum += logLikelihood[j];
            changed += best[j] != previous[j] ? 1 : 0;
        }
        report.logLikelihood = sum / static_cast<double>(n);
        report.changed = static_cast<double>(changed) / static_cast<double>(n);
        best.swap(previous);
        selection.Offer(stats.ConstView(), report.radius);
        updater.Update(stats, report.radius,
                       e + 1 == epochs || settings.wholeTables ? IntersectCells::kAll : IntersectCells::kTreeEdges, tables,
                       interrupt);
        if (ShouldStop(interrupt, 0)) return;
        if (compact) selection.TakeLists(stats.lists);  // the next pass counts over what it leaves
        refresh();
        report.heldOutLogLikelihood = score();
        if (ShouldStop(interrupt, 0)) return;
        run.epochsDone = e + 1;
        selection.ScoreOffered(e + 1, report.heldOutLogLikelihood);
        if (observer && observer->EpochDone(e + 1, epochs, report)) break;
    }
    selection.Finish(view, settings.prior, settings.threads, tables, interrupt);
    refresh();
    if (!run.lastOnEverySample || ShouldStop(interrupt, 0)) return;
    // The last epoch on every sample counts as the run's last epoch did.
    CountBoth(view, layout, data, *scored, settings.threads, EpochAssignment(settings.assignment, epochs - 1, epochs),
              stats, interrupt);
    if (ShouldStop(interrupt, 0)) return;
    stats.baselines = ModelBaselines(view, table);
    selection.LastEpoch(view, stats.ConstView(), settings.prior, settings.threads, tables, interrupt);
}

}  // namespace tavrix
