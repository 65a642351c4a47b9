#include "assignment.hpp"

#include <cmath>
#include <memory>
#include <vector>

#include "../core/compiled_map.hpp"
#include "../core/log_mixture.hpp"
#include "../core/numeric.hpp"
#include "../core/parallel.hpp"
#include "../impute/missing_graph.hpp"
#include "../impute/unit_factors.hpp"
#include "../impute/unit_inference.hpp"

namespace tavrix {
namespace {

// Samples with at most this many completions of their missing entries are
// scored by enumerating them through the compiled units; the others by
// message passing over each unit's tree.
constexpr std::int64_t kEnumeratedCompletions = 16;

// The number of completions of a sample's missing entries, capped just above
// kEnumeratedCompletions; 1 for a complete sample.
std::int64_t Completions(const std::int32_t* codes, const StatisticsLayout& layout) {
    std::int64_t count = 1;
    for (std::int32_t i = 0; i < layout.dimension && count <= kEnumeratedCompletions; ++i)
        if (codes[i] == kMissingCode) count *= layout.range[static_cast<std::size_t>(i)];
    return count;
}

// What the pass computes once from the model.
struct CompiledAssignment {
    CompiledAssignment(const MapModel& model, const StatisticsLayout& layout, const CodeMatrix& data, int threads)
        : map(model, threads) {
        bool large = false;
        for (std::int32_t j = 0; j < data.numSamples && !large; ++j)
            large = Completions(data.Column(j), layout) > kEnumeratedCompletions;
        if (!large) return;
        factors.resize(map.NumUnits());
        ParallelFor(static_cast<std::int64_t>(map.NumUnits()), threads, [&](std::int64_t begin, std::int64_t end, int) {
            for (auto k = static_cast<std::size_t>(begin); k < static_cast<std::size_t>(end); ++k)
                factors[k] = BuildUnitFactors(map.units[k], map.table);
        });
        for (const UnitFactors& f : factors)
            if (f.edges.size() > maxEdges) maxEdges = f.edges.size();
    }

    CompiledMap map;
    std::vector<UnitFactors> factors;  // only when some sample has many completions
    std::size_t maxEdges = 0;
};

// Per-thread buffers, sized once per pass.
struct AssignmentScratch {
    AssignmentScratch(const CompiledAssignment& plan, const StatisticsLayout& layout, bool ownCounts)
        : block(plan.map),
          completions(static_cast<std::size_t>(kEnumeratedCompletions * layout.dimension)),
          completionLogs(static_cast<std::size_t>(kEnumeratedCompletions) * plan.map.NumUnits()),
          logs(plan.map.NumUnits()),
          completed(static_cast<std::size_t>(layout.dimension)),
          inference(layout.dimension, plan.map.table.maxRange, plan.maxEdges) {
        if (ownCounts) counts.emplace_back(layout);
    }
    SampleBlockScratch block;
    std::vector<std::int32_t> complete;     // this thread's complete samples
    std::vector<std::int32_t> completions;  // completion c's codes at c x Dimension
    std::vector<double> completionLogs;     // completion c's unit log-likelihoods at c x units
    std::vector<double> logs;               // one sample's log-likelihood under every unit
    std::vector<std::int32_t> completed;
    InferenceScratch inference;
    std::vector<Statistics> counts;  // this thread's counts, unless it counts into the result
};

class Assigner {
public:
    Assigner(const MapModel& model, const StatisticsLayout& layout, const CompiledAssignment& plan,
             const CodeMatrix& data, const AssignmentResults& out)
        : model_(model), layout_(layout), plan_(plan), data_(data), out_(out) {}

    // Counts samples [begin, end): complete ones in blocks, the others one by one.
    void Run(std::int64_t begin, std::int64_t end, AssignmentScratch& scratch, const StatisticsView& stats) const {
        scratch.complete.clear();
        for (std::int64_t j = begin; j < end; ++j) {
            const auto column = static_cast<std::int32_t>(j);
            const std::int64_t completions = Completions(data_.Column(column), layout_);
            if (completions == 1 && !HasMissing(data_.Column(column))) scratch.complete.push_back(column);
            else if (completions <= kEnumeratedCompletions) RunEnumerated(column, completions, scratch, stats);
            else RunByInference(column, scratch, stats);
        }
        const std::vector<std::int32_t>& complete = scratch.complete;
        const std::size_t units = plan_.map.NumUnits();
        ForEachSampleBlock(
            plan_.map, 0, static_cast<std::int64_t>(complete.size()),
            [&](std::int64_t c) { return data_.Column(complete[static_cast<std::size_t>(c)]); }, scratch.block,
            [&](std::int64_t first, int count, const double* logs) {
                for (int b = 0; b < count; ++b) {
                    const std::int32_t j = complete[static_cast<std::size_t>(first + b)];
                    CountSample(layout_, data_.Column(j), Finish(j, logs + static_cast<std::size_t>(b) * units), stats);
                }
            });
    }

private:
    bool HasMissing(const std::int32_t* codes) const {
        for (std::int32_t i = 0; i < layout_.dimension; ++i)
            if (codes[i] == kMissingCode) return true;
        return false;
    }

    // Every completion through the compiled units: P_k(observed) is the sum of
    // their probabilities, taken relative to the largest.
    void RunEnumerated(std::int32_t j, std::int64_t completions, AssignmentScratch& scratch,
                       const StatisticsView& stats) const {
        const std::int32_t* codes = data_.Column(j);
        const auto d = static_cast<std::size_t>(layout_.dimension);
        const std::size_t units = plan_.map.NumUnits();
        // Completion c: the missing variables count up, the first one fastest.
        for (std::int64_t c = 0; c < completions; ++c) {
            std::int32_t* completion = scratch.completions.data() + static_cast<std::size_t>(c) * d;
            std::int64_t rest = c;
            for (std::size_t i = 0; i < d; ++i) {
                completion[i] = codes[i];
                if (codes[i] != kMissingCode) continue;
                completion[i] = static_cast<std::int32_t>(rest % layout_.range[i]);
                rest /= layout_.range[i];
            }
        }
        ForEachSampleBlock(
            plan_.map, 0, completions,
            [&](std::int64_t c) { return scratch.completions.data() + static_cast<std::size_t>(c) * d; },
            scratch.block, [&](std::int64_t first, int count, const double* logs) {
                for (int b = 0; b < count; ++b)
                    for (std::size_t k = 0; k < units; ++k)
                        scratch.completionLogs[static_cast<std::size_t>(first + b) * units + k] =
                            logs[static_cast<std::size_t>(b) * units + k];
            });
        for (std::size_t k = 0; k < units; ++k) {
            const double top = LargestFinite(scratch, completions, k);
            double sum = 0.0;
            for (std::int64_t c = 0; c < completions; ++c) {
                const double l = scratch.completionLogs[static_cast<std::size_t>(c) * units + k];
                if (IsFinite(l)) sum += std::exp(l - top);
            }
            scratch.logs[k] = sum > 0.0 ? top + std::log(sum) : kLogZero;
        }
        const std::int32_t unit = Finish(j, scratch.logs.data());
        const auto k = static_cast<std::size_t>(unit);
        const bool explained = IsFinite(scratch.logs[k]);
        const double top = LargestFinite(scratch, completions, k);
        for (std::size_t i = 0; i < d; ++i) {
            std::int32_t code = codes[i];
            if (code == kMissingCode) {
                // The value of the largest posterior mass, the lowest on ties.
                double mass[2] = {-1.0, 0.0};
                code = 0;
                for (std::int32_t x = 0; explained && x < layout_.range[i]; ++x) {
                    mass[1] = 0.0;
                    for (std::int64_t c = 0; c < completions; ++c) {
                        const double l = scratch.completionLogs[static_cast<std::size_t>(c) * units + k];
                        if (scratch.completions[static_cast<std::size_t>(c) * d + i] == x && IsFinite(l))
                            mass[1] += std::exp(l - top);
                    }
                    if (mass[1] > mass[0]) {
                        mass[0] = mass[1];
                        code = x;
                    }
                }
            }
            scratch.completed[i] = code;
        }
        CountSample(layout_, scratch.completed.data(), unit, stats);
    }

    static double LargestFinite(const AssignmentScratch& scratch, std::int64_t completions, std::size_t k) {
        const std::size_t units = scratch.logs.size();
        double top = kLogZero;
        for (std::int64_t c = 0; c < completions; ++c) {
            const double l = scratch.completionLogs[static_cast<std::size_t>(c) * units + k];
            if (IsFinite(l) && l > top) top = l;
        }
        return IsFinite(top) ? top : 0.0;
    }

    // Message passing over each unit's tree, as TavrixImpute sums out the missing values.
    void RunByInference(std::int32_t j, AssignmentScratch& scratch, const StatisticsView& stats) const {
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
                code = 0;
                const double* posterior = scratch.inference.marginal.data() + static_cast<std::size_t>(i) * slots;
                for (std::int32_t x = 1; explained && x < layout_.range[static_cast<std::size_t>(i)]; ++x)
                    if (posterior[x] > posterior[code]) code = x;
            }
            scratch.completed[static_cast<std::size_t>(i)] = code;
        }
        CountSample(layout_, scratch.completed.data(), unit, stats);
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
    const CompiledAssignment& plan_;
    const CodeMatrix& data_;
    const AssignmentResults& out_;
};

void AddCounts(const std::vector<double>& from, double* to) {
    for (std::size_t e = 0; e < from.size(); ++e) to[e] += from[e];
}

}  // namespace

void CountStatistics(const MapModel& model, const StatisticsLayout& layout, const CodeMatrix& data, int threads,
                     const StatisticsView& stats, const AssignmentResults& out) {
    if (data.numSamples <= 0 || model.NumUnits() <= 0) return;
    const CompiledAssignment plan(model, layout, data, threads);
    const Assigner assigner(model, layout, plan, data, out);
    const int workers = ThreadCount(threads, data.numSamples);
    // Thread 0 counts into the result; the others into counts of their own,
    // added afterwards. Whole counts add exactly in any order.
    std::vector<std::unique_ptr<AssignmentScratch>> scratch;
    for (int t = 0; t < workers; ++t) scratch.push_back(std::make_unique<AssignmentScratch>(plan, layout, t > 0));
    ParallelFor(data.numSamples, workers, [&](std::int64_t begin, std::int64_t end, int t) {
        AssignmentScratch& own = *scratch[static_cast<std::size_t>(t)];
        assigner.Run(begin, end, own, t == 0 ? stats : own.counts.front().View());
    });
    for (int t = 1; t < workers; ++t) {
        const Statistics& counts = scratch[static_cast<std::size_t>(t)]->counts.front();
        AddCounts(counts.count, stats.count);
        AddCounts(counts.values, stats.values);
        AddCounts(counts.pairs, stats.pairs);
    }
}

}  // namespace tavrix
