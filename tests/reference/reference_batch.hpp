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

// Soft assignment: each sample's posterior over the units (scores log Pi_k +
// L_k) quantised to whole multiples of 2^-bits: units below e^-cutoff of the
// best one get nothing, the others the floor of their share, and the quanta
// left go one each to the largest remainders (ties to the lower unit), the
// rest to the best unit; with no finite score, all to unit 0.
std::vector<std::int32_t> QuantisePosterior(const std::vector<double>& scores, int bits, double cutoff);

// A soft pass: missing entries (codes -1, at most 16 completions a sample)
// summed out by enumerating their completions; each unit of non-zero weight
// counts the sample completed by a draw from that unit's posterior of each
// missing variable, the code at a fraction of the cumulative mass fixed by the
// sample's codes; counts are plain sums of the weights.
BatchCounts CountSoftBatch(const RawModel& model, const double* samples, std::int32_t n, int bits, double cutoff);

// The updated copy of `model` from `counts` at `radius` with `prior` pseudo-counts.
RawModel UpdateBatch(const RawModel& model, const BatchCounts& counts, double radius, double prior);

}  // namespace tavrix::reference
