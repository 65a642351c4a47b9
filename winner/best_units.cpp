#include "best_units.hpp"

#include "../core/compiled_map.hpp"

namespace tavrix {

void BestUnits(const ImputePlan& plan, const CodeMatrix& samples, int threads, Span<double> best, Span<double> scores,
               Interrupt* interrupt) {
    const std::size_t numUnits = plan.map.NumUnits();
    ForEachObservedEvidence(plan, samples, threads, [&](std::int64_t sample, const double* logs) {
        const auto j = static_cast<std::size_t>(sample);
        double* unitScores = scores.empty() ? nullptr : scores.data() + j * numUnits;
        best[j] = static_cast<double>(BestUnit(plan.map, logs, unitScores) + 1);
    }, interrupt);
}

void BestUnits(const MapModel& model, const CodeMatrix& samples, int threads, Span<double> best,
               Span<double> scores, Interrupt* interrupt) {
    BestUnits(PlanObservedEvidence(model, samples, threads), samples, threads, best, scores, interrupt);
}

}  // namespace tavrix
