// The training winner: worked weights and scores, ties, the no-winner and
// underflow cases, and the fast search against the literal one.
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "core/value_index_table.hpp"
#include "tests/reference/reference_train.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/random_model.hpp"
#include "train/winner_search.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

struct Search {
    Winner winner;
    std::vector<double> weights;
};

Search SearchOf(const std::vector<double>& logLikelihood, int rows, int cols, double radius, int threads = 1) {
    Search s;
    s.weights.assign(logLikelihood.size(), -7.0);
    WinnerScratch scratch;
    WorkerPool pool(threads);
    s.winner = WinnerSearch(Span<const double>(logLikelihood.data(), logLikelihood.size()), rows, cols, radius,
                            Span<double>(s.weights.data(), s.weights.size()), scratch, pool);
    return s;
}

TEST(TrainWinnerSearch, GaussianWeightsAtRadiusFive) {
    EXPECT_TRUE(SameBits(1.0, NeighbourhoodWeight(0, 5)));
    EXPECT_TRUE(SameBits(0.9801986733067553, NeighbourhoodWeight(1, 5)));
    EXPECT_TRUE(SameBits(0.9231163463866358, NeighbourhoodWeight(2, 5)));
    EXPECT_TRUE(SameBits(0.835270211411272, NeighbourhoodWeight(3, 5)));
    EXPECT_TRUE(SameBits(0.7261490370736909, NeighbourhoodWeight(4, 5)));
    // A diagonal neighbour is two steps away.
    const Search s = SearchOf({0, 0, 0, 0, 0, 0, 0, 0, 0}, 3, 3, 5);
    EXPECT_TRUE(SameBits(s.weights[4], s.weights[2])) << "unit (1,1) and unit (2,0) from (0,0)";
    EXPECT_TRUE(SameBits(s.weights[1], s.weights[3]));
}

TEST(TrainWinnerSearch, NeighbourhoodBeatsTheBestSingleUnit) {
    const Search s = SearchOf({std::log(0.6), -HUGE_VAL, std::log(0.5), std::log(0.5), std::log(0.5)}, 1, 5, 1);
    EXPECT_TRUE(s.winner.found);
    EXPECT_EQ(s.winner.row, 0);
    EXPECT_EQ(s.winner.column, 4);
    EXPECT_NEAR(s.winner.bestScore, -0.699, 1e-3);
    double sum = 0.0;
    for (double w : s.weights) sum += w;
    EXPECT_NEAR(sum, 1.0, 1e-15);
    EXPECT_GT(s.weights[4], s.weights[3]);
}

TEST(TrainWinnerSearch, TiesSingleUnitsAndNoWinner) {
    // Equal power-of-two likelihoods: every score is the same and the corner wins.
    Search s = SearchOf(std::vector<double>(6, std::log(0.25)), 2, 3, 1.5);
    EXPECT_EQ(s.winner.row, 0);
    EXPECT_EQ(s.winner.column, 0);
    EXPECT_TRUE(SameBits(std::log(0.25), s.winner.bestScore));
    // One unit: it wins with weight 1 and its own log-likelihood (exp then log).
    s = SearchOf({-1.5}, 1, 1, 0.5);
    EXPECT_TRUE(SameBits(1.0, s.weights[0]));
    EXPECT_TRUE(SameBits(std::log(std::exp(-1.5)), s.winner.bestScore));
    // No finite log-likelihood: row 0, column 0, the weights untouched.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    s = SearchOf({-HUGE_VAL, nan, HUGE_VAL, -HUGE_VAL}, 2, 2, 1.0);
    EXPECT_FALSE(s.winner.found);
    EXPECT_EQ(s.winner.row, 0);
    EXPECT_EQ(s.winner.column, 0);
    EXPECT_TRUE(SameBits(-1.7976931348623157e308, s.winner.bestScore));
    EXPECT_EQ(s.weights, std::vector<double>(4, -7.0));
}

TEST(TrainWinnerSearch, UnderflowingLikelihoodsStillFindTheBestNeighbourhood) {
    // exp underflows to 0 for all of them, but unit 5 fits far best.
    std::vector<double> l(9, -900.0);
    l[5] = -800.0;
    l[2] = -HUGE_VAL;
    Search s = SearchOf(l, 3, 3, 1.0);
    EXPECT_TRUE(s.winner.found);
    EXPECT_TRUE(s.winner.scaled);
    EXPECT_EQ(s.winner.row, 2);
    EXPECT_EQ(s.winner.column, 1);
    EXPECT_NEAR(s.winner.bestScore, -800.0 + std::log(1.0 / (1 + 3 * std::exp(-0.5) + 3 * std::exp(-2.0) + 2 * std::exp(-4.5))), 1e-9);
    // One normal likelihood keeps the plain arithmetic.
    l[0] = -700.0;
    s = SearchOf(l, 3, 3, 1.0);
    EXPECT_FALSE(s.winner.scaled);
    EXPECT_EQ(s.winner.row, 0);
    EXPECT_EQ(s.winner.column, 0);
}

TEST(TrainWinnerSearch, TreeLogLikelihoodMatchesTheFullPairScan) {
    Random random(31);
    for (int trial = 0; trial < 80; ++trial) {
        ModelShape shape;
        shape.rows = 2;
        shape.cols = 2;
        shape.dimension = 1 + random.Below(8);
        shape.directed = random.Chance(0.6);
        shape.treeGraphs = random.Chance(0.5);
        shape.wildGraphs = random.Chance(0.4);
        shape.zeroShare = 0.15;
        const reference::RawModel raw = RandomModel(random, shape);
        const MapModel view = ViewOf(raw);
        const ValueIndexTable table = BuildValueIndexTable(view);
        const std::vector<double> samples = RandomSamples(random, raw, 5, true);
        const int d = shape.dimension;
        std::vector<double> logMarginal(static_cast<std::size_t>(d));
        std::vector<std::int32_t> index(static_cast<std::size_t>(d));
        for (int k = 0; k < 4; ++k) {
            std::vector<TreePair> pairs;
            PairsOfGraph(raw.graph[k].data(), d, pairs);
            for (int j = 0; j < 5; ++j) {
                const double* x = samples.data() + j * d;
                for (int i = 0; i < d; ++i) index[i] = table(i, static_cast<std::int32_t>(x[i]));
                const double expected = reference::UnitLogLikelihood(
                    x, raw.marginal[k].data(), raw.intersect[k].data(), raw.graph[k].data(), table.entries.data(), d,
                    view.maxRange, view.numValues, view.rootNode);
                const double fast = TreeLogLikelihood(index.data(), raw.marginal[k].data(), raw.intersect[k].data(), d,
                                                      view.numValues, view.rootNode, pairs, logMarginal.data());
                ASSERT_TRUE(SameBits(expected, fast)) << trial;
            }
        }
    }
}

TEST(TrainWinnerSearch, MatchesTheLiteralSearchForEveryThreadCount) {
    Random random(41);
    for (int trial = 0; trial < 40; ++trial) {
        ModelShape shape;
        shape.rows = 1 + random.Below(5);
        shape.cols = 1 + random.Below(5);
        shape.dimension = 2 + random.Below(5);
        shape.directed = random.Chance(0.5);
        shape.zeroShare = random.Chance(0.5) ? 0.4 : 0.05;
        reference::RawModel raw = RandomModel(random, shape);
        if (trial % 5 == 0)  // every likelihood far below the normal range
            for (auto& m : raw.marginal)
                for (double& x : m) x *= 1e-200;
        const MapModel view = ViewOf(raw);
        const ValueIndexTable table = BuildValueIndexTable(view);
        const std::vector<double> sample = RandomSamples(random, raw, 1, false);
        const double radius = 0.3 + 3 * random.Uniform();
        const int units = shape.rows * shape.cols;
        std::vector<double> expectedWeights(static_cast<std::size_t>(units), -7.0);
        std::int32_t row, column;
        double best;
        bool found;
        reference::WinnerSearch(raw, table.entries.data(), sample.data(), radius, row, column, best,
                                expectedWeights.data(), found);
        std::vector<double> logLikelihood;
        for (int k = 0; k < units; ++k)
            logLikelihood.push_back(reference::UnitLogLikelihood(sample.data(), raw.marginal[k].data(),
                                                                 raw.intersect[k].data(), raw.graph[k].data(),
                                                                 table.entries.data(), shape.dimension, view.maxRange,
                                                                 view.numValues, view.rootNode));
        for (int threads : {1, 2, 3}) {
            const Search s = SearchOf(logLikelihood, shape.rows, shape.cols, radius, threads);
            EXPECT_EQ(found, s.winner.found);
            EXPECT_EQ(row, s.winner.row);
            EXPECT_EQ(column, s.winner.column);
            EXPECT_TRUE(SameBits(best, s.winner.bestScore)) << trial;
            EXPECT_TRUE(SameBits(expectedWeights, s.weights)) << trial;
        }
    }
}

}  // namespace
}  // namespace tavrix
