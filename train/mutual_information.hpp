// A unit's pairwise mutual information, in bits, from its Marginal and Intersect.
#pragma once

#include <cstdint>

#include "../core/value_index_table.hpp"

namespace tavrix {

// The factor that turns natural logarithms into bits, exactly as written
// (two units in the last place below the double nearest 1 / ln 2).
constexpr double kBitsPerNat = 1.442695040888963;

// Overwrites the Dimension x Dimension `mutual` (symmetric, diagonal 0.0).
// Entry (i, j) sums S x log2(S / (M[gj] x M[gi])) over the value pairs of
// variables i < j whose term is finite, a ascending and b ascending, with S
// read at (gj, gi) of `intersect`.
void UnitMutualInformation(const double* marginal, const double* intersect, double* mutual,
                           const ValueIndexTable& table, std::int32_t numValues);

}  // namespace tavrix
