#include "value_index_table.hpp"

namespace tavrix {

ValueIndexTable BuildValueIndexTable(const MapModel& model) {
    ValueIndexTable table;
    table.dimension = model.dimension;
    table.maxRange = model.maxRange;
    const auto dimension = static_cast<std::size_t>(model.dimension > 0 ? model.dimension : 0);
    const auto maxRange = static_cast<std::size_t>(model.maxRange > 0 ? model.maxRange : 0);
    table.rangeCounts.assign(dimension, 0);
    table.entries.assign(dimension * maxRange, -1);
    for (std::size_t i = 0; i < dimension; ++i) {
        const auto count = static_cast<std::int32_t>(model.ranges[i]);
        table.rangeCounts[i] = count;
        for (std::int32_t v = 0; v < count; ++v) {
            const std::size_t at = static_cast<std::size_t>(v) + i * maxRange;
            // The subtraction is done in double before truncation: 2.7 gives index 1.
            table.entries[at] = static_cast<std::int32_t>(model.translate[at] - 1.0);
        }
    }
    return table;
}

}  // namespace tavrix
