// [stats, best, loglik] = TavrixStats(model, data, 'Mask', m, 'HeldOut', h, 'FirstColumn', c, 'Threads', n)
#include "../host/batch_fields.hpp"
#include "../host/data_reader.hpp"
#include "../host/gateway.hpp"
#include "../host/model_reader.hpp"
#include "../host/options.hpp"
#include "assignment.hpp"
#include "held_out.hpp"

namespace {
enum { kInModel = 0, kInData, kInEnd };
enum { kOutStats = 0, kOutBest, kOutLogLikelihood, kOutEnd };
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    using namespace tavrix;
    host::RunGateway("TavrixStats", nlhs, plhs, nrhs, prhs, [](const host::Call& call) {
        // Check the arguments.
        host::CheckCounts(call, {{"model", "a model"}, {"data", "the data"}}, kOutEnd);
        const MapModel model = host::ReadModel(call.prhs[kInModel], kInModel + 1);
        host::RequireBatchFields(call.prhs[kInModel], model);
        const host::Options options = host::ParseOptions(
            call, kInEnd, host::kThreadsOption | host::kMaskOption | host::kHeldOutOption | host::kFirstColumnOption);
        const CodeMatrix codes =
            host::ReadDataWithMissing(call.prhs[kInData], "argument 2 (data)", options.mask, model);

        // Do the job.
        host::StatisticsArraysOut arrays{};
        host::OwnedArray stats = host::NewStatistics(host::ShapeOfStatistics(model), arrays);
        const auto n = static_cast<std::size_t>(codes.numSamples);
        std::vector<std::int32_t> best(n);
        std::vector<double> logLikelihood(n);
        CountUnlessHeldOut(model, MakeStatisticsLayout(BuildValueIndexTable(model), model.NumUnits()), codes,
                        MakeHeldOutRule(options.heldOut, options.firstColumn), options.threads,
                        StatisticsView{arrays.count, arrays.values, arrays.pairs},
                        AssignmentResults{Span<std::int32_t>(best.data(), n), Span<double>(logLikelihood.data(), n)},
                        call.interrupt);

        // Write the results: units numbered from 1.
        if (host::Wants(call, kOutBest)) {
            double* units = host::CreateOutput(call, kOutBest, n, 1);
            for (std::size_t j = 0; j < n; ++j) units[j] = best[j] + 1.0;
        }
        if (host::Wants(call, kOutLogLikelihood)) {
            double* logs = host::CreateOutput(call, kOutLogLikelihood, n, 1);
            for (std::size_t j = 0; j < n; ++j) logs[j] = logLikelihood[j];
        }
        host::SetOutput(call, kOutStats, std::move(stats));
    });
}
