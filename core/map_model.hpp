// Plain views of a map model: the counts and the arrays of every unit.
// The host layer fills it from the caller's struct; the core only reads it.
#pragma once

#include <cstdint>
#include <vector>

#include "grid_geometry.hpp"
#include "span.hpp"

namespace tavrix {

// The tables of one unit, as stored in the model.
struct UnitTables {
    const double* marginal = nullptr;   // NumValues
    const double* intersect = nullptr;  // NumValues x NumValues, column-major
    const double* graph = nullptr;      // Dimension x Dimension, (parent, child)
};

struct MapModel {
    std::int32_t numRowsMap = 0;
    std::int32_t numColsMap = 0;
    std::int32_t dimension = 0;
    std::int32_t maxRange = 0;
    std::int32_t numValues = 0;
    std::int32_t rootNode = 0;  // 0: undirected; r: directed, rooted at variable r - 1
    Lattice lattice = Lattice::kRectangular;

    std::vector<UnitTables> units;  // unit k = column x NumRowsMap + row
    Span<const double> pi;          // one prior per unit
    Span<const double> translate;   // MaxRange x Dimension, 1-based global indices
    Span<const double> ranges;      // Dimension

    std::int32_t NumUnits() const { return numRowsMap * numColsMap; }
};

// A matrix of value codes, one sample per column, already truncated to
// integers. Entries the caller marked missing may hold kMissingCode.
struct CodeMatrix {
    std::int32_t dimension = 0;
    std::int32_t numSamples = 0;
    std::vector<std::int32_t> codes;  // dimension x numSamples

    const std::int32_t* Column(std::int32_t j) const {
        return codes.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(dimension);
    }
};

constexpr std::int32_t kMissingCode = -1;

}  // namespace tavrix
