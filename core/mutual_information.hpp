// A unit's pairwise mutual information, in bits, from its Marginal and Intersect.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "value_index_table.hpp"

namespace tavrix {

// The factor that turns natural logarithms into bits, exactly as written
// (two units in the last place below the double nearest 1 / ln 2).
constexpr double kBitsPerNat = 1.442695040888963;

// The global value indices of a map in (variable, value) order, worked out
// once per call and shared by every unit.
class ValueOrder {
public:
    ValueOrder(const ValueIndexTable& table, std::int32_t numValues);

    std::size_t Dimension() const { return start_.size() - 1; }
    std::size_t NumValues() const { return numValues_; }
    // Variable i's values are index [Start(i), Start(i + 1)).
    std::size_t Start(std::size_t i) const { return start_[i]; }
    const std::int32_t* Index() const { return index_.data(); }
    // Index() is 0, 1, 2, ...: the usual Translate, read without indirection.
    bool Contiguous() const { return contiguous_; }
    // Doubles of scratch that UnitMutualInformation takes.
    std::size_t ScratchSize() const { return scratch_; }

private:
    std::vector<std::int32_t> index_;
    std::vector<std::size_t> start_;
    std::size_t numValues_;
    bool contiguous_;
    std::size_t scratch_;
};

// Overwrites the Dimension x Dimension `mutual` (symmetric, diagonal 0.0).
// Entry (i, j) sums S x log2(S / (M[gj] x M[gi])) over the value pairs of
// variables i < j whose term is finite, a ascending and b ascending, with S
// read at (gj, gi) of `intersect`. `scratch` holds order.ScratchSize() doubles.
void UnitMutualInformation(const ValueOrder& order, const double* marginal, const double* intersect, double* mutual,
                           double* scratch);

// The same with scratch of its own, for single calls.
void UnitMutualInformation(const double* marginal, const double* intersect, double* mutual,
                           const ValueIndexTable& table, std::int32_t numValues);

}  // namespace tavrix
