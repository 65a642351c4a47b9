// Imputation against brute-force enumeration: forests and cycles, both
// factorisations, zero and non-finite factors; exactness at hundreds of
// variables; complete samples against the literal mixture; thread counts.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/compiled_unit.hpp"
#include "core/numeric.hpp"
#include "impute/imputation.hpp"
#include "tests/reference/reference_impute.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/proper_units.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

constexpr double kTolerance = 1e-12;

struct Case {
    reference::RawModel raw;
    std::vector<double> samples;
    std::vector<std::uint8_t> hidden;
    int n = 0;
};

std::vector<std::uint8_t> RandomHidden(Random& random, int d, int n, double share) {
    std::vector<std::uint8_t> hidden(static_cast<std::size_t>(d) * n);
    for (int j = 0; j < n; ++j) {
        // Some columns complete, some wholly missing, the rest at random.
        const double p = j % 7 == 0 ? 0.0 : (j % 7 == 1 ? 1.0 : share);
        for (int i = 0; i < d; ++i) hidden[static_cast<std::size_t>(j) * d + i] = random.Chance(p) ? 1 : 0;
    }
    return hidden;
}

Case MakeCase(std::uint64_t seed, const ModelShape& shape, int n, double share, bool proper) {
    Random random(seed);
    Case c;
    c.raw = RandomModel(random, shape);
    if (proper) {
        MakeProperTrees(random, c.raw, shape.zeroShare);
        NormalisePi(c.raw);
    }
    c.n = n;
    c.samples = RandomSamples(random, c.raw, n, true);
    c.hidden = RandomHidden(random, shape.dimension, n, share);
    return c;
}

reference::ImputeResult RunCore(const Case& c, int threads) {
    const MapModel view = ViewOf(c.raw);
    CodeMatrix codes = CodesOf(c.raw, c.samples);
    for (std::size_t e = 0; e < codes.codes.size(); ++e)
        if (c.hidden[e]) codes.codes[e] = kMissingCode;
    const ImputePlan plan = PrepareImputation(view, threads);
    reference::ImputeResult r;
    r.filled = c.samples;
    for (std::size_t e = 0; e < r.filled.size(); ++e)
        if (c.hidden[e]) r.filled[e] = std::numeric_limits<double>::quiet_NaN();
    r.post.assign(static_cast<std::size_t>(view.numValues) * c.n, -7.0);
    r.logp.assign(static_cast<std::size_t>(c.n), -7.0);
    ImputeOutputs out;
    out.filled = Span<double>(r.filled.data(), r.filled.size());
    out.post = Span<double>(r.post.data(), r.post.size());
    out.logp = Span<double>(r.logp.data(), r.logp.size());
    Impute(view, plan, codes, threads, out);
    return r;
}

// Posteriors to 1e-12 relative. logp to 1e-12 absolute: the relative error of
// the probability it is the log of.
void ExpectAgreement(const Case& c, const reference::ImputeResult& ref, const reference::ImputeResult& got) {
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
            if (!c.hidden[e] || std::isnan(ref.filled[e])) {
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

struct Shape {
    const char* name;
    bool directed, trees, wild;
    double zeros;
};

const Shape kShapes[] = {
    {"undirected forest", false, true, false, 0.15},
    {"directed forest", true, true, false, 0.15},
    {"undirected cycles", false, false, false, 0.1},
    {"directed cycles", true, false, false, 0.1},
    {"undirected wild", false, false, true, 0.2},
    {"directed wild", true, false, true, 0.2},
    {"undirected wild forest", false, true, true, 0.3},
};

TEST(ImputeInference, AgreesWithEnumerationOnRandomTables) {
    for (const Shape& s : kShapes)
        for (std::uint64_t seed = 1; seed <= 6; ++seed) {
            SCOPED_TRACE(std::string(s.name) + " seed " + std::to_string(seed));
            ModelShape shape;
            shape.dimension = 4 + static_cast<int>(seed % 3);
            shape.directed = s.directed;
            shape.treeGraphs = s.trees;
            shape.wildGraphs = s.wild;
            shape.zeroShare = s.zeros;
            const Case c = MakeCase(seed * 101, shape, 28, 0.5, false);
            ExpectAgreement(c, reference::Impute(c.raw, c.samples, c.hidden, c.n), RunCore(c, 1));
        }
}

TEST(ImputeInference, AgreesWithEnumerationOnProperTrees) {
    for (bool directed : {false, true})
        for (std::uint64_t seed = 1; seed <= 5; ++seed) {
            SCOPED_TRACE((directed ? "directed seed " : "undirected seed ") + std::to_string(seed));
            ModelShape shape;
            shape.dimension = 7;
            shape.directed = directed;
            shape.zeroShare = seed % 2 ? 0.2 : 0.0;
            const Case c = MakeCase(seed * 37, shape, 21, 0.4, true);
            const reference::ImputeResult got = RunCore(c, 2);
            ExpectAgreement(c, reference::Impute(c.raw, c.samples, c.hidden, c.n), got);
            // Wholly missing columns (every 7th, from the second): the total mass is 1.
            for (int j = 1; j < c.n; j += 7) EXPECT_NEAR(got.logp[static_cast<std::size_t>(j)], 0.0, kTolerance);
        }
}

TEST(ImputeInference, CompleteSamplesGiveTheLiteralMixtureAndOneHotPosteriors) {
    for (const Shape& s : kShapes) {
        SCOPED_TRACE(s.name);
        ModelShape shape;
        shape.dimension = 6;
        shape.directed = s.directed;
        shape.treeGraphs = s.trees;
        shape.wildGraphs = s.wild;
        shape.zeroShare = s.zeros;
        Case c = MakeCase(5, shape, 30, 0.0, false);
        std::fill(c.hidden.begin(), c.hidden.end(), 0);
        const reference::ImputeResult got = RunCore(c, 3);
        const MapModel view = ViewOf(c.raw);
        const ValueIndexTable table = BuildValueIndexTable(view);
        const CodeMatrix codes = CodesOf(c.raw, c.samples);
        for (int j = 0; j < c.n; ++j) {
            double total = 0.0;
            for (int k = 0; k < view.NumUnits(); ++k) {
                if (!(c.raw.pi[k] > 0.0)) continue;
                const double ll = UnitLogLikelihood(CompileUnit(view, table, k), codes.Column(j));
                if (IsFinite(ll)) total += std::exp(ll) * c.raw.pi[k];
            }
            EXPECT_TRUE(SameBits(std::log(total), got.logp[static_cast<std::size_t>(j)])) << "sample " << j;
            for (int v = 0; v < view.numValues; ++v) {
                const double p = got.post[static_cast<std::size_t>(j) * view.numValues + v];
                EXPECT_TRUE(p == 0.0 || p == 1.0);
            }
        }
        EXPECT_TRUE(SameBits(c.samples, got.filled));
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
        Case c = MakeCase(77, shape, 6, 1.0 / 3.0, true);
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
                if (!c.hidden[static_cast<std::size_t>(j) * d + i] && c.raw.ranges[i] > 1) return i;
            return 0;
        }();
        Case more = c;
        more.hidden[static_cast<std::size_t>(j) * d + extra] = 1;
        const reference::ImputeResult wider = RunCore(more, 1);
        std::vector<double> parts;
        for (int v = 0; v < c.raw.ranges[extra]; ++v) {
            Case fixed = c;
            fixed.samples[static_cast<std::size_t>(j) * d + extra] = v;
            parts.push_back(RunCore(fixed, 1).logp[j]);
        }
        double top = -INFINITY;
        for (double x : parts) top = std::max(top, x);
        double sum = 0.0;
        for (double x : parts) sum += std::exp(x - top);
        EXPECT_NEAR(wider.logp[j], top + std::log(sum), 1e-9 * std::fabs(wider.logp[j]));
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
    Case c = MakeCase(21, shape, 21, 0.3, false);
    for (auto& joint : c.raw.intersect)
        for (double& x : joint) x *= 1e-150;
    const reference::ImputeResult ref = reference::Impute(c.raw, c.samples, c.hidden, c.n);
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

TEST(ImputeInference, NoMassGivesMinusInfinityAndNaNForMissingEntries) {
    ModelShape shape;
    shape.dimension = 5;
    Case c = MakeCase(9, shape, 14, 0.5, false);
    for (double& p : c.raw.pi) p = 0.0;
    c.raw.pi[1] = std::nan("");
    c.raw.pi[2] = -1.0;
    const reference::ImputeResult got = RunCore(c, 1);
    const int d = 5, nv = static_cast<int>(c.raw.numValues);
    for (int j = 0; j < c.n; ++j) {
        EXPECT_EQ(got.logp[j], -INFINITY);
        for (int i = 0; i < d; ++i) {
            const std::size_t e = static_cast<std::size_t>(j) * d + i;
            if (c.hidden[e]) EXPECT_TRUE(std::isnan(got.filled[e]));
            else EXPECT_TRUE(SameBits(c.samples[e], got.filled[e]));
        }
        double ones = 0.0;
        for (int v = 0; v < nv; ++v) {
            const double p = got.post[static_cast<std::size_t>(j) * nv + v];
            if (p == 1.0) ones += 1.0;
        }
        int observed = 0;
        for (int i = 0; i < d; ++i) observed += c.hidden[static_cast<std::size_t>(j) * d + i] ? 0 : 1;
        EXPECT_EQ(ones, observed);
    }
    ExpectAgreement(c, reference::Impute(c.raw, c.samples, c.hidden, c.n), got);
}

TEST(ImputeInference, ResultsAreBitIdenticalForEveryThreadCount) {
    for (const Shape& s : kShapes) {
        SCOPED_TRACE(s.name);
        ModelShape shape;
        shape.dimension = 8;
        shape.directed = s.directed;
        shape.treeGraphs = s.trees;
        shape.wildGraphs = s.wild;
        shape.zeroShare = s.zeros;
        const Case c = MakeCase(13, shape, 23, 0.5, false);
        const reference::ImputeResult one = RunCore(c, 1);
        for (int threads : {2, 3, 8, 64}) {
            const reference::ImputeResult many = RunCore(c, threads);
            EXPECT_TRUE(SameBits(one.filled, many.filled));
            EXPECT_TRUE(SameBits(one.post, many.post));
            EXPECT_TRUE(SameBits(one.logp, many.logp));
        }
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
