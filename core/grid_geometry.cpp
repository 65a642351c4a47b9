#include "grid_geometry.hpp"

#include <cstdlib>

namespace tavrix {
namespace {

// Axial column of an offset-row unit: odd rows are shifted right, so moving
// up or down a row from an even row leaves the axial column one lower on the
// right-hand neighbour.
std::int64_t AxialColumn(std::int64_t row, std::int64_t column) { return column - (row - (row & 1)) / 2; }

}  // namespace

std::int32_t LatticeDistance(Lattice lattice, std::int32_t rowA, std::int32_t columnA, std::int32_t rowB,
                             std::int32_t columnB) {
    const std::int64_t dr = std::int64_t{rowA} - rowB;
    if (lattice == Lattice::kRectangular)
        return static_cast<std::int32_t>(std::llabs(dr) + std::llabs(std::int64_t{columnA} - columnB));
    const std::int64_t dq = AxialColumn(rowA, columnA) - AxialColumn(rowB, columnB);
    return static_cast<std::int32_t>((std::llabs(dq) + std::llabs(dr) + std::llabs(dq + dr)) / 2);
}

std::int32_t UnitDistance(Lattice lattice, std::int32_t rows, std::int64_t k, std::int64_t l) {
    return LatticeDistance(lattice, static_cast<std::int32_t>(k % rows), static_cast<std::int32_t>(k / rows),
                           static_cast<std::int32_t>(l % rows), static_cast<std::int32_t>(l / rows));
}

std::int32_t DistanceCount(std::int32_t rows, std::int32_t columns) { return rows + columns; }

}  // namespace tavrix
