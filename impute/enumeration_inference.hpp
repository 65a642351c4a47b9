// Exact sums over a component of the missing graph that holds a cycle, by
// visiting every completion of its variables. The caller keeps the number of
// completions below 2^31 (the gateway refuses larger ones).
#pragma once

#include <cstdint>

#include "../core/value_index_table.hpp"
#include "missing_graph.hpp"
#include "unit_factors.hpp"

namespace tavrix {

// As TreeLogMass, for any component just collected into w.order.
double EnumeratedLogMass(const UnitFactors& unit, const ValueIndexTable& table, std::int32_t size,
                         bool wantMarginals, InferenceScratch& w);

}  // namespace tavrix
