// The evidence over completions and the masked log-likelihood against the
// literal transcriptions; the order of completions and their count.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/value_index_table.hpp"
#include "holes/hidden_evidence.hpp"
#include "holes/masked_log_likelihood.hpp"
#include "tests/reference/reference_holes.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using testing::SameBits;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A mask entry: hidden as 0.0 or -0.0, observed as anything else, NaN included.
double RandomMaskEntry(testing::Random& random, double hiddenShare) {
    if (random.Chance(hiddenShare)) return random.Chance(0.5) ? 0.0 : -0.0;
    const double observed[] = {1.0, kNaN, 0.5, -2.0, 1e-310, HUGE_VAL};
    return observed[random.Below(6)];
}

std::vector<std::uint8_t> HiddenFlags(const std::vector<double>& mask) {
    std::vector<std::uint8_t> hidden;
    for (double m : mask) hidden.push_back(m == 0.0 ? 1 : 0);
    return hidden;
}

struct Case {
    reference::RawModel raw;
    std::vector<double> data, mask;
};

Case RandomCase(testing::Random& random, int n) {
    testing::ModelShape shape;
    shape.rows = 1 + random.Below(3);
    shape.cols = 1 + random.Below(3);
    shape.dimension = 1 + random.Below(6);
    shape.directed = random.Chance(0.5);
    shape.treeGraphs = random.Chance(0.6);
    shape.wildGraphs = random.Chance(0.3);
    shape.zeroShare = random.Chance(0.5) ? 0.0 : 0.15;
    Case c;
    c.raw = testing::RandomModel(random, shape);
    c.data = testing::RandomSamples(random, c.raw, n, true);
    const double share = random.Chance(0.2) ? 1.0 : 0.4;
    for (std::size_t e = 0; e < c.data.size(); ++e) c.mask.push_back(RandomMaskEntry(random, share));
    return c;
}

TEST(HiddenEvidence, MatchesLiteralOnRandomModelsAndMasks) {
    testing::Random random(51);
    for (int trial = 0; trial < 80; ++trial) {
        const Case c = RandomCase(random, 4);
        const MapModel view = testing::ViewOf(c.raw);
        const ValueIndexTable table = BuildValueIndexTable(view);
        const std::vector<CompiledUnit> units = CompileUnits(view, table, 1);
        const PairSlots slots = BuildPairSlots(units);
        const CodeMatrix codes = testing::CodesOf(c.raw, c.data);
        const std::vector<std::uint8_t> hidden = HiddenFlags(c.mask);
        CompletionWalk walk(view.dimension, slots);
        const auto d = static_cast<std::size_t>(view.dimension);
        for (int j = 0; j < 4; ++j) {
            const std::vector<double> expected = reference::HiddenEvidence(c.raw, &c.data[j * d], &c.mask[j * d]);
            std::vector<double> evidence(units.size(), -7.0), top(units.size());
            walk.Start(codes.Column(j), &hidden[j * d], table.rangeCounts);
            HiddenEvidence(slots, walk, Span<double>(evidence.data(), evidence.size()), Span<double>(top.data(), top.size()));
            ASSERT_TRUE(SameBits(expected, evidence)) << "trial " << trial << " sample " << j;
            // The largest completion term is one of the terms of the evidence.
            for (std::size_t k = 0; k < units.size(); ++k) {
                if (evidence[k] > 0.0) {
                    EXPECT_TRUE(std::isfinite(top[k]));
                    EXPECT_LE(std::exp(top[k]), evidence[k]);
                }
            }
        }
    }
}

TEST(HiddenEvidence, MaskedLogLikelihoodMatchesLiteral) {
    testing::Random random(52);
    for (int trial = 0; trial < 80; ++trial) {
        const Case c = RandomCase(random, 5);
        const MapModel view = testing::ViewOf(c.raw);
        const ValueIndexTable table = BuildValueIndexTable(view);
        const reference::RawTable raw = reference::BuildValueIndexTable(
            c.raw.ranges.data(), c.raw.translate.data(), view.dimension, view.maxRange);
        const CodeMatrix codes = testing::CodesOf(c.raw, c.data);
        const std::vector<std::uint8_t> hidden = HiddenFlags(c.mask);
        const auto d = static_cast<std::size_t>(view.dimension);
        for (std::int32_t k = 0; k < view.NumUnits(); ++k) {
            const CompiledUnit unit = CompileUnit(view, table, k);
            for (int j = 0; j < 5; ++j) {
                const double expected = reference::MaskedLogLikelihood(
                    &c.data[j * d], &c.mask[j * d], c.raw.marginal[k].data(), c.raw.intersect[k].data(),
                    c.raw.graph[k].data(), raw.valueIndexTable.data(), view.dimension, view.maxRange, view.numValues,
                    view.rootNode);
                ASSERT_TRUE(SameBits(expected, MaskedLogLikelihood(unit, codes.Column(j), &hidden[j * d])))
                    << "trial " << trial << " unit " << k << " sample " << j;
            }
        }
    }
}

// A unit with the given graph over 3 two-valued variables.
struct SmallUnit {
    reference::RawModel raw;
    explicit SmallUnit(int root, std::vector<double> graph) {
        testing::Random random(5);
        testing::ModelShape shape;
        shape.rows = shape.cols = 1;
        shape.dimension = 3;
        shape.maxRange = 2;
        shape.zeroShare = 0.0;
        raw = testing::RandomModel(random, shape);
        raw.rootNode = root;
        raw.graph[0] = std::move(graph);
    }
    double Masked(const std::vector<std::int32_t>& codes, const std::vector<std::uint8_t>& hidden) const {
        const MapModel view = testing::ViewOf(raw);
        return MaskedLogLikelihood(CompileUnit(view, BuildValueIndexTable(view), 0), codes.data(), hidden.data());
    }
    double Full(const std::vector<std::int32_t>& codes) const {
        const MapModel view = testing::ViewOf(raw);
        return UnitLogLikelihood(CompileUnit(view, BuildValueIndexTable(view), 0), codes.data());
    }
    double LogM(int i, int v) const { return std::log(raw.marginal[0][Index(i, v)]); }
    double LogI(int i, int vi, int j, int vj) const {
        return std::log(raw.intersect[0][Index(i, vi) + Index(j, vj) * static_cast<int>(raw.numValues)]);
    }
    int Index(int i, int v) const { return static_cast<int>(raw.translate[v + i * 2] - 1.0); }
};

TEST(MaskedLogLikelihood, TermsFollowTheHiddenEnds) {
    const std::vector<std::int32_t> x = {0, 0, 0};
    // Edges 0 -> 1 and 1 -> 2 (G(0,1), G(1,2)), variable 0 the root.
    const std::vector<double> chain = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const SmallUnit directed(1, chain);
    EXPECT_TRUE(SameBits(0.0, directed.Masked(x, {0, 0, 0})));
    EXPECT_TRUE(SameBits(directed.Full(x), directed.Masked(x, {1, 1, 1})));
    // Only the hidden root: its marginal.
    EXPECT_TRUE(SameBits(directed.LogM(0, 0), directed.Masked(x, {1, 0, 0})));
    // A hidden child of an observed parent: the conditional on the parent's true value.
    EXPECT_TRUE(SameBits(directed.LogI(1, 0, 2, 0) - directed.LogM(1, 0), directed.Masked(x, {0, 0, 1})));
    // Undirected: an edge counts only with both ends hidden; a lone hidden variable gives its marginal.
    const SmallUnit undirected(0, chain);
    EXPECT_TRUE(SameBits(undirected.LogM(1, 0), undirected.Masked(x, {0, 1, 0})));
    const double pair = (undirected.LogI(1, 0, 2, 0) - undirected.LogM(1, 0)) - undirected.LogM(2, 0);
    EXPECT_TRUE(SameBits((0.0 + undirected.LogM(1, 0)) + pair + undirected.LogM(2, 0), undirected.Masked(x, {0, 1, 1})));
}

TEST(CompletionWalk, LowestHiddenVariableFastest) {
    const std::vector<std::int32_t> ranges = {3, 2, 4, 3};
    const std::vector<std::int32_t> column = {2, 1, 3, 0};
    const PairSlots noUnits;
    auto order = [&](std::vector<std::uint8_t> hidden) {
        CompletionWalk walk(4, noUnits);
        walk.Start(column.data(), hidden.data(), ranges);
        std::vector<std::vector<std::int32_t>> seen;
        for (std::int64_t m = 0; m < walk.Count(); ++m) {
            walk.Emit(static_cast<int>(m % kSampleBlock));
            const std::int32_t* lane = walk.Lanes()[m % kSampleBlock];
            seen.emplace_back(lane, lane + 4);
        }
        return seen;
    };
    using Rows = std::vector<std::vector<std::int32_t>>;
    EXPECT_EQ(order({1, 1, 0, 0}), (Rows{{0, 0, 3, 0}, {1, 0, 3, 0}, {2, 0, 3, 0}, {0, 1, 3, 0}, {1, 1, 3, 0}, {2, 1, 3, 0}}));
    EXPECT_EQ(order({0, 1, 0, 1}), (Rows{{2, 0, 3, 0}, {2, 1, 3, 0}, {2, 0, 3, 1}, {2, 1, 3, 1}, {2, 0, 3, 2}, {2, 1, 3, 2}}));
    EXPECT_EQ(order({0, 0, 0, 0}), (Rows{{2, 1, 3, 0}}));
    EXPECT_EQ(order({1, 1, 1, 1}).size(), 72u);
}

TEST(CompletionWalk, CountsAreCappedAndZeroRangesGiveNoCompletion) {
    const std::vector<double> ranges = {3.9, 0.0, 2.0};
    const std::vector<std::uint8_t> none = {0, 0, 0}, first = {1, 0, 1}, zero = {1, 1, 0};
    EXPECT_EQ(CompletionCount(Span<const double>(ranges.data(), 3), none.data()), 1);
    EXPECT_EQ(CompletionCount(Span<const double>(ranges.data(), 3), first.data()), 6);
    EXPECT_EQ(CompletionCount(Span<const double>(ranges.data(), 3), zero.data()), 0);
    const std::vector<double> wide(40, 2.0);
    std::vector<std::uint8_t> hidden(40, 0);
    for (int i = 0; i < 30; ++i) hidden[i] = 1;
    EXPECT_EQ(CompletionCount(Span<const double>(wide.data(), 40), hidden.data()), std::int64_t{1} << 30);
    hidden[30] = 1;
    EXPECT_EQ(CompletionCount(Span<const double>(wide.data(), 40), hidden.data()), kCompletionLimit);
    for (auto& h : hidden) h = 1;
    EXPECT_EQ(CompletionCount(Span<const double>(wide.data(), 40), hidden.data()), kCompletionLimit);

    // A hidden variable without values: no completion, all evidence 0.
    testing::Random random(9);
    testing::ModelShape shape;
    shape.dimension = 3;
    shape.zeroShare = 0.0;
    reference::RawModel raw = testing::RandomModel(random, shape);
    raw.ranges[1] = 0.0;
    const MapModel view = testing::ViewOf(raw);
    const ValueIndexTable table = BuildValueIndexTable(view);
    const std::vector<CompiledUnit> units = CompileUnits(view, table, 1);
    const PairSlots slots = BuildPairSlots(units);
    CompletionWalk walk(3, slots);
    const std::vector<std::int32_t> codes = {0, 0, 0};
    walk.Start(codes.data(), zero.data(), table.rangeCounts);
    EXPECT_EQ(walk.Count(), 0);
    std::vector<double> evidence(units.size(), -1.0), top(units.size());
    HiddenEvidence(slots, walk, Span<double>(evidence.data(), evidence.size()), Span<double>(top.data(), top.size()));
    for (double e : evidence) EXPECT_TRUE(SameBits(0.0, e));
}

}  // namespace
}  // namespace tavrix
