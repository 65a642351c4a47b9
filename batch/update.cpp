#include "update.hpp"

#include <cstring>
#include <utility>

#include "unit_rebuild.hpp"

namespace tavrix {
namespace {

bool SameColumn(const std::vector<double>& x, const std::vector<double>& y, std::size_t column, std::size_t rows) {
    return rows == 0 || std::memcmp(x.data() + column * rows, y.data() + column * rows, rows * sizeof(double)) == 0;
}

}  // namespace

void UpdateMap(const MapModel& model, const StatisticsLayout& layout, const ConstStatisticsView& stats, double radius,
               double prior, int threads, const TrainedTables& tables, Interrupt* interrupt) {
    if (layout.units <= 0) return;
    std::vector<std::size_t> units(static_cast<std::size_t>(layout.units));
    for (std::size_t k = 0; k < units.size(); ++k) units[k] = k;
    RebuildUnits(model, layout, stats, GridWeights(model.numRowsMap, model.numColsMap, model.lattice, radius), prior,
                 threads,
                 units, IntersectCells::kAll, tables, interrupt);
}

MapUpdater::MapUpdater(const MapModel& model, const StatisticsLayout& layout, double prior, int threads,
                       bool compareCounts)
    : model_(model),
      layout_(layout),
      prior_(prior),
      threads_(threads),
      compareCounts_(compareCounts),
      previous_(compareCounts ? layout : StatisticsLayout{}) {}

void MapUpdater::Update(Statistics& stats, double radius, IntersectCells cells, const TrainedTables& tables,
                        Interrupt* interrupt) {
    if (layout_.units <= 0) return;
    const auto units = static_cast<std::size_t>(layout_.units);
    // A unit's counts that are those of the previous epoch, at the same radius.
    std::vector<char> same(units, 0);
    // A unit kept from an epoch that wrote one half of Intersect is rebuilt
    // when both are asked for.
    if (compareCounts_ && radius == previousRadius_ && (wholeTablesWritten_ || cells == IntersectCells::kTreeEdges))
        for (std::size_t l = 0; l < units; ++l)
            same[l] = SameColumn(stats.count, previous_.count, l, 1) &&
                      SameColumn(stats.values, previous_.values, l, layout_.numValues) &&
                      SameColumn(stats.pairs, previous_.pairs, l, layout_.numPairs);
    const GridWeights weights(model_.numRowsMap, model_.numColsMap, model_.lattice, radius);
    std::vector<std::size_t> changed;
    for (std::size_t k = 0; k < units; ++k) {
        bool unchanged = true;
        for (std::size_t l = 0; l < units; ++l) unchanged = unchanged && (same[l] || weights(k, l) == 0.0);
        if (!unchanged) changed.push_back(k);
    }
    RebuildUnits(model_, layout_, stats.ConstView(), weights, prior_, threads_, changed, cells, tables, interrupt);
    wholeTablesWritten_ = (changed.size() == units || wholeTablesWritten_) && cells == IntersectCells::kAll;
    if (!compareCounts_) return;
    previousRadius_ = radius;
    std::swap(stats.count, previous_.count);
    std::swap(stats.values, previous_.values);
    std::swap(stats.pairs, previous_.pairs);
}

}  // namespace tavrix
