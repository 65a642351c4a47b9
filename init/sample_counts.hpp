// The counts a first model starts from: each variable's most frequent value,
// and the statistics of samples counted into units, by the sparse counting of
// batch training.
#pragma once

#include <cstdint>
#include <vector>

#include "../batch/statistics.hpp"
#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"

namespace tavrix {

// Per variable, its most frequent code among the observed entries (ties: the
// lowest code; 0 when none is observed). `ranges` holds each variable's range.
std::vector<std::int32_t> MostFrequentCodes(const CodeMatrix& codes, const std::vector<std::int32_t>& ranges);

// A layout of the statistics of `units` units over variables of the given ranges.
StatisticsLayout LayoutOfRanges(const std::vector<std::int32_t>& ranges, std::int32_t units);

// One sample counted into one unit.
struct Visit {
    std::int32_t sample;
    std::int32_t unit;
};

// The statistics of the `visits` of complete samples (every code valid under
// `layout`), written over `stats`, `baselines` the codes most samples take
// (any valid codes give the same counts). Threads over visits; the counts are
// the same for every thread count. Stops early, part-written, once `interrupt`
// (when not null) says so.
void CountVisits(const StatisticsLayout& layout, const std::vector<std::int32_t>& baselines, const CodeMatrix& codes,
                 const std::vector<Visit>& visits, int threads, Statistics& stats, Interrupt* interrupt);

}  // namespace tavrix
