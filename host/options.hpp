// Trailing name-value options, matched case-insensitively from one table.
#pragma once

#include <cstdint>

#include "gateway.hpp"

namespace tavrix::host {

enum OptionFlags : unsigned {
    kThreadsOption = 1u << 0,  // 'Threads', n: a positive integer [machine's cores]
    kSeedOption = 1u << 1,     // 'Seed', s: a non-negative integer [calendar time]
    kVerboseOption = 1u << 2,  // 'Verbose', tf: a logical or numeric scalar [false]
};

struct Options {
    int threads = 1;
    bool hasSeed = false;
    std::uint64_t seed = 0;
    bool verbose = false;
};

// Parses call.prhs[first..] against the options the function accepts.
Options ParseOptions(const Call& call, int first, unsigned accepted);

// The 'Seed' given, or else the calendar time in seconds.
std::uint64_t SeedOrCalendarTime(const Options& options);

}  // namespace tavrix::host
