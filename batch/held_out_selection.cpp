#include "batch_run_state.hpp"

#include <algorithm>
#include <cmath>

#include "update.hpp"

namespace tavrix {
namespace {

struct TableSizes {
    std::size_t marginal, intersect, square, units;
};

TableSizes SizesOf(const MapModel& model) {
    const auto v = static_cast<std::size_t>(model.numValues);
    const auto d = static_cast<std::size_t>(model.dimension);
    return {v, v * v, d * d, static_cast<std::size_t>(model.NumUnits())};
}

// Copies every trained array between `tables` and `saved`, one way or the other.
template <bool kSave>
void CopyTables(const TableSizes& s, const TrainedTables& tables, std::vector<double>& saved) {
    if (kSave) saved.resize(s.units * (s.marginal + (tables.compact ? 0 : s.intersect + 2 * s.square)) + 2 * s.units);
    double* at = saved.data();
    auto copy = [&](double* array, std::size_t size) {
        if (kSave) std::copy(array, array + size, at);
        else std::copy(at, at + size, array);
        at += size;
    };
    for (std::size_t k = 0; k < s.units; ++k) {
        copy(tables.marginal[k], s.marginal);
        if (tables.compact) continue;
        copy(tables.intersect[k], s.intersect);
        copy(tables.mutual[k], s.square);
        copy(tables.graph[k], s.square);
    }
    copy(tables.pi, s.units);
    copy(tables.numVictories, s.units);
}

// NaN never wins; the first candidate always does.
bool Better(double score, double best, bool first) { return first || score > best; }

void Assign(std::vector<double>& to, const double* from, std::size_t size) { to.assign(from, from + size); }

}  // namespace

HeldOutSelection::HeldOutSelection(const MapModel& model, const StatisticsLayout& layout,
                                   const TrainedTables& tables, BatchRunState& state)
    : model_(model), layout_(layout), state_(state) {
    if (state.selecting && state.firstCompetes && state.epochsDone == 0) {
        CopyTables<true>(SizesOf(model), tables, state.firstModel);
        if (tables.compact) state.firstCompact = *tables.compact;
    }
}

void HeldOutSelection::ScoreFirst(double score) {
    state_.startScore = score;
    state_.bestEpoch = state_.firstCompetes ? 0 : -1;
    if (state_.firstCompetes) state_.bestScore = score;
}

void HeldOutSelection::Offer(const ConstStatisticsView& stats, double radius) {
    if (!state_.selecting) return;
    const auto units = static_cast<std::size_t>(layout_.units);
    Assign(count_, stats.count, units);
    Assign(values_, stats.values, units * layout_.numValues);
    if (!stats.lists) Assign(pairs_, stats.pairs, units * layout_.numPairs);
    baselines_ = stats.baselines ? *stats.baselines : std::vector<std::int32_t>{};
    offeredRadius_ = radius;
}

void HeldOutSelection::TakeLists(PairLists& lists) {
    if (!state_.selecting) return;
    lists_.swap(lists);
    lists.resize(static_cast<std::size_t>(layout_.units));  // a list per unit for the next pass to fill
}

void HeldOutSelection::ScoreOffered(std::int32_t epoch, double score) {
    if (!state_.selecting || !Better(score, state_.bestScore, state_.bestEpoch < 0)) return;
    state_.bestEpoch = epoch;
    state_.bestScore = score;
    state_.bestRadius = offeredRadius_;
    state_.bestCount.swap(count_);
    state_.bestValues.swap(values_);
    state_.bestPairs.swap(pairs_);
    state_.bestBaselines.swap(baselines_);
    state_.bestLists.swap(lists_);
}

void HeldOutSelection::Finish(const MapModel& view, double prior, int threads, const TrainedTables& tables,
                              Interrupt* interrupt) {
    if (!state_.selecting || state_.bestEpoch == state_.epochsDone) return;
    if (state_.bestEpoch == 0) {
        CopyTables<false>(SizesOf(model_), tables, state_.firstModel);
        if (tables.compact) *tables.compact = state_.firstCompact;
        return;
    }
    ConstStatisticsView best{state_.bestCount.data(), state_.bestValues.data(), state_.bestPairs.data()};
    if (tables.compact) best.lists = &state_.bestLists;
    if (!state_.bestBaselines.empty()) best.baselines = &state_.bestBaselines;
    UpdateMap(view, layout_, best, state_.bestRadius, prior, threads, tables, interrupt);
}

void HeldOutSelection::LastEpoch(const MapModel& view, const ConstStatisticsView& stats, double prior, int threads,
                                 const TrainedTables& tables, Interrupt* interrupt) {
    if (!state_.lastOnEverySample) return;
    UpdateMap(view, layout_, stats, state_.bestRadius, prior, threads, tables, interrupt);
    state_.lastDone = !ShouldStop(interrupt, 0);
}

}  // namespace tavrix
