// How a pass of batch training weighs a sample over the units.
#pragma once

namespace tavrix {

enum class AssignmentMode {
    kHard,  // all to its best unit
    kSoft,  // its quantised posterior over the units (soft_weights.hpp)
};

}  // namespace tavrix
