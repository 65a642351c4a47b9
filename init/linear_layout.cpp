#include "linear_layout.hpp"

#include <algorithm>
#include <cmath>

#include "../core/parallel.hpp"

namespace tavrix {
namespace {
constexpr std::int64_t kSamplesPerCheck = 512;
constexpr double kRowHeight = 0.86602540378443864676;  // sqrt(3) / 2
}  // namespace

std::vector<GridPoint> UnitPositions(std::int32_t rows, std::int32_t columns, Lattice lattice) {
    std::vector<GridPoint> places;
    places.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
    for (std::int32_t c = 0; c < columns; ++c)
        for (std::int32_t r = 0; r < rows; ++r) {
            if (lattice == Lattice::kHexagonal)
                places.push_back({c + 0.5 * (r % 2), r * kRowHeight});
            else
                places.push_back({static_cast<double>(c), static_cast<double>(r)});
        }
    return places;
}

PlaneToGrid::PlaneToGrid(const PrincipalPlane& plane, const std::vector<GridPoint>& places, std::int32_t rows,
                         std::int32_t columns)
    : firstAlongColumns_(columns >= rows), scale_{0.0, 0.0}, middle_{0.0, 0.0} {
    double low[2] = {0.0, 0.0}, high[2] = {0.0, 0.0};
    for (std::size_t k = 0; k < places.size(); ++k) {
        const double p[2] = {places[k].x, places[k].y};
        for (int a = 0; a < 2; ++a) {
            low[a] = k == 0 ? p[a] : std::min(low[a], p[a]);
            high[a] = k == 0 ? p[a] : std::max(high[a], p[a]);
        }
    }
    middle_ = {0.5 * (low[0] + high[0]), 0.5 * (low[1] + high[1])};
    // One standard deviation of the direction reaches the grid's edge.
    for (int t = 0; t < 2; ++t) {
        const int axis = (t == 0) == firstAlongColumns_ ? 0 : 1;
        const double half = 0.5 * (high[axis] - low[axis]);
        scale_[t] = plane.variance[t] > 0.0 ? half / std::sqrt(plane.variance[t]) : 0.0;
    }
}

GridPoint PlaneToGrid::operator()(double first, double second) const {
    const double a = first * scale_[0], b = second * scale_[1];
    return firstAlongColumns_ ? GridPoint{middle_.x + a, middle_.y + b} : GridPoint{middle_.x + b, middle_.y + a};
}

std::vector<std::int32_t> NearestUnits(const PrincipalPlane& plane, const StatisticsLayout& layout,
                                       const CodeMatrix& codes, std::int32_t rows, std::int32_t columns,
                                       Lattice lattice, int threads, Interrupt* interrupt) {
    const std::vector<GridPoint> places = UnitPositions(rows, columns, lattice);
    const PlaneToGrid toGrid(plane, places, rows, columns);
    std::vector<std::int32_t> nearest(static_cast<std::size_t>(codes.numSamples), 0);
    ParallelFor(codes.numSamples, threads, interrupt, kSamplesPerCheck, [&](std::int64_t begin, std::int64_t end, int) {
        for (std::int64_t j = begin; j < end; ++j) {
            const std::int32_t* sample = codes.Column(static_cast<std::int32_t>(j));
            const GridPoint at =
                toGrid(PlaneCoordinate(plane, 0, layout, sample), PlaneCoordinate(plane, 1, layout, sample));
            double best = 0.0;
            std::size_t unit = 0;
            for (std::size_t k = 0; k < places.size(); ++k) {
                const double dx = places[k].x - at.x, dy = places[k].y - at.y;
                const double distance = dx * dx + dy * dy;
                if (k == 0 || distance < best) {
                    best = distance;
                    unit = k;
                }
            }
            nearest[static_cast<std::size_t>(j)] = static_cast<std::int32_t>(unit);
        }
    });
    return nearest;
}

}  // namespace tavrix
