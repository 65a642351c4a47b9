#include "best_units.hpp"

#include <cmath>
#include <vector>

#include "../core/compiled_unit.hpp"
#include "../core/numeric.hpp"
#include "../core/parallel.hpp"
#include "../core/value_index_table.hpp"

namespace tavrix {
namespace {

// Scores samples [first, first + kSampleBlock) against every unit in unit
// order; a block past the last sample repeats the last sample and drops it.
void ScoreBlock(const std::vector<CompiledUnit>& units, const std::vector<double>& logPi, const CodeMatrix& samples,
                std::int64_t first, std::int64_t end, Span<double> best, Span<double> scores) {
    const std::size_t numUnits = units.size();
    const std::int32_t* codes[kSampleBlock];
    double bestScore[kSampleBlock];
    double bestUnit[kSampleBlock];
    for (int b = 0; b < kSampleBlock; ++b) {
        const std::int64_t j = first + b < end ? first + b : end - 1;
        codes[b] = samples.Column(static_cast<std::int32_t>(j));
        bestScore[b] = kLowestScore;
        bestUnit[b] = 0.0;
    }
    const int count = static_cast<int>(end - first < kSampleBlock ? end - first : kSampleBlock);
    for (std::size_t k = 0; k < numUnits; ++k) {
        double s[kSampleBlock];
        UnitLogLikelihoods(units[k], codes, s);
        for (int b = 0; b < count; ++b) {
            const double score = logPi[k] + s[b];
            if (IsFinite(s[b]) && score > bestScore[b]) {
                bestScore[b] = score;
                bestUnit[b] = static_cast<double>(k + 1);
            }
            if (!scores.empty()) scores[static_cast<std::size_t>(first + b) * numUnits + k] = score;
        }
    }
    for (int b = 0; b < count; ++b) best[static_cast<std::size_t>(first + b)] = bestUnit[b];
}

}  // namespace

void BestUnits(const MapModel& model, const CodeMatrix& samples, int threads, Span<double> best,
               Span<double> scores) {
    const ValueIndexTable table = BuildValueIndexTable(model);
    const std::vector<CompiledUnit> units = CompileUnits(model, table, threads);
    std::vector<double> logPi(units.size());
    for (std::size_t k = 0; k < units.size(); ++k) logPi[k] = std::log(model.pi[k]);

    const std::int64_t n = samples.numSamples;
    const std::int64_t blocks = (n + kSampleBlock - 1) / kSampleBlock;
    ParallelFor(blocks, threads, [&](std::int64_t begin, std::int64_t end, int) {
        for (std::int64_t block = begin; block < end; ++block) {
            const std::int64_t first = block * kSampleBlock;
            ScoreBlock(units, logPi, samples, first, first + kSampleBlock < n ? first + kSampleBlock : n, best, scores);
        }
    });
}

}  // namespace tavrix
