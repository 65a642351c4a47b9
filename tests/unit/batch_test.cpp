// Batch training: the fast pass and update against the literal epoch, for
// every thread count; statistics that add up over splits; proper tables.
#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "batch/assignment.hpp"
#include "batch/baseline.hpp"
#include "batch/batch_training.hpp"
#include "batch/held_out.hpp"
#include "batch/sparse_counts.hpp"
#include "batch/soft_weights.hpp"
#include "batch/sparse_scoring.hpp"
#include "batch/update.hpp"
#include "core/compact_tables.hpp"
#include "core/compiled_map.hpp"
#include "core/value_index_table.hpp"
#include "tests/reference/reference_batch.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

reference::RawModel ProperModel(Random& random, int rows, int cols, int dimension, bool directed, int maxRange = 3) {
    ModelShape shape;
    shape.rows = rows;
    shape.cols = cols;
    shape.dimension = dimension;
    shape.maxRange = maxRange;
    shape.directed = directed;
    shape.zeroShare = 0.0;
    reference::RawModel model = RandomModel(random, shape);
    MakeProper(random, model);
    for (double& pi : model.pi) pi = 0.05 + random.Uniform();
    return model;
}

StatisticsLayout LayoutOf(const reference::RawModel& raw) {
    const MapModel model = ViewOf(raw);
    return MakeStatisticsLayout(BuildValueIndexTable(model), model.NumUnits());
}

struct FastCounts {
    Statistics stats;
    std::vector<std::int32_t> best;
    std::vector<double> logLikelihood;
};

FastCounts CountFast(const reference::RawModel& raw, const CodeMatrix& codes, int threads,
                     AssignmentMode mode = AssignmentMode::kHard) {
    const MapModel model = ViewOf(raw);
    const StatisticsLayout layout = LayoutOf(raw);
    const auto n = static_cast<std::size_t>(codes.numSamples);
    FastCounts out{Statistics(layout), std::vector<std::int32_t>(n), std::vector<double>(n)};
    const AssignmentResults results{Span<std::int32_t>(out.best.data(), n), Span<double>(out.logLikelihood.data(), n)};
    if (threads == 2) {
        // Stored over what the statistics held.
        for (std::vector<double>* a : {&out.stats.count, &out.stats.values, &out.stats.pairs})
            std::fill(a->begin(), a->end(), 7.0);
        StoreStatistics(model, layout, codes, threads, out.stats.View(), results, nullptr, mode);
    } else {
        CountStatistics(model, layout, codes, threads, out.stats.View(), results, nullptr, mode);
    }
    return out;
}

reference::RawModel UpdateFast(const reference::RawModel& raw, const Statistics& stats, double radius, double prior,
                               int threads) {
    reference::RawModel out = raw;
    const TrainedTables tables = TablesOf(out);
    UpdateMap(ViewOfTables(ViewOf(raw), tables), LayoutOf(raw), stats.ConstView(), radius, prior, threads, tables);
    return out;
}

class BatchEpoch : public ::testing::TestWithParam<int> {};

// The literal update of `expected` against the fast one of `stats`, at a random radius and prior.
void ExpectSameUpdate(Random& random, const reference::RawModel& raw, const reference::BatchCounts& expected,
                      const Statistics& stats, int threads, int trial) {
    const double radius = std::vector<double>{0.2, 0.7, 1.0, 2.5}[static_cast<std::size_t>(random.Below(4))];
    const double prior = 0.5 + 4.0 * random.Uniform();
    const reference::RawModel literal = reference::UpdateBatch(raw, expected, radius, prior);
    const reference::RawModel updated = UpdateFast(raw, stats, radius, prior, threads);
    for (std::size_t k = 0; k < raw.marginal.size(); ++k) {
        ASSERT_TRUE(SameBits(literal.marginal[k], updated.marginal[k])) << "trial " << trial << " unit " << k;
        ASSERT_TRUE(SameBits(literal.intersect[k], updated.intersect[k])) << "trial " << trial << " unit " << k;
        ASSERT_TRUE(SameBits(literal.mutual[k], updated.mutual[k])) << "trial " << trial << " unit " << k;
        ASSERT_TRUE(SameBits(literal.graph[k], updated.graph[k])) << "trial " << trial << " unit " << k;
    }
    ASSERT_TRUE(SameBits(literal.pi, updated.pi)) << "trial " << trial;
    ASSERT_TRUE(SameBits(literal.numVictories, updated.numVictories)) << "trial " << trial;
}

bool CountedSparsely(const reference::RawModel& raw) {
    const MapModel model = ViewOf(raw);
    const ValueIndexTable table = BuildValueIndexTable(model);
    return WorthCountingSparsely(model, table, ModelBaselines(model, table));
}

// One epoch on `samples`, the fast pass and update against the literal ones,
// bit for bit; returns the updated model.
reference::RawModel ExpectEpochMatchesLiteral(const reference::RawModel& raw, const std::vector<double>& samples,
                                              int n, double radius, double prior, int threads) {
    const reference::BatchCounts expected = reference::CountBatch(raw, samples.data(), n);
    const FastCounts fast = CountFast(raw, CodesOf(raw, samples), threads);
    EXPECT_TRUE(SameBits(expected.count, fast.stats.count));
    EXPECT_TRUE(SameBits(expected.values, fast.stats.values));
    EXPECT_TRUE(SameBits(expected.pairs, fast.stats.pairs));
    EXPECT_EQ(expected.best, fast.best);
    EXPECT_TRUE(SameBits(expected.logLikelihood, fast.logLikelihood));

    const reference::RawModel literal = reference::UpdateBatch(raw, expected, radius, prior);
    const reference::RawModel updated = UpdateFast(raw, fast.stats, radius, prior, threads);
    for (std::size_t k = 0; k < raw.marginal.size(); ++k) {
        EXPECT_TRUE(SameBits(literal.marginal[k], updated.marginal[k])) << "unit " << k;
        EXPECT_TRUE(SameBits(literal.intersect[k], updated.intersect[k])) << "unit " << k;
        EXPECT_TRUE(SameBits(literal.mutual[k], updated.mutual[k])) << "unit " << k;
        EXPECT_TRUE(SameBits(literal.graph[k], updated.graph[k])) << "unit " << k;
    }
    EXPECT_TRUE(SameBits(literal.pi, updated.pi));
    EXPECT_TRUE(SameBits(literal.numVictories, updated.numVictories));
    return updated;
}

// Both ways of counting; units with a zero in their tables, scored by the
// plain sum; values off their baselines in most samples or in few.
TEST_P(BatchEpoch, PassAndUpdateMatchTheLiteralEpochBitForBit) {
    Random random(17);
    int sparseTrials = 0;
    for (int trial = 0; trial < 16; ++trial) {
        SCOPED_TRACE(trial);
        reference::RawModel raw = ProperModel(random, 1 + random.Below(3), 1 + random.Below(4), 2 + random.Below(6),
                                              random.Chance(0.5), trial % 4 == 2 ? 12 : 3);
        if (trial % 4 == 3) {
            std::vector<double>& marginal =
                raw.marginal[static_cast<std::size_t>(random.Below(static_cast<int>(raw.marginal.size())))];
            marginal[static_cast<std::size_t>(random.Below(static_cast<int>(marginal.size())))] = 0.0;
        }
        sparseTrials += CountedSparsely(raw) ? 1 : 0;
        const int n = 1 + random.Below(40);
        const std::vector<double> samples = RandomSamples(random, raw, n, false);
        const reference::BatchCounts expected = reference::CountBatch(raw, samples.data(), n);
        const FastCounts fast = CountFast(raw, CodesOf(raw, samples), GetParam());
        ASSERT_TRUE(SameBits(expected.count, fast.stats.count)) << "trial " << trial;
        ASSERT_TRUE(SameBits(expected.values, fast.stats.values)) << "trial " << trial;
        ASSERT_TRUE(SameBits(expected.pairs, fast.stats.pairs)) << "trial " << trial;
        ASSERT_EQ(expected.best, fast.best) << "trial " << trial;
        ASSERT_TRUE(SameBits(expected.logLikelihood, fast.logLikelihood)) << "trial " << trial;

        ExpectSameUpdate(random, raw, expected, fast.stats, GetParam(), trial);
    }
    EXPECT_GT(sparseTrials, 0);
    EXPECT_LT(sparseTrials, 16);
}

// A hexagonal map smooths with its own distances, as the literal epoch does;
// the same map on the rectangular lattice comes out different.
TEST_P(BatchEpoch, HexagonalMapsMatchTheLiteralEpochBitForBit) {
    Random random(23);
    for (int trial = 0; trial < 8; ++trial) {
        SCOPED_TRACE(trial);
        reference::RawModel raw =
            ProperModel(random, 2 + random.Below(3), 2 + random.Below(3), 2 + random.Below(5), random.Chance(0.5));
        raw.hexagonal = true;
        const int n = 10 + random.Below(40);
        const std::vector<double> samples = RandomSamples(random, raw, n, false);
        const double radius = 0.8 + random.Uniform();
        const reference::RawModel hexagonal = ExpectEpochMatchesLiteral(raw, samples, n, radius, 2.0, GetParam());
        raw.hexagonal = false;
        const reference::RawModel rectangular = ExpectEpochMatchesLiteral(raw, samples, n, radius, 2.0, GetParam());
        if (HasFailure()) return;
        bool differs = false;
        for (std::size_t k = 0; k < raw.marginal.size(); ++k)
            differs = differs || !SameBits(hexagonal.marginal[k], rectangular.marginal[k]);
        EXPECT_TRUE(differs);
    }
}

// Soft assignment against the literal soft pass, with missing entries (few
// enough to be enumerated), both ways of counting, and the update of the
// fractional counts.
TEST_P(BatchEpoch, SoftPassAndUpdateMatchTheLiteralEpochBitForBit) {
    Random random(23);
    int sparseTrials = 0;
    for (int trial = 0; trial < 16; ++trial) {
        const int maxRange = trial % 4 == 2 ? 12 : 3;
        reference::RawModel raw = ProperModel(random, 1 + random.Below(3), 1 + random.Below(4), 2 + random.Below(6),
                                              random.Chance(0.5), maxRange);
        // Flat units share their samples out widely; a low temperature leaves one unit most.
        if (trial % 3 == 1)
            for (double& p : raw.pi) p = 1.0;
        sparseTrials += CountedSparsely(raw) ? 1 : 0;
        const int n = 1 + random.Below(40);
        std::vector<double> samples = RandomSamples(random, raw, n, false);
        const auto d = static_cast<std::size_t>(raw.dimension);
        for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j) {
            const int holes = random.Below(maxRange > 3 ? 2 : 3);
            for (int h = 0; h < holes; ++h)
                samples[j * d + static_cast<std::size_t>(random.Below(static_cast<int>(d)))] = -1;
        }
        CodeMatrix codes = CodesOf(raw, std::vector<double>(samples.size(), 0.0));
        for (std::size_t e = 0; e < samples.size(); ++e)
            codes.codes[e] = samples[e] < 0 ? kMissingCode : static_cast<std::int32_t>(samples[e]);
        const reference::BatchCounts expected =
            reference::CountSoftBatch(raw, samples.data(), n, kSoftWeightBits, kSoftCutoff);
        const FastCounts fast = CountFast(raw, codes, GetParam(), AssignmentMode::kSoft);
        ASSERT_TRUE(SameBits(expected.count, fast.stats.count)) << "trial " << trial;
        ASSERT_TRUE(SameBits(expected.values, fast.stats.values)) << "trial " << trial;
        ASSERT_TRUE(SameBits(expected.pairs, fast.stats.pairs)) << "trial " << trial;
        ASSERT_EQ(expected.best, fast.best) << "trial " << trial;
        ASSERT_TRUE(SameBits(expected.logLikelihood, fast.logLikelihood)) << "trial " << trial;
        // The mixture log-likelihood is that of hard assignment.
        const FastCounts hard = CountFast(raw, codes, GetParam());
        ASSERT_TRUE(SameBits(hard.logLikelihood, fast.logLikelihood)) << "trial " << trial;
        ASSERT_EQ(hard.best, fast.best) << "trial " << trial;
        ExpectSameUpdate(random, raw, expected, fast.stats, GetParam(), trial);
    }
    EXPECT_GT(sparseTrials, 0);
    EXPECT_LT(sparseTrials, 16);
}

// Samples with missing entries, many (summed out by inference) or few: whole
// counts (of the soft quantum under soft assignment) that add up over any
// split, and the same for every thread count.
TEST_P(BatchEpoch, StatisticsOfPartsAddUpToTheWhole) {
    Random random(29);
    for (int trial = 0; trial < 12; ++trial) {
        const AssignmentMode mode = trial % 2 == 0 ? AssignmentMode::kHard : AssignmentMode::kSoft;
        const reference::RawModel raw = ProperModel(random, 2, 3, 3 + random.Below(5), trial % 4 >= 2);
        const int n = 30 + random.Below(30);
        const std::vector<double> samples = RandomSamples(random, raw, n, false);
        CodeMatrix codes = CodesOf(raw, samples);
        for (std::int32_t& c : codes.codes)
            if (random.Chance(0.25)) c = kMissingCode;
        const FastCounts whole = CountFast(raw, codes, GetParam(), mode);
        const FastCounts single = CountFast(raw, codes, 1, mode);
        ASSERT_TRUE(SameBits(single.stats.pairs, whole.stats.pairs));
        ASSERT_TRUE(SameBits(single.logLikelihood, whole.logLikelihood));

        const std::int32_t cut = random.Below(n + 1);
        CodeMatrix head = codes, tail = codes;
        const auto d = static_cast<std::size_t>(codes.dimension);
        head.numSamples = cut;
        head.codes.resize(d * static_cast<std::size_t>(cut));
        tail.numSamples = n - cut;
        tail.codes.erase(tail.codes.begin(),
                         tail.codes.begin() + static_cast<std::ptrdiff_t>(d * static_cast<std::size_t>(cut)));
        const FastCounts first = CountFast(raw, head, GetParam(), mode);
        const FastCounts second = CountFast(raw, tail, GetParam(), mode);
        auto sum = [](std::vector<double> a, const std::vector<double>& b) {
            for (std::size_t e = 0; e < a.size(); ++e) a[e] += b[e];
            return a;
        };
        ASSERT_TRUE(SameBits(whole.stats.count, sum(first.stats.count, second.stats.count)));
        ASSERT_TRUE(SameBits(whole.stats.values, sum(first.stats.values, second.stats.values)));
        ASSERT_TRUE(SameBits(whole.stats.pairs, sum(first.stats.pairs, second.stats.pairs)));
        double total = 0.0;
        for (double c : whole.stats.count) total += c;
        ASSERT_EQ(total, n);
        if (mode == AssignmentMode::kSoft) {
            int shared = 0;  // samples spread over several units
            for (double c : whole.stats.count) shared += c != std::floor(c) ? 1 : 0;
            ASSERT_GT(shared, 0) << "trial " << trial;
        }
    }
}

// Quantised weights: whole quanta summing to exactly 1, on the units the
// literal rule picks, for spreads, ties, impossible and NaN scores.
TEST(SoftWeights, SumToOneExactlyAsTheLiteralRuleSplitsThem) {
    Random random(61);
    SoftWeightScratch scratch;
    std::vector<UnitWeight> weights;
    for (int trial = 0; trial < 400; ++trial) {
        const auto units = static_cast<std::size_t>(1 + random.Below(40));
        const double spread = std::vector<double>{0.0, 1e-3, 1.0, 10.0, 100.0}[static_cast<std::size_t>(trial % 5)];
        std::vector<double> logs(units), logPi(units), scores(units);
        for (std::size_t k = 0; k < units; ++k) {
            logs[k] = -50.0 + spread * random.Uniform();
            logPi[k] = trial % 7 == 0 ? std::log(1.0 / static_cast<double>(units)) : std::log(0.01 + random.Uniform());
            if (random.Chance(0.1)) logs[k] = -HUGE_VAL;
            if (trial % 11 == 0 && random.Chance(0.2)) logPi[k] = std::nan("");
            scores[k] = IsFinite(logs[k]) ? logPi[k] + logs[k] : -HUGE_VAL;
        }
        QuantisedPosterior(logs.data(), logPi.data(), units, scratch, weights);
        const std::vector<std::int32_t> expected = reference::QuantisePosterior(scores, kSoftWeightBits, kSoftCutoff);
        std::vector<std::int32_t> actual(units, 0);
        std::int64_t sum = 0;
        std::int32_t previous = -1;
        for (const UnitWeight& w : weights) {
            ASSERT_GT(w.unit, previous) << "trial " << trial;
            ASSERT_GT(w.quanta, 0) << "trial " << trial;
            actual[static_cast<std::size_t>(w.unit)] = w.quanta;
            sum += w.quanta;
            previous = w.unit;
        }
        ASSERT_EQ(sum, kSoftWeightOne) << "trial " << trial;
        ASSERT_EQ(expected, actual) << "trial " << trial;
    }
    // Three equal scores: 2^16 = 3 x 21845 + 1, the quantum left to the lowest unit.
    static_assert(kSoftWeightBits == 16, "the split below is that of 2^16");
    const std::vector<double> equal(3, -1.0), flat(3, 0.0);
    QuantisedPosterior(equal.data(), flat.data(), 3, scratch, weights);
    ASSERT_EQ(weights.size(), 3u);
    EXPECT_EQ(weights[0].quanta, 21846);
    EXPECT_EQ(weights[1].quanta, 21845);
    EXPECT_EQ(weights[2].quanta, 21845);
}

INSTANTIATE_TEST_SUITE_P(Threads, BatchEpoch, ::testing::Values(1, 2, 3));

// Counts kept off the baselines fill in the dense counts exactly, whatever
// the baselines, added to counts already there, over parts and threads:
// whole samples, and whole soft quanta.
template <class Cell>
void CheckDenseFill(int seed, bool soft) {
    Random random(seed);
    for (int trial = 0; trial < 10; ++trial) {
        const reference::RawModel raw = ProperModel(random, 2, 2, 1 + random.Below(7), false, 1 + random.Below(4));
        const MapModel model = ViewOf(raw);
        const StatisticsLayout layout = MakeStatisticsLayout(BuildValueIndexTable(model), model.NumUnits());
        std::vector<std::int32_t> baselines;
        for (std::int32_t r : layout.range) baselines.push_back(random.Below(r));
        const SparseCountLayout sparse(layout, baselines);
        Statistics expected(layout), actual(layout);
        for (std::vector<double>* a : {&expected.values, &expected.pairs, &expected.count})
            for (double& c : *a) c = random.Below(3);
        actual = expected;
        BasicSparseCounts<Cell> first(sparse), second(sparse);
        const std::vector<const BasicSparseCounts<Cell>*> parts{&first, &second};
        const double unit = soft ? kSoftQuantum : 1.0;
        NonBaselineEntries entries(layout.dimension);
        const int n = random.Below(60);
        const CodeMatrix codes = CodesOf(raw, RandomSamples(random, raw, n, false));
        for (std::int32_t j = 0; j < n; ++j) {
            const std::int32_t k = random.Below(layout.units);
            const Cell quanta = soft ? 1 + random.Below(static_cast<int>(kSoftWeightOne)) : 1;
            CountSample(layout, codes.Column(j), k, expected.View(), static_cast<double>(quanta) * unit);
            entries.Find(codes.Column(j), baselines);
            (j % 3 == 0 ? first : second).Add(entries.variable.data(), entries.code.data(), entries.size, k, quanta);
        }
        Statistics stored = actual;
        AddDenseCounts(sparse, parts, 1 + trial % 3, false, unit, actual.View());
        ASSERT_TRUE(SameBits(expected.count, actual.count)) << "trial " << trial;
        ASSERT_TRUE(SameBits(expected.values, actual.values)) << "trial " << trial;
        ASSERT_TRUE(SameBits(expected.pairs, actual.pairs)) << "trial " << trial;
        // Stored instead of added: the counts of this call alone.
        Statistics alone(layout);
        AddDenseCounts(sparse, parts, 1, false, unit, alone.View());
        AddDenseCounts(sparse, parts, 2, true, unit, stored.View());
        ASSERT_TRUE(SameBits(alone.pairs, stored.pairs)) << "trial " << trial;
        ASSERT_TRUE(SameBits(alone.values, stored.values)) << "trial " << trial;
        ASSERT_TRUE(SameBits(alone.count, stored.count)) << "trial " << trial;
    }
}

TEST(SparseCounts, FillInTheDenseCountsForAnyBaselines) { CheckDenseFill<std::int32_t>(41, false); }

TEST(SparseCounts, FillInWeightedDenseCountsForAnyBaselines) { CheckDenseFill<std::int64_t>(43, true); }

// The baseline sum and its corrections agree with the plain sum up to
// rounding; a unit with a zero in its tables gets the plain sum itself.
TEST(SparseScorer, AgreesWithThePlainSum) {
    Random random(43);
    for (int trial = 0; trial < 10; ++trial) {
        const bool directed = trial % 2 == 1;
        // Some with more variables than a word of bits.
        reference::RawModel raw =
            ProperModel(random, 2, 2, trial < 8 ? 2 + random.Below(8) : 60 + random.Below(90), directed);
        // Every marginal has a node term in an undirected model.
        if (!directed) raw.marginal[3][static_cast<std::size_t>(random.Below(static_cast<int>(raw.numValues)))] = 0.0;
        const MapModel model = ViewOf(raw);
        const CompiledMap map(model, 1);
        const StatisticsLayout layout = MakeStatisticsLayout(map.table, model.NumUnits());
        const SparseScorer scorer(map, layout.valueStart, ModelBaselines(model, map.table));
        NonBaselineEntries entries(layout.dimension);
        const int n = 20;
        const CodeMatrix codes = CodesOf(raw, RandomSamples(random, raw, n, false));
        std::vector<double> logs(4);
        for (std::int32_t j = 0; j < n; ++j) {
            entries.Find(codes.Column(j), scorer.Baselines());
            scorer.Score(codes.Column(j), entries, logs.data());
            for (std::size_t k = 0; k < 4; ++k) {
                const double plain = UnitLogLikelihood(map.units[k], codes.Column(j));
                if (k == 3 && !directed) ASSERT_TRUE(SameBits(plain, logs[k])) << "trial " << trial;
                else ASSERT_NEAR(plain, logs[k], 1e-12 * (1.0 + std::fabs(plain))) << "trial " << trial;
            }
        }
    }
}

// Trained maps: proper, consistent tables, spanning trees, and one model for
// every thread count, with missing entries in the data.
TEST(BatchTraining, TrainsProperTablesAndTreesWithMissingEntries) {
    Random random(5);
    const reference::RawModel raw = ProperModel(random, 3, 3, 6, false);
    const int n = 200;
    CodeMatrix codes = CodesOf(raw, RandomSamples(random, raw, n, false));
    for (std::int32_t& c : codes.codes)
        if (random.Chance(0.2)) c = kMissingCode;
    BatchSettings settings;
    settings.radiusStart = 1.5;
    settings.radiusEnd = 0.5;
    settings.prior = 2.0;
    std::vector<reference::RawModel> trained;
    for (int threads : {1, 3}) {
        trained.push_back(raw);
        settings.threads = threads;
        std::vector<EpochReport> reports(4);
        TrainBatch(ViewOf(raw), TablesOf(trained.back()), codes, 4, settings,
                   Span<EpochReport>(reports.data(), reports.size()), nullptr);
        EXPECT_EQ(reports[0].radius, 1.5);
        EXPECT_EQ(reports[3].radius, 0.5);
        EXPECT_EQ(reports[0].changed, 1.0);
        for (const EpochReport& r : reports) EXPECT_TRUE(std::isfinite(r.logLikelihood) && r.changed >= 0.0);
    }
    const MapModel view = ViewOf(trained[0]);
    const ValueIndexTable table = BuildValueIndexTable(view);
    const std::int32_t d = view.dimension;
    const auto nv = static_cast<std::size_t>(view.numValues);
    for (std::size_t k = 0; k < trained[0].marginal.size(); ++k) {
        ASSERT_TRUE(SameBits(trained[0].intersect[k], trained[1].intersect[k]));
        ASSERT_TRUE(SameBits(trained[0].graph[k], trained[1].graph[k]));
        const std::vector<double>& m = trained[0].marginal[k];
        const std::vector<double>& t = trained[0].intersect[k];
        int edges = 0;
        for (std::int32_t i = 0; i < d; ++i) {
            double sum = 0.0;
            for (std::int32_t a = 0; a < table.rangeCounts[static_cast<std::size_t>(i)]; ++a)
                sum += m[static_cast<std::size_t>(table(i, a))];
            EXPECT_NEAR(sum, 1.0, 1e-12);
            for (std::int32_t j = 0; j < d; ++j) {
                edges += trained[0].graph[k][static_cast<std::size_t>(i + j * d)] != 0.0;
                double block = 0.0;
                for (std::int32_t a = 0; a < table.rangeCounts[static_cast<std::size_t>(i)]; ++a) {
                    const auto ga = static_cast<std::size_t>(table(i, a));
                    double row = 0.0;
                    for (std::int32_t b = 0; b < table.rangeCounts[static_cast<std::size_t>(j)]; ++b) {
                        const auto gb = static_cast<std::size_t>(table(j, b));
                        ASSERT_EQ(t[ga + gb * nv], t[gb + ga * nv]);
                        row += t[ga + gb * nv];
                    }
                    EXPECT_NEAR(row, m[ga], 1e-12);
                    block += row;
                }
                EXPECT_NEAR(block, 1.0, 1e-12);
            }
        }
        EXPECT_EQ(edges, d - 1);  // a tree grown over every variable
    }
    EXPECT_TRUE(SameBits(trained[0].pi, trained[1].pi));
}

// The update on its own: maps whose counts are cut into many runs and groups,
// or whose pair blocks outgrow a run, against the literal update; and the
// updater over epochs, which keeps the units whose smoothed counts cannot have
// changed.

// Whole counts, many of them zero, and some units without samples.
Statistics RandomCounts(Random& random, const StatisticsLayout& layout) {
    Statistics stats(layout);
    for (double& c : stats.count) c = random.Chance(0.2) ? 0.0 : 1.0 + random.Below(60);
    for (double& c : stats.values) c = random.Chance(0.5) ? 0.0 : random.Below(40);
    for (double& c : stats.pairs) c = random.Chance(0.5) ? 0.0 : random.Below(40);
    return stats;
}

reference::BatchCounts LiteralCounts(const Statistics& stats) {
    return {stats.count, stats.values, stats.pairs, {}, {}};
}

void ExpectSameTables(const reference::RawModel& expected, const reference::RawModel& actual, const char* what) {
    for (std::size_t k = 0; k < expected.marginal.size(); ++k) {
        ASSERT_TRUE(SameBits(expected.marginal[k], actual.marginal[k])) << what << ", unit " << k;
        ASSERT_TRUE(SameBits(expected.intersect[k], actual.intersect[k])) << what << ", unit " << k;
        ASSERT_TRUE(SameBits(expected.mutual[k], actual.mutual[k])) << what << ", unit " << k;
        ASSERT_TRUE(SameBits(expected.graph[k], actual.graph[k])) << what << ", unit " << k;
    }
    ASSERT_TRUE(SameBits(expected.pi, actual.pi)) << what;
    ASSERT_TRUE(SameBits(expected.numVictories, actual.numVictories)) << what;
}

class BatchUpdate : public ::testing::TestWithParam<int> {};

TEST_P(BatchUpdate, ManyRunsAndLargeBlocksMatchTheLiteralUpdate) {
    Random random(41);
    struct Shape {
        int rows, cols, dimension, maxRange;
        const char* what;
    };
    // 60 variables: dozens of runs and groups; ranges up to 45: single pair
    // blocks larger than a run, groups of one variable.
    for (const Shape& shape : {Shape{2, 2, 60, 3, "many runs"}, Shape{1, 3, 5, 45, "large blocks"},
                               Shape{3, 1, 1, 4, "one variable"}}) {
        const reference::RawModel raw =
            ProperModel(random, shape.rows, shape.cols, shape.dimension, false, shape.maxRange);
        const Statistics stats = RandomCounts(random, LayoutOf(raw));
        const double radius = 0.3 + 2.0 * random.Uniform(), prior = 0.5 + 4.0 * random.Uniform();
        const reference::RawModel literal = reference::UpdateBatch(raw, LiteralCounts(stats), radius, prior);
        ExpectSameTables(literal, UpdateFast(raw, stats, radius, prior, GetParam()), shape.what);
    }
}

// On a 1 x 8 map at radius 0.1 units four or more apart have weight 0: a
// change in unit 0's counts reaches units 0..3 only. Every epoch's tables are
// those of a fresh update; the units kept are told by a mark left in Mutual's
// diagonal, which any rebuild overwrites with 0.
TEST_P(BatchUpdate, UpdaterRebuildsOnlyTheUnitsChangedCountsReach) {
    Random random(43);
    const reference::RawModel raw = ProperModel(random, 1, 8, 5, false);
    const StatisticsLayout layout = LayoutOf(raw);
    // Counts carry the baselines of the model that made them: the updates
    // below rewrite the model they read.
    Statistics first = RandomCounts(random, layout);
    first.baselines = ModelBaselines(ViewOf(raw), BuildValueIndexTable(ViewOf(raw)));
    Statistics second = first;
    second.pairs[3] += 1.0;  // a pair count of unit 0
    struct Epoch {
        const Statistics* counts;
        double radius;
        std::vector<bool> rebuilt;
    };
    const std::vector<bool> all(8, true), none(8, false), nearZero{true, true, true, true, false, false, false, false};
    const std::vector<Epoch> epochs{{&first, 0.1, all},   {&first, 0.1, none}, {&second, 0.1, nearZero},
                                    {&second, 0.1, none}, {&second, 0.7, all}, {&first, 0.7, all}};
    const double prior = 1.5;
    // Without comparing counts, every epoch rebuilds every unit.
    for (const bool compare : {true, false}) {
        reference::RawModel trained = raw;
        const TrainedTables tables = TablesOf(trained);
        const MapModel view = ViewOfTables(ViewOf(raw), tables);
        MapUpdater updater(view, layout, prior, GetParam(), compare);
        Statistics counts(layout);
        for (std::size_t e = 0; e < epochs.size(); ++e) {
            for (std::vector<double>& mutual : trained.mutual) mutual[0] = 7.0;
            counts = *epochs[e].counts;
            updater.Update(counts, epochs[e].radius, IntersectCells::kAll, tables);
            ASSERT_EQ(counts.pairs.size(), layout.numPairs * 8);
            for (std::size_t k = 0; k < 8; ++k) {
                EXPECT_EQ(trained.mutual[k][0], !compare || epochs[e].rebuilt[k] ? 0.0 : 7.0)
                    << "epoch " << e << ", unit " << k << (compare ? "" : ", not comparing");
                trained.mutual[k][0] = 0.0;
            }
            ExpectSameTables(UpdateFast(raw, *epochs[e].counts, epochs[e].radius, prior, GetParam()), trained,
                             "epoch");
        }
    }
}

// Epochs before the last write one half of Intersect; the last writes both,
// also for the units whose counts did not change.
TEST_P(BatchUpdate, LastEpochWritesWholeTablesOfKeptUnits) {
    Random random(29);
    const reference::RawModel raw = ProperModel(random, 2, 3, 6, false);
    const StatisticsLayout layout = LayoutOf(raw);
    Statistics counts = RandomCounts(random, layout);
    counts.baselines = ModelBaselines(ViewOf(raw), BuildValueIndexTable(ViewOf(raw)));
    reference::RawModel trained = raw;
    const TrainedTables tables = TablesOf(trained);
    const MapModel view = ViewOfTables(ViewOf(raw), tables);
    MapUpdater updater(view, layout, 2.0, GetParam(), true);
    for (const IntersectCells cells : {IntersectCells::kTreeEdges, IntersectCells::kAll}) {
        Statistics epoch = counts;
        updater.Update(epoch, 0.8, cells, tables);
    }
    ExpectSameTables(UpdateFast(raw, counts, 0.8, 2.0, GetParam()), trained, "last epoch");
}

// Compact training: the same marginals, priors, trees, mutual information
// and pair tables as whole training, stored compact; selection by held-out
// samples, soft epochs and missing entries included, at every thread count.
TEST_P(BatchUpdate, CompactTrainingKeepsTheCellsOfWholeTraining) {
    Random random(71);
    for (const bool directed : {false, true}) {
        const reference::RawModel raw = ProperModel(random, 2, 3, 9, directed);
        CodeMatrix codes = CodesOf(raw, RandomSamples(random, raw, 160, false));
        for (std::int32_t& c : codes.codes)
            if (random.Chance(0.1)) c = kMissingCode;
        const HeldOutSplit split = SplitHeldOut(codes, MakeHeldOutRule(0.2, 0));
        BatchSettings settings;
        settings.radiusStart = 1.5;
        settings.radiusEnd = 0.3;
        settings.prior = 1.5;
        settings.threads = GetParam();
        settings.assignment = AssignmentMode::kHardThenSoft;
        std::vector<EpochReport> reports(5);
        const Span<EpochReport> span(reports.data(), reports.size());
        reference::RawModel whole = raw, compact = raw;
        TrainBatch(ViewOf(raw), TablesOf(whole), split.counted, 5, settings, span, nullptr, nullptr, &split.held);
        TrainedTables tables = TablesOf(compact);
        const MapModel first = ViewOf(raw);
        std::vector<CompactUnit> units;
        for (std::int32_t k = 0; k < first.NumUnits(); ++k)
            units.push_back(CompactOfUnit(first, k, SquareTable(raw.mutual[static_cast<std::size_t>(k)].data())));
        tables.compact = &units;
        TrainBatch(first, tables, split.counted, 5, settings, span, nullptr, nullptr, &split.held);
        const MapModel wholeView = ViewOf(whole);
        for (std::int32_t k = 0; k < first.NumUnits(); ++k) {
            const auto u = static_cast<std::size_t>(k);
            ASSERT_TRUE(SameBits(whole.marginal[u], compact.marginal[u])) << "unit " << k;
            const CompactUnit expected =
                CompactOfUnit(wholeView, k, SquareTable(whole.mutual[u].data()));
            for (const auto table : {&CompactUnit::intersect, &CompactUnit::mutual, &CompactUnit::graph}) {
                ASSERT_TRUE(SameBits((expected.*table).values, (units[u].*table).values)) << "unit " << k;
                ASSERT_EQ((expected.*table).rows, (units[u].*table).rows) << "unit " << k;
                ASSERT_EQ((expected.*table).columnStart, (units[u].*table).columnStart) << "unit " << k;
            }
        }
        ASSERT_TRUE(SameBits(whole.pi, compact.pi));
        ASSERT_TRUE(SameBits(whole.numVictories, compact.numVictories));
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, BatchUpdate, ::testing::Values(1, 2, 3));

}  // namespace
}  // namespace tavrix
