// Mixture log-likelihoods against the literal transcription, for every thread
// count, and the rescaled sum where every unit's likelihood underflows.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/log_mixture.hpp"
#include "score/mixture_log_likelihood.hpp"
#include "tests/reference/reference_score.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using testing::SameBits;

constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<double> Fast(const reference::RawModel& raw, const std::vector<double>& samples, int threads) {
    const MapModel view = testing::ViewOf(raw);
    const CodeMatrix codes = testing::CodesOf(raw, samples);
    std::vector<double> out(static_cast<std::size_t>(codes.numSamples), -7.0);
    MixtureLogLikelihood(view, codes, threads, Span<double>(out.data(), out.size()));
    return out;
}

TEST(MixtureLogLikelihood, MatchesLiteralForEveryThreadCount) {
    testing::Random random(41);
    for (int trial = 0; trial < 60; ++trial) {
        const testing::ModelShape shape = testing::RandomShape(random, 8);
        const reference::RawModel raw = testing::RandomModel(random, shape);
        const int n = shape.dimension == 0 ? 0 : random.Below(30);
        const std::vector<double> samples = testing::RandomSamples(random, raw, n, true);
        double average = 0.0;
        std::vector<double> expected;
        reference::MixtureScores(raw, samples.data(), n, average, expected);
        for (int threads : {1, 2, 3, 8}) {
            const std::vector<double> got = Fast(raw, samples, threads);
            ASSERT_TRUE(SameBits(expected, got)) << "trial " << trial << " threads " << threads;
            ASSERT_TRUE(SameBits(average, MeanNegative(Span<const double>(got.data(), got.size()))))
                << "trial " << trial;
        }
    }
}

TEST(MixtureLogLikelihood, UnitsLeftOutAndEmptyMaps) {
    testing::Random random(8);
    testing::ModelShape shape;
    shape.dimension = 3;
    shape.zeroShare = 0.0;
    reference::RawModel raw = testing::RandomModel(random, shape);
    raw.pi = {0.0, 0.5, 0.1, 0.1, 0.2, 0.1};
    std::vector<double> samples = testing::RandomSamples(random, raw, 3, false);
    // Code 0 of variable 0 has probability 0 in every unit: sample 0 gets -Inf, the others stand.
    const int zero = static_cast<int>(raw.translate[0] - 1.0);
    for (auto& m : raw.marginal) m[zero] = 0.0;
    samples[0] = 0.0;
    samples[3] = samples[6] = raw.ranges[0] > 1 ? 1.0 : 0.0;
    const std::vector<double> got = Fast(raw, samples, 2);
    EXPECT_EQ(got[0], -kInf);
    EXPECT_EQ(MeanNegative(Span<const double>(got.data(), 3)), kInf);
    double average = 0.0;
    std::vector<double> expected;
    reference::MixtureScores(raw, samples.data(), 3, average, expected);
    EXPECT_TRUE(SameBits(expected, got));

    // No units: every sample -Inf. No samples: NaN average.
    reference::RawModel empty = raw;
    empty.numColsMap = 0;
    empty.marginal.clear();
    empty.intersect.clear();
    empty.graph.clear();
    empty.pi.clear();
    for (double l : Fast(empty, samples, 3)) EXPECT_EQ(l, -kInf);
    EXPECT_TRUE(std::isnan(MeanNegative(Span<const double>())));
}

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
    const auto d = static_cast<std::int32_t>(raw.dimension);
    const reference::RawTable t = reference::BuildValueIndexTable(raw.ranges.data(), raw.translate.data(), d,
                                                                  static_cast<std::int32_t>(raw.maxRange));
    std::vector<double> terms;
    for (std::size_t k = 0; k < raw.pi.size(); ++k) {
        const double l = reference::UnitLogLikelihood(sample, raw.marginal[k].data(), raw.intersect[k].data(),
                                                      raw.graph[k].data(), t.valueIndexTable.data(), d,
                                                      static_cast<std::int32_t>(raw.maxRange),
                                                      static_cast<std::int32_t>(raw.numValues),
                                                      static_cast<std::int32_t>(raw.rootNode));
        terms.push_back(std::log(raw.pi[k]) + l);
    }
    double top = -kInf;
    for (double x : terms) top = std::max(top, x);
    long double sum = 0.0L;
    for (double x : terms) sum += std::exp(static_cast<long double>(x) - top);
    return top + static_cast<double>(std::log(sum));
}

TEST(MixtureLogLikelihood, HundredsOfVariablesStayFinite) {
    testing::Random random(300);
    for (const bool directed : {false, true}) {
        testing::ModelShape shape;
        shape.rows = 2;
        shape.cols = 3;
        shape.dimension = 300;
        shape.maxRange = 3;
        shape.zeroShare = 0.0;
        shape.directed = directed;
        reference::RawModel raw = testing::RandomModel(random, shape);
        // Small joints make every unit's likelihood underflow: about exp(-300 x 3).
        for (auto& joint : raw.intersect)
            for (double& x : joint) x *= 0.05;
        raw.pi = {0.3, 0.1, 0.2, 0.15, 0.05, 0.2};
        const std::vector<double> samples = testing::RandomSamples(random, raw, 8, true);
        double average = 0.0;
        std::vector<double> literal;
        reference::MixtureScores(raw, samples.data(), 8, average, literal);
        const std::vector<double> got = Fast(raw, samples, 3);
        for (int j = 0; j < 8; ++j) {
            const double expected = LogDomainMixture(raw, samples.data() + j * 300);
            EXPECT_EQ(literal[j], -kInf) << "the plain sum was meant to underflow";
            ASSERT_TRUE(std::isfinite(got[j]));
            EXPECT_NEAR(got[j], expected, 1e-12 * std::fabs(expected)) << "sample " << j;
            EXPECT_LT(expected, -745.0);
        }
        EXPECT_TRUE(SameBits(got, Fast(raw, samples, 1)));
    }
}

}  // namespace
}  // namespace tavrix
