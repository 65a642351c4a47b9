// libmex of the Windows test host. The error call records the identifier and
// message and jumps back into the runner: C++ exceptions do not cross DLLs
// reliably when each one carries its own static libgcc (i686 DWARF-2 above all).
// The gateways raise only after their destructors ran, so the jump skips nothing.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "test_host.h"

namespace {
void** errorJump = nullptr;
char errorId[256];
char errorMessage[4096];
}  // namespace

extern "C" {

void mexliteSetErrorJump(void** buffer) { errorJump = buffer; }
const char* mexliteErrorId(void) { return errorId; }
const char* mexliteErrorMessage(void) { return errorMessage; }

void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...) {
    std::snprintf(errorId, sizeof errorId, "%s", identifier);
    va_list args;
    va_start(args, format);
    std::vsnprintf(errorMessage, sizeof errorMessage, format, args);
    va_end(args);
    void** jump = errorJump;
    errorJump = nullptr;
    if (!jump) {
        std::fprintf(stderr, "MEX error outside a call: %s: %s\n", errorId, errorMessage);
        std::abort();
    }
    __builtin_longjmp(jump, 1);
}

int mexPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = std::vprintf(format, args);
    va_end(args);
    return written;
}

// Warnings go to standard error, where the comparison does not look.
void mexWarnMsgIdAndTxt(const char* identifier, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fprintf(stderr, "warning %s: ", identifier);
    std::vfprintf(stderr, format, args);
    std::fprintf(stderr, "\n");
    va_end(args);
}

int mexEvalString(const char*) { return 0; }

// No interpreter to call: TavrixTrain's 'UseParallel' reports that it failed.
int mexCallMATLAB(int, mxArray*[], int, mxArray*[], const char*) { return 1; }

}  // extern "C"
