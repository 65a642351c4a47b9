#include "mixture_log_likelihood.hpp"

#include <vector>

#include "../core/compiled_unit.hpp"
#include "../core/parallel.hpp"
#include "../core/value_index_table.hpp"
#include "../core/log_mixture.hpp"
#include "../core/pair_codes.hpp"

namespace tavrix {

void MixtureLogLikelihood(const MapModel& model, const CodeMatrix& samples, int threads, Span<double> out) {
    const ValueIndexTable table = BuildValueIndexTable(model);
    const std::vector<CompiledUnit> units = CompileUnits(model, table, threads);
    const PairSlots slots = BuildPairSlots(units);
    const std::size_t numUnits = units.size();
    const std::size_t numSlots = slots.Count();
    const std::int64_t n = samples.numSamples;
    const std::int64_t blocks = (n + kSampleBlock - 1) / kSampleBlock;
    ParallelFor(blocks, threads, [&](std::int64_t begin, std::int64_t end, int) {
        // Unit log-likelihoods of one block of samples, sample b at b x NumUnits,
        // and the pair codes of sample b at b x slots.
        std::vector<double> logs(numUnits * kSampleBlock);
        std::vector<std::size_t> pairCodes(numSlots * kSampleBlock);
        const std::size_t* lanes[kSampleBlock];
        for (int b = 0; b < kSampleBlock; ++b) lanes[b] = pairCodes.data() + static_cast<std::size_t>(b) * numSlots;
        for (std::int64_t block = begin; block < end; ++block) {
            const std::int64_t first = block * kSampleBlock;
            const int count = static_cast<int>(n - first < kSampleBlock ? n - first : kSampleBlock);
            // A block past the last sample repeats the last sample and drops it.
            for (int b = 0; b < kSampleBlock; ++b) {
                const auto j = static_cast<std::int32_t>(first + (b < count ? b : count - 1));
                FillPairCodes(slots, samples.Column(j), pairCodes.data() + static_cast<std::size_t>(b) * numSlots);
            }
            for (std::size_t k = 0; k < numUnits; ++k) {
                double s[kSampleBlock];
                SlotLogLikelihoods(slots.units[k], lanes, s);
                for (int b = 0; b < kSampleBlock; ++b) logs[static_cast<std::size_t>(b) * numUnits + k] = s[b];
            }
            for (int b = 0; b < count; ++b)
                out[static_cast<std::size_t>(first + b)] =
                    LogMixture(logs.data() + static_cast<std::size_t>(b) * numUnits, model.pi.data(), numUnits);
        }
    });
}

}  // namespace tavrix
