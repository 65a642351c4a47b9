// A unit's dependency tree: the maximum-weight spanning tree over its mutual
// information, grown from the start variable and written parent -> child.
#pragma once

#include <cstdint>
#include <vector>

namespace tavrix {

struct TreeEdge {
    double weight;        // Mutual(first, second)
    std::int32_t first;   // lower variable
    std::int32_t second;  // higher variable
};

// Heavier edges first; NaN weights after all others; -1 when x comes first,
// +1 when y does, 0 for equal weights (both NaN, or equal, 0.0 and -0.0 alike).
// Equal edges keep their order in the list (0,1), (0,2), ..., (1,2), ...
int CompareTreeEdges(const TreeEdge& x, const TreeEdge& y);

// Buffers reused from unit to unit; sized on first use. Entry o describes the
// o-th variable still outside the tree and its first edge into the tree.
struct TreeScratch {
    std::vector<std::int32_t> variable;
    std::vector<std::uint64_t> key;       // the edge's weight as an order key
    std::vector<std::uint64_t> position;  // the edge's place in the list
    std::vector<std::int32_t> from;       // the edge's end in the tree
};

// Overwrites the Dimension x Dimension `graph` with 1.0 at (parent, child) and
// 0.0 elsewhere, reading the upper triangle of `mutual`. The start variable is
// RootNode - 1, or 0 when RootNode is 0 (RootNode must lie in 0..Dimension).
// Each step takes the edge that the scan of the sorted edge list would take:
// the first, in that order, with exactly one end in the tree. parent[c] gets
// c's parent, -1 for the start variable.
void BuildDependencyTree(const double* mutual, double* graph, std::int32_t dimension, std::int32_t rootNode,
                         TreeScratch& scratch, std::int32_t* parent);

}  // namespace tavrix
