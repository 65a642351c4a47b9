// The rebuild of a batch update: units' tables, mutual information, trees and
// priors from the counts smoothed over the grid.
#pragma once

#include <cstddef>
#include <vector>

#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "../core/training_views.hpp"
#include "grid_smoothing.hpp"
#include "statistics.hpp"

namespace tavrix {

// Which of Intersect's cells a rebuild writes: all of them, or only what the
// compiled units read: the blocks of the tree's edges, in the half with the
// lower-numbered variable on the row, and the blocks of a variable with itself.
// The epochs before the last leave the other cells as they were.
enum class IntersectCells { kAll, kTreeEdges };

// Rebuilds the listed units of `tables` as UpdateMap describes, each thread a
// contiguous share of the list, and every unit's Pi and NumVictories: unit by
// unit, the counts of pairs off the baselines (the stats' lists, or the
// non-zero ones of their dense pairs) smoothed into one table per thread,
// every pair's cells and mutual information from it, then the tree. Compact
// tables (tables.compact) keep the tree's cells only, and the tree grows over
// each pair's mutual information as it asks for it. Stops early, the tables
// part-written, once `interrupt` (when not null) says so.
void RebuildUnits(const MapModel& model, const StatisticsLayout& layout, const ConstStatisticsView& stats,
                  const GridWeights& weights, double prior, int threads, const std::vector<std::size_t>& units,
                  IntersectCells cells, const TrainedTables& tables, Interrupt* interrupt = nullptr);

}  // namespace tavrix
