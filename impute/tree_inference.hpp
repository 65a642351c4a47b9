// Exact sums over a tree-shaped component of the missing graph by message
// passing in the log domain: one pass from the leaves to the root gives the
// component's mass, one pass back gives every variable's marginal.
#pragma once

#include <cstdint>

#include "../core/value_index_table.hpp"
#include "missing_graph.hpp"
#include "unit_factors.hpp"

namespace tavrix {

// The component just collected into w.order (`size` variables, no cycle):
// returns log of the sum over its completions of the product of its beliefs
// and edge tables. With `wantMarginals` and a positive mass, w.marginal holds
// each variable's normalised marginal. O(size x MaxRange^2).
double TreeLogMass(const UnitFactors& unit, const ValueIndexTable& table, std::int32_t size, bool wantMarginals,
                   InferenceScratch& w);

}  // namespace tavrix
