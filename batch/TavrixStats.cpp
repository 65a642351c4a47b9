// [stats, best, loglik] = TavrixStats(model, data, 'Mask', m, 'Threads', n)
#include "../host/batch_fields.hpp"
#include "../host/data_reader.hpp"
#include "../host/gateway.hpp"
#include "../host/model_reader.hpp"
#include "../host/options.hpp"
#include "assignment.hpp"

namespace {
enum { kInModel = 0, kInData, kInEnd };
enum { kOutStats = 0, kOutBest, kOutLogLikelihood, kOutEnd };
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    using namespace tavrix;
    host::RunGateway("TavrixStats", nlhs, plhs, nrhs, prhs, [](const host::Call& call) {
        // Check the arguments.
        host::CheckCounts(call, kInEnd, kOutEnd);
        const MapModel model = host::ReadModel(call.prhs[kInModel], kInModel + 1);
        host::RequireBatchFields(call.prhs[kInModel], model);
        const host::Options options = host::ParseOptions(call, kInEnd, host::kThreadsOption | host::kMaskOption);
        const mxArray* data = call.prhs[kInData];
        const std::int32_t n = host::ReadSampleCount(data, "argument 2 (data)", model.dimension);
        const host::HiddenMask missing = host::ReadMissing(data, options.mask, "option 'Mask'", model.dimension, n);
        const CodeMatrix codes = host::ReadCodes(data, "argument 2 (data)", model, &missing);

        // Do the job.
        const StatisticsLayout layout = MakeStatisticsLayout(BuildValueIndexTable(model), model.NumUnits());
        const host::StatisticsArraysOut out = host::CreateStatistics(call, kOutStats, host::ShapeOfStatistics(model));
        const auto count = static_cast<std::size_t>(n);
        std::vector<std::int32_t> best(count);
        std::vector<double> logLikelihood(count);
        CountStatistics(model, layout, codes, options.threads, StatisticsView{out.count, out.values, out.pairs},
                        AssignmentResults{Span<std::int32_t>(best.data(), count), Span<double>(logLikelihood.data(), count)});

        // Write the results: units numbered from 1.
        if (host::Wants(call, kOutBest)) {
            double* units = host::CreateOutput(call, kOutBest, count, 1);
            for (std::size_t j = 0; j < count; ++j) units[j] = best[j] + 1.0;
        }
        if (host::Wants(call, kOutLogLikelihood)) {
            double* logs = host::CreateOutput(call, kOutLogLikelihood, count, 1);
            for (std::size_t j = 0; j < count; ++j) logs[j] = logLikelihood[j];
        }
    });
}
