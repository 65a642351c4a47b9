// The runner on Windows: MEX files are DLLs loaded by name, errors come back
// from libmex by a jump (see mex_longjmp.cpp).
#include <windows.h>

#include "runner_host.hpp"
#include "test_host.h"

namespace tavrix::runner {

Gateway FindGateway(const std::string& directory, const char* name, std::string& problem) {
    const std::string path = directory + "\\" + name + (sizeof(void*) == 8 ? ".mexw64" : ".mexw32");
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        problem = "LoadLibrary failed with error " + std::to_string(GetLastError());
        return nullptr;
    }
    // Through void(*)(void), the one function type a cast may change silently.
    auto entry = reinterpret_cast<void (*)()>(GetProcAddress(module, "mexFunction"));
    if (!entry) problem = "no mexFunction export";
    return reinterpret_cast<Gateway>(entry);
}

namespace {
// Kept apart so that no local of the caller lives across the jump.
__attribute__((noinline)) bool CallWithJump(Gateway gateway, int nlhs, mxArray** plhs, int nrhs,
                                            const mxArray** prhs) {
    void* jump[5];
    if (__builtin_setjmp(jump) != 0) return true;
    mexliteSetErrorJump(jump);
    gateway(nlhs, plhs, nrhs, prhs);
    mexliteSetErrorJump(nullptr);
    return false;
}
}  // namespace

bool Invoke(Gateway gateway, int nlhs, mxArray** plhs, int nrhs, const mxArray** prhs, std::string& identifier,
            std::string& message) {
    if (!CallWithJump(gateway, nlhs, plhs, nrhs, prhs)) return false;
    identifier = mexliteErrorId();
    message = mexliteErrorMessage();
    return true;
}

long LiveArrays() { return mxliteLiveArrays(); }
long LiveAllocations() { return mxliteLiveAllocations(); }

std::string PlatformName() { return sizeof(void*) == 8 ? "windows-64" : "windows-32"; }

}  // namespace tavrix::runner
