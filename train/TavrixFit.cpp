// [model, info] = TavrixFit(model, iterations, 'Seed', s, 'Threads', n, 'Verbose', tf)
#include <chrono>
#include <cstring>
#include <ctime>
#include <string>

#include "../host/data_reader.hpp"
#include "../host/gateway.hpp"
#include "../host/model_reader.hpp"
#include "../host/options.hpp"
#include "training.hpp"

namespace {
using namespace tavrix;

enum { kInModel = 0, kInIterations, kInEnd };
enum { kOutModel = 0, kOutInfo, kOutEnd };

// The iteration count: a finite real scalar, truncated; below 1 runs none.
std::int32_t ReadIterations(const mxArray* arg) {
    if (!mxIsNumeric(arg) || mxIsComplex(arg) || mxIsSparse(arg) || mxGetNumberOfElements(arg) != 1)
        host::Fail(host::Reason::kDataClass, "argument 2 (iterations) must be a real numeric scalar.");
    const double t = mxGetScalar(arg);
    if (!(t - t == 0.0) || t >= 2147483648.0)
        host::Fail(host::Reason::kDataClass,
                   "argument 2 (iterations) must be finite and below 2^31; found " + host::Show(t) + ".");
    return t < 1.0 ? 0 : static_cast<std::int32_t>(t);
}

// The training fields, and the samples as codes, checked before anything is made.
CodeMatrix ReadTrainingFields(const mxArray* in, const MapModel& model, std::int32_t iterations) {
    const std::int64_t units = model.NumUnits();
    const std::int64_t d = model.dimension;
    if (model.dimension < 1)
        host::Fail(host::Reason::kFieldValue, "model field 'Dimension' must be at least 1 for training; found " +
                                                  std::to_string(d) + ".");
    if (units < 1) host::Fail(host::Reason::kFieldValue, "the map has no units (NumRowsMap x NumColsMap = 0).");
    if (model.rootNode < 0 || model.rootNode > model.dimension)
        host::Fail(host::Reason::kFieldValue, "model field 'RootNode' must lie within 0..Dimension = " +
                                                  std::to_string(d) + "; found " + std::to_string(model.rootNode) + ".");
    host::RequireDoubleCells(in, "Mutual", units, d * d, "Dimension^2 = " + std::to_string(d * d));
    host::RequireDoubleField(in, "NumVictories", units, "NumRowsMap x NumColsMap = " + std::to_string(units));
    const mxArray* samples = host::RequireField(in, "Samples");
    if (!mxIsDouble(samples) || mxIsComplex(samples) || mxIsSparse(samples))
        host::Fail(host::Reason::kFieldClass, "model field 'Samples' must be a real double matrix.");
    if (mxGetNumberOfDimensions(samples) != 2 || mxGetM(samples) != static_cast<std::size_t>(d))
        host::Fail(host::Reason::kFieldSize, "model field 'Samples' must have Dimension = " + std::to_string(d) +
                                                 " rows; found " + std::to_string(mxGetM(samples)) + ".");
    if (iterations > 0 && mxGetN(samples) == 0)
        host::Fail(host::Reason::kFieldSize, "model field 'Samples' has no columns; training needs at least one sample.");
    return host::ReadCodes(samples, "model field 'Samples'", model);
}

bool IsWritten(const char* name) {
    for (const char* w : {"Marginal", "Intersect", "Mutual", "Graph", "Pi", "NumVictories"})
        if (std::strcmp(name, w) == 0) return true;
    return false;
}

// A double array with data of its own (a host's duplicate may share it).
mxArray* FreshDouble(const mxArray* source) {
    mxArray* copy = mxCreateDoubleMatrix(static_cast<mwSize>(mxGetM(source)), static_cast<mwSize>(mxGetN(source)), mxREAL);
    const std::size_t count = mxGetNumberOfElements(source);
    if (count) std::memcpy(mxGetPr(copy), mxGetPr(source), count * sizeof(double));
    return copy;
}

mxArray* FreshCopy(const mxArray* source) {
    if (!mxIsCell(source)) return FreshDouble(source);
    mxArray* cells = mxCreateCellMatrix(static_cast<mwSize>(mxGetM(source)), static_cast<mwSize>(mxGetN(source)));
    for (std::size_t k = 0; k < mxGetNumberOfElements(source); ++k)
        mxSetCell(cells, static_cast<mwIndex>(k), FreshDouble(mxGetCell(source, static_cast<mwIndex>(k))));
    return cells;
}

// The output model: every field of the input in the same order.
mxArray* CopyModel(const mxArray* in) {
    const int count = mxGetNumberOfFields(in);
    std::vector<const char*> names(static_cast<std::size_t>(count));
    for (int f = 0; f < count; ++f) names[static_cast<std::size_t>(f)] = mxGetFieldNameByNumber(in, f);
    mxArray* out = mxCreateStructMatrix(1, 1, count, names.data());
    for (const char* name : names) {
        const mxArray* value = mxGetField(in, 0, name);
        if (value) mxSetField(out, 0, name, IsWritten(name) ? FreshCopy(value) : mxDuplicateArray(value));
    }
    return out;
}

TrainedTables TablesOf(mxArray* out, std::size_t units) {
    TrainedTables t;
    const mxArray* marginal = mxGetField(out, 0, "Marginal");
    const mxArray* intersect = mxGetField(out, 0, "Intersect");
    const mxArray* mutual = mxGetField(out, 0, "Mutual");
    const mxArray* graph = mxGetField(out, 0, "Graph");
    for (std::size_t k = 0; k < units; ++k) {
        const auto i = static_cast<mwIndex>(k);
        t.marginal.push_back(mxGetPr(mxGetCell(marginal, i)));
        t.intersect.push_back(mxGetPr(mxGetCell(intersect, i)));
        t.mutual.push_back(mxGetPr(mxGetCell(mutual, i)));
        t.graph.push_back(mxGetPr(mxGetCell(graph, i)));
    }
    t.pi = mxGetPr(mxGetField(out, 0, "Pi"));
    t.numVictories = mxGetPr(mxGetField(out, 0, "NumVictories"));
    return t;
}

// One progress line, rewritten in place a few times a second.
class ProgressLine : public TrainingObserver {
public:
    void IterationDone(std::int32_t done, std::int32_t total) override {
        const auto now = std::chrono::steady_clock::now();
        if (done < total && now - shown_ < std::chrono::milliseconds(250)) return;
        shown_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        const double rate = seconds > 0.0 ? done / seconds : 0.0;
        const double left = rate > 0.0 ? (total - done) / rate : 0.0;
        mexPrintf("\rTavrixFit: %d of %d iterations, %.0f per second, %.0f s left   ", done, total, rate, left);
        if (done == total) mexPrintf("\n");
        // Shown while the call runs: Octave buffers its output, MATLAB flushes on drawnow.
        mexEvalString("if exist('OCTAVE_VERSION', 'builtin'), fflush(stdout); end; drawnow;");
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shown_ = start_;
};

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    host::RunGateway("TavrixFit", nlhs, plhs, nrhs, prhs, [](const host::Call& call) {
        // Check the arguments.
        host::CheckCounts(call, kInEnd, kOutEnd);
        const mxArray* in = call.prhs[kInModel];
        const MapModel model = host::ReadModel(in, kInModel + 1);
        const std::int32_t iterations = ReadIterations(call.prhs[kInIterations]);
        const host::Options options =
            host::ParseOptions(call, kInEnd, host::kThreadsOption | host::kSeedOption | host::kVerboseOption);
        const CodeMatrix samples = ReadTrainingFields(in, model, iterations);
        const std::uint64_t seed = options.hasSeed ? options.seed : static_cast<std::uint64_t>(std::time(nullptr));

        // Do the job, on a copy whose trained arrays are its own.
        mxArray* out = CopyModel(in);
        try {
            const TrainedTables tables = TablesOf(out, static_cast<std::size_t>(model.NumUnits()));
            RandomDraws draws(seed);
            ProgressLine progress;
            Train(model, tables, samples, iterations, draws, options.threads, options.verbose ? &progress : nullptr);
        } catch (...) {
            mxDestroyArray(out);
            throw;
        }
        call.plhs[kOutModel] = out;
        if (host::Wants(call, kOutInfo)) {
            const char* names[] = {"Seed", "Iterations", "Threads"};
            mxArray* info = mxCreateStructMatrix(1, 1, 3, names);
            mxSetField(info, 0, "Seed", mxCreateDoubleScalar(static_cast<double>(seed)));
            mxSetField(info, 0, "Iterations", mxCreateDoubleScalar(iterations));
            mxSetField(info, 0, "Threads", mxCreateDoubleScalar(options.threads));
            call.plhs[kOutInfo] = info;
        }
    });
}
