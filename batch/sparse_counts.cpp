#include "sparse_counts.hpp"

#include <algorithm>

#include "../core/parallel.hpp"

namespace tavrix {

SparseCountLayout::SparseCountLayout(const StatisticsLayout& layout, std::vector<std::int32_t> codes)
    : dense(layout), baselines(std::move(codes)) {
    const auto d = static_cast<std::size_t>(layout.dimension);
    valueStart.assign(d + 1, 0);
    rowStart.assign(d, 0);
    rowBase.assign(d, 0);
    for (std::size_t i = 0; i < d; ++i)
        valueStart[i + 1] = valueStart[i] + static_cast<std::size_t>(layout.range[i] - 1);
    for (std::size_t i = 0; i < d; ++i) {
        const auto stride = static_cast<std::size_t>(layout.range[i] - 1);
        rowStart[i] = numPairs;
        rowBase[i] = static_cast<std::ptrdiff_t>(numPairs) - static_cast<std::ptrdiff_t>(stride * valueStart[i + 1]);
        numPairs += stride * (valueStart[d] - valueStart[i + 1]);
    }
    blockSize = 1 + valueStart[d] + numPairs;
    binaryAfter.assign(d, 1);
    for (std::size_t i = d - (d > 0 ? 1 : 0); i-- > 0;) binaryAfter[i] = binaryAfter[i + 1] && layout.range[i + 1] == 2;
}

template <class Cell>
BasicSparseCounts<Cell>::BasicSparseCounts(const SparseCountLayout& layout)
    : layout_(layout),
      cells_(layout.blockSize * static_cast<std::size_t>(layout.dense.units), 0),
      value_(static_cast<std::size_t>(layout.dense.dimension)),
      row_(value_.size()) {}

template <class Cell>
void BasicSparseCounts<Cell>::Add(const std::int32_t* variables, const std::int32_t* codes, std::size_t size,
                                  std::int32_t unit, Cell weight) {
    Cell* block = cells_.data() + static_cast<std::size_t>(unit) * layout_.blockSize;
    block[0] += weight;
    Cell* values = block + 1;
    for (std::size_t e = 0; e < size; ++e) {
        const auto i = static_cast<std::size_t>(variables[e]);
        const std::int32_t a = codes[e];
        const std::ptrdiff_t compact = a - (a > layout_.baselines[i] ? 1 : 0);
        value_[e] = static_cast<std::ptrdiff_t>(layout_.valueStart[i]) + compact;
        row_[e] = layout_.rowBase[i] + compact;
        values[value_[e]] += weight;
    }
    Cell* pairs = values + layout_.valueStart.back();
    for (std::size_t p = 0; p < size; ++p) {
        const std::ptrdiff_t row = row_[p];
        const std::ptrdiff_t stride = layout_.dense.range[static_cast<std::size_t>(variables[p])] - 1;
        if (stride == 1) {
            for (std::size_t q = p + 1; q < size; ++q) pairs[row + value_[q]] += weight;
        } else {
            for (std::size_t q = p + 1; q < size; ++q) pairs[row + stride * value_[q]] += weight;
        }
    }
}

template class BasicSparseCounts<std::int32_t>;
template class BasicSparseCounts<std::int64_t>;

namespace {
// A unit's pending pairs are merged into its list once this many wait.
constexpr std::size_t kPendingPairs = std::size_t{1} << 15;
}  // namespace

template <class Cell>
BasicListedCounts<Cell>::BasicListedCounts(const SparseCountLayout& layout)
    : layout_(layout),
      valueBlock_(1 + layout.valueStart.back()),
      values_(valueBlock_ * static_cast<std::size_t>(layout.dense.units), 0),
      pairs_(static_cast<std::size_t>(layout.dense.units)),
      pending_(pairs_.size()),
      value_(static_cast<std::size_t>(layout.dense.dimension)),
      row_(value_.size()) {}

template <class Cell>
void BasicListedCounts<Cell>::Add(const std::int32_t* variables, const std::int32_t* codes, std::size_t size,
                                  std::int32_t unit, Cell weight) {
    const auto u = static_cast<std::size_t>(unit);
    Cell* block = values_.data() + u * valueBlock_;
    block[0] += weight;
    for (std::size_t e = 0; e < size; ++e) {
        const auto i = static_cast<std::size_t>(variables[e]);
        const std::int32_t a = codes[e];
        const std::ptrdiff_t compact = a - (a > layout_.baselines[i] ? 1 : 0);
        value_[e] = static_cast<std::ptrdiff_t>(layout_.valueStart[i]) + compact;
        row_[e] = layout_.rowBase[i] + compact;
        block[1 + value_[e]] += weight;
    }
    std::vector<Entry>& pending = pending_[u];
    for (std::size_t p = 0; p < size; ++p) {
        const std::ptrdiff_t stride = layout_.dense.range[static_cast<std::size_t>(variables[p])] - 1;
        for (std::size_t q = p + 1; q < size; ++q)
            pending.push_back({static_cast<std::uint64_t>(row_[p] + stride * value_[q]), weight});
    }
    if (pending.size() >= kPendingPairs) FlushUnit(u);
}

template <class Cell>
void BasicListedCounts<Cell>::Flush() {
    for (std::size_t u = 0; u < pending_.size(); ++u) FlushUnit(u);
}

template <class Cell>
void BasicListedCounts<Cell>::FlushUnit(std::size_t unit) {
    std::vector<Entry>& pending = pending_[unit];
    if (pending.empty()) return;
    std::sort(pending.begin(), pending.end(), [](const Entry& x, const Entry& y) { return x.pair < y.pair; });
    const std::vector<Entry>& list = pairs_[unit];
    merged_.clear();
    std::size_t old = 0;
    for (std::size_t e = 0; e < pending.size();) {
        const std::uint64_t pair = pending[e].pair;
        Cell count = 0;
        for (; e < pending.size() && pending[e].pair == pair; ++e) count += pending[e].count;
        for (; old < list.size() && list[old].pair < pair; ++old) merged_.push_back(list[old]);
        if (old < list.size() && list[old].pair == pair) count += list[old++].count;
        merged_.push_back({pair, count});
    }
    for (; old < list.size(); ++old) merged_.push_back(list[old]);
    pairs_[unit].swap(merged_);
    pending.clear();
}

template class BasicListedCounts<std::int32_t>;
template class BasicListedCounts<std::int64_t>;

namespace {

// Adds `incoming` (places ascending, each count times `scale`) to the first
// `kept` counts of `list`, place by place, and drops the rest of `list`.
template <class Entries>
void MergeCounts(std::vector<PairCount>& list, std::size_t kept, const Entries& incoming, double scale,
                 std::vector<PairCount>& merged) {
    merged.clear();
    std::size_t old = 0;
    for (const auto& c : incoming) {
        for (; old < kept && list[old].pair < c.pair; ++old) merged.push_back(list[old]);
        double count = static_cast<double>(c.count) * scale;
        if (old < kept && list[old].pair == c.pair) count += list[old++].count;
        merged.push_back({c.pair, count});
    }
    for (; old < kept; ++old) merged.push_back(list[old]);
    list.swap(merged);
}

// Unit k's dense statistics from its summed non-baseline counts `total`,
// times `unit`, added to the statistics or, with kReplace, written over them
// (every entry of a unit with samples is written once).
template <bool kReplace>
class DenseFill {
public:
    DenseFill(const SparseCountLayout& layout, const StatisticsView& stats, double unit)
        : layout_(layout), stats_(stats), unit_(unit) {
        nonBaseline_.resize(static_cast<std::size_t>(layout.dense.dimension));
    }

    // Zeroes unit k's statistics.
    void Clear(std::size_t k) const {
        const StatisticsLayout& dense = layout_.dense;
        stats_.count[k] = 0.0;
        std::fill(stats_.values + k * dense.numValues, stats_.values + (k + 1) * dense.numValues, 0.0);
        if (stats_.lists) (*stats_.lists)[k].clear();
        else std::fill(stats_.pairs + k * dense.numPairs, stats_.pairs + (k + 1) * dense.numPairs, 0.0);
    }

    // With `listed`, the unit's pair counts are those, summed, not total's.
    void Unit(std::size_t k, const std::vector<std::int64_t>& total,
              const std::vector<PairCount>* listed = nullptr) {
        const std::int64_t n = total[0];
        if (n == 0) {  // adds nothing
            if (kReplace) Clear(k);
            return;
        }
        const StatisticsLayout& dense = layout_.dense;
        Put(stats_.count[k], static_cast<double>(n));
        values_ = total.data() + 1;
        const std::int64_t* pairs = values_ + layout_.valueStart.back();
        double* values = stats_.values + k * dense.numValues;
        for (std::int32_t i = 0; i < dense.dimension; ++i) {
            const auto si = static_cast<std::size_t>(i);
            std::int64_t sum = 0;
            for (std::int32_t a = 0; a < dense.range[si]; ++a) {
                if (a == layout_.baselines[si]) continue;
                const std::int64_t v = Value(i, a);
                Put(values[dense.valueStart[si] + static_cast<std::size_t>(a)], static_cast<double>(v));
                sum += v;
            }
            Put(values[dense.valueStart[si] + static_cast<std::size_t>(layout_.baselines[si])],
                static_cast<double>(n - sum));
            nonBaseline_[si] = sum;
        }
        if (listed) return AddListed((*stats_.lists)[k], *listed);
        if (stats_.lists) return ListPairs((*stats_.lists)[k], pairs);
        // Pair blocks in layout order: both follow each other the same way.
        double* out = stats_.pairs + k * dense.numPairs;
        for (std::int32_t i = 0; i < dense.dimension; ++i) {
            const auto ri = static_cast<std::size_t>(dense.range[static_cast<std::size_t>(i)]);
            if (ri == 2 && layout_.binaryAfter[static_cast<std::size_t>(i)]) {
                BinaryRow(i, n, pairs, out);
                pairs += static_cast<std::size_t>(dense.dimension - i - 1);
                out += 4 * static_cast<std::size_t>(dense.dimension - i - 1);
                continue;
            }
            for (std::int32_t j = i + 1; j < dense.dimension; ++j) {
                const auto rj = static_cast<std::size_t>(dense.range[static_cast<std::size_t>(j)]);
                Pair(i, j, n, pairs, out);
                pairs += (ri - 1) * (rj - 1);
                out += ri * rj;
            }
        }
    }

private:
    // Compact statistics: the non-zero counts of `compact`, added to `list`.
    void ListPairs(std::vector<PairCount>& list, const std::int64_t* compact) {
        merged_.clear();
        const std::size_t kept = kReplace ? 0 : list.size();
        std::size_t old = 0;
        for (std::size_t e = 0; e < layout_.numPairs; ++e) {
            if (compact[e] == 0) continue;
            for (; old < kept && list[old].pair < e; ++old) merged_.push_back(list[old]);
            double count = static_cast<double>(compact[e]) * unit_;
            if (old < kept && list[old].pair == e) count += list[old++].count;
            merged_.push_back({e, count});
        }
        for (; old < kept; ++old) merged_.push_back(list[old]);
        list.swap(merged_);
    }

    // The counts of `listed` (whole counts, not yet times unit_) added to `list`.
    void AddListed(std::vector<PairCount>& list, const std::vector<PairCount>& listed) {
        MergeCounts(list, kReplace ? 0 : list.size(), listed, unit_, merged_);
    }

    // Whole counts below 2^53 times a power of two: exact.
    void Put(double& cell, double count) const {
        if (kReplace) cell = count * unit_;
        else cell += count * unit_;
    }

    std::int64_t Value(std::int32_t i, std::int32_t a) const {
        const auto si = static_cast<std::size_t>(i);
        return values_[layout_.valueStart[si] + static_cast<std::size_t>(a - (a > layout_.baselines[si] ? 1 : 0))];
    }

    // The pairs of binary variable i with the variables after it, all
    // binary: one non-baseline cell x each. Counts below 2^53 are exact in
    // doubles, so the arithmetic is done in doubles.
    void BinaryRow(std::int32_t i, std::int64_t n, const std::int64_t* compact, double* block) const {
        const auto si = static_cast<std::size_t>(i);
        const std::size_t bi = static_cast<std::size_t>(layout_.baselines[si]), ai = 1 - bi;
        const double ni = static_cast<double>(nonBaseline_[si]);
        const double rest = static_cast<double>(n - nonBaseline_[si]);
        for (std::size_t j = si + 1; j < nonBaseline_.size(); ++j, ++compact, block += 4) {
            const std::size_t bj = static_cast<std::size_t>(layout_.baselines[j]), cj = 1 - bj;
            const double x = static_cast<double>(*compact);
            const double nj = static_cast<double>(nonBaseline_[j]);
            Put(block[ai + 2 * cj], x);
            Put(block[ai + 2 * bj], ni - x);
            Put(block[bi + 2 * cj], nj - x);
            Put(block[bi + 2 * bj], (rest - nj) + x);
        }
    }

    void Pair(std::int32_t i, std::int32_t j, std::int64_t n, const std::int64_t* compact, double* block) {
        const auto si = static_cast<std::size_t>(i), sj = static_cast<std::size_t>(j);
        const std::int32_t ri = layout_.dense.range[si], rj = layout_.dense.range[sj];
        const std::int32_t bi = layout_.baselines[si], bj = layout_.baselines[sj];
        const auto at = [&](std::int32_t a, std::int32_t c) -> double& {
            return block[static_cast<std::size_t>(a) + static_cast<std::size_t>(c) * static_cast<std::size_t>(ri)];
        };
        rowSum_.assign(static_cast<std::size_t>(ri), 0);
        std::int64_t both = 0;
        for (std::int32_t c = 0; c < rj; ++c) {
            if (c == bj) continue;
            std::int64_t column = 0;
            for (std::int32_t a = 0; a < ri; ++a) {
                if (a == bi) continue;
                const std::int64_t x = *compact++;
                Put(at(a, c), static_cast<double>(x));
                rowSum_[static_cast<std::size_t>(a)] += x;
                column += x;
            }
            Put(at(bi, c), static_cast<double>(Value(j, c) - column));
            both += column;
        }
        for (std::int32_t a = 0; a < ri; ++a)
            if (a != bi) Put(at(a, bj), static_cast<double>(Value(i, a) - rowSum_[static_cast<std::size_t>(a)]));
        Put(at(bi, bj), static_cast<double>(n - nonBaseline_[si] - nonBaseline_[sj] + both));
    }

    const SparseCountLayout& layout_;
    const StatisticsView& stats_;
    const double unit_;
    const std::int64_t* values_ = nullptr;
    std::vector<std::int64_t> nonBaseline_, rowSum_;
    std::vector<PairCount> merged_;
};

template <bool kReplace, class Cell>
void FillDense(const SparseCountLayout& layout, const std::vector<const BasicSparseCounts<Cell>*>& parts, int threads,
               double unit, const StatisticsView& stats) {
    const std::int64_t units = layout.dense.units;
    ParallelFor(units, ThreadCount(threads, units), [&](std::int64_t begin, std::int64_t end, int) {
        DenseFill<kReplace> fill(layout, stats, unit);
        std::vector<std::int64_t> total(layout.blockSize);
        for (std::int64_t k = begin; k < end; ++k) {
            std::fill(total.begin(), total.end(), 0);
            for (const BasicSparseCounts<Cell>* part : parts) {
                const Cell* block = part->Block(static_cast<std::size_t>(k));
                for (std::size_t e = 0; e < total.size(); ++e) total[e] += block[e];
            }
            fill.Unit(static_cast<std::size_t>(k), total);
        }
    });
}

}  // namespace

template <class Cell>
void AddDenseCounts(const SparseCountLayout& layout, const std::vector<const BasicSparseCounts<Cell>*>& parts,
                    int threads, bool replace, double unit, const StatisticsView& stats) {
    if (replace) FillDense<true>(layout, parts, threads, unit, stats);
    else FillDense<false>(layout, parts, threads, unit, stats);
}

template void AddDenseCounts(const SparseCountLayout&, const std::vector<const SparseCounts*>&, int, bool, double,
                             const StatisticsView&);

namespace {

// Units' counts from the parts' lists: values summed into a count-and-values
// block as FillDense sums whole blocks, pairs merged by place.
template <bool kReplace, class Cell>
void FillListed(const SparseCountLayout& layout, const std::vector<const BasicListedCounts<Cell>*>& parts,
                int threads, double unit, const StatisticsView& stats) {
    const std::int64_t units = layout.dense.units;
    const std::size_t block = 1 + layout.valueStart.back();
    ParallelFor(units, ThreadCount(threads, units), [&](std::int64_t begin, std::int64_t end, int) {
        DenseFill<kReplace> fill(layout, stats, unit);
        std::vector<std::int64_t> total(block);
        std::vector<PairCount> listed, merged;
        for (std::int64_t k = begin; k < end; ++k) {
            const auto u = static_cast<std::size_t>(k);
            std::fill(total.begin(), total.end(), 0);
            listed.clear();
            for (const BasicListedCounts<Cell>* part : parts) {
                const Cell* values = part->Values(u);
                for (std::size_t e = 0; e < block; ++e) total[e] += values[e];
                MergeCounts(listed, listed.size(), part->Pairs(u), 1.0, merged);
            }
            fill.Unit(u, total, &listed);
        }
    });
}

}  // namespace

template <class Cell>
void AddListedCounts(const SparseCountLayout& layout, const std::vector<const BasicListedCounts<Cell>*>& parts,
                     int threads, bool replace, double unit, const StatisticsView& stats) {
    if (replace) FillListed<true>(layout, parts, threads, unit, stats);
    else FillListed<false>(layout, parts, threads, unit, stats);
}

template void AddListedCounts(const SparseCountLayout&, const std::vector<const ListedCounts*>&, int, bool, double,
                              const StatisticsView&);
template void AddListedCounts(const SparseCountLayout&, const std::vector<const WeightedListedCounts*>&, int, bool,
                              double, const StatisticsView&);
template void AddDenseCounts(const SparseCountLayout&, const std::vector<const WeightedSparseCounts*>&, int, bool,
                             double, const StatisticsView&);

}  // namespace tavrix
