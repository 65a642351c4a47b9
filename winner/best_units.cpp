#include "best_units.hpp"

#include <cmath>
#include <vector>

#include "../core/compiled_unit.hpp"
#include "../core/numeric.hpp"
#include "../core/parallel.hpp"
#include "../core/value_index_table.hpp"

namespace tavrix {

void BestUnits(const MapModel& model, const CodeMatrix& samples, int threads, Span<double> best,
               Span<double> scores) {
    const ValueIndexTable table = BuildValueIndexTable(model);
    const std::vector<CompiledUnit> units = CompileUnits(model, table, threads);
    const std::size_t numUnits = units.size();
    std::vector<double> logPi(numUnits);
    for (std::size_t k = 0; k < numUnits; ++k) logPi[k] = std::log(model.pi[k]);

    ParallelFor(samples.numSamples, threads, [&](std::int64_t begin, std::int64_t end, int) {
        for (std::int64_t j = begin; j < end; ++j) {
            const std::int32_t* codes = samples.Column(static_cast<std::int32_t>(j));
            double* column = scores.empty() ? nullptr : scores.data() + static_cast<std::size_t>(j) * numUnits;
            double bestScore = kLowestScore;
            double bestUnit = 0.0;
            for (std::size_t k = 0; k < numUnits; ++k) {
                const double s = UnitLogLikelihood(units[k], codes);
                const double score = logPi[k] + s;
                if (IsFinite(s) && score > bestScore) {
                    bestScore = score;
                    bestUnit = static_cast<double>(k + 1);
                }
                if (column) column[k] = score;
            }
            best[static_cast<std::size_t>(j)] = bestUnit;
        }
    });
}

}  // namespace tavrix
