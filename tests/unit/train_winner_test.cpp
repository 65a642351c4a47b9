// The training winner: worked neighbourhoods, ties, the no-winner and
// underflow cases, and the fast search against the literal one.
#include <cmath>
#include <limits>
#include <vector>

#include "train_fixture.hpp"

namespace tavrix::testing {
namespace {

TEST_P(TrainingCase, NeighbourhoodBeatsTheBestSingleUnit) {
    const SearchResult s = Search({std::log(0.6), -HUGE_VAL, std::log(0.5), std::log(0.5), std::log(0.5)}, 1, 5, 1);
    EXPECT_TRUE(s.winner.found);
    EXPECT_EQ(s.winner.row, 0);
    EXPECT_EQ(s.winner.column, 4);
    EXPECT_NEAR(s.winner.bestScore, -0.699, 1e-3);
    double sum = 0.0;
    for (double w : s.weights) sum += w;
    EXPECT_NEAR(sum, 1.0, 1e-15);
    EXPECT_GT(s.weights[4], s.weights[3]);
}

TEST_P(TrainingCase, WinnerTiesSingleUnitsAndNoWinner) {
    // Equal power-of-two likelihoods: every score is the same and the corner wins.
    SearchResult s = Search(std::vector<double>(6, std::log(0.25)), 2, 3, 1.5);
    EXPECT_EQ(s.winner.row, 0);
    EXPECT_EQ(s.winner.column, 0);
    EXPECT_TRUE(SameBits(std::log(0.25), s.winner.bestScore));
    // One unit: it wins with weight 1 and its own log-likelihood (exp then log).
    s = Search({-1.5}, 1, 1, 0.5);
    EXPECT_TRUE(SameBits(1.0, s.weights[0]));
    EXPECT_TRUE(SameBits(std::log(std::exp(-1.5)), s.winner.bestScore));
    // No finite log-likelihood: row 0, column 0, the weights untouched.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    s = Search({-HUGE_VAL, nan, HUGE_VAL, -HUGE_VAL}, 2, 2, 1.0);
    EXPECT_FALSE(s.winner.found);
    EXPECT_EQ(s.winner.row, 0);
    EXPECT_EQ(s.winner.column, 0);
    EXPECT_TRUE(SameBits(-1.7976931348623157e308, s.winner.bestScore));
    EXPECT_EQ(s.weights, std::vector<double>(4, -7.0));
}

TEST_P(TrainingCase, UnderflowingLikelihoodsStillFindTheBestNeighbourhood) {
    // exp underflows to 0 for all of them, but unit 5 fits far best.
    std::vector<double> l(9, -900.0);
    l[5] = -800.0;
    l[2] = -HUGE_VAL;
    SearchResult s = Search(l, 3, 3, 1.0);
    EXPECT_TRUE(s.winner.found);
    EXPECT_TRUE(s.winner.scaled);
    EXPECT_EQ(s.winner.row, 2);
    EXPECT_EQ(s.winner.column, 1);
    EXPECT_NEAR(s.winner.bestScore, -800.0 + std::log(1.0 / (1 + 3 * std::exp(-0.5) + 3 * std::exp(-2.0) + 2 * std::exp(-4.5))), 1e-9);
    // One normal likelihood keeps the plain arithmetic.
    l[0] = -700.0;
    s = Search(l, 3, 3, 1.0);
    EXPECT_FALSE(s.winner.scaled);
    EXPECT_EQ(s.winner.row, 0);
    EXPECT_EQ(s.winner.column, 0);
}

TEST_P(TrainingCase, WinnerMatchesTheLiteralSearch) {
    Random random(41);
    for (int trial = 0; trial < 40; ++trial) {
        SCOPED_TRACE(trial);
        ModelShape shape;
        const bool large = trial >= 37;  // enough units to score the candidates on threads
        shape.rows = large ? 16 : 1 + random.Below(5);
        shape.cols = large ? 17 : 1 + random.Below(5);
        shape.dimension = 2 + random.Below(5);
        shape.directed = random.Chance(0.5);
        shape.zeroShare = random.Chance(0.5) ? 0.4 : 0.05;
        reference::RawModel raw = RandomModel(random, shape);
        if (trial % 5 == 0)  // every likelihood far below the normal range
            for (auto& m : raw.marginal)
                for (double& x : m) x *= 1e-200;
        const std::vector<double> sample = RandomSamples(random, raw, 1, false);
        Winner(raw, sample, 0.3 + 3 * random.Uniform());
    }
}

}  // namespace
}  // namespace tavrix::testing
