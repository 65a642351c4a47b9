// TavrixBest's work: a 10 x 10 map, Dimension 20 with 3 values each, tree
// graphs, 10,000 samples. The literal reference and the fast path in one run.
#include "bench_support.hpp"


#include "core/parallel.hpp"
#include "tests/reference/reference_core.hpp"
#include "tests/support/random_model.hpp"
#include "winner/best_units.hpp"

namespace {

using namespace tavrix;

using bench::Data;
using Workload = bench::SampleWorkload;

void Literal(benchmark::State& state) {
    const Workload& w = Data();
    std::vector<double> best, scores;
    for (auto _ : state) {
        reference::BestUnits(w.raw, w.samples.data(), w.codes.numSamples, best, &scores);
        benchmark::DoNotOptimize(scores.data());
    }
    state.SetItemsProcessed(state.iterations() * w.codes.numSamples);
}

void Fast(benchmark::State& state) {
    const Workload& w = Data();
    const MapModel view = testing::ViewOf(w.raw);
    std::vector<double> best(10000), scores(100 * 10000);
    for (auto _ : state) {
        BestUnits(view, w.codes, static_cast<int>(state.range(0)), Span<double>(best.data(), best.size()),
                  Span<double>(scores.data(), scores.size()));
        benchmark::DoNotOptimize(scores.data());
    }
    state.SetItemsProcessed(state.iterations() * w.codes.numSamples);
}

BENCHMARK(Literal)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(Fast)->Arg(1)->Arg(DefaultThreadCount())->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return tavrix::bench::RunWithRatios(argc, argv, "Literal", "Fast"); }
