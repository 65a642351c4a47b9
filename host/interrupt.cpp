#include "interrupt.hpp"

#include "mex.h"

#if defined(HAVE_OCTAVE)  // Octave's mex.h
#include "quit.h"
#elif defined(TAVRIX_MXLITE_MEX_H) && defined(MXLITE_DLL)  // our headers, MATLAB's libraries on Windows
#include <windows.h>
#elif defined(TAVRIX_MXLITE_MEX_H)  // our mx layer
#include "mxlite.hpp"
#else  // MATLAB's mex.h; tavrix_build_matlab links libut
extern "C" bool utIsInterruptPending(void);
#endif

namespace tavrix::host {

#if defined(HAVE_OCTAVE)

bool HostInterrupt::Poll(void* self) {
    try {
        octave_quit();
        return false;
    } catch (...) {
        static_cast<HostInterrupt*>(self)->pending_ = std::current_exception();
        return true;
    }
}

void HostInterrupt::Raise() {
    if (pending_) std::rethrow_exception(pending_);
}

#elif defined(TAVRIX_MXLITE_MEX_H) && defined(MXLITE_DLL)

namespace {
using PendingCheck = bool (*)();

// libut's check when MATLAB has loaded it (a test host has not).
PendingCheck FindPendingCheck() {
    const HMODULE ut = GetModuleHandleA("libut.dll");
    if (ut == nullptr) return nullptr;
    return reinterpret_cast<PendingCheck>(reinterpret_cast<void (*)()>(GetProcAddress(ut, "utIsInterruptPending")));
}
}  // namespace

bool HostInterrupt::Poll(void*) {
    static const PendingCheck pending = FindPendingCheck();
    return pending != nullptr && pending();
}

void HostInterrupt::Raise() {}

#elif defined(TAVRIX_MXLITE_MEX_H)

bool HostInterrupt::Poll(void*) { return mxlite::InterruptPending(); }

void HostInterrupt::Raise() { mxlite::RaiseInterrupt(); }

#else

bool HostInterrupt::Poll(void*) { return utIsInterruptPending(); }

void HostInterrupt::Raise() {}

#endif

}  // namespace tavrix::host
