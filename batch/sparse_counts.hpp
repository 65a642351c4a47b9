// Counts of batch training kept only where a sample differs from the
// baselines: per unit its samples, its non-baseline values and its pairs of
// non-baseline values. Every other count of the dense statistics follows from
// these by inclusion-exclusion, exactly (counts are integers):
//   n(i = b_i) = n - sum_{a != b_i} n(i = a);
//   n(i = a, j = b_j) = n(i = a) - sum_{c != b_j} n(i = a, j = c);
//   n(i = b_i, j = b_j) = n - n(i != b_i) - n(j != b_j) + n(i != b_i, j != b_j).
// So the dense statistics come out the same whatever the baselines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "baseline.hpp"
#include "statistics.hpp"

namespace tavrix {

// Where the non-baseline counts live: a code a != b_i of variable i has the
// compact code a - (a > b_i), in [0, range(i) - 1). Unit k's block holds its
// sample count, then the compact values of every variable, then the compact
// pair blocks of every i < j (compact code of i fastest).
struct SparseCountLayout {
    SparseCountLayout(const StatisticsLayout& layout, std::vector<std::int32_t> baselines);

    // The blocks of variable i's pairs follow each other, so the block of
    // (i, j) starts at rowStart[i] + (range(i) - 1) x (valueStart[j] - valueStart[i + 1]),
    // and compact code c of j lies (range(i) - 1) x (valueStart[j] + c) past rowBase[i].
    const StatisticsLayout& dense;
    std::vector<std::int32_t> baselines;
    std::vector<std::size_t> valueStart;  // Dimension + 1
    std::vector<std::size_t> rowStart;    // Dimension
    std::vector<std::ptrdiff_t> rowBase;  // Dimension: rowStart[i] - (range(i) - 1) x valueStart[i + 1]
    std::vector<unsigned char> binaryAfter;  // Dimension: whether every variable after i has range 2
    std::size_t numPairs = 0;
    std::size_t blockSize = 0;            // 1 + valueStart[Dimension] + numPairs
};

// One thread's non-baseline counts, zero to begin with, in whole units of a
// weight: samples under hard assignment, whose counts of one call stay below
// 2^31 (a call counts fewer samples than that), in 32-bit cells; quanta of
// soft assignment (soft_weights.hpp) in 64-bit cells.
template <class Cell>
class BasicSparseCounts {
public:
    explicit BasicSparseCounts(const SparseCountLayout& layout);

    // Counts a complete sample `weight` times into `unit`, given by its `size`
    // non-baseline entries: variables ascending and their codes.
    void Add(const std::int32_t* variables, const std::int32_t* codes, std::size_t size, std::int32_t unit,
             Cell weight);

    const Cell* Block(std::size_t unit) const { return cells_.data() + unit * layout_.blockSize; }

private:
    const SparseCountLayout& layout_;
    std::vector<Cell> cells_;
    std::vector<std::ptrdiff_t> value_;  // per entry of the sample being counted: its compact value
    std::vector<std::ptrdiff_t> row_;    // rowBase + its compact code
};

using SparseCounts = BasicSparseCounts<std::int32_t>;
using WeightedSparseCounts = BasicSparseCounts<std::int64_t>;

// The same counts kept as lists, for compact statistics: per unit its sample
// count and compact values in full, and only the pairs it has counted, as
// (compact place, count) in place order. Memory grows with the pairs that
// occur, not with all pairs of values.
template <class Cell>
class BasicListedCounts {
public:
    struct Entry {
        std::uint64_t pair;
        Cell count;
    };

    explicit BasicListedCounts(const SparseCountLayout& layout);

    void Add(const std::int32_t* variables, const std::int32_t* codes, std::size_t size, std::int32_t unit,
             Cell weight);
    // Merges the pairs still pending into every unit's list.
    void Flush();

    // Unit k's sample count, then its compact values.
    const Cell* Values(std::size_t unit) const { return values_.data() + unit * valueBlock_; }
    const std::vector<Entry>& Pairs(std::size_t unit) const { return pairs_[unit]; }

private:
    void FlushUnit(std::size_t unit);

    const SparseCountLayout& layout_;
    std::size_t valueBlock_;
    std::vector<Cell> values_;
    std::vector<std::vector<Entry>> pairs_, pending_;
    std::vector<Entry> merged_;
    std::vector<std::ptrdiff_t> value_, row_;
};

using ListedCounts = BasicListedCounts<std::int32_t>;
using WeightedListedCounts = BasicListedCounts<std::int64_t>;

// Adds the dense statistics of the counts of every part (the parts' counts
// summed), each count times `unit` (1, or the soft quantum: exact, a power of
// two), to `stats`, units spread over `threads` threads; with `replace`,
// writes them over what `stats` held.
template <class Cell>
void AddDenseCounts(const SparseCountLayout& layout, const std::vector<const BasicSparseCounts<Cell>*>& parts,
                    int threads, bool replace, double unit, const StatisticsView& stats);

// AddDenseCounts for compact statistics (stats.lists set), from listed
// counts, flushed: the same counts, the pairs in lists.
template <class Cell>
void AddListedCounts(const SparseCountLayout& layout, const std::vector<const BasicListedCounts<Cell>*>& parts,
                     int threads, bool replace, double unit, const StatisticsView& stats);

}  // namespace tavrix
