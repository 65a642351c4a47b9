// One pass of batch training over the data: every sample goes to its best
// unit and is counted there, or, under soft assignment, is counted in every
// unit with the weight of its quantised posterior (soft_weights.hpp).
//
// The best unit has the largest log(Pi) + log-likelihood of the sample's
// observed values; ties go to the lowest unit. Complete samples are scored
// from the all-baseline sample and corrections for their values off the
// baselines (sparse_scoring.hpp); samples with missing entries by the
// compiled units or exact inference, their missing variables summed out. A sample with missing entries is counted as
// completed by a draw from its unit's posterior of each missing variable given
// the observed values: the code at a fraction of the cumulative posterior
// mass, the fraction fixed by the sample's own codes (SampleFraction in
// assignment.cpp). Every sample so adds whole counts to one unit, the tables
// built from the counts stay consistent, and the counts do not depend on
// where the sample lies in the data or on the thread count. A sample that no unit gives a finite score goes
// to unit 0, its missing entries completed with code 0. Under soft assignment
// a sample's missing entries are drawn anew for each of its units, from that
// unit's posterior, with the same fractions.
#pragma once

#include <cstdint>

#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "../core/span.hpp"
#include "assignment_mode.hpp"
#include "statistics.hpp"

namespace tavrix {

struct AssignmentResults {
    Span<std::int32_t> best;     // N: the unit each sample was counted in (0-based)
    Span<double>
        logLikelihood;  // N: log sum_k Pi[k] P_k(observed values), formed as TavrixScore forms it from the scores above
};

// Adds the counts of every sample of `data` (missing entries kMissingCode) to
// `stats`, hard or soft (`mode` kHardThenSoft, a schedule of epochs, counts
// hard). Both results must have N entries (`best` the best unit under either
// mode). The same counts and results for every thread count. Stops
// early, the counts incomplete, once `interrupt` (when not null) says so.
void CountStatistics(const MapModel& model, const StatisticsLayout& layout, const CodeMatrix& data, int threads,
                     const StatisticsView& stats, const AssignmentResults& out, Interrupt* interrupt = nullptr,
                     AssignmentMode mode = AssignmentMode::kHard);

// CountStatistics into `stats` whatever it held: the same counts as adding
// them to zeros.
void StoreStatistics(const MapModel& model, const StatisticsLayout& layout, const CodeMatrix& data, int threads,
                     const StatisticsView& stats, const AssignmentResults& out, Interrupt* interrupt = nullptr,
                     AssignmentMode mode = AssignmentMode::kHard);

}  // namespace tavrix
