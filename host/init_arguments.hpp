// TavrixInit's arguments, read and checked as its help describes: the codes
// (missing entries where NaN or masked), the map size, the options and the
// warnings they call for. Serves init/ only; it lives here because every
// file that calls the mx API is compiled once per set of mx headers, with
// the host layer.
#pragma once

#include <cstdint>
#include <vector>

#include "../core/map_model.hpp"
#include "gateway.hpp"

namespace tavrix::host {

struct InitArguments {
    CodeMatrix codes;                  // kMissingCode where missing
    std::vector<std::int32_t> ranges;  // per variable
    bool sizeGiven = false;
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    std::int32_t rootNode = 0;
    double spread = 0.5;
    bool hasSeed = false;
    std::uint64_t seed = 0;
    int threads = 1;  // the machine's cores unless given
    bool random = false;     // 'Method', 'random' (else linear)
    bool hexagonal = false;  // 'Lattice', 'hexagonal'
    bool hasCompact = false;  // 'Compact', tf
    bool compact = false;
};

// Reads every argument, failing with TavrixInit's identifiers and messages,
// and gives the 'transposed' and 'oneBased' warnings.
InitArguments ReadInitArguments(const Call& call);

// A seed from the host's random state (one draw of its rand), or else from
// the clock, for calls without 'Seed'.
std::uint64_t HostRandomSeed();

}  // namespace tavrix::host
