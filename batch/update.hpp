// The second half of a batch epoch: the counts smoothed over the grid, and
// every unit's tables, tree and prior rebuilt from them.
#pragma once

#include <cstdint>

#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "../core/training_views.hpp"
#include "statistics.hpp"
#include "unit_rebuild.hpp"

namespace tavrix {

// Unit k's smoothed counts are sum over units l (l ascending) of w(k, l) x
// counts of l, w the Gaussian weight of the city-block grid distance at
// `radius` (NeighbourhoodWeight). With alpha = `prior` virtual samples spread
// uniformly, n the smoothed sample count, r_i the range of variable i:
//   Marginal(i = a)          = (n(i = a) + alpha / r_i) / (n + alpha)
//   Intersect(i = a, j = b)  = (n(i = a, j = b) + alpha / (r_i x r_j)) / (n + alpha), i != j,
//                              the same double at (a, b) and (b, a); of the pair counts only
//                              those of two values off their baselines are smoothed, the others
//                              are the rest of their row or column (unit_rebuild.cpp)
//   Intersect(i = a, i = b)  = Marginal(i = a) where a = b, 0 otherwise
//   Pi(k)                    = (n_k + alpha) / sum over l of (n_l + alpha)
// Mutual and Graph follow from the new tables as online training makes them,
// and NumVictories takes the unsmoothed sample counts. Requires prior > 0,
// radius > 0, and a Translate that gives every (variable, code) a global
// index of its own, covering 0..NumValues - 1. The same doubles for every
// thread count. Stops early, the tables half updated, once `interrupt` (when
// not null) says so.
void UpdateMap(const MapModel& model, const StatisticsLayout& layout, const ConstStatisticsView& stats, double radius,
               double prior, int threads, const TrainedTables& tables, Interrupt* interrupt = nullptr);

// UpdateMap over the epochs of one training run. With `compareCounts`, a unit
// whose smoothed counts cannot have changed since the previous epoch (the
// same radius, and the same counts in every unit within the weights' reach)
// keeps its tables, mutual information and tree; only this updater may then
// write `tables` between its epochs. Comparing keeps a second copy of the
// counts, worth it where radii repeat (a constant radius).
class MapUpdater {
public:
    MapUpdater(const MapModel& model, const StatisticsLayout& layout, double prior, int threads, bool compareCounts);

    // One epoch's update of `tables` from `stats`. When comparing, the updater
    // keeps the storage of `stats` for the next epoch and hands back storage
    // of the same shape in its place, its contents unspecified. Intersect gets
    // the cells asked for: all of them in a run's last epoch.
    void Update(Statistics& stats, double radius, IntersectCells cells, const TrainedTables& tables,
                Interrupt* interrupt = nullptr);

private:
    const MapModel& model_;
    const StatisticsLayout& layout_;
    double prior_;
    int threads_;
    bool compareCounts_;
    Statistics previous_;  // the previous epoch's counts, when comparing
    double previousRadius_ = 0.0;  // 0.0: no epoch yet
    bool wholeTablesWritten_ = false;  // every unit's Intersect written whole since it was last rebuilt
};

}  // namespace tavrix
