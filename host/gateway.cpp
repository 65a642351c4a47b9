#include "gateway.hpp"

#include <string>

namespace tavrix::host {

void CheckCounts(const Call& call, int positional, int maxOutputs) {
    if (call.nrhs < positional)
        Fail(Reason::kArgumentCount, std::string("expected at least ") + std::to_string(positional) +
                                         " arguments; found " + std::to_string(call.nrhs) + ".");
    if ((call.nrhs - positional) % 2 != 0)
        Fail(Reason::kArgumentCount, "options after argument " + std::to_string(positional) +
                                         " must come in name-value pairs; found an odd number of them.");
    if (call.nlhs > maxOutputs)
        Fail(Reason::kOutputCount, "gives at most " + std::to_string(maxOutputs) + " result" +
                                       (maxOutputs == 1 ? "" : "s") + "; " + std::to_string(call.nlhs) +
                                       " were requested.");
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
}  // namespace detail

}  // namespace tavrix::host
