// The model core: value index table and compiled unit log-likelihood against
// the literal transcription.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/compiled_unit.hpp"
#include "core/value_index_table.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/literal_units.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using testing::SameBits;

// A two-variable model with hand-set tables; variable 0 has codes 0..1 and
// variable 1 codes 0..1, global indices 0,1 and 2,3.
struct TwoVariables {
    reference::RawModel raw;
    TwoVariables(double root, std::vector<double> graph) {
        raw.numRowsMap = raw.numColsMap = 1;
        raw.dimension = 2;
        raw.maxRange = 2;
        raw.numValues = 4;
        raw.rootNode = root;
        raw.ranges = {2, 2};
        raw.translate = {1, 2, 3, 4};
        raw.marginal = {{0.6, 0.4, 0.3, 0.7}};
        std::vector<double> joint(16, 0.0);
        auto set = [&](int a, int b, double x) { joint[a + b * 4] = joint[b + a * 4] = x; };
        set(0, 2, 0.2), set(0, 3, 0.4), set(1, 2, 0.1), set(1, 3, 0.3);
        raw.intersect = {joint};
        raw.graph = {graph};
        raw.pi = {1.0};
    }
    double LogLikelihood(std::vector<std::int32_t> codes) const {
        const MapModel view = testing::ViewOf(raw);
        const ValueIndexTable table = BuildValueIndexTable(view);
        return UnitLogLikelihood(CompileUnit(view, table, 0), codes.data());
    }
};

TEST(ValueIndexTable, TruncatesTranslateAfterSubtractingOne) {
    reference::RawModel raw;
    raw.dimension = 2;
    raw.maxRange = 3;
    raw.ranges = {2.9, 0};  // 2 codes; a variable with no codes gets no entries
    raw.translate = {1.0, 2.7, 99, 99, 99, 99};
    const ValueIndexTable table = BuildValueIndexTable(testing::ViewOf(raw));
    EXPECT_EQ(table.rangeCounts, (std::vector<std::int32_t>{2, 0}));
    EXPECT_EQ(table(0, 0), 0);
    EXPECT_EQ(table(0, 1), 1);
    EXPECT_EQ(table(0, 2), -1);
    EXPECT_EQ(table(1, 0), -1);
}

TEST(UnitLogLikelihood, FactorisationsTermByTerm) {
    const double l0 = std::log(0.6), l3 = std::log(0.7), j03 = std::log(0.4);
    // Undirected, both directions set: one correction term only, between the two marginals.
    EXPECT_TRUE(SameBits(((0.0 + l0) + ((j03 - l0) - l3)) + l3, TwoVariables(0, {0, 1, 1, 0}).LogLikelihood({0, 1})));
    // Directed, root 2, only G(1, 0) set: the pair term comes before the root term.
    EXPECT_TRUE(SameBits((0.0 + (j03 - l3)) + l3, TwoVariables(2, {0, 1, 0, 0}).LogLikelihood({0, 1})));
    // Directed, root 1, both set: both conditionals.
    EXPECT_TRUE(SameBits(((0.0 + l0) + (j03 - l0)) + (j03 - l3), TwoVariables(1, {0, 1, 1, 0}).LogLikelihood({0, 1})));
    // Undirected with no edges: the sum of the log marginals.
    EXPECT_TRUE(SameBits((0.0 + l0) + l3, TwoVariables(0, {0, 0, 0, 0}).LogLikelihood({0, 1})));
    // A root outside 1..D adds no root term.
    EXPECT_TRUE(SameBits(0.0 + (j03 - l0), TwoVariables(3, {0, 0, 1, 0}).LogLikelihood({0, 1})));
}

TEST(UnitLogLikelihood, DegenerateValuesPropagate) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    TwoVariables undirected(0, {0, nan, 0, 0});  // NaN is an edge
    undirected.raw.intersect[0][0 + 3 * 4] = 0.0;
    EXPECT_EQ(undirected.LogLikelihood({0, 1}), -std::numeric_limits<double>::infinity());

    TwoVariables directed(1, {0, 0, 1, 0});
    directed.raw.intersect[0][0 + 3 * 4] = 0.0;
    directed.raw.marginal[0][0] = 0.0;
    EXPECT_TRUE(std::isnan(directed.LogLikelihood({0, 1})));  // -Inf - (-Inf)

    reference::RawModel empty;
    empty.numRowsMap = empty.numColsMap = 1;
    empty.marginal = {{}};
    empty.intersect = {{}};
    empty.graph = {{}};
    empty.rootNode = 3;
    const MapModel view = testing::ViewOf(empty);
    EXPECT_TRUE(SameBits(0.0, UnitLogLikelihood(CompileUnit(view, BuildValueIndexTable(view), 0), nullptr)));
}

// The compiled form gives the literal sum's double for every unit and sample.
void ExpectCompiledMatchesLiteral(const testing::ModelShape& shape, std::uint64_t seed) {
    testing::Random random(seed);
    for (int trial = 0; trial < 40; ++trial) {
        const reference::RawModel raw = testing::RandomModel(random, shape);
        const std::vector<double> samples = testing::RandomSamples(random, raw, 12, true);
        const MapModel view = testing::ViewOf(raw);
        const ValueIndexTable table = BuildValueIndexTable(view);
        const testing::LiteralUnits literal(raw);
        ASSERT_EQ(table.entries, literal.Table().valueIndexTable);
        const std::vector<CompiledUnit> units = CompileUnits(view, table, 2);
        const CodeMatrix codes = testing::CodesOf(raw, samples);
        for (int j = 0; j < codes.numSamples; ++j)
            for (std::size_t k = 0; k < units.size(); ++k) {
                ASSERT_TRUE(SameBits(literal.LogLikelihood(k, samples.data() + j * view.dimension),
                                     UnitLogLikelihood(units[k], codes.Column(j))))
                    << "trial " << trial << " unit " << k << " sample " << j;
            }
    }
}

TEST(UnitLogLikelihood, CompiledMatchesLiteralOnTrees) {
    testing::ModelShape shape;
    shape.dimension = 7;
    ExpectCompiledMatchesLiteral(shape, 1);
    shape.directed = true;
    ExpectCompiledMatchesLiteral(shape, 2);
}

TEST(UnitLogLikelihood, CompiledMatchesLiteralOnWildGraphs) {
    testing::ModelShape shape;
    shape.dimension = 6;
    shape.treeGraphs = false;
    shape.wildGraphs = true;
    shape.zeroShare = 0.3;
    ExpectCompiledMatchesLiteral(shape, 3);
    shape.directed = true;
    ExpectCompiledMatchesLiteral(shape, 4);
}

}  // namespace
}  // namespace tavrix
