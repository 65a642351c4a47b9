// What the benchmark programs share: the three-valued map of their workloads
// and a reporter that prints, beside the usual table, how many times faster
// each contender processes an item than the baseline.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "tests/reference/reference_core.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix::bench {

// A rows x cols map with tree graphs and `dimension` variables of three values
// each, global indices in variable order, no zero probabilities.
inline reference::RawModel ThreeValuedMap(testing::Random& random, int rows, int cols, int dimension) {
    testing::ModelShape shape;
    shape.rows = rows;
    shape.cols = cols;
    shape.dimension = dimension;
    shape.maxRange = 3;
    shape.zeroShare = 0.0;
    reference::RawModel raw = testing::RandomModel(random, shape);
    const int values = 3 * dimension;
    for (double& r : raw.ranges) r = 3;
    raw.numValues = values;
    for (int i = 0; i < dimension; ++i)
        for (int v = 0; v < 3; ++v) raw.translate[v + i * 3] = i * 3 + v + 1;
    for (auto& m : raw.marginal) m.resize(static_cast<std::size_t>(values), 0.3);
    for (auto& j : raw.intersect) j.resize(static_cast<std::size_t>(values) * values, 0.1);
    return raw;
}

// The workload of the best-unit and scoring benchmarks: a 10 x 10 map,
// Dimension 20 with 3 values each, and 10,000 random samples.
struct SampleWorkload {
    reference::RawModel raw;
    std::vector<double> samples;
    CodeMatrix codes;
    SampleWorkload() {
        testing::Random random(2026);
        raw = ThreeValuedMap(random, 10, 10, 20);
        samples = testing::RandomSamples(random, raw, 10000, false);
        codes = testing::CodesOf(raw, samples);
    }
};

inline const SampleWorkload& Data() {
    static const SampleWorkload w;
    return w;
}

// Items per second of every run whose name starts with `contender`, divided by
// those of the first run whose name starts with `baseline`. Every benchmark
// must report its items (SetItemsProcessed).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter(std::string baseline, std::string contender) : baseline_(std::move(baseline)), contender_(std::move(contender)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const auto rate = r.counters.find("items_per_second");
            if (rate != r.counters.end()) rates_[r.benchmark_name()] = rate->second.value;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        double base = 0.0;
        for (const auto& [name, rate] : rates_)
            if (base == 0.0 && name.rfind(baseline_, 0) == 0) base = rate;
        for (const auto& [name, rate] : rates_)
            if (base > 0.0 && name.rfind(contender_, 0) == 0)
                std::printf("ratio %s / %s = %.1f per item\n", name.c_str(), baseline_.c_str(), rate / base);
    }

private:
    std::string baseline_, contender_;
    std::map<std::string, double> rates_;
};

inline int RunWithRatios(int argc, char** argv, const char* baseline, const char* contender) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(baseline, contender);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace tavrix::bench
