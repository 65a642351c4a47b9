// The statistics of one pass of batch training: per unit, its number of
// samples, the count of every value and the count of every pair of values of
// two variables. Counts are whole numbers held in doubles (whole numbers of
// the soft quantum under soft assignment, soft_weights.hpp), so statistics of
// any split of the data add up, in any order, to those of the whole, exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "../core/value_index_table.hpp"

namespace tavrix {

// Where each count lives. Values are numbered in (variable, code) order:
// variable i's codes at [valueStart[i], valueStart[i + 1]). The pair block of
// variables i < j holds range(i) x range(j) counts, column-major (the code
// of i varies fastest), at pairStart[i x Dimension + j]; blocks follow each
// other in the order (0,1), (0,2), ..., (1,2), ...
struct StatisticsLayout {
    std::int32_t dimension = 0;
    std::int32_t units = 0;
    std::vector<std::int32_t> range;
    std::vector<std::size_t> valueStart;  // Dimension + 1
    std::vector<std::size_t> pairStart;   // Dimension x Dimension, set for i < j
    std::size_t numValues = 0;            // sum of the ranges
    std::size_t numPairs = 0;             // sum over i < j of range(i) x range(j)

    std::size_t PairBlock(std::int32_t i, std::int32_t j) const {
        return pairStart[static_cast<std::size_t>(i) * static_cast<std::size_t>(dimension) +
                         static_cast<std::size_t>(j)];
    }
};

StatisticsLayout MakeStatisticsLayout(const ValueIndexTable& table, std::int32_t units);

// A count of a pair of values both off their baselines (sparse_counts.hpp),
// at its place in the compact pair layout.
struct PairCount {
    std::uint64_t pair;
    double count;
};
// Per unit, its non-zero such counts, places ascending.
using PairLists = std::vector<std::vector<PairCount>>;

// Views of the count arrays: count (units), values (numValues x units),
// pairs (numPairs x units), unit k's column at k x numValues and k x numPairs.
// Compact statistics hold their pairs in `lists` instead (and no `pairs`):
// only the non-zero counts of pairs of values off the `baselines`. The
// baselines, when given, are those the counts were made with.
template <class T>
struct StatisticsArrays {
    T* count;
    T* values;
    T* pairs;
    std::conditional_t<std::is_const_v<T>, const PairLists*, PairLists*> lists = nullptr;
    const std::vector<std::int32_t>* baselines = nullptr;
};
using StatisticsView = StatisticsArrays<double>;
using ConstStatisticsView = StatisticsArrays<const double>;

// Statistics with storage of their own, zero-filled; compact ones keep
// their pairs in lists.
struct Statistics {
    explicit Statistics(const StatisticsLayout& layout, bool compact = false);
    std::vector<double> count, values, pairs;
    PairLists lists;
    bool compact = false;
    std::vector<std::int32_t> baselines;  // those of the counts, once counted
    StatisticsView View() {
        return {count.data(), values.data(), pairs.data(), compact ? &lists : nullptr, Baselines()};
    }
    ConstStatisticsView ConstView() const {
        return {count.data(), values.data(), pairs.data(), compact ? &lists : nullptr, Baselines()};
    }

private:
    const std::vector<std::int32_t>* Baselines() const { return baselines.empty() ? nullptr : &baselines; }
};

// Counts one complete sample (codes of every variable) into unit k with
// `weight` (1, or a whole number of soft quanta).
void CountSample(const StatisticsLayout& layout, const std::int32_t* codes, std::int32_t unit,
                 const StatisticsView& stats, double weight = 1.0);

}  // namespace tavrix
