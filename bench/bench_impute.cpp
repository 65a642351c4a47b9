// TavrixImpute's work: a 10 x 10 map of proper tree units, Dimension 30 with
// 3 values each, 1,000 samples. With 10 missing entries per sample, exact
// message passing against enumerating the 3^10 completions per unit (the
// evidence TavrixHoles sums); with 40 missing, which enumeration cannot do.
// Enumeration runs on a few samples only; the ratio is per sample.
#include "bench_support.hpp"

#include <cmath>

#include "core/compiled_unit.hpp"
#include "core/parallel.hpp"
#include "impute/imputation.hpp"
#include "tests/support/proper_units.hpp"
#include "tests/support/random_model.hpp"

namespace {

using namespace tavrix;

constexpr int kSamples = 1000;
constexpr int kEnumeratedSamples = 4;

struct Workload {
    reference::RawModel raw;
    CodeMatrix ten, forty;
    Workload() {
        testing::Random random(2026);
        testing::ModelShape shape;
        shape.rows = shape.cols = 10;
        shape.dimension = 30;
        shape.maxRange = 3;
        shape.zeroShare = 0.0;
        raw = testing::RandomModel(random, shape);
        for (double& r : raw.ranges) r = 3;
        raw.numValues = 90;
        for (int i = 0; i < 30; ++i)
            for (int v = 0; v < 3; ++v) raw.translate[v + i * 3] = i * 3 + v + 1;
        for (auto& m : raw.marginal) m.assign(90, 0.0);
        for (auto& j : raw.intersect) j.assign(8100, 0.0);
        testing::MakeProperTrees(random, raw, 0.0);
        testing::NormalisePi(raw);
        const std::vector<double> samples = testing::RandomSamples(random, raw, kSamples, false);
        ten = Hide(random, testing::CodesOf(raw, samples), 10);
        forty = Hide(random, testing::CodesOf(raw, samples), 40);
    }
    static CodeMatrix Hide(testing::Random& random, CodeMatrix codes, int count) {
        const int d = codes.dimension;
        for (int j = 0; j < codes.numSamples; ++j)
            for (int hidden = 0; hidden < count && hidden < d;) {
                std::int32_t& c = codes.codes[static_cast<std::size_t>(j) * d + random.Below(d)];
                if (c != kMissingCode) {
                    c = kMissingCode;
                    ++hidden;
                }
            }
        return codes;
    }
};

const Workload& Data() {
    static const Workload w;
    return w;
}

void RunTree(benchmark::State& state, const CodeMatrix& codes) {
    const Workload& w = Data();
    const MapModel view = testing::ViewOf(w.raw);
    const int threads = static_cast<int>(state.range(0));
    std::vector<double> filled(30 * kSamples), post(90 * kSamples), logp(kSamples);
    for (auto _ : state) {
        const ImputePlan plan = PrepareImputation(view, threads);
        ImputeOutputs out{Span<double>(filled.data(), filled.size()), Span<double>(post.data(), post.size()),
                          Span<double>(logp.data(), logp.size())};
        Impute(view, plan, codes, threads, out);
        benchmark::DoNotOptimize(post.data());
    }
    state.SetItemsProcessed(state.iterations() * codes.numSamples);
}

void Tree10(benchmark::State& state) { RunTree(state, Data().ten); }
void Tree40(benchmark::State& state) { RunTree(state, Data().forty); }

// Every unit's evidence by visiting each completion, lowest missing variable fastest.
void Enumeration10(benchmark::State& state) {
    const Workload& w = Data();
    const MapModel view = testing::ViewOf(w.raw);
    const ValueIndexTable table = BuildValueIndexTable(view);
    const std::vector<CompiledUnit> units = CompileUnits(view, table, 1);
    std::vector<double> evidence(units.size());
    for (auto _ : state) {
        for (int j = 0; j < kEnumeratedSamples; ++j) {
            std::vector<std::int32_t> work(w.ten.Column(j), w.ten.Column(j) + 30), missing;
            for (int i = 0; i < 30; ++i)
                if (work[i] == kMissingCode) missing.push_back(i);
            std::int64_t completions = 1;
            for (std::size_t h = 0; h < missing.size(); ++h) completions *= 3;
            std::fill(evidence.begin(), evidence.end(), 0.0);
            for (std::int64_t m = 0; m < completions; ++m) {
                std::int64_t u = m;
                for (int h : missing) {
                    work[h] = static_cast<std::int32_t>(u % 3);
                    u /= 3;
                }
                for (std::size_t k = 0; k < units.size(); ++k) {
                    const double s = UnitLogLikelihood(units[k], work.data());
                    if (s - s == 0.0) evidence[k] += std::exp(s);
                }
            }
            benchmark::DoNotOptimize(evidence.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kEnumeratedSamples);
}

BENCHMARK(Enumeration10)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(Tree10)->Arg(1)->Arg(DefaultThreadCount())->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Tree40)->Arg(1)->Arg(DefaultThreadCount())->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return tavrix::bench::RunWithRatios(argc, argv, "Enumeration10", "Tree"); }
