// TavrixScore's work: a 10 x 10 map, Dimension 20 with 3 values each, tree
// graphs, 10,000 samples. The literal reference and the fast path in one run.
#include "bench_support.hpp"


#include "core/parallel.hpp"
#include "score/mixture_log_likelihood.hpp"
#include "tests/reference/reference_score.hpp"
#include "tests/support/random_model.hpp"

namespace {

using namespace tavrix;

using bench::Data;
using Workload = bench::SampleWorkload;

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

}  // namespace

int main(int argc, char** argv) { return tavrix::bench::RunWithRatios(argc, argv, "Literal", "Fast"); }
