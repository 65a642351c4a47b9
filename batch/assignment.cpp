#include "assignment.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "../core/compiled_map.hpp"
#include "../core/log_mixture.hpp"
#include "../core/numeric.hpp"
#include "../core/parallel.hpp"
#include "../impute/imputation.hpp"
#include "../impute/missing_graph.hpp"
#include "../impute/observed_evidence.hpp"
#include "../impute/unit_inference.hpp"
#include "baseline.hpp"
#include "sparse_counts.hpp"
#include "sparse_scoring.hpp"
#include "soft_weights.hpp"

namespace tavrix {
namespace {

// The samples a thread counts between two checks for an interrupt.
constexpr std::int64_t kSamplesPerCheck = 128;

// A number in (0, 1) fixed by a sample's codes (missing ones as -1) and one
// of its variables: Lehmer's generator modulo 2^31 - 1 run over the codes from
// the variable's number, exact in integers and in doubles alike. (Running it
// over the codes once per sample and adding the variable after gives draws
// that lie on a lattice across variables: the maps came out worse.)
double SampleFraction(const std::int32_t* codes, std::int32_t d, std::int32_t variable) {
    constexpr std::uint64_t kModulus = 2147483647, kMultiplier = 48271;
    std::uint64_t h = static_cast<std::uint64_t>(variable) + 1;
    for (std::int32_t i = 0; i < d; ++i) h = (h * kMultiplier + static_cast<std::uint64_t>(codes[i] + 2)) % kModulus;
    for (int round = 0; round < 3; ++round) h = h * kMultiplier % kModulus;
    return static_cast<double>(h) / static_cast<double>(kModulus);
}

// The code at `fraction` of the cumulative posterior mass, in code order:
// a draw from the posterior that depends on the sample only.
std::int32_t PickCode(const double* mass, std::int32_t range, double fraction, bool explained) {
    if (!explained) return 0;
    double total = 0.0;
    for (std::int32_t x = 0; x < range; ++x) total += mass[x];
    const double u = fraction * total;
    double cumulative = 0.0;
    for (std::int32_t x = 0; x < range; ++x) {
        cumulative += mass[x];
        if (u < cumulative) return x;
    }
    return range - 1;
}

// Per-thread buffers, sized once per pass.
struct AssignmentScratch {
    AssignmentScratch(const ImputePlan& plan, const StatisticsLayout& layout, const SparseCountLayout* sparse,
                      bool ownCounts, AssignmentMode mode, bool listed)
        : block(plan.map),
          entries(layout.dimension),
          completions(plan.map),
          valueMass(static_cast<std::size_t>(plan.map.table.maxRange)),
          logs(plan.map.NumUnits()),
          completed(static_cast<std::size_t>(layout.dimension)),
          inference(layout.dimension, plan.map.table.maxRange, plan.maxEdges) {
        if (listed && mode == AssignmentMode::kSoft) weightedListed.emplace(*sparse);
        else if (listed) listedCounts.emplace(*sparse);
        else if (sparse && mode == AssignmentMode::kSoft) weightedCounts.emplace(*sparse);
        else if (sparse) sparseCounts.emplace(*sparse);
        else if (ownCounts) counts.emplace(layout);
    }
    SampleBlockScratch block;
    NonBaselineEntries entries;
    CompletionBatch completions;            // this thread's samples scored by enumeration
    std::vector<double> valueMass;          // per code of one variable
    std::vector<double> logs;               // one sample's log-likelihood under every unit
    std::vector<std::int32_t> completed;
    InferenceScratch inference;
    std::optional<Statistics> counts;  // this thread's counts, unless it counts into the result
    std::optional<SparseCounts> sparseCounts;  // this thread's counts when counted sparsely
    std::optional<WeightedSparseCounts> weightedCounts;  // the same under soft assignment
    std::optional<ListedCounts> listedCounts;            // compact statistics' counts
    std::optional<WeightedListedCounts> weightedListed;  // the same under soft assignment
    SoftWeightScratch soft;
    std::vector<UnitWeight> weights;  // the sample's units and weights
    bool Sparse() const { return sparseCounts || weightedCounts || listedCounts || weightedListed; }
    // What is counted, grouped by unit afterwards so that each unit's counts
    // are written together: sample j and its unit, and where its codes are
    // (counted sparsely, its non-baseline entries, always stashed). Under
    // soft assignment a sample is counted once per unit of non-zero weight.
    struct Counted {
        std::int32_t sample;
        std::int32_t unit;
        std::int32_t quanta;   // its weight: 1 under hard assignment
        std::int64_t stashed;  // offset of its completed codes in `stash`, -1 for a complete sample
        std::size_t entries;   // counted sparsely: its number of non-baseline entries, stashed
    };
    std::vector<Counted> counted, byUnit;
    std::vector<std::int32_t> stash;
    std::vector<std::int64_t> unitStart;
};

class Assigner {
public:
    Assigner(const MapModel& model, const StatisticsLayout& layout, const ImputePlan& plan, const SparseScorer& scorer,
             const CodeMatrix& data, const AssignmentResults& out, AssignmentMode mode)
        : model_(model), layout_(layout), plan_(plan), scorer_(scorer), data_(data), out_(out), mode_(mode) {}

    // Counts samples [begin, end). Complete samples are scored from their
    // non-baseline entries; the completions of samples with few of them go
    // through the compiled units together, in full blocks; samples with many
    // completions go one by one.
    void Run(std::int64_t begin, std::int64_t end, AssignmentScratch& scratch, const StatisticsView& stats) const {
        scratch.completions.Clear();
        scratch.counted.clear();
        scratch.stash.clear();
        for (std::int64_t j = begin; j < end; ++j) {
            const auto column = static_cast<std::int32_t>(j);
            // Missing entries are never at a baseline, so they are among the entries found.
            NonBaselineEntries& entries = scratch.entries;
            entries.Find(data_.Column(column), scorer_.Baselines());
            if (!HasMissing(entries.code.data(), static_cast<std::int32_t>(entries.size))) {
                RunComplete(column, scratch);
                continue;
            }
            const std::int64_t completions =
                CappedCompletions(entries.variable.data(), entries.code.data(), entries.size, plan_.map.table);
            if (completions <= kEnumeratedCompletions)
                scratch.completions.Add(column, data_.Column(column), completions);
            else RunByInference(column, scratch);
        }
        scratch.completions.Evaluate(plan_.map, scratch.block);
        for (const auto& e : scratch.completions.Samples()) RunEnumerated(e, scratch);
        CountByUnit(scratch, stats);
    }

private:
    // Sample j, complete, its non-baseline entries in `scratch.entries`.
    void RunComplete(std::int32_t j, AssignmentScratch& scratch) const {
        const std::int32_t* codes = data_.Column(j);
        scorer_.Score(codes, scratch.entries, scratch.logs.data());
        Finish(j, scratch.logs.data(), scratch);
        if (scratch.Sparse()) {
            const std::int64_t stashed = StashEntries(scratch);
            for (const UnitWeight& w : scratch.weights)
                scratch.counted.push_back({j, w.unit, w.quanta, stashed, scratch.entries.size});
        } else {
            for (const UnitWeight& w : scratch.weights) scratch.counted.push_back({j, w.unit, w.quanta, -1, 0});
        }
    }

    // Keeps the sample's non-baseline entries in `scratch.entries` for
    // counting: their variables, then their codes. Returns where they lie.
    static std::int64_t StashEntries(AssignmentScratch& scratch) {
        const NonBaselineEntries& entries = scratch.entries;
        const auto size = static_cast<std::ptrdiff_t>(entries.size);
        const auto stashed = static_cast<std::int64_t>(scratch.stash.size());
        scratch.stash.insert(scratch.stash.end(), entries.variable.begin(), entries.variable.begin() + size);
        scratch.stash.insert(scratch.stash.end(), entries.code.begin(), entries.code.begin() + size);
        return stashed;
    }

    // Sample e.sample, scored by enumerating its completions; its missing
    // entries are drawn from their masses under its unit.
    void RunEnumerated(const CompletionBatch::Sample& e, AssignmentScratch& scratch) const {
        const std::int32_t j = e.sample;
        CompletionBatch& batch = scratch.completions;
        batch.UnitLogs(e, scratch.logs.data());
        Finish(j, scratch.logs.data(), scratch);
        for (const UnitWeight& w : scratch.weights) Complete(e, w, scratch);
    }

    // Sample e completed by draws from unit w's posterior, stashed for counting.
    void Complete(const CompletionBatch::Sample& e, const UnitWeight& w, AssignmentScratch& scratch) const {
        const std::int32_t j = e.sample;
        const std::int32_t* codes = data_.Column(j);
        const auto d = static_cast<std::size_t>(layout_.dimension);
        CompletionBatch& batch = scratch.completions;
        const bool explained = IsFinite(scratch.logs[static_cast<std::size_t>(w.unit)]);
        batch.RelativeMasses(e, static_cast<std::size_t>(w.unit));
        const double* mass = batch.Masses();
        for (std::size_t i = 0; i < d; ++i) {
            std::int32_t code = codes[i];
            if (code == kMissingCode) {
                double* byValue = scratch.valueMass.data();
                for (std::int32_t x = 0; x < layout_.range[i]; ++x) byValue[x] = 0.0;
                for (std::int64_t c = 0; c < e.count; ++c) byValue[batch.Completion(e, c)[i]] += mass[c];
                code = PickCode(byValue, layout_.range[i],
                                SampleFraction(codes, layout_.dimension, static_cast<std::int32_t>(i)), explained);
            }
            scratch.completed[i] = code;
        }
        Stash(j, w, scratch);
    }

    // Message passing over each unit's tree, as TavrixImpute sums out the missing values.
    void RunByInference(std::int32_t j, AssignmentScratch& scratch) const {
        const std::int32_t* codes = data_.Column(j);
        double* logs = scratch.logs.data();
        InferredLogs(plan_, codes, logs, scratch.inference);
        Finish(j, logs, scratch);
        const auto slots = static_cast<std::size_t>(plan_.map.table.maxRange);
        for (const UnitWeight& w : scratch.weights) {
            const auto unit = static_cast<std::size_t>(w.unit);
            const bool explained =
                IsFinite(logs[unit]) &&
                IsFinite(UnitLogEvidence(plan_.factors[unit], plan_.map.table, codes, true, scratch.inference));
            for (std::int32_t i = 0; i < layout_.dimension; ++i) {
                std::int32_t code = codes[i];
                if (code == kMissingCode) {
                    const double* posterior = scratch.inference.marginal.data() + static_cast<std::size_t>(i) * slots;
                    code = PickCode(posterior, layout_.range[static_cast<std::size_t>(i)],
                                    SampleFraction(codes, layout_.dimension, i), explained);
                }
                scratch.completed[static_cast<std::size_t>(i)] = code;
            }
            Stash(j, w, scratch);
        }
    }

    void Stash(std::int32_t j, const UnitWeight& w, AssignmentScratch& scratch) const {
        if (scratch.Sparse()) {
            scratch.entries.Find(scratch.completed.data(), scorer_.Baselines());
            scratch.counted.push_back({j, w.unit, w.quanta, StashEntries(scratch), scratch.entries.size});
            return;
        }
        scratch.counted.push_back({j, w.unit, w.quanta, static_cast<std::int64_t>(scratch.stash.size()), 0});
        scratch.stash.insert(scratch.stash.end(), scratch.completed.begin(), scratch.completed.end());
    }

    // Counts the samples unit by unit (a counting sort keeps their order).
    void CountByUnit(AssignmentScratch& scratch, const StatisticsView& stats) const {
        const std::size_t units = plan_.map.NumUnits();
        scratch.unitStart.assign(units + 1, 0);
        for (const auto& c : scratch.counted) ++scratch.unitStart[static_cast<std::size_t>(c.unit) + 1];
        for (std::size_t k = 0; k < units; ++k) scratch.unitStart[k + 1] += scratch.unitStart[k];
        scratch.byUnit.resize(scratch.counted.size());
        for (const auto& c : scratch.counted)
            scratch.byUnit[static_cast<std::size_t>(scratch.unitStart[static_cast<std::size_t>(c.unit)]++)] = c;
        for (const auto& c : scratch.byUnit) {
            const std::int32_t* codes = c.stashed < 0 ? data_.Column(c.sample)
                                                      : scratch.stash.data() + static_cast<std::size_t>(c.stashed);
            if (scratch.sparseCounts) scratch.sparseCounts->Add(codes, codes + c.entries, c.entries, c.unit, 1);
            else if (scratch.listedCounts) scratch.listedCounts->Add(codes, codes + c.entries, c.entries, c.unit, 1);
            else if (scratch.weightedListed)
                scratch.weightedListed->Add(codes, codes + c.entries, c.entries, c.unit, c.quanta);
            else if (scratch.weightedCounts)
                scratch.weightedCounts->Add(codes, codes + c.entries, c.entries, c.unit, c.quanta);
            else CountSample(layout_, codes, c.unit, stats, Weight(c.quanta));
        }
    }

    // Writes sample j's results from its unit log-likelihoods and puts its
    // units and weights in `scratch.weights`: under hard assignment the best
    // unit, or unit 0 when no unit explains the sample, with weight 1.
    void Finish(std::int32_t j, const double* logs, AssignmentScratch& scratch) const {
        const std::int32_t best = BestUnit(plan_.map, logs, nullptr);
        const std::int32_t unit = best < 0 ? 0 : best;
        out_.best[static_cast<std::size_t>(j)] = unit;
        out_.logLikelihood[static_cast<std::size_t>(j)] = LogMixture(logs, model_.pi.data(), plan_.map.NumUnits());
        if (mode_ == AssignmentMode::kSoft) {
            QuantisedPosterior(logs, plan_.map.logPi.data(), plan_.map.NumUnits(), scratch.soft, scratch.weights);
        } else {
            scratch.weights.assign(1, UnitWeight{unit, 1});
        }
    }

    // A count's weight in the dense statistics: quanta are exact multiples of 2^-q.
    double Weight(std::int32_t quanta) const {
        return mode_ == AssignmentMode::kSoft ? quanta * kSoftQuantum : 1.0;
    }

    const MapModel& model_;
    const StatisticsLayout& layout_;
    const ImputePlan& plan_;
    const SparseScorer& scorer_;
    const CodeMatrix& data_;
    const AssignmentResults& out_;
    const AssignmentMode mode_;
};

void AddCounts(const std::vector<double>& from, double* to) {
    for (std::size_t e = 0; e < from.size(); ++e) to[e] += from[e];
}

void ZeroStatistics(const StatisticsLayout& layout, const StatisticsView& stats) {
    const auto units = static_cast<std::size_t>(layout.units);
    std::fill(stats.count, stats.count + units, 0.0);
    std::fill(stats.values, stats.values + units * layout.numValues, 0.0);
    if (stats.lists) {
        for (std::vector<PairCount>& list : *stats.lists) list.clear();
        return;
    }
    std::fill(stats.pairs, stats.pairs + units * layout.numPairs, 0.0);
}

void Count(const MapModel& model, const StatisticsLayout& layout, const CodeMatrix& data, int threads, bool replace,
           const StatisticsView& stats, const AssignmentResults& out, Interrupt* interrupt, AssignmentMode mode) {
    if (data.numSamples <= 0 || model.NumUnits() <= 0) {
        if (replace) ZeroStatistics(layout, stats);
        return;
    }
    const ImputePlan plan = PlanObservedEvidence(model, data, threads, interrupt);
    if (ShouldStop(interrupt, 0)) return;  // a map stopped mid-compile is never used
    std::vector<std::int32_t> baselines = ModelBaselines(model, plan.map.table);
    // Compact statistics are counted sparsely whatever the data.
    const bool sparse = stats.lists || WorthCountingSparsely(model, plan.map.table, baselines);
    std::optional<SparseCountLayout> sparseLayout;
    if (sparse) sparseLayout.emplace(layout, baselines);
    else if (replace) ZeroStatistics(layout, stats);
    const SparseScorer scorer(plan.map, layout.valueStart, std::move(baselines));
    const Assigner assigner(model, layout, plan, scorer, data, out, mode);
    const int workers = ThreadCount(threads, data.numSamples);
    // Counted densely, thread 0 counts into the result and the others into
    // counts of their own, added afterwards; counted sparsely, every thread
    // counts on its own and the dense counts are filled in at the end. Whole
    // counts add exactly in any order, so each thread may count its samples
    // in pieces, checking `interrupt` between them.
    std::vector<std::unique_ptr<AssignmentScratch>> scratch;
    for (int t = 0; t < workers; ++t)
        scratch.push_back(
            std::make_unique<AssignmentScratch>(plan, layout, sparseLayout ? &*sparseLayout : nullptr, t > 0, mode,
                                                stats.lists != nullptr));
    ParallelFor(data.numSamples, workers, interrupt, kSamplesPerCheck,
                [&](std::int64_t begin, std::int64_t end, int t) {
                    AssignmentScratch& own = *scratch[static_cast<std::size_t>(t)];
                    assigner.Run(begin, end, own, t == 0 || sparse ? stats : own.counts->View());
                });
    if (ShouldStop(interrupt, 0)) return;
    if (stats.lists && mode == AssignmentMode::kSoft) {
        std::vector<const WeightedListedCounts*> parts;
        for (const auto& s : scratch) {
            s->weightedListed->Flush();
            parts.push_back(&*s->weightedListed);
        }
        AddListedCounts(*sparseLayout, parts, threads, replace, kSoftQuantum, stats);
        return;
    }
    if (stats.lists) {
        std::vector<const ListedCounts*> parts;
        for (const auto& s : scratch) {
            s->listedCounts->Flush();
            parts.push_back(&*s->listedCounts);
        }
        AddListedCounts(*sparseLayout, parts, threads, replace, 1.0, stats);
        return;
    }
    if (sparse && mode == AssignmentMode::kSoft) {
        std::vector<const WeightedSparseCounts*> parts;
        for (const auto& s : scratch) parts.push_back(&*s->weightedCounts);
        AddDenseCounts(*sparseLayout, parts, threads, replace, kSoftQuantum, stats);
        return;
    }
    if (sparse) {
        std::vector<const SparseCounts*> parts;
        for (const auto& s : scratch) parts.push_back(&*s->sparseCounts);
        AddDenseCounts(*sparseLayout, parts, threads, replace, 1.0, stats);
        return;
    }
    for (int t = 1; t < workers; ++t) {
        const Statistics& counts = scratch[static_cast<std::size_t>(t)]->counts.value();
        AddCounts(counts.count, stats.count);
        AddCounts(counts.values, stats.values);
        AddCounts(counts.pairs, stats.pairs);
    }
}

}  // namespace

void CountStatistics(const MapModel& model, const StatisticsLayout& layout, const CodeMatrix& data, int threads,
                     const StatisticsView& stats, const AssignmentResults& out, Interrupt* interrupt,
                     AssignmentMode mode) {
    Count(model, layout, data, threads, false, stats, out, interrupt, mode);
}

void StoreStatistics(const MapModel& model, const StatisticsLayout& layout, const CodeMatrix& data, int threads,
                     const StatisticsView& stats, const AssignmentResults& out, Interrupt* interrupt,
                     AssignmentMode mode) {
    Count(model, layout, data, threads, true, stats, out, interrupt, mode);
}

}  // namespace tavrix
