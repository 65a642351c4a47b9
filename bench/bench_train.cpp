// TavrixFit's work: iterations per second of the fast driver and the literal
// reference on a 10 x 10 map over the vote data (16 variables, 3 values with
// the unknown vote) and on a 20 x 20 map with Dimension 30 and 4 values each,
// on one thread and on all cores. Beside them the log bound: the time that the
// logarithms of the mutual information alone take per iteration, and the time
// of those logarithms with the quotient and sum that each term needs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "core/numeric.hpp"
#include "core/parallel.hpp"
#include "tests/reference/reference_train.hpp"
#include "tests/support/random_model.hpp"
#include "train/mutual_information.hpp"
#include "train/training.hpp"

namespace {

using namespace tavrix;

// The vote data's 16 votes as codes: y 0, n 1, ? 2.
std::vector<double> VoteSamples() {
    const std::string here = __FILE__;
    std::ifstream in(here.substr(0, here.rfind('/')) + "/../data/vote.arff");
    std::vector<double> samples;
    std::string line;
    bool data = false;
    while (std::getline(in, line)) {
        if (!data) {
            data = line.rfind("@data", 0) == 0 || line.rfind("@DATA", 0) == 0;
            continue;
        }
        std::stringstream fields(line);
        std::string f;
        for (int i = 0; i < 16 && std::getline(fields, f, ','); ++i)
            samples.push_back(f.find('y') != std::string::npos ? 0 : f.find('n') != std::string::npos ? 1 : 2);
    }
    return samples;
}

// A map of independent variables with random marginals, every variable `range`-valued.
reference::RawModel StartingMap(int side, int dimension, int range, std::vector<double> samples) {
    testing::Random random(2026);
    testing::ModelShape shape;
    shape.rows = shape.cols = side;
    shape.dimension = dimension;
    shape.maxRange = range;
    shape.zeroShare = 0.0;
    reference::RawModel m = testing::RandomModel(random, shape);
    const int nv = dimension * range;
    m.numValues = nv;
    for (int i = 0; i < dimension; ++i) {
        m.ranges[i] = range;
        for (int v = 0; v < range; ++v) m.translate[v + i * range] = i * range + v + 1;
    }
    for (auto& x : m.marginal) x.assign(nv, 0.0);
    for (auto& x : m.intersect) x.assign(static_cast<std::size_t>(nv) * nv, 0.0);
    for (auto& x : m.pi) x = 1.0 / (side * side);
    testing::MakeProper(random, m);
    if (samples.empty()) {
        // Two clusters of correlated votes, so the trees have something to learn.
        for (int j = 0; j < 2000; ++j) {
            const int cluster = random.Below(2);
            for (int i = 0; i < dimension; ++i)
                samples.push_back(random.Chance(0.8) ? (cluster + i) % range : random.Below(range));
        }
    }
    m.samples = samples;
    return m;
}

const reference::RawModel& Vote() {
    static const reference::RawModel m = StartingMap(10, 16, 3, VoteSamples());
    return m;
}
const reference::RawModel& Wide() {
    static const reference::RawModel m = StartingMap(20, 30, 4, {});
    return m;
}
const reference::RawModel& Workload(int which) { return which == 0 ? Vote() : Wide(); }
const char* Name(int which) { return which == 0 ? "vote10x10" : "wide20x20"; }

// A working copy trained in place by the fast driver, across benchmark iterations.
struct FastRun {
    reference::RawModel model;
    TrainedTables tables;
    CodeMatrix codes;
    MapModel view;
    explicit FastRun(const reference::RawModel& raw) : model(raw), codes(testing::CodesOf(raw, raw.samples)) {
        view = testing::ViewOf(model);
        for (std::size_t k = 0; k < model.marginal.size(); ++k) {
            tables.marginal.push_back(model.marginal[k].data());
            tables.intersect.push_back(model.intersect[k].data());
            tables.mutual.push_back(model.mutual[k].data());
            tables.graph.push_back(model.graph[k].data());
        }
        tables.pi = model.pi.data();
        tables.numVictories = model.numVictories.data();
    }
};

void Fast(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    FastRun run(Workload(which));
    const int iterations = which == 0 ? 200 : 10;
    RandomDraws draws(1);
    for (auto _ : state) {
        Train(run.view, run.tables, run.codes, iterations, draws, threads, nullptr);
        benchmark::DoNotOptimize(run.model.pi.data());
    }
    state.SetItemsProcessed(state.iterations() * iterations);
    state.SetLabel(Name(which));
}

void Literal(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const int iterations = which == 0 ? 20 : 2;
    RandomDraws draws(1);
    for (auto _ : state) {
        reference::RawModel out = reference::Train(Workload(which), iterations, [&](std::int32_t n) { return draws.Draw(n); });
        benchmark::DoNotOptimize(out.pi.data());
    }
    state.SetItemsProcessed(state.iterations() * iterations);
    state.SetLabel(Name(which));
}

// The terms of one iteration's mutual information: for every unit, each value
// pair of distinct variables with a nonzero joint S, and its marginal
// product P, from a map trained for a while (their values set the log's speed).
struct Terms {
    std::vector<double> joint, product;
};

const Terms& TermsOf(int which) {
    static Terms terms[2];
    Terms& t = terms[which];
    if (!t.joint.empty()) return t;
    FastRun run(Workload(which));
    RandomDraws draws(1);
    Train(run.view, run.tables, run.codes, which == 0 ? 200 : 10, draws, DefaultThreadCount(), nullptr);
    const reference::RawModel& m = run.model;
    const int d = static_cast<int>(m.dimension), range = static_cast<int>(m.maxRange);
    const int nv = static_cast<int>(m.numValues);
    for (std::size_t u = 0; u < m.marginal.size(); ++u)
        for (int i = 0; i < d; ++i)
            for (int a = 0; a < range; ++a)
                for (int j = i + 1; j < d; ++j)
                    for (int b = 0; b < range; ++b) {
                        const int gi = i * range + a, gj = j * range + b;
                        const double s = m.intersect[u][gj + gi * nv];
                        if (s == 0.0) continue;
                        t.joint.push_back(s);
                        t.product.push_back(m.marginal[u][gj] * m.marginal[u][gi]);
                    }
    return t;
}

// The log bound: the logarithms one iteration cannot avoid, alone, on one thread.
void LogBound(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const Terms& t = TermsOf(which);
    std::vector<double> quotients(t.joint.size());
    for (std::size_t e = 0; e < quotients.size(); ++e) quotients[e] = t.joint[e] / t.product[e];
    for (auto _ : state) {
        double sum = 0.0;
        for (double q : quotients) sum += std::log(q);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(Name(which));
}

// What each term needs at the least for the exact doubles: its own correctly
// rounded quotient, its logarithm, and its share of the sum, with the data
// laid out in order and nothing else of training (no updates, no trees).
void TermBound(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const Terms& t = TermsOf(which);
    for (auto _ : state) {
        double sum = 0.0;
        for (std::size_t e = 0; e < t.joint.size(); ++e) {
            const double u = std::log(t.joint[e] / t.product[e]) * kBitsPerNat;
            sum = sum + (IsFinite(u) ? u * t.joint[e] : 0.0);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(Name(which));
}

BENCHMARK(Literal)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(Fast)->Args({0, 1})->Args({0, DefaultThreadCount()})->Args({1, 1})->Args({1, DefaultThreadCount()})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LogBound)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TermBound)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints, per workload, the literal / fast ratios, the thread speed-up and
// how far one thread stays above the log bound, from items (iterations) per second.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const auto it = r.counters.find("items_per_second");
            if (it != r.counters.end()) rates_[r.benchmark_name()] = it->second.value;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const int cores = DefaultThreadCount();
        for (int which = 0; which < 2; ++which) {
            const std::string w = std::to_string(which);
            const double literal = Find("Literal/" + w + "/");
            const double one = Find("Fast/" + w + "/1/");
            const double all = Find("Fast/" + w + "/" + std::to_string(cores) + "/");
            const double bound = Find("LogBound/" + w + "/");
            const double terms = Find("TermBound/" + w + "/");
            std::printf("%s: %.1f iterations/s on 1 thread, %.1f on %d; fast/literal %.1f (1 thread), %.1f (%d); "
                        "speed-up %.2f; 1 thread takes %.2f x the log bound; quotient, log and sum alone take %.2f x\n",
                        Name(which), one, all, cores, one / literal, all / literal, cores, all / one, bound / one,
                        bound / terms);
        }
    }

private:
    double Find(const std::string& prefix) const {
        for (const auto& [name, rate] : rates_)
            if (name.rfind(prefix, 0) == 0) return rate;
        return 0.0;
    }
    std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
