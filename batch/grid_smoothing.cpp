#include "grid_smoothing.hpp"

#include "../core/grid_geometry.hpp"
#include "../core/neighbourhood.hpp"

namespace tavrix {

GridWeights::GridWeights(std::int32_t rows, std::int32_t columns, Lattice lattice, double radius)
    : units_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns)), weight_(units_ * units_) {
    std::vector<double> byDistance;
    for (std::int32_t d = 0; d < DistanceCount(rows, columns); ++d)
        byDistance.push_back(NeighbourhoodWeight(d, radius));
    for (std::size_t k = 0; k < units_; ++k)
        for (std::size_t l = 0; l < units_; ++l) {
            const std::int32_t distance =
                UnitDistance(lattice, rows, static_cast<std::int64_t>(k), static_cast<std::int64_t>(l));
            weight_[k * units_ + l] = byDistance[static_cast<std::size_t>(distance)];
        }
}

std::vector<GridSource> GridWeights::SourcesOf(std::size_t k, const double* sampleCount) const {
    std::vector<GridSource> sources;
    for (std::size_t l = 0; l < units_; ++l) {
        const double w = (*this)(k, l);
        if (w != 0.0 && sampleCount[l] != 0.0) sources.push_back({l, w});
    }
    return sources;
}

void SmoothEntries(const std::vector<GridSource>& sources, const double* counts, std::size_t stride,
                   std::size_t begin, std::size_t end, double* out) {
    // Sixteen entries at a time, their sums kept in registers while every
    // source is added.
    constexpr std::size_t kWidth = 16;
    std::size_t e = begin;
    for (; e + kWidth <= end; e += kWidth) {
        double sum[kWidth] = {};
        for (const GridSource& s : sources) {
            const double w = s.weight;
            const double* c = counts + s.unit * stride + e;
            for (std::size_t t = 0; t < kWidth; ++t) sum[t] += w * c[t];
        }
        for (std::size_t t = 0; t < kWidth; ++t) out[e - begin + t] = sum[t];
    }
    for (; e < end; ++e) {
        double sum = 0.0;
        for (const GridSource& s : sources) sum += s.weight * counts[s.unit * stride + e];
        out[e - begin] = sum;
    }
}

}  // namespace tavrix
