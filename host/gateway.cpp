#include "gateway.hpp"

#include <string>

namespace tavrix::host {

namespace {

// "missing the number of iterations: call TavrixFit(model, T); found 1 argument."
// (hosts put the function's name in front of the message themselves)
std::string MissingArguments(const Call& call, std::initializer_list<Positional> positional) {
    std::string missing, usage;
    const int count = static_cast<int>(positional.size());
    int index = 0;
    for (const Positional& argument : positional) {
        usage += (index > 0 ? ", " : "") + std::string(argument.name);
        if (index >= call.nrhs)
            missing += (index == call.nrhs ? "" : index + 1 == count ? " and " : ", ") + std::string(argument.meaning);
        ++index;
    }
    return "missing " + missing + ": call " + call.function + "(" + usage + "); found " +
           std::to_string(call.nrhs) + " argument" + (call.nrhs == 1 ? "" : "s") + ".";
}

void CheckOptionsAndOutputs(const Call& call, int positional, int maxOutputs) {
    if ((call.nrhs - positional) % 2 != 0)
        Fail(Reason::kArgumentCount, "options after argument " + std::to_string(positional) +
                                         " must come in name-value pairs; found an odd number of them.");
    if (call.nlhs > maxOutputs)
        Fail(Reason::kOutputCount, "gives at most " + std::to_string(maxOutputs) + " result" +
                                       (maxOutputs == 1 ? "" : "s") + "; " + std::to_string(call.nlhs) +
                                       " were requested.");
}

// A text where a positional argument is due, with an even count of arguments
// from it on and more arguments than positional ones, is a name-value pair
// given too early; any other text is left to the argument's own reader:
// "argument 3 (the number of epochs) is missing; found the text 'Epochs' there: ..."
void CheckNoOptionForPositional(const Call& call, std::initializer_list<Positional> positional) {
    std::string usage;
    for (const Positional& argument : positional) usage += (usage.empty() ? "" : ", ") + std::string(argument.name);
    int index = 0;
    for (const Positional& argument : positional) {
        if (index < call.nrhs && mxIsChar(call.prhs[index]) && (call.nrhs - index) % 2 == 0 &&
            call.nrhs > static_cast<int>(positional.size())) {
            char name[64] = {0};
            mxGetString(call.prhs[index], name, sizeof name);
            Fail(Reason::kArgumentCount, "argument " + std::to_string(index + 1) + " (" + argument.meaning +
                                             ") is missing; found the text '" + name + "' there: call " +
                                             call.function + "(" + usage + ", options...), with options after the " +
                                             std::to_string(positional.size()) + " positional arguments.");
        }
        ++index;
    }
}

}  // namespace

void CheckCounts(const Call& call, std::initializer_list<Positional> positional, int maxOutputs) {
    CheckNoOptionForPositional(call, positional);
    if (call.nrhs < static_cast<int>(positional.size()))
        Fail(Reason::kArgumentCount, MissingArguments(call, positional));
    CheckOptionsAndOutputs(call, static_cast<int>(positional.size()), maxOutputs);
}

void CheckCounts(const Call& call, int positional, int maxOutputs) {
    if (call.nrhs < positional)
        Fail(Reason::kArgumentCount, std::string("expected at least ") + std::to_string(positional) +
                                         " arguments; found " + std::to_string(call.nrhs) + ".");
    CheckOptionsAndOutputs(call, positional, maxOutputs);
}

double* CreateOutput(const Call& call, int slot, std::size_t rows, std::size_t cols) {
    mxArray* array = mxCreateDoubleMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(cols), mxREAL);
    call.plhs[slot] = array;
    return rows * cols == 0 ? nullptr : mxGetPr(array);
}

namespace detail {
void Describe(const char* function, const char* reason, const char* what, ErrorText& text) {
    std::snprintf(text.identifier, sizeof text.identifier, "Tavrix:%s:%s", function, reason);
    // Hosts name the function themselves (Octave prefixes it, MATLAB shows "Error using").
    (void)function;
    std::snprintf(text.message, sizeof text.message, "%s", what);
}

void ClearResults(int nlhs, mxArray* plhs[]) {
    for (int slot = 0; slot < (nlhs > 1 ? nlhs : 1); ++slot) plhs[slot] = nullptr;
}

void DestroyResults(int nlhs, mxArray* plhs[]) {
    for (int slot = 0; slot < (nlhs > 1 ? nlhs : 1); ++slot) {
        if (plhs[slot] != nullptr) mxDestroyArray(plhs[slot]);
        plhs[slot] = nullptr;
    }
}
}  // namespace detail

}  // namespace tavrix::host
