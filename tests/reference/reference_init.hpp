// Plain, literal transcription of TavrixInit's first model, over the raw
// codes: every count by a loop over the samples, every table by its formula.
#pragma once

#include <cstdint>
#include <vector>

#include "reference_core.hpp"

namespace tavrix::reference {

struct InitSettings {
    std::int32_t rows = 1, columns = 1;
    bool random = false;
    bool hexagonal = false;
    std::int32_t rootNode = 0;
    double spread = 0.5;
    std::uint64_t seed = 0;
};

// `codes`: Dimension x N, NaN where missing; `ranges` per variable. The model
// with every field TavrixInit writes (Samples filled in).
RawModel FirstModel(const std::vector<double>& codes, const std::vector<std::int32_t>& ranges, std::int32_t n,
                    const InitSettings& settings);

}  // namespace tavrix::reference
