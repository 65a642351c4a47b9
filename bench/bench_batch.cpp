// Batch training (TavrixTrain's epochs) against online training (TavrixFit's
// iterations), per sample visit, on two workloads:
//  - vote: the House votes of data/vote.arff (16 votes, "?" missing) on a 6 x 6 map;
//  - wide: 4,600 samples of 216 binary variables (8.6% ones) on a 4 x 4 map.
// An online iteration visits one sample; an epoch visits every sample once.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "batch/assignment.hpp"
#include "batch/batch_training.hpp"
#include "batch/update.hpp"
#include "core/value_index_table.hpp"
#include "tests/support/random_model.hpp"
#include "train/training.hpp"

namespace tavrix {
namespace {

using testing::TablesOf;

struct Workload {
    reference::RawModel model;   // a first map; Samples complete (missing entries 0)
    CodeMatrix data;             // the data, missing entries kMissingCode
};

// The nominal attributes and rows of an ARFF file; "?" is missing.
CodeMatrix ReadVotes(const std::string& path, std::vector<double>& ranges) {
    std::ifstream in(path);
    std::string line;
    std::vector<std::vector<std::string>> labels;
    CodeMatrix data;
    bool rows = false;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        if (!rows && line.rfind("@attribute", 0) == 0) {
            std::vector<std::string> values;
            std::stringstream list(line.substr(line.find('{') + 1, line.find('}') - line.find('{') - 1));
            for (std::string v; std::getline(list, v, ',');) values.push_back(v.substr(v.find_first_not_of(' ')));
            labels.push_back(values);
        } else if (line.rfind("@data", 0) == 0) {
            rows = true;
        } else if (rows) {
            std::stringstream fields(line);
            std::size_t i = 0;
            for (std::string f; std::getline(fields, f, ','); ++i) {
                if (i + 1 == labels.size()) break;  // the party is not a model variable
                std::int32_t code = kMissingCode;
                for (std::size_t c = 0; c < labels[i].size(); ++c)
                    if (labels[i][c] == f) code = static_cast<std::int32_t>(c);
                data.codes.push_back(code);
            }
            ++data.numSamples;
        }
    }
    data.dimension = static_cast<std::int32_t>(labels.size()) - 1;
    for (std::int32_t i = 0; i < data.dimension; ++i) ranges.push_back(static_cast<double>(labels[static_cast<std::size_t>(i)].size()));
    return data;
}

// A first map: every unit built by one batch update from a share of the
// samples, dealt out in turn.
Workload MakeWorkload(CodeMatrix data, const std::vector<double>& ranges, int rows, int cols) {
    Workload w;
    reference::RawModel& m = w.model;
    const auto d = static_cast<std::int32_t>(ranges.size());
    m.numRowsMap = rows;
    m.numColsMap = cols;
    m.dimension = d;
    m.ranges = ranges;
    m.maxRange = 0;
    for (double r : ranges) m.maxRange = r > m.maxRange ? r : m.maxRange;
    m.translate.assign(static_cast<std::size_t>(m.maxRange) * static_cast<std::size_t>(d), 1.0);
    int next = 0;
    for (std::int32_t i = 0; i < d; ++i)
        for (int v = 0; v < ranges[static_cast<std::size_t>(i)]; ++v)
            m.translate[static_cast<std::size_t>(v + i * static_cast<int>(m.maxRange))] = ++next;
    m.numValues = next;
    const auto units = static_cast<std::size_t>(rows * cols);
    const auto nv = static_cast<std::size_t>(next);
    m.marginal.assign(units, std::vector<double>(nv));
    m.intersect.assign(units, std::vector<double>(nv * nv));
    m.graph.assign(units, std::vector<double>(static_cast<std::size_t>(d * d)));
    m.mutual = m.graph;
    m.pi.assign(units, 1.0 / static_cast<double>(units));
    m.numVictories.assign(units, 0.0);
    w.data = data;
    for (std::int32_t& c : data.codes) c = c == kMissingCode ? 0 : c;
    m.samples.assign(data.codes.begin(), data.codes.end());

    const MapModel view = testing::ViewOf(m);
    const StatisticsLayout layout = MakeStatisticsLayout(BuildValueIndexTable(view), view.NumUnits());
    Statistics stats(layout);
    for (std::int32_t j = 0; j < data.numSamples; ++j)
        CountSample(layout, data.Column(j), static_cast<std::int32_t>(static_cast<std::size_t>(j) * 7 % units), stats.View());
    UpdateMap(view, layout, stats.ConstView(), 0.5, 1.0, 1, TablesOf(m));
    return w;
}

const Workload& Vote() {
    static const Workload w = [] {
        std::vector<double> ranges;
        CodeMatrix data = ReadVotes(TAVRIX_SOURCE_DIR "/data/vote.arff", ranges);
        return MakeWorkload(data, ranges, 6, 6);
    }();
    return w;
}

const Workload& Wide() {
    static const Workload w = [] {
        testing::Random random(216);
        CodeMatrix data;
        data.dimension = 216;
        data.numSamples = 4600;
        for (int e = 0; e < 216 * 4600; ++e) data.codes.push_back(random.Chance(0.086) ? 1 : 0);
        return MakeWorkload(data, std::vector<double>(216, 2.0), 4, 4);
    }();
    return w;
}

const Workload& Pick(std::int64_t which) { return which == 0 ? Vote() : Wide(); }

void Online(benchmark::State& state) {
    const Workload& w = Pick(state.range(0));
    reference::RawModel model = w.model;
    const TrainedTables tables = TablesOf(model);
    const MapModel view = testing::ViewOf(model);
    const CodeMatrix samples = testing::CodesOf(model, model.samples);
    const std::int32_t iterations = state.range(0) == 0 ? 400 : 20;
    RandomDraws draws(1);
    for (auto _ : state) Train(view, tables, samples, iterations, draws, static_cast<int>(state.range(1)), nullptr);
    state.SetItemsProcessed(state.iterations() * iterations);
    state.SetLabel(state.range(0) == 0 ? "vote 6x6, sample visits" : "wide 4x4, sample visits");
}

void Batch(benchmark::State& state) {
    const Workload& w = Pick(state.range(0));
    reference::RawModel model = w.model;
    const TrainedTables tables = TablesOf(model);
    BatchSettings settings;
    settings.radiusStart = 2.0;
    settings.radiusEnd = 1.0;
    settings.threads = static_cast<int>(state.range(1));
    std::vector<EpochReport> reports(1);
    for (auto _ : state)
        TrainBatch(testing::ViewOf(w.model), tables, w.data, 1, settings, Span<EpochReport>(reports.data(), 1), nullptr);
    state.SetItemsProcessed(state.iterations() * w.data.numSamples);
    state.SetLabel(state.range(0) == 0 ? "vote 6x6, sample visits" : "wide 4x4, sample visits");
}

// One pass's statistics of a workload, and the buffers of the pass.
struct Pass {
    explicit Pass(const Workload& w)
        : view(testing::ViewOf(w.model)),
          layout(MakeStatisticsLayout(BuildValueIndexTable(view), view.NumUnits())),
          stats(layout),
          best(static_cast<std::size_t>(w.data.numSamples)),
          logLikelihood(best.size()) {}
    void Count(const CodeMatrix& data, int threads) {
        CountStatistics(view, layout, data, threads, stats.View(),
                        AssignmentResults{Span<std::int32_t>(best.data(), best.size()),
                                          Span<double>(logLikelihood.data(), best.size())});
    }
    MapModel view;
    StatisticsLayout layout;
    Statistics stats;
    std::vector<std::int32_t> best;
    std::vector<double> logLikelihood;
};

// The two halves of an epoch on their own.
void Count(benchmark::State& state) {
    const Workload& w = Pick(state.range(0));
    Pass pass(w);
    for (auto _ : state) pass.Count(w.data, static_cast<int>(state.range(1)));
    state.SetItemsProcessed(state.iterations() * w.data.numSamples);
}

void Update(benchmark::State& state) {
    const Workload& w = Pick(state.range(0));
    reference::RawModel model = w.model;
    const TrainedTables tables = TablesOf(model);
    Pass pass(w);
    pass.Count(w.data, 1);
    for (auto _ : state)
        UpdateMap(ViewOfTables(pass.view, tables), pass.layout, pass.stats.ConstView(), 1.0, 1.0,
                  static_cast<int>(state.range(1)), tables);
    state.SetItemsProcessed(state.iterations() * w.data.numSamples);
}

BENCHMARK(Count)->ArgsProduct({{0, 1}, {1, 2}})->ArgNames({"wide", "threads"})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Update)->ArgsProduct({{0, 1}, {1, 2}})->ArgNames({"wide", "threads"})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Online)->ArgsProduct({{0, 1}, {1}})->ArgNames({"wide", "threads"})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Batch)->ArgsProduct({{0, 1}, {1, 2}})->ArgNames({"wide", "threads"})->Unit(benchmark::kMillisecond)->UseRealTime();

// Per workload: batch against online per sample visit, and two threads against one.
void ReportRatios(std::ostream& out, const std::vector<bench::Measurement>& runs) {
    for (const char* workload : {"wide:0", "wide:1"}) {
        double online = 0.0, one = 0.0, two = 0.0;
        for (const bench::Measurement& m : runs) {
            if (m.name.find(std::string("/") + workload + "/") == std::string::npos) continue;
            if (m.name.rfind("Online/", 0) == 0) online = m.itemsPerSecond;
            if (m.name.rfind("Batch/", 0) == 0 && m.name.find("threads:1/") != std::string::npos) one = m.itemsPerSecond;
            if (m.name.rfind("Batch/", 0) == 0 && m.name.find("threads:2/") != std::string::npos) two = m.itemsPerSecond;
        }
        if (online == 0.0 || one == 0.0) continue;
        char text[256];
        std::snprintf(text, sizeof text,
                      "%s: batch %.1f x online per sample visit on 1 thread (epoch %.2f ms); 2 threads %.2f x 1\n",
                      workload[5] == '0' ? "vote 6x6" : "wide 4x4", one / online,
                      1000.0 * (workload[5] == '0' ? Vote() : Wide()).data.numSamples / one, two > 0.0 ? two / one : 0.0);
        out << text;
    }
}

}  // namespace
}  // namespace tavrix

int main(int argc, char** argv) { return tavrix::bench::RunWithRatios(argc, argv, tavrix::ReportRatios); }
