// Plain, literal transcription of one batch epoch on complete samples:
// every unit's literal log-likelihood, taken from the all-baseline sample and
// the corrections of the sample's non-baseline variables, the best unit, whole counts, the
// counts smoothed over the grid, the tables, trees and priors rebuilt.
#pragma once

#include <cstdint>
#include <vector>

#include "reference_core.hpp"

namespace tavrix::reference {

// Counts in (variable, code) order; pair block (i < j) holds range(i) x
// range(j) counts, code of i fastest, blocks in the order (0,1), (0,2), ...
struct BatchCounts {
    std::vector<double> count;   // per unit
    std::vector<double> values;  // numValues x units
    std::vector<double> pairs;   // numPairs x units
    std::vector<std::int32_t> best;     // per sample, 0-based
    std::vector<double> logLikelihood;  // per sample: log sum_k exp(L_kj) Pi[k]
};

BatchCounts CountBatch(const RawModel& model, const double* samples, std::int32_t n);

// The updated copy of `model` from `counts` at `radius` with `prior` pseudo-counts.
RawModel UpdateBatch(const RawModel& model, const BatchCounts& counts, double radius, double prior);

}  // namespace tavrix::reference
