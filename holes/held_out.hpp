// TavrixHoles' work: how well the map predicts each sample's hidden values.
#pragma once

#include <cstdint>

#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "../core/span.hpp"

namespace tavrix {

// out[j] = log of the sum over units k, in unit order, of exp(t_kj) x post_kj
// over the k with finite t_kj, where t_kj is the masked log-likelihood of
// sample j's true hidden values under unit k and post_kj = Pi[k] x ev_kj / S_j
// its posterior given the observed values (ev_kj the evidence over every
// completion of the hidden values, S_j = sum of Pi x ev). Sums that would
// underflow are rescaled. `hidden` holds Dimension x N flags (1 = hidden);
// every code of `data`, hidden ones included, is valid, and no sample hides
// kCompletionLimit completions or more. Samples are spread over `threads`
// threads; results do not depend on the thread count. Stops early, its
// results incomplete, once `interrupt` (when not null) says so.
void HeldOutLogProbabilities(const MapModel& model, const CodeMatrix& data, Span<const std::uint8_t> hidden,
                             int threads, Span<double> out, Interrupt* interrupt = nullptr);

}  // namespace tavrix
