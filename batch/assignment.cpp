#include "assignment.hpp"

#include <cmath>
#include <vector>

#include "../core/compiled_unit.hpp"
#include "../core/log_mixture.hpp"
#include "../core/numeric.hpp"
#include "../core/pair_codes.hpp"
#include "../core/parallel.hpp"
#include "../core/value_index_table.hpp"
#include "../impute/missing_graph.hpp"
#include "../impute/unit_factors.hpp"
#include "../impute/unit_inference.hpp"

namespace tavrix {
namespace {

bool HasMissing(const std::int32_t* codes, std::int32_t d) {
    for (std::int32_t i = 0; i < d; ++i)
        if (codes[i] == kMissingCode) return true;
    return false;
}

// What the pass computes once from the model.
struct CompiledAssignment {
    CompiledAssignment(const MapModel& model, const CodeMatrix& data, int threads)
        : table(BuildValueIndexTable(model)), units(CompileUnits(model, table, threads)), slots(BuildPairSlots(units)) {
        for (std::size_t k = 0; k < units.size(); ++k) logPi.push_back(std::log(model.pi[k]));
        bool missing = false;
        for (std::int32_t j = 0; j < data.numSamples && !missing; ++j)
            missing = HasMissing(data.Column(j), data.dimension);
        if (!missing) return;
        factors.resize(units.size());
        ParallelFor(static_cast<std::int64_t>(units.size()), threads, [&](std::int64_t begin, std::int64_t end, int) {
            for (auto k = static_cast<std::size_t>(begin); k < static_cast<std::size_t>(end); ++k)
                factors[k] = BuildUnitFactors(units[k], table);
        });
        for (const UnitFactors& f : factors)
            if (f.edges.size() > maxEdges) maxEdges = f.edges.size();
    }

    ValueIndexTable table;
    std::vector<CompiledUnit> units;
    PairSlots slots;
    std::vector<double> logPi;
    std::vector<UnitFactors> factors;  // only when some sample has missing entries
    std::size_t maxEdges = 0;
};

// Per-thread buffers, sized once per pass.
struct AssignmentScratch {
    AssignmentScratch(const CompiledAssignment& plan, const StatisticsLayout& layout, bool ownCounts)
        : pairCodes(plan.slots.Count() * kSampleBlock),
          logs(plan.units.size() * kSampleBlock),
          completed(static_cast<std::size_t>(layout.dimension)),
          inference(layout.dimension, plan.table.maxRange, plan.maxEdges) {
        if (ownCounts) counts.emplace_back(layout);
    }
    std::vector<std::size_t> pairCodes;  // sample b's slot codes at b x slots
    std::vector<double> logs;            // sample b's unit log-likelihoods at b x units
    std::vector<std::int32_t> completed;
    InferenceWorkspace inference;
    std::vector<Statistics> counts;  // this thread's counts, unless it counts into the result
};

class Assigner {
public:
    Assigner(const MapModel& model, const StatisticsLayout& layout, const CompiledAssignment& plan,
             const CodeMatrix& data, const AssignmentResults& out)
        : model_(model), layout_(layout), plan_(plan), data_(data), out_(out) {}

    // Counts samples [begin, end): complete ones in blocks, the others one by one.
    void Run(std::int64_t begin, std::int64_t end, AssignmentScratch& scratch, const StatisticsView& stats) const {
        std::int32_t block[kSampleBlock];
        int filled = 0;
        for (std::int64_t j = begin; j < end; ++j) {
            const auto column = static_cast<std::int32_t>(j);
            if (HasMissing(data_.Column(column), data_.dimension)) {
                RunIncomplete(column, scratch, stats);
                continue;
            }
            block[filled++] = column;
            if (filled == kSampleBlock) {
                RunBlock(block, filled, scratch, stats);
                filled = 0;
            }
        }
        if (filled > 0) RunBlock(block, filled, scratch, stats);
    }

private:
    void RunBlock(const std::int32_t (&block)[kSampleBlock], int count, AssignmentScratch& scratch,
                  const StatisticsView& stats) const {
        const std::size_t slots = plan_.slots.Count();
        const std::size_t units = plan_.units.size();
        const std::size_t* lanes[kSampleBlock];
        for (int b = 0; b < kSampleBlock; ++b) {
            // Lanes past `count` repeat the first sample and are dropped.
            lanes[b] = scratch.pairCodes.data() + static_cast<std::size_t>(b < count ? b : 0) * slots;
            if (b < count) FillPairCodes(plan_.slots, data_.Column(block[b]), scratch.pairCodes.data() + static_cast<std::size_t>(b) * slots);
        }
        for (std::size_t k = 0; k < units; ++k) {
            double s[kSampleBlock];
            SlotLogLikelihoods(plan_.slots.units[k], lanes, s);
            for (int b = 0; b < count; ++b) scratch.logs[static_cast<std::size_t>(b) * units + k] = s[b];
        }
        for (int b = 0; b < count; ++b) {
            const double* logs = scratch.logs.data() + static_cast<std::size_t>(b) * units;
            const std::int32_t unit = Finish(block[b], logs);
            CountSample(layout_, data_.Column(block[b]), unit, stats);
        }
    }

    void RunIncomplete(std::int32_t j, AssignmentScratch& scratch, const StatisticsView& stats) const {
        const std::int32_t* codes = data_.Column(j);
        const std::size_t units = plan_.units.size();
        double* logs = scratch.logs.data();
        for (std::size_t k = 0; k < units; ++k)
            logs[k] = UnitLogEvidence(plan_.factors[k], plan_.table, codes, false, scratch.inference);
        const std::int32_t unit = Finish(j, logs);
        const bool explained = IsFinite(logs[unit]) &&
                               IsFinite(UnitLogEvidence(plan_.factors[static_cast<std::size_t>(unit)], plan_.table,
                                                        codes, true, scratch.inference));
        const std::int32_t d = data_.dimension;
        const auto slots = static_cast<std::size_t>(plan_.table.maxRange);
        for (std::int32_t i = 0; i < d; ++i) {
            std::int32_t code = codes[i];
            if (code == kMissingCode) {
                code = 0;
                if (explained) {
                    const double* posterior = scratch.inference.marginal.data() + static_cast<std::size_t>(i) * slots;
                    for (std::int32_t x = 1; x < layout_.range[static_cast<std::size_t>(i)]; ++x)
                        if (posterior[x] > posterior[code]) code = x;
                }
            }
            scratch.completed[static_cast<std::size_t>(i)] = code;
        }
        CountSample(layout_, scratch.completed.data(), unit, stats);
    }

    // Writes sample j's results from its unit log-likelihoods and returns its unit.
    std::int32_t Finish(std::int32_t j, const double* logs) const {
        const std::size_t units = plan_.units.size();
        double bestScore = kLowestScore;
        std::size_t best = 0;
        for (std::size_t k = 0; k < units; ++k) {
            const double score = plan_.logPi[k] + logs[k];
            if (IsFinite(logs[k]) && score > bestScore) {
                bestScore = score;
                best = k;
            }
        }
        const auto unit = static_cast<std::int32_t>(best);
        out_.best[static_cast<std::size_t>(j)] = unit;
        out_.logLikelihood[static_cast<std::size_t>(j)] = LogMixture(logs, model_.pi.data(), units);
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
    const CompiledAssignment plan(model, data, threads);
    const Assigner assigner(model, layout, plan, data, out);
    const int workers = ThreadCount(threads, data.numSamples);
    // Thread 0 counts into the result; the others into counts of their own,
    // added afterwards. Whole counts add exactly in any order.
    std::vector<AssignmentScratch> scratch;
    scratch.reserve(static_cast<std::size_t>(workers));
    for (int t = 0; t < workers; ++t) scratch.emplace_back(plan, layout, t > 0);
    ParallelFor(data.numSamples, workers, [&](std::int64_t begin, std::int64_t end, int t) {
        AssignmentScratch& own = scratch[static_cast<std::size_t>(t)];
        assigner.Run(begin, end, own, t == 0 ? stats : own.counts.front().View());
    });
    for (int t = 1; t < workers; ++t) {
        const Statistics& counts = scratch[static_cast<std::size_t>(t)].counts.front();
        AddCounts(counts.count, stats.count);
        AddCounts(counts.values, stats.values);
        AddCounts(counts.pairs, stats.pairs);
    }
}

}  // namespace tavrix
