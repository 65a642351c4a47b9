// Samples with missing entries in TavrixBest and TavrixScore: their missing
// variables summed out, against the plain enumeration of their completions,
// at every thread count; complete samples beside them keep the literal
// doubles; the batch pass places and scores them alike.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "batch/assignment.hpp"
#include "core/value_index_table.hpp"
#include "score/mixture_log_likelihood.hpp"
#include "tests/reference/reference_score.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/differential.hpp"
#include "winner/best_units.hpp"

namespace tavrix {
namespace {

using testing::DataCase;
using testing::Random;
using testing::SameBits;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Entries of `c` turned NaN at random, each sample keeping at most
// `maxCompletions` completions; the first sample loses every entry it can.
void HideEntries(DataCase& c, Random& random, double share, std::int64_t maxCompletions) {
    const auto d = static_cast<std::size_t>(c.raw.dimension);
    for (std::size_t j = 0; j < static_cast<std::size_t>(c.n); ++j) {
        std::int64_t completions = 1;
        for (std::size_t i = 0; i < d; ++i) {
            const auto range = static_cast<std::int64_t>(c.raw.ranges[i]);
            if ((j == 0 || random.Chance(share)) && completions * range <= maxCompletions) {
                c.data[i + j * d] = kNaN;
                completions *= range;
            }
        }
    }
}

struct Results {
    std::vector<double> best, scores, logs;
};

Results Fast(const DataCase& c, int threads) {
    const MapModel view = testing::ViewOf(c.raw);
    const CodeMatrix codes = testing::CodesOf(c.raw, c.data);
    const auto n = static_cast<std::size_t>(c.n), units = static_cast<std::size_t>(view.NumUnits());
    Results r{std::vector<double>(n, -7.0), std::vector<double>(n * units, -7.0), std::vector<double>(n, -7.0)};
    BestUnits(view, codes, threads, Span<double>(r.best.data(), n), Span<double>(r.scores.data(), r.scores.size()));
    MixtureLogLikelihood(view, codes, threads, Span<double>(r.logs.data(), n));
    return r;
}

// Few completions are enumerated through the compiled units: the literal
// doubles, bit for bit, beside complete samples (RandomCase's zero tables,
// wild graphs and fractional codes included).
class FewCompletions : public ::testing::TestWithParam<testing::NamedCase> {};

TEST_P(FewCompletions, MatchTheEnumerationBitForBit) {
    const DataCase c = GetParam().make();
    std::vector<double> best, scores, logs;
    double average = 0.0;
    reference::BestUnits(c.raw, c.data.data(), c.n, best, &scores);
    reference::MixtureScores(c.raw, c.data.data(), c.n, average, logs);
    for (const int threads : testing::kThreadCounts) {
        const Results r = Fast(c, threads);
        ASSERT_TRUE(SameBits(best, r.best)) << "threads " << threads;
        ASSERT_TRUE(SameBits(scores, r.scores)) << "threads " << threads;
        ASSERT_TRUE(SameBits(logs, r.logs)) << "threads " << threads;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FewCompletions,
                         ::testing::ValuesIn(testing::SeededCases("Random", 40,
                                                                  [](std::uint64_t seed) {
                                                                      DataCase c = testing::RandomCase(seed, 7, 30);
                                                                      Random random(seed + 100);
                                                                      HideEntries(c, random, 0.3, 16);
                                                                      return c;
                                                                  })),
                         testing::CaseName);

// A trained-like map: proper tree tables, distinct priors.
DataCase ProperCase(Random& random, int dimension, int n, bool numbered = false) {
    testing::ModelShape shape;
    shape.rows = 2;
    shape.cols = 3;
    shape.dimension = dimension;
    shape.directed = random.Chance(0.5);
    shape.zeroShare = 0.0;
    DataCase c;
    c.raw = testing::RandomModel(random, shape);
    if (numbered) testing::NumberValuesInVariableOrder(c.raw);
    testing::MakeProper(random, c.raw);
    double total = 0.0;
    for (std::size_t k = 0; k < c.raw.pi.size(); ++k)
        total += c.raw.pi[k] = 1.0 + static_cast<double>(k) + random.Uniform();
    for (double& pi : c.raw.pi) pi /= total;
    c.n = n;
    c.data = testing::RandomSamples(random, c.raw, n, false);
    return c;
}

// Many completions go through message passing: the enumeration's values to
// rounding, the same doubles for every thread count; a sample with every
// entry missing scores log(sum of Pi) = 0 and goes to the unit of largest Pi.
TEST(ManyCompletions, MatchTheEnumerationToRounding) {
    Random random(41);
    for (int trial = 0; trial < 6; ++trial) {
        DataCase c = ProperCase(random, 5 + random.Below(3), 12);
        HideEntries(c, random, 0.7, std::numeric_limits<std::int64_t>::max());
        std::vector<double> best, scores, logs;
        double average = 0.0;
        reference::BestUnits(c.raw, c.data.data(), c.n, best, &scores);
        reference::MixtureScores(c.raw, c.data.data(), c.n, average, logs);
        const Results one = Fast(c, 1);
        for (std::size_t e = 0; e < scores.size(); ++e)
            ASSERT_NEAR(one.scores[e], scores[e], 1e-12 * std::max(1.0, std::fabs(scores[e]))) << "trial " << trial;
        for (std::size_t j = 0; j < logs.size(); ++j)
            ASSERT_NEAR(one.logs[j], logs[j], 1e-12 * std::max(1.0, std::fabs(logs[j]))) << "trial " << trial;
        ASSERT_EQ(best, one.best) << "trial " << trial;
        EXPECT_NEAR(one.logs[0], 0.0, 1e-12);
        EXPECT_EQ(one.best[0], static_cast<double>(c.raw.pi.size()));
        for (const int threads : {2, 3}) {
            const Results r = Fast(c, threads);
            ASSERT_TRUE(SameBits(one.best, r.best) && SameBits(one.scores, r.scores) && SameBits(one.logs, r.logs))
                << "threads " << threads;
        }
    }
}

// The batch pass gives a sample with missing entries the unit and the
// log-likelihood TavrixBest and TavrixScore give it.
TEST(ObservedEvidence, BatchPassAgreesWithBestAndScore) {
    Random random(43);
    for (int trial = 0; trial < 4; ++trial) {
        DataCase c = ProperCase(random, 4 + random.Below(4), 40, true);
        HideEntries(c, random, trial % 2 ? 0.6 : 0.2, std::numeric_limits<std::int64_t>::max());
        const MapModel model = testing::ViewOf(c.raw);
        const CodeMatrix codes = testing::CodesOf(c.raw, c.data);
        const StatisticsLayout layout = MakeStatisticsLayout(BuildValueIndexTable(model), model.NumUnits());
        Statistics stats(layout);
        const auto n = static_cast<std::size_t>(c.n);
        std::vector<std::int32_t> unit(n);
        std::vector<double> batchLogs(n);
        CountStatistics(model, layout, codes, 2, stats.View(),
                        {Span<std::int32_t>(unit.data(), n), Span<double>(batchLogs.data(), n)});
        const Results r = Fast(c, 2);
        for (std::size_t j = 0; j < n; ++j) {
            if (!HasMissing(codes.Column(static_cast<std::int32_t>(j)), codes.dimension)) continue;
            // The batch pass puts a sample no unit explains in the first unit.
            EXPECT_EQ(unit[j] + 1, r.best[j] == 0.0 ? 1.0 : r.best[j]) << "trial " << trial << " sample " << j;
            EXPECT_TRUE(SameBits(batchLogs[j], r.logs[j])) << "trial " << trial << " sample " << j;
        }
    }
}

}  // namespace
}  // namespace tavrix
