// TavrixBest's work: every sample's score under every unit and its best unit,
// on maps with tree graphs over three-valued variables, from 500 to 8,000
// samples, Dimension 10 to 40, 5 x 5 to 20 x 20 units. The literal reference
// and the fast path in one run; an item is a sample.
#include "bench_support.hpp"

#include "tests/reference/reference_core.hpp"
#include "winner/best_units.hpp"

namespace {

using namespace tavrix;

constexpr bench::Size kBase{2000, 20, 10};

void Reference(benchmark::State& state) {
    std::vector<double> best, scores;
    bench::MeasureSamples<bench::Workload>(state, "samples", [&](const bench::Workload& w) {
        reference::BestUnits(w.raw, w.samples.data(), w.codes.numSamples, best, &scores);
    });
}

void Fast(benchmark::State& state) {
    const bench::Size size = bench::SizeOf(state);
    std::vector<double> best(size.samples), scores(static_cast<std::size_t>(size.side) * size.side * size.samples);
    bench::MeasureSamples<bench::Workload>(state, "samples", [&](const bench::Workload& w) {
        BestUnits(w.view, w.codes, bench::ThreadsOf(state), Span<double>(best.data(), best.size()),
                  Span<double>(scores.data(), scores.size()));
    });
}

BENCHMARK(Reference)->Apply(bench::ReferenceSizes<kBase>);
BENCHMARK(Fast)->Apply(bench::FastSizes<kBase>);

}  // namespace

int main(int argc, char** argv) { return tavrix::bench::RunWithRatios(argc, argv); }
