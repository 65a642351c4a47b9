// TavrixFit's work: training iterations per second of the fast driver and the
// literal reference on maps of independent three-valued variables and samples
// from two clusters, from 500 to 8,000 samples, Dimension 8 to 32, 5 x 5 to
// 20 x 20 units. Beside them, at the base size, the log bound: the time that
// the logarithms of the mutual information alone take per iteration, and the
// time of those logarithms with the quotient and sum that each term needs.
#include "bench_support.hpp"

#include <cmath>
#include <cstdio>
#include <ostream>

#include "core/numeric.hpp"
#include "tests/reference/reference_train.hpp"
#include "core/mutual_information.hpp"
#include "train/training.hpp"

namespace {

using namespace tavrix;

constexpr bench::Size kBase{2000, 16, 10};
constexpr int kIterationsPerCall = 50;
constexpr const char* kItem = "iterations, one sample each";

// The starting map: proper tables of independent variables, uniform Pi, the
// workload's samples in Samples as the literal reference reads them.
struct TrainingWorkload : bench::Workload {
    explicit TrainingWorkload(const bench::Size& s) : Workload(s) {
        testing::MakeProper(random, raw);
        for (double& p : raw.pi) p = 1.0 / static_cast<double>(raw.pi.size());
        raw.samples = samples;
    }
};

std::vector<double*> Pointers(std::vector<std::vector<double>>& tables) {
    std::vector<double*> pointers;
    for (std::vector<double>& t : tables) pointers.push_back(t.data());
    return pointers;
}

// A working copy of the starting map that the fast driver trains in place.
struct FastRun {
    explicit FastRun(const TrainingWorkload& w) : model(w.raw), codes(w.codes) {
        view = testing::ViewOf(model);
        tables.marginal = Pointers(model.marginal);
        tables.intersect = Pointers(model.intersect);
        tables.mutual = Pointers(model.mutual);
        tables.graph = Pointers(model.graph);
        tables.pi = model.pi.data();
        tables.numVictories = model.numVictories.data();
    }
    void Run(std::int32_t iterations, int threads) { Train(view, tables, codes, iterations, draws, threads, nullptr); }

    reference::RawModel model;
    CodeMatrix codes;
    MapModel view;
    TrainedTables tables;
    RandomDraws draws{1};
};

void Fast(benchmark::State& state) {
    const TrainingWorkload& w = bench::Cached<TrainingWorkload>(bench::SizeOf(state));
    FastRun run(w);
    for (auto _ : state) {
        run.Run(kIterationsPerCall, bench::ThreadsOf(state));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kIterationsPerCall);
    state.SetLabel(kItem);
}

void Reference(benchmark::State& state) {
    const TrainingWorkload& w = bench::Cached<TrainingWorkload>(bench::SizeOf(state));
    RandomDraws draws(1);
    for (auto _ : state) {
        reference::RawModel out = reference::Train(w.raw, kIterationsPerCall, [&](std::int32_t n) { return draws.Draw(n); });
        benchmark::DoNotOptimize(out.pi.data());
    }
    state.SetItemsProcessed(state.iterations() * kIterationsPerCall);
    state.SetLabel(kItem);
}

// The terms of one iteration's mutual information: for every unit, each value
// pair of distinct (three-valued) variables with a nonzero joint S, and its
// marginal product P, from the base map trained for a while (their values set the log's speed).
struct Terms {
    std::vector<double> joint, product;
};

const Terms& BaseTerms() {
    static const Terms terms = [] {
        Terms t;
        FastRun run(bench::Cached<TrainingWorkload>(kBase));
        run.Run(200, DefaultThreadCount());
        const reference::RawModel& m = run.model;
        const int d = static_cast<int>(m.dimension), nv = static_cast<int>(m.numValues);
        for (std::size_t u = 0; u < m.marginal.size(); ++u)
            for (int i = 0; i < d; ++i)
                for (int a = 0; a < 3; ++a)
                    for (int j = i + 1; j < d; ++j)
                        for (int b = 0; b < 3; ++b) {
                            const int gi = i * 3 + a, gj = j * 3 + b;
                            const double s = m.intersect[u][gj + gi * nv];
                            if (s == 0.0) continue;
                            t.joint.push_back(s);
                            t.product.push_back(m.marginal[u][gj] * m.marginal[u][gi]);
                        }
        return t;
    }();
    return terms;
}

// The log bound: the logarithms one iteration cannot avoid, alone, on one thread.
void LogBound(benchmark::State& state) {
    const Terms& t = BaseTerms();
    std::vector<double> quotients(t.joint.size());
    for (std::size_t e = 0; e < quotients.size(); ++e) quotients[e] = t.joint[e] / t.product[e];
    for (auto _ : state) {
        double sum = 0.0;
        for (double q : quotients) sum += std::log(q);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(kItem);
}

// What each term needs at the least for the exact doubles: its own correctly
// rounded quotient, its logarithm, and its share of the sum, with the data
// laid out in order and nothing else of training (no updates, no trees).
void TermBound(benchmark::State& state) {
    const Terms& t = BaseTerms();
    for (auto _ : state) {
        double sum = 0.0;
        for (std::size_t e = 0; e < t.joint.size(); ++e) {
            const double u = std::log(t.joint[e] / t.product[e]) * kBitsPerNat;
            sum = sum + (IsFinite(u) ? u * t.joint[e] : 0.0);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(kItem);
}

BENCHMARK(Reference)->Apply(bench::ReferenceSizes<kBase>);
BENCHMARK(Fast)->Apply(bench::FastSizes<kBase>);
BENCHMARK(LogBound)->Apply(bench::BaseSize<kBase>);
BENCHMARK(TermBound)->Apply(bench::BaseSize<kBase>);

// At the base size: the thread speed-up and how far one thread stays above
// the log bound, from iterations per second.
void ReportBounds(std::ostream& out, const std::vector<bench::Measurement>& runs) {
    double one = 0.0, all = 0.0, logBound = 0.0, termBound = 0.0;
    std::string size, threads;
    for (const bench::Measurement& m : runs) {
        const bench::RunName run = bench::ParseRunName(m.name);
        if (run.function == "LogBound") size = run.size;
    }
    for (const bench::Measurement& m : runs) {
        const bench::RunName run = bench::ParseRunName(m.name);
        if (run.size != size) continue;
        if (run.function == "LogBound") logBound = m.itemsPerSecond;
        if (run.function == "TermBound") termBound = m.itemsPerSecond;
        if (run.function == "Fast" && run.threads == "1") one = m.itemsPerSecond;
        if (run.function == "Fast" && run.threads != "1") {
            all = m.itemsPerSecond;
            threads = run.threads;
        }
    }
    if (one == 0.0 || logBound == 0.0) return;
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s: speed-up on %s threads %.2f; 1 thread takes %.2f x the log bound; quotient, log and sum "
                  "alone take %.2f x\n",
                  size.c_str(), threads.empty() ? "1" : threads.c_str(), all > 0.0 ? all / one : 1.0,
                  logBound / one, termBound > 0.0 ? logBound / termBound : 0.0);
    out << text;
}

}  // namespace

int main(int argc, char** argv) { return tavrix::bench::RunWithRatios(argc, argv, ReportBounds); }
