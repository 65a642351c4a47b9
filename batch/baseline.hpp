// Baselines of batch training: one code per variable, the value the model
// finds most frequent. A sample is held as its non-baseline entries, so that
// work on sparse data (most variables at their most frequent value) scales
// with those entries rather than with the dimension.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../core/map_model.hpp"
#include "../core/value_index_table.hpp"

namespace tavrix {

// Per variable, the code a with the largest sum over units, in unit order, of
// Pi[k] x Marginal_k(i = a); ties to the lowest code. It depends on the model
// alone, so every part of a split data set gets the same baselines.
std::vector<std::int32_t> ModelBaselines(const MapModel& model, const ValueIndexTable& table);

// Whether samples are best counted by their non-baseline entries: s entries
// cost about s^2 / 2 pair counts against D^2 / 2 for the dense count. True
// when the model expects at most three quarters of a sample's variables off
// their baselines (the expectation under the Pi-weighted marginals). The
// counts are the same either way.
bool WorthCountingSparsely(const MapModel& model, const ValueIndexTable& table,
                           const std::vector<std::int32_t>& baselines);

// The entries of one complete sample that differ from their baselines, by
// variable, ascending.
struct NonBaselineEntries {
    std::vector<std::int32_t> variable, code;
    std::size_t size = 0;

    explicit NonBaselineEntries(std::int32_t dimension)
        : variable(static_cast<std::size_t>(dimension)), code(static_cast<std::size_t>(dimension)) {}

    void Find(const std::int32_t* codes, const std::vector<std::int32_t>& baselines) {
        std::size_t n = 0;
        const std::size_t d = baselines.size();
        for (std::size_t i = 0; i < d; ++i) {
            variable[n] = static_cast<std::int32_t>(i);
            code[n] = codes[i];
            n += codes[i] != baselines[i] ? 1 : 0;
        }
        size = n;
    }
};

}  // namespace tavrix
