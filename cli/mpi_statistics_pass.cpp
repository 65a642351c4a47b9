#include "mpi_statistics_pass.hpp"

#include <algorithm>
#include <climits>

#include "../batch/assignment.hpp"
#include "../core/value_index_table.hpp"
#include "../host/matio/mat_arrays.hpp"

namespace tavrix::cli {

MpiStatisticsPass::MpiStatisticsPass(const MapModel& model, const CodeMatrix& counted, const CodeMatrix& held,
                                     std::int64_t totalSamples, int threads, MPI_Comm comm)
    : layout_(MakeStatisticsLayout(BuildValueIndexTable(model), model.NumUnits())),
      block_(counted),
      held_(held),
      heldCounts_(held.numSamples > 0 ? layout_ : StatisticsLayout{}),
      heldBest_(static_cast<std::size_t>(held.numSamples)),
      heldLogs_(static_cast<std::size_t>(held.numSamples)),
      totalSamples_(static_cast<double>(totalSamples)),
      threads_(threads),
      comm_(comm) {
    const auto units = static_cast<std::size_t>(layout_.units);
    const std::size_t size = units * (1 + layout_.numValues + layout_.numPairs) + 2;
    if (size > static_cast<std::size_t>(INT_MAX))
        throw FileError("the statistics of this model (" + std::to_string(size) +
                        " doubles) exceed one MPI reduction (2^31 - 1 doubles)");
    buffer_.assign(size, 0.0);
    const auto n = static_cast<std::size_t>(counted.numSamples);
    best_.assign(n, 0);
    logLikelihood_.assign(n, 0.0);
}

ConstStatisticsView MpiStatisticsPass::CountAndReduce(const MapModel& view, bool everySample) {
    const double start = MPI_Wtime();
    std::fill(buffer_.begin(), buffer_.end(), 0.0);
    const auto units = static_cast<std::size_t>(layout_.units);
    double* count = buffer_.data();
    double* values = count + units;
    double* pairs = values + units * layout_.numValues;
    const StatisticsView stats{count, values, pairs};
    const std::size_t n = best_.size();
    CountStatistics(view, layout_, block_, threads_, stats,
                    AssignmentResults{Span<std::int32_t>(best_.data(), n), Span<double>(logLikelihood_.data(), n)});
    double* tail = buffer_.data() + buffer_.size() - 2;
    if (everySample) {
        const std::size_t held = heldBest_.size();
        CountStatistics(view, layout_, held_, threads_, stats,
                        AssignmentResults{Span<std::int32_t>(heldBest_.data(), held),
                                          Span<double>(heldLogs_.data(), held)});
    } else {
        PassTotals local;
        AddSampleResults(best_, Span<const double>(logLikelihood_.data(), n), previous_, local);
        tail[0] = local.logLikelihood;
        tail[1] = local.changed;
    }
    const double counted = MPI_Wtime();
    countSeconds_ += counted - start;
    MPI_Allreduce(MPI_IN_PLACE, buffer_.data(), static_cast<int>(buffer_.size()), MPI_DOUBLE, MPI_SUM, comm_);
    reduceSeconds_ += MPI_Wtime() - counted;
    return {count, values, pairs};
}

// Collective, so not in the constructor: a rank whose block failed its checks
// would leave the others waiting in it.
void MpiStatisticsPass::GatherHeldCounts() {
    int ranks = 1;
    MPI_Comm_size(comm_, &ranks);
    heldPerRank_.assign(static_cast<std::size_t>(ranks), 0);
    const int mine = held_.numSamples;
    MPI_Allgather(&mine, 1, MPI_INT, heldPerRank_.data(), 1, MPI_INT, comm_);
    heldStart_.assign(static_cast<std::size_t>(ranks), 0);
    long long all = 0;
    for (std::size_t r = 0; r < heldPerRank_.size(); ++r) {
        heldStart_[r] = static_cast<int>(all);
        all += heldPerRank_[r];
        if (all > INT_MAX) throw FileError("more than 2^31 - 1 samples held back; hold back a smaller share");
    }
    allHeldLogs_.assign(static_cast<std::size_t>(all), 0.0);
}

ConstStatisticsView MpiStatisticsPass::Count(const MapModel& view, PassTotals& totals) {
    if (heldPerRank_.empty()) GatherHeldCounts();
    const ConstStatisticsView stats = CountAndReduce(view, false);
    const double* tail = buffer_.data() + buffer_.size() - 2;
    totals.logLikelihood = tail[0];
    totals.changed = tail[1];
    totals.samples = totalSamples_;
    if (!allHeldLogs_.empty()) ScoreHeld(view, totals);
    return stats;
}

ConstStatisticsView MpiStatisticsPass::CountEverySample(const MapModel& view) { return CountAndReduce(view, true); }

void MpiStatisticsPass::ScoreHeld(const MapModel& view, PassTotals& totals) {
    const double start = MPI_Wtime();
    const std::size_t n = heldLogs_.size();
    StoreStatistics(view, layout_, held_, threads_, heldCounts_.View(),
                    AssignmentResults{Span<std::int32_t>(heldBest_.data(), n), Span<double>(heldLogs_.data(), n)});
    const double scored = MPI_Wtime();
    countSeconds_ += scored - start;
    MPI_Allgatherv(heldLogs_.data(), static_cast<int>(n), MPI_DOUBLE, allHeldLogs_.data(), heldPerRank_.data(),
                   heldStart_.data(), MPI_DOUBLE, comm_);
    reduceSeconds_ += MPI_Wtime() - scored;
    double sum = 0.0;
    for (const double l : allHeldLogs_) sum += l;
    totals.heldOutLogLikelihood = sum;
    totals.heldOutSamples = static_cast<double>(allHeldLogs_.size());
}

}  // namespace tavrix::cli
