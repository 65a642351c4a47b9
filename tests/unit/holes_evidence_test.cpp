// The evidence over completions and the masked log-likelihood against the
// literal transcriptions; the order of completions and their count.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/compiled_map.hpp"
#include "holes/hidden_evidence.hpp"
#include "holes/masked_log_likelihood.hpp"
#include "tests/reference/reference_holes.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/literal_units.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using testing::DataCase;
using testing::SameBits;

TEST(HiddenEvidence, MatchesLiteralOnRandomModelsAndMasks) {
    for (std::uint64_t seed = 0; seed < 80; ++seed) {
        const DataCase c = testing::RandomCase(seed + 300, 7, 6);
        const MapModel view = testing::ViewOf(c.raw);
        const CompiledMap map(view, 1);
        const CodeMatrix codes = testing::CodesOf(c.raw, c.data);
        const std::vector<std::uint8_t> hidden = testing::HiddenFlags(c.mask);
        const testing::LiteralUnits literal(c.raw);
        CompletionWalk walk(view.dimension, map.slots);
        const auto d = static_cast<std::size_t>(view.dimension);
        for (int j = 0; j < c.n; ++j) {
            const std::vector<double> expected = reference::HiddenEvidence(c.raw, &c.data[j * d], &c.mask[j * d]);
            std::vector<double> evidence(map.NumUnits(), -7.0), top(map.NumUnits());
            walk.Start(codes.Column(j), &hidden[j * d], map.table.rangeCounts);
            HiddenEvidence(map.slots, walk, Span<double>(evidence.data(), evidence.size()),
                           Span<double>(top.data(), top.size()));
            ASSERT_TRUE(SameBits(expected, evidence)) << "seed " << seed << " sample " << j;
            // The largest completion term is one of the terms of the evidence.
            for (std::size_t k = 0; k < map.NumUnits(); ++k) {
                if (evidence[k] > 0.0) {
                    EXPECT_TRUE(std::isfinite(top[k]));
                    EXPECT_LE(std::exp(top[k]), evidence[k]);
                }
            }
            for (std::size_t k = 0; k < map.NumUnits(); ++k) {
                ASSERT_TRUE(SameBits(literal.Masked(k, &c.data[j * d], &c.mask[j * d]),
                                     MaskedLogLikelihood(map.units[k], codes.Column(j), &hidden[j * d])))
                    << "seed " << seed << " unit " << k << " sample " << j;
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
    const CompiledMap map(view, 1);
    CompletionWalk walk(3, map.slots);
    const std::vector<std::int32_t> codes = {0, 0, 0};
    walk.Start(codes.data(), zero.data(), map.table.rangeCounts);
    EXPECT_EQ(walk.Count(), 0);
    std::vector<double> evidence(map.NumUnits(), -1.0), top(map.NumUnits());
    HiddenEvidence(map.slots, walk, Span<double>(evidence.data(), evidence.size()), Span<double>(top.data(), top.size()));
    for (double e : evidence) EXPECT_TRUE(SameBits(0.0, e));
}

}  // namespace
}  // namespace tavrix
