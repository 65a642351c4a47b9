// [best, scores] = TavrixBest(model, samples, 'Threads', n)
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
        const CodeMatrix samples = host::ReadCodes(call.prhs[kInSamples], "argument 2 (samples)", model);
        const host::Options options = host::ParseOptions(call, kInEnd, host::kThreadsOption);

        // Do the job.
        const auto n = static_cast<std::size_t>(samples.numSamples);
        const auto units = static_cast<std::size_t>(model.NumUnits());
        Span<double> best(host::CreateOutput(call, kOutBest, n, 1), n);
        Span<double> scores;
        if (host::Wants(call, kOutScores))
            scores = Span<double>(host::CreateOutput(call, kOutScores, units, n), units * n);
        BestUnits(model, samples, options.threads, best, scores, call.interrupt);
    });
}
