// Log-likelihoods of complete samples from their non-baseline entries.
//
// A unit's log-likelihood of a sample x is, in this order:
//   L(b), the plain sum of its terms at the all-baseline sample b;
//   + for each non-baseline variable i, ascending, the single correction
//     S_i(x_i) = sum over the terms touching i, in term order, of
//     t(b with x_i) - t(b);
//   + for each non-baseline variable i, ascending, and each pair term t of
//     (i, j), j > i, in term order, with j non-baseline too:
//     ((t(x_i, x_j) - t(x_i, b_j)) - t(b_i, x_j)) + t(b_i, b_j).
// Each term touches at most two variables, so this is the plain sum in exact
// arithmetic; in doubles it may differ by rounding. A unit with a term that is
// not finite for some codes is scored by the plain sum instead (a zero in its
// tables would make the corrections undefined).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "../core/compiled_map.hpp"
#include "baseline.hpp"

namespace tavrix {

class SparseScorer {
public:
    // `map` must outlive the scorer; `valueStart` as in StatisticsLayout.
    SparseScorer(const CompiledMap& map, const std::vector<std::size_t>& valueStart,
                 std::vector<std::int32_t> baselines);

    const std::vector<std::int32_t>& Baselines() const { return baselines_; }

    // Every unit's log-likelihood of the complete sample `codes`, whose
    // non-baseline entries are `entries`, into logs (NumUnits).
    void Score(const std::int32_t* codes, const NonBaselineEntries& entries, double* logs) const;

private:
    // A pair term of unit `unit`: its table of corrections reads
    // pairs_[offset + x_i + x_j x stride].
    struct PairTerm {
        std::int32_t unit;
        std::int32_t stride;
        std::size_t offset;
    };

    void AddUnit(std::size_t k, std::vector<std::pair<std::size_t, PairTerm>>& terms);

    const CompiledMap& map_;
    std::vector<std::size_t> valueStart_;
    std::vector<std::int32_t> baselines_;
    std::size_t units_;
    std::vector<double> base_;               // L(b) per unit
    std::vector<unsigned char> plain_;       // per unit: scored by the plain sum
    std::vector<double> singles_;            // S_i(a) of unit k at (valueStart[i] + a) x units + k
    // The pair terms of variables i < j at [termStart_[i x D + j], termStart_[i x D + j + 1]),
    // by unit and, within a unit, in term order. (D^2 indices: far fewer than
    // the pair counts of the statistics.)
    std::vector<std::uint32_t> termStart_;
    std::vector<PairTerm> terms_;
    // Bit j of row i (words of 64 bits) when some unit has a pair term of
    // (i, j): most pairs have none, and these bits stay in the nearest cache.
    std::vector<std::uint64_t> hasTerms_;
    std::size_t words_ = 0;
    std::vector<double> pairs_;
};

}  // namespace tavrix
