// Sums of likelihoods held as logarithms: log(sum_k w_k exp(l_k)).
//
// The plain sum, in the probability domain and in term order, is kept
// wherever it keeps its precision. With many variables every exp(l_k) can
// underflow although the l_k are finite; then the sum is taken scaled by
// exp(-m), m the largest finite l_k of a non-zero weight, and m is added back
// after the logarithm.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "numeric.hpp"
#include "span.hpp"

namespace tavrix {

// log(sum of exp(l_k) x w_k over the k with finite l_k, added in order).
// The plain sum underflows when every term is finite, the largest in magnitude
// lies below the smallest normal double, and some finite l_k has a non-zero
// weight. Terms of zero weight add exactly nothing at any scale, so they do
// not choose m.
inline double LogMixture(const double* logs, const double* weights, std::size_t count) {
    double sum = 0.0;
    double largest = 0.0;
    double scale = 0.0;
    bool finiteTerms = true;
    bool scaleFound = false;
    for (std::size_t k = 0; k < count; ++k) {
        const double l = logs[k];
        if (!IsFinite(l)) continue;
        const double term = std::exp(l) * weights[k];
        sum += term;
        if (!IsFinite(term)) finiteTerms = false;
        else if (std::fabs(term) > largest) largest = std::fabs(term);
        if (weights[k] != 0.0 && (!scaleFound || l > scale)) {
            scale = l;
            scaleFound = true;
        }
    }
    if (!(finiteTerms && scaleFound && largest < kSmallestNormal)) return std::log(sum);
    double scaled = 0.0;
    for (std::size_t k = 0; k < count; ++k)
        if (IsFinite(logs[k]) && weights[k] != 0.0) scaled += std::exp(logs[k] - scale) * weights[k];
    return std::log(scaled) + scale;
}

// -(L_0 + L_1 + ...) / N, subtracted one by one in sample order (NaN for N = 0).
inline double MeanNegative(Span<const double> logs) {
    double sum = 0.0;
    for (const double l : logs) sum = sum - l;
    return sum / static_cast<double>(static_cast<std::int32_t>(logs.size()));
}

}  // namespace tavrix
