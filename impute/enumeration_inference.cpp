#include "enumeration_inference.hpp"

#include <algorithm>
#include <cmath>

namespace tavrix {

double EnumeratedLogMass(const UnitFactors& unit, const ValueIndexTable& table, std::int32_t size,
                         bool wantMarginals, InferenceScratch& w) {
    const auto slots = static_cast<std::size_t>(w.maxRange);
    auto range = [&table](std::int32_t i) { return table.rangeCounts[static_cast<std::size_t>(i)]; };
    auto code = [&w](std::int32_t i) -> std::int32_t& { return w.code[static_cast<std::size_t>(i)]; };
    // Slot of variable i, value x, in the per-variable arrays.
    auto at = [slots](std::int32_t i, std::int32_t x) { return static_cast<std::size_t>(i) * slots + static_cast<std::size_t>(x); };
    std::int32_t* vars = w.order.data();
    std::sort(vars, vars + size);  // the lowest variable varies fastest
    std::int32_t edges = 0;
    for (std::int32_t p = 0; p < size; ++p) {
        const std::int32_t u = vars[p];
        if (range(u) <= 0) return kLogZero;
        code(u) = 0;
        for (std::int32_t x = 0; x < w.maxRange; ++x) w.marginal[at(u, x)] = 0.0;
        for (std::int32_t r = w.adjacencyStart[static_cast<std::size_t>(u)];
             r < w.adjacencyStart[static_cast<std::size_t>(u) + 1]; ++r) {
            const std::int32_t e = w.neighbourEdge[static_cast<std::size_t>(r)];
            if (unit.edges[static_cast<std::size_t>(e)].a == u) w.componentEdges[static_cast<std::size_t>(edges++)] = e;  // once per edge
        }
    }

    double top = kLogZero, sum = 0.0;
    for (;;) {
        double logWeight = 0.0;
        for (std::int32_t p = 0; p < size; ++p) logWeight += w.belief[at(vars[p], code(vars[p]))];
        for (std::int32_t q = 0; q < edges; ++q) {
            const FactorEdge& e = unit.edges[static_cast<std::size_t>(w.componentEdges[static_cast<std::size_t>(q)])];
            logWeight += unit.edgeValues[e.offset + static_cast<std::size_t>(code(e.a)) +
                                         static_cast<std::size_t>(code(e.b)) * static_cast<std::size_t>(range(e.a))];
        }
        if (logWeight != kLogZero) {
            // A new largest term rescales what has been summed so far.
            if (logWeight > top) {
                const double scale = std::exp(top - logWeight);
                sum *= scale;
                if (wantMarginals)
                    for (std::int32_t p = 0; p < size; ++p)
                        for (std::int32_t x = 0; x < w.maxRange; ++x) w.marginal[at(vars[p], x)] *= scale;
                top = logWeight;
            }
            const double weight = std::exp(logWeight - top);
            sum += weight;
            if (wantMarginals)
                for (std::int32_t p = 0; p < size; ++p) w.marginal[at(vars[p], code(vars[p]))] += weight;
        }
        // The next completion, as a mixed-radix counter.
        std::int32_t p = 0;
        for (; p < size; ++p) {
            std::int32_t& c = code(vars[p]);
            if (++c < range(vars[p])) break;
            c = 0;
        }
        if (p == size) break;
    }
    if (sum == 0.0) return kLogZero;
    if (wantMarginals)
        for (std::int32_t p = 0; p < size; ++p)
            for (std::int32_t x = 0; x < w.maxRange; ++x) w.marginal[at(vars[p], x)] /= sum;
    return top + std::log(sum);
}

}  // namespace tavrix
