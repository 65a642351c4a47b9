#include "sample_counts.hpp"

#include <memory>
#include <type_traits>

#include "../batch/baseline.hpp"
#include "../batch/sparse_counts.hpp"
#include "../core/parallel.hpp"

namespace tavrix {
namespace {
constexpr std::int64_t kVisitsPerCheck = 256;
}  // namespace

std::vector<std::int32_t> MostFrequentCodes(const CodeMatrix& codes, const std::vector<std::int32_t>& ranges) {
    const auto d = static_cast<std::size_t>(codes.dimension);
    std::vector<std::int32_t> mode(d, 0);
    std::vector<std::int64_t> counts;
    for (std::size_t i = 0; i < d; ++i) {
        counts.assign(static_cast<std::size_t>(ranges[i]), 0);
        for (std::int32_t j = 0; j < codes.numSamples; ++j) {
            const std::int32_t code = codes.Column(j)[i];
            if (code != kMissingCode) ++counts[static_cast<std::size_t>(code)];
        }
        for (std::size_t a = 1; a < counts.size(); ++a)
            if (counts[a] > counts[static_cast<std::size_t>(mode[i])]) mode[i] = static_cast<std::int32_t>(a);
    }
    return mode;
}

StatisticsLayout LayoutOfRanges(const std::vector<std::int32_t>& ranges, std::int32_t units) {
    ValueIndexTable table;
    table.dimension = static_cast<std::int32_t>(ranges.size());
    table.rangeCounts = ranges;
    return MakeStatisticsLayout(table, units);
}

namespace {

template <class Counts>
void CountVisitsInto(const SparseCountLayout& sparse, const CodeMatrix& codes, const std::vector<Visit>& visits,
                     int threads, Statistics& stats, Interrupt* interrupt) {
    const StatisticsLayout& layout = sparse.dense;
    const int workers = ThreadCount(threads, static_cast<std::int64_t>(visits.size()));
    std::vector<std::unique_ptr<Counts>> parts;
    std::vector<NonBaselineEntries> entries(static_cast<std::size_t>(workers), NonBaselineEntries(layout.dimension));
    for (int t = 0; t < workers; ++t) parts.push_back(std::make_unique<Counts>(sparse));
    ParallelFor(static_cast<std::int64_t>(visits.size()), workers, interrupt, kVisitsPerCheck,
                [&](std::int64_t begin, std::int64_t end, int worker) {
                    Counts& own = *parts[static_cast<std::size_t>(worker)];
                    NonBaselineEntries& off = entries[static_cast<std::size_t>(worker)];
                    for (std::int64_t v = begin; v < end; ++v) {
                        const Visit& visit = visits[static_cast<std::size_t>(v)];
                        off.Find(codes.Column(visit.sample), sparse.baselines);
                        own.Add(off.variable.data(), off.code.data(), off.size, visit.unit, 1);
                    }
                });
    if (ShouldStop(interrupt, 0)) return;
    std::vector<const Counts*> views;
    for (const auto& part : parts) views.push_back(part.get());
    if constexpr (std::is_same_v<Counts, ListedCounts>) {
        for (const auto& part : parts) part->Flush();
        AddListedCounts(sparse, views, threads, true, 1.0, stats.View());
    } else {
        AddDenseCounts(sparse, views, threads, true, 1.0, stats.View());
    }
}

}  // namespace

void CountVisits(const StatisticsLayout& layout, const std::vector<std::int32_t>& baselines, const CodeMatrix& codes,
                 const std::vector<Visit>& visits, int threads, Statistics& stats, Interrupt* interrupt) {
    const SparseCountLayout sparse(layout, baselines);
    if (stats.compact) CountVisitsInto<ListedCounts>(sparse, codes, visits, threads, stats, interrupt);
    else CountVisitsInto<SparseCounts>(sparse, codes, visits, threads, stats, interrupt);
}

}  // namespace tavrix
