// Plain views of a map model: the counts and the arrays of every unit.
// The host layer fills it from the caller's struct; the core only reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "grid_geometry.hpp"
#include "span.hpp"

namespace tavrix {

// A square table of a unit, n x n: whole (column-major), or compact: only
// its stored cells, by columns (column c's at rows[columnStart[c] ..
// columnStart[c + 1]), rows ascending), every other cell 0.0.
struct SquareTable {
    const double* dense = nullptr;
    const double* values = nullptr;
    const std::int64_t* rows = nullptr;
    const std::int64_t* columnStart = nullptr;

    SquareTable() = default;
    SquareTable(const double* whole) : dense(whole) {}  // NOLINT: a whole table reads as its pointer
    SquareTable(const double* stored, const std::int64_t* rowIndex, const std::int64_t* starts)
        : values(stored), rows(rowIndex), columnStart(starts) {}

    bool Compact() const { return dense == nullptr; }

    // Cell (row, column) of the n x n table.
    double At(std::size_t row, std::size_t column, std::size_t n) const {
        if (dense) return dense[row + column * n];
        const std::int64_t* first = rows + columnStart[column];
        const std::int64_t* last = rows + columnStart[column + 1];
        const auto r = static_cast<std::int64_t>(row);
        while (first < last) {  // lower bound
            const std::int64_t* middle = first + (last - first) / 2;
            if (*middle < r) first = middle + 1;
            else last = middle;
        }
        return first != rows + columnStart[column + 1] && *first == r ? values[first - rows] : 0.0;
    }
};

// The tables of one unit, as stored in the model.
struct UnitTables {
    const double* marginal = nullptr;  // NumValues
    SquareTable intersect;             // NumValues x NumValues
    SquareTable graph;                 // Dimension x Dimension, (parent, child)
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
    // Whatever the views need kept alive: index copies of compact tables
    // whose host indices are not 64-bit.
    std::shared_ptr<const void> storage;

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
