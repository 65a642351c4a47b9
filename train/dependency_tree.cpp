#include "dependency_tree.hpp"

#include <cstring>

namespace tavrix {
namespace {

// An integer that orders weights as the edge list does: heavier first, 0.0 and
// -0.0 equal, NaN last. Integer keys let the search run without branches.
std::uint64_t OrderKey(double weight) {
    if (weight != weight) return ~std::uint64_t{0};
    if (weight == 0.0) weight = 0.0;
    std::uint64_t bits;
    std::memcpy(&bits, &weight, sizeof bits);
    // Ascending doubles as ascending integers, then reversed.
    const std::uint64_t ascending = (bits >> 63) ? ~bits : bits | (std::uint64_t{1} << 63);
    return ~ascending;
}

// The position of edge (lo, hi), lo < hi, in the list (0,1), (0,2), ..., (1,2), ...
std::int64_t ListPosition(std::int64_t lo, std::int64_t hi, std::int64_t d) {
    return lo * d - lo * (lo + 1) / 2 + (hi - lo - 1);
}

}  // namespace

int CompareTreeEdges(const TreeEdge& x, const TreeEdge& y) {
    const bool nanX = x.weight != x.weight;
    const bool nanY = y.weight != y.weight;
    if (nanX || nanY) return nanX == nanY ? 0 : (nanX ? 1 : -1);
    if (x.weight > y.weight) return -1;
    if (x.weight < y.weight) return 1;
    return 0;
}

// Prim's algorithm over a total order of the edges. The scan takes the first
// crossing edge of the sorted list, which is the least crossing edge in that
// order; keeping every outside variable's least edge into the tree finds it
// in O(Dimension) per step.
void BuildDependencyTree(const double* mutual, double* graph, std::int32_t dimension, std::int32_t rootNode,
                         TreeScratch& scratch, std::int32_t* parent) {
    const auto d = static_cast<std::size_t>(dimension);
    for (std::size_t e = 0; e < d * d; ++e) graph[e] = 0.0;
    if (dimension < 1) return;
    const std::int32_t start = rootNode == 0 ? 0 : rootNode - 1;
    scratch.outside.clear();
    scratch.key.resize(d);
    scratch.position.resize(d);
    scratch.from.resize(d);
    std::uint64_t* key = scratch.key.data();
    std::int64_t* position = scratch.position.data();
    std::int32_t* from = scratch.from.data();
    // Offers edge (t, v) to outside variable v; t is in the tree.
    auto offer = [&](std::int32_t t, std::int32_t v, bool first) {
        const std::int32_t lo = t < v ? t : v, hi = t < v ? v : t;
        const std::uint64_t k = OrderKey(mutual[static_cast<std::size_t>(lo) + static_cast<std::size_t>(hi) * d]);
        const std::int64_t p = ListPosition(lo, hi, dimension);
        const bool better = first || k < key[v] || (k == key[v] && p < position[v]);
        key[v] = better ? k : key[v];
        position[v] = better ? p : position[v];
        from[v] = better ? t : from[v];
    };
    parent[start] = -1;
    for (std::int32_t v = 0; v < dimension; ++v)
        if (v != start) {
            scratch.outside.push_back(v);
            offer(start, v, true);
        }
    while (!scratch.outside.empty()) {
        std::size_t best = 0;
        for (std::size_t o = 1; o < scratch.outside.size(); ++o) {
            const std::int32_t v = scratch.outside[o], b = scratch.outside[best];
            const bool less = key[v] < key[b] || (key[v] == key[b] && position[v] < position[b]);
            best = less ? o : best;
        }
        const std::int32_t chosen = scratch.outside[best];
        scratch.outside[best] = scratch.outside.back();
        scratch.outside.pop_back();
        parent[chosen] = from[chosen];
        graph[static_cast<std::size_t>(from[chosen]) + static_cast<std::size_t>(chosen) * d] = 1.0;
        for (const std::int32_t v : scratch.outside) offer(chosen, v, false);
    }
}

}  // namespace tavrix
