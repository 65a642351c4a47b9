// [best, scores] = TavrixBest(model, samples, 'Mask', m, 'Threads', n)
#include "../host/completion_limit.hpp"
#include "../host/data_reader.hpp"
#include "../host/gateway.hpp"
#include "../host/model_reader.hpp"
#include "../host/options.hpp"
#include "best_units.hpp"

namespace {
enum { kInModel = 0, kInSamples, kInEnd };
enum { kOutBest = 0, kOutScores, kOutEnd };
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    using namespace tavrix;
    host::RunGateway("TavrixBest", nlhs, plhs, nrhs, prhs, [](const host::Call& call) {
        // Check the arguments.
        host::CheckCounts(call, {{"model", "a model"}, {"samples", "the samples"}}, kOutEnd);
        const MapModel model = host::ReadModel(call.prhs[kInModel], kInModel + 1);
        const host::Options options = host::ParseOptions(call, kInEnd, host::kThreadsOption | host::kMaskOption);
        const CodeMatrix samples =
            host::ReadDataWithMissing(call.prhs[kInSamples], "argument 2 (samples)", options.mask, model);
        const ImputePlan plan = PlanObservedEvidence(model, samples, options.threads, call.interrupt);
        host::RequireCountableCompletions(plan, samples, options.threads, "leave fewer entries missing.", call.interrupt);
        if (ShouldStop(call.interrupt, 0)) return;  // a map stopped mid-compile is never used

        // Do the job.
        const auto n = static_cast<std::size_t>(samples.numSamples);
        const auto units = static_cast<std::size_t>(model.NumUnits());
        Span<double> best(host::CreateOutput(call, kOutBest, n, 1), n);
        Span<double> scores;
        if (host::Wants(call, kOutScores))
            scores = Span<double>(host::CreateOutput(call, kOutScores, units, n), units * n);
        BestUnits(plan, samples, options.threads, best, scores, call.interrupt);
    });
}
