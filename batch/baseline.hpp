// Baselines of batch training: one code per variable, the value the model
// finds most frequent. A sample is held as its non-baseline entries, so that
// work on sparse data (most variables at their most frequent value) scales
// with those entries rather than with the dimension.
#pragma once

#include <algorithm>
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

// The entries of one sample that differ from their baselines, by variable,
// ascending, and the same as bits: bit i % 64 of mask[i / 64].
struct NonBaselineEntries {
    std::vector<std::int32_t> variable, code;
    std::vector<std::uint64_t> mask;
    std::size_t size = 0;

    explicit NonBaselineEntries(std::int32_t dimension)
        : variable(static_cast<std::size_t>(dimension)),
          code(static_cast<std::size_t>(dimension)),
          mask((static_cast<std::size_t>(dimension) + 63) / 64) {}

    void Find(const std::int32_t* codes, const std::vector<std::int32_t>& baselines) {
        std::size_t n = 0, i = 0;
        const std::size_t d = baselines.size();
        const std::int32_t* b = baselines.data();
        // Runs of eight codes at their baselines are passed over at once (a
        // test compilers vectorise); most runs are such on sparse data.
        for (; i + 8 <= d; i += 8) {
            std::int32_t differ = 0;
            for (std::size_t t = 0; t < 8; ++t) differ |= codes[i + t] ^ b[i + t];
            if (differ == 0) continue;
            for (std::size_t t = i; t < i + 8; ++t) n = Note(codes, b, t, n);
        }
        for (; i < d; ++i) n = Note(codes, b, i, n);
        size = n;
        std::fill(mask.begin(), mask.end(), 0);
        for (std::size_t e = 0; e < n; ++e) {
            const auto v = static_cast<std::size_t>(variable[e]);
            mask[v / 64] |= std::uint64_t{1} << (v % 64);
        }
    }

private:
    std::size_t Note(const std::int32_t* codes, const std::int32_t* baselines, std::size_t i, std::size_t n) {
        variable[n] = static_cast<std::int32_t>(i);
        code[n] = codes[i];
        return n + (codes[i] != baselines[i] ? 1 : 0);
    }
};

}  // namespace tavrix
