// Random models and samples for the tests: small, seeded, and full of the
// degenerate values the algorithms must carry through (zero probabilities,
// NaN edges, both directions set, out-of-range roots, fractional codes).
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "core/map_model.hpp"
#include "tests/reference/reference_core.hpp"
#include "core/training_views.hpp"

namespace tavrix::testing {

struct ModelShape {
    int rows = 2, cols = 3;
    int dimension = 4;
    int maxRange = 3;
    bool directed = false;
    bool treeGraphs = true;  // spanning trees as training makes them; otherwise random edge sets
    double zeroShare = 0.1;  // share of table entries set to 0
    bool wildGraphs = false; // NaN and -0.0 entries, both directions, cycles
};

class Random {
public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}
    double Uniform() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }  // [0, 1)
    int Below(int n) { return static_cast<int>(engine_() % static_cast<std::uint64_t>(n)); }
    bool Chance(double p) { return Uniform() < p; }

private:
    std::mt19937_64 engine_;
};

reference::RawModel RandomModel(Random& random, const ModelShape& shape);

// A small random shape for differential tests: 1..3 x 1..4 units, up to
// `maxDimension` - 1 variables, either factorisation, trees or random edge
// sets, sometimes wild graphs and zero probabilities.
ModelShape RandomShape(Random& random, int maxDimension);

// N random samples of valid codes; with `fractions`, codes get a fraction in [0, 1).
std::vector<double> RandomSamples(Random& random, const reference::RawModel& model, int n, bool fractions);

// The core's view of a raw model (pointers into it).
MapModel ViewOf(const reference::RawModel& model);

// Writable views of a raw model's trained arrays (pointers into it).
TrainedTables TablesOf(reference::RawModel& model);

// Codes truncated as the host layer does; NaN entries are missing.
CodeMatrix CodesOf(const reference::RawModel& model, const std::vector<double>& samples);

// Unit tables normalised as a tree distribution: proper marginals and joints
// built from random per-unit pair tables, symmetric Intersect.
void MakeProper(Random& random, reference::RawModel& model);

// Renumbers the values 1, 2, 3, ... in (variable, value) order, the usual
// Translate; the tables keep their entries.
void NumberValuesInVariableOrder(reference::RawModel& model);

// A model, its samples (Dimension x n) and a mask: 0.0 or -0.0 hides an
// entry, anything else (NaN included) leaves it observed.
struct DataCase {
    reference::RawModel raw;
    std::vector<double> data;
    std::vector<double> mask;
    int n = 0;
};

// A random shape (RandomShape, up to `maxDimension` - 1 variables), sometimes
// made proper, with up to `maxSamples` - 1 samples with fractional codes and
// a mask hiding all, none or about 40% of the entries; observed entries hold
// 1.0, NaN, 0.5, -2.0, a subnormal or Inf.
DataCase RandomCase(std::uint64_t seed, int maxDimension, int maxSamples);

// `n` samples with whole codes of a 2 x 3 map on `dimension` variables, no
// zero entries, nothing hidden.
DataCase SmallCase(Random& random, int dimension, int n);

// `n` samples of a rows x cols map on 300 variables of up to 3 values, no
// zero entries, nothing hidden.
DataCase WideCase(Random& random, int rows, int cols, bool directed, int n);

// One flag per mask entry: 1 where it hides the entry.
std::vector<std::uint8_t> HiddenFlags(const std::vector<double>& mask);

}  // namespace tavrix::testing
