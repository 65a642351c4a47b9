// A unit's log-likelihood regrouped as factors on the nodes and edges of its
// skeleton, the undirected graph of the pairs i < j with G(i, j) or G(j, i) set.
//
// Every term of the compiled sum depends on one variable or on one pair, so
// the unit's probability is a product of one table per variable and one per
// skeleton edge. Terms that are NaN or +Inf count as probability 0 (-Inf),
// so every table holds finite values or -Inf, and sums of them stay so.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "../core/compiled_unit.hpp"
#include "../core/map_model.hpp"
#include "../core/value_index_table.hpp"

namespace tavrix {

// One skeleton edge between variables a < b; its log table lies at `offset`,
// entry (x_a, x_b) at offset + x_a + x_b x range(a).
struct FactorEdge {
    std::int32_t a;
    std::int32_t b;
    std::size_t offset;
};

struct UnitFactors {
    std::vector<double> node;  // Dimension x MaxRange slots, variable i at i x MaxRange; 0.0 where no term
    std::vector<FactorEdge> edges;  // in summation order: a ascending, then b
    std::vector<double> edgeValues;
    bool forest = true;  // the skeleton has no cycle
};

// A term value as a log-probability: NaN and +Inf become -Inf.
constexpr double kLogZero = -std::numeric_limits<double>::infinity();
inline double LogFactor(double x) { return x == x && x < std::numeric_limits<double>::infinity() ? x : kLogZero; }

UnitFactors BuildUnitFactors(const CompiledUnit& unit, const ValueIndexTable& table);

}  // namespace tavrix
