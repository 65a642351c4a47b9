// Held-out selection: the same samples held back for every split, the pass
// over blocks giving TrainBatch's model and scores, and the best model kept.
#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "batch/batch_training.hpp"
#include "batch/held_out.hpp"
#include "batch/pass_training.hpp"
#include "core/value_index_table.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

CodeMatrix Columns(const CodeMatrix& data, std::int32_t first, std::int32_t end) {
    CodeMatrix part{data.dimension, end - first, {}};
    part.codes.assign(data.Column(first), data.Column(first) + static_cast<std::size_t>(part.numSamples) * data.dimension);
    return part;
}

TEST(HeldBack, SplitMix64IsTheReferenceFinaliser) {
    EXPECT_EQ(SplitMix64(0), 0xE220A8397B1DCDAFull);  // the first output of SplitMix64 seeded with 0
    EXPECT_EQ(MakeHeldOutRule(0.0, 0).threshold, 0u);
    EXPECT_EQ(MakeHeldOutRule(0.25, 0).threshold, 0x4000000000000000ull);
}

// Every block, told its first column, holds back the columns the whole does,
// and the statistics of the blocks add up to those of the whole.
TEST(HeldBack, EverySplitHoldsBackTheSameSamples) {
    Random random(11);
    ModelShape shape;
    shape.rows = 2;
    shape.cols = 2;
    shape.dimension = 5;
    shape.zeroShare = 0.0;
    reference::RawModel raw = RandomModel(random, shape);
    MakeProper(random, raw);
    const MapModel model = ViewOf(raw);
    const StatisticsLayout layout = MakeStatisticsLayout(BuildValueIndexTable(model), model.NumUnits());
    const std::int32_t n = 500;
    CodeMatrix data = CodesOf(raw, RandomSamples(random, raw, n, false));
    for (std::int32_t& c : data.codes)
        if (random.Chance(0.1)) c = kMissingCode;
    const double share = 0.2;
    const HeldOutSplit whole = SplitHeldOut(data, MakeHeldOutRule(share, 0));
    EXPECT_GT(whole.held.numSamples, n / 10);
    EXPECT_LT(whole.held.numSamples, n * 3 / 10);
    for (int threads = 1; threads <= 3; ++threads) {
        Statistics all(layout), parts(layout);
        std::vector<std::int32_t> best(n), partBest(n);
        std::vector<double> logs(n), partLogs(n);
        CountUnlessHeldOut(model, layout, data, MakeHeldOutRule(share, 0), threads, all.View(),
                           {Span<std::int32_t>(best.data(), n), Span<double>(logs.data(), n)}, nullptr);
        std::vector<std::int32_t> heldColumns;
        for (const std::int32_t first : {0, 123, 124, 377}) {
            const std::int32_t end = first == 377 ? n : first == 0 ? 123 : first == 123 ? 124 : 377;
            const CodeMatrix part = Columns(data, first, end);
            const HeldOutRule rule = MakeHeldOutRule(share, first);
            for (const std::int32_t j : SplitHeldOut(part, rule).heldColumns) heldColumns.push_back(first + j);
            const auto size = static_cast<std::size_t>(end - first);
            CountUnlessHeldOut(model, layout, part, rule, threads, parts.View(),
                               {Span<std::int32_t>(partBest.data() + first, size),
                                Span<double>(partLogs.data() + first, size)},
                               nullptr);
        }
        EXPECT_EQ(heldColumns, whole.heldColumns);
        EXPECT_TRUE(SameBits(all.count, parts.count));
        EXPECT_TRUE(SameBits(all.values, parts.values));
        EXPECT_TRUE(SameBits(all.pairs, parts.pairs));
        EXPECT_EQ(best, partBest);
        EXPECT_TRUE(SameBits(logs, partLogs));
    }
}

// A pass over blocks, each holding back by its first column, as the
// 'UseParallel' loop and tavrix-train's ranks do.
class BlockPass : public StatisticsPass {
public:
    BlockPass(const MapModel& model, const CodeMatrix& data, double share, int threads)
        : layout_(MakeStatisticsLayout(BuildValueIndexTable(model), model.NumUnits())),
          data_(data),
          share_(share),
          threads_(threads),
          stats_(layout_) {}

    ConstStatisticsView Count(const MapModel& view, PassTotals& totals) override {
        Run(view, share_);
        AddSampleResults(best_, Span<const double>(logs_.data(), logs_.size()), previous_, totals,
                         MakeHeldOutRule(share_, 0));
        return stats_.ConstView();
    }

    ConstStatisticsView CountEverySample(const MapModel& view) override {
        Run(view, 0.0);
        return stats_.ConstView();
    }

private:
    void Run(const MapModel& view, double share) {
        const auto n = static_cast<std::size_t>(data_.numSamples);
        best_.assign(n, 0);
        logs_.assign(n, 0.0);
        std::fill(stats_.count.begin(), stats_.count.end(), 0.0);
        std::fill(stats_.values.begin(), stats_.values.end(), 0.0);
        std::fill(stats_.pairs.begin(), stats_.pairs.end(), 0.0);
        const std::int32_t edges[] = {0, data_.numSamples / 3, data_.numSamples / 2, data_.numSamples};
        for (int b = 0; b < 3; ++b) {
            const CodeMatrix part = Columns(data_, edges[b], edges[b + 1]);
            const auto size = static_cast<std::size_t>(part.numSamples);
            CountUnlessHeldOut(view, layout_, part, MakeHeldOutRule(share, edges[b]), threads_, stats_.View(),
                               {Span<std::int32_t>(best_.data() + edges[b], size),
                                Span<double>(logs_.data() + edges[b], size)},
                               nullptr);
        }
    }

    StatisticsLayout layout_;
    const CodeMatrix& data_;
    double share_;
    int threads_;
    Statistics stats_;
    std::vector<std::int32_t> best_, previous_;
    std::vector<double> logs_;
};

struct Trained {
    reference::RawModel model;
    std::vector<EpochReport> reports;
    BatchRunState run;
};

class HeldBackTraining : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        Random random(23);
        ModelShape shape;
        shape.rows = 3;
        shape.cols = 2;
        shape.dimension = 6;
        shape.zeroShare = 0.0;
        raw_ = RandomModel(random, shape);
        MakeProper(random, raw_);
        data_ = CodesOf(raw_, RandomSamples(random, raw_, 400, false));
        for (std::int32_t& c : data_.codes)
            if (random.Chance(0.1)) c = kMissingCode;
        settings_.radiusStart = 2.0;
        settings_.radiusEnd = 0.1;
        settings_.prior = 0.3;
        settings_.threads = GetParam();
    }

    Trained Train(const CodeMatrix& data, const CodeMatrix* scored, bool validation) const {
        Trained t{raw_, std::vector<EpochReport>(kEpochs), {}};
        TrainBatch(ViewOf(raw_), TablesOf(t.model), data, kEpochs, settings_,
                   Span<EpochReport>(t.reports.data(), t.reports.size()), nullptr, nullptr, scored, validation, &t.run);
        return t;
    }

    static constexpr std::int32_t kEpochs = 7;
    reference::RawModel raw_;
    CodeMatrix data_;
    BatchSettings settings_;
};

TEST_P(HeldBackTraining, PassOverBlocksGivesTrainBatchsModelAndScores) {
    const double share = 0.25;
    const HeldOutSplit split = SplitHeldOut(data_, MakeHeldOutRule(share, 0));
    const Trained direct = Train(split.counted, &split.held, false);
    Trained blocks{raw_, std::vector<EpochReport>(kEpochs), {}};
    BlockPass pass(ViewOf(raw_), data_, share, GetParam());
    TrainBatchWithPass(ViewOf(raw_), TablesOf(blocks.model), pass, kEpochs, settings_,
                       Span<EpochReport>(blocks.reports.data(), blocks.reports.size()), nullptr, nullptr, nullptr,
                       &blocks.run);
    ASSERT_TRUE(direct.run.selecting && blocks.run.selecting && !direct.run.firstCompetes);
    EXPECT_TRUE(direct.run.lastDone && blocks.run.lastDone);
    // The best epoch is the one with the highest held-out score.
    std::int32_t best = 0;
    for (std::int32_t e = 0; e < kEpochs; ++e) {
        EXPECT_TRUE(SameBits(direct.reports[e].heldOutLogLikelihood, blocks.reports[e].heldOutLogLikelihood));
        EXPECT_TRUE(SameBits(direct.reports[e].logLikelihood, blocks.reports[e].logLikelihood));
        if (direct.reports[e].heldOutLogLikelihood > direct.reports[best].heldOutLogLikelihood) best = e;
    }
    EXPECT_EQ(direct.run.bestEpoch, best + 1);
    EXPECT_EQ(blocks.run.bestEpoch, best + 1);
    EXPECT_TRUE(SameBits(direct.run.startScore, blocks.run.startScore));
    for (std::size_t k = 0; k < raw_.marginal.size(); ++k) {
        EXPECT_TRUE(SameBits(direct.model.marginal[k], blocks.model.marginal[k]));
        EXPECT_TRUE(SameBits(direct.model.intersect[k], blocks.model.intersect[k]));
        EXPECT_TRUE(SameBits(direct.model.graph[k], blocks.model.graph[k]));
    }
    EXPECT_TRUE(SameBits(direct.model.pi, blocks.model.pi));
}

// Against validation samples the first model competes, and when it scores
// best it comes back untouched: here it was trained on them, and the run
// counts a tenth of the samples at a radius that over-fits.
TEST_P(HeldBackTraining, FirstModelThatScoresBestComesBackUntouched) {
    std::vector<EpochReport> reports(kEpochs);
    BatchSettings plain = settings_;
    plain.radiusStart = plain.radiusEnd = 1.0;
    TrainBatch(ViewOf(raw_), TablesOf(raw_), data_, kEpochs, plain, Span<EpochReport>(reports.data(), reports.size()),
               nullptr);
    const CodeMatrix few = Columns(data_, 0, 40), rest = Columns(data_, 40, data_.numSamples);
    const Trained t = Train(few, &rest, true);
    ASSERT_TRUE(t.run.firstCompetes);
    EXPECT_EQ(t.run.bestEpoch, 0);
    for (const EpochReport& r : t.reports) EXPECT_LT(r.heldOutLogLikelihood, t.run.startScore);
    for (std::size_t k = 0; k < raw_.marginal.size(); ++k) {
        EXPECT_TRUE(SameBits(t.model.marginal[k], raw_.marginal[k]));
        EXPECT_TRUE(SameBits(t.model.intersect[k], raw_.intersect[k]));
        EXPECT_TRUE(SameBits(t.model.graph[k], raw_.graph[k]));
        EXPECT_TRUE(SameBits(t.model.mutual[k], raw_.mutual[k]));
    }
    EXPECT_TRUE(SameBits(t.model.numVictories, raw_.numVictories));
}

INSTANTIATE_TEST_SUITE_P(Threads, HeldBackTraining, ::testing::Values(1, 2, 3));

}  // namespace
}  // namespace tavrix
