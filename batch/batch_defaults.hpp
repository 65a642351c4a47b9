// The batch trainer's defaults, chosen on the shared data sets (docs/batch.md).
#pragma once

#include <algorithm>
#include <cstdint>

namespace tavrix {

// Virtual samples, spread uniformly, added to every unit's counts.
constexpr double kDefaultPrior = 1.0;

// The first epoch's radius: half the longer side of the grid, at least 1.
inline double DefaultRadiusStart(std::int32_t rows, std::int32_t columns) {
    return std::max(1.0, 0.5 * std::max(rows, columns));
}

// The last epoch's radius.
constexpr double kDefaultRadiusEnd = 0.5;

}  // namespace tavrix
