// The map compiled once per call for evaluating samples: the value index
// table, every unit's compiled log-likelihood, the pair slots the units share
// and log(Pi); and the loop that evaluates every unit on blocks of samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "compiled_unit.hpp"
#include "map_model.hpp"
#include "numeric.hpp"
#include "pair_codes.hpp"
#include "parallel.hpp"
#include "value_index_table.hpp"

namespace tavrix {

struct CompiledMap {
    // Compiles the units over `threads` threads. Once `interrupt` (when not
    // null) says stop, the units left are empty (no terms): such a map is only
    // to be discarded, by loops that see the same stop.
    CompiledMap(const MapModel& model, int threads, Interrupt* interrupt = nullptr);
    // The slots point into the units: a copy would point into the original.
    CompiledMap(const CompiledMap&) = delete;
    CompiledMap& operator=(const CompiledMap&) = delete;
    CompiledMap(CompiledMap&&) = default;
    CompiledMap& operator=(CompiledMap&&) = default;

    std::size_t NumUnits() const { return units.size(); }

    ValueIndexTable table;
    std::vector<CompiledUnit> units;  // in unit order
    PairSlots slots;                  // one SlotUnit per unit
    std::vector<double> logPi;        // log(Pi[k]) per unit
};

// One thread's buffers for ForEachSampleBlock.
struct SampleBlockScratch {
    explicit SampleBlockScratch(const CompiledMap& map);
    SampleBlockScratch(const SampleBlockScratch&) = delete;
    SampleBlockScratch& operator=(const SampleBlockScratch&) = delete;

    std::vector<std::size_t> pairCodes;  // lane b at b x slots
    const std::size_t* lanes[kSampleBlock];
    std::vector<double> logs;  // lane b at b x NumUnits
};

// Evaluates every unit on the items begin..end-1, kSampleBlock at a time from
// `begin`; column(j) gives item j's Dimension codes (all valid). Per block it
// calls visit(first, count, logs): logs + b x NumUnits holds the
// log-likelihood of item first + b under every unit, in unit order, for
// b < count. A block that runs past `end` repeats the last item in its spare
// lanes, which are dropped.
template <class Column, class Visit>
void ForEachSampleBlock(const CompiledMap& map, std::int64_t begin, std::int64_t end, const Column& column,
                        SampleBlockScratch& scratch, Visit&& visit) {
    const std::size_t numUnits = map.NumUnits();
    const std::size_t numSlots = map.slots.Count();
    for (std::int64_t first = begin; first < end; first += kSampleBlock) {
        const int count = static_cast<int>(end - first < kSampleBlock ? end - first : kSampleBlock);
        for (int b = 0; b < kSampleBlock; ++b)
            FillPairCodes(map.slots, column(first + (b < count ? b : count - 1)),
                          scratch.pairCodes.data() + static_cast<std::size_t>(b) * numSlots);
        for (std::size_t k = 0; k < numUnits; ++k) {
            double s[kSampleBlock];
            SlotLogLikelihoods(map.slots.units[k], scratch.lanes, s);
            for (int b = 0; b < kSampleBlock; ++b) scratch.logs[static_cast<std::size_t>(b) * numUnits + k] = s[b];
        }
        visit(first, count, static_cast<const double*>(scratch.logs.data()));
    }
}

// ForEachSampleBlock over every sample of `samples`, the blocks spread over
// `threads` threads. `visit` runs on several threads at once: it must write
// only the results of the samples it is given. Every few blocks each thread
// checks `interrupt` (when not null) and stops once it says so.
template <class Visit>
void ForEachSampleBlock(const CompiledMap& map, const CodeMatrix& samples, int threads, Visit&& visit,
                        Interrupt* interrupt = nullptr) {
    constexpr std::int64_t kBlocksPerCheck = 16;
    const std::int64_t n = samples.numSamples;
    const auto column = [&samples](std::int64_t j) { return samples.Column(static_cast<std::int32_t>(j)); };
    ParallelFor((n + kSampleBlock - 1) / kSampleBlock, threads, [&](std::int64_t begin, std::int64_t end, int worker) {
        SampleBlockScratch scratch(map);
        for (std::int64_t first = begin; first < end && !ShouldStop(interrupt, worker); first += kBlocksPerCheck) {
            const std::int64_t last = (end - first < kBlocksPerCheck ? end : first + kBlocksPerCheck) * kSampleBlock;
            ForEachSampleBlock(map, first * kSampleBlock, last < n ? last : n, column, scratch, visit);
        }
    });
}

// The best unit of one sample from its log-likelihood under every unit: the
// largest log(Pi[k]) + logs[k] over the units with a finite logs[k], the
// lowest unit on ties; -1 when no such score lies above kLowestScore. When
// `scores` is not null it receives log(Pi[k]) + logs[k] for every unit.
inline std::int32_t BestUnit(const CompiledMap& map, const double* logs, double* scores) {
    double bestScore = kLowestScore;
    std::int32_t best = -1;
    for (std::size_t k = 0; k < map.NumUnits(); ++k) {
        const double score = map.logPi[k] + logs[k];
        if (IsFinite(logs[k]) && score > bestScore) {
            bestScore = score;
            best = static_cast<std::int32_t>(k);
        }
        if (scores) scores[k] = score;
    }
    return best;
}

}  // namespace tavrix
