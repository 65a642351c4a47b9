// How batch training weighs a sample over the units.
#pragma once

#include <cstdint>

namespace tavrix {

enum class AssignmentMode {
    kHard,          // all to its best unit
    kSoft,          // its quantised posterior over the units (soft_weights.hpp)
    kHardThenSoft,  // training only: hard for the first half of the epochs, then soft
};

// The mode of epoch `epoch` (0-based) of `epochs`: a pass is hard or soft.
inline AssignmentMode EpochAssignment(AssignmentMode mode, std::int32_t epoch, std::int32_t epochs) {
    if (mode != AssignmentMode::kHardThenSoft) return mode;
    return epoch < epochs / 2 ? AssignmentMode::kHard : AssignmentMode::kSoft;
}

}  // namespace tavrix
