// The samples a training run holds back from its counts to choose its best
// epoch: sample j (0-based column of the whole data) is held back when
// SplitMix64(j) < floor(share x 2^64). The rule reads the global column only,
// so every split of the data, every thread count and every MPI rank holds
// back the same samples.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "../core/span.hpp"
#include "assignment.hpp"
#include "statistics.hpp"

namespace tavrix {

// Steele, Lea and Flood's SplitMix64 finaliser of x + 0x9E3779B97F4A7C15.
constexpr std::uint64_t SplitMix64(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

struct HeldOutRule {
    std::uint64_t threshold = 0;   // floor(share x 2^64); 0 holds nothing back
    std::int64_t firstColumn = 0;  // the global index of the data's column 0

    bool Any() const { return threshold != 0; }
    bool HeldBack(std::int64_t column) const {
        return threshold != 0 && SplitMix64(static_cast<std::uint64_t>(firstColumn + column)) < threshold;
    }
};

// Requires 0 <= share < 1 and firstColumn >= 0. share x 2^64 is exact in
// doubles and below 2^64, so the cast only drops the fraction.
inline HeldOutRule MakeHeldOutRule(double share, std::int64_t firstColumn) {
    return HeldOutRule{static_cast<std::uint64_t>(std::ldexp(share, 64)), firstColumn};
}

// `share`, or 0 where the rule would leave none of `samples` columns (from
// column 0) to count or none to score.
double UsableShare(double share, std::int64_t samples);

// The columns of `samples` (from column 0) that share's rule counts.
double CountedSamples(double share, std::int64_t samples);

// The columns of `data` the rule counts and those it holds back, each in
// column order; heldColumns[h] is held's column h in `data`.
struct HeldOutSplit {
    CodeMatrix counted, held;
    std::vector<std::int32_t> heldColumns;
};
HeldOutSplit SplitHeldOut(const CodeMatrix& data, const HeldOutRule& rule);

// The mean over `samples` of the mixture log-likelihood of their observed
// values, each formed by the assignment pass and summed in column order (NaN
// without samples). `scratch` takes the counts the pass makes on the way.
double MeanLogLikelihood(const MapModel& view, const StatisticsLayout& layout, const CodeMatrix& samples,
                         int threads, Statistics& scratch, std::vector<double>& logs, Interrupt* interrupt);

// CountStatistics of the samples the rule counts; the results of every
// sample, held back or not, in `out`.
void CountUnlessHeldOut(const MapModel& model, const StatisticsLayout& layout, const CodeMatrix& data,
                        const HeldOutRule& rule, int threads, const StatisticsView& stats,
                        const AssignmentResults& out, Interrupt* interrupt);

}  // namespace tavrix
