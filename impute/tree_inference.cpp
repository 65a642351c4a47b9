#include "tree_inference.hpp"

#include "log_sum.hpp"

namespace tavrix {
namespace {

// The edge table read with variable `u` at value x and its neighbour at value y.
inline double EdgeValue(const UnitFactors& unit, const FactorEdge& e, std::int32_t rangeA, std::int32_t u,
                        std::int32_t x, std::int32_t y) {
    const std::size_t xa = static_cast<std::size_t>(e.a == u ? x : y);
    const std::size_t xb = static_cast<std::size_t>(e.a == u ? y : x);
    return unit.edgeValues[e.offset + xa + xb * static_cast<std::size_t>(rangeA)];
}

// to[y] = log sum_x exp(from[x] + edge(u = x, v = y)), for every value y of v.
void SendMessage(const UnitFactors& unit, const ValueIndexTable& table, const FactorEdge& e, std::int32_t u,
                 std::int32_t v, const double* from, double* to, double* terms) {
    const std::int32_t rangeU = table.rangeCounts[static_cast<std::size_t>(u)];
    const std::int32_t rangeV = table.rangeCounts[static_cast<std::size_t>(v)];
    const std::int32_t rangeA = table.rangeCounts[static_cast<std::size_t>(e.a)];
    for (std::int32_t y = 0; y < rangeV; ++y) {
        for (std::int32_t x = 0; x < rangeU; ++x) terms[x] = from[x] + EdgeValue(unit, e, rangeA, u, x, y);
        to[y] = LogSumExp(terms, rangeU);
    }
}

}  // namespace

double TreeLogMass(const UnitFactors& unit, const ValueIndexTable& table, std::int32_t size, bool wantMarginals,
                   InferenceScratch& w) {
    const auto slots = static_cast<std::size_t>(w.maxRange);
    auto slot = [slots](std::vector<double>& v, std::int32_t i) { return v.data() + static_cast<std::size_t>(i) * slots; };
    auto range = [&table](std::int32_t i) { return table.rangeCounts[static_cast<std::size_t>(i)]; };

    for (std::int32_t n = 0; n < size; ++n) {
        const std::int32_t u = w.order[static_cast<std::size_t>(n)];
        for (std::int32_t x = 0; x < range(u); ++x) slot(w.up, u)[x] = slot(w.belief, u)[x];
    }
    // Leaves first: each variable's message reaches its parent before the parent sends its own.
    for (std::int32_t n = size - 1; n > 0; --n) {
        const std::int32_t u = w.order[static_cast<std::size_t>(n)];
        const std::int32_t p = w.treeParent[static_cast<std::size_t>(u)];
        const FactorEdge& e = unit.edges[static_cast<std::size_t>(w.treeEdge[static_cast<std::size_t>(u)])];
        double* message = slot(w.message, u);
        SendMessage(unit, table, e, u, p, slot(w.up, u), message, w.terms.data());
        for (std::int32_t y = 0; y < range(p); ++y) slot(w.up, p)[y] += message[y];
    }
    const std::int32_t root = w.order[0];
    const double mass = LogSumExp(slot(w.up, root), range(root));
    if (!wantMarginals || mass == kLogZero) return mass;

    for (std::int32_t x = 0; x < range(root); ++x) slot(w.down, root)[x] = 0.0;
    for (std::int32_t n = 0; n < size; ++n) {
        const std::int32_t u = w.order[static_cast<std::size_t>(n)];
        const std::int32_t ru = range(u);
        const std::int32_t first = w.adjacencyStart[static_cast<std::size_t>(u)];
        const std::int32_t last = w.adjacencyStart[static_cast<std::size_t>(u) + 1];
        const std::int32_t parent = w.treeParent[static_cast<std::size_t>(u)];
        // suffix row r: the sum of the messages of the children at adjacency rows r..last-1.
        auto suffixRow = [&](std::int32_t r) { return w.suffix.data() + static_cast<std::size_t>(r - first) * slots; };
        for (std::int32_t x = 0; x < ru; ++x) suffixRow(last)[x] = 0.0;
        for (std::int32_t r = last - 1; r >= first; --r) {
            const std::int32_t c = w.neighbour[static_cast<std::size_t>(r)];
            for (std::int32_t x = 0; x < ru; ++x)
                suffixRow(r)[x] = suffixRow(r + 1)[x] + (c == parent ? 0.0 : slot(w.message, c)[x]);
        }
        for (std::int32_t x = 0; x < ru; ++x) w.prefix[static_cast<std::size_t>(x)] = slot(w.belief, u)[x] + slot(w.down, u)[x];
        for (std::int32_t r = first; r < last; ++r) {
            const std::int32_t c = w.neighbour[static_cast<std::size_t>(r)];
            if (c == parent) continue;
            for (std::int32_t x = 0; x < ru; ++x)
                w.excluded[static_cast<std::size_t>(x)] = w.prefix[static_cast<std::size_t>(x)] + suffixRow(r + 1)[x];
            const FactorEdge& e = unit.edges[static_cast<std::size_t>(w.neighbourEdge[static_cast<std::size_t>(r)])];
            SendMessage(unit, table, e, u, c, w.excluded.data(), slot(w.down, c), w.terms.data());
            for (std::int32_t x = 0; x < ru; ++x) w.prefix[static_cast<std::size_t>(x)] += slot(w.message, c)[x];
        }
        for (std::int32_t x = 0; x < ru; ++x) w.terms[static_cast<std::size_t>(x)] = slot(w.up, u)[x] + slot(w.down, u)[x];
        Normalise(w.terms.data(), ru, slot(w.marginal, u));
    }
    return mass;
}

}  // namespace tavrix
