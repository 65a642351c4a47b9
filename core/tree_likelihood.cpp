#include "tree_likelihood.hpp"

#include <algorithm>
#include <cmath>

namespace tavrix {

void PairsOfGraph(const double* graph, std::int32_t dimension, std::vector<TreePair>& pairs) {
    const auto d = static_cast<std::size_t>(dimension);
    pairs.clear();
    for (std::size_t i = 0; i < d; ++i)
        for (std::size_t j = i + 1; j < d; ++j) {
            // NaN counts as set; +0.0 and -0.0 do not.
            const bool forward = graph[i + j * d] != 0.0;
            const bool backward = graph[j + i * d] != 0.0;
            if (forward || backward)
                pairs.push_back({static_cast<std::int32_t>(i), static_cast<std::int32_t>(j), forward, backward});
        }
}

void PairsOfTree(const std::int32_t* parent, std::int32_t dimension, std::vector<TreePair>& pairs) {
    pairs.clear();
    for (std::int32_t c = 0; c < dimension; ++c) {
        const std::int32_t p = parent[c];
        if (p < 0) continue;
        if (p < c) pairs.push_back({p, c, true, false});
        else pairs.push_back({c, p, false, true});
    }
    std::sort(pairs.begin(), pairs.end(), [](const TreePair& x, const TreePair& y) {
        return x.first != y.first ? x.first < y.first : x.second < y.second;
    });
}

double TreeLogLikelihood(const std::int32_t* globalIndex, const double* marginal, const double* intersect,
                         std::int32_t dimension, std::int32_t numValues, std::int32_t rootNode,
                         const std::vector<TreePair>& pairs, double* logMarginal) {
    const auto n = static_cast<std::size_t>(numValues);
    for (std::int32_t i = 0; i < dimension; ++i) logMarginal[i] = std::log(marginal[globalIndex[i]]);
    const bool undirected = rootNode == 0;
    double s = 0.0;
    auto pair = pairs.begin();
    for (std::int32_t i = 0; i < dimension; ++i) {
        if (undirected || i == rootNode - 1) s = s + logMarginal[i];
        for (; pair != pairs.end() && pair->first == i; ++pair) {
            const std::int32_t j = pair->second;
            const double logJoint = std::log(
                intersect[static_cast<std::size_t>(globalIndex[i]) + static_cast<std::size_t>(globalIndex[j]) * n]);
            if (undirected) {
                s = s + ((logJoint - logMarginal[i]) - logMarginal[j]);
            } else {
                if (pair->firstIsParent) s = s + (logJoint - logMarginal[i]);
                if (pair->secondIsParent) s = s + (logJoint - logMarginal[j]);
            }
        }
    }
    return s;
}

}  // namespace tavrix
