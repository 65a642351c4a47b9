#include "mpi_statistics_pass.hpp"

#include <algorithm>
#include <climits>

#include "../batch/assignment.hpp"
#include "../core/value_index_table.hpp"
#include "../host/matio/mat_arrays.hpp"

namespace tavrix::cli {

MpiStatisticsPass::MpiStatisticsPass(const MapModel& model, const CodeMatrix& block, std::int64_t totalSamples,
                                     int threads, MPI_Comm comm)
    : layout_(MakeStatisticsLayout(BuildValueIndexTable(model), model.NumUnits())),
      block_(block),
      totalSamples_(static_cast<double>(totalSamples)),
      threads_(threads),
      comm_(comm) {
    const auto units = static_cast<std::size_t>(layout_.units);
    const std::size_t size = units * (1 + layout_.numValues + layout_.numPairs) + 2;
    if (size > static_cast<std::size_t>(INT_MAX))
        throw FileError("the statistics of this model (" + std::to_string(size) +
                        " doubles) exceed one MPI reduction (2^31 - 1 doubles)");
    buffer_.assign(size, 0.0);
    const auto n = static_cast<std::size_t>(block.numSamples);
    best_.assign(n, 0);
    logLikelihood_.assign(n, 0.0);
}

ConstStatisticsView MpiStatisticsPass::Count(const MapModel& view, AssignmentMode mode, PassTotals& totals) {
    const double start = MPI_Wtime();
    std::fill(buffer_.begin(), buffer_.end(), 0.0);
    const auto units = static_cast<std::size_t>(layout_.units);
    double* count = buffer_.data();
    double* values = count + units;
    double* pairs = values + units * layout_.numValues;
    const std::size_t n = best_.size();
    CountStatistics(view, layout_, block_, threads_, StatisticsView{count, values, pairs},
                    AssignmentResults{Span<std::int32_t>(best_.data(), n), Span<double>(logLikelihood_.data(), n)},
                    nullptr, mode);
    PassTotals local;
    AddSampleResults(best_, Span<const double>(logLikelihood_.data(), n), previous_, local);
    double* tail = buffer_.data() + buffer_.size() - 2;
    tail[0] = local.logLikelihood;
    tail[1] = local.changed;
    const double counted = MPI_Wtime();
    countSeconds_ += counted - start;
    MPI_Allreduce(MPI_IN_PLACE, buffer_.data(), static_cast<int>(buffer_.size()), MPI_DOUBLE, MPI_SUM, comm_);
    reduceSeconds_ += MPI_Wtime() - counted;
    totals.logLikelihood = tail[0];
    totals.changed = tail[1];
    totals.samples = totalSamples_;
    return {count, values, pairs};
}

}  // namespace tavrix::cli
