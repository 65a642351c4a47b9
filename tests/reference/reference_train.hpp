// Plain, literal transcriptions of training: mutual information, the tree
// (a stable sort and the scans of the sorted list), the winner search and the
// driver, over the raw arrays of a model. The fast code is checked against
// these, bit for bit.
#pragma once

#include <cstdint>
#include <functional>

#include "reference_core.hpp"

namespace tavrix::reference {

void UnitMutualInformation(const double* marginal, const double* intersect, double* mutual,
                           const std::int32_t* rangeCounts, const std::int32_t* valueIndexTable, std::int32_t maxRange,
                           std::int32_t dimension, std::int32_t numValues);

struct TreeEdge {
    double weight;
    std::int32_t first;
    std::int32_t second;
};

// Heavier first, NaN after all others, 0 for equal weights.
int CompareTreeEdges(const TreeEdge& x, const TreeEdge& y);

void BuildDependencyTree(const double* mutual, double* graph, std::int32_t dimension, std::int32_t rootNode);

// The winner search on the working model, with the scaled likelihoods when
// none is a positive normal double. `found` tells whether the weights were written.
void WinnerSearch(const RawModel& model, const std::int32_t* valueIndexTable, const double* sample, double radius,
                  std::int32_t& winnerRow, std::int32_t& winnerColumn, double& bestScore, double* weights, bool& found);

// The whole training call on a copy of `model`, the columns drawn by `draw(N)`.
RawModel Train(const RawModel& model, double iterations, const std::function<std::int32_t(std::int32_t)>& draw);

}  // namespace tavrix::reference
