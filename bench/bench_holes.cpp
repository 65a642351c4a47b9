// TavrixHoles' work: a 10 x 10 map, Dimension 20 with 3 values each, tree
// graphs, 10,000 samples with 3 hidden entries each (27 completions). The
// literal reference takes about 4 ms a sample, so it runs on the first 500
// samples and the ratio compares the time per sample.
#include "bench_support.hpp"


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
        raw = bench::ThreeValuedMap(random, 10, 10, 20);
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

}  // namespace

int main(int argc, char** argv) { return tavrix::bench::RunWithRatios(argc, argv, "Literal", "Fast"); }
