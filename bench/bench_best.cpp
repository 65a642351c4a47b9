// TavrixBest's work: every sample's score under every unit and its best unit,
// on maps with tree graphs over three-valued variables, from 500 to 8,000
// samples, Dimension 10 to 40, 5 x 5 to 20 x 20 units. The literal reference
// and the fast path in one run, and the fast path on samples with missing
// entries; an item is a sample.
#include <limits>

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

// The same samples with every tenth entry missing: most samples have at most
// 16 completions, enumerated through the compiled units.
struct MissingWorkload : bench::Workload {
    explicit MissingWorkload(const bench::Size& s) : Workload(s) {
        for (std::size_t e = 0; e < codes.codes.size(); e += 10) {
            codes.codes[e] = kMissingCode;
            samples[e] = std::numeric_limits<double>::quiet_NaN();
        }
    }
};

void ReferenceMissing(benchmark::State& state) {
    std::vector<double> best, scores;
    bench::MeasureSamples<MissingWorkload>(state, "samples", [&](const MissingWorkload& w) {
        reference::BestUnits(w.raw, w.samples.data(), w.codes.numSamples, best, &scores);
    });
}

void FastMissing(benchmark::State& state) {
    const bench::Size size = bench::SizeOf(state);
    std::vector<double> best(size.samples), scores(static_cast<std::size_t>(size.side) * size.side * size.samples);
    bench::MeasureSamples<MissingWorkload>(state, "samples", [&](const MissingWorkload& w) {
        BestUnits(w.view, w.codes, 1, Span<double>(best.data(), best.size()), Span<double>(scores.data(), scores.size()));
    });
}

BENCHMARK(Reference)->Apply(bench::ReferenceSizes<kBase>);
BENCHMARK(Fast)->Apply(bench::FastSizes<kBase>);
BENCHMARK(ReferenceMissing)->Apply(bench::BaseSize<kBase>);
BENCHMARK(FastMissing)->Apply(bench::BaseSize<kBase>);

}  // namespace

int main(int argc, char** argv) { return tavrix::bench::RunWithRatios(argc, argv); }
