// The statistics pass over the ranks of an MPI job: each rank counts its own
// block of samples, and one MPI_Allreduce sums the counts of every rank (with
// the pass's log-likelihood and changed-unit totals behind them). The counts
// are whole numbers below 2^53, so the sum is exact in any order and every
// rank gets the statistics of the whole data, bit for bit. The samples a rank
// holds back are scored only, and every rank gathers their log-likelihoods
// in rank order, the order of their global columns, to sum them.
#pragma once

#include <mpi.h>

#include <cstdint>
#include <vector>

#include "../batch/pass_training.hpp"
#include "../batch/statistics.hpp"

namespace tavrix::cli {

class MpiStatisticsPass : public StatisticsPass {
public:
    // `counted` and `held` (this rank's samples, counted and held back)
    // outlive the pass; `totalSamples` is the sum of every rank's counted ones.
    // Throws FileError when the statistics are too large for one reduction
    // (2^31 doubles).
    MpiStatisticsPass(const MapModel& model, const CodeMatrix& counted, const CodeMatrix& held,
                      std::int64_t totalSamples, int threads, MPI_Comm comm);
    ConstStatisticsView Count(const MapModel& view, PassTotals& totals) override;
    ConstStatisticsView CountEverySample(const MapModel& view) override;

    // Doubles each rank sends in one epoch's reduction.
    std::size_t ReducedDoubles() const { return buffer_.size(); }

    // Seconds this rank spent so far counting its block, and in the reductions.
    double CountSeconds() const { return countSeconds_; }
    double ReduceSeconds() const { return reduceSeconds_; }

private:
    void GatherHeldCounts();
    void ScoreHeld(const MapModel& view, PassTotals& totals);
    // Counts `block_` (and `held_` when `everySample`) into the buffer and sums it over the ranks.
    ConstStatisticsView CountAndReduce(const MapModel& view, bool everySample);

    StatisticsLayout layout_;
    const CodeMatrix& block_;
    const CodeMatrix& held_;
    Statistics heldCounts_;  // the counts the held-back samples' scoring makes on the way
    std::vector<std::int32_t> heldBest_;
    std::vector<double> heldLogs_, allHeldLogs_;  // this rank's, and every rank's in rank order
    std::vector<int> heldPerRank_, heldStart_;    // empty until the first pass
    double totalSamples_;
    int threads_;
    MPI_Comm comm_;
    std::vector<double> buffer_;  // count, values, pairs, then log-likelihood and changed-unit totals
    std::vector<std::int32_t> best_, previous_;
    std::vector<double> logLikelihood_;
    double countSeconds_ = 0.0, reduceSeconds_ = 0.0;
};

}  // namespace tavrix::cli
