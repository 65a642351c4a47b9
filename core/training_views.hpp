// What training shares with the host that calls it: the views of the arrays
// it rewrites and the observer it tells of its progress. Plain types only, so
// that the host layer can implement and fill them.
#pragma once

#include <cstdint>
#include <vector>

#include "compact_tables.hpp"

namespace tavrix {

// Told after every iteration, on the calling thread.
class TrainingObserver {
public:
    virtual ~TrainingObserver() = default;
    virtual void IterationDone(std::int32_t done, std::int32_t total) = 0;
};

// The arrays training rewrites, one pointer per unit (UnitIndex order); they
// start as the model's values and end as the trained ones. A compact model's
// Intersect, Mutual and Graph are `compact` instead, rewritten whole.
struct TrainedTables {
    std::vector<double*> marginal;   // NumValues
    std::vector<double*> intersect;  // NumValues x NumValues
    std::vector<double*> mutual;     // Dimension x Dimension
    std::vector<double*> graph;      // Dimension x Dimension
    double* pi = nullptr;            // per unit
    double* numVictories = nullptr;  // per unit
    std::vector<CompactUnit>* compact = nullptr;
};

}  // namespace tavrix
