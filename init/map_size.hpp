// The map size TavrixInit picks when it is given none.
#pragma once

#include <cstdint>

#include "principal_plane.hpp"

namespace tavrix {

struct MapSize {
    std::int32_t rows;
    std::int32_t columns;
};

// About 5 sqrt(N) units, the sides in the ratio r = sqrt(l1 / l2) of the two
// largest principal spreads (r = 1 when the data do not vary, infinite when
// they vary along one direction only): rows = max(2, round(sqrt(U / r))),
// columns = max(2, round(U / rows)).
MapSize DefaultMapSize(std::int64_t samples, const PrincipalPlane& plane);

}  // namespace tavrix
