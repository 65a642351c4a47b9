// The training winner: the unit whose Gaussian neighbourhood on the grid gives
// the sample the highest weighted mean likelihood, and its NeighbourhoodWeights.
#pragma once

#include <cstdint>
#include <vector>

#include "../core/neighbourhood.hpp"
#include "../core/parallel.hpp"
#include "../core/span.hpp"

namespace tavrix {

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

// Finds the winner from every unit's log-likelihood (UnitIndex order) and,
// when one is found, writes the winner's normalised weights to `weights`.
// When no unit's likelihood is a positive normal double but some
// log-likelihood is finite, the likelihoods are taken relative to the largest
// finite one (exp(l - m)), and the best score has m added back.
// Candidates are scored in parallel on `pool`, each by one thread.
Winner WinnerSearch(Span<const double> logLikelihood, std::int32_t rows, std::int32_t columns, double radius,
                    Span<double> weights, WinnerScratch& scratch, WorkerPool& pool);

}  // namespace tavrix
