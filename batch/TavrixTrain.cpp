// [model, info] = TavrixTrain(model, data, epochs, 'Radius', [r0 r1], 'Prior', alpha,
//                             'Mask', m, 'Threads', n, 'Verbose', tf)
#include <chrono>
#include <vector>

#include "../host/batch_fields.hpp"
#include "../host/data_reader.hpp"
#include "../host/gateway.hpp"
#include "../host/model_reader.hpp"
#include "../host/options.hpp"
#include "batch_defaults.hpp"
#include "batch_training.hpp"
#include "tmp_model_copy.hpp"

namespace {
using namespace tavrix;

enum { kInModel = 0, kInData, kInEpochs, kInEnd };
enum { kOutModel = 0, kOutInfo, kOutEnd };

class EpochLines : public EpochObserver {
public:
    void EpochDone(std::int32_t done, std::int32_t total, const EpochReport& r) override {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        mexPrintf("TavrixTrain: epoch %d of %d, radius %.3g, mean log-likelihood %.6g, %.1f%% changed unit, %.0f s left\n",
                  done, total, r.radius, r.logLikelihood, 100.0 * r.changed, seconds / done * (total - done));
        mexEvalString("if exist('OCTAVE_VERSION', 'builtin'), fflush(stdout); end; drawnow;");
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    host::RunGateway("TavrixTrain", nlhs, plhs, nrhs, prhs, [](const host::Call& call) {
        // Check the arguments.
        host::CheckCounts(call, kInEnd, kOutEnd);
        const mxArray* in = call.prhs[kInModel];
        const MapModel model = host::ReadModel(in, kInModel + 1);
        host::RequireBatchFields(in, model);
        const std::int32_t epochs = host::ReadCount(call.prhs[kInEpochs], "argument 3 (epochs)");
        const host::Options options =
            host::ParseOptions(call, kInEnd,
                               host::kThreadsOption | host::kVerboseOption | host::kRadiusOption |
                                   host::kPriorOption | host::kMaskOption);
        const mxArray* data = call.prhs[kInData];
        const std::int32_t n = host::ReadSampleCount(data, "argument 2 (data)", model.dimension);
        const host::HiddenMask missing = host::ReadMissing(data, options.mask, "option 'Mask'", model.dimension, n);
        const CodeMatrix codes = host::ReadCodes(data, "argument 2 (data)", model, &missing);
        BatchSettings settings;
        settings.radiusStart = options.hasRadius ? options.radius[0] : DefaultRadiusStart(model.numRowsMap, model.numColsMap);
        settings.radiusEnd = options.hasRadius ? options.radius[1] : kDefaultRadiusEnd;
        settings.prior = options.hasPrior ? options.prior : DefaultPrior(model);
        settings.threads = options.threads;

        // Do the job, on a copy whose trained arrays are its own.
        std::vector<EpochReport> reports(static_cast<std::size_t>(epochs));
        mxArray* out = tmpcopy::CopyModel(in);
        try {
            const TrainedTables tables = tmpcopy::TablesOf(out, static_cast<std::size_t>(model.NumUnits()));
            EpochLines lines;
            if (n > 0)
                TrainBatch(model, tables, codes, epochs, settings, Span<EpochReport>(reports.data(), reports.size()),
                           options.verbose ? &lines : nullptr);
        } catch (...) {
            mxDestroyArray(out);
            throw;
        }
        call.plhs[kOutModel] = out;
        if (host::Wants(call, kOutInfo)) {
            const char* names[] = {"Radius", "LogLikelihood", "Changed"};
            mxArray* info = mxCreateStructMatrix(1, 1, 3, names);
            double* fields[3];
            for (int f = 0; f < 3; ++f) {
                mxArray* a = mxCreateDoubleMatrix(static_cast<mwSize>(epochs), 1, mxREAL);
                mxSetField(info, 0, names[f], a);
                fields[f] = mxGetPr(a);
            }
            for (std::size_t e = 0; e < reports.size(); ++e) {
                fields[0][e] = reports[e].radius;
                fields[1][e] = reports[e].logLikelihood;
                fields[2][e] = reports[e].changed;
            }
            call.plhs[kOutInfo] = info;
        }
    });
}
