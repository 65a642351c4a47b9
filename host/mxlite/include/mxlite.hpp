// C++ side of the mx layer: the exception its error call raises, and counters
// that let tests prove a call leaked nothing.
#pragma once

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

#include "mex.h"

namespace mxlite {

struct MexError : std::runtime_error {
    MexError(std::string id, const std::string& message) : std::runtime_error(message), identifier(std::move(id)) {}
    std::string identifier;
};

// Arrays created and not yet destroyed, and mxMalloc blocks not yet freed.
long LiveArrays();
long LiveAllocations();

// Everything mexPrintf printed since the last call, then cleared.
std::string TakePrinted();

// The identifiers of every warning given since the last call, one a line, then cleared.
std::string TakeWarnings();

// Ctrl-C for tests: while set, a gateway's interrupt check finds an interrupt pending.
void SetInterruptPending(bool pending);
bool InterruptPending();

// How this host acts on an interrupt once a gateway has cleaned up: it clears
// the pending interrupt and throws Interrupted.
struct Interrupted : std::exception {
    const char* what() const noexcept override { return "interrupted"; }
};
[[noreturn]] void RaiseInterrupt();

// The host's functions, for tests: while set, mexCallMATLAB hands its
// arguments to `functions` and returns what it returns; unset (the default,
// or an empty function), mexCallMATLAB finds no function and returns 1.
// A function handle is an array of class mxFUNCTION_CLASS here.
using HostFunctions = std::function<int(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const char* name)>;
void SetHostFunctions(HostFunctions functions);

}  // namespace mxlite
