// Mixture log-likelihoods against the literal transcription, for every thread
// count, and the rescaled sum where every unit's likelihood underflows.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/log_mixture.hpp"
#include "score/mixture_log_likelihood.hpp"
#include "tests/reference/reference_score.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/differential.hpp"
#include "tests/support/literal_units.hpp"

namespace tavrix {
namespace {

using testing::DataCase;
using testing::SameBits;

constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<double> Fast(const DataCase& c, int threads) {
    std::vector<double> out(static_cast<std::size_t>(c.n), -7.0);
    MixtureLogLikelihood(testing::ViewOf(c.raw), testing::CodesOf(c.raw, c.data), threads,
                         Span<double>(out.data(), out.size()));
    return out;
}

class MixtureMatchesLiteral : public ::testing::TestWithParam<testing::NamedCase> {};

TEST_P(MixtureMatchesLiteral, AtEveryThreadCount) {
    const DataCase c = GetParam().make();
    double average = 0.0;
    std::vector<double> expected;
    reference::MixtureScores(c.raw, c.data.data(), c.n, average, expected);
    testing::ExpectLogsAndMeanAtEveryThreadCount(expected, average, [&c](int threads) { return Fast(c, threads); });
}

// A zero prior; code 0 of variable 0 has probability 0 in every unit, so
// sample 0 gets -Inf and the average +Inf, while the others stand.
DataCase ImpossibleValue() {
    testing::Random random(8);
    DataCase c = testing::SmallCase(random, 3, 3);
    c.raw.pi = {0.0, 0.5, 0.1, 0.1, 0.2, 0.1};
    for (auto& m : c.raw.marginal) m[static_cast<std::size_t>(c.raw.translate[0] - 1.0)] = 0.0;
    c.data[0] = 0.0;
    c.data[3] = c.data[6] = c.raw.ranges[0] > 1 ? 1.0 : 0.0;
    return c;
}

DataCase NoUnits() {
    DataCase c = ImpossibleValue();
    c.raw.numColsMap = 0;
    c.raw.marginal.clear();
    c.raw.intersect.clear();
    c.raw.graph.clear();
    c.raw.pi.clear();
    return c;
}

INSTANTIATE_TEST_SUITE_P(Cases, MixtureMatchesLiteral,
                         ::testing::ValuesIn(testing::SeededCases(
                             "Random", 60, [](std::uint64_t seed) { return testing::RandomCase(seed + 100, 8, 30); },
                             {{"ImpossibleValue", ImpossibleValue}, {"NoUnits", NoUnits}})),
                         testing::CaseName);

TEST(LogMixture, KeepsPlainSumsAndNonFiniteResults) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double logs[] = {-1.0, -kInf, nan, -2.0};
    const double pi[] = {0.25, 0.5, 0.5, 0.125};
    EXPECT_TRUE(SameBits(std::log(0.0 + std::exp(-1.0) * 0.25 + std::exp(-2.0) * 0.125), LogMixture(logs, pi, 4)));
    // A NaN or infinite prior keeps the plain NaN or Inf, even among tiny terms.
    const double tiny[] = {-800.0, -900.0};
    const double nanPi[] = {0.5, nan};
    EXPECT_TRUE(std::isnan(LogMixture(tiny, nanPi, 2)));
    const double infPi[] = {0.5, kInf};
    EXPECT_TRUE(std::isnan(LogMixture(tiny, infPi, 2)));  // exp(-900) x Inf = 0 x Inf
    // Zero priors everywhere: log 0, whatever the scale.
    const double zeroPi[] = {0.0, 0.0};
    EXPECT_EQ(LogMixture(tiny, zeroPi, 2), -kInf);
    // The scale comes from a unit that counts: a zero prior on the best unit does not hide the rest.
    const double skewed[] = {-800.0, -1600.0};
    const double firstZero[] = {0.0, 0.5};
    EXPECT_NEAR(LogMixture(skewed, firstZero, 2), std::log(0.5) - 1600.0, 1e-12 * 1600.0);
    // Subnormal terms: rescaled, and exact to rounding.
    const double low[] = {-720.0, -721.0};
    const double half[] = {0.5, 0.5};
    const double expected = -720.0 + std::log(0.5 + 0.5 * std::exp(-1.0));
    EXPECT_NEAR(LogMixture(low, half, 2), expected, 1e-15 * 720.0);
}

// log(sum_k Pi_k exp(L_k)) in the log domain, from the literal log-likelihoods.
double LogDomainMixture(const reference::RawModel& raw, const double* sample) {
    const testing::LiteralUnits units(raw);
    std::vector<double> terms;
    for (std::size_t k = 0; k < raw.pi.size(); ++k) terms.push_back(std::log(raw.pi[k]) + units.LogLikelihood(k, sample));
    return testing::LogDomainSum(terms);
}

TEST(MixtureLogLikelihood, HundredsOfVariablesStayFinite) {
    testing::Random random(300);
    for (const bool directed : {false, true}) {
        DataCase c = testing::WideCase(random, 2, 3, directed, 8);
        // Small joints make every unit's likelihood underflow: about exp(-300 x 3).
        for (auto& joint : c.raw.intersect)
            for (double& x : joint) x *= 0.05;
        c.raw.pi = {0.3, 0.1, 0.2, 0.15, 0.05, 0.2};
        double average = 0.0;
        std::vector<double> literal;
        reference::MixtureScores(c.raw, c.data.data(), c.n, average, literal);
        const std::vector<double> got = Fast(c, 3);
        for (int j = 0; j < c.n; ++j) {
            const double expected = LogDomainMixture(c.raw, c.data.data() + j * 300);
            EXPECT_EQ(literal[j], -kInf) << "the plain sum was meant to underflow";
            ASSERT_TRUE(std::isfinite(got[j]));
            EXPECT_NEAR(got[j], expected, 1e-12 * std::fabs(expected)) << "sample " << j;
            EXPECT_LT(expected, -745.0);
        }
        EXPECT_TRUE(SameBits(got, Fast(c, 1)));
    }
}

}  // namespace
}  // namespace tavrix
