// Best units against the literal transcription, bit for bit, at every thread count.
#include <gtest/gtest.h>

#include "tests/support/bits.hpp"
#include "tests/support/differential.hpp"
#include "winner/best_units.hpp"

namespace tavrix {
namespace {

using testing::DataCase;
using testing::SameBits;

class BestUnitsMatchLiteral : public ::testing::TestWithParam<testing::NamedCase> {};

TEST_P(BestUnitsMatchLiteral, AtEveryThreadCount) {
    const DataCase c = GetParam().make();
    std::vector<double> best, scores;
    reference::BestUnits(c.raw, c.data.data(), c.n, best, &scores);
    const MapModel view = testing::ViewOf(c.raw);
    CodeMatrix codes = testing::CodesOf(c.raw, c.data);
    codes.numSamples = c.n;  // samples without variables count too
    for (const int threads : testing::kThreadCounts) {
        std::vector<double> fastBest(best.size(), -7.0), fastScores(scores.size(), -7.0), alone(best.size(), -7.0);
        BestUnits(view, codes, threads, Span<double>(fastBest.data(), fastBest.size()),
                  Span<double>(fastScores.data(), fastScores.size()));
        BestUnits(view, codes, threads, Span<double>(alone.data(), alone.size()), Span<double>());
        ASSERT_TRUE(SameBits(best, fastBest)) << "threads " << threads;
        ASSERT_TRUE(SameBits(scores, fastScores)) << "threads " << threads;
        ASSERT_TRUE(SameBits(best, alone)) << "threads " << threads << ", without scores";
    }
}

// Six units on three variables, units 2 and 5 copies of unit 4.
DataCase TiedUnits() {
    testing::Random random(5);
    DataCase c = testing::SmallCase(random, 3, 4);
    for (const int k : {1, 4}) {
        c.raw.marginal[k] = c.raw.marginal[3];
        c.raw.intersect[k] = c.raw.intersect[3];
        c.raw.graph[k] = c.raw.graph[3];
    }
    c.raw.pi = {0.0, 0.3, 0.01, 0.3, 0.3, 0.01};
    return c;
}

// Code 0 of variable 0 has probability 0 in every unit: no unit claims sample 0.
DataCase ImpossibleValue() {
    DataCase c = TiedUnits();
    for (auto& m : c.raw.marginal) m[static_cast<std::size_t>(c.raw.translate[0] - 1.0)] = 0.0;
    c.data[0] = 0.0;
    return c;
}

DataCase NoVariables() {
    DataCase c;
    c.raw.numRowsMap = c.raw.numColsMap = 2;
    c.raw.marginal = c.raw.intersect = c.raw.graph = {{}, {}, {}, {}};
    c.raw.pi = {0.1, 0.4, 0.4, 0.1};
    c.n = 3;
    return c;
}

INSTANTIATE_TEST_SUITE_P(Cases, BestUnitsMatchLiteral,
                         ::testing::ValuesIn(testing::SeededCases(
                             "Random", 60, [](std::uint64_t seed) { return testing::RandomCase(seed, 8, 30); },
                             {{"TiedUnitsAndZeroPrior", TiedUnits}, {"ImpossibleValue", ImpossibleValue},
                              {"NoVariables", NoVariables}})),
                         testing::CaseName);

}  // namespace
}  // namespace tavrix
