// Mutual information, dependency trees and the tree log-likelihood: the worked
// cases, the tie order, and the fast forms against the literal ones.
#include <cmath>
#include <limits>
#include <vector>

#include "train_fixture.hpp"

namespace tavrix::testing {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Two two-valued variables with global indices 0, 1 (variable 0) and 2, 3.
reference::RawModel TwoBinaryVariables(const std::vector<double>& marginal, const std::vector<double>& joint01) {
    reference::RawModel m;
    m.numRowsMap = m.numColsMap = 1;
    m.dimension = 2;
    m.maxRange = 2;
    m.numValues = 4;
    m.ranges = {2, 2};
    m.translate = {1, 2, 3, 4};
    m.marginal = {marginal};
    std::vector<double> intersect(16, 0.0);
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) intersect[a + (2 + b) * 4] = intersect[(2 + b) + a * 4] = joint01[a + 2 * b];
    m.intersect = {intersect};
    m.graph = {std::vector<double>(4, 0.0)};
    return m;
}

TEST_P(TrainingPiece, MutualInformationWorkedCases) {
    // Perfectly dependent halves: ln 2 times the written factor, halved and added twice.
    std::vector<double> mi = Mutual(TwoBinaryVariables({0.5, 0.5, 0.5, 0.5}, {0.5, 0, 0, 0.5}), 0);
    EXPECT_TRUE(SameBits(0.9999999999999997, mi[2]));
    EXPECT_TRUE(SameBits(0.9999999999999997, mi[1]));
    EXPECT_TRUE(SameBits(0.0, mi[0]));
    EXPECT_TRUE(SameBits(0.0, mi[3]));
    // Independent variables whose joints are exact products: 0.0 in both triangles.
    mi = Mutual(TwoBinaryVariables({0.5, 0.5, 0.25, 0.75}, {0.125, 0.125, 0.375, 0.375}), 0);
    EXPECT_TRUE(SameBits(0.0, mi[1]));
    EXPECT_TRUE(SameBits(0.0, mi[2]));
    // All joints 0, or every joint on a zero marginal: 0.0.
    EXPECT_TRUE(SameBits(0.0, Mutual(TwoBinaryVariables({0.5, 0.5, 0.5, 0.5}, {0, 0, 0, 0}), 0)[2]));
    EXPECT_TRUE(SameBits(0.0, Mutual(TwoBinaryVariables({0, 0, 0.5, 0.5}, {0.2, 0.2, 0.3, 0.3}), 0)[2]));
    // A zero marginal drops only its own value pairs.
    const double expected = std::log(0.5 / (0.5 * 0.5)) * kBitsPerNat * 0.5;
    EXPECT_TRUE(SameBits(0.0 + expected, Mutual(TwoBinaryVariables({0.5, 0.5, 0.5, 0.0}, {0.5, 0, 0.1, 0.5}), 0)[2]));
}

TEST_P(TrainingPiece, MutualInformationMatchesTheLiteralSumOnRandomTables) {
    Random random(11);
    for (int trial = 0; trial < 60; ++trial) {
        ModelShape shape;
        shape.rows = 1;
        shape.cols = 2;
        shape.dimension = 1 + random.Below(7);
        shape.maxRange = 1 + random.Below(4);
        shape.zeroShare = 0.2;
        reference::RawModel raw = RandomModel(random, shape);
        // Degenerate entries the finiteness test must drop or carry.
        for (auto& table : raw.intersect)
            for (double& x : table) {
                if (random.Chance(0.03)) x = kNaN;
                else if (random.Chance(0.03)) x = -x;
                else if (random.Chance(0.02)) x = HUGE_VAL;
                else if (random.Chance(0.02)) x = -0.0;
            }
        for (auto& table : raw.marginal)
            for (double& x : table)
                if (random.Chance(0.05)) x = random.Chance(0.5) ? kNaN : 1e-310;
        SCOPED_TRACE(trial);
        for (int k = 0; k < 2; ++k) Mutual(raw, k);
        // The same tables with the values numbered in variable order, read without indirection.
        NumberValuesInVariableOrder(raw);
        for (int k = 0; k < 2; ++k) Mutual(raw, k);
    }
    // Variables with many values: a pair's terms span several chunks.
    ModelShape wide;
    wide.rows = wide.cols = 1;
    wide.dimension = 3;
    wide.maxRange = 40;
    wide.zeroShare = 0.3;
    for (int trial = 0; trial < 5; ++trial) Mutual(RandomModel(random, wide), 0);
    // Many variables with few values: thousands of pairs, most without terms.
    ModelShape many;
    many.rows = many.cols = 1;
    many.dimension = 90;
    many.maxRange = 2;
    for (double zeros : {0.0, 0.9}) {
        many.zeroShare = zeros;
        Mutual(RandomModel(random, many), 0);
    }
}

// Upper-triangle weights for three variables: (0,1), (0,2), (1,2).
std::vector<double> Three(double w01, double w02, double w12) {
    std::vector<double> m(9, 0.0);
    m[0 + 1 * 3] = w01;
    m[0 + 2 * 3] = w02;
    m[1 + 2 * 3] = w12;
    return m;
}

TEST_P(TrainingPiece, WorkedTrees) {
    const std::vector<double> weights = Three(0.5, 0.1, 0.9);
    std::vector<double> g = Tree(weights, 3, 1);
    std::vector<double> expected(9, 0.0);
    expected[0 + 1 * 3] = 1.0;  // (0,1)
    expected[1 + 2 * 3] = 1.0;  // (1,2)
    EXPECT_TRUE(SameBits(expected, g));
    EXPECT_TRUE(SameBits(expected, Tree(weights, 3, 0)));  // RootNode 0 starts at variable 0 too

    std::vector<std::int32_t> parent;
    g = Tree(weights, 3, 3, &parent);
    expected.assign(9, 0.0);
    expected[2 + 1 * 3] = 1.0;  // (2,1)
    expected[1 + 0 * 3] = 1.0;  // (1,0)
    EXPECT_TRUE(SameBits(expected, g));
    EXPECT_EQ(parent, (std::vector<std::int32_t>{1, 2, -1}));

    EXPECT_TRUE(SameBits(std::vector<double>{0.0}, Tree({0.0}, 1, 1)));
}

TEST_P(TrainingPiece, TiesKeepListOrderAndNaNComesLast) {
    std::vector<double> g = Tree(Three(0.25, 0.25, 0.25), 3, 0);
    EXPECT_EQ(g[0 + 1 * 3], 1.0);  // (0,1) before (0,2): list order
    EXPECT_EQ(g[0 + 2 * 3], 1.0);
    // -0.0 and 0.0 tie: (0,1) comes first.
    g = Tree(Three(-0.0, 0.0, -1.0), 3, 3);
    EXPECT_EQ(g[2 + 0 * 3], 1.0);  // only (0,2) leaves variable 2
    EXPECT_EQ(g[0 + 1 * 3], 1.0);  // then (0,1) ties with nothing heavier
    // NaN after every number, even -Inf.
    g = Tree(Three(kNaN, -HUGE_VAL, 0.0), 3, 1);
    EXPECT_EQ(g[0 + 2 * 3], 1.0);
    EXPECT_EQ(g[2 + 1 * 3], 1.0);
    EXPECT_EQ(g[0 + 1 * 3], 0.0);
    // Equal infinities tie as well.
    g = Tree(Three(HUGE_VAL, HUGE_VAL, 0.0), 3, 2);
    EXPECT_EQ(g[1 + 0 * 3], 1.0);
    EXPECT_EQ(g[0 + 2 * 3], 1.0);

    EXPECT_EQ(CompareTreeEdges({kNaN, 0, 1}, {kNaN, 0, 2}), 0);
    EXPECT_EQ(CompareTreeEdges({kNaN, 0, 1}, {-HUGE_VAL, 0, 2}), 1);
    EXPECT_EQ(CompareTreeEdges({1.0, 0, 1}, {kNaN, 0, 2}), -1);
    EXPECT_EQ(CompareTreeEdges({-0.0, 0, 1}, {0.0, 0, 2}), 0);
    EXPECT_EQ(CompareTreeEdges({2.0, 0, 1}, {1.0, 0, 2}), -1);
}

TEST_P(TrainingPiece, PrimTakesTheEdgesOfTheSortedScan) {
    Random random(21);
    const double pool[] = {0.0, -0.0, 0.5, 0.5, 1.0, 2.0, kNaN, HUGE_VAL, -HUGE_VAL, 0.25};
    for (int trial = 0; trial < 400; ++trial) {
        const int d = 1 + random.Below(12);
        std::vector<double> mutual(static_cast<std::size_t>(d * d));
        const bool ties = random.Chance(0.7);
        for (double& x : mutual) x = ties ? pool[random.Below(10)] : random.Uniform();
        const int root = random.Below(d + 1);
        SCOPED_TRACE(trial);
        std::vector<std::int32_t> parent;
        const std::vector<double> fast = Tree(mutual, d, root, &parent);
        // A spanning tree rooted at the start variable, with the parents reported.
        const int start = root == 0 ? 0 : root - 1;
        for (int c = 0; c < d; ++c) {
            int ones = 0;
            for (int p = 0; p < d; ++p) ones += fast[p + c * d] == 1.0;
            EXPECT_EQ(ones, c == start ? 0 : 1);
            if (c != start) {
                EXPECT_EQ(fast[parent[c] + c * d], 1.0);
            }
        }
        EXPECT_EQ(parent[start], -1);
    }
}

TEST_P(TrainingPiece, TreeLogLikelihoodMatchesTheFullPairScan) {
    Random random(31);
    for (int trial = 0; trial < 80; ++trial) {
        SCOPED_TRACE(trial);
        ModelShape shape;
        shape.rows = 2;
        shape.cols = 2;
        shape.dimension = 1 + random.Below(8);
        shape.directed = random.Chance(0.6);
        shape.treeGraphs = random.Chance(0.5);
        shape.wildGraphs = random.Chance(0.4);
        shape.zeroShare = 0.15;
        const reference::RawModel raw = RandomModel(random, shape);
        const std::vector<double> samples = RandomSamples(random, raw, 5, true);
        for (int k = 0; k < 4; ++k)
            for (int j = 0; j < 5; ++j) LogLikelihood(raw, k, samples.data() + j * shape.dimension);
    }
}

}  // namespace
}  // namespace tavrix::testing
