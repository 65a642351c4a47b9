#include "epoch_hooks.hpp"

#include <vector>

#include "errors.hpp"
#include "model_writer.hpp"

namespace tavrix::host {
namespace {

constexpr const char* kCheckpointFunction = "tavrix_checkpoint_file";
constexpr const char* kOutputFunction = "tavrix_call_output_fcn";

// Calls a toolbox function whose last result is a message ('' when all went
// well); returns its other results, failing with `reason` on a message or
// when the function cannot be called.
std::vector<OwnedArray> CallToolbox(const char* function, std::vector<mxArray*> in, int results, Reason reason,
                                    const std::string& context) {
    std::vector<mxArray*> out(static_cast<std::size_t>(results) + 1, nullptr);
    const int status = mexCallMATLAB(results + 1, out.data(), static_cast<int>(in.size()), in.data(), function);
    std::vector<OwnedArray> owned;
    for (mxArray* a : out) owned.emplace_back(a);
    if (status != 0)
        Fail(reason, context + ": cannot call " + function + "; is the toolbox's " + function + ".m on the path?");
    const mxArray* message = owned.back().get();
    if (message && mxIsChar(message) && mxGetNumberOfElements(message) > 0) {
        std::vector<char> text(mxGetNumberOfElements(message) + 1);
        mxGetString(message, text.data(), static_cast<mwSize>(text.size()));
        Fail(reason, context + ": " + text.data());
    }
    owned.pop_back();
    return owned;
}

// A logical or real scalar as a flag; `what` says where it came from.
bool Flag(const mxArray* value, const std::string& what) {
    if (!value || (!mxIsLogical(value) && !mxIsDouble(value)) || mxGetNumberOfElements(value) != 1)
        Fail(Reason::kOutputFcn, what + " must return true or false (a logical or numeric scalar).");
    return mxGetScalar(value) != 0.0;
}

OwnedArray Text(const std::string& text) { return OwnedArray(mxCreateString(text.c_str())); }

}  // namespace

Checkpoint LoadCheckpoint(const std::string& file, const RunIdentity& expected, const MapModel& first) {
    const OwnedArray load = Text("load"), name = Text(file);
    const std::vector<OwnedArray> got =
        CallToolbox(kCheckpointFunction, {load.get(), name.get()}, 1, Reason::kCheckpoint, file);
    return ReadCheckpoint(got[0].get(), file, expected, first);
}

EpochHooks::EpochHooks(const EpochHookSettings& settings, const BatchRunState& state, Span<const EpochReport> reports,
                       const mxArray* model)
    : settings_(settings), state_(state), reports_(reports), model_(model) {
    if (!settings.outputFcn) return;
    const std::vector<OwnedArray> takes = CallToolbox(
        kOutputFunction, {const_cast<mxArray*>(settings.outputFcn)}, 1, Reason::kOutputFcn, "option 'OutputFcn'");
    wantsModel_ = Flag(takes[0].get(), std::string(kOutputFunction));
}

bool EpochHooks::EpochDone(std::int32_t done, std::int32_t total, const EpochReport& report) {
    if (settings_.lines) settings_.lines->EpochDone(done, total, report);
    const bool due = done % settings_.every == 0 || done == total;
    if (!settings_.checkpoint.empty() && due) Save(done);
    if (settings_.outputFcn && CallOutputFcn(done, total, report)) {
        stoppedAfter_ = done;
        if (!settings_.checkpoint.empty() && !due) Save(done);
        return true;
    }
    return false;
}

void EpochHooks::Save(std::int32_t done) const {
    const OwnedArray checkpoint = CheckpointArray(
        settings_.run, state_, Span<const EpochReport>(reports_.data(), static_cast<std::size_t>(done)), model_);
    const OwnedArray save = Text("save"), name = Text(settings_.checkpoint);
    CallToolbox(kCheckpointFunction, {save.get(), name.get(), checkpoint.get()}, 0, Reason::kCheckpoint,
                settings_.checkpoint + " (option 'Checkpoint', epoch " + std::to_string(done) + ")");
}

bool EpochHooks::CallOutputFcn(std::int32_t done, std::int32_t total, const EpochReport& report) const {
    const OwnedArray fields = DoublesStruct({{"Epoch", {static_cast<double>(done)}},
                                             {"Epochs", {static_cast<double>(total)}},
                                             {"Radius", {report.radius}},
                                             {"LogLikelihood", {report.logLikelihood}},
                                             {"Changed", {report.changed}},
                                             {"HeldOutLogLikelihood", {report.heldOutLogLikelihood}}});
    OwnedArray model;
    std::vector<mxArray*> in = {const_cast<mxArray*>(settings_.outputFcn), fields.get()};
    if (wantsModel_) {
        model.reset(mxDuplicateArray(model_));
        in.push_back(model.get());
    }
    const std::string context = "option 'OutputFcn' at epoch " + std::to_string(done);
    const std::vector<OwnedArray> stop = CallToolbox(kOutputFunction, in, 1, Reason::kOutputFcn, context);
    return Flag(stop[0].get(), context);
}

}  // namespace tavrix::host
