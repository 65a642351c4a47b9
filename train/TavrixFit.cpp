// [model, info] = TavrixFit(model, iterations, 'Seed', s, 'Threads', n, 'Verbose', tf)
#include "../host/errors.hpp"
#include "../host/gateway.hpp"
#include "../host/model_reader.hpp"
#include "../host/model_writer.hpp"
#include "../host/options.hpp"
#include "../host/progress_line.hpp"
#include "../host/training_reader.hpp"
#include "training.hpp"

namespace {
enum { kInModel = 0, kInIterations, kInEnd };
enum { kOutModel = 0, kOutInfo, kOutEnd };
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    using namespace tavrix;
    host::RunGateway("TavrixFit", nlhs, plhs, nrhs, prhs, [](const host::Call& call) {
        // Check the arguments.
        host::CheckCounts(call, {{"model", "a model"}, {"T", "the number of iterations"}}, kOutEnd);
        const auto* in = call.prhs[kInModel];
        const MapModel model = host::ReadModel(in, kInModel + 1);
        // Online training keeps its rectangular neighbourhood: a hexagonal map is refused, not trained as one.
        if (model.lattice != Lattice::kRectangular)
            host::Fail(host::Reason::kLattice,
                       "argument 1 (model) has Lattice 'hexagonal', and TavrixFit trains rectangular maps only; "
                       "train it with TavrixTrain, or set its Lattice field to 'rectangular'.");
        // Online training reads and writes every cell of Intersect.
        for (const char* table : {"Intersect", "Graph", "Mutual"})
            if (host::AnyCompactCell(in, table))
                host::Fail(host::Reason::kCompact,
                           std::string("argument 1 (model) is a compact model (its '") + table +
                               "' cells are sparse, holding only what its trees need), and TavrixFit reads every "
                               "cell; expand it with TavrixFull(model) first, or train it with TavrixTrain.");
        const std::int32_t iterations = host::ReadStepCount(call.prhs[kInIterations], "argument 2 (iterations)");
        const host::Options options =
            host::ParseOptions(call, kInEnd, host::kThreadsOption | host::kSeedOption | host::kVerboseOption);
        host::CheckTrainable(in, model);
        const CodeMatrix samples = host::ReadSamplesField(in, model, iterations > 0);
        const std::uint64_t seed = host::SeedOrCalendarTime(options);

        // Do the job, on a copy whose trained arrays are its own.
        host::TrainableCopy out(in, model);
        RandomDraws draws(seed);
        host::ProgressLine progress("TavrixFit", "iterations");
        Train(model, out.Tables(), samples, iterations, draws, options.threads, options.verbose ? &progress : nullptr,
              call.interrupt);

        // Write the results; the info first, as making it may fail.
        if (host::Wants(call, kOutInfo))
            host::SetOutput(call, kOutInfo,
                            host::DoublesStruct({{"Seed", {static_cast<double>(seed)}},
                                                 {"Iterations", {static_cast<double>(iterations)}},
                                                 {"Threads", {static_cast<double>(options.threads)}}}));
        out.MoveTo(call, kOutModel);
    });
}
