#include "neighbourhood.hpp"

#include <cmath>

namespace tavrix {

double NeighbourhoodWeight(std::int32_t distance, double radius) {
    const auto d = static_cast<double>(distance);
    return std::exp((d * d / (radius * radius)) * -0.5);
}

}  // namespace tavrix
