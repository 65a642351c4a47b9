// Batch training (TavrixTrain's epochs) against online training (TavrixFit's
// iterations), per sample visit, on the data sets of peer_data.hpp:
//  - data 0, vote: 435 samples of 16 votes with missing entries, 6 x 6 map;
//  - data 1, basket: 4,600 samples of 216 binary items (8% ones), 4 x 4 map;
//  - data 2, basket: 100,000 such samples, 4 x 4 map (batch only, one thread).
// An online iteration visits one sample; an epoch visits every sample once.
// `./run bench-peers` times the one-thread epochs beside other SOMs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.hpp"
#include "bench/peer_data.hpp"
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
    reference::RawModel model;  // a first map
    CodeMatrix data;            // the data, missing entries kMissingCode
};

// The data with missing entries taken as the variable's first value.
CodeMatrix Completed(CodeMatrix data) {
    for (std::int32_t& c : data.codes) c = c == kMissingCode ? 0 : c;
    return data;
}

// A first map: every unit built by one batch update from a share of the
// samples, dealt out in turn.
Workload MakeWorkload(bench::Data data, int rows, int cols) {
    Workload w;
    reference::RawModel& m = w.model;
    const std::vector<double>& ranges = data.ranges;
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
    w.data = std::move(data.codes);

    const CodeMatrix complete = Completed(w.data);
    const MapModel view = testing::ViewOf(m);
    const StatisticsLayout layout = MakeStatisticsLayout(BuildValueIndexTable(view), view.NumUnits());
    Statistics stats(layout);
    for (std::int32_t j = 0; j < complete.numSamples; ++j)
        CountSample(layout, complete.Column(j), static_cast<std::int32_t>(static_cast<std::size_t>(j) * 7 % units),
                    stats.View());
    UpdateMap(view, layout, stats.ConstView(), 0.5, 1.0, 1, TablesOf(m));
    return w;
}

// The workload of data set `which`, built on first use and kept.
const Workload& Pick(std::int64_t which) {
    static std::vector<std::unique_ptr<Workload>> cache(bench::DataSets().size());
    std::unique_ptr<Workload>& w = cache[static_cast<std::size_t>(which)];
    if (!w) {
        const bench::DataSet& set = bench::DataSets()[static_cast<std::size_t>(which)];
        w = std::make_unique<Workload>(MakeWorkload(bench::Load(set), set.rows, set.cols));
    }
    return *w;
}

// "basket-4600 4x4, sample visits".
std::string VisitsOf(std::int64_t which) {
    const bench::DataSet& set = bench::DataSets()[static_cast<std::size_t>(which)];
    return std::string(set.name) + " " + std::to_string(set.rows) + "x" + std::to_string(set.cols) + ", sample visits";
}

void Online(benchmark::State& state) {
    const Workload& w = Pick(state.range(0));
    reference::RawModel model = w.model;
    const TrainedTables tables = TablesOf(model);
    const MapModel view = testing::ViewOf(model);
    const CodeMatrix samples = Completed(w.data);
    const std::int32_t iterations = state.range(0) == 0 ? 400 : 20;
    RandomDraws draws(1);
    for (auto _ : state) Train(view, tables, samples, iterations, draws, static_cast<int>(state.range(1)), nullptr);
    state.SetItemsProcessed(state.iterations() * iterations);
    state.SetLabel(VisitsOf(state.range(0)));
}

// Batch training runs as many epochs as the peers are timed with, so the
// last epoch's extra work (both halves of Intersect) weighs as it does there.
constexpr std::int32_t kBatchEpochs = 30;

// Hard or soft assignment: the last argument.
AssignmentMode ModeOf(const benchmark::State& state) {
    return state.range(2) != 0 ? AssignmentMode::kSoft : AssignmentMode::kHard;
}

void Batch(benchmark::State& state) {
    const Workload& w = Pick(state.range(0));
    reference::RawModel model = w.model;
    const TrainedTables tables = TablesOf(model);
    BatchSettings settings;
    settings.radiusStart = 2.0;
    settings.radiusEnd = 1.0;
    settings.threads = static_cast<int>(state.range(1));
    settings.assignment = ModeOf(state);
    std::vector<EpochReport> reports(kBatchEpochs);
    for (auto _ : state)
        TrainBatch(testing::ViewOf(w.model), tables, w.data, kBatchEpochs, settings,
                   Span<EpochReport>(reports.data(), reports.size()), nullptr);
    state.SetItemsProcessed(state.iterations() * w.data.numSamples * kBatchEpochs);
    state.SetLabel(VisitsOf(state.range(0)));
}

// One pass's statistics of a workload, and the buffers of the pass.
struct Pass {
    explicit Pass(const Workload& w)
        : view(testing::ViewOf(w.model)),
          layout(MakeStatisticsLayout(BuildValueIndexTable(view), view.NumUnits())),
          stats(layout),
          best(static_cast<std::size_t>(w.data.numSamples)),
          logLikelihood(best.size()) {}
    void Count(const CodeMatrix& data, int threads, AssignmentMode mode = AssignmentMode::kHard) {
        CountStatistics(view, layout, data, threads, stats.View(),
                        AssignmentResults{Span<std::int32_t>(best.data(), best.size()),
                                          Span<double>(logLikelihood.data(), best.size())},
                        nullptr, mode);
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
    for (auto _ : state) pass.Count(w.data, static_cast<int>(state.range(1)), ModeOf(state));
    state.SetItemsProcessed(state.iterations() * w.data.numSamples);
    state.SetLabel(VisitsOf(state.range(0)));
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
    state.SetLabel(VisitsOf(state.range(0)));
}

// Vote and the smaller baskets on one and two threads; the larger baskets on
// one; with soft assignment, each on one thread.
void EveryDataSet(benchmark::internal::Benchmark* b) {
    b->ArgNames({"data", "threads", "soft"})->Unit(benchmark::kMillisecond)->UseRealTime();
    b->Args({0, 1, 0})->Args({0, 2, 0})->Args({1, 1, 0})->Args({1, 2, 0})->Args({2, 1, 0});
    b->Args({0, 1, 1})->Args({1, 1, 1})->Args({2, 1, 1});
}

void HardOnly(benchmark::internal::Benchmark* b) {
    b->ArgNames({"data", "threads", "soft"})->Unit(benchmark::kMillisecond)->UseRealTime();
    b->Args({0, 1, 0})->Args({0, 2, 0})->Args({1, 1, 0})->Args({1, 2, 0})->Args({2, 1, 0});
}

BENCHMARK(Count)->Apply(EveryDataSet);
BENCHMARK(Update)->Apply(HardOnly);
BENCHMARK(Online)
    ->ArgsProduct({{0, 1}, {1}})
    ->ArgNames({"data", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// Processor time of the whole process, so that it counts every thread of an epoch.
BENCHMARK(Batch)->Apply(EveryDataSet)->MeasureProcessCPUTime();

// Per data set: batch against online per sample visit, the time per visit,
// and two threads against one.
void ReportRatios(std::ostream& out, const std::vector<bench::Measurement>& runs) {
    for (std::size_t which = 0; which < bench::DataSets().size(); ++which) {
        const std::string data = "/data:" + std::to_string(which) + "/";
        double online = 0.0, one = 0.0, two = 0.0, soft = 0.0, countHard = 0.0, countSoft = 0.0;
        for (const bench::Measurement& m : runs) {
            if (m.name.find(data) == std::string::npos) continue;
            const bool isSoft = m.name.find("soft:1") != std::string::npos;
            const bool oneThread = m.name.find("threads:1/") != std::string::npos;
            if (m.name.rfind("Online/", 0) == 0) online = m.itemsPerSecond;
            if (m.name.rfind("Batch/", 0) == 0 && oneThread) (isSoft ? soft : one) = m.itemsPerSecond;
            if (m.name.rfind("Batch/", 0) == 0 && !isSoft && m.name.find("threads:2/") != std::string::npos)
                two = m.itemsPerSecond;
            if (m.name.rfind("Count/", 0) == 0 && oneThread) (isSoft ? countSoft : countHard) = m.itemsPerSecond;
        }
        if (one == 0.0) continue;
        const bench::DataSet& set = bench::DataSets()[which];
        const double epoch = 1000.0 * Pick(static_cast<std::int64_t>(which)).data.numSamples / one;
        char text[256];
        std::snprintf(text, sizeof text, "%s %dx%d: batch ", set.name, set.rows, set.cols);
        out << text;
        if (online > 0.0) {
            std::snprintf(text, sizeof text, "%.1f x online ", one / online);
            out << text;
        }
        std::snprintf(text, sizeof text, "per sample visit on 1 thread (epoch %.2f ms, %.1f us per visit)", epoch,
                      1e6 / one);
        out << text;
        if (two > 0.0) {
            std::snprintf(text, sizeof text, "; 2 threads %.2f x 1", two / one);
            out << text;
        }
        if (soft > 0.0 && countSoft > 0.0) {
            std::snprintf(text, sizeof text, "; soft %.1f us per visit, %.2f x hard (pass alone %.2f x)", 1e6 / soft,
                          one / soft, countHard / countSoft);
            out << text;
        }
        out << '\n';
    }
}

}  // namespace
}  // namespace tavrix

int main(int argc, char** argv) { return tavrix::bench::RunWithRatios(argc, argv, tavrix::ReportRatios); }
