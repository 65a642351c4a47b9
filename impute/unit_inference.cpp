#include "unit_inference.hpp"

#include "enumeration_inference.hpp"
#include "tree_inference.hpp"

namespace tavrix {

double UnitLogEvidence(const UnitFactors& unit, const ValueIndexTable& table, const std::int32_t* codes,
                       bool wantMarginals, InferenceScratch& w) {
    const std::int32_t d = w.dimension;
    const auto slots = static_cast<std::size_t>(w.maxRange);
    auto range = [&table](std::int32_t i) { return table.rangeCounts[static_cast<std::size_t>(i)]; };
    // Factors on observed variables only are constants; those with one
    // observed end condition the other end.
    double constant = 0.0;
    for (std::int32_t i = 0; i < d; ++i) {
        const double* node = unit.node.data() + static_cast<std::size_t>(i) * slots;
        if (codes[i] != kMissingCode) {
            constant += node[codes[i]];
        } else {
            double* belief = w.belief.data() + static_cast<std::size_t>(i) * slots;
            for (std::int32_t x = 0; x < range(i); ++x) belief[x] = node[x];
        }
    }
    for (const FactorEdge& e : unit.edges) {
        const std::int32_t ca = codes[e.a], cb = codes[e.b];
        const double* values = unit.edgeValues.data() + e.offset;
        const auto rangeA = static_cast<std::size_t>(range(e.a));
        if (ca != kMissingCode && cb != kMissingCode) {
            constant += values[static_cast<std::size_t>(ca) + static_cast<std::size_t>(cb) * rangeA];
        } else if (ca != kMissingCode) {
            double* belief = w.belief.data() + static_cast<std::size_t>(e.b) * slots;
            for (std::int32_t y = 0; y < range(e.b); ++y)
                belief[y] += values[static_cast<std::size_t>(ca) + static_cast<std::size_t>(y) * rangeA];
        } else if (cb != kMissingCode) {
            double* belief = w.belief.data() + static_cast<std::size_t>(e.a) * slots;
            for (std::int32_t x = 0; x < range(e.a); ++x)
                belief[x] += values[static_cast<std::size_t>(x) + static_cast<std::size_t>(cb) * rangeA];
        }
    }
    if (constant == kLogZero) return kLogZero;

    BuildMissingGraph(unit, codes, w);
    for (std::int32_t i = 0; i < d; ++i) w.visited[static_cast<std::size_t>(i)] = 0;
    double total = constant;
    for (std::int32_t i = 0; i < d && total != kLogZero; ++i) {
        if (codes[i] != kMissingCode || w.visited[static_cast<std::size_t>(i)]) continue;
        const bool cyclic = w.cyclic[static_cast<std::size_t>(w.componentOf[static_cast<std::size_t>(i)])] != 0;
        const std::int32_t size = CollectComponent(i, w);
        total += cyclic ? EnumeratedLogMass(unit, table, size, wantMarginals, w)
                        : TreeLogMass(unit, table, size, wantMarginals, w);
    }
    return total;
}

}  // namespace tavrix
