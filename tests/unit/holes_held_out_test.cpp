// Held-out log-probabilities against the literal transcription for every
// thread count, their degenerate cases, and the rescaled sums where the
// likelihoods of hundreds of variables underflow.
#include <algorithm>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "holes/held_out.hpp"
#include "core/log_mixture.hpp"
#include "tests/reference/reference_holes.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using testing::SameBits;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<double> Fast(const reference::RawModel& raw, const std::vector<double>& data,
                         const std::vector<double>& mask, int threads) {
    const MapModel view = testing::ViewOf(raw);
    const CodeMatrix codes = testing::CodesOf(raw, data);
    std::vector<std::uint8_t> hidden;
    for (double m : mask) hidden.push_back(m == 0.0 ? 1 : 0);
    std::vector<double> out(static_cast<std::size_t>(codes.numSamples), -7.0);
    HeldOutLogProbabilities(view, codes, Span<const std::uint8_t>(hidden.data(), hidden.size()), threads,
                            Span<double>(out.data(), out.size()));
    return out;
}

std::vector<double> RandomMask(testing::Random& random, std::size_t count, double hiddenShare) {
    const double observed[] = {1.0, kNaN, 0.5, -2.0, 1e-310, HUGE_VAL};
    std::vector<double> mask;
    for (std::size_t e = 0; e < count; ++e)
        mask.push_back(random.Chance(hiddenShare) ? (random.Chance(0.5) ? 0.0 : -0.0) : observed[random.Below(6)]);
    return mask;
}

TEST(HeldOut, MatchesLiteralForEveryThreadCount) {
    testing::Random random(61);
    for (int trial = 0; trial < 60; ++trial) {
        const testing::ModelShape shape = testing::RandomShape(random, 7);
        reference::RawModel raw = testing::RandomModel(random, shape);
        if (random.Chance(0.3)) testing::MakeProper(random, raw);
        const int n = shape.dimension == 0 ? 0 : random.Below(12);
        const std::vector<double> data = testing::RandomSamples(random, raw, n, true);
        const double share = random.Chance(0.15) ? 1.0 : (random.Chance(0.15) ? 0.0 : 0.4);
        const std::vector<double> mask = RandomMask(random, data.size(), share);
        double mean = 0.0;
        std::vector<double> expected;
        reference::HeldOut(raw, data.data(), mask.data(), n, mean, expected);
        for (int threads : {1, 2, 3, 8}) {
            const std::vector<double> got = Fast(raw, data, mask, threads);
            ASSERT_TRUE(SameBits(expected, got)) << "trial " << trial << " threads " << threads;
            ASSERT_TRUE(SameBits(mean, MeanNegative(Span<const double>(got.data(), got.size())))) << "trial " << trial;
        }
    }
}

TEST(HeldOut, DegenerateSamples) {
    testing::Random random(62);
    testing::ModelShape shape;
    shape.dimension = 4;
    shape.zeroShare = 0.0;
    reference::RawModel raw = testing::RandomModel(random, shape);
    testing::MakeProper(random, raw);
    const std::vector<double> data = testing::RandomSamples(random, raw, 3, false);
    // Nothing hidden: every masked log-likelihood is 0 and the posterior sums to 1.
    const std::vector<double> observed(12, 1.0);
    for (double l : Fast(raw, data, observed, 2)) EXPECT_NEAR(l, 0.0, 1e-15);
    // Every prior 0: S = 0 and every posterior 0/0, so NaN.
    reference::RawModel noPrior = raw;
    std::fill(noPrior.pi.begin(), noPrior.pi.end(), 0.0);
    std::vector<double> mask(12, 1.0);
    mask[1] = 0.0;
    for (double l : Fast(noPrior, data, mask, 1)) EXPECT_TRUE(std::isnan(l));
    // A hidden value with probability 0 in every unit: no unit adds anything, -Inf.
    reference::RawModel zero = raw;
    const int index = static_cast<int>(raw.translate[0] - 1.0);
    for (auto& m : zero.marginal) m[index] = 0.0;
    std::vector<double> codes(data);
    codes[0] = 0.0;
    mask.assign(12, 1.0);
    mask[0] = -0.0;
    EXPECT_EQ(Fast(zero, codes, mask, 1)[0], -kInf);
    double mean = 0.0;
    std::vector<double> expected;
    reference::HeldOut(zero, codes.data(), mask.data(), 3, mean, expected);
    EXPECT_TRUE(SameBits(expected, Fast(zero, codes, mask, 3)));
}

// log of sum over `terms`, in the log domain.
double LogSumExp(const std::vector<double>& terms) {
    double top = -kInf;
    for (double x : terms)
        if (std::isfinite(x)) top = std::max(top, x);
    long double sum = 0.0L;
    for (double x : terms)
        if (std::isfinite(x)) sum += std::exp(static_cast<long double>(x) - top);
    return top + static_cast<double>(std::log(sum));
}

// The held-out log-probability of one sample with every sum in the log domain.
double LogDomainHeldOut(const reference::RawModel& raw, const double* x, const double* mask) {
    const auto d = static_cast<std::int32_t>(raw.dimension);
    const auto maxRange = static_cast<std::int32_t>(raw.maxRange);
    const reference::RawTable t = reference::BuildValueIndexTable(raw.ranges.data(), raw.translate.data(), d, maxRange);
    std::vector<int> hiddenList;
    for (int i = 0; i < d; ++i)
        if (mask[i] == 0.0) hiddenList.push_back(i);
    auto unitLog = [&](std::size_t k, const double* sample) {
        return reference::UnitLogLikelihood(sample, raw.marginal[k].data(), raw.intersect[k].data(),
                                            raw.graph[k].data(), t.valueIndexTable.data(), d, maxRange,
                                            static_cast<std::int32_t>(raw.numValues),
                                            static_cast<std::int32_t>(raw.rootNode));
    };
    std::vector<double> logPrior(raw.pi.size());
    for (std::size_t k = 0; k < raw.pi.size(); ++k) {
        std::vector<double> work(x, x + d), completions;
        std::vector<int> digits(hiddenList.size(), 0);
        for (bool more = true; more;) {
            for (std::size_t p = 0; p < hiddenList.size(); ++p) work[hiddenList[p]] = digits[p];
            completions.push_back(unitLog(k, work.data()));
            more = false;
            for (std::size_t p = 0; p < digits.size() && !more; ++p) {
                if (++digits[p] < t.rangeCounts[hiddenList[p]]) more = true;
                else digits[p] = 0;
            }
        }
        logPrior[k] = std::log(raw.pi[k]) + LogSumExp(completions);
    }
    const double logS = LogSumExp(logPrior);
    std::vector<double> terms;
    for (std::size_t k = 0; k < raw.pi.size(); ++k) {
        const double masked = reference::MaskedLogLikelihood(x, mask, raw.marginal[k].data(), raw.intersect[k].data(),
                                                             raw.graph[k].data(), t.valueIndexTable.data(), d, maxRange,
                                                             static_cast<std::int32_t>(raw.numValues),
                                                             static_cast<std::int32_t>(raw.rootNode));
        terms.push_back(masked + (logPrior[k] - logS));
    }
    return LogSumExp(terms);
}

TEST(HeldOut, HundredsOfVariablesStayFinite) {
    testing::Random random(63);
    for (const bool directed : {false, true}) {
        for (const bool manyHidden : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "directed " << directed << " many hidden " << manyHidden);
            testing::ModelShape shape;
            shape.rows = 2;
            shape.cols = 2;
            shape.dimension = 300;
            shape.maxRange = 3;
            shape.zeroShare = 0.0;
            shape.directed = directed;
            reference::RawModel raw = testing::RandomModel(random, shape);
            for (auto& joint : raw.intersect)
                for (double& v : joint) v *= 1e-3;
            raw.pi = {0.4, 0.1, 0.3, 0.2};
            // Single-valued variables add hidden factors without adding completions.
            for (int i = 0; i < 200; ++i) raw.ranges[i] = 1.0;
            const int n = 3;
            const std::vector<double> data = testing::RandomSamples(random, raw, n, true);
            std::vector<double> mask(data.size(), 1.0);
            for (int j = 0; j < n; ++j) {
                int wide = 0;
                for (int i = 0; i < 300; ++i) {
                    if (manyHidden && raw.ranges[i] == 1.0) mask[i + j * 300] = 0.0;
                    if (raw.ranges[i] > 1.0 && wide < 4 && random.Chance(0.1)) {
                        mask[i + j * 300] = -0.0;
                        ++wide;
                    }
                }
            }
            double mean = 0.0;
            std::vector<double> literal;
            reference::HeldOut(raw, data.data(), mask.data(), n, mean, literal);
            const std::vector<double> got = Fast(raw, data, mask, 2);
            for (int j = 0; j < n; ++j) {
                const double expected = LogDomainHeldOut(raw, data.data() + j * 300, mask.data() + j * 300);
                EXPECT_FALSE(std::isfinite(literal[j])) << "the plain sums were meant to underflow";
                ASSERT_TRUE(std::isfinite(got[j])) << "sample " << j;
                EXPECT_NEAR(got[j], expected, 1e-12 * std::max(1.0, std::fabs(expected))) << "sample " << j;
                // Few hidden values: only the evidence underflows; many: the final mixture too.
                if (manyHidden) {
                    EXPECT_LT(expected, -745.0);
                } else {
                    EXPECT_GT(expected, -745.0);
                }
            }
            EXPECT_TRUE(SameBits(got, Fast(raw, data, mask, 1)));
        }
    }
}

TEST(HeldOut, OneUnitUnderflowingAmongOthers) {
    // Unit 0 a proper distribution (likelihoods near exp(-200)), unit 1 the
    // same with tiny joints (near exp(-2000)): only unit 1's evidence underflows.
    testing::Random random(64);
    testing::ModelShape shape;
    shape.rows = 1;
    shape.cols = 2;
    shape.dimension = 300;
    shape.maxRange = 3;
    shape.zeroShare = 0.0;
    reference::RawModel raw = testing::RandomModel(random, shape);
    testing::MakeProper(random, raw);
    for (double& v : raw.intersect[1]) v *= 1e-3;
    raw.pi = {0.5, 0.5};
    const std::vector<double> data = testing::RandomSamples(random, raw, 2, false);
    std::vector<double> mask(data.size(), 1.0);
    for (int j = 0; j < 2; ++j)
        for (int i : {4, 100, 250}) mask[i + j * 300] = 0.0;
    double mean = 0.0;
    std::vector<double> literal;
    reference::HeldOut(raw, data.data(), mask.data(), 2, mean, literal);
    const std::vector<double> got = Fast(raw, data, mask, 2);
    for (int j = 0; j < 2; ++j) {
        const double expected = LogDomainHeldOut(raw, data.data() + j * 300, mask.data() + j * 300);
        EXPECT_NEAR(got[j], expected, 1e-12 * std::max(1.0, std::fabs(expected)));
        EXPECT_NEAR(literal[j], expected, 1e-12 * std::max(1.0, std::fabs(expected)));
    }
}

}  // namespace
}  // namespace tavrix
