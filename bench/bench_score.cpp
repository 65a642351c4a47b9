// TavrixScore's work: every sample's log-likelihood under the map as a
// mixture of its units, on maps with tree graphs over three-valued variables,
// from 500 to 8,000 samples, Dimension 10 to 40, 5 x 5 to 20 x 20 units. The
// literal reference and the fast path in one run; an item is a sample.
#include "bench_support.hpp"

#include "score/mixture_log_likelihood.hpp"
#include "tests/reference/reference_score.hpp"

namespace {

using namespace tavrix;

constexpr bench::Size kBase{2000, 20, 10};

void Reference(benchmark::State& state) {
    double average = 0.0;
    std::vector<double> perSample;
    bench::MeasureSamples<bench::Workload>(state, "samples", [&](const bench::Workload& w) {
        reference::MixtureScores(w.raw, w.samples.data(), w.codes.numSamples, average, perSample);
    });
}

void Fast(benchmark::State& state) {
    std::vector<double> perSample(bench::SizeOf(state).samples);
    bench::MeasureSamples<bench::Workload>(state, "samples", [&](const bench::Workload& w) {
        MixtureLogLikelihood(w.view, w.codes, bench::ThreadsOf(state), Span<double>(perSample.data(), perSample.size()));
    });
}

BENCHMARK(Reference)->Apply(bench::ReferenceSizes<kBase>);
BENCHMARK(Fast)->Apply(bench::FastSizes<kBase>);

}  // namespace

int main(int argc, char** argv) { return tavrix::bench::RunWithRatios(argc, argv); }
