// Held-out log-probabilities against the literal transcription for every
// thread count, their degenerate cases, and the rescaled sums where the
// likelihoods of hundreds of variables underflow.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include <gtest/gtest.h>

#include "holes/held_out.hpp"
#include "core/log_mixture.hpp"
#include "tests/reference/reference_holes.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/differential.hpp"
#include "tests/support/literal_units.hpp"

namespace tavrix {
namespace {

using testing::DataCase;
using testing::SameBits;

constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<double> Fast(const DataCase& c, int threads) {
    const std::vector<std::uint8_t> hidden = testing::HiddenFlags(c.mask);
    std::vector<double> out(static_cast<std::size_t>(c.n), -7.0);
    HeldOutLogProbabilities(testing::ViewOf(c.raw), testing::CodesOf(c.raw, c.data),
                            Span<const std::uint8_t>(hidden.data(), hidden.size()), threads,
                            Span<double>(out.data(), out.size()));
    return out;
}

class HeldOutMatchesLiteral : public ::testing::TestWithParam<testing::NamedCase> {};

TEST_P(HeldOutMatchesLiteral, AtEveryThreadCount) {
    const DataCase c = GetParam().make();
    double mean = 0.0;
    std::vector<double> expected;
    reference::HeldOut(c.raw, c.data.data(), c.mask.data(), c.n, mean, expected);
    testing::ExpectLogsAndMeanAtEveryThreadCount(expected, mean, [&c](int threads) { return Fast(c, threads); });
}

// Proper units on four variables, three samples, nothing hidden: every masked
// log-likelihood is 0 and the posterior sums to 1.
DataCase NothingHidden() {
    testing::Random random(62);
    DataCase c = testing::SmallCase(random, 4, 3);
    testing::MakeProper(random, c.raw);
    return c;
}

// Every prior 0: S = 0 and every posterior 0/0.
DataCase NoPrior() {
    DataCase c = NothingHidden();
    std::fill(c.raw.pi.begin(), c.raw.pi.end(), 0.0);
    c.mask[1] = 0.0;
    return c;
}

// A hidden value with probability 0 in every unit: no unit adds anything.
DataCase ImpossibleHiddenValue() {
    DataCase c = NothingHidden();
    for (auto& m : c.raw.marginal) m[static_cast<std::size_t>(c.raw.translate[0] - 1.0)] = 0.0;
    c.data[0] = 0.0;
    c.mask[0] = -0.0;
    return c;
}

INSTANTIATE_TEST_SUITE_P(Cases, HeldOutMatchesLiteral,
                         ::testing::ValuesIn(testing::SeededCases(
                             "Random", 60, [](std::uint64_t seed) { return testing::RandomCase(seed + 200, 7, 12); },
                             {{"NothingHidden", NothingHidden}, {"NoPrior", NoPrior},
                              {"ImpossibleHiddenValue", ImpossibleHiddenValue}})),
                         testing::CaseName);

// The held-out log-probability of one sample with every sum in the log domain.
double LogDomainHeldOut(const reference::RawModel& raw, const double* x, const double* mask) {
    const testing::LiteralUnits units(raw);
    const auto d = static_cast<std::size_t>(raw.dimension);
    std::vector<std::size_t> hiddenList;
    for (std::size_t i = 0; i < d; ++i)
        if (mask[i] == 0.0) hiddenList.push_back(i);
    std::vector<double> logPrior(raw.pi.size());
    for (std::size_t k = 0; k < raw.pi.size(); ++k) {
        std::vector<double> work(x, x + d), completions;
        std::vector<int> digits(hiddenList.size(), 0);
        for (bool more = true; more;) {
            for (std::size_t p = 0; p < hiddenList.size(); ++p) work[hiddenList[p]] = digits[p];
            completions.push_back(units.LogLikelihood(k, work.data()));
            more = false;
            for (std::size_t p = 0; p < digits.size() && !more; ++p) {
                if (++digits[p] < units.Table().rangeCounts[hiddenList[p]]) more = true;
                else digits[p] = 0;
            }
        }
        logPrior[k] = std::log(raw.pi[k]) + testing::LogDomainSum(completions);
    }
    const double logS = testing::LogDomainSum(logPrior);
    std::vector<double> terms;
    for (std::size_t k = 0; k < raw.pi.size(); ++k) terms.push_back(units.Masked(k, x, mask) + (logPrior[k] - logS));
    return testing::LogDomainSum(terms);
}

// The rescaled sums against the log domain, at 1 and 2 threads. Returns per
// sample the literal sum (which may underflow) and the log-domain result.
std::vector<std::pair<double, double>> ExpectLogDomainResults(const DataCase& c) {
    double mean = 0.0;
    std::vector<double> literal;
    reference::HeldOut(c.raw, c.data.data(), c.mask.data(), c.n, mean, literal);
    const std::vector<double> got = Fast(c, 2);
    std::vector<std::pair<double, double>> results;
    for (int j = 0; j < c.n; ++j) {
        const double expected = LogDomainHeldOut(c.raw, c.data.data() + j * 300, c.mask.data() + j * 300);
        EXPECT_NEAR(got[j], expected, 1e-12 * std::max(1.0, std::fabs(expected))) << "sample " << j;
        results.emplace_back(literal[j], expected);
    }
    EXPECT_TRUE(SameBits(got, Fast(c, 1)));
    return results;
}

TEST(HeldOut, HundredsOfVariablesStayFinite) {
    testing::Random random(63);
    for (const bool directed : {false, true}) {
        for (const bool manyHidden : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "directed " << directed << " many hidden " << manyHidden);
            DataCase c = testing::WideCase(random, 2, 2, directed, 3);
            for (auto& joint : c.raw.intersect)
                for (double& v : joint) v *= 1e-3;
            c.raw.pi = {0.4, 0.1, 0.3, 0.2};
            // Single-valued variables add hidden factors without adding completions.
            for (int i = 0; i < 200; ++i) c.raw.ranges[i] = 1.0;
            c.data = testing::RandomSamples(random, c.raw, c.n, true);
            for (int j = 0; j < c.n; ++j) {
                int wide = 0;
                for (int i = 0; i < 300; ++i) {
                    if (manyHidden && c.raw.ranges[i] == 1.0) c.mask[i + j * 300] = 0.0;
                    if (c.raw.ranges[i] > 1.0 && wide < 4 && random.Chance(0.1)) {
                        c.mask[i + j * 300] = -0.0;
                        ++wide;
                    }
                }
            }
            for (const auto& [literal, expected] : ExpectLogDomainResults(c)) {
                EXPECT_FALSE(std::isfinite(literal)) << "the plain sums were meant to underflow";
                // Few hidden values: only the evidence underflows; many: the final mixture too.
                EXPECT_EQ(manyHidden, expected < -745.0);
            }
        }
    }
}

TEST(HeldOut, OneUnitUnderflowingAmongOthers) {
    // Unit 0 a proper distribution (likelihoods near exp(-200)), unit 1 the
    // same with tiny joints (near exp(-2000)): only unit 1's evidence
    // underflows, and the literal sum stays close.
    testing::Random random(64);
    DataCase c = testing::WideCase(random, 1, 2, false, 2);
    testing::MakeProper(random, c.raw);
    for (double& v : c.raw.intersect[1]) v *= 1e-3;
    c.raw.pi = {0.5, 0.5};
    for (int j = 0; j < c.n; ++j)
        for (const int i : {4, 100, 250}) c.mask[i + j * 300] = 0.0;
    for (const auto& [literal, expected] : ExpectLogDomainResults(c))
        EXPECT_NEAR(literal, expected, 1e-12 * std::max(1.0, std::fabs(expected)));
}

}  // namespace
}  // namespace tavrix
