#include "mixture_log_likelihood.hpp"

#include "../core/log_mixture.hpp"

namespace tavrix {

void MixtureLogLikelihood(const MapModel& model, const ImputePlan& plan, const CodeMatrix& samples, int threads,
                          Span<double> out, Interrupt* interrupt) {
    const std::size_t numUnits = plan.map.NumUnits();
    ForEachObservedEvidence(plan, samples, threads, [&](std::int64_t j, const double* logs) {
        out[static_cast<std::size_t>(j)] = LogMixture(logs, model.pi.data(), numUnits);
    }, interrupt);
}

void MixtureLogLikelihood(const MapModel& model, const CodeMatrix& samples, int threads, Span<double> out,
                          Interrupt* interrupt) {
    MixtureLogLikelihood(model, PlanObservedEvidence(model, samples, threads), samples, threads, out, interrupt);
}

}  // namespace tavrix
