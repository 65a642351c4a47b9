// Sums of probabilities held as logarithms, shifted by their largest term so
// that hundreds of factors neither underflow nor overflow.
#pragma once

#include <cmath>
#include <cstdint>

#include "unit_factors.hpp"

namespace tavrix {

// log(sum exp(x[v])) over v < n; -Inf when every term is -Inf or n = 0.
inline double LogSumExp(const double* x, std::int32_t n) {
    double top = kLogZero;
    for (std::int32_t v = 0; v < n; ++v)
        if (x[v] > top) top = x[v];
    if (top == kLogZero) return kLogZero;
    double s = 0.0;
    for (std::int32_t v = 0; v < n; ++v) s += std::exp(x[v] - top);
    return top + std::log(s);
}

// out[v] = exp(x[v]) / sum exp(x); x must hold at least one finite value.
inline void Normalise(const double* x, std::int32_t n, double* out) {
    double top = kLogZero;
    for (std::int32_t v = 0; v < n; ++v)
        if (x[v] > top) top = x[v];
    double s = 0.0;
    for (std::int32_t v = 0; v < n; ++v) s += (out[v] = std::exp(x[v] - top));
    for (std::int32_t v = 0; v < n; ++v) out[v] /= s;
}

}  // namespace tavrix
