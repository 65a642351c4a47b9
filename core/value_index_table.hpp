// RangeCounts and the ValueIndexTable: (variable, value code) -> global value index.
#pragma once

#include <cstdint>
#include <vector>

#include "map_model.hpp"

namespace tavrix {

struct ValueIndexTable {
    std::int32_t dimension = 0;
    std::int32_t maxRange = 0;
    std::vector<std::int32_t> rangeCounts;  // Dimension: truncated Ranges
    std::vector<std::int32_t> entries;      // Dimension x MaxRange, row i at i x MaxRange

    // Global value index of code v (already truncated) of variable i.
    std::int32_t operator()(std::int32_t i, std::int32_t v) const {
        return entries[static_cast<std::size_t>(i) * static_cast<std::size_t>(maxRange) +
                       static_cast<std::size_t>(v)];
    }
};

// Entries at codes at or above a variable's range are never read; they hold -1.
ValueIndexTable BuildValueIndexTable(const MapModel& model);

}  // namespace tavrix
