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
#include "../impute/unit_inference.hpp"
#include "baseline.hpp"
#include "sparse_counts.hpp"
#include "sparse_scoring.hpp"

namespace tavrix {
namespace {

// Samples with at most this many completions of their missing entries are
// scored by enumerating them through the compiled units; the others by
// message passing over each unit's tree.
constexpr std::int64_t kEnumeratedCompletions = 16;

// The samples a thread counts between two checks for an interrupt.
constexpr std::int64_t kSamplesPerCheck = 128;

// Whether a sample has a missing entry: codes are non-negative, kMissingCode
// is -1, so their bitwise or is negative exactly then (a loop compilers
// vectorise).
bool HasMissing(const std::int32_t* codes, std::int32_t d) {
    std::int32_t all = 0;
    for (std::int32_t i = 0; i < d; ++i) all |= codes[i];
    return all < 0;
}

// The number of completions of the missing entries among `variables`
// (codes `codes`), capped just above kEnumeratedCompletions; 0 when none is
// missing.
std::int64_t Completions(const std::int32_t* variables, const std::int32_t* codes, std::size_t size,
                         const StatisticsLayout& layout) {
    std::int64_t count = 0;
    for (std::size_t e = 0; e < size && count <= kEnumeratedCompletions; ++e)
        if (codes[e] == kMissingCode)
            count = (count == 0 ? 1 : count) * layout.range[static_cast<std::size_t>(variables[e])];
    return count;
}

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

// What the pass computes once from the model: the compiled map, and the
// units' factors only when some sample has many completions.
ImputePlan PlanAssignment(const MapModel& model, const StatisticsLayout& layout, const CodeMatrix& data, int threads,
                          Interrupt* interrupt) {
    ImputePlan plan{CompiledMap(model, threads, interrupt), {}, 0};
    std::vector<std::int32_t> variables(static_cast<std::size_t>(layout.dimension));
    for (std::int32_t i = 0; i < layout.dimension; ++i) variables[static_cast<std::size_t>(i)] = i;
    for (std::int32_t j = 0; j < data.numSamples; ++j)
        if (HasMissing(data.Column(j), layout.dimension) &&
            Completions(variables.data(), data.Column(j), variables.size(), layout) > kEnumeratedCompletions) {
            AddUnitFactors(plan, threads, interrupt);
            break;
        }
    return plan;
}

// Per-thread buffers, sized once per pass.
struct AssignmentScratch {
    AssignmentScratch(const ImputePlan& plan, const StatisticsLayout& layout, const SparseCountLayout* sparse,
                      bool ownCounts)
        : block(plan.map),
          entries(layout.dimension),
          mass(static_cast<std::size_t>(kEnumeratedCompletions)),
          valueMass(static_cast<std::size_t>(plan.map.table.maxRange)),
          logs(plan.map.NumUnits()),
          completed(static_cast<std::size_t>(layout.dimension)),
          inference(layout.dimension, plan.map.table.maxRange, plan.maxEdges) {
        if (sparse) sparseCounts.emplace(*sparse);
        else if (ownCounts) counts.emplace(layout);
    }
    SampleBlockScratch block;
    NonBaselineEntries entries;
    struct Enumerated {
        std::int32_t sample;
        std::int64_t first;  // its first completion
        std::int64_t count;
    };
    std::vector<Enumerated> enumerated;     // this thread's samples scored by enumeration
    std::vector<std::int32_t> completions;  // completion c's codes at c x Dimension
    std::vector<double> completionLogs;     // completion c's unit log-likelihoods at c x units
    std::vector<double> mass;               // completion c's probability relative to the largest
    std::vector<double> valueMass;          // per code of one variable
    std::vector<double> logs;               // one sample's log-likelihood under every unit
    std::vector<std::int32_t> completed;
    InferenceScratch inference;
    std::optional<Statistics> counts;  // this thread's counts, unless it counts into the result
    std::optional<SparseCounts> sparseCounts;  // this thread's counts when counted sparsely
    // What is counted, grouped by unit afterwards so that each unit's counts
    // are written together: sample j and its unit, and where its codes are
    // (counted sparsely, its non-baseline entries, always stashed).
    struct Counted {
        std::int32_t sample;
        std::int32_t unit;
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
             const CodeMatrix& data, const AssignmentResults& out)
        : model_(model), layout_(layout), plan_(plan), scorer_(scorer), data_(data), out_(out) {}

    // Counts samples [begin, end). Complete samples are scored from their
    // non-baseline entries; the completions of samples with few of them go
    // through the compiled units together, in full blocks; samples with many
    // completions go one by one.
    void Run(std::int64_t begin, std::int64_t end, AssignmentScratch& scratch, const StatisticsView& stats) const {
        scratch.enumerated.clear();
        scratch.completions.clear();
        scratch.counted.clear();
        scratch.stash.clear();
        for (std::int64_t j = begin; j < end; ++j) {
            const auto column = static_cast<std::int32_t>(j);
            // Missing entries are never at a baseline, so they are among the entries found.
            NonBaselineEntries& entries = scratch.entries;
            entries.Find(data_.Column(column), scorer_.Baselines());
            const std::int64_t completions =
                Completions(entries.variable.data(), entries.code.data(), entries.size, layout_);
            if (completions == 0) RunComplete(column, scratch);
            else if (completions <= kEnumeratedCompletions) AddCompletions(column, completions, scratch);
            else RunByInference(column, scratch);
        }
        const std::size_t units = plan_.map.NumUnits();
        const auto d = static_cast<std::size_t>(layout_.dimension);
        const auto numCompletions = static_cast<std::int64_t>(scratch.completions.size() / (d > 0 ? d : 1));
        scratch.completionLogs.resize(static_cast<std::size_t>(numCompletions) * units);
        const auto column = [&](std::int64_t item) {
            return scratch.completions.data() + static_cast<std::size_t>(item) * d;
        };
        ForEachSampleBlock(plan_.map, 0, numCompletions, column, scratch.block,
                           [&](std::int64_t first, int count, const double* logs) {
                               std::copy(logs, logs + static_cast<std::size_t>(count) * units,
                                         scratch.completionLogs.begin() +
                                             static_cast<std::ptrdiff_t>(first * static_cast<std::int64_t>(units)));
                           });
        for (const auto& e : scratch.enumerated) RunEnumerated(e, scratch);
        CountByUnit(scratch, stats);
    }

private:
    // Sample j, complete, its non-baseline entries in `scratch.entries`.
    void RunComplete(std::int32_t j, AssignmentScratch& scratch) const {
        const std::int32_t* codes = data_.Column(j);
        scorer_.Score(codes, scratch.entries, scratch.logs.data());
        const std::int32_t unit = Finish(j, scratch.logs.data());
        if (scratch.sparseCounts) StashEntries(j, unit, scratch);
        else scratch.counted.push_back({j, unit, -1, 0});
    }

    // Keeps the sample's non-baseline entries in `scratch.entries` for counting:
    // their variables, then their codes.
    static void StashEntries(std::int32_t j, std::int32_t unit, AssignmentScratch& scratch) {
        const NonBaselineEntries& entries = scratch.entries;
        const auto size = static_cast<std::ptrdiff_t>(entries.size);
        scratch.counted.push_back({j, unit, static_cast<std::int64_t>(scratch.stash.size()), entries.size});
        scratch.stash.insert(scratch.stash.end(), entries.variable.begin(), entries.variable.begin() + size);
        scratch.stash.insert(scratch.stash.end(), entries.code.begin(), entries.code.begin() + size);
    }

    // Appends every completion of sample j's missing entries, the missing
    // variables counting up, the first one fastest.
    void AddCompletions(std::int32_t j, std::int64_t completions, AssignmentScratch& scratch) const {
        const std::int32_t* codes = data_.Column(j);
        const auto d = static_cast<std::size_t>(layout_.dimension);
        scratch.enumerated.push_back({j, static_cast<std::int64_t>(scratch.completions.size() / d), completions});
        for (std::int64_t c = 0; c < completions; ++c) {
            std::int64_t rest = c;
            for (std::size_t i = 0; i < d; ++i) {
                std::int32_t code = codes[i];
                if (code == kMissingCode) {
                    code = static_cast<std::int32_t>(rest % layout_.range[i]);
                    rest /= layout_.range[i];
                }
                scratch.completions.push_back(code);
            }
        }
    }

    // P_k(observed) is the sum of the completions' probabilities, taken
    // relative to the largest.
    void RunEnumerated(const AssignmentScratch::Enumerated& e, AssignmentScratch& scratch) const {
        const std::int32_t j = e.sample;
        const std::int64_t completions = e.count;
        const std::int32_t* codes = data_.Column(j);
        const auto d = static_cast<std::size_t>(layout_.dimension);
        const std::size_t units = plan_.map.NumUnits();
        const double* logs = scratch.completionLogs.data() + static_cast<std::size_t>(e.first) * units;
        const std::int32_t* completion = scratch.completions.data() + static_cast<std::size_t>(e.first) * d;
        for (std::size_t k = 0; k < units; ++k) {
            const double top = RelativeMasses(scratch, logs, completions, k);
            double sum = 0.0;
            for (std::int64_t c = 0; c < completions; ++c) sum += scratch.mass[static_cast<std::size_t>(c)];
            scratch.logs[k] = sum > 0.0 ? top + std::log(sum) : kLogZero;
        }
        const std::int32_t unit = Finish(j, scratch.logs.data());
        const bool explained = IsFinite(scratch.logs[static_cast<std::size_t>(unit)]);
        RelativeMasses(scratch, logs, completions, static_cast<std::size_t>(unit));
        for (std::size_t i = 0; i < d; ++i) {
            std::int32_t code = codes[i];
            if (code == kMissingCode) {
                double* byValue = scratch.valueMass.data();
                for (std::int32_t x = 0; x < layout_.range[i]; ++x) byValue[x] = 0.0;
                for (std::int64_t c = 0; c < completions; ++c)
                    byValue[completion[static_cast<std::size_t>(c) * d + i]] +=
                        scratch.mass[static_cast<std::size_t>(c)];
                code = PickCode(byValue, layout_.range[i],
                                SampleFraction(codes, layout_.dimension, static_cast<std::int32_t>(i)), explained);
            }
            scratch.completed[i] = code;
        }
        Stash(j, unit, scratch);
    }

    // Each completion's probability under unit k relative to the largest,
    // exp(l_c - top) (exactly 1 for the largest), 0 for the impossible ones;
    // returns top, the largest finite log-likelihood.
    static double RelativeMasses(AssignmentScratch& scratch, const double* logs, std::int64_t completions,
                                 std::size_t k) {
        const std::size_t units = scratch.logs.size();
        double top = kLogZero;
        for (std::int64_t c = 0; c < completions; ++c) {
            const double l = logs[static_cast<std::size_t>(c) * units + k];
            if (IsFinite(l) && l > top) top = l;
        }
        for (std::int64_t c = 0; c < completions; ++c) {
            const double l = logs[static_cast<std::size_t>(c) * units + k];
            scratch.mass[static_cast<std::size_t>(c)] = !IsFinite(l) ? 0.0 : l == top ? 1.0 : std::exp(l - top);
        }
        return top;
    }

    // Message passing over each unit's tree, as TavrixImpute sums out the missing values.
    void RunByInference(std::int32_t j, AssignmentScratch& scratch) const {
        const std::int32_t* codes = data_.Column(j);
        const std::size_t units = plan_.map.NumUnits();
        double* logs = scratch.logs.data();
        for (std::size_t k = 0; k < units; ++k)
            logs[k] = UnitLogEvidence(plan_.factors[k], plan_.map.table, codes, false, scratch.inference);
        const std::int32_t unit = Finish(j, logs);
        const bool explained = IsFinite(logs[unit]) &&
                               IsFinite(UnitLogEvidence(plan_.factors[static_cast<std::size_t>(unit)], plan_.map.table,
                                                        codes, true, scratch.inference));
        const auto slots = static_cast<std::size_t>(plan_.map.table.maxRange);
        for (std::int32_t i = 0; i < layout_.dimension; ++i) {
            std::int32_t code = codes[i];
            if (code == kMissingCode) {
                const double* posterior = scratch.inference.marginal.data() + static_cast<std::size_t>(i) * slots;
                code = PickCode(posterior, layout_.range[static_cast<std::size_t>(i)],
                                SampleFraction(codes, layout_.dimension, i), explained);
            }
            scratch.completed[static_cast<std::size_t>(i)] = code;
        }
        Stash(j, unit, scratch);
    }

    void Stash(std::int32_t j, std::int32_t unit, AssignmentScratch& scratch) const {
        if (scratch.sparseCounts) {
            scratch.entries.Find(scratch.completed.data(), scorer_.Baselines());
            StashEntries(j, unit, scratch);
            return;
        }
        scratch.counted.push_back({j, unit, static_cast<std::int64_t>(scratch.stash.size()), 0});
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
            if (scratch.sparseCounts) scratch.sparseCounts->Add(codes, codes + c.entries, c.entries, c.unit);
            else CountSample(layout_, codes, c.unit, stats);
        }
    }

    // Writes sample j's results from its unit log-likelihoods and returns its
    // unit: the best one, or unit 0 when no unit explains the sample.
    std::int32_t Finish(std::int32_t j, const double* logs) const {
        const std::int32_t best = BestUnit(plan_.map, logs, nullptr);
        const std::int32_t unit = best < 0 ? 0 : best;
        out_.best[static_cast<std::size_t>(j)] = unit;
        out_.logLikelihood[static_cast<std::size_t>(j)] = LogMixture(logs, model_.pi.data(), plan_.map.NumUnits());
        return unit;
    }

    const MapModel& model_;
    const StatisticsLayout& layout_;
    const ImputePlan& plan_;
    const SparseScorer& scorer_;
    const CodeMatrix& data_;
    const AssignmentResults& out_;
};

void AddCounts(const std::vector<double>& from, double* to) {
    for (std::size_t e = 0; e < from.size(); ++e) to[e] += from[e];
}

void ZeroStatistics(const StatisticsLayout& layout, const StatisticsView& stats) {
    const auto units = static_cast<std::size_t>(layout.units);
    std::fill(stats.count, stats.count + units, 0.0);
    std::fill(stats.values, stats.values + units * layout.numValues, 0.0);
    std::fill(stats.pairs, stats.pairs + units * layout.numPairs, 0.0);
}

void Count(const MapModel& model, const StatisticsLayout& layout, const CodeMatrix& data, int threads, bool replace,
           const StatisticsView& stats, const AssignmentResults& out, Interrupt* interrupt) {
    if (data.numSamples <= 0 || model.NumUnits() <= 0) {
        if (replace) ZeroStatistics(layout, stats);
        return;
    }
    const ImputePlan plan = PlanAssignment(model, layout, data, threads, interrupt);
    std::vector<std::int32_t> baselines = ModelBaselines(model, plan.map.table);
    const bool sparse = WorthCountingSparsely(model, plan.map.table, baselines);
    std::optional<SparseCountLayout> sparseLayout;
    if (sparse) sparseLayout.emplace(layout, baselines);
    else if (replace) ZeroStatistics(layout, stats);
    const SparseScorer scorer(plan.map, layout.valueStart, std::move(baselines));
    const Assigner assigner(model, layout, plan, scorer, data, out);
    const int workers = ThreadCount(threads, data.numSamples);
    // Counted densely, thread 0 counts into the result and the others into
    // counts of their own, added afterwards; counted sparsely, every thread
    // counts on its own and the dense counts are filled in at the end. Whole
    // counts add exactly in any order, so each thread may count its samples
    // in pieces, checking `interrupt` between them.
    std::vector<std::unique_ptr<AssignmentScratch>> scratch;
    for (int t = 0; t < workers; ++t)
        scratch.push_back(
            std::make_unique<AssignmentScratch>(plan, layout, sparseLayout ? &*sparseLayout : nullptr, t > 0));
    ParallelFor(data.numSamples, workers, interrupt, kSamplesPerCheck,
                [&](std::int64_t begin, std::int64_t end, int t) {
                    AssignmentScratch& own = *scratch[static_cast<std::size_t>(t)];
                    assigner.Run(begin, end, own, t == 0 || sparse ? stats : own.counts->View());
                });
    if (ShouldStop(interrupt, 0)) return;
    if (sparse) {
        std::vector<const SparseCounts*> parts;
        for (const auto& s : scratch) parts.push_back(&*s->sparseCounts);
        AddDenseCounts(*sparseLayout, parts, threads, replace, stats);
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
                     const StatisticsView& stats, const AssignmentResults& out, Interrupt* interrupt) {
    Count(model, layout, data, threads, false, stats, out, interrupt);
}

void StoreStatistics(const MapModel& model, const StatisticsLayout& layout, const CodeMatrix& data, int threads,
                     const StatisticsView& stats, const AssignmentResults& out, Interrupt* interrupt) {
    Count(model, layout, data, threads, true, stats, out, interrupt);
}

}  // namespace tavrix
