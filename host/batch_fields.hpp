// Checks and views for the batch trainer's gateways: the model fields it
// rewrites, and the statistics struct that TavrixStats gives and
// TavrixUpdate takes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../core/map_model.hpp"
#include "gateway.hpp"

namespace tavrix::host {

// What batch training needs beyond the twelve fields every function reads:
// what CheckTrainable asks of a model, and a Translate that gives every (variable, code) a
// global index of its own, covering 0..NumValues - 1.
void RequireBatchFields(const mxArray* model, const MapModel& view);

// The sizes of the statistics of a model: units, values and value pairs.
struct StatisticsShape {
    std::size_t units;
    std::size_t values;  // sum of the ranges
    std::size_t pairs;   // sum over i < j of range(i) x range(j)
};

StatisticsShape ShapeOfStatistics(const MapModel& model);

struct StatisticsArraysOut {
    double* count;
    double* values;
    double* pairs;
};

// A new statistics struct, zero-filled; `arrays` gets the data of its fields.
OwnedArray NewStatistics(const StatisticsShape& shape, StatisticsArraysOut& arrays);

struct StatisticsArraysIn {
    const double* count;
    const double* values;
    const double* pairs;
};

// A statistics struct of the model's shape (argument `argument`, 1-based),
// its counts whole multiples of 2^-16 (the soft quantum), non-negative and finite.
StatisticsArraysIn ReadStatistics(const mxArray* stats, int argument, const StatisticsShape& shape);

}  // namespace tavrix::host
