// Best units against the literal transcription, for every thread count.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "tests/support/bits.hpp"
#include "tests/support/random_model.hpp"
#include "winner/best_units.hpp"

namespace tavrix {
namespace {

using testing::SameBits;

struct BestResult {
    std::vector<double> best, scores;
};

BestResult Fast(const reference::RawModel& raw, const std::vector<double>& samples, int threads, bool withScores) {
    const MapModel view = testing::ViewOf(raw);
    const CodeMatrix codes = testing::CodesOf(raw, samples);
    BestResult r;
    r.best.assign(static_cast<std::size_t>(codes.numSamples), -7.0);
    if (withScores) r.scores.assign(static_cast<std::size_t>(view.NumUnits()) * codes.numSamples, -7.0);
    BestUnits(view, codes, threads, Span<double>(r.best.data(), r.best.size()),
              Span<double>(r.scores.data(), r.scores.size()));
    return r;
}

TEST(BestUnits, MatchesLiteralForEveryThreadCount) {
    testing::Random random(11);
    for (int trial = 0; trial < 60; ++trial) {
        const testing::ModelShape shape = testing::RandomShape(random, 8);
        const reference::RawModel raw = testing::RandomModel(random, shape);
        const int n = shape.dimension == 0 ? 0 : random.Below(30);
        const std::vector<double> samples = testing::RandomSamples(random, raw, n, true);
        std::vector<double> best, scores;
        reference::BestUnits(raw, samples.data(), n, best, &scores);
        for (int threads : {1, 2, 3, 8}) {
            const BestResult r = Fast(raw, samples, threads, true);
            ASSERT_TRUE(SameBits(best, r.best)) << "trial " << trial << " threads " << threads;
            ASSERT_TRUE(SameBits(scores, r.scores)) << "trial " << trial << " threads " << threads;
            ASSERT_TRUE(SameBits(best, Fast(raw, samples, threads, false).best));
        }
    }
}

TEST(BestUnits, TiesZeroPriorsAndSamplesNoUnitClaims) {
    testing::Random random(5);
    testing::ModelShape shape;
    shape.rows = 2;
    shape.cols = 3;
    shape.dimension = 3;
    shape.zeroShare = 0.0;
    reference::RawModel raw = testing::RandomModel(random, shape);
    // Units 2 and 5 are copies of unit 4: the lowest number wins the tie.
    for (int k : {1, 4}) {
        raw.marginal[k] = raw.marginal[3];
        raw.intersect[k] = raw.intersect[3];
        raw.graph[k] = raw.graph[3];
    }
    raw.pi = {0.01, 0.3, 0.01, 0.3, 0.3, 0.01};
    raw.pi[0] = 0.0;  // never best, score -Inf
    const std::vector<double> samples = testing::RandomSamples(random, raw, 4, false);
    const BestResult r = Fast(raw, samples, 2, true);
    for (int j = 0; j < 4; ++j) {
        EXPECT_NE(r.best[j], 1.0);
        EXPECT_EQ(r.scores[0 + j * 6], -std::numeric_limits<double>::infinity());
        EXPECT_NE(r.best[j], 4.0);  // tied with unit 2, which comes first
        EXPECT_NE(r.best[j], 5.0);
    }
    // A value with probability 0 everywhere: no unit is best, scores keep -Inf.
    for (auto& m : raw.marginal) m[static_cast<int>(raw.translate[0] - 1.0)] = 0.0;
    std::vector<double> zero(3, 0.0);
    const BestResult none = Fast(raw, zero, 1, true);
    EXPECT_EQ(none.best[0], 0.0);
    for (double s : none.scores) EXPECT_FALSE(std::isfinite(s));
}

TEST(BestUnits, DimensionZeroRanksByPrior) {
    reference::RawModel raw;
    raw.numRowsMap = 2;
    raw.numColsMap = 2;
    raw.marginal = raw.intersect = raw.graph = {{}, {}, {}, {}};
    raw.pi = {0.1, 0.4, 0.4, 0.1};
    const MapModel view = testing::ViewOf(raw);
    CodeMatrix codes;
    codes.numSamples = 3;
    std::vector<double> best(3), scores(12);
    BestUnits(view, codes, 2, Span<double>(best.data(), 3), Span<double>(scores.data(), 12));
    EXPECT_EQ(best, (std::vector<double>{2, 2, 2}));
    EXPECT_TRUE(SameBits(std::log(0.4), scores[1]));
}

}  // namespace
}  // namespace tavrix
