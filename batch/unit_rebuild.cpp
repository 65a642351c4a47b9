#include "unit_rebuild.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "../core/numeric.hpp"
#include "../core/parallel.hpp"
#include "../core/value_index_table.hpp"
#include "../core/dependency_tree.hpp"
#include "../core/mutual_information.hpp"

namespace tavrix {
namespace {

// Pair blocks are smoothed and written a run of whole blocks at a time: runs
// of about this many counts keep every source unit's share in cache.
constexpr std::size_t kRunEntries = 1024;
// Variables are mirrored into Intersect's other half in groups of at least a
// cache line of rows.
constexpr std::size_t kGroupValues = 8;

struct PairBlock {
    std::int32_t i, j;      // variables i < j
    std::size_t start;      // first count in the pair layout
    std::int32_t ri, rj;
};

// Variables [firstValue, endValue) of the value order, and their runs.
struct VariableGroup {
    std::size_t firstValue, endValue;
    std::size_t firstRun, endRun;
};

// Consecutive pair blocks, smoothed together.
struct BlockRun {
    std::size_t firstBlock, endBlock;
    std::size_t start, end;  // counts [start, end) of the pair layout
};

// What the rebuild of every unit shares: global value indices, the pair
// blocks cut into runs, the weights and the smoothed sample counts.
class MapRebuild {
public:
    MapRebuild(const MapModel& model, const StatisticsLayout& layout, const ConstStatisticsView& stats,
               const GridWeights& weights, double prior, IntersectCells cells, const TrainedTables& tables)
        : model_(model),
          layout_(layout),
          stats_(stats),
          weights_(weights),
          prior_(prior),
          cells_(cells),
          tables_(tables) {
        const ValueIndexTable table = BuildValueIndexTable(model);
        for (std::int32_t i = 0; i < layout.dimension; ++i)
            for (std::int32_t a = 0; a < layout.range[static_cast<std::size_t>(i)]; ++a) {
                index_.push_back(table(i, a));
                variableEnd_.push_back(layout.valueStart[static_cast<std::size_t>(i) + 1]);
            }
        for (std::int32_t i = 0; i < layout.dimension; ++i)
            for (std::int32_t j = i + 1; j < layout.dimension; ++j)
                blocks_.push_back({i, j, layout.PairBlock(i, j), layout.range[static_cast<std::size_t>(i)],
                                   layout.range[static_cast<std::size_t>(j)]});
        // Per pair count: the global indices of its two values, and the order
        // in which UnitMutualInformation adds its block's terms (i's code
        // outer, j's inner), as offsets into the block.
        cellValueI_.resize(layout.numPairs);
        cellValueJ_.resize(layout.numPairs);
        sumOrder_.resize(layout.numPairs);
        for (const PairBlock& block : blocks_) {
            const std::int32_t* indexI = index_.data() + layout.valueStart[static_cast<std::size_t>(block.i)];
            const std::int32_t* indexJ = index_.data() + layout.valueStart[static_cast<std::size_t>(block.j)];
            std::size_t next = block.start;
            for (std::int32_t a = 0; a < block.ri; ++a)
                for (std::int32_t b = 0; b < block.rj; ++b) {
                    const std::size_t e = block.start + static_cast<std::size_t>(a + b * block.ri);
                    cellValueI_[e] = indexI[a];
                    cellValueJ_[e] = indexJ[b];
                    sumOrder_[next++] = a + b * block.ri;
                }
        }
        pairShare_.resize(layout.numPairs);
        for (std::size_t bl = 0; bl < blocks_.size(); ++bl)
            std::fill(pairShare_.begin() + static_cast<std::ptrdiff_t>(blocks_[bl].start),
                      pairShare_.begin() + static_cast<std::ptrdiff_t>(BlockEnd(bl)),
                      prior / (static_cast<double>(blocks_[bl].ri) * static_cast<double>(blocks_[bl].rj)));
        // Variables in groups of at least kGroupValues values, each group's
        // pair blocks (those of its variables with every later one) in runs.
        std::size_t b = 0;
        for (std::int32_t i = 0; i < layout.dimension;) {
            VariableGroup group{layout.valueStart[static_cast<std::size_t>(i)], 0, runs_.size(), 0};
            while (i < layout.dimension &&
                   layout.valueStart[static_cast<std::size_t>(i)] - group.firstValue < kGroupValues)
                ++i;
            group.endValue = layout.valueStart[static_cast<std::size_t>(i)];
            while (b < blocks_.size() && blocks_[b].i < i) {
                BlockRun run{b, b, blocks_[b].start, blocks_[b].start};
                while (run.endBlock < blocks_.size() && blocks_[run.endBlock].i < i &&
                       (run.endBlock == b || BlockEnd(run.endBlock) - run.start <= kRunEntries))
                    run.end = BlockEnd(run.endBlock++);
                runs_.push_back(run);
                longestRun_ = std::max(longestRun_, run.end - run.start);
                b = run.endBlock;
            }
            group.endRun = runs_.size();
            groups_.push_back(group);
        }
        SmoothSampleCounts();
    }

    // Rebuilds the units unit[0..count) together, a run of pair blocks at a time.
    void Rebuild(const std::size_t* unit, std::size_t count, Interrupt* interrupt, int worker) const {
        const std::size_t nv = layout_.numValues;
        std::vector<std::vector<GridSource>> sources;
        for (std::size_t u = 0; u < count; ++u) sources.push_back(weights_.SourcesOf(unit[u], stats_.count));
        std::vector<double> smoothed(std::max(nv, count * longestRun_)), joint(longestRun_), term(longestRun_);
        for (std::size_t u = 0; u < count; ++u) {
            SmoothEntries(sources[u], stats_.values, nv, 0, nv, smoothed.data());
            WriteMarginals(unit[u], smoothed.data());
        }
        for (const VariableGroup& group : groups_) {
            if (ShouldStop(interrupt, worker)) return;
            for (std::size_t r = group.firstRun; r < group.endRun; ++r) {
                for (std::size_t u = 0; u < count; ++u)
                    SmoothEntries(sources[u], stats_.pairs, layout_.numPairs, runs_[r].start, runs_[r].end,
                                  smoothed.data() + u * longestRun_);
                for (std::size_t u = 0; u < count; ++u)
                    WriteRun(unit[u], runs_[r], smoothed.data() + u * longestRun_, joint.data(), term.data());
            }
            if (cells_ == IntersectCells::kAll)
                for (std::size_t u = 0; u < count; ++u) MirrorPairs(unit[u], group);
        }
        TreeScratch tree;
        std::vector<std::int32_t> parent(static_cast<std::size_t>(model_.dimension));
        for (std::size_t u = 0; u < count; ++u) {
            BuildDependencyTree(tables_.mutual[unit[u]], tables_.graph[unit[u]], model_.dimension, model_.rootNode,
                                tree, parent.data());
            if (cells_ == IntersectCells::kTreeEdges) WriteTreeEdges(unit[u], sources[u], smoothed.data());
        }
    }

    void WritePriors() const {
        const auto units = static_cast<std::size_t>(layout_.units);
        double total = 0.0;
        for (std::size_t k = 0; k < units; ++k) total += smoothedCount_[k] + prior_;
        for (std::size_t k = 0; k < units; ++k) {
            tables_.pi[k] = (smoothedCount_[k] + prior_) / total;
            tables_.numVictories[k] = stats_.count[k];
        }
    }

private:
    std::size_t BlockEnd(std::size_t b) const {
        return blocks_[b].start + static_cast<std::size_t>(blocks_[b].ri) * static_cast<std::size_t>(blocks_[b].rj);
    }

    void SmoothSampleCounts() {
        const auto units = static_cast<std::size_t>(layout_.units);
        smoothedCount_.assign(units, 0.0);
        for (std::size_t k = 0; k < units; ++k) {
            double n = 0.0;
            for (std::size_t l = 0; l < units; ++l) n += weights_(k, l) * stats_.count[l];
            smoothedCount_[k] = n;
        }
    }

    double Denominator(std::size_t k) const { return smoothedCount_[k] + prior_; }

    // Marginal, the blocks of every variable with itself and Mutual's diagonal.
    void WriteMarginals(std::size_t k, const double* counts) const {
        const std::int32_t d = layout_.dimension;
        const auto nv = static_cast<std::size_t>(model_.numValues);
        const double denominator = Denominator(k);
        double* marginal = tables_.marginal[k];
        double* intersect = tables_.intersect[k];
        for (std::int32_t i = 0; i < d; ++i) {
            const std::int32_t ri = layout_.range[static_cast<std::size_t>(i)];
            const std::size_t first = layout_.valueStart[static_cast<std::size_t>(i)];
            const double share = prior_ / ri;
            for (std::int32_t a = 0; a < ri; ++a) {
                const auto g = static_cast<std::size_t>(index_[first + static_cast<std::size_t>(a)]);
                marginal[g] = (counts[first + static_cast<std::size_t>(a)] + share) / denominator;
                for (std::int32_t b = 0; b < ri; ++b)
                    intersect[g + static_cast<std::size_t>(index_[first + static_cast<std::size_t>(b)]) * nv] = 0.0;
                intersect[g + g * nv] = marginal[g];
            }
            tables_.mutual[k][static_cast<std::size_t>(i) * static_cast<std::size_t>(d + 1)] = 0.0;
        }
    }

    // Intersect(i = a, j = b) from Intersect(j = b, i = a) for the values
    // (i, a) of a group and every value (j, b) of a later variable: column
    // (j, b) gets the group's rows at once, a whole cache line where the
    // values are contiguous.
    void MirrorPairs(std::size_t k, const VariableGroup& group) const {
        const std::size_t nv = layout_.numValues;
        double* intersect = tables_.intersect[k];
        // Values p < limit belong to variables before q's.
        std::size_t limit = group.firstValue;
        for (std::size_t q = group.firstValue; q < nv; ++q) {
            while (limit < group.endValue && variableEnd_[limit] <= q) ++limit;
            const auto gq = static_cast<std::size_t>(index_[q]);
            for (std::size_t p = group.firstValue; p < limit; ++p) {
                const auto gp = static_cast<std::size_t>(index_[p]);
                intersect[gp + gq * nv] = intersect[gq + gp * nv];
            }
        }
    }

    // Intersect(i = a, j = b), i < j, of the blocks of the unit's tree edges:
    // what the compiled units read. Each block is smoothed again on its own,
    // the same sums in the same order as in its run, so the same doubles.
    void WriteTreeEdges(std::size_t k, const std::vector<GridSource>& sources, double* counts) const {
        const auto d = static_cast<std::size_t>(layout_.dimension);
        const auto nv = static_cast<std::size_t>(model_.numValues);
        const double* graph = tables_.graph[k];
        double* intersect = tables_.intersect[k];
        for (std::size_t bl = 0; bl < blocks_.size(); ++bl) {
            const PairBlock& block = blocks_[bl];
            const auto i = static_cast<std::size_t>(block.i), j = static_cast<std::size_t>(block.j);
            if (graph[i + j * d] == 0.0 && graph[j + i * d] == 0.0) continue;
            SmoothEntries(sources, stats_.pairs, layout_.numPairs, block.start, BlockEnd(bl), counts);
            const std::int32_t* indexI = index_.data() + layout_.valueStart[i];
            const std::int32_t* indexJ = index_.data() + layout_.valueStart[j];
            for (std::int32_t b = 0; b < block.rj; ++b)
                for (std::int32_t a = 0; a < block.ri; ++a) {
                    const auto e = static_cast<std::size_t>(a + b * block.ri);
                    intersect[static_cast<std::size_t>(indexI[a]) + static_cast<std::size_t>(indexJ[b]) * nv] =
                        (counts[e] + pairShare_[block.start + e]) / Denominator(k);
                }
        }
    }

    // The Intersect entries of a run of pair blocks from their smoothed counts
    // (the half at (j = b, i = a), when every cell is asked for; MirrorPairs
    // writes the other), and each
    // block's mutual information: the terms S x log2(S / (M(i = a) x
    // M(j = b))) of UnitMutualInformation, the same doubles in the same order.
    void WriteRun(std::size_t k, const BlockRun& run, const double* counts, double* joint, double* term) const {
        const auto nv = static_cast<std::size_t>(model_.numValues);
        const double denominator = Denominator(k);
        const double* marginal = tables_.marginal[k];
        double* intersect = tables_.intersect[k];
        const std::size_t size = run.end - run.start;
        const double* share = pairShare_.data() + run.start;
        for (std::size_t e = 0; e < size; ++e) joint[e] = (counts[e] + share[e]) / denominator;
        const std::int32_t* valueI = cellValueI_.data() + run.start;
        const std::int32_t* valueJ = cellValueJ_.data() + run.start;
        if (cells_ == IntersectCells::kAll)
            for (std::size_t e = 0; e < size; ++e)
                intersect[static_cast<std::size_t>(valueJ[e]) + static_cast<std::size_t>(valueI[e]) * nv] = joint[e];
        for (std::size_t e = 0; e < size; ++e) term[e] = marginal[valueJ[e]] * marginal[valueI[e]];
        for (std::size_t e = 0; e < size; ++e) term[e] = joint[e] / term[e];
        // Each term's share of its block's sum, 0.0 for a dropped term (one
        // that is not finite). S = 0 makes the quotient 0, -0 or NaN, whose log
        // is never finite: such terms are dropped without taking it. The sums
        // start from 0.0, which never becomes -0.0, so adding 0.0 leaves a sum
        // as skipping the term would.
        for (std::size_t e = 0; e < size; ++e) {
            double part = 0.0;
            if (joint[e] != 0.0) {
                const double bits = std::log(term[e]) * kBitsPerNat;
                if (IsFinite(bits)) part = bits * joint[e];
            }
            term[e] = part;
        }
        const auto d = static_cast<std::size_t>(layout_.dimension);
        double* mutual = tables_.mutual[k];
        for (std::size_t bl = run.firstBlock; bl < run.endBlock; ++bl) {
            const PairBlock& block = blocks_[bl];
            const std::size_t offset = block.start - run.start;
            const std::int32_t* order = sumOrder_.data() + block.start;
            const std::size_t cells = BlockEnd(bl) - block.start;
            double sum = 0.0;
            for (std::size_t c = 0; c < cells; ++c) sum = sum + term[offset + static_cast<std::size_t>(order[c])];
            const auto i = static_cast<std::size_t>(block.i), j = static_cast<std::size_t>(block.j);
            mutual[i + j * d] = sum;
            mutual[j + i * d] = sum;
        }
    }

    const MapModel& model_;
    const StatisticsLayout& layout_;
    ConstStatisticsView stats_;
    const GridWeights& weights_;
    double prior_;
    IntersectCells cells_;
    const TrainedTables& tables_;
    std::vector<std::int32_t> index_;  // global index of value (i, a) at valueStart[i] + a
    std::vector<std::size_t> variableEnd_;  // at valueStart[i] + a: valueStart[i + 1]
    std::vector<PairBlock> blocks_;
    std::vector<std::int32_t> cellValueI_, cellValueJ_;  // per pair count: global indices of (i, a) and (j, b)
    std::vector<std::int32_t> sumOrder_;  // per block: its cells' offsets in the order their terms are added
    std::vector<double> pairShare_;  // per pair count: the prior's share of its cell, alpha / (r_i x r_j)
    std::vector<BlockRun> runs_;
    std::vector<VariableGroup> groups_;
    std::size_t longestRun_ = 0;
    std::vector<double> smoothedCount_;
};

}  // namespace

void RebuildUnits(const MapModel& model, const StatisticsLayout& layout, const ConstStatisticsView& stats,
                  const GridWeights& weights, double prior, int threads, const std::vector<std::size_t>& units,
                  IntersectCells cells, const TrainedTables& tables, Interrupt* interrupt) {
    const MapRebuild rebuild(model, layout, stats, weights, prior, cells, tables);
    rebuild.WritePriors();
    ParallelFor(static_cast<std::int64_t>(units.size()), threads, [&](std::int64_t begin, std::int64_t end, int t) {
        rebuild.Rebuild(units.data() + begin, static_cast<std::size_t>(end - begin), interrupt, t);
    });
}

}  // namespace tavrix
