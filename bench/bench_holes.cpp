// TavrixHoles' work: a 10 x 10 map, Dimension 20 with 3 values each, tree
// graphs, 10,000 samples with 3 hidden entries each (27 completions). The
// literal reference takes about 4 ms a sample, so it runs on the first 500
// samples and the ratio compares the time per sample.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "core/parallel.hpp"
#include "holes/held_out.hpp"
#include "tests/reference/reference_holes.hpp"
#include "tests/support/random_model.hpp"

namespace {

using namespace tavrix;

constexpr int kSamples = 10000;
constexpr int kLiteralSamples = 500;

struct Workload {
    reference::RawModel raw;
    std::vector<double> samples, mask;
    std::vector<std::uint8_t> hidden;
    CodeMatrix codes;
    Workload() {
        testing::Random random(2027);
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
        samples = testing::RandomSamples(random, raw, kSamples, false);
        codes = testing::CodesOf(raw, samples);
        mask.assign(samples.size(), 1.0);
        for (int j = 0; j < kSamples; ++j)
            for (int hiddenCount = 0; hiddenCount < 3;) {
                double& entry = mask[static_cast<std::size_t>(j) * 20 + random.Below(20)];
                if (entry != 0.0) {
                    entry = 0.0;
                    ++hiddenCount;
                }
            }
        for (double m : mask) hidden.push_back(m == 0.0 ? 1 : 0);
    }
};

const Workload& Data() {
    static const Workload w;
    return w;
}

void Literal(benchmark::State& state) {
    const Workload& w = Data();
    double mean = 0.0;
    std::vector<double> perSample;
    for (auto _ : state) {
        reference::HeldOut(w.raw, w.samples.data(), w.mask.data(), kLiteralSamples, mean, perSample);
        benchmark::DoNotOptimize(perSample.data());
    }
    state.SetItemsProcessed(state.iterations() * kLiteralSamples);
}

void Fast(benchmark::State& state) {
    const Workload& w = Data();
    const MapModel view = testing::ViewOf(w.raw);
    std::vector<double> perSample(kSamples);
    for (auto _ : state) {
        HeldOutLogProbabilities(view, w.codes, Span<const std::uint8_t>(w.hidden.data(), w.hidden.size()),
                                static_cast<int>(state.range(0)), Span<double>(perSample.data(), perSample.size()));
        benchmark::DoNotOptimize(perSample.data());
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

BENCHMARK(Literal)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(Fast)->Arg(1)->Arg(DefaultThreadCount())->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints the literal/fast ratio of real time per sample beside the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) perSample_[r.benchmark_name()] = r.GetAdjustedRealTime() /
                                                                    (r.benchmark_name().rfind("Fast", 0) == 0 ? kSamples : kLiteralSamples);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double literal = perSample_["Literal/iterations:1/real_time"];
        for (const auto& [name, time] : perSample_)
            if (name.rfind("Fast", 0) == 0 && time > 0)
                std::printf("ratio literal / %s per sample = %.1f\n", name.c_str(), literal / time);
    }

private:
    std::map<std::string, double> perSample_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
