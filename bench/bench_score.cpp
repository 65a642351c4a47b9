// TavrixScore's work: a 10 x 10 map, Dimension 20 with 3 values each, tree
// graphs, 10,000 samples. The literal reference and the fast path in one run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "core/parallel.hpp"
#include "score/mixture_log_likelihood.hpp"
#include "tests/reference/reference_score.hpp"
#include "tests/support/random_model.hpp"

namespace {

using namespace tavrix;

struct Workload {
    reference::RawModel raw;
    std::vector<double> samples;
    CodeMatrix codes;
    Workload() {
        testing::Random random(2026);
        testing::ModelShape shape;
        shape.rows = shape.cols = 10;
        shape.dimension = 20;
        shape.maxRange = 3;
        shape.zeroShare = 0.0;
        raw = testing::RandomModel(random, shape);
        for (double& r : raw.ranges) r = 3;  // every variable three-valued
        raw.numValues = 60;
        for (int i = 0; i < 20; ++i)
            for (int v = 0; v < 3; ++v) raw.translate[v + i * 3] = i * 3 + v + 1;
        for (auto& m : raw.marginal) m.resize(60, 0.3);
        for (auto& j : raw.intersect) j.resize(3600, 0.1);
        samples = testing::RandomSamples(random, raw, 10000, false);
        codes = testing::CodesOf(raw, samples);
    }
};

const Workload& Data() {
    static const Workload w;
    return w;
}

void Literal(benchmark::State& state) {
    const Workload& w = Data();
    double average = 0.0;
    std::vector<double> perSample;
    for (auto _ : state) {
        reference::MixtureScores(w.raw, w.samples.data(), w.codes.numSamples, average, perSample);
        benchmark::DoNotOptimize(perSample.data());
    }
    state.SetItemsProcessed(state.iterations() * w.codes.numSamples);
}

void Fast(benchmark::State& state) {
    const Workload& w = Data();
    const MapModel view = testing::ViewOf(w.raw);
    std::vector<double> perSample(10000);
    for (auto _ : state) {
        MixtureLogLikelihood(view, w.codes, static_cast<int>(state.range(0)),
                             Span<double>(perSample.data(), perSample.size()));
        benchmark::DoNotOptimize(perSample.data());
    }
    state.SetItemsProcessed(state.iterations() * w.codes.numSamples);
}

BENCHMARK(Literal)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(Fast)->Arg(1)->Arg(DefaultThreadCount())->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints the literal/fast ratio of real time beside the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double literal = times_["Literal/iterations:2/real_time"];
        for (const auto& [name, time] : times_)
            if (name.rfind("Fast", 0) == 0 && time > 0)
                std::printf("ratio literal / %s = %.1f\n", name.c_str(), literal / time);
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
