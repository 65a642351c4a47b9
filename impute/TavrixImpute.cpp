// [filled, post, logp] = TavrixImpute(model, data, mask, 'Threads', n)
#include <limits>

#include "../host/completion_limit.hpp"
#include "../host/data_reader.hpp"
#include "../host/gateway.hpp"
#include "../host/model_reader.hpp"
#include "../host/options.hpp"
#include "imputation.hpp"

namespace {
enum { kInModel = 0, kInData, kInMask, kInEnd };
enum { kOutFilled = 0, kOutPost, kOutLogp, kOutEnd };
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    using namespace tavrix;
    host::RunGateway("TavrixImpute", nlhs, plhs, nrhs, prhs, [](const host::Call& call) {
        // Check the arguments.
        host::CheckCounts(call,
                          {{"model", "a model"},
                           {"data", "the data"},
                           {"mask", "the mask of missing entries"}},
                          kOutEnd);
        const MapModel model = host::ReadModel(call.prhs[kInModel], kInModel + 1);
        const mxArray* data = call.prhs[kInData];
        const std::int32_t n = host::ReadSampleCount(data, "argument 2 (data)", model.dimension);
        const host::HiddenMask mask = host::ReadMask(call.prhs[kInMask], "argument 3 (mask)", model.dimension, n);
        const CodeMatrix codes =
            host::ReadCodes(data, "argument 2 (data)", model, &mask,
                            "the mask (argument 3) marks the entries to fill in: set it to 0 there.");
        const host::Options options = host::ParseOptions(call, kInEnd, host::kThreadsOption);
        const ImputePlan plan = PrepareImputation(model, options.threads, call.interrupt);
        host::RequireCountableCompletions(plan, codes, options.threads, "hide fewer entries.", call.interrupt);
        if (ShouldStop(call.interrupt, 0)) return;  // a map stopped mid-compile is never used

        // Do the job.
        const auto d = static_cast<std::size_t>(model.dimension);
        const auto cols = static_cast<std::size_t>(n);
        const auto values = static_cast<std::size_t>(model.numValues);
        const std::size_t count = d * cols;
        ImputeOutputs out;
        out.filled = Span<double>(host::CreateOutput(call, kOutFilled, d, cols), count);
        for (std::size_t e = 0; e < count; ++e)
            out.filled[e] = mask.hidden[e] ? std::numeric_limits<double>::quiet_NaN() : host::ElementAsDouble(data, e);
        if (host::Wants(call, kOutPost))
            out.post = Span<double>(host::CreateOutput(call, kOutPost, values, cols), values * cols);
        if (host::Wants(call, kOutLogp)) out.logp = Span<double>(host::CreateOutput(call, kOutLogp, cols, 1), cols);
        Impute(model, plan, codes, options.threads, out, call.interrupt);
    });
}
