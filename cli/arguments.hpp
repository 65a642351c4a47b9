// The command line of tavrix-train.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "../batch/assignment_mode.hpp"
#include "../core/grid_geometry.hpp"

namespace tavrix::cli {

struct Arguments {
    std::string dataFile, modelFile, outFile;
    std::string dataVariable, modelVariable;  // empty: the file's first variable
    std::int32_t epochs = 0;
    bool hasRadius = false;
    double radius[2] = {0.0, 0.0};
    bool hasPrior = false;
    double prior = 0.0;
    bool hasHeldOut = false;
    double heldOut = 0.0;
    std::string validationFile;  // empty: none
    int threads = 1;
    bool verbose = false;
    bool hasAssignment = false;
    AssignmentMode assignment = AssignmentMode::kHard;
    bool hasLattice = false;
    Lattice lattice = Lattice::kRectangular;
    std::string checkpointFile, resumeFile;  // empty: none
    std::int32_t every = 1;                  // epochs between checkpoints
};

// A command line that does not parse; the program shows it with the usage and exits with 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

Arguments ParseArguments(int argc, const char* const argv[]);

extern const char* const kUsage;

}  // namespace tavrix::cli
