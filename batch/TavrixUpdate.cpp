// model = TavrixUpdate(model, stats, radius, 'Prior', alpha, 'Threads', n)
#include "../host/batch_fields.hpp"
#include "../host/training_reader.hpp"
#include "../host/gateway.hpp"
#include "../host/model_reader.hpp"
#include "../host/model_writer.hpp"
#include "../host/options.hpp"
#include "batch_defaults.hpp"
#include "batch_training.hpp"
#include "update.hpp"

namespace {
enum { kInModel = 0, kInStats, kInRadius, kInEnd };
enum { kOutModel = 0, kOutEnd };
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    using namespace tavrix;
    host::RunGateway("TavrixUpdate", nlhs, plhs, nrhs, prhs, [](const host::Call& call) {
        // Check the arguments.
        host::CheckCounts(call,
                          {{"model", "a model"},
                           {"stats", "the statistics from TavrixStats"},
                           {"radius", "the neighbourhood radius"}},
                          kOutEnd);
        const mxArray* in = call.prhs[kInModel];
        const MapModel model = host::ReadModel(in, kInModel + 1);
        host::RequireBatchFields(in, model);
        const host::StatisticsArraysIn stats =
            host::ReadStatistics(call.prhs[kInStats], kInStats + 1, host::ShapeOfStatistics(model));
        const double radius = host::ReadPositiveScalar(call.prhs[kInRadius], "argument 3 (radius)");
        const host::Options options = host::ParseOptions(call, kInEnd, host::kThreadsOption | host::kPriorOption);

        double samples = 0.0;
        for (std::int32_t k = 0; k < model.NumUnits(); ++k) samples += stats.count[k];

        // Do the job, on a copy whose trained arrays are its own.
        // A compact model stays compact.
        host::TrainableCopy out(in, model, nullptr, host::IsCompact(in));
        UpdateMap(ViewOfTables(model, out.Tables()), MakeStatisticsLayout(BuildValueIndexTable(model), model.NumUnits()),
                  ConstStatisticsView{stats.count, stats.values, stats.pairs}, radius,
                  options.hasPrior ? options.prior : DefaultPrior(model, samples), options.threads, out.Tables(),
                  call.interrupt);
        out.MoveTo(call, kOutModel);
    });
}
