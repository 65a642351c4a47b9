#include "update.hpp"

#include <cstdlib>
#include <vector>

#include "../core/parallel.hpp"
#include "../core/value_index_table.hpp"
#include "../train/dependency_tree.hpp"
#include "../train/mutual_information.hpp"
#include "../train/winner_search.hpp"

namespace tavrix {
namespace {

// Per-thread buffers, sized once per update.
struct UpdateScratch {
    UpdateScratch(const StatisticsLayout& layout, const ValueOrder& order)
        : values(layout.numValues),
          pairs(layout.numPairs),
          mutual(order.ScratchSize()),
          parent(static_cast<std::size_t>(layout.dimension)) {}
    std::vector<double> values;  // smoothed value counts
    std::vector<double> pairs;   // smoothed pair counts
    std::vector<double> mutual;
    TreeScratch tree;
    std::vector<std::int32_t> parent;
};

class UnitUpdater {
public:
    UnitUpdater(const MapModel& model, const StatisticsLayout& layout, const ConstStatisticsView& stats,
                double radius, double prior, const TrainedTables& tables)
        : model_(model),
          layout_(layout),
          stats_(stats),
          prior_(prior),
          tables_(tables),
          table_(BuildValueIndexTable(model)),
          order_(table_, model.numValues),
          smoothedCount_(static_cast<std::size_t>(layout.units)) {
        const std::int32_t distances = model.numRowsMap + model.numColsMap;
        for (std::int32_t d = 0; d < distances; ++d) distanceWeight_.push_back(NeighbourhoodWeight(d, radius));
    }

    const ValueOrder& Order() const { return order_; }

    // The smoothed sample count of every unit, then the new prior of every unit.
    void SmoothCounts() {
        const auto units = static_cast<std::size_t>(layout_.units);
        for (std::size_t k = 0; k < units; ++k) {
            double n = 0.0;
            for (std::size_t l = 0; l < units; ++l) n += Weight(k, l) * stats_.count[l];
            smoothedCount_[k] = n;
        }
        double total = 0.0;
        for (std::size_t k = 0; k < units; ++k) total += smoothedCount_[k] + prior_;
        for (std::size_t k = 0; k < units; ++k) {
            tables_.pi[k] = (smoothedCount_[k] + prior_) / total;
            tables_.numVictories[k] = stats_.count[k];
        }
    }

    void Update(std::size_t k, UpdateScratch& scratch) const {
        Smooth(k, scratch);
        WriteTables(k, scratch);
        UnitMutualInformation(order_, tables_.marginal[k], tables_.intersect[k], tables_.mutual[k],
                              scratch.mutual.data());
        BuildDependencyTree(tables_.mutual[k], tables_.graph[k], model_.dimension, model_.rootNode, scratch.tree,
                            scratch.parent.data());
    }

private:
    double Weight(std::size_t k, std::size_t l) const {
        const auto rows = static_cast<std::size_t>(model_.numRowsMap);
        const auto dr = std::abs(static_cast<long long>(k % rows) - static_cast<long long>(l % rows));
        const auto dc = std::abs(static_cast<long long>(k / rows) - static_cast<long long>(l / rows));
        return distanceWeight_[static_cast<std::size_t>(dr + dc)];
    }

    // Units with no samples, or out of the weights' reach, add exactly nothing.
    void Smooth(std::size_t k, UpdateScratch& scratch) const {
        const std::size_t nv = layout_.numValues, np = layout_.numPairs;
        double* values = scratch.values.data();
        double* pairs = scratch.pairs.data();
        for (std::size_t e = 0; e < nv; ++e) values[e] = 0.0;
        for (std::size_t e = 0; e < np; ++e) pairs[e] = 0.0;
        const auto units = static_cast<std::size_t>(layout_.units);
        for (std::size_t l = 0; l < units; ++l) {
            const double w = Weight(k, l);
            if (w == 0.0 || stats_.count[l] == 0.0) continue;
            const double* v = stats_.values + l * nv;
            const double* p = stats_.pairs + l * np;
            for (std::size_t e = 0; e < nv; ++e) values[e] += w * v[e];
            for (std::size_t e = 0; e < np; ++e) pairs[e] += w * p[e];
        }
    }

    void WriteTables(std::size_t k, const UpdateScratch& scratch) const {
        const std::int32_t d = layout_.dimension;
        const auto nv = static_cast<std::size_t>(model_.numValues);
        const double denominator = smoothedCount_[k] + prior_;
        double* marginal = tables_.marginal[k];
        double* intersect = tables_.intersect[k];
        for (std::int32_t i = 0; i < d; ++i) {
            const std::int32_t ri = layout_.range[static_cast<std::size_t>(i)];
            const double share = prior_ / ri;
            const double* counts = scratch.values.data() + layout_.valueStart[static_cast<std::size_t>(i)];
            for (std::int32_t a = 0; a < ri; ++a) {
                const auto g = static_cast<std::size_t>(table_(i, a));
                marginal[g] = (counts[a] + share) / denominator;
                // The block of a variable with itself: its marginal on the diagonal.
                for (std::int32_t b = 0; b < ri; ++b) intersect[g + static_cast<std::size_t>(table_(i, b)) * nv] = 0.0;
                intersect[g + g * nv] = marginal[g];
            }
        }
        for (std::int32_t i = 0; i < d; ++i) {
            const std::int32_t ri = layout_.range[static_cast<std::size_t>(i)];
            for (std::int32_t j = i + 1; j < d; ++j) {
                const std::int32_t rj = layout_.range[static_cast<std::size_t>(j)];
                const double share = prior_ / (static_cast<double>(ri) * static_cast<double>(rj));
                const double* counts = scratch.pairs.data() + layout_.PairBlock(i, j);
                for (std::int32_t b = 0; b < rj; ++b) {
                    const auto gb = static_cast<std::size_t>(table_(j, b));
                    for (std::int32_t a = 0; a < ri; ++a) {
                        const auto ga = static_cast<std::size_t>(table_(i, a));
                        const double p = (counts[static_cast<std::size_t>(a + b * ri)] + share) / denominator;
                        intersect[ga + gb * nv] = p;
                        intersect[gb + ga * nv] = p;
                    }
                }
            }
        }
    }

    const MapModel& model_;
    const StatisticsLayout& layout_;
    const ConstStatisticsView& stats_;
    double prior_;
    const TrainedTables& tables_;
    ValueIndexTable table_;
    ValueOrder order_;
    std::vector<double> distanceWeight_;
    std::vector<double> smoothedCount_;
};

}  // namespace

void UpdateMap(const MapModel& model, const StatisticsLayout& layout, const ConstStatisticsView& stats, double radius,
               double prior, int threads, const TrainedTables& tables, Interrupt* interrupt) {
    if (layout.units <= 0) return;
    UnitUpdater updater(model, layout, stats, radius, prior, tables);
    updater.SmoothCounts();
    const int workers = ThreadCount(threads, layout.units);
    std::vector<UpdateScratch> scratch;
    scratch.reserve(static_cast<std::size_t>(workers));
    for (int t = 0; t < workers; ++t) scratch.emplace_back(layout, updater.Order());
    ParallelFor(layout.units, workers, [&](std::int64_t begin, std::int64_t end, int t) {
        for (std::int64_t k = begin; k < end && !ShouldStop(interrupt, t); ++k)
            updater.Update(static_cast<std::size_t>(k), scratch[static_cast<std::size_t>(t)]);
    });
}

}  // namespace tavrix
