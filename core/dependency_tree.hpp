// A unit's dependency tree: the maximum-weight spanning tree over its mutual
// information, grown from the start variable and written parent -> child.
#pragma once

#include <cstdint>
#include <cstring>
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

namespace tree_order {

// An integer that orders weights as the edge list does: heavier first, 0.0 and
// -0.0 equal, NaN last. Integer keys let the search run without branches.
inline std::uint64_t OrderKey(double weight) {
    std::uint64_t bits;
    std::memcpy(&bits, &weight, sizeof bits);
    const std::uint64_t sign = std::uint64_t{1} << 63;
    const bool zero = (bits << 1) == 0;
    const bool nan = (bits & ~sign) > 0x7FF0000000000000u;
    bits = zero ? 0 : bits;
    // Ascending doubles as ascending integers, then reversed.
    const std::uint64_t ascending = bits ^ ((0 - (bits >> 63)) | sign);
    return nan ? ~std::uint64_t{0} : ~ascending;
}

// Orders edge (lo, hi), lo < hi, as its place in the list (0,1), (0,2), ..., (1,2), ...
inline std::uint64_t ListPosition(std::int32_t lo, std::int32_t hi) {
    return (static_cast<std::uint64_t>(lo) << 32) | static_cast<std::uint32_t>(hi);
}

// (k, p) before (key, position); bitwise, so that it compiles without branches.
inline bool Before(std::uint64_t k, std::uint64_t p, std::uint64_t key, std::uint64_t position) {
    return (k < key) | ((k == key) & (p < position));
}

}  // namespace tree_order

// The tree BuildDependencyTree grows, over weights given by weight(lo, hi),
// lo < hi, which it asks for once per pair: parent[c] gets c's parent, -1 for
// the start variable (Dimension at least 1).
//
// Prim's algorithm over a total order of the edges. The scan takes the first
// crossing edge of the sorted list, which is the least crossing edge in that
// order; keeping every outside variable's least edge into the tree finds it
// in O(Dimension) per step.
template <class Weight>
void GrowDependencyTree(Weight&& weight, std::int32_t dimension, std::int32_t rootNode, TreeScratch& scratch,
                        std::int32_t* parent) {
    using namespace tree_order;
    const auto d = static_cast<std::size_t>(dimension);
    const std::int32_t start = rootNode == 0 ? 0 : rootNode - 1;
    scratch.variable.resize(d);
    scratch.key.resize(d);
    scratch.position.resize(d);
    scratch.from.resize(d);
    std::int32_t* variable = scratch.variable.data();
    std::uint64_t* key = scratch.key.data();
    std::uint64_t* position = scratch.position.data();
    std::int32_t* from = scratch.from.data();
    auto edge = [&](std::int32_t t, std::int32_t v, std::uint64_t& k, std::uint64_t& p) {
        const std::int32_t lo = t < v ? t : v, hi = t < v ? v : t;
        k = OrderKey(weight(lo, hi));
        p = ListPosition(lo, hi);
    };
    std::size_t outside = 0;
    for (std::int32_t v = 0; v < dimension; ++v)
        if (v != start) {
            variable[outside] = v;
            from[outside] = start;
            edge(start, v, key[outside], position[outside]);
            ++outside;
        }
    parent[start] = -1;
    while (outside > 0) {
        // The least so far is kept in registers: the scan carries no load from one step to the next.
        std::size_t best = 0;
        std::uint64_t bestKey = key[0], bestPosition = position[0];
        for (std::size_t o = 1; o < outside; ++o) {
            const bool less = Before(key[o], position[o], bestKey, bestPosition);
            best = less ? o : best;
            bestKey = less ? key[o] : bestKey;
            bestPosition = less ? position[o] : bestPosition;
        }
        const std::int32_t chosen = variable[best], link = from[best];
        parent[chosen] = link;
        --outside;
        variable[best] = variable[outside];
        key[best] = key[outside];
        position[best] = position[outside];
        from[best] = from[outside];
        // Each outside variable keeps the lesser of its edge and its edge to `chosen`.
        for (std::size_t o = 0; o < outside; ++o) {
            std::uint64_t k, p;
            edge(chosen, variable[o], k, p);
            const bool better = Before(k, p, key[o], position[o]);
            key[o] = better ? k : key[o];
            position[o] = better ? p : position[o];
            from[o] = better ? chosen : from[o];
        }
    }
}

}  // namespace tavrix
