// Where a batch training run stands between two epochs, in one plain struct
// so that a run can be saved and carried on: the epochs done, the radius
// schedule, and held-out selection's best model so far.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "../core/training_views.hpp"
#include "statistics.hpp"

namespace tavrix {

struct BatchRunState {
    std::int32_t epochsDone = 0;
    std::int32_t epochs = 0;
    double radiusStart = 1.0;
    double radiusEnd = 1.0;

    // Held-out selection: on when there are samples to score. The first model
    // competes only against samples it was not built from: validation samples
    // (TavrixInit builds its units from every sample it is given, held-back
    // ones included, and so scores them too well).
    bool selecting = false;
    bool firstCompetes = false;
    // With samples held back from the counts, the run ends with one epoch on
    // every sample at the best epoch's radius, from the best model.
    bool lastOnEverySample = false;
    bool lastDone = false;
    double startScore = std::numeric_limits<double>::quiet_NaN();  // the first model's mean held-out log-likelihood
    std::int32_t bestEpoch = 0;  // 0: the first model; -1: none yet
    double bestScore = -std::numeric_limits<double>::infinity();  // NaN scores never win
    // The best model, as what rebuilds it: for an epoch, the counts and the
    // radius of its update (an update depends on nothing else); for the first
    // model, its trained arrays, unit by unit (firstModel).
    double bestRadius = 0.0;
    std::vector<double> bestCount, bestValues, bestPairs;
    std::vector<std::int32_t> bestBaselines;  // those its counts were made with
    PairLists bestLists;                      // its pair counts, for compact training
    std::vector<double> firstModel;
    std::vector<CompactUnit> firstCompact;    // a compact first model's compact tables
};

// Held-out selection over a run: offer each update's counts before the
// update, then the score of the model it made. Ties keep the earlier model.
class HeldOutSelection {
public:
    // Keeps the first model of `tables` when the state selects.
    HeldOutSelection(const MapModel& model, const StatisticsLayout& layout, const TrainedTables& tables,
                     BatchRunState& state);

    // The first model's score; it competes when the state says so.
    void ScoreFirst(double score);
    // Compact statistics' pair lists are not copied: hand them over with
    // TakeLists once the update has read them.
    void Offer(const ConstStatisticsView& stats, double radius);
    void TakeLists(PairLists& lists);
    void ScoreOffered(std::int32_t epoch, double score);

    // Leaves the best model in `tables` (`view` their model view).
    void Finish(const MapModel& view, double prior, int threads, const TrainedTables& tables, Interrupt* interrupt);

    // The last epoch on every sample, from `stats` of the best model, when the state asks for it.
    void LastEpoch(const MapModel& view, const ConstStatisticsView& stats, double prior, int threads,
                   const TrainedTables& tables, Interrupt* interrupt);

private:
    const MapModel& model_;
    const StatisticsLayout& layout_;
    BatchRunState& state_;
    double offeredRadius_ = 0.0;
    std::vector<double> count_, values_, pairs_;  // the counts offered
    std::vector<std::int32_t> baselines_;
    PairLists lists_;
};

}  // namespace tavrix
