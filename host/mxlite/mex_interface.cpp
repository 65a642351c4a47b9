// The MEX interface of the mx layer: errors become C++ exceptions, printing
// goes to a buffer that tests read and to standard output; interrupts are
// set by tests.
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#include "mxlite.hpp"

namespace {

std::mutex printedMutex;
std::string printed;
std::string warnings;
std::atomic<bool> interruptPending{false};
mxlite::HostFunctions hostFunctions;  // set by tests, on the calling thread

std::string Format(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, args);
    return text;
}

}  // namespace

namespace mxlite {
std::string TakePrinted() {
    std::lock_guard<std::mutex> lock(printedMutex);
    std::string out;
    out.swap(printed);
    return out;
}

std::string TakeWarnings() {
    std::lock_guard<std::mutex> lock(printedMutex);
    std::string out;
    out.swap(warnings);
    return out;
}

void SetInterruptPending(bool pending) { interruptPending = pending; }
void SetHostFunctions(HostFunctions functions) { hostFunctions = std::move(functions); }
bool InterruptPending() { return interruptPending; }

void RaiseInterrupt() {
    interruptPending = false;
    throw Interrupted();
}
}  // namespace mxlite

extern "C" {

void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string message = Format(format, args);
    va_end(args);
    throw mxlite::MexError(identifier, message);
}

int mexPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = Format(format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(printedMutex);
    printed += text;
    return static_cast<int>(text.size());
}

void mexWarnMsgIdAndTxt(const char* identifier, const char*, ...) {
    std::lock_guard<std::mutex> lock(printedMutex);
    warnings += std::string(identifier) + "\n";
}

int mexEvalString(const char*) { return 0; }

int mexCallMATLAB(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const char* name) {
    return hostFunctions ? hostFunctions(nlhs, plhs, nrhs, prhs, name) : 1;
}

}  // extern "C"
