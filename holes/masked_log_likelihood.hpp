// The log-probability of a sample's hidden values under one unit: the unit's
// log-likelihood sum with only the terms whose factor belongs to the hidden
// variables (both ends hidden for an undirected edge, the child hidden for a
// directed factor, the variable hidden for a marginal).
#pragma once

#include <cstdint>

#include "../core/compiled_unit.hpp"

namespace tavrix {

// Terms in the unit's summation order, from 0.0; `codes` are the sample's true
// codes at every position, `hidden` one flag per variable.
double MaskedLogLikelihood(const CompiledUnit& unit, const std::int32_t* codes, const std::uint8_t* hidden);

}  // namespace tavrix
