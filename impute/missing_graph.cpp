#include "missing_graph.hpp"

namespace tavrix {
namespace {

std::int32_t Find(std::vector<std::int32_t>& parent, std::int32_t v) {
    while (parent[static_cast<std::size_t>(v)] != v) {
        parent[static_cast<std::size_t>(v)] = parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(v)])];
        v = parent[static_cast<std::size_t>(v)];
    }
    return v;
}

}  // namespace

InferenceScratch::InferenceScratch(std::int32_t d, std::int32_t r, std::size_t maxEdges)
    : dimension(d), maxRange(r) {
    const auto n = static_cast<std::size_t>(d);
    const std::size_t slots = n * static_cast<std::size_t>(r);
    missingEdges.resize(maxEdges);
    adjacencyStart.resize(n + 1);
    neighbour.resize(2 * maxEdges);
    neighbourEdge.resize(2 * maxEdges);
    componentOf.resize(n);
    cyclic.resize(n);
    visited.resize(n);
    order.resize(n);
    treeParent.resize(n);
    treeEdge.resize(n);
    componentEdges.resize(maxEdges);
    code.resize(n);
    belief.resize(slots);
    up.resize(slots);
    message.resize(slots);
    down.resize(slots);
    marginal.resize(slots);
    suffix.resize(slots + static_cast<std::size_t>(r));
    prefix.resize(static_cast<std::size_t>(r));
    excluded.resize(static_cast<std::size_t>(r));
    terms.resize(static_cast<std::size_t>(r));
}

void BuildMissingGraph(const UnitFactors& unit, const std::int32_t* codes, InferenceScratch& w) {
    const std::int32_t d = w.dimension;
    std::size_t count = 0;
    for (std::int32_t i = 0; i <= d; ++i) w.adjacencyStart[static_cast<std::size_t>(i)] = 0;
    for (std::size_t e = 0; e < unit.edges.size(); ++e) {
        const FactorEdge& edge = unit.edges[e];
        if (codes[edge.a] != kMissingCode || codes[edge.b] != kMissingCode) continue;
        w.missingEdges[count++] = static_cast<std::int32_t>(e);
        ++w.adjacencyStart[static_cast<std::size_t>(edge.a) + 1];
        ++w.adjacencyStart[static_cast<std::size_t>(edge.b) + 1];
    }
    for (std::int32_t i = 0; i < d; ++i)
        w.adjacencyStart[static_cast<std::size_t>(i) + 1] += w.adjacencyStart[static_cast<std::size_t>(i)];
    // Fill the rows, using treeParent as each row's write position for now.
    for (std::int32_t i = 0; i < d; ++i) {
        w.treeParent[static_cast<std::size_t>(i)] = w.adjacencyStart[static_cast<std::size_t>(i)];
        w.componentOf[static_cast<std::size_t>(i)] = i;
        w.cyclic[static_cast<std::size_t>(i)] = 0;
    }
    for (std::size_t m = 0; m < count; ++m) {
        const std::int32_t e = w.missingEdges[m];
        const FactorEdge& edge = unit.edges[static_cast<std::size_t>(e)];
        const auto pa = static_cast<std::size_t>(w.treeParent[static_cast<std::size_t>(edge.a)]++);
        const auto pb = static_cast<std::size_t>(w.treeParent[static_cast<std::size_t>(edge.b)]++);
        w.neighbour[pa] = edge.b;
        w.neighbourEdge[pa] = e;
        w.neighbour[pb] = edge.a;
        w.neighbourEdge[pb] = e;
        const std::int32_t ra = Find(w.componentOf, edge.a), rb = Find(w.componentOf, edge.b);
        if (ra == rb) {
            w.cyclic[static_cast<std::size_t>(ra)] = 1;
        } else {
            w.componentOf[static_cast<std::size_t>(ra)] = rb;
            w.cyclic[static_cast<std::size_t>(rb)] |= w.cyclic[static_cast<std::size_t>(ra)];
        }
    }
    for (std::int32_t i = 0; i < d; ++i) w.componentOf[static_cast<std::size_t>(i)] = Find(w.componentOf, i);
}

std::int32_t CollectComponent(std::int32_t start, InferenceScratch& w) {
    std::int32_t size = 0;
    w.order[static_cast<std::size_t>(size++)] = start;
    w.treeParent[static_cast<std::size_t>(start)] = -1;
    w.treeEdge[static_cast<std::size_t>(start)] = -1;
    w.visited[static_cast<std::size_t>(start)] = 1;
    for (std::int32_t next = 0; next < size; ++next) {
        const std::int32_t u = w.order[static_cast<std::size_t>(next)];
        for (std::int32_t p = w.adjacencyStart[static_cast<std::size_t>(u)];
             p < w.adjacencyStart[static_cast<std::size_t>(u) + 1]; ++p) {
            const std::int32_t v = w.neighbour[static_cast<std::size_t>(p)];
            if (w.visited[static_cast<std::size_t>(v)]) continue;
            w.visited[static_cast<std::size_t>(v)] = 1;
            w.treeParent[static_cast<std::size_t>(v)] = u;
            w.treeEdge[static_cast<std::size_t>(v)] = w.neighbourEdge[static_cast<std::size_t>(p)];
            w.order[static_cast<std::size_t>(size++)] = v;
        }
    }
    return size;
}

std::int64_t LargestCyclicCompletions(const ValueIndexTable& table, const std::int32_t* codes, InferenceScratch& w,
                                      std::int64_t cap) {
    const std::int32_t d = w.dimension;
    std::int64_t largest = 1;
    for (std::int32_t root = 0; root < d; ++root) {
        if (codes[root] != kMissingCode || w.componentOf[static_cast<std::size_t>(root)] != root ||
            !w.cyclic[static_cast<std::size_t>(root)])
            continue;
        std::int64_t product = 1;
        for (std::int32_t i = 0; i < d && product < cap; ++i)
            if (codes[i] == kMissingCode && w.componentOf[static_cast<std::size_t>(i)] == root)
                product *= table.rangeCounts[static_cast<std::size_t>(i)];
        if (product > cap) product = cap;
        if (product > largest) largest = product;
    }
    return largest;
}

}  // namespace tavrix
