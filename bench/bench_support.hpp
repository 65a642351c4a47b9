// What the benchmark programs share: the sizes they sweep, the workload of a
// size, and a reporter that prints, after the usual table, how many times
// more items per second each fast run processes than the literal reference
// at the same size.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/map_model.hpp"
#include "core/parallel.hpp"
#include "ratio_table.hpp"
#include "tests/reference/reference_core.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix::bench {

using Benchmark = benchmark::internal::Benchmark;

// One point of a sweep: samples, Dimension and the side of a square map.
struct Size {
    int samples = 0, dimension = 0, side = 0;
    bool operator<(const Size& other) const {
        return std::tie(samples, dimension, side) < std::tie(other.samples, other.dimension, other.side);
    }
};

// A run's size: its first three arguments. Fast runs have a fourth, threads.
inline Size SizeOf(const benchmark::State& state) {
    return {static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), static_cast<int>(state.range(2))};
}
inline int ThreadsOf(const benchmark::State& state) { return static_cast<int>(state.range(3)); }

// Registers `base` and, one at a time, samples x 1/4 and x 4, Dimension and
// the map's side x 1/2 and x 2. Fast runs take one thread at every size and
// every core at `base` too; reference runs go once per size.
inline void AddSizes(Benchmark* b, const Size& base, bool fast) {
    const std::vector<Size> sizes = {
        {base.samples / 4, base.dimension, base.side}, base, {base.samples * 4, base.dimension, base.side},
        {base.samples, base.dimension / 2, base.side}, {base.samples, base.dimension * 2, base.side},
        {base.samples, base.dimension, base.side / 2}, {base.samples, base.dimension, base.side * 2}};
    std::vector<std::string> names = {"samples", "dimension", "side"};
    if (fast) names.push_back("threads");
    b->ArgNames(names)->Unit(benchmark::kMillisecond)->UseRealTime();
    for (const Size& s : sizes) {
        std::vector<std::int64_t> args = {s.samples, s.dimension, s.side};
        if (fast) args.push_back(1);
        b->Args(args);
    }
    if (fast && DefaultThreadCount() > 1) b->Args({base.samples, base.dimension, base.side, DefaultThreadCount()});
    if (!fast) b->Iterations(1);
}

template <const Size& base>
void ReferenceSizes(Benchmark* b) { AddSizes(b, base, false); }
template <const Size& base>
void FastSizes(Benchmark* b) { AddSizes(b, base, true); }

// Registers `base` alone, for benchmarks that run at one size.
template <const Size& base>
void BaseSize(Benchmark* b) {
    b->ArgNames({"samples", "dimension", "side"})->Args({base.samples, base.dimension, base.side})
        ->Unit(benchmark::kMillisecond)->UseRealTime();
}

// A side x side map with tree graphs and `dimension` variables of three values
// each, global indices in variable order, no zero probabilities.
inline reference::RawModel ThreeValuedMap(testing::Random& random, int side, int dimension) {
    testing::ModelShape shape;
    shape.rows = shape.cols = side;
    shape.dimension = dimension;
    shape.maxRange = 3;
    shape.zeroShare = 0.0;
    reference::RawModel raw = testing::RandomModel(random, shape);
    const int values = 3 * dimension;
    for (double& r : raw.ranges) r = 3;
    raw.numValues = values;
    testing::NumberValuesInVariableOrder(raw);
    for (auto& m : raw.marginal) m.resize(static_cast<std::size_t>(values), 0.3);
    for (auto& j : raw.intersect) j.resize(static_cast<std::size_t>(values) * values, 0.1);
    return raw;
}

// Samples from two clusters: variable i of a sample from cluster c takes
// (c + i) mod 3 with chance 0.8, otherwise any value. Dimension x n codes.
inline std::vector<double> ClusteredSamples(testing::Random& random, int n, int dimension) {
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(n) * dimension);
    for (int j = 0; j < n; ++j) {
        const int cluster = random.Below(2);
        for (int i = 0; i < dimension; ++i) samples.push_back(random.Chance(0.8) ? (cluster + i) % 3 : random.Below(3));
    }
    return samples;
}

// `count` hidden entries (at most Dimension) in each of n samples: 1 = hidden.
inline std::vector<std::uint8_t> HiddenFlags(testing::Random& random, int n, int dimension, int count) {
    std::vector<std::uint8_t> hidden(static_cast<std::size_t>(n) * dimension, 0);
    for (int j = 0; j < n; ++j)
        for (int done = 0; done < count && done < dimension;) {
            std::uint8_t& flag = hidden[static_cast<std::size_t>(j) * dimension + random.Below(dimension)];
            if (!flag) {
                flag = 1;
                ++done;
            }
        }
    return hidden;
}

// The workload of a size: the map, its view, and clustered samples as the
// host hands them over and as codes. Programs that need more derive from it.
struct Workload {
    explicit Workload(const Size& s) : size(s), random(2026) {
        raw = ThreeValuedMap(random, s.side, s.dimension);
        samples = ClusteredSamples(random, s.samples, s.dimension);
        codes = testing::CodesOf(raw, samples);
        view = testing::ViewOf(raw);
    }
    Workload(const Workload&) = delete;
    Workload& operator=(const Workload&) = delete;

    Size size;
    testing::Random random;  // for what derived workloads add
    reference::RawModel raw;
    std::vector<double> samples;
    CodeMatrix codes;
    MapModel view;  // points into raw
};

// The workload of type W for a size, built on first use and kept.
template <class W>
const W& Cached(const Size& size) {
    static std::map<Size, std::unique_ptr<W>> cache;
    std::unique_ptr<W>& w = cache[size];
    if (!w) w = std::make_unique<W>(size);
    return *w;
}

// The loop of every sample benchmark: `work` on the workload of the run's
// size once per iteration; its samples are the items.
template <class W, class Work>
void MeasureSamples(benchmark::State& state, const char* item, Work&& work) {
    const W& w = Cached<W>(SizeOf(state));
    for (auto _ : state) {
        work(w);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w.size.samples);
    state.SetLabel(item);
}

// The console table, then the comparisons (ratio_table.hpp) and whatever
// `more` adds from the measurements.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    using More = std::function<void(std::ostream&, const std::vector<Measurement>&)>;
    RatioReporter(std::string program, More more) : program_(std::move(program)), more_(std::move(more)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const auto rate = r.counters.find("items_per_second");
            if (r.run_type == Run::RT_Iteration && rate != r.counters.end())
                measurements_.push_back({r.benchmark_name(), r.report_label, rate->second.value});
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        PrintTable(GetOutputStream(), Compare(program_, measurements_));
        if (more_) more_(GetOutputStream(), measurements_);
    }

private:
    std::string program_;
    More more_;
    std::vector<Measurement> measurements_;
};

// main of every benchmark program; the program's name without "bench_" heads its rows.
inline int RunWithRatios(int argc, char** argv, RatioReporter::More more = {}) {
    std::string program = argv[0];
    program = program.substr(program.rfind('/') + 1);
    if (program.rfind("bench_", 0) == 0) program = program.substr(6);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(program, std::move(more));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace tavrix::bench
