// Trailing name-value options, matched case-insensitively from one table.
#pragma once

#include <cstdint>
#include <string>

#include "../batch/assignment_mode.hpp"
#include "../core/grid_geometry.hpp"
#include "gateway.hpp"

namespace tavrix::host {

enum OptionFlags : unsigned {
    kThreadsOption = 1u << 0,  // 'Threads', n: a positive integer [machine's cores]
    kSeedOption = 1u << 1,     // 'Seed', s: a non-negative integer [calendar time]
    kVerboseOption = 1u << 2,  // 'Verbose', tf: a logical or numeric scalar [false]
    kRadiusOption = 1u << 3,   // 'Radius', [start end]: one or two positive finite reals
    kPriorOption = 1u << 4,    // 'Prior', alpha: a positive finite real
    kMaskOption = 1u << 5,     // 'Mask', m: an array, checked by the function that reads it
    kUseParallelOption = 1u << 6,  // 'UseParallel', tf: a logical or numeric scalar [false]
    kHeldOutOption = 1u << 7,      // 'HeldOut', share: a real within [0, 1)
    kFirstColumnOption = 1u << 8,  // 'FirstColumn', c: a positive integer up to 2^53 [1]
    kValidationOption = 1u << 9,   // 'Validation', v: an array, checked by the function that reads it
    kAssignmentOption = 1u << 10,  // 'Assignment', 'hard' | 'soft' | 'hard-then-soft': batch assignment
    kLatticeOption = 1u << 11,     // 'Lattice', name: 'rectangular' or 'hexagonal' [the model's]
    kCheckpointOption = 1u << 12,       // 'Checkpoint', file: a file name [none]
    kCheckpointEveryOption = 1u << 13,  // 'CheckpointEvery', k: a positive integer [1]
    kResumeOption = 1u << 14,           // 'Resume', file: a file name [none]
    kOutputFcnOption = 1u << 15,        // 'OutputFcn', f: a function handle [none]
    kCompactOption = 1u << 16,          // 'Compact', tf: a logical or numeric scalar [by the model's size]
};

struct Options {
    int threads = 1;
    bool hasSeed = false;
    std::uint64_t seed = 0;
    bool verbose = false;
    bool hasRadius = false;
    double radius[2] = {0.0, 0.0};  // a single value stands for both
    bool hasPrior = false;
    double prior = 0.0;
    const mxArray* mask = nullptr;
    bool useParallel = false;
    bool hasHeldOut = false;
    double heldOut = 0.0;
    std::int64_t firstColumn = 0;  // 0-based
    const mxArray* validation = nullptr;
    bool hasAssignment = false;
    AssignmentMode assignment = AssignmentMode::kHard;
    bool hasLattice = false;
    Lattice lattice = Lattice::kRectangular;
    std::string checkpoint, resume;  // empty: none
    std::int32_t checkpointEvery = 1;
    const mxArray* outputFcn = nullptr;
    bool hasCompact = false;
    bool compact = false;
};

// Parses call.prhs[first..] against the options the function accepts.
Options ParseOptions(const Call& call, int first, unsigned accepted);

// The 'Seed' given, or else the calendar time in seconds.
std::uint64_t SeedOrCalendarTime(const Options& options);

}  // namespace tavrix::host
