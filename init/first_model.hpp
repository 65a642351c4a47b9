// The first model of a map: every unit's tables, trees and prior, made from
// the data by one of two rules.
//  - Linear: the grid spread over the principal plane of the samples
//    (linear_layout.hpp); each unit counts the samples nearest its place, and
//    its tables are those counts smoothed over the grid plus the prior, as a
//    batch update makes them. The map is ordered before training.
//  - Random: each unit's tables mix the data's frequencies with those of its
//    own random draw of the samples, plus 1% of the uniform tables.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "../batch/statistics.hpp"
#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "../core/training_views.hpp"
#include "linear_layout.hpp"
#include "principal_plane.hpp"

namespace tavrix {

enum class InitMethod { kLinear, kRandom };

struct FirstModelSettings {
    std::int32_t rows = 1;
    std::int32_t columns = 1;
    InitMethod method = InitMethod::kLinear;
    Lattice lattice = Lattice::kRectangular;
    std::int32_t rootNode = 0;  // as the model's RootNode
    double spread = 0.5;        // random: the share of a unit's tables from its own draw
    std::uint64_t seed = 0;     // random: the generator's seed
    int threads = 1;
};

// The linear map's smoothing: the Gaussian weight of this grid radius, over
// units at most kLinearReach grid steps apart, so that its cost does not
// grow with the square of the map. The update then only rebuilds: at radius
// kRebuildOnly every other unit's weight underflows to zero.
constexpr double kLinearRadius = 1.5;
constexpr std::int64_t kLinearReach = 2;
constexpr double kRebuildOnly = 1e-3;

// The share of the uniform tables in the random map's.
constexpr double kUniformShare = 0.01;

// A random map's unit draws this many samples, with replacement: about the
// effective number of samples of a reweighting by u^30, u uniform.
inline std::int64_t DrawsPerUnit(std::int64_t samples) { return samples < 16 ? 1 : (samples + 15) / 16; }

// The data a first model is made from, checked by the caller: codes valid
// for their variable's range or kMissingCode, at least one observed entry.
class FirstModelData {
public:
    FirstModelData(CodeMatrix codes, std::vector<std::int32_t> ranges, int threads, Interrupt* interrupt);

    // The samples with every missing entry set to its variable's most frequent observed value.
    const CodeMatrix& Samples() const { return filled_; }
    const CodeMatrix& Observed() const { return observed_; }
    const std::vector<std::int32_t>& Ranges() const { return ranges_; }
    const std::vector<std::int32_t>& MostFrequent() const { return modes_; }
    // The statistics of every complete sample in one unit.
    const StatisticsLayout& Layout() const { return layout_; }
    ConstStatisticsView Totals() const { return totals_.ConstView(); }
    // The principal plane of the complete samples, worked out on first use.
    const PrincipalPlane& Plane() const;

private:
    CodeMatrix observed_;
    std::vector<std::int32_t> ranges_;
    std::vector<std::int32_t> modes_;
    CodeMatrix filled_;
    StatisticsLayout layout_;
    Statistics totals_;
    mutable std::optional<PrincipalPlane> plane_;
};

// The model's fixed arrays for the data: Ranges and Translate (MaxRange x
// Dimension, 1-based global indices in (variable, code) order).
struct ValueArrays {
    std::int32_t maxRange = 0;
    std::int32_t numValues = 0;
    std::vector<double> ranges;
    std::vector<double> translate;
};
ValueArrays ValueArraysOf(const std::vector<std::int32_t>& ranges);

// Writes every unit's Marginal, Intersect (NumValues x NumValues), Mutual
// and Graph, Pi (uniform) and NumVictories (zero) into `tables`. The same
// doubles for every thread count. Stops early, part-written, once
// `interrupt` (when not null) says so.
void BuildFirstModel(const FirstModelData& data, const FirstModelSettings& settings, const TrainedTables& tables,
                     Interrupt* interrupt);

}  // namespace tavrix
