// A unit's log-likelihood of a sample under its dependency tree, visiting
// only the pairs whose Graph entries are set.
#pragma once

#include <cstdint>
#include <vector>

namespace tavrix {

// A pair i < j whose Graph entries are set, in either direction or both.
struct TreePair {
    std::int32_t first;
    std::int32_t second;
    bool firstIsParent;   // Graph(first, second) set
    bool secondIsParent;  // Graph(second, first) set
};

// The set pairs of any Graph, in the order the log-likelihood visits them:
// first ascending, then second ascending.
void PairsOfGraph(const double* graph, std::int32_t dimension, std::vector<TreePair>& pairs);

// The same for a tree given by each variable's parent (-1 for the start).
void PairsOfTree(const std::int32_t* parent, std::int32_t dimension, std::vector<TreePair>& pairs);

// The unit log-likelihood of a sample given by its global value indices,
// taking only the pairs that carry terms: the very terms of the full pair
// scan, in the same order. `logMarginal` is scratch of Dimension doubles.
double TreeLogLikelihood(const std::int32_t* globalIndex, const double* marginal, const double* intersect,
                         std::int32_t dimension, std::int32_t numValues, std::int32_t rootNode,
                         const std::vector<TreePair>& pairs, double* logMarginal);

}  // namespace tavrix
