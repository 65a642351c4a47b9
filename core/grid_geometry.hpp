// The map's grid: which lattice its units lie on and how many steps apart
// two units are. Unit k sits at row k mod rows, column k div rows (0-based).
//
// Rectangular: the city-block distance. Hexagonal, in offset rows: unit
// (r, c) is centred at x = c + (r mod 2) / 2, y = r sqrt(3) / 2, odd rows
// shifted right by half a unit, so each unit has six neighbours; the distance
// is the number of steps between neighbours, worked out in axial coordinates.
#pragma once

#include <cstdint>

namespace tavrix {

enum class Lattice : std::uint8_t { kRectangular, kHexagonal };

// The grid distance between (row a, column b) and (row c, column d).
std::int32_t LatticeDistance(Lattice lattice, std::int32_t rowA, std::int32_t columnA, std::int32_t rowB,
                             std::int32_t columnB);

// The grid distance between units k and l of a map with `rows` rows.
std::int32_t UnitDistance(Lattice lattice, std::int32_t rows, std::int64_t k, std::int64_t l);

// The largest distance between two units of a rows x columns map, plus one:
// the number of distances a weight table must cover.
std::int32_t DistanceCount(std::int32_t rows, std::int32_t columns);

}  // namespace tavrix
