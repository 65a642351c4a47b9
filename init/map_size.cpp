#include "map_size.hpp"

#include <algorithm>
#include <cmath>

namespace tavrix {

MapSize DefaultMapSize(std::int64_t samples, const PrincipalPlane& plane) {
    const double units = std::round(5.0 * std::sqrt(static_cast<double>(samples)));
    double ratio = 1.0;
    if (plane.variance[0] > 0.0)
        ratio = plane.variance[1] > 0.0 ? std::sqrt(plane.variance[0] / plane.variance[1]) : HUGE_VAL;
    const double rows = std::max(2.0, std::round(std::sqrt(units / ratio)));
    const double columns = std::max(2.0, std::round(units / rows));
    return {static_cast<std::int32_t>(rows), static_cast<std::int32_t>(columns)};
}

}  // namespace tavrix
