// Plain, literal transcription of the scoring gateway: the mixture summed in
// the probability domain in unit order, the average accumulated in sample order.
#pragma once

#include <cstdint>
#include <vector>

#include "reference_core.hpp"

namespace tavrix::reference {

// average = -(sum of perSample) / n, perSample[j] = log(sum_k exp(L_kj) Pi[k]),
// L_kj = ObservedLogLikelihood (NaN entries missing).
void MixtureScores(const RawModel& model, const double* samples, std::int32_t n, double& average,
                   std::vector<double>& perSample);

}  // namespace tavrix::reference
