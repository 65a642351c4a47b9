#include "unit_factors.hpp"

#include <numeric>

namespace tavrix {
namespace {

std::int32_t Root(std::vector<std::int32_t>& parent, std::int32_t v) {
    while (parent[static_cast<std::size_t>(v)] != v) {
        parent[static_cast<std::size_t>(v)] = parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(v)])];
        v = parent[static_cast<std::size_t>(v)];
    }
    return v;
}

}  // namespace

UnitFactors BuildUnitFactors(const CompiledUnit& unit, const ValueIndexTable& table) {
    const std::int32_t d = table.dimension;
    const auto slots = static_cast<std::size_t>(table.maxRange);
    UnitFactors f;
    f.node.assign(static_cast<std::size_t>(d) * slots, 0.0);
    for (const LogTerm& t : unit.terms) {
        const double* values = unit.values.data() + t.offset;
        const std::int32_t rangeA = table.rangeCounts[static_cast<std::size_t>(t.varA)];
        if (t.varA == t.varB) {
            double* node = f.node.data() + static_cast<std::size_t>(t.varA) * slots;
            for (std::int32_t v = 0; v < rangeA; ++v) node[v] = LogFactor(node[v] + LogFactor(values[v]));
            continue;
        }
        // A pair set in both directions gives two adjacent terms: one edge, their sum.
        const std::size_t size =
            static_cast<std::size_t>(rangeA) * static_cast<std::size_t>(table.rangeCounts[static_cast<std::size_t>(t.varB)]);
        const bool repeat = !f.edges.empty() && f.edges.back().a == t.varA && f.edges.back().b == t.varB;
        if (!repeat) {
            f.edges.push_back({t.varA, t.varB, f.edgeValues.size()});
            f.edgeValues.resize(f.edgeValues.size() + size, 0.0);
        }
        double* edge = f.edgeValues.data() + f.edges.back().offset;
        for (std::size_t e = 0; e < size; ++e) edge[e] = LogFactor(edge[e] + LogFactor(values[e]));
    }
    std::vector<std::int32_t> parent(static_cast<std::size_t>(d));
    std::iota(parent.begin(), parent.end(), 0);
    for (const FactorEdge& e : f.edges) {
        const std::int32_t ra = Root(parent, e.a), rb = Root(parent, e.b);
        if (ra == rb) f.forest = false;
        parent[static_cast<std::size_t>(ra)] = rb;
    }
    return f;
}

}  // namespace tavrix
