// TavrixHoles' work: each sample's three hidden values predicted from the
// others (27 completions per unit), on maps with tree graphs over three-valued
// variables, from 50 to 800 samples, Dimension 10 to 40, 5 x 5 to 20 x 20
// units. The literal reference and the fast path in one run; an item is a
// sample.
#include "bench_support.hpp"

#include "holes/held_out.hpp"
#include "tests/reference/reference_holes.hpp"

namespace {

using namespace tavrix;

constexpr bench::Size kBase{200, 20, 10};

// Three of each sample's values hidden, as flags and as the mask the host hands over.
struct HeldOutWorkload : bench::Workload {
    static constexpr const char* kItem = "samples, 3 hidden values each";

    explicit HeldOutWorkload(const bench::Size& s)
        : Workload(s), hidden(bench::HiddenFlags(random, s.samples, s.dimension, 3)) {
        for (std::uint8_t h : hidden) mask.push_back(h ? 0.0 : 1.0);
    }
    std::vector<std::uint8_t> hidden;
    std::vector<double> mask;  // 0 = hidden
};

void Reference(benchmark::State& state) {
    double mean = 0.0;
    std::vector<double> perSample;
    bench::MeasureSamples<HeldOutWorkload>(state, HeldOutWorkload::kItem, [&](const HeldOutWorkload& w) {
        reference::HeldOut(w.raw, w.samples.data(), w.mask.data(), w.codes.numSamples, mean, perSample);
    });
}

void Fast(benchmark::State& state) {
    std::vector<double> perSample(bench::SizeOf(state).samples);
    bench::MeasureSamples<HeldOutWorkload>(state, HeldOutWorkload::kItem, [&](const HeldOutWorkload& w) {
        HeldOutLogProbabilities(w.view, w.codes, Span<const std::uint8_t>(w.hidden.data(), w.hidden.size()),
                                bench::ThreadsOf(state), Span<double>(perSample.data(), perSample.size()));
    });
}

BENCHMARK(Reference)->Apply(bench::ReferenceSizes<kBase>);
BENCHMARK(Fast)->Apply(bench::FastSizes<kBase>);

}  // namespace

int main(int argc, char** argv) { return tavrix::bench::RunWithRatios(argc, argv); }
