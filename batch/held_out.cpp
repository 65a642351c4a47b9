#include "held_out.hpp"

#include <limits>

namespace tavrix {

double CountedSamples(double share, std::int64_t samples) {
    const HeldOutRule rule = MakeHeldOutRule(share, 0);
    std::int64_t counted = samples;
    for (std::int64_t j = 0; j < samples && rule.Any(); ++j) counted -= rule.HeldBack(j) ? 1 : 0;
    return static_cast<double>(counted);
}

double UsableShare(double share, std::int64_t samples) {
    const double counted = CountedSamples(share, samples);
    return counted > 0.0 && counted < static_cast<double>(samples) ? share : 0.0;
}

HeldOutSplit SplitHeldOut(const CodeMatrix& data, const HeldOutRule& rule) {
    HeldOutSplit split;
    split.counted.dimension = split.held.dimension = data.dimension;
    const auto d = static_cast<std::size_t>(data.dimension);
    for (std::int32_t j = 0; j < data.numSamples; ++j)
        if (rule.HeldBack(j)) split.heldColumns.push_back(j);
    split.held.numSamples = static_cast<std::int32_t>(split.heldColumns.size());
    split.counted.numSamples = data.numSamples - split.held.numSamples;
    split.held.codes.reserve(static_cast<std::size_t>(split.held.numSamples) * d);
    split.counted.codes.reserve(static_cast<std::size_t>(split.counted.numSamples) * d);
    std::size_t next = 0;
    for (std::int32_t j = 0; j < data.numSamples; ++j) {
        const bool held = next < split.heldColumns.size() && split.heldColumns[next] == j;
        next += held ? 1 : 0;
        std::vector<std::int32_t>& to = held ? split.held.codes : split.counted.codes;
        to.insert(to.end(), data.Column(j), data.Column(j) + d);
    }
    return split;
}

double MeanLogLikelihood(const MapModel& view, const StatisticsLayout& layout, const CodeMatrix& samples,
                         int threads, Statistics& scratch, std::vector<double>& logs, Interrupt* interrupt) {
    const auto n = static_cast<std::size_t>(samples.numSamples);
    if (n == 0) return std::numeric_limits<double>::quiet_NaN();
    std::vector<std::int32_t> best(n);
    logs.resize(n);
    StoreStatistics(view, layout, samples, threads, scratch.View(),
                    AssignmentResults{Span<std::int32_t>(best.data(), n), Span<double>(logs.data(), n)}, interrupt);
    double sum = 0.0;
    for (std::size_t j = 0; j < n; ++j) sum += logs[j];
    return sum / static_cast<double>(n);
}

void CountUnlessHeldOut(const MapModel& model, const StatisticsLayout& layout, const CodeMatrix& data,
                        const HeldOutRule& rule, int threads, const StatisticsView& stats,
                        const AssignmentResults& out, Interrupt* interrupt) {
    if (!rule.Any()) {
        CountStatistics(model, layout, data, threads, stats, out, interrupt);
        return;
    }
    const HeldOutSplit split = SplitHeldOut(data, rule);
    const auto counted = static_cast<std::size_t>(split.counted.numSamples);
    const auto held = split.heldColumns.size();
    std::vector<std::int32_t> best(counted + held);
    std::vector<double> logs(counted + held);
    CountStatistics(model, layout, split.counted, threads, stats,
                    AssignmentResults{Span<std::int32_t>(best.data(), counted), Span<double>(logs.data(), counted)},
                    interrupt);
    Statistics scratch(layout);
    StoreStatistics(model, layout, split.held, threads, scratch.View(),
                    AssignmentResults{Span<std::int32_t>(best.data() + counted, held),
                                      Span<double>(logs.data() + counted, held)},
                    interrupt);
    // Back into column order: the held-back columns from their list, the others in turn.
    std::size_t c = 0, h = 0;
    for (std::int32_t j = 0; j < data.numSamples; ++j) {
        const bool isHeld = h < held && split.heldColumns[h] == j;
        const std::size_t from = isHeld ? counted + h++ : c++;
        out.best[static_cast<std::size_t>(j)] = best[from];
        out.logLikelihood[static_cast<std::size_t>(j)] = logs[from];
    }
}

}  // namespace tavrix
