// The log-likelihood of a sample's observed values under every unit, its
// missing variables summed out exactly: the completions of few missing
// entries are enumerated through the compiled units, four at a time; samples
// with more completions go through each unit's message passing. Batch
// training, TavrixBest and TavrixScore share it, so a sample with missing
// entries gets the same doubles from all three. Complete samples are
// evaluated by ForEachSampleBlock, whose lanes are independent: their doubles
// are those of the complete-data path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../core/compiled_map.hpp"
#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "imputation.hpp"
#include "missing_graph.hpp"

namespace tavrix {

// Samples with at most this many completions of their missing entries are
// enumerated; the others go through message passing.
constexpr std::int64_t kEnumeratedCompletions = 16;

// Whether a sample has a missing entry: codes are non-negative, kMissingCode
// is -1, so their bitwise or is negative exactly then (a loop compilers
// vectorise).
inline bool HasMissing(const std::int32_t* codes, std::int32_t d) {
    std::int32_t all = 0;
    for (std::int32_t i = 0; i < d; ++i) all |= codes[i];
    return all < 0;
}

// The number of completions of the missing ones among the `size` entries
// codes[e] of variables variables[e] (variable e where `variables` is null),
// capped just above kEnumeratedCompletions: 1 when none is missing, 0 when a
// missing variable has no values (its sample has probability 0).
std::int64_t CappedCompletions(const std::int32_t* variables, const std::int32_t* codes, std::size_t size,
                               const ValueIndexTable& table);

// The compiled map, with the units' factors only when some sample of `data`
// has more than kEnumeratedCompletions completions. Once `interrupt` (when
// not null) says stop, the plan is incomplete and must not be used.
ImputePlan PlanObservedEvidence(const MapModel& model, const CodeMatrix& data, int threads,
                                Interrupt* interrupt = nullptr);

// log P_k(observed) of one sample under every unit k by message passing
// (plan.factors must be built), into logs[k].
void InferredLogs(const ImputePlan& plan, const std::int32_t* codes, double* logs, InferenceScratch& scratch);

// One thread's samples with few completions, gathered so that their
// completions are evaluated together in full blocks.
class CompletionBatch {
public:
    struct Sample {
        std::int32_t sample;
        std::int64_t first;  // its first completion
        std::int64_t count;
    };

    explicit CompletionBatch(const CompiledMap& map);

    void Clear();
    // Appends the `count` completions of sample j's codes, the missing
    // variables counting up, the first one fastest.
    void Add(std::int32_t j, const std::int32_t* codes, std::int64_t count);
    // Evaluates every completion added under every unit.
    void Evaluate(const CompiledMap& map, SampleBlockScratch& block);

    const std::vector<Sample>& Samples() const { return samples_; }
    const std::int32_t* Completion(const Sample& s, std::int64_t c) const {
        return codes_.data() + static_cast<std::size_t>(s.first + c) * dimension_;
    }

    // log P_k(observed) of s under every unit, into logs[k]: the sum of its
    // completions' probabilities, taken relative to the largest.
    void UnitLogs(const Sample& s, double* logs);
    // Masses()[c] = completion c's probability under unit k relative to the
    // largest, exp(l_c - top) (exactly 1 for the largest), 0 for the
    // impossible ones; returns top, the largest finite log-likelihood.
    double RelativeMasses(const Sample& s, std::size_t k);
    const double* Masses() const { return mass_.data(); }

private:
    std::size_t dimension_, units_;
    const std::int32_t* range_;
    std::vector<Sample> samples_;
    std::vector<std::int32_t> codes_;  // completion c's codes at c x Dimension
    std::vector<double> logs_;         // completion c's unit log-likelihoods at c x units
    std::vector<double> mass_;
};

// One thread's buffers for ForEachObservedEvidence.
struct EvidenceScratch {
    explicit EvidenceScratch(const ImputePlan& plan);
    SampleBlockScratch block;
    CompletionBatch completions;
    InferenceScratch inference;
    std::vector<std::int32_t> complete;  // a piece's complete samples
    std::vector<double> logs;            // a piece's unit log-likelihoods, sample at (j - first) x units
};

// The samples a thread evaluates between two checks for an interrupt.
constexpr std::int64_t kEvidencePiece = 64;

// Fills scratch.logs with log P_k(observed) of samples [first, last) of
// `samples` (missing entries kMissingCode) under every unit.
void EvaluatePiece(const ImputePlan& plan, const CodeMatrix& samples, std::int64_t first, std::int64_t last,
                   EvidenceScratch& scratch);

// Calls visit(j, logs) for every sample j, logs[k] = log P_k(observed values
// of j) for every unit k, in `threads` threads: visit must write only sample
// j's results. `plan` is PlanObservedEvidence's for `samples`. Each thread
// checks `interrupt` (when not null) between pieces and stops once it says so.
template <class Visit>
void ForEachObservedEvidence(const ImputePlan& plan, const CodeMatrix& samples, int threads, Visit&& visit,
                             Interrupt* interrupt = nullptr) {
    const std::size_t units = plan.map.NumUnits();
    ParallelFor(samples.numSamples, threads, [&](std::int64_t begin, std::int64_t end, int worker) {
        EvidenceScratch scratch(plan);
        ForEachPiece(begin, end, kEvidencePiece, interrupt, worker, [&](std::int64_t first, std::int64_t last) {
            EvaluatePiece(plan, samples, first, last, scratch);
            for (std::int64_t j = first; j < last; ++j)
                visit(j, static_cast<const double*>(scratch.logs.data() + static_cast<std::size_t>(j - first) * units));
        });
    });
}

}  // namespace tavrix
