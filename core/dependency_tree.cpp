#include "dependency_tree.hpp"

#include <cstring>

namespace tavrix {

int CompareTreeEdges(const TreeEdge& x, const TreeEdge& y) {
    const bool nanX = x.weight != x.weight;
    const bool nanY = y.weight != y.weight;
    if (nanX || nanY) return nanX == nanY ? 0 : (nanX ? 1 : -1);
    if (x.weight > y.weight) return -1;
    if (x.weight < y.weight) return 1;
    return 0;
}

void BuildDependencyTree(const double* mutual, double* graph, std::int32_t dimension, std::int32_t rootNode,
                         TreeScratch& scratch, std::int32_t* parent) {
    const auto d = static_cast<std::size_t>(dimension);
    for (std::size_t e = 0; e < d * d; ++e) graph[e] = 0.0;
    if (dimension < 1) return;
    GrowDependencyTree([&](std::int32_t lo, std::int32_t hi) { return mutual[static_cast<std::size_t>(lo) + static_cast<std::size_t>(hi) * d]; },
                       dimension, rootNode, scratch, parent);
    for (std::size_t c = 0; c < d; ++c)
        if (parent[c] >= 0) graph[static_cast<std::size_t>(parent[c]) + c * d] = 1.0;
}

}  // namespace tavrix
