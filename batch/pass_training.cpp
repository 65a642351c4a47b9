#include "pass_training.hpp"

#include "update.hpp"
#include "../core/value_index_table.hpp"

namespace tavrix {

void TrainBatchWithPass(const MapModel& model, const TrainedTables& tables, StatisticsPass& pass, std::int32_t epochs,
                        const BatchSettings& settings, Span<EpochReport> reports, EpochObserver* observer,
                        Interrupt* interrupt) {
    const MapModel view = ViewOfTables(model, tables);
    const StatisticsLayout layout = MakeStatisticsLayout(BuildValueIndexTable(model), model.NumUnits());
    for (std::int32_t e = 0; e < epochs; ++e) {
        PassTotals totals;
        const ConstStatisticsView stats = pass.Count(view, EpochAssignment(settings.assignment, e, epochs), totals);
        if (ShouldStop(interrupt, 0)) return;
        EpochReport& report = reports[static_cast<std::size_t>(e)];
        report.radius = EpochRadius(e, epochs, settings.radiusStart, settings.radiusEnd);
        report.logLikelihood = totals.logLikelihood / totals.samples;
        report.changed = totals.changed / totals.samples;
        UpdateMap(view, layout, stats, report.radius, settings.prior, settings.threads, tables, interrupt);
        if (ShouldStop(interrupt, 0)) return;
        if (observer) observer->EpochDone(e + 1, epochs, report);
    }
}

}  // namespace tavrix
