#include "best_units.hpp"

#include "../core/compiled_map.hpp"

namespace tavrix {

void BestUnits(const MapModel& model, const CodeMatrix& samples, int threads, Span<double> best,
               Span<double> scores, Interrupt* interrupt) {
    const CompiledMap map(model, threads, interrupt);
    const std::size_t numUnits = map.NumUnits();
    ForEachSampleBlock(map, samples, threads, [&](std::int64_t first, int count, const double* logs) {
        for (int b = 0; b < count; ++b) {
            const auto j = static_cast<std::size_t>(first + b);
            double* unitScores = scores.empty() ? nullptr : scores.data() + j * numUnits;
            best[j] = static_cast<double>(BestUnit(map, logs + static_cast<std::size_t>(b) * numUnits, unitScores) + 1);
        }
    }, interrupt);
}

}  // namespace tavrix
