// The statistics pass of TavrixTrain(..., 'UseParallel', true): the toolbox's
// tavrix_block_statistics.m (on the path, not private: hosts look a MEX
// file's calls up there) runs TavrixStats over blocks of samples in parfor
// (one after another without a pool) and adds the counts up.
#pragma once

#include <cstdint>
#include <vector>

#include "../batch/pass_training.hpp"
#include "batch_fields.hpp"
#include "gateway.hpp"

namespace tavrix::host {

class BlockStatisticsPass : public StatisticsPass {
public:
    // `model` is the array whose trained fields the training rewrites, so that
    // every pass sees the current map; `mask` may be null. Both outlive the pass.
    // The blocks hold back `heldOut` of the samples (HeldOutRule).
    BlockStatisticsPass(const mxArray* model, const mxArray* data, const mxArray* mask, int threads, double heldOut,
                        const StatisticsShape& shape);
    ConstStatisticsView Count(const MapModel& view, PassTotals& totals) override;
    ConstStatisticsView CountEverySample(const MapModel& view) override;

private:
    // Runs the blocks, holding back `heldOut` (an array of the share).
    ConstStatisticsView Run(const mxArray* heldOut, PassTotals& totals);

    const mxArray* model_;
    const mxArray* data_;
    OwnedArray mask_, threads_, heldOut_, none_;
    HeldOutRule rule_;
    StatisticsShape shape_;
    OwnedArray results_[3];  // the statistics, each sample's unit, each sample's log-likelihood
    std::vector<std::int32_t> previous_;
};

}  // namespace tavrix::host
