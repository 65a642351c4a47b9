// Grid distances: the hexagonal lattice against a table worked out by hand
// on a 3 x 4 map, the rectangular one as the city-block distance, and the
// smoothing weights built from them.
#include <cstdlib>

#include <gtest/gtest.h>

#include "batch/grid_smoothing.hpp"
#include "core/grid_geometry.hpp"
#include "core/neighbourhood.hpp"

namespace tavrix {
namespace {

// Steps from four units of a 3 x 4 hexagonal map (odd rows shifted right by
// half a unit) to every unit, row by row, counted on a drawing.
struct HandRow {
    int row, column;
    int steps[3][4];
};
constexpr HandRow kHexagonal3x4[] = {
    {0, 0, {{0, 1, 2, 3}, {1, 2, 3, 4}, {2, 2, 3, 4}}},
    {1, 1, {{2, 1, 1, 2}, {1, 0, 1, 2}, {2, 1, 1, 2}}},
    {1, 3, {{4, 3, 2, 1}, {3, 2, 1, 0}, {4, 3, 2, 1}}},
    {2, 3, {{4, 3, 2, 2}, {3, 2, 1, 1}, {3, 2, 1, 0}}},
};

TEST(GridGeometry, HexagonalStepsMatchTheHandMadeTable) {
    for (const HandRow& from : kHexagonal3x4)
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c) {
                const int expected = from.steps[r][c];
                EXPECT_EQ(LatticeDistance(Lattice::kHexagonal, from.row, from.column, r, c), expected)
                    << "(" << from.row << ", " << from.column << ") to (" << r << ", " << c << ")";
                EXPECT_EQ(LatticeDistance(Lattice::kHexagonal, r, c, from.row, from.column), expected);
                // Unit numbers run down the columns.
                EXPECT_EQ(UnitDistance(Lattice::kHexagonal, 3, from.column * 3 + from.row, c * 3 + r), expected);
            }
}

// Every unit inside a large map has six neighbours at one step, and no
// distance reaches DistanceCount.
TEST(GridGeometry, HexagonalNeighboursAreSixAndDistancesStayInRange) {
    const int rows = 7, columns = 9;
    for (int k = 0; k < rows * columns; ++k) {
        int neighbours = 0;
        for (int l = 0; l < rows * columns; ++l) {
            const int d = UnitDistance(Lattice::kHexagonal, rows, k, l);
            EXPECT_LT(d, DistanceCount(rows, columns));
            EXPECT_LE(d, UnitDistance(Lattice::kRectangular, rows, k, l));
            neighbours += d == 1 ? 1 : 0;
        }
        const int r = k % rows, c = k / rows;
        if (r > 0 && r < rows - 1 && c > 0 && c < columns - 1) {
            EXPECT_EQ(neighbours, 6) << "unit " << k;
        }
    }
}

TEST(GridGeometry, RectangularIsTheCityBlockDistance) {
    for (int k = 0; k < 12; ++k)
        for (int l = 0; l < 12; ++l)
            EXPECT_EQ(UnitDistance(Lattice::kRectangular, 3, k, l), std::abs(k % 3 - l % 3) + std::abs(k / 3 - l / 3));
}

TEST(GridGeometry, SmoothingWeightsFollowTheLattice) {
    for (const Lattice lattice : {Lattice::kRectangular, Lattice::kHexagonal}) {
        const GridWeights weights(3, 4, lattice, 1.3);
        for (std::size_t k = 0; k < 12; ++k)
            for (std::size_t l = 0; l < 12; ++l)
                EXPECT_EQ(weights(k, l), NeighbourhoodWeight(UnitDistance(lattice, 3, static_cast<std::int64_t>(k),
                                                                          static_cast<std::int64_t>(l)),
                                                             1.3));
    }
}

}  // namespace
}  // namespace tavrix
