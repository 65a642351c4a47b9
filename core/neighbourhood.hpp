// The Gaussian neighbourhood of the map grid, shared by online and batch
// training.
#pragma once

#include <cstdint>

namespace tavrix {

// The Gaussian weight of a grid distance, formed as exp((d*d / r^2) * -0.5).
double NeighbourhoodWeight(std::int32_t distance, double radius);

}  // namespace tavrix
