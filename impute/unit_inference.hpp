// The probability of a sample's observed values under one unit, its missing
// variables summed out, and the unit's posterior of each missing variable.
#pragma once

#include <cstdint>

#include "../core/value_index_table.hpp"
#include "missing_graph.hpp"
#include "unit_factors.hpp"

namespace tavrix {

// log P_k(observed) for a sample whose missing entries hold kMissingCode.
// With `wantMarginals` and a result above -Inf, w.marginal holds at slot i
// the unit's posterior of every missing variable i.
double UnitLogEvidence(const UnitFactors& unit, const ValueIndexTable& table, const std::int32_t* codes,
                       bool wantMarginals, InferenceScratch& w);

}  // namespace tavrix
