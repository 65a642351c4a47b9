// The best unit of every sample: the unit with the largest log(Pi) + the
// log-likelihood of the sample's observed values, its missing variables
// summed out.
#pragma once

#include <cstdint>

#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "../core/span.hpp"
#include "../impute/observed_evidence.hpp"

namespace tavrix {

// Missing entries of `samples` hold kMissingCode; a sample without any is
// scored by its plain log-likelihood. `plan` is PlanObservedEvidence's for
// `samples`.
// best[j] = 1-based number of sample j's best unit, or 0 when no unit has a
// finite log-likelihood and a score above the lowest finite double. When
// `scores` is not empty it receives log(Pi[k]) + log-likelihood for every unit
// k and sample j at k + j x NumUnits, whatever its value. Stops early, its
// results incomplete, once `interrupt` (when not null) says so.
void BestUnits(const ImputePlan& plan, const CodeMatrix& samples, int threads, Span<double> best, Span<double> scores,
               Interrupt* interrupt = nullptr);

// The same, planned from `model`.
void BestUnits(const MapModel& model, const CodeMatrix& samples, int threads, Span<double> best,
               Span<double> scores, Interrupt* interrupt = nullptr);

}  // namespace tavrix
