// The fixture of the training tests: every case runs through the literal
// transcription (tests/reference/reference_train) and through the fast code at
// the fixture's thread count, and the two must agree bit for bit. The suites
// are instantiated in train_driver_test.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "core/value_index_table.hpp"
#include "tests/reference/reference_train.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/random_model.hpp"
#include "core/dependency_tree.hpp"
#include "core/mutual_information.hpp"
#include "train/training.hpp"
#include "core/tree_likelihood.hpp"
#include "train/winner_search.hpp"

namespace tavrix::testing {

struct SearchResult {
    Winner winner;
    std::vector<double> weights;  // -7.0 where the search wrote none
};

inline ::testing::AssertionResult SameModel(const reference::RawModel& a, const reference::RawModel& b) {
    for (std::size_t k = 0; k < a.marginal.size(); ++k)
        for (auto r : {SameBits(a.marginal[k], b.marginal[k]), SameBits(a.intersect[k], b.intersect[k]),
                       SameBits(a.mutual[k], b.mutual[k]), SameBits(a.graph[k], b.graph[k])})
            if (!r) return r << " (unit " << k << ")";
    if (auto r = SameBits(a.pi, b.pi); !r) return r << " (Pi)";
    if (auto r = SameBits(a.numVictories, b.numVictories); !r) return r << " (NumVictories)";
    return ::testing::AssertionSuccess();
}

// The parameter is the thread count of the fast code. Each adapter runs both
// forms, expects the same bits, and gives back the fast result.
class TrainingCase : public ::testing::TestWithParam<int> {
protected:
    int Threads() const { return GetParam(); }

    static std::vector<double> Mutual(const reference::RawModel& raw, int k) {
        const auto d = static_cast<std::int32_t>(raw.dimension), range = static_cast<std::int32_t>(raw.maxRange);
        const auto values = static_cast<std::int32_t>(raw.numValues);
        const reference::RawTable t = reference::BuildValueIndexTable(raw.ranges.data(), raw.translate.data(), d, range);
        std::vector<double> expected(static_cast<std::size_t>(d * d), 7.0), fast = expected;
        reference::UnitMutualInformation(raw.marginal[k].data(), raw.intersect[k].data(), expected.data(),
                                         t.rangeCounts.data(), t.valueIndexTable.data(), range, d, values);
        UnitMutualInformation(raw.marginal[k].data(), raw.intersect[k].data(), fast.data(),
                              BuildValueIndexTable(ViewOf(raw)), values);
        EXPECT_TRUE(SameBits(expected, fast)) << "unit " << k;
        return fast;
    }

    // `parent`, when given, gets the fast code's parents.
    static std::vector<double> Tree(const std::vector<double>& mutual, int d, int root,
                                    std::vector<std::int32_t>* parent = nullptr) {
        std::vector<double> expected(static_cast<std::size_t>(d * d), 5.0), fast = expected;
        reference::BuildDependencyTree(mutual.data(), expected.data(), d, root);
        std::vector<std::int32_t> parents(static_cast<std::size_t>(d), 99);
        TreeScratch scratch;
        BuildDependencyTree(mutual.data(), fast.data(), d, root, scratch, parents.data());
        EXPECT_TRUE(SameBits(expected, fast));
        if (parent) *parent = parents;
        return fast;
    }

    // Unit k's log-likelihood of one sample of codes.
    static double LogLikelihood(const reference::RawModel& raw, int k, const double* sample) {
        const MapModel view = ViewOf(raw);
        const ValueIndexTable table = BuildValueIndexTable(view);
        const int d = view.dimension;
        std::vector<double> logMarginal(static_cast<std::size_t>(d));
        std::vector<std::int32_t> index(static_cast<std::size_t>(d));
        for (int i = 0; i < d; ++i) index[i] = table(i, static_cast<std::int32_t>(sample[i]));
        std::vector<TreePair> pairs;
        PairsOfGraph(raw.graph[k].data(), d, pairs);
        const double expected =
            reference::UnitLogLikelihood(sample, raw.marginal[k].data(), raw.intersect[k].data(), raw.graph[k].data(),
                                         table.entries.data(), d, view.maxRange, view.numValues, view.rootNode);
        const double fast = TreeLogLikelihood(index.data(), raw.marginal[k].data(), raw.intersect[k].data(), d,
                                              view.numValues, view.rootNode, pairs, logMarginal.data());
        EXPECT_TRUE(SameBits(expected, fast)) << "unit " << k;
        return fast;
    }

    // The fast search alone, on given log-likelihoods.
    SearchResult Search(const std::vector<double>& logLikelihood, int rows, int cols, double radius) const {
        SearchResult s;
        s.weights.assign(logLikelihood.size(), -7.0);
        WinnerScratch scratch;
        WorkerPool pool(Threads());
        s.winner = WinnerSearch(Span<const double>(logLikelihood.data(), logLikelihood.size()), rows, cols, radius,
                                Span<double>(s.weights.data(), s.weights.size()), scratch, pool);
        return s;
    }

    // The winner of one sample, the fast search given the literal log-likelihoods.
    SearchResult Winner(const reference::RawModel& raw, const std::vector<double>& sample, double radius) const {
        const ValueIndexTable table = BuildValueIndexTable(ViewOf(raw));
        const auto units = raw.marginal.size();
        SearchResult expected;
        expected.weights.assign(units, -7.0);
        reference::WinnerSearch(raw, table.entries.data(), sample.data(), radius, expected.winner.row,
                                expected.winner.column, expected.winner.bestScore, expected.weights.data(),
                                expected.winner.found);
        std::vector<double> logLikelihood;
        for (std::size_t k = 0; k < units; ++k)
            logLikelihood.push_back(reference::UnitLogLikelihood(
                sample.data(), raw.marginal[k].data(), raw.intersect[k].data(), raw.graph[k].data(),
                table.entries.data(), static_cast<std::int32_t>(raw.dimension), static_cast<std::int32_t>(raw.maxRange),
                static_cast<std::int32_t>(raw.numValues), static_cast<std::int32_t>(raw.rootNode)));
        const SearchResult fast = Search(logLikelihood, static_cast<int>(raw.numRowsMap), static_cast<int>(raw.numColsMap), radius);
        EXPECT_EQ(expected.winner.found, fast.winner.found);
        EXPECT_EQ(expected.winner.row, fast.winner.row);
        EXPECT_EQ(expected.winner.column, fast.winner.column);
        EXPECT_TRUE(SameBits(expected.winner.bestScore, fast.winner.bestScore));
        EXPECT_TRUE(SameBits(expected.weights, fast.weights));
        return fast;
    }

    // A trained copy of `raw`, its columns drawn from `seed`.
    reference::RawModel Trained(const reference::RawModel& raw, int iterations, std::uint64_t seed) const {
        RandomDraws literalDraws(seed);
        const reference::RawModel expected =
            reference::Train(raw, iterations, [&](std::int32_t n) { return literalDraws.Draw(n); });
        reference::RawModel out = raw;
        const TrainedTables t = TablesOf(out);
        RandomDraws draws(seed);
        Train(ViewOf(raw), t, CodesOf(raw, raw.samples), iterations, draws, Threads(), nullptr);
        EXPECT_TRUE(SameModel(expected, out));
        return out;
    }
};

// The pieces that take no thread count: run once.
class TrainingPiece : public TrainingCase {};

}  // namespace tavrix::testing
