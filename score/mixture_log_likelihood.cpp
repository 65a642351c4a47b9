#include "mixture_log_likelihood.hpp"

#include "../core/compiled_map.hpp"
#include "../core/log_mixture.hpp"

namespace tavrix {

void MixtureLogLikelihood(const MapModel& model, const CodeMatrix& samples, int threads, Span<double> out,
                          Interrupt* interrupt) {
    const CompiledMap map(model, threads, interrupt);
    const std::size_t numUnits = map.NumUnits();
    ForEachSampleBlock(map, samples, threads, [&](std::int64_t first, int count, const double* logs) {
        for (int b = 0; b < count; ++b)
            out[static_cast<std::size_t>(first + b)] =
                LogMixture(logs + static_cast<std::size_t>(b) * numUnits, model.pi.data(), numUnits);
    }, interrupt);
}

}  // namespace tavrix
