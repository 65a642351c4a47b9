// The training winner: the unit whose Gaussian neighbourhood on the grid gives
// the sample the highest weighted mean likelihood, and its NeighbourhoodWeights.
#pragma once

#include <cstdint>
#include <vector>

#include "../core/parallel.hpp"
#include "../core/span.hpp"

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

struct Winner {
    std::int32_t row = 0;
    std::int32_t column = 0;
    double bestScore = 0.0;
    bool found = false;  // false: row 0, column 0, weights left as they were
    bool scaled = false; // the likelihoods were scaled against underflow
};

// Buffers for one training call, sized for the map once.
struct WinnerScratch {
    std::vector<double> likelihood;     // per unit
    std::vector<double> score;          // per candidate
    std::vector<double> weightSum;      // per candidate
    std::vector<double> distanceWeight; // per city-block distance
};

// The Gaussian weight of a grid distance, formed as exp((d*d / r^2) * -0.5).
double NeighbourhoodWeight(std::int32_t distance, double radius);

// Finds the winner from every unit's log-likelihood (UnitIndex order) and,
// when one is found, writes the winner's normalised weights to `weights`.
// When no unit's likelihood is a positive normal double but some
// log-likelihood is finite, the likelihoods are taken relative to the largest
// finite one (exp(l - m)), and the best score has m added back.
// Candidates are scored in parallel on `pool`, each by one thread.
Winner WinnerSearch(Span<const double> logLikelihood, std::int32_t rows, std::int32_t columns, double radius,
                    Span<double> weights, WinnerScratch& scratch, WorkerPool& pool);

}  // namespace tavrix
