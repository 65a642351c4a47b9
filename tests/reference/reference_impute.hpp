// Imputation by brute force: every completion of a sample's missing values
// under every unit, summed in long double. The exact answer the message
// passing must reproduce to rounding.
#pragma once

#include <cstdint>
#include <vector>

#include "reference_core.hpp"

namespace tavrix::reference {

struct ImputeResult {
    std::vector<double> filled;  // Dimension x N
    std::vector<double> post;    // NumValues x N
    std::vector<double> logp;    // N
};

// `hidden` flags the missing entries (Dimension x N); their data is not read.
ImputeResult Impute(const RawModel& model, const std::vector<double>& data, const std::vector<std::uint8_t>& hidden,
                    std::int32_t n);

}  // namespace tavrix::reference
