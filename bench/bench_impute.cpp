// TavrixImpute's work: the posterior of every missing value, on maps of proper
// tree units over three-valued variables, from 12 to 200 samples, Dimension 10
// to 40, 5 x 5 to 20 x 20 units. With 4 missing values per sample, exact
// message passing against the literal reference, which enumerates the 81
// completions under every unit; with three quarters of the values missing,
// which enumeration cannot do, the fast path alone. An item is a sample.
#include "bench_support.hpp"

#include "impute/imputation.hpp"
#include "tests/reference/reference_impute.hpp"
#include "tests/support/proper_units.hpp"

namespace {

using namespace tavrix;

constexpr bench::Size kBase{50, 20, 10};
constexpr int kFewMissing = 4;
constexpr const char* kFewItem = "samples, 4 missing values each";
constexpr const char* kManyItem = "samples, 3/4 of the values missing";

struct ImputeWorkload : bench::Workload {
    explicit ImputeWorkload(const bench::Size& s)
        : Workload(s), fewHidden(bench::HiddenFlags(random, s.samples, s.dimension, kFewMissing)),
          few(Missing(fewHidden)), many(Missing(bench::HiddenFlags(random, s.samples, s.dimension, s.dimension * 3 / 4))) {
        for (auto& m : raw.marginal) std::fill(m.begin(), m.end(), 0.0);
        for (auto& j : raw.intersect) std::fill(j.begin(), j.end(), 0.0);
        testing::MakeProperTrees(random, raw, 0.0);
        testing::NormalisePi(raw);
    }
    CodeMatrix Missing(const std::vector<std::uint8_t>& hidden) const {
        CodeMatrix c = codes;
        for (std::size_t e = 0; e < hidden.size(); ++e)
            if (hidden[e]) c.codes[e] = kMissingCode;
        return c;
    }
    std::vector<std::uint8_t> fewHidden;
    CodeMatrix few, many;
};

// The fast path on one of the workload's code matrices, with the plan made in
// every call as TavrixImpute makes it.
void MeasureFast(benchmark::State& state, const char* item, CodeMatrix ImputeWorkload::*codes) {
    const bench::Size size = bench::SizeOf(state);
    const int threads = bench::ThreadsOf(state);
    std::vector<double> filled(static_cast<std::size_t>(size.dimension) * size.samples),
        post(static_cast<std::size_t>(3 * size.dimension) * size.samples), logp(size.samples);
    bench::MeasureSamples<ImputeWorkload>(state, item, [&](const ImputeWorkload& w) {
        const ImputePlan plan = PrepareImputation(w.view, threads);
        const ImputeOutputs out{Span<double>(filled.data(), filled.size()), Span<double>(post.data(), post.size()),
                                Span<double>(logp.data(), logp.size())};
        Impute(w.view, plan, w.*codes, threads, out);
    });
}

void Reference(benchmark::State& state) {
    bench::MeasureSamples<ImputeWorkload>(state, kFewItem, [&](const ImputeWorkload& w) {
        benchmark::DoNotOptimize(reference::Impute(w.raw, w.samples, w.fewHidden, w.codes.numSamples));
    });
}

void Fast(benchmark::State& state) { MeasureFast(state, kFewItem, &ImputeWorkload::few); }
void FastManyMissing(benchmark::State& state) { MeasureFast(state, kManyItem, &ImputeWorkload::many); }

BENCHMARK(Reference)->Apply(bench::ReferenceSizes<kBase>);
BENCHMARK(Fast)->Apply(bench::FastSizes<kBase>);
BENCHMARK(FastManyMissing)->Apply(bench::FastSizes<kBase>);

}  // namespace

int main(int argc, char** argv) { return tavrix::bench::RunWithRatios(argc, argv); }
