// [meanNegative, logProbabilities] = TavrixHoles(model, data, mask, 'Threads', n)
#include <string>
#include <vector>

#include "../host/data_reader.hpp"
#include "../host/errors.hpp"
#include "../host/gateway.hpp"
#include "../host/model_reader.hpp"
#include "../host/options.hpp"
#include "../core/log_mixture.hpp"
#include "held_out.hpp"
#include "hidden_evidence.hpp"

namespace {
enum { kInModel = 0, kInData, kInMask, kInEnd };
enum { kOutMean = 0, kOutLogProbabilities, kOutEnd };

// Every sample's completions must be countable before any is enumerated.
void CheckCompletions(const tavrix::MapModel& model, const tavrix::host::HiddenMask& mask) {
    for (std::int32_t j = 0; j < mask.numSamples; ++j)
        if (tavrix::CompletionCount(model.ranges, mask.Column(j)) >= tavrix::kCompletionLimit)
            tavrix::host::Fail(tavrix::host::Reason::kTooManyCompletions,
                               "argument 3 (mask) hides 2^31 or more completions in sample " + std::to_string(j + 1) +
                                   "; hide fewer values per sample.");
}
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    using namespace tavrix;
    host::RunGateway("TavrixHoles", nlhs, plhs, nrhs, prhs, [](const host::Call& call) {
        // Check the arguments: every code is scored, the hidden ones included.
        host::CheckCounts(call,
                          {{"model", "a model"},
                           {"data", "the data"},
                           {"mask", "the mask of hidden entries"}},
                          kOutEnd);
        const MapModel model = host::ReadModel(call.prhs[kInModel], kInModel + 1);
        const CodeMatrix data = host::ReadCodes(call.prhs[kInData], "argument 2 (data)", model, nullptr,
                                                "TavrixHoles scores the true codes of the hidden entries, so every "
                                                "entry needs one. To fill in missing values use TavrixImpute.");
        const host::HiddenMask mask =
            host::ReadMask(call.prhs[kInMask], "argument 3 (mask)", model.dimension, data.numSamples);
        const host::Options options = host::ParseOptions(call, kInEnd, host::kThreadsOption);
        CheckCompletions(model, mask);

        // Do the job; the per-sample results go straight into result 2 when it is asked for.
        const auto n = static_cast<std::size_t>(data.numSamples);
        double* mean = host::CreateOutput(call, kOutMean, 1, 1);
        std::vector<double> scratch;
        Span<double> logs;
        if (host::Wants(call, kOutLogProbabilities)) {
            logs = Span<double>(host::CreateOutput(call, kOutLogProbabilities, n, 1), n);
        } else {
            scratch.resize(n);
            logs = Span<double>(scratch.data(), n);
        }
        HeldOutLogProbabilities(model, data, Span<const std::uint8_t>(mask.hidden.data(), mask.hidden.size()),
                                options.threads, logs, call.interrupt);
        *mean = MeanNegative(Span<const double>(logs.data(), n));
    });
}
