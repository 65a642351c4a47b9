// Imputation against brute-force enumeration: forests and cycles, both
// factorisations, zero and non-finite factors; exactness at hundreds of
// variables; complete samples against the literal mixture; thread counts.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/compiled_map.hpp"
#include "core/numeric.hpp"
#include "impute/imputation.hpp"
#include "tests/reference/reference_impute.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/differential.hpp"
#include "tests/support/literal_units.hpp"
#include "tests/support/proper_units.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

constexpr double kTolerance = 1e-12;

// Column j is complete when j % 7 == 0, wholly missing when j % 7 == 1, and
// hides each entry with chance `share` otherwise.
DataCase MakeCase(std::uint64_t seed, const ModelShape& shape, int n, double share, bool proper) {
    Random random(seed);
    DataCase c;
    c.raw = RandomModel(random, shape);
    if (proper) {
        MakeProperTrees(random, c.raw, shape.zeroShare);
        NormalisePi(c.raw);
    }
    c.n = n;
    c.data = RandomSamples(random, c.raw, n, true);
    for (int j = 0; j < n; ++j) {
        const double p = j % 7 == 0 ? 0.0 : (j % 7 == 1 ? 1.0 : share);
        for (int i = 0; i < shape.dimension; ++i) c.mask.push_back(random.Chance(p) ? 0.0 : 1.0);
    }
    return c;
}

reference::ImputeResult RunCore(const DataCase& c, int threads) {
    const MapModel view = ViewOf(c.raw);
    const std::vector<std::uint8_t> hidden = HiddenFlags(c.mask);
    CodeMatrix codes = CodesOf(c.raw, c.data);
    reference::ImputeResult r;
    r.filled = c.data;
    for (std::size_t e = 0; e < hidden.size(); ++e)
        if (hidden[e]) {
            codes.codes[e] = kMissingCode;
            r.filled[e] = std::numeric_limits<double>::quiet_NaN();
        }
    r.post.assign(static_cast<std::size_t>(view.numValues) * c.n, -7.0);
    r.logp.assign(static_cast<std::size_t>(c.n), -7.0);
    ImputeOutputs out;
    out.filled = Span<double>(r.filled.data(), r.filled.size());
    out.post = Span<double>(r.post.data(), r.post.size());
    out.logp = Span<double>(r.logp.data(), r.logp.size());
    Impute(view, PrepareImputation(view, threads), codes, threads, out);
    return r;
}

// Posteriors to 1e-12 relative. logp to 1e-12 absolute: the relative error of
// the probability it is the log of.
void ExpectAgreement(const DataCase& c, const reference::ImputeResult& ref, const reference::ImputeResult& got) {
    ASSERT_EQ(ref.logp.size(), got.logp.size());
    for (std::size_t j = 0; j < ref.logp.size(); ++j) {
        if (std::isinf(ref.logp[j])) EXPECT_EQ(ref.logp[j], got.logp[j]) << "sample " << j;
        else EXPECT_NEAR(ref.logp[j], got.logp[j], kTolerance) << "sample " << j;
    }
    ASSERT_EQ(ref.post.size(), got.post.size());
    for (std::size_t e = 0; e < ref.post.size(); ++e) {
        if (std::isnan(ref.post[e])) EXPECT_TRUE(std::isnan(got.post[e])) << "post " << e;
        else EXPECT_NEAR(ref.post[e], got.post[e], kTolerance * ref.post[e]) << "post " << e;
    }
    const int d = static_cast<int>(c.raw.dimension);
    const int maxRange = static_cast<int>(c.raw.maxRange), nv = static_cast<int>(c.raw.numValues);
    for (int j = 0; j < c.n; ++j)
        for (int i = 0; i < d; ++i) {
            const std::size_t e = static_cast<std::size_t>(j) * d + i;
            if (c.mask[e] != 0.0 || std::isnan(ref.filled[e])) {
                EXPECT_TRUE(SameBits(ref.filled[e], got.filled[e])) << "filled " << e;
                continue;
            }
            // The mode may differ from the reference's only on a tie within rounding.
            auto post = [&](double code) {
                const int g = static_cast<int>(c.raw.translate[static_cast<int>(code) + i * maxRange] - 1.0);
                return ref.post[static_cast<std::size_t>(j) * nv + g];
            };
            EXPECT_NEAR(post(ref.filled[e]), post(got.filled[e]), 1e-12) << "filled " << e;
        }
}

// Against enumeration at one thread; every thread count gives the same bits.
class ImputeMatchesEnumeration : public ::testing::TestWithParam<NamedCase> {};

TEST_P(ImputeMatchesEnumeration, AtEveryThreadCount) {
    const DataCase c = GetParam().make();
    const reference::ImputeResult one = RunCore(c, 1);
    ExpectAgreement(c, reference::Impute(c.raw, c.data, HiddenFlags(c.mask), c.n), one);
    for (const int threads : kThreadCounts) {
        const reference::ImputeResult many = RunCore(c, threads);
        ASSERT_TRUE(SameBits(one.filled, many.filled)) << "threads " << threads;
        ASSERT_TRUE(SameBits(one.post, many.post)) << "threads " << threads;
        ASSERT_TRUE(SameBits(one.logp, many.logp)) << "threads " << threads;
    }
}

struct Shape {
    const char* name;
    bool directed, trees, wild;
    double zeros;

    ModelShape WithDimension(int dimension) const {
        ModelShape shape;
        shape.dimension = dimension;
        shape.directed = directed;
        shape.treeGraphs = trees;
        shape.wildGraphs = wild;
        shape.zeroShare = zeros;
        return shape;
    }
};

const Shape kShapes[] = {
    {"UndirectedForest", false, true, false, 0.15},   {"DirectedForest", true, true, false, 0.15},
    {"UndirectedCycles", false, false, false, 0.1},   {"DirectedCycles", true, false, false, 0.1},
    {"UndirectedWild", false, false, true, 0.2},      {"DirectedWild", true, false, true, 0.2},
    {"UndirectedWildForest", false, true, true, 0.3},
};

// No unit gives any sample positive mass: logp -Inf, missing entries NaN.
DataCase NoMass() {
    ModelShape shape;
    shape.dimension = 5;
    DataCase c = MakeCase(9, shape, 14, 0.5, false);
    for (double& p : c.raw.pi) p = 0.0;
    c.raw.pi[1] = std::nan("");
    c.raw.pi[2] = -1.0;
    return c;
}

// Random tables of every shape; proper trees with correlated variables; no mass.
std::vector<NamedCase> Cases() {
    std::vector<NamedCase> cases = {{"NoMass", NoMass}};
    for (const Shape& s : kShapes)
        cases = SeededCases(s.name, 6, [s](std::uint64_t seed) {
            return MakeCase((seed + 1) * 101, s.WithDimension(4 + static_cast<int>((seed + 1) % 3)), 28, 0.5, false);
        }, cases);
    for (const Shape& s : {kShapes[0], kShapes[1]})
        cases = SeededCases(std::string(s.name) + "ProperTree", 5, [s](std::uint64_t seed) {
            Shape proper = s;
            proper.zeros = seed % 2 ? 0.0 : 0.2;
            return MakeCase((seed + 1) * 37, proper.WithDimension(7), 21, 0.4, true);
        }, cases);
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, ImputeMatchesEnumeration, ::testing::ValuesIn(Cases()), CaseName);

TEST(ImputeInference, CompleteSamplesGiveTheLiteralMixtureAndOneHotPosteriors) {
    for (const Shape& s : kShapes) {
        SCOPED_TRACE(s.name);
        DataCase c = MakeCase(5, s.WithDimension(6), 30, 0.0, false);
        std::fill(c.mask.begin(), c.mask.end(), 1.0);
        const reference::ImputeResult got = RunCore(c, 3);
        const MapModel view = ViewOf(c.raw);
        const CompiledMap map(view, 1);
        const CodeMatrix codes = CodesOf(c.raw, c.data);
        for (int j = 0; j < c.n; ++j) {
            double total = 0.0;
            for (int k = 0; k < view.NumUnits(); ++k) {
                if (!(c.raw.pi[k] > 0.0)) continue;
                const double ll = UnitLogLikelihood(map.units[static_cast<std::size_t>(k)], codes.Column(j));
                if (IsFinite(ll)) total += std::exp(ll) * c.raw.pi[k];
            }
            EXPECT_TRUE(SameBits(std::log(total), got.logp[static_cast<std::size_t>(j)])) << "sample " << j;
            for (int v = 0; v < view.numValues; ++v) {
                const double p = got.post[static_cast<std::size_t>(j) * view.numValues + v];
                EXPECT_TRUE(p == 0.0 || p == 1.0);
            }
        }
        EXPECT_TRUE(SameBits(c.data, got.filled));
    }
}

// Hiding one more variable must give the sum over its values, and its
// posterior the share of each: an exact check where enumeration cannot go.
TEST(ImputeInference, ManyVariablesStayFiniteNormalisedAndConsistent) {
    for (bool directed : {false, true}) {
        SCOPED_TRACE(directed ? "directed" : "undirected");
        ModelShape shape;
        shape.rows = shape.cols = 2;
        shape.dimension = 600;
        shape.directed = directed;
        shape.zeroShare = 0.0;  // the samples are uniform, not drawn from the units
        DataCase c = MakeCase(77, shape, 6, 1.0 / 3.0, true);
        const reference::ImputeResult got = RunCore(c, 2);
        const int d = shape.dimension, nv = static_cast<int>(c.raw.numValues);
        for (int j = 0; j < c.n; ++j) {
            EXPECT_TRUE(IsFinite(got.logp[static_cast<std::size_t>(j)])) << "sample " << j;
            for (int v = 0; v < nv; ++v) {
                const double p = got.post[static_cast<std::size_t>(j) * nv + v];
                EXPECT_TRUE(p >= 0.0 && p <= 1.0) << p;
            }
            for (int i = 0; i < d; ++i) {
                double sum = 0.0;
                for (int v = 0; v < c.raw.ranges[i]; ++v)
                    sum += got.post[static_cast<std::size_t>(j) * nv +
                                    static_cast<int>(c.raw.translate[v + i * static_cast<int>(c.raw.maxRange)] - 1.0)];
                EXPECT_NEAR(sum, 1.0, 1e-12);
            }
        }
        // Sample 2, a third missing.
        const int j = 2, extra = [&] {
            for (int i = 0; i < d; ++i)
                if (c.mask[static_cast<std::size_t>(j) * d + i] != 0.0 && c.raw.ranges[i] > 1) return i;
            return 0;
        }();
        DataCase more = c;
        more.mask[static_cast<std::size_t>(j) * d + extra] = 0.0;
        const reference::ImputeResult wider = RunCore(more, 1);
        std::vector<double> parts;
        for (int v = 0; v < c.raw.ranges[extra]; ++v) {
            DataCase fixed = c;
            fixed.data[static_cast<std::size_t>(j) * d + extra] = v;
            parts.push_back(RunCore(fixed, 1).logp[j]);
        }
        EXPECT_NEAR(wider.logp[j], LogDomainSum(parts), 1e-9 * std::fabs(wider.logp[j]));
        for (int v = 0; v < c.raw.ranges[extra]; ++v) {
            const int g = static_cast<int>(c.raw.translate[v + extra * static_cast<int>(c.raw.maxRange)] - 1.0);
            EXPECT_NEAR(wider.post[static_cast<std::size_t>(j) * nv + g], std::exp(parts[v] - wider.logp[j]), 1e-9);
        }
    }
}

// Directed joints scaled by 1e-150: the mixture of a complete sample lies far
// below the smallest double, and the shifted sums carry it. The terms
// themselves are ~1e3, so logp agrees to 1e-12 of its size.
TEST(ImputeInference, MassesBelowTheDoubleRangeStayExact) {
    ModelShape shape;
    shape.dimension = 6;
    shape.directed = true;
    shape.zeroShare = 0.05;
    DataCase c = MakeCase(21, shape, 21, 0.3, false);
    for (auto& joint : c.raw.intersect)
        for (double& x : joint) x *= 1e-150;
    const reference::ImputeResult ref = reference::Impute(c.raw, c.data, HiddenFlags(c.mask), c.n);
    const reference::ImputeResult got = RunCore(c, 1);
    int deep = 0;
    for (int j = 0; j < c.n; ++j) {
        if (ref.logp[j] < -745.0) ++deep;
        if (std::isinf(ref.logp[j])) EXPECT_EQ(ref.logp[j], got.logp[j]);
        else EXPECT_NEAR(ref.logp[j], got.logp[j], kTolerance * std::fabs(ref.logp[j]));
    }
    EXPECT_GT(deep, 5);
    for (std::size_t e = 0; e < ref.post.size(); ++e) {
        if (std::isnan(ref.post[e])) EXPECT_TRUE(std::isnan(got.post[e]));
        else EXPECT_NEAR(ref.post[e], got.post[e], 1e-9 * ref.post[e]);
    }
}

TEST(ImputeInference, CountsCompletionsOnlyOnCyclesThroughMissingVariables) {
    ModelShape shape;
    shape.rows = 1;
    shape.cols = 2;
    shape.dimension = 6;
    Random random(4);
    reference::RawModel raw = RandomModel(random, shape);
    for (double& r : raw.ranges) r = std::min(r, 3.0);
    // Unit 0 a tree; unit 1 a cycle 0-1-2-0 and a tail 2-3.
    std::vector<double>& g = raw.graph[1];
    std::fill(g.begin(), g.end(), 0.0);
    g[0 + 1 * 6] = g[1 + 2 * 6] = g[2 + 0 * 6] = g[2 + 3 * 6] = 1.0;
    const MapModel view = ViewOf(raw);
    const ImputePlan plan = PrepareImputation(view, 1);
    EXPECT_TRUE(plan.factors[0].forest);
    EXPECT_FALSE(plan.factors[1].forest);
    auto count = [&](std::vector<int> missing) {
        CodeMatrix codes;
        codes.dimension = 6;
        codes.numSamples = 1;
        codes.codes.assign(6, 0);
        for (int i : missing) codes.codes[static_cast<std::size_t>(i)] = kMissingCode;
        return LargestCompletionCount(plan, codes, 1, std::int64_t{1} << 31);
    };
    const auto r = [&](int i) { return static_cast<std::int64_t>(raw.ranges[i]); };
    EXPECT_EQ(count({0, 1, 2, 3, 4}), r(0) * r(1) * r(2) * r(3));
    EXPECT_EQ(count({0, 1, 3}), 1);  // the observed variable 2 cuts the cycle
    EXPECT_EQ(count({}), 1);
    EXPECT_EQ(LargestCompletionCount(plan, CodeMatrix{6, 0, {}}, 2, 100), 1);
}

}  // namespace
}  // namespace tavrix
