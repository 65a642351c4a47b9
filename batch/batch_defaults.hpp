// The batch trainer's defaults, chosen on the shared data sets (docs/batch.md).
#pragma once

#include <algorithm>
#include <cstdint>

#include "../core/map_model.hpp"
#include "assignment_mode.hpp"

namespace tavrix {

// Virtual samples, spread uniformly, added to every unit's counts: as many as
// a table of two variables has cells, on average over the pairs of variables
// (the range of the one variable when there is one), so that every cell of a
// pair table gets about one.
inline double DefaultPrior(const MapModel& model) {
    auto range = [&](std::int32_t i) { return static_cast<double>(static_cast<std::int32_t>(model.ranges[static_cast<std::size_t>(i)])); };
    if (model.dimension == 1) return range(0);
    double cells = 0.0, pairs = 0.0;
    for (std::int32_t i = 0; i < model.dimension; ++i)
        for (std::int32_t j = i + 1; j < model.dimension; ++j) {
            cells += range(i) * range(j);
            pairs += 1.0;
        }
    return cells / pairs;
}

// The last epoch's radius.
constexpr double kDefaultRadiusEnd = 1.5;

// The first epoch's radius: half the longer side of the grid, at least the last.
inline double DefaultRadiusStart(std::int32_t rows, std::int32_t columns) {
    return std::max(kDefaultRadiusEnd, 0.5 * std::max(rows, columns));
}

// How samples are counted, by the last epoch's radius: soft assignment
// smooths the map further, and scored better on held-out data than hard
// assignment on every shared data set only where the radius ends below 0.5
// (docs/batch.md); hard assignment for the first half of the epochs then
// orders the map as before and costs less.
inline AssignmentMode DefaultAssignment(double radiusEnd) {
    return radiusEnd < 0.5 ? AssignmentMode::kHardThenSoft : AssignmentMode::kHard;
}

}  // namespace tavrix
