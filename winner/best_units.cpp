#include "best_units.hpp"

#include <cmath>
#include <vector>

#include "../core/compiled_unit.hpp"
#include "../core/numeric.hpp"
#include "../core/pair_codes.hpp"
#include "../core/parallel.hpp"
#include "../core/value_index_table.hpp"

namespace tavrix {

void BestUnits(const MapModel& model, const CodeMatrix& samples, int threads, Span<double> best,
               Span<double> scores) {
    const ValueIndexTable table = BuildValueIndexTable(model);
    const std::vector<CompiledUnit> units = CompileUnits(model, table, threads);
    const PairSlots slots = BuildPairSlots(units);
    const std::size_t numUnits = units.size();
    const std::size_t numSlots = slots.Count();
    std::vector<double> logPi(numUnits);
    for (std::size_t k = 0; k < numUnits; ++k) logPi[k] = std::log(model.pi[k]);

    const std::int64_t n = samples.numSamples;
    const std::int64_t blocks = (n + kSampleBlock - 1) / kSampleBlock;
    ParallelFor(blocks, threads, [&](std::int64_t begin, std::int64_t end, int) {
        std::vector<std::size_t> pairCodes(numSlots * kSampleBlock);
        const std::size_t* lanes[kSampleBlock];
        for (int b = 0; b < kSampleBlock; ++b) lanes[b] = pairCodes.data() + static_cast<std::size_t>(b) * numSlots;
        for (std::int64_t block = begin; block < end; ++block) {
            const std::int64_t first = block * kSampleBlock;
            const int count = static_cast<int>(n - first < kSampleBlock ? n - first : kSampleBlock);
            // A block past the last sample repeats the last sample and drops it.
            double bestScore[kSampleBlock];
            double bestUnit[kSampleBlock];
            for (int b = 0; b < kSampleBlock; ++b) {
                const auto j = static_cast<std::int32_t>(first + (b < count ? b : count - 1));
                FillPairCodes(slots, samples.Column(j), pairCodes.data() + static_cast<std::size_t>(b) * numSlots);
                bestScore[b] = kLowestScore;
                bestUnit[b] = 0.0;
            }
            // Units in order for every sample: ties keep the lowest unit number.
            for (std::size_t k = 0; k < numUnits; ++k) {
                double s[kSampleBlock];
                SlotLogLikelihoods(slots.units[k], lanes, s);
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
    });
}

}  // namespace tavrix
