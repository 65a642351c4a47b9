// TavrixScore's work: each sample's log-likelihood under the map taken as a
// Pi-weighted mixture of its units.
#pragma once

#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "../core/span.hpp"
#include "../impute/observed_evidence.hpp"

namespace tavrix {

// out[j] = log(sum_k Pi[k] exp(L_kj)) over the units k whose log-likelihood
// L_kj of sample j's observed values is finite, summed in unit order
// (rescaled where the plain sum would underflow). Missing entries hold
// kMissingCode and are summed out; a sample without any is scored by its
// plain log-likelihood. `plan` is PlanObservedEvidence's for `samples`.
// Samples are spread over `threads` threads; every sample's result is the
// same for any thread count. Stops early, its results incomplete, once
// `interrupt` (when not null) says so.
void MixtureLogLikelihood(const MapModel& model, const ImputePlan& plan, const CodeMatrix& samples, int threads,
                          Span<double> out, Interrupt* interrupt = nullptr);

// The same, planned from `model`.
void MixtureLogLikelihood(const MapModel& model, const CodeMatrix& samples, int threads, Span<double> out,
                          Interrupt* interrupt = nullptr);

}  // namespace tavrix
