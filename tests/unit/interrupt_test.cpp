// Interrupts: the calling thread polls the host at most once per interval,
// workers stop at their next check, and every long gateway, interrupted,
// gives no result, leaks nothing and leaves the next call working.
#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/compiled_map.hpp"
#include "core/parallel.hpp"
#include "holes/hidden_evidence.hpp"
#include "impute/imputation.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/gateway_test.hpp"
#include "tests/support/mx_helpers.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

// A host whose interrupt is pending from its `pendingFrom`-th poll on.
struct CountingHost {
    int polls = 0;
    int pendingFrom = 0;
    static bool Poll(void* self) {
        auto* host = static_cast<CountingHost*>(self);
        return ++host->polls >= host->pendingFrom && host->pendingFrom > 0;
    }
};

TEST(Interrupt, PollsAtOnceThenOncePerInterval) {
    CountingHost host;
    Interrupt interrupt(&CountingHost::Poll, &host, std::chrono::hours(1));
    for (int i = 0; i < 100000; ++i) EXPECT_FALSE(interrupt.Check());
    EXPECT_EQ(host.polls, 1);

    Interrupt none;
    for (int i = 0; i < 1000; ++i) EXPECT_FALSE(none.Check());
    none.Stop();
    EXPECT_TRUE(none.Check());
    EXPECT_TRUE(ShouldStop(&none, 1));
    EXPECT_FALSE(ShouldStop(nullptr, 0));
}

TEST(InterruptParallel, PiecesCoverEveryIndexOnceAndWorkersStop) {
    for (const int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        const std::int64_t count = 1 << 20;
        std::vector<std::atomic<int>> visits(static_cast<std::size_t>(count));
        CountingHost quiet;
        Interrupt running(&CountingHost::Poll, &quiet, std::chrono::nanoseconds(0));
        ParallelFor(count, threads, &running, 7, [&](std::int64_t begin, std::int64_t end, int) {
            EXPECT_LE(end - begin, 7);
            for (std::int64_t i = begin; i < end; ++i) visits[static_cast<std::size_t>(i)].fetch_add(1);
        });
        for (const std::atomic<int>& v : visits) ASSERT_EQ(v.load(), 1);

        // Pending at the third poll: the caller stops, and so do the workers.
        CountingHost host;
        host.pendingFrom = 3;
        Interrupt interrupt(&CountingHost::Poll, &host, std::chrono::nanoseconds(0));
        std::atomic<std::int64_t> done{0};
        ParallelFor(count, threads, &interrupt, 1, [&](std::int64_t begin, std::int64_t end, int) {
            std::this_thread::sleep_for(std::chrono::microseconds(1));
            done += end - begin;
        });
        EXPECT_TRUE(interrupt.Stopped());
        EXPECT_EQ(host.polls, 3);
        EXPECT_LT(done.load(), count / 2);
    }
}

// One sample hiding all of 14 variables, thousands of completions: an
// interrupt stops it inside its enumeration; a check that never fires leaves
// every double as it was.
TEST(InterruptInside, OneSampleStopsInsideItsCompletions) {
    Random random(8);
    ModelShape shape;
    shape.dimension = 14;
    shape.maxRange = 4;
    shape.zeroShare = 0;
    const reference::RawModel raw = [&] {
        reference::RawModel m = RandomModel(random, shape);
        m.samples = RandomSamples(random, m, 1, false);
        return m;
    }();
    const MapModel view = ViewOf(raw);
    const CompiledMap map(view, 1);
    const CodeMatrix codes = CodesOf(raw, raw.samples);
    const std::vector<std::uint8_t> hidden(14, 1);
    CompletionWalk walk(view.dimension, map.slots);
    const auto evidence = [&](Interrupt* interrupt) {
        std::vector<double> sums(map.NumUnits()), top(map.NumUnits());
        walk.Start(codes.Column(0), hidden.data(), map.table.rangeCounts);
        HiddenEvidence(map.slots, walk, Span<double>(sums.data(), sums.size()), Span<double>(top.data(), top.size()),
                       interrupt, 0);
        return sums;
    };
    const std::vector<double> whole = evidence(nullptr);
    ASSERT_GE(walk.Count(), 100 * 16 * kSampleBlock) << "too few completions to check inside";

    CountingHost quiet;
    Interrupt running(&CountingHost::Poll, &quiet, std::chrono::nanoseconds(0));
    EXPECT_TRUE(SameBits(whole, evidence(&running)));
    EXPECT_GT(quiet.polls, 2) << "the enumeration was not checked as it ran";

    CountingHost host;
    host.pendingFrom = 2;
    Interrupt interrupt(&CountingHost::Poll, &host, std::chrono::nanoseconds(0));
    const std::vector<double> partial = evidence(&interrupt);
    EXPECT_TRUE(interrupt.Stopped());
    EXPECT_EQ(host.polls, 2);
    for (std::size_t k = 0; k < whole.size(); ++k) EXPECT_LT(partial[k], whole[k]) << "unit " << k;
}

// Compiling stops at once and leaves the units empty, their factors those of
// a forest; counting completions stops at once.
TEST(InterruptInside, CompilingAndCountingStopAtOnce) {
    Random random(4);
    ModelShape shape;
    shape.wildGraphs = true;
    shape.treeGraphs = false;
    reference::RawModel raw = RandomModel(random, shape);
    raw.samples = RandomSamples(random, raw, 30, false);
    const MapModel view = ViewOf(raw);
    const CodeMatrix missing = CodesOf(raw, std::vector<double>(raw.samples.size(), kMissingCode));
    for (const int threads : {1, 3}) {
        Interrupt stopped;
        stopped.Stop();
        const ImputePlan plan = PrepareImputation(view, threads, &stopped);
        for (const CompiledUnit& unit : plan.map.units) EXPECT_TRUE(unit.terms.empty());
        for (const UnitFactors& f : plan.factors) EXPECT_TRUE(f.forest);

        const ImputePlan whole = PrepareImputation(view, threads);
        ASSERT_GT(LargestCompletionCount(whole, missing, threads, kCompletionLimit), 1);
        EXPECT_EQ(LargestCompletionCount(whole, missing, threads, kCompletionLimit, &stopped), 1);
    }
}

class InterruptedGateway : public ::testing::Test {
protected:
    void SetUp() override {
        Random random(31);
        ModelShape shape;
        shape.dimension = 5;
        shape.zeroShare = 0;
        raw_ = RandomModel(random, shape);
        raw_.samples = RandomSamples(random, raw_, 40, false);
        model_ = ToMx(raw_);
        data_ = Matrix(5, 40, raw_.samples);
        std::vector<double> mask(raw_.samples.size(), 1.0);
        for (std::size_t e = 0; e < mask.size(); e += 3) mask[e] = 0.0;
        mask_ = Matrix(5, 40, mask);
        count_ = Scalar(3);
        threads_ = Text("Threads");
        Outcome stats = CallGateway(TavrixStats_mexFunction, 1, {model_.get(), data_.get()});
        ASSERT_EQ(stats.errorId, "") << stats.errorMessage;
        stats_ = std::move(stats.results[0]);
    }
    void TearDown() override { mxlite::SetInterruptPending(false); }

    // The call, interrupted, gives nothing and leaks nothing; then it runs.
    void ExpectStops(Gateway gateway, int nlhs, const std::vector<const mxArray*>& args) {
        const long arrays = mxlite::LiveArrays(), blocks = mxlite::LiveAllocations();
        mxlite::SetInterruptPending(true);
        Outcome stopped = CallGateway(gateway, nlhs, args);
        EXPECT_TRUE(stopped.interrupted) << stopped.errorId << " " << stopped.errorMessage;
        EXPECT_FALSE(mxlite::InterruptPending()) << "the host was not handed the interrupt";
        for (const MxPtr& r : stopped.results) EXPECT_EQ(r, nullptr) << "an interrupted call gave a result";
        EXPECT_EQ(arrays, mxlite::LiveArrays());
        EXPECT_EQ(blocks, mxlite::LiveAllocations());

        Outcome ran = CallGateway(gateway, nlhs, args);
        EXPECT_FALSE(ran.interrupted);
        EXPECT_EQ(ran.errorId, "") << ran.errorMessage;
        for (const MxPtr& r : ran.results) EXPECT_NE(r, nullptr);
    }

    reference::RawModel raw_;
    MxPtr model_, data_, mask_, count_, threads_, stats_;
};

TEST_F(InterruptedGateway, EveryLongCallStopsWithNoResultAndNoLeak) {
    const mxArray *model = model_.get(), *data = data_.get(), *mask = mask_.get(), *count = count_.get();
    const mxArray *threads = threads_.get(), *three = count;
    const struct {
        const char* name;
        Gateway gateway;
        int nlhs;
        std::vector<const mxArray*> args;
    } calls[] = {{"TavrixBest", TavrixBest_mexFunction, 2, {model, data, threads, three}},
                 {"TavrixScore", TavrixScore_mexFunction, 2, {model, data, threads, three}},
                 {"TavrixHoles", TavrixHoles_mexFunction, 2, {model, data, mask, threads, three}},
                 {"TavrixImpute", TavrixImpute_mexFunction, 3, {model, data, mask, threads, three}},
                 {"TavrixFit", TavrixFit_mexFunction, 2, {model, count, threads, three}},
                 {"TavrixTrain", TavrixTrain_mexFunction, 2, {model, data, count, threads, three}},
                 {"TavrixStats", TavrixStats_mexFunction, 3, {model, data, threads, three}},
                 {"TavrixUpdate", TavrixUpdate_mexFunction, 1, {model, stats_.get(), count, threads, three}}};
    for (const auto& call : calls) {
        SCOPED_TRACE(call.name);
        ExpectStops(call.gateway, call.nlhs, call.args);
    }
}

}  // namespace
}  // namespace tavrix
