// The training driver: worked schedule and update numbers, the fast driver
// against the literal one in every field, and properties of trained maps.
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "tests/reference/reference_train.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/random_model.hpp"
#include "train/training.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

// Trains a copy of `raw` with the fast driver.
reference::RawModel TrainFast(const reference::RawModel& raw, std::int32_t iterations, std::uint64_t seed, int threads) {
    reference::RawModel out = raw;
    const MapModel view = ViewOf(raw);
    TrainedTables t;
    for (std::size_t k = 0; k < out.marginal.size(); ++k) {
        t.marginal.push_back(out.marginal[k].data());
        t.intersect.push_back(out.intersect[k].data());
        t.mutual.push_back(out.mutual[k].data());
        t.graph.push_back(out.graph[k].data());
    }
    t.pi = out.pi.data();
    t.numVictories = out.numVictories.data();
    const CodeMatrix codes = CodesOf(raw, raw.samples);
    RandomDraws draws(seed);
    Train(view, t, codes, iterations, draws, threads, nullptr);
    return out;
}

reference::RawModel TrainLiteral(const reference::RawModel& raw, double iterations, std::uint64_t seed) {
    RandomDraws draws(seed);
    return reference::Train(raw, iterations, [&](std::int32_t n) { return draws.Draw(n); });
}

::testing::AssertionResult SameModel(const reference::RawModel& a, const reference::RawModel& b) {
    for (std::size_t k = 0; k < a.marginal.size(); ++k) {
        for (auto r : {SameBits(a.marginal[k], b.marginal[k]), SameBits(a.intersect[k], b.intersect[k]),
                       SameBits(a.mutual[k], b.mutual[k]), SameBits(a.graph[k], b.graph[k])})
            if (!r) return r << " (unit " << k << ")";
    }
    if (auto r = SameBits(a.pi, b.pi); !r) return r << " (Pi)";
    if (auto r = SameBits(a.numVictories, b.numVictories); !r) return r << " (NumVictories)";
    return ::testing::AssertionSuccess();
}

reference::RawModel TrainingModel(Random& random, const ModelShape& shape, int samples) {
    reference::RawModel raw = RandomModel(random, shape);
    if (raw.rootNode > raw.dimension) raw.rootNode = raw.dimension;
    raw.samples = RandomSamples(random, raw, samples, true);
    return raw;
}

// Renumbers the values: in variable order (the usual Translate, read without
// indirection), or with one value made to share another's global index.
enum class Numbering { kAsDrawn, kInVariableOrder, kShared };
void Renumber(Random& random, reference::RawModel& raw, Numbering numbering) {
    const auto d = static_cast<int>(raw.dimension), range = static_cast<int>(raw.maxRange);
    if (numbering == Numbering::kInVariableOrder) {
        NumberValuesInVariableOrder(raw);
    } else if (numbering == Numbering::kShared && raw.numValues > 1) {
        const int i = random.Below(d), j = random.Below(d);
        raw.translate[random.Below(static_cast<int>(raw.ranges[i])) + i * range] =
            raw.translate[random.Below(static_cast<int>(raw.ranges[j])) + j * range];
    }
}

TEST(TrainDriver, ScheduleAndUpdateNumbers) {
    EXPECT_TRUE(SameBits(5.0, TrainingRadius(0, 1000, 5.0)));
    EXPECT_TRUE(SameBits(4.375, TrainingRadius(500, 1000, 5.0)));
    EXPECT_NEAR(TrainingRadius(999999, 1000000, 5.0), 3.75, 1e-5);
    EXPECT_TRUE(SameBits(0.01, LearningRate(0)));
    EXPECT_TRUE(SameBits(1.0 / 101.0, LearningRate(1000)));
    EXPECT_TRUE(SameBits(0.005, LearningRate(100000)));

    const ScaleFactors f = UnitScaleFactors(0.01, 1.0 - 0.01, 0.05, 0.01);
    EXPECT_NEAR(f.pi, 0.0104, 1e-17);  // 0.010400000000000001 as a double
    EXPECT_TRUE(SameBits(0.9519230769230769, f.a));
    EXPECT_TRUE(SameBits(0.04807692307692307, f.b));
    EXPECT_TRUE(SameBits(0.33365384615384613, f.b * 1.0 + f.a * 0.3));
    EXPECT_TRUE(SameBits(0.19038461538461537, f.b * 0.0 + f.a * 0.2));
    // A prior of 0 and a weight of 0: no update of the tables.
    const ScaleFactors g = UnitScaleFactors(0.01, 0.99, 0.0, 0.0);
    EXPECT_TRUE(SameBits(0.0, g.pi));
    EXPECT_EQ(g.a, 1.0);
    EXPECT_EQ(g.b, 0.0);
}

TEST(TrainDriver, MatchesTheLiteralDriverInEveryField) {
    Random random(51);
    for (int trial = 0; trial < 45; ++trial) {
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
        Renumber(random, raw, static_cast<Numbering>(trial % 3));
        const int iterations = trial % 6 == 0 ? 0 : 1 + random.Below(8);
        const reference::RawModel expected = TrainLiteral(raw, iterations, 1000 + trial);
        for (int threads : {1, 2, 3}) {
            ASSERT_TRUE(SameModel(expected, TrainFast(raw, iterations, 1000 + trial, threads)))
                << "trial " << trial << " threads " << threads;
        }
    }
}

TEST(TrainDriver, UnderflowingMapsTrainAgainstTheLiteralDriver) {
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
    const reference::RawModel fast = TrainFast(raw, 4, 9, 2);
    EXPECT_TRUE(SameModel(TrainLiteral(raw, 4, 9), fast));
    // With the plain arithmetic no iteration would find a winner.
    EXPECT_LT(fast.numVictories[0], 4.0);
    for (std::size_t k = 0; k < raw.pi.size(); ++k) EXPECT_NE(raw.marginal[k], fast.marginal[k]);
}

TEST(TrainDriver, TrainedMapsKeepTheirInvariants) {
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
        const reference::RawModel out = TrainFast(raw, iterations, 5 + trial, 2);
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
        // The same seed gives the same model for every thread count.
        EXPECT_TRUE(SameModel(out, TrainFast(raw, iterations, 5 + trial, 1)));
        EXPECT_TRUE(SameModel(out, TrainFast(raw, iterations, 5 + trial, 4)));
    }
}

TEST(TrainDriver, NoIterationOnlyNormalisesPi) {
    Random random(81);
    ModelShape shape;
    reference::RawModel raw = TrainingModel(random, shape, 3);
    for (auto& m : raw.mutual) m.assign(m.size(), 0.5);
    const reference::RawModel out = TrainFast(raw, 0, 1, 2);
    const double sum = std::accumulate(raw.pi.begin(), raw.pi.end(), 0.0);
    for (std::size_t k = 0; k < raw.pi.size(); ++k) {
        EXPECT_TRUE(SameBits(raw.pi[k] / sum, out.pi[k]));
        EXPECT_TRUE(SameBits(raw.graph[k], out.graph[k]));
        EXPECT_TRUE(SameBits(raw.mutual[k], out.mutual[k]));
        EXPECT_TRUE(SameBits(raw.intersect[k], out.intersect[k]));
    }
    EXPECT_TRUE(SameBits(raw.numVictories, out.numVictories));
}

}  // namespace
}  // namespace tavrix
