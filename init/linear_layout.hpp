// The linear first map: the grid spread over the principal plane of the
// samples, one standard deviation either side of the mean along each
// direction (the longer side of the grid along the first), and every sample
// given to the unit whose place is nearest its own.
#pragma once

#include <cstdint>
#include <vector>

#include "../core/grid_geometry.hpp"
#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "principal_plane.hpp"

namespace tavrix {

struct GridPoint {
    double x;
    double y;
};

// The place of every unit k = column x rows + row: (column, row) on the
// rectangular lattice; on the hexagonal one odd rows shift right by half a
// unit and rows lie sqrt(3)/2 apart.
std::vector<GridPoint> UnitPositions(std::int32_t rows, std::int32_t columns, Lattice lattice);

// Where a sample of the given plane coordinates lies on the grid of `places`.
class PlaneToGrid {
public:
    PlaneToGrid(const PrincipalPlane& plane, const std::vector<GridPoint>& places, std::int32_t rows,
                std::int32_t columns);
    GridPoint operator()(double first, double second) const;

private:
    bool firstAlongColumns_;  // the first direction runs along the grid's columns (its x)
    double scale_[2];         // grid units per plane unit, along each direction
    GridPoint middle_;
};

// Per sample of the complete `codes`, the unit nearest its place (squared
// distance; ties to the lower unit). Threads over samples, the same units
// for every thread count.
std::vector<std::int32_t> NearestUnits(const PrincipalPlane& plane, const StatisticsLayout& layout,
                                       const CodeMatrix& codes, std::int32_t rows, std::int32_t columns,
                                       Lattice lattice, int threads, Interrupt* interrupt);

}  // namespace tavrix
