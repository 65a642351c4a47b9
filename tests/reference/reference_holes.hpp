// Plain, literal transcriptions of the held-out evaluation: the evidence over
// every completion of the hidden values, the masked log-likelihood, and the
// gateway with its posterior computed in place.
#pragma once

#include <cstdint>
#include <vector>

#include "reference_core.hpp"

namespace tavrix::reference {

// Evidence of every unit for one data column; a variable is hidden where its
// mask entry == 0.0.
std::vector<double> HiddenEvidence(const RawModel& model, const double* data, const double* mask);

double MaskedLogLikelihood(const double* x, const double* mask, const double* marginal, const double* intersect,
                           const double* graph, const std::int32_t* valueIndexTable, std::int32_t dimension,
                           std::int32_t maxRange, std::int32_t numValues, std::int32_t rootNode);

// mean = -(sum of perSample) / n.
void HeldOut(const RawModel& model, const double* data, const double* mask, std::int32_t n, double& mean,
             std::vector<double>& perSample);

}  // namespace tavrix::reference
