// [average, logLikelihoods] = TavrixScore(model, samples, 'Mask', m, 'Threads', n)
#include <vector>

#include "../host/completion_limit.hpp"
#include "../host/data_reader.hpp"
#include "../host/gateway.hpp"
#include "../host/model_reader.hpp"
#include "../host/options.hpp"
#include "../core/log_mixture.hpp"
#include "mixture_log_likelihood.hpp"

namespace {
enum { kInModel = 0, kInSamples, kInEnd };
enum { kOutAverage = 0, kOutLogLikelihoods, kOutEnd };
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    using namespace tavrix;
    host::RunGateway("TavrixScore", nlhs, plhs, nrhs, prhs, [](const host::Call& call) {
        // Check the arguments.
        host::CheckCounts(call, {{"model", "a model"}, {"samples", "the samples"}}, kOutEnd);
        const MapModel model = host::ReadModel(call.prhs[kInModel], kInModel + 1);
        const host::Options options = host::ParseOptions(call, kInEnd, host::kThreadsOption | host::kMaskOption);
        const CodeMatrix samples =
            host::ReadDataWithMissing(call.prhs[kInSamples], "argument 2 (samples)", options.mask, model);
        const ImputePlan plan = PlanObservedEvidence(model, samples, options.threads, call.interrupt);
        host::RequireCountableCompletions(plan, samples, options.threads, "leave fewer entries missing.", call.interrupt);
        if (ShouldStop(call.interrupt, 0)) return;  // a map stopped mid-compile is never used

        // Do the job; the per-sample results go straight into result 2 when it is asked for.
        const auto n = static_cast<std::size_t>(samples.numSamples);
        double* average = host::CreateOutput(call, kOutAverage, 1, 1);
        std::vector<double> scratch;
        Span<double> logs;
        if (host::Wants(call, kOutLogLikelihoods)) {
            logs = Span<double>(host::CreateOutput(call, kOutLogLikelihoods, n, 1), n);
        } else {
            scratch.resize(n);
            logs = Span<double>(scratch.data(), n);
        }
        MixtureLogLikelihood(model, plan, samples, options.threads, logs, call.interrupt);
        *average = MeanNegative(Span<const double>(logs.data(), n));
    });
}
