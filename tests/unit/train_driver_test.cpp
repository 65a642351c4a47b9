// The training driver against the literal one in every field, for every
// thread count, and properties of trained maps.
#include <numeric>
#include <vector>

#include "train_fixture.hpp"

namespace tavrix::testing {
namespace {

// Every training case at 1, 2 and 3 threads; the pieces without threads once.
INSTANTIATE_TEST_SUITE_P(Threads, TrainingCase, ::testing::Values(1, 2, 3));
INSTANTIATE_TEST_SUITE_P(Once, TrainingPiece, ::testing::Values(1));

reference::RawModel TrainingModel(Random& random, const ModelShape& shape, int samples) {
    reference::RawModel raw = RandomModel(random, shape);
    if (raw.rootNode > raw.dimension) raw.rootNode = raw.dimension;
    raw.samples = RandomSamples(random, raw, samples, true);
    return raw;
}

TEST_P(TrainingCase, DriverMatchesTheLiteralOneInEveryField) {
    Random random(51);
    for (int trial = 0; trial < 45; ++trial) {
        SCOPED_TRACE(trial);
        ModelShape shape;
        shape.rows = 1 + random.Below(4);
        shape.cols = 1 + random.Below(4);
        shape.dimension = 1 + random.Below(6);
        shape.maxRange = 1 + random.Below(4);
        shape.directed = random.Chance(0.5);
        shape.wildGraphs = random.Chance(0.3);  // NaN priors and graph entries in the first iteration
        shape.zeroShare = random.Chance(0.3) ? 0.3 : 0.02;
        reference::RawModel raw = TrainingModel(random, shape, 1 + random.Below(20));
        if (trial % 4 == 0) MakeProper(random, raw);
        if (trial % 3 == 1) {
            NumberValuesInVariableOrder(raw);  // the usual Translate, read without indirection
        } else if (trial % 3 == 2 && raw.numValues > 1) {
            // One value made to share another's global index.
            const int d = static_cast<int>(raw.dimension), range = static_cast<int>(raw.maxRange);
            const int i = random.Below(d), j = random.Below(d);
            raw.translate[random.Below(static_cast<int>(raw.ranges[i])) + i * range] =
                raw.translate[random.Below(static_cast<int>(raw.ranges[j])) + j * range];
        }
        Trained(raw, trial % 6 == 0 ? 0 : 1 + random.Below(8), 1000 + trial);
    }
}

TEST_P(TrainingCase, UnderflowingMapsStillTrain) {
    // Several hundred variables: every unit's likelihood of a sample is far below
    // the normal range, yet winners move and the winner's tables learn.
    Random random(61);
    ModelShape shape;
    shape.rows = 2;
    shape.cols = 2;
    shape.dimension = 300;
    shape.maxRange = 2;
    shape.zeroShare = 0.0;
    reference::RawModel raw = TrainingModel(random, shape, 30);
    MakeProper(random, raw);
    for (std::size_t k = 0; k < raw.pi.size(); ++k) raw.pi[k] = 0.25;
    const reference::RawModel fast = Trained(raw, 4, 9);
    // With the plain arithmetic no iteration would find a winner.
    EXPECT_LT(fast.numVictories[0], 4.0);
    for (std::size_t k = 0; k < raw.pi.size(); ++k) EXPECT_NE(raw.marginal[k], fast.marginal[k]);
}

TEST_P(TrainingCase, TrainedMapsKeepTheirInvariants) {
    Random random(71);
    for (int trial = 0; trial < 10; ++trial) {
        ModelShape shape;
        shape.rows = 3;
        shape.cols = 2 + random.Below(3);
        shape.dimension = 2 + random.Below(6);
        shape.directed = trial % 2 == 1;
        reference::RawModel raw = TrainingModel(random, shape, 25);
        MakeProper(random, raw);
        for (double& v : raw.numVictories) v = 2.0;  // counts carried in accumulate
        const int iterations = 10 + random.Below(10);
        const reference::RawModel out = Trained(raw, iterations, 5 + trial);
        EXPECT_NEAR(std::accumulate(out.pi.begin(), out.pi.end(), 0.0), 1.0, 1e-12);
        EXPECT_EQ(std::accumulate(out.numVictories.begin(), out.numVictories.end(), 0.0),
                  2.0 * out.numVictories.size() + iterations);
        const int d = shape.dimension;
        const int start = raw.rootNode == 0 ? 0 : static_cast<int>(raw.rootNode) - 1;
        for (const std::vector<double>& g : out.graph) {
            // Every column but the start's holds one 1.0, and following the
            // parents from any variable reaches the start: a spanning tree.
            std::vector<int> parent(d, -1);
            for (int c = 0; c < d; ++c)
                for (int p = 0; p < d; ++p) {
                    if (g[p + c * d] == 1.0) parent[c] = p;
                    EXPECT_TRUE(g[p + c * d] == 0.0 || g[p + c * d] == 1.0);
                }
            for (int c = 0; c < d; ++c) {
                EXPECT_EQ(parent[c] < 0, c == start);
                int v = c, steps = 0;
                while (v != start && steps++ < d) v = parent[v];
                EXPECT_EQ(v, start);
            }
        }
    }
}

}  // namespace
}  // namespace tavrix::testing
