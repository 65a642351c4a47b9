#include "mixture_log_likelihood.hpp"

#include <vector>

#include "../core/compiled_unit.hpp"
#include "../core/parallel.hpp"
#include "../core/value_index_table.hpp"
#include "log_mixture.hpp"

namespace tavrix {

void MixtureLogLikelihood(const MapModel& model, const CodeMatrix& samples, int threads, Span<double> out) {
    const ValueIndexTable table = BuildValueIndexTable(model);
    const std::vector<CompiledUnit> units = CompileUnits(model, table, threads);
    const std::size_t numUnits = units.size();
    const std::int64_t n = samples.numSamples;
    const std::int64_t blocks = (n + kSampleBlock - 1) / kSampleBlock;
    ParallelFor(blocks, threads, [&](std::int64_t begin, std::int64_t end, int) {
        // Unit log-likelihoods of one block of samples, sample b at b x NumUnits.
        std::vector<double> logs(numUnits * kSampleBlock);
        for (std::int64_t block = begin; block < end; ++block) {
            const std::int64_t first = block * kSampleBlock;
            const int count = static_cast<int>(n - first < kSampleBlock ? n - first : kSampleBlock);
            // A block past the last sample repeats the last sample and drops it.
            const std::int32_t* codes[kSampleBlock];
            for (int b = 0; b < kSampleBlock; ++b)
                codes[b] = samples.Column(static_cast<std::int32_t>(first + (b < count ? b : count - 1)));
            for (std::size_t k = 0; k < numUnits; ++k) {
                double s[kSampleBlock];
                UnitLogLikelihoods(units[k], codes, s);
                for (int b = 0; b < kSampleBlock; ++b) logs[static_cast<std::size_t>(b) * numUnits + k] = s[b];
            }
            for (int b = 0; b < count; ++b)
                out[static_cast<std::size_t>(first + b)] =
                    LogMixture(logs.data() + static_cast<std::size_t>(b) * numUnits, model.pi.data(), numUnits);
        }
    });
}

}  // namespace tavrix
