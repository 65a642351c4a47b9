// A rank's block of the samples: contiguous columns of the data matrix, read
// a chunk at a time and checked as TavrixTrain checks its data (NaN marks a
// missing entry), so that the doubles of only one chunk are held beside the codes.
#pragma once

#include <cstdint>
#include <string>

#include "../core/map_model.hpp"

namespace tavrix::cli {

// Rank `rank` of `ranks` gets columns floor(N rank / ranks) .. floor(N (rank + 1) / ranks) - 1
// of the N of the variable `variable` of `file` (its first variable when empty).
// Throws FileError when the block is empty, host::Failure when it fails the checks.
struct RankBlock {
    CodeMatrix codes;
    std::int64_t totalSamples = 0;
    std::int64_t firstColumn = 0;  // the global index of the block's column 0
};
RankBlock ReadRankBlock(const std::string& file, const std::string& variable, int rank, int ranks,
                        const MapModel& model);

}  // namespace tavrix::cli
