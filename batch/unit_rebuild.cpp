#include "unit_rebuild.hpp"

#include <algorithm>
#include <cmath>

#include "../core/compact_tables.hpp"
#include "../core/dependency_tree.hpp"
#include "../core/mutual_information.hpp"
#include "../core/numeric.hpp"
#include "../core/parallel.hpp"
#include "../core/value_index_table.hpp"
#include "baseline.hpp"
#include "sparse_counts.hpp"

namespace tavrix {
namespace {

// One thread's working space, reused from unit to unit.
struct RebuildScratch {
    std::vector<double> smoothed;  // smoothed value counts, (variable, code) order
    std::vector<double> pairs;     // smoothed counts of the pairs off the baselines, compact order
    std::vector<double> cells;     // one pair block's joint probabilities, code of the first variable fastest
    std::vector<double> edgeMutual;
    std::vector<std::int32_t> parent;
    TreeScratch tree;
};

// What the rebuild of every unit shares: global value indices, the
// baselines and the compact pair places of their counts, the weights and the
// smoothed sample counts.
class MapRebuild {
public:
    MapRebuild(const MapModel& model, const StatisticsLayout& layout, const ConstStatisticsView& stats,
               const GridWeights& weights, double prior, IntersectCells cells, const TrainedTables& tables,
               int threads)
        : model_(model),
          layout_(layout),
          stats_(stats),
          weights_(weights),
          prior_(prior),
          cells_(cells),
          tables_(tables),
          table_(BuildValueIndexTable(model)),
          compact_(layout, stats.baselines ? *stats.baselines : ModelBaselines(model, table_)) {
        for (std::int32_t i = 0; i < layout.dimension; ++i)
            for (std::int32_t a = 0; a < layout.range[static_cast<std::size_t>(i)]; ++a) index_.push_back(table_(i, a));
        if (stats.lists) {
            lists_ = stats.lists;
        } else {
            ListDensePairs(threads);
            lists_ = &ownLists_;
        }
        SmoothSampleCounts();
    }

    void Rebuild(std::size_t k, RebuildScratch& s) const {
        const std::vector<GridSource> sources = weights_.SourcesOf(k, stats_.count);
        const std::size_t nv = layout_.numValues;
        s.smoothed.resize(nv);
        SmoothEntries(sources, stats_.values, nv, 0, nv, s.smoothed.data());
        WriteMarginals(k, s.smoothed.data());
        s.pairs.assign(compact_.numPairs, 0.0);
        for (const GridSource& source : sources)
            for (const PairCount& c : (*lists_)[source.unit]) s.pairs[c.pair] += source.weight * c.count;
        const std::int32_t d = layout_.dimension;
        s.parent.resize(static_cast<std::size_t>(d));
        if (tables_.compact) {
            if (d > 0)
                GrowDependencyTree([&](std::int32_t i, std::int32_t j) { return BlockMutual(k, i, j, s); }, d,
                                   model_.rootNode, s.tree, s.parent.data());
            s.edgeMutual.assign(static_cast<std::size_t>(d), 0.0);
            for (std::int32_t c = 0; c < d; ++c) {
                const std::int32_t p = s.parent[static_cast<std::size_t>(c)];
                if (p >= 0) s.edgeMutual[static_cast<std::size_t>(c)] = BlockMutual(k, std::min(p, c), std::max(p, c), s);
            }
            CompactTableBuilder builder(static_cast<std::size_t>(model_.numValues));
            WriteCompactUnit(
                s.parent, tables_.marginal[k], static_cast<std::size_t>(model_.numValues), s.edgeMutual,
                [&](std::int32_t i, std::int32_t j, auto&& cell) {
                    BlockCells(k, i, j, s);
                    ForEachCell(i, j, [&](std::size_t e, std::size_t gi, std::size_t gj) { cell(gi, gj, s.cells[e]); });
                },
                builder, (*tables_.compact)[k]);
            return;
        }
        const auto sd = static_cast<std::size_t>(d), n = static_cast<std::size_t>(model_.numValues);
        double* mutual = tables_.mutual[k];
        double* intersect = tables_.intersect[k];
        for (std::int32_t i = 0; i < d; ++i)
            for (std::int32_t j = i + 1; j < d; ++j) {
                const double m = BlockMutual(k, i, j, s);
                mutual[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * sd] = m;
                mutual[static_cast<std::size_t>(j) + static_cast<std::size_t>(i) * sd] = m;
                if (cells_ == IntersectCells::kAll)
                    ForEachCell(i, j, [&](std::size_t e, std::size_t gi, std::size_t gj) {
                        intersect[gi + gj * n] = s.cells[e];
                        intersect[gj + gi * n] = s.cells[e];
                    });
            }
        BuildDependencyTree(mutual, tables_.graph[k], d, model_.rootNode, s.tree, s.parent.data());
        if (cells_ == IntersectCells::kAll) return;
        for (std::int32_t c = 0; c < d; ++c) {
            const std::int32_t p = s.parent[static_cast<std::size_t>(c)];
            if (p < 0) continue;
            const std::int32_t i = std::min(p, c), j = std::max(p, c);
            BlockCells(k, i, j, s);
            ForEachCell(i, j, [&](std::size_t e, std::size_t gi, std::size_t gj) { intersect[gi + gj * n] = s.cells[e]; });
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
    std::int32_t Range(std::int32_t i) const { return layout_.range[static_cast<std::size_t>(i)]; }
    std::int32_t Baseline(std::int32_t i) const { return compact_.baselines[static_cast<std::size_t>(i)]; }

    // The compact place of the pair (i = a, j = c), i < j, both off their baselines.
    std::size_t PairPlace(std::int32_t i, std::int32_t a, std::int32_t j, std::int32_t c) const {
        const std::ptrdiff_t ca = a - (a > Baseline(i) ? 1 : 0), cc = c - (c > Baseline(j) ? 1 : 0);
        return static_cast<std::size_t>(compact_.rowBase[static_cast<std::size_t>(i)] + ca +
                                        (Range(i) - 1) * (static_cast<std::ptrdiff_t>(
                                                              compact_.valueStart[static_cast<std::size_t>(j)]) +
                                                          cc));
    }

    // The non-zero counts off the baselines of dense statistics, unit by unit.
    void ListDensePairs(int threads) {
        const auto units = static_cast<std::size_t>(layout_.units);
        ownLists_.assign(units, {});
        ParallelFor(static_cast<std::int64_t>(units), threads, [&](std::int64_t begin, std::int64_t end, int) {
            for (auto l = static_cast<std::size_t>(begin); l < static_cast<std::size_t>(end); ++l) ListUnit(l);
        });
    }

    void ListUnit(std::size_t l) {
        if (stats_.count[l] == 0.0) return;  // a unit without samples is no one's source
        const double* pairs = stats_.pairs + l * layout_.numPairs;
        std::vector<PairCount>& list = ownLists_[l];
        for (std::int32_t i = 0; i < layout_.dimension; ++i)
            for (std::int32_t j = i + 1; j < layout_.dimension; ++j) {
                const double* block = pairs + layout_.PairBlock(i, j);
                for (std::int32_t c = 0; c < Range(j); ++c)
                    for (std::int32_t a = 0; a < Range(i); ++a) {
                        const double x = block[a + c * Range(i)];
                        if (a != Baseline(i) && c != Baseline(j) && x != 0.0)
                            list.push_back({PairPlace(i, a, j, c), x});
                    }
            }
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

    // Marginal, and for whole tables the blocks of every variable with itself and Mutual's diagonal.
    void WriteMarginals(std::size_t k, const double* counts) const {
        const std::int32_t d = layout_.dimension;
        const auto nv = static_cast<std::size_t>(model_.numValues);
        const double denominator = Denominator(k);
        double* marginal = tables_.marginal[k];
        for (std::int32_t i = 0; i < d; ++i) {
            const std::int32_t ri = Range(i);
            const std::size_t first = layout_.valueStart[static_cast<std::size_t>(i)];
            const double share = prior_ / ri;
            for (std::int32_t a = 0; a < ri; ++a) {
                const auto g = static_cast<std::size_t>(index_[first + static_cast<std::size_t>(a)]);
                marginal[g] = (counts[first + static_cast<std::size_t>(a)] + share) / denominator;
                if (tables_.compact) continue;
                double* intersect = tables_.intersect[k];
                for (std::int32_t b = 0; b < ri; ++b)
                    intersect[g + static_cast<std::size_t>(index_[first + static_cast<std::size_t>(b)]) * nv] = 0.0;
                intersect[g + g * nv] = marginal[g];
            }
            if (!tables_.compact) tables_.mutual[k][static_cast<std::size_t>(i) * static_cast<std::size_t>(d + 1)] = 0.0;
        }
    }

    // f(e, gi, gj) for every cell e = a + b x r_i of the block of i < j, a
    // ascending outside, b inside: the order of the mutual information's sum.
    template <class F>
    void ForEachCell(std::int32_t i, std::int32_t j, F&& f) const {
        const std::int32_t* indexI = index_.data() + layout_.valueStart[static_cast<std::size_t>(i)];
        const std::int32_t* indexJ = index_.data() + layout_.valueStart[static_cast<std::size_t>(j)];
        const std::int32_t ri = Range(i), rj = Range(j);
        for (std::int32_t a = 0; a < ri; ++a)
            for (std::int32_t b = 0; b < rj; ++b)
                f(static_cast<std::size_t>(a + b * ri), static_cast<std::size_t>(indexI[a]),
                  static_cast<std::size_t>(indexJ[b]));
    }

    // The joint probabilities of the block of i < j into s.cells. Counts of
    // pairs off the baselines are smoothed; the others follow from them and
    // the smoothed value counts, each row or column of the block summing to
    // its value's count (a difference that rounding takes below zero is 0):
    //   S(a, b_j) = S(i = a) - sum over c != b_j, ascending, of S(a, c), a != b_i;
    //   S(b_i, c) = S(j = c) - sum over a != b_i, ascending, of S(a, c), c != b_j;
    //   S(b_i, b_j) = S(i = b_i) - sum over c != b_j, ascending, of S(b_i, c).
    void BlockCells(std::size_t k, std::int32_t i, std::int32_t j, RebuildScratch& s) const {
        const std::int32_t ri = Range(i), rj = Range(j), bi = Baseline(i), bj = Baseline(j);
        s.cells.resize(static_cast<std::size_t>(ri) * static_cast<std::size_t>(rj));
        double* cell = s.cells.data();
        const double* valueI = s.smoothed.data() + layout_.valueStart[static_cast<std::size_t>(i)];
        const double* valueJ = s.smoothed.data() + layout_.valueStart[static_cast<std::size_t>(j)];
        auto at = [&](std::int32_t a, std::int32_t c) -> double& { return cell[a + c * ri]; };
        auto clamp = [](double x) { return x > 0.0 ? x : 0.0; };
        for (std::int32_t c = 0; c < rj; ++c)
            for (std::int32_t a = 0; a < ri; ++a)
                if (a != bi && c != bj) at(a, c) = s.pairs[PairPlace(i, a, j, c)];
        for (std::int32_t a = 0; a < ri; ++a) {
            if (a == bi) continue;
            double rest = valueI[a];
            for (std::int32_t c = 0; c < rj; ++c)
                if (c != bj) rest = rest - at(a, c);
            at(a, bj) = clamp(rest);
        }
        for (std::int32_t c = 0; c < rj; ++c) {
            if (c == bj) continue;
            double rest = valueJ[c];
            for (std::int32_t a = 0; a < ri; ++a)
                if (a != bi) rest = rest - at(a, c);
            at(bi, c) = clamp(rest);
        }
        double rest = valueI[bi];
        for (std::int32_t c = 0; c < rj; ++c)
            if (c != bj) rest = rest - at(bi, c);
        at(bi, bj) = clamp(rest);
        const double share = prior_ / (static_cast<double>(ri) * static_cast<double>(rj));
        const double denominator = Denominator(k);
        for (std::size_t e = 0; e < s.cells.size(); ++e) cell[e] = (cell[e] + share) / denominator;
    }

    // BlockCells and BlockMutual of two binary variables, written out: the
    // same operations in the same order.
    double BinaryMutual(std::size_t k, std::int32_t i, std::int32_t j, RebuildScratch& s) const {
        const std::int32_t bi = Baseline(i), bj = Baseline(j), ai = 1 - bi, aj = 1 - bj;
        const double* valueI = s.smoothed.data() + layout_.valueStart[static_cast<std::size_t>(i)];
        const double* valueJ = s.smoothed.data() + layout_.valueStart[static_cast<std::size_t>(j)];
        auto clamp = [](double x) { return x > 0.0 ? x : 0.0; };
        if (s.cells.size() < 4) s.cells.resize(4);
        double* cell = s.cells.data();
        const double both = s.pairs[static_cast<std::size_t>(compact_.rowBase[static_cast<std::size_t>(i)] +
                                                              static_cast<std::ptrdiff_t>(
                                                                  compact_.valueStart[static_cast<std::size_t>(j)]))];
        cell[ai + 2 * aj] = both;
        cell[ai + 2 * bj] = clamp(valueI[ai] - both);
        const double column = clamp(valueJ[aj] - both);
        cell[bi + 2 * aj] = column;
        cell[bi + 2 * bj] = clamp(valueI[bi] - column);
        const double share = prior_ / (2.0 * 2.0);
        const double denominator = Denominator(k);
        const double* marginal = tables_.marginal[k];
        const std::int32_t* indexI = index_.data() + layout_.valueStart[static_cast<std::size_t>(i)];
        const std::int32_t* indexJ = index_.data() + layout_.valueStart[static_cast<std::size_t>(j)];
        const double mi[2] = {marginal[indexI[0]], marginal[indexI[1]]};
        const double mj[2] = {marginal[indexJ[0]], marginal[indexJ[1]]};
        double sum = 0.0;
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b) {
                const double joint = (cell[a + 2 * b] + share) / denominator;
                cell[a + 2 * b] = joint;
                if (joint == 0.0) continue;
                const double bits = std::log(joint / (mj[b] * mi[a])) * kBitsPerNat;
                if (IsFinite(bits)) sum = sum + bits * joint;
            }
        return sum;
    }

    // The mutual information of i < j in bits: the terms S x log2(S / (M(j = b)
    // x M(i = a))) of UnitMutualInformation, a outside and b inside, those
    // that are not finite dropped. Leaves the block's cells in s.cells.
    double BlockMutual(std::size_t k, std::int32_t i, std::int32_t j, RebuildScratch& s) const {
        if (Range(i) == 2 && Range(j) == 2) return BinaryMutual(k, i, j, s);
        BlockCells(k, i, j, s);
        const double* marginal = tables_.marginal[k];
        double sum = 0.0;
        ForEachCell(i, j, [&](std::size_t e, std::size_t gi, std::size_t gj) {
            const double joint = s.cells[e];
            if (joint == 0.0) return;
            const double bits = std::log(joint / (marginal[gj] * marginal[gi])) * kBitsPerNat;
            if (IsFinite(bits)) sum = sum + bits * joint;
        });
        return sum;
    }

    const MapModel& model_;
    const StatisticsLayout& layout_;
    ConstStatisticsView stats_;
    const GridWeights& weights_;
    double prior_;
    IntersectCells cells_;
    const TrainedTables& tables_;
    ValueIndexTable table_;
    SparseCountLayout compact_;
    std::vector<std::int32_t> index_;  // global index of value (i, a) at valueStart[i] + a
    const PairLists* lists_ = nullptr;
    PairLists ownLists_;
    std::vector<double> smoothedCount_;
};

}  // namespace

void RebuildUnits(const MapModel& model, const StatisticsLayout& layout, const ConstStatisticsView& stats,
                  const GridWeights& weights, double prior, int threads, const std::vector<std::size_t>& units,
                  IntersectCells cells, const TrainedTables& tables, Interrupt* interrupt) {
    const MapRebuild rebuild(model, layout, stats, weights, prior, cells, tables, threads);
    rebuild.WritePriors();
    ParallelFor(static_cast<std::int64_t>(units.size()), threads, [&](std::int64_t begin, std::int64_t end, int t) {
        RebuildScratch scratch;
        for (std::int64_t u = begin; u < end && !ShouldStop(interrupt, t); ++u)
            rebuild.Rebuild(units[static_cast<std::size_t>(u)], scratch);
    });
}

}  // namespace tavrix
