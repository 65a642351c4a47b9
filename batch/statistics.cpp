#include "statistics.hpp"

namespace tavrix {

StatisticsLayout MakeStatisticsLayout(const ValueIndexTable& table, std::int32_t units) {
    StatisticsLayout layout;
    const std::int32_t d = table.dimension;
    const auto size = static_cast<std::size_t>(d);
    layout.dimension = d;
    layout.units = units;
    layout.range.assign(table.rangeCounts.begin(), table.rangeCounts.end());
    layout.valueStart.assign(size + 1, 0);
    layout.pairStart.assign(size * size, 0);
    for (std::size_t i = 0; i < size; ++i)
        layout.valueStart[i + 1] = layout.valueStart[i] + static_cast<std::size_t>(layout.range[i]);
    layout.numValues = layout.valueStart[size];
    std::size_t next = 0;
    for (std::size_t i = 0; i < size; ++i)
        for (std::size_t j = i + 1; j < size; ++j) {
            layout.pairStart[i * size + j] = next;
            next += static_cast<std::size_t>(layout.range[i]) * static_cast<std::size_t>(layout.range[j]);
        }
    layout.numPairs = next;
    return layout;
}

Statistics::Statistics(const StatisticsLayout& layout, bool compactPairs)
    : count(static_cast<std::size_t>(layout.units), 0.0),
      values(layout.numValues * static_cast<std::size_t>(layout.units), 0.0),
      pairs(compactPairs ? 0 : layout.numPairs * static_cast<std::size_t>(layout.units), 0.0),
      lists(compactPairs ? static_cast<std::size_t>(layout.units) : 0),
      compact(compactPairs) {}

void CountSample(const StatisticsLayout& layout, const std::int32_t* codes, std::int32_t unit,
                 const StatisticsView& stats, double weight) {
    const auto k = static_cast<std::size_t>(unit);
    const auto d = static_cast<std::size_t>(layout.dimension);
    stats.count[k] += weight;
    double* values = stats.values + k * layout.numValues;
    double* pairs = stats.pairs + k * layout.numPairs;
    for (std::size_t i = 0; i < d; ++i) {
        const auto ci = static_cast<std::size_t>(codes[i]);
        values[layout.valueStart[i] + ci] += weight;
        const std::size_t* start = layout.pairStart.data() + i * d;
        const auto ri = static_cast<std::size_t>(layout.range[i]);
        for (std::size_t j = i + 1; j < d; ++j)
            pairs[start[j] + ci + static_cast<std::size_t>(codes[j]) * ri] += weight;
    }
}

}  // namespace tavrix
