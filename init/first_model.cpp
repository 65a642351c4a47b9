#include "first_model.hpp"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "../batch/baseline.hpp"
#include "../batch/batch_defaults.hpp"
#include "../batch/grid_smoothing.hpp"
#include "../batch/sparse_counts.hpp"
#include "../batch/update.hpp"
#include "../core/dependency_tree.hpp"
#include "../core/mutual_information.hpp"
#include "../core/neighbourhood.hpp"
#include "../core/parallel.hpp"
#include "../core/random.hpp"
#include "../core/value_index_table.hpp"
#include "sample_counts.hpp"

namespace tavrix {
namespace {

std::vector<Visit> EverySampleIn(std::int32_t samples, std::int32_t unit) {
    std::vector<Visit> visits(static_cast<std::size_t>(samples));
    for (std::int32_t j = 0; j < samples; ++j) visits[static_cast<std::size_t>(j)] = {j, unit};
    return visits;
}

// The plain view of the model being made, for the code that batch training shares.
MapModel ViewOf(const ValueArrays& values, const FirstModelSettings& settings, std::int32_t dimension) {
    MapModel view;
    view.numRowsMap = settings.rows;
    view.numColsMap = settings.columns;
    view.dimension = dimension;
    view.maxRange = values.maxRange;
    view.numValues = values.numValues;
    view.rootNode = settings.rootNode;
    view.ranges = Span<const double>(values.ranges.data(), values.ranges.size());
    view.translate = Span<const double>(values.translate.data(), values.translate.size());
    return view;
}

void UniformPrior(const TrainedTables& tables, std::size_t units) {
    std::fill(tables.pi, tables.pi + units, 1.0 / static_cast<double>(units));
    std::fill(tables.numVictories, tables.numVictories + units, 0.0);
}

// Unit k's counts smoothed over its grid neighbourhood: the sum over units
// l (ascending) within grid distance kLinearReach of
// NeighbourhoodWeight(distance, kLinearRadius) x the counts of l.
Statistics SmoothedNearby(const StatisticsLayout& layout, const Statistics& counts, std::int32_t rows,
                          Lattice lattice, int threads, Interrupt* interrupt) {
    Statistics smoothed(layout, counts.compact);
    smoothed.baselines = counts.baselines;
    const std::size_t compactPairs =
        counts.compact ? SparseCountLayout(layout, counts.baselines).numPairs : 0;
    const std::int64_t units = layout.units;
    ParallelFor(units, threads, interrupt, 16, [&](std::int64_t first, std::int64_t last, int) {
        std::vector<GridSource> sources;
        std::vector<double> pairs(compactPairs);
        for (std::int64_t k = first; k < last; ++k) {
            sources.clear();
            for (std::int64_t l = 0; l < units; ++l) {
                const std::int64_t distance = UnitDistance(lattice, rows, k, l);
                if (distance <= kLinearReach && counts.count[static_cast<std::size_t>(l)] != 0.0)
                    sources.push_back({static_cast<std::size_t>(l),
                                       NeighbourhoodWeight(static_cast<std::int32_t>(distance), kLinearRadius)});
            }
            const auto u = static_cast<std::size_t>(k);
            SmoothEntries(sources, counts.count.data(), 1, 0, 1, smoothed.count.data() + u);
            SmoothEntries(sources, counts.values.data(), layout.numValues, 0, layout.numValues,
                          smoothed.values.data() + u * layout.numValues);
            if (!counts.compact) {
                SmoothEntries(sources, counts.pairs.data(), layout.numPairs, 0, layout.numPairs,
                              smoothed.pairs.data() + u * layout.numPairs);
                continue;
            }
            // The same sums, sources in the same order, over the counts there are.
            std::fill(pairs.begin(), pairs.end(), 0.0);
            for (const GridSource& source : sources)
                for (const PairCount& c : counts.lists[source.unit]) pairs[c.pair] += source.weight * c.count;
            for (std::size_t e = 0; e < compactPairs; ++e)
                if (pairs[e] != 0.0) smoothed.lists[u].push_back({e, pairs[e]});
        }
    });
    return smoothed;
}

// The units' counts of the samples nearest them, smoothed.
Statistics LinearCounts(const FirstModelData& data, const FirstModelSettings& settings, const StatisticsLayout& layout,
                        const std::vector<std::int32_t>* compactBaselines, Interrupt* interrupt) {
    const std::vector<std::int32_t> nearest =
        NearestUnits(data.Plane(), data.Layout(), data.Samples(), settings.rows, settings.columns, settings.lattice,
                     settings.threads, interrupt);
    std::vector<Visit> visits(nearest.size());
    for (std::size_t j = 0; j < nearest.size(); ++j) visits[j] = {static_cast<std::int32_t>(j), nearest[j]};
    Statistics counts(layout, compactBaselines != nullptr);
    if (compactBaselines) counts.baselines = *compactBaselines;
    if (!ShouldStop(interrupt, 0))
        CountVisits(layout, compactBaselines ? *compactBaselines : data.MostFrequent(), data.Samples(), visits,
                    settings.threads, counts, interrupt);
    return SmoothedNearby(layout, counts, settings.rows, settings.lattice, settings.threads, interrupt);
}

void BuildLinear(const FirstModelData& data, const FirstModelSettings& settings, const MapModel& view,
                 const TrainedTables& tables, Interrupt* interrupt) {
    const StatisticsLayout layout = LayoutOfRanges(data.Ranges(), view.NumUnits());
    // Compact counts are of the pairs off the baselines the whole tables'
    // rebuild takes (those of the model as yet unwritten), so that both give
    // the same tables.
    const std::vector<std::int32_t> baselines =
        tables.compact ? ModelBaselines(view, BuildValueIndexTable(view)) : std::vector<std::int32_t>{};
    const Statistics smoothed = LinearCounts(data, settings, layout, tables.compact ? &baselines : nullptr, interrupt);
    if (ShouldStop(interrupt, 0)) return;
    const double prior = DefaultPrior(view, static_cast<double>(data.Samples().numSamples));
    UpdateMap(view, layout, smoothed.ConstView(), kRebuildOnly, prior, settings.threads, tables, interrupt);
    UniformPrior(tables, static_cast<std::size_t>(view.NumUnits()));
}

// Observed-value frequencies of counts whose variables may hold one code
// more than their range, for "missing": each variable's marginal over its
// observed entries, each pair's joint over the samples observing both.
class ObservedFrequencies {
public:
    ObservedFrequencies(const StatisticsLayout& counted, const std::vector<std::int32_t>& ranges)
        : counted_(counted), ranges_(ranges) {}

    // Marginal of variable i's code a in unit k; `fallback` where i is never observed.
    double Marginal(const ConstStatisticsView& stats, std::size_t k, std::size_t i, std::size_t a,
                    double fallback) const {
        const double* values = stats.values + k * counted_.numValues + counted_.valueStart[i];
        double total = 0.0;
        for (std::int32_t b = 0; b < ranges_[i]; ++b) total += values[b];
        return total > 0.0 ? values[a] / total : fallback;
    }

    // The pair block (i < j) of unit k: its cells at (a, b) are block[a + b x stride] / total.
    struct Block {
        const double* cells;
        std::size_t stride;
        double total;
    };
    Block PairBlock(const ConstStatisticsView& stats, std::size_t k, std::size_t i, std::size_t j) const {
        const double* cells = stats.pairs + k * counted_.numPairs +
                              counted_.PairBlock(static_cast<std::int32_t>(i), static_cast<std::int32_t>(j));
        const auto stride = static_cast<std::size_t>(counted_.range[i]);
        double total = 0.0;
        for (std::int32_t b = 0; b < ranges_[j]; ++b)
            for (std::int32_t a = 0; a < ranges_[i]; ++a) total += cells[static_cast<std::size_t>(a) + b * stride];
        return {cells, stride, total};
    }

private:
    const StatisticsLayout& counted_;
    const std::vector<std::int32_t>& ranges_;
};

// The random map's counts: every observed sample in the extra unit 0 and
// each unit's own draw in unit k + 1; a missing entry counts as the code
// one past its variable's range, so that it falls out of every frequency.
struct RandomCounts {
    std::vector<std::int32_t> counted;  // the ranges, plus one where a variable has missing entries
    StatisticsLayout layout;
    Statistics stats;
};

RandomCounts CountRandomDraws(const FirstModelData& data, const FirstModelSettings& settings, Interrupt* interrupt) {
    const CodeMatrix& observed = data.Observed();
    const auto d = static_cast<std::size_t>(observed.dimension);
    std::vector<std::int32_t> counted = data.Ranges();
    CodeMatrix marked = observed;
    for (std::size_t e = 0; e < marked.codes.size(); ++e)
        if (marked.codes[e] == kMissingCode) {
            marked.codes[e] = data.Ranges()[e % d];
            counted[e % d] = data.Ranges()[e % d] + 1;
        }
    const std::int32_t units = settings.rows * settings.columns;
    std::vector<Visit> visits = EverySampleIn(observed.numSamples, 0);
    const std::int64_t draws = DrawsPerUnit(observed.numSamples);
    visits.reserve(visits.size() + static_cast<std::size_t>(units) * static_cast<std::size_t>(draws));
    Xoshiro256StarStar seeds(settings.seed);
    for (std::int32_t k = 0; k < units; ++k) {
        Xoshiro256StarStar draw(seeds.Next());
        for (std::int64_t t = 0; t < draws; ++t)
            visits.push_back(
                {static_cast<std::int32_t>(BoundedDraw(draw, static_cast<std::uint32_t>(observed.numSamples))), k + 1});
    }
    StatisticsLayout layout = LayoutOfRanges(counted, units + 1);
    Statistics stats(layout);
    CountVisits(layout, data.MostFrequent(), marked, visits, settings.threads, stats, interrupt);
    return {std::move(counted), std::move(layout), std::move(stats)};
}

void BuildRandom(const FirstModelData& data, const FirstModelSettings& settings, const MapModel& view,
                 const TrainedTables& tables, Interrupt* interrupt) {
    const RandomCounts counts = CountRandomDraws(data, settings, interrupt);
    if (ShouldStop(interrupt, 0)) return;
    const std::vector<std::int32_t>& ranges = data.Ranges();
    const auto d = static_cast<std::size_t>(view.dimension);
    const auto v = static_cast<std::size_t>(view.numValues);
    const StatisticsLayout& real = data.Layout();  // (variable, code) order = the global index
    const ObservedFrequencies frequencies(counts.layout, ranges);
    const ConstStatisticsView stats = counts.stats.ConstView();
    // The data's frequencies, each unit's fallback where its draw observes nothing.
    std::vector<double> dataMarginal(v), dataJoint(v * v, 0.0);
    for (std::size_t i = 0; i < d; ++i)
        for (std::int32_t a = 0; a < ranges[i]; ++a)
            dataMarginal[real.valueStart[i] + a] = frequencies.Marginal(stats, 0, i, a, 1.0 / ranges[i]);
    for (std::size_t i = 0; i < d; ++i)
        for (std::size_t j = i + 1; j < d; ++j) {
            const auto block = frequencies.PairBlock(stats, 0, i, j);
            for (std::int32_t b = 0; b < ranges[j]; ++b)
                for (std::int32_t a = 0; a < ranges[i]; ++a) {
                    const std::size_t ga = real.valueStart[i] + a, gb = real.valueStart[j] + b;
                    dataJoint[ga + gb * v] = block.total > 0.0 ? block.cells[a + b * block.stride] / block.total
                                                               : dataMarginal[ga] * dataMarginal[gb];
                }
        }
    const double keep = 1.0 - settings.spread, own = settings.spread, share = 1.0 - kUniformShare;
    const ValueIndexTable table = BuildValueIndexTable(view);
    const ValueOrder order(table, view.numValues);
    const auto units = static_cast<std::int64_t>(view.NumUnits());
    ParallelFor(units, settings.threads, interrupt, 1, [&](std::int64_t first, std::int64_t last, int) {
        std::vector<double> scratch(order.ScratchSize());
        TreeScratch treeScratch;
        std::vector<std::int32_t> parent(d);
        for (std::int64_t unit = first; unit < last; ++unit) {
            const auto k = static_cast<std::size_t>(unit);
            double* m = tables.marginal[k];
            double* t = tables.intersect[k];
            std::fill(t, t + v * v, 0.0);
            for (std::size_t i = 0; i < d; ++i)
                for (std::int32_t a = 0; a < ranges[i]; ++a) {
                    const std::size_t g = real.valueStart[i] + a;
                    const double mixed =
                        keep * dataMarginal[g] + own * frequencies.Marginal(stats, k + 1, i, a, dataMarginal[g]);
                    m[g] = share * mixed + kUniformShare * (1.0 / ranges[i]);
                    t[g + g * v] = m[g];
                }
            for (std::size_t i = 0; i < d; ++i)
                for (std::size_t j = i + 1; j < d; ++j) {
                    const auto block = frequencies.PairBlock(stats, k + 1, i, j);
                    const double uniform = (1.0 / ranges[i]) * (1.0 / ranges[j]);
                    for (std::int32_t b = 0; b < ranges[j]; ++b)
                        for (std::int32_t a = 0; a < ranges[i]; ++a) {
                            const std::size_t ga = real.valueStart[i] + a, gb = real.valueStart[j] + b;
                            const double drawn = block.total > 0.0 ? block.cells[a + b * block.stride] / block.total
                                                                   : dataJoint[ga + gb * v];
                            const double mixed = keep * dataJoint[ga + gb * v] + own * drawn;
                            t[ga + gb * v] = t[gb + ga * v] = share * mixed + kUniformShare * uniform;
                        }
                }
            UnitMutualInformation(order, m, t, tables.mutual[k], scratch.data());
            BuildDependencyTree(tables.mutual[k], tables.graph[k], view.dimension, view.rootNode, treeScratch,
                                parent.data());
        }
    });
    UniformPrior(tables, static_cast<std::size_t>(units));
}

}  // namespace

FirstModelData::FirstModelData(CodeMatrix codes, std::vector<std::int32_t> ranges, int threads, Interrupt* interrupt)
    : observed_(std::move(codes)),
      ranges_(std::move(ranges)),
      modes_(MostFrequentCodes(observed_, ranges_)),
      filled_(observed_),
      layout_(LayoutOfRanges(ranges_, 1)),
      totals_(layout_) {
    const auto d = static_cast<std::size_t>(filled_.dimension);
    for (std::size_t e = 0; e < filled_.codes.size(); ++e)
        if (filled_.codes[e] == kMissingCode) filled_.codes[e] = modes_[e % d];
    CountVisits(layout_, modes_, filled_, EverySampleIn(filled_.numSamples, 0), threads, totals_, interrupt);
}

const PrincipalPlane& FirstModelData::Plane() const {
    if (!plane_) plane_ = PrincipalPlaneOf(layout_, totals_.ConstView());
    return *plane_;
}

ValueArrays ValueArraysOf(const std::vector<std::int32_t>& ranges) {
    ValueArrays out;
    for (std::int32_t r : ranges) out.maxRange = std::max(out.maxRange, r);
    const auto d = ranges.size();
    out.translate.assign(static_cast<std::size_t>(out.maxRange) * d, 0.0);
    for (std::size_t i = 0; i < d; ++i) {
        out.ranges.push_back(ranges[i]);
        for (std::int32_t a = 0; a < ranges[i]; ++a)
            out.translate[i * static_cast<std::size_t>(out.maxRange) + static_cast<std::size_t>(a)] =
                out.numValues + a + 1;
        out.numValues += ranges[i];
    }
    return out;
}

void BuildFirstModel(const FirstModelData& data, const FirstModelSettings& settings, const TrainedTables& tables,
                     Interrupt* interrupt) {
    const ValueArrays values = ValueArraysOf(data.Ranges());
    const MapModel view = ViewOf(values, settings, data.Samples().dimension);
    if (view.NumUnits() <= 0) return;
    if (settings.method == InitMethod::kLinear)
        BuildLinear(data, settings, view, tables, interrupt);
    else
        BuildRandom(data, settings, view, tables, interrupt);
}

}  // namespace tavrix
