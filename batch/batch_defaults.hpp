// The batch trainer's defaults, chosen on the shared data sets (docs/batch.md).
#pragma once

#include <algorithm>
#include <cstdint>

#include "../core/map_model.hpp"

namespace tavrix {

// Virtual samples, spread uniformly, added to every unit's counts: as many as
// a table of two variables has cells, on average over the pairs of variables
// (the range of the one variable when there is one), so that every cell of a
// pair table gets about one; but no more than twice the mean range, nor than
// the samples a unit counts on average (`samples` over the units, at least
// 1), so that many-valued variables and small sets do not drown the data.
inline double DefaultPrior(const MapModel& model, double samples) {
    auto range = [&](std::int32_t i) { return static_cast<double>(static_cast<std::int32_t>(model.ranges[static_cast<std::size_t>(i)])); };
    double cells = 0.0, pairs = 0.0, values = 0.0;
    for (std::int32_t i = 0; i < model.dimension; ++i) {
        values += range(i);
        for (std::int32_t j = i + 1; j < model.dimension; ++j) {
            cells += range(i) * range(j);
            pairs += 1.0;
        }
    }
    if (model.dimension == 1) return std::min(range(0), std::max(1.0, samples / std::max(1, model.NumUnits())));
    const double perCell = cells / pairs;
    const double twiceMeanRange = 2.0 * values / model.dimension;
    const double perUnit = samples / std::max(1, model.NumUnits());
    return std::min(std::min(perCell, twiceMeanRange), std::max(1.0, perUnit));
}

// The share of the samples TavrixTrain holds back to choose its best epoch.
constexpr double kDefaultHeldOut = 0.1;

// The last epoch's radius: far enough that held-out selection, not the
// schedule, decides how far the smoothing falls.
constexpr double kDefaultRadiusEnd = 0.3;

// The first epoch's radius: half the longer side of the grid, at least 1.5.
inline double DefaultRadiusStart(std::int32_t rows, std::int32_t columns) {
    return std::max(1.5, 0.5 * std::max(rows, columns));
}

}  // namespace tavrix
