#include "dependency_tree.hpp"

namespace tavrix {
namespace {

// True when x comes before y in the sorted list: by weight, then by list
// position, which is the lexicographic order of (first, second).
// The same order as CompareTreeEdges, spelt out so that it inlines.
inline bool Before(const TreeEdge& x, const TreeEdge& y) {
    const bool nanX = x.weight != x.weight, nanY = y.weight != y.weight;
    if (nanX != nanY) return nanY;
    if (!nanX) {
        if (x.weight > y.weight) return true;
        if (x.weight < y.weight) return false;
    }
    return x.first != y.first ? x.first < y.first : x.second < y.second;
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
    scratch.inside.assign(d, 0);
    scratch.best.resize(d);
    auto edge = [&](std::int32_t a, std::int32_t b) {
        const std::int32_t lo = a < b ? a : b, hi = a < b ? b : a;
        return TreeEdge{mutual[static_cast<std::size_t>(lo) + static_cast<std::size_t>(hi) * d], lo, hi};
    };
    scratch.inside[static_cast<std::size_t>(start)] = 1;
    parent[start] = -1;
    for (std::int32_t v = 0; v < dimension; ++v)
        if (v != start) scratch.best[static_cast<std::size_t>(v)] = edge(start, v);
    for (std::int32_t step = 1; step < dimension; ++step) {
        std::int32_t chosen = -1;
        for (std::int32_t v = 0; v < dimension; ++v) {
            if (scratch.inside[static_cast<std::size_t>(v)]) continue;
            if (chosen < 0 || Before(scratch.best[static_cast<std::size_t>(v)], scratch.best[static_cast<std::size_t>(chosen)]))
                chosen = v;
        }
        const TreeEdge& taken = scratch.best[static_cast<std::size_t>(chosen)];
        const std::int32_t from = taken.first == chosen ? taken.second : taken.first;
        scratch.inside[static_cast<std::size_t>(chosen)] = 1;
        parent[chosen] = from;
        graph[static_cast<std::size_t>(from) + static_cast<std::size_t>(chosen) * d] = 1.0;
        for (std::int32_t v = 0; v < dimension; ++v) {
            if (scratch.inside[static_cast<std::size_t>(v)]) continue;
            const TreeEdge candidate = edge(chosen, v);
            if (Before(candidate, scratch.best[static_cast<std::size_t>(v)])) scratch.best[static_cast<std::size_t>(v)] = candidate;
        }
    }
}

}  // namespace tavrix
