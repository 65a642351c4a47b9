// The counts of every unit smoothed over the map's grid: one dense product of
// the units x units grid weights by the units x entries counts, computed a
// block of entries at a time so that the counts of every unit stay in cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../core/grid_geometry.hpp"

namespace tavrix {

// One unit's share in the smoothed counts of another.
struct GridSource {
    std::size_t unit;
    double weight;
};

// The weights w(k, l) of a rows x columns map at one radius: the Gaussian
// NeighbourhoodWeight of the grid distance of units k and l on `lattice`.
class GridWeights {
public:
    GridWeights(std::int32_t rows, std::int32_t columns, Lattice lattice, double radius);

    std::size_t Units() const { return units_; }
    double operator()(std::size_t k, std::size_t l) const { return weight_[k * units_ + l]; }

    // The units l, ascending, that add to unit k's smoothed counts: a weight
    // other than zero and `sampleCount`[l] other than zero (a unit without
    // samples adds nothing).
    std::vector<GridSource> SourcesOf(std::size_t k, const double* sampleCount) const;

private:
    std::size_t units_;
    std::vector<double> weight_;  // row k: the weights of unit k's sources
};

// out[e] = sum over `sources`, in their order, of weight x counts[unit x stride + e]
// for e in [begin, end), summed from 0.0; `out` holds end - begin doubles.
// Every entry is summed in the same order whatever the range, so any cut of
// the entries into ranges gives the same doubles.
void SmoothEntries(const std::vector<GridSource>& sources, const double* counts, std::size_t stride,
                   std::size_t begin, std::size_t end, double* out);

}  // namespace tavrix
