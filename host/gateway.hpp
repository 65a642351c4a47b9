// The frame every gateway runs in: check, convert, compute, write. Any Failure
// (or exhausted memory) inside the body becomes one host error with the
// identifier Tavrix:<function>:<reason>, raised after the body's destructors ran.
#pragma once

#include <cstddef>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <new>

#include "../core/interrupt.hpp"
#include "errors.hpp"
#include "interrupt.hpp"
#include "mex.h"

namespace tavrix::host {

// The arguments and result slots of one call.
struct Call {
    const char* function;
    int nlhs;
    mxArray** plhs;
    int nrhs;
    const mxArray** prhs;
    Interrupt* interrupt;  // for the core's long loops, which stop early once it says so
};

// A positional argument as the function's help names it ("T") and what it
// holds ("the number of iterations").
struct Positional {
    const char* name;
    const char* meaning;
};

// Requires every positional argument followed by name-value pairs, and at
// most `maxOutputs` results. A short call is told which arguments it lacks.
void CheckCounts(const Call& call, std::initializer_list<Positional> positional, int maxOutputs);

// The same with unnamed arguments: the message gives counts only.
void CheckCounts(const Call& call, int positional, int maxOutputs);

// A new real double matrix in result slot `slot`; returns its data (nullptr when empty).
double* CreateOutput(const Call& call, int slot, std::size_t rows, std::size_t cols);

// An array the call owns until it is placed in a result slot: destroyed if
// the call fails first.
struct ArrayDeleter {
    void operator()(mxArray* array) const { mxDestroyArray(array); }
};
using OwnedArray = std::unique_ptr<mxArray, ArrayDeleter>;

// Hands `array` to result slot `slot`.
inline void SetOutput(const Call& call, int slot, OwnedArray array) { call.plhs[slot] = array.release(); }

// True when the caller asked for result `slot` (0-based). Slot 0 always exists.
inline bool Wants(const Call& call, int slot) { return slot == 0 || call.nlhs > slot; }

namespace detail {
struct ErrorText {
    char identifier[128];
    char message[1024];
};
void Describe(const char* function, const char* reason, const char* what, ErrorText& text);
// Result slots: emptied before the body runs, and their arrays destroyed after an interrupt.
void ClearResults(int nlhs, mxArray* plhs[]);
void DestroyResults(int nlhs, mxArray* plhs[]);
}  // namespace detail

// An interrupted call gives no result: its arrays are destroyed, and the host
// then acts on the interrupt (see interrupt.hpp), even where the body failed;
// where the host leaves it pending, the call ends in an 'interrupted' error.
template <class Body>
void RunGateway(const char* function, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[], Body&& body) {
    // Plain arrays only: the host's error call may leave this frame without unwinding it.
    detail::ErrorText text;
    bool failed = false;
    detail::ClearResults(nlhs, plhs);
    {
        HostInterrupt interrupt;
        try {
            body(Call{function, nlhs, plhs, nrhs, prhs, &interrupt.Core()});
        } catch (const Failure& failure) {
            detail::Describe(function, ReasonName(failure.reason()), failure.what(), text);
            failed = true;
        } catch (const std::bad_alloc&) {
            detail::Describe(function, ReasonName(Reason::kOutOfMemory), "not enough memory for this call", text);
            failed = true;
        }
        if (interrupt.Interrupted()) {
            detail::DestroyResults(nlhs, plhs);
            interrupt.Raise();
            // A host whose interrupt stays pending (MATLAB) gets an error, not
            // a call that returns without its results.
            detail::Describe(function, ReasonName(Reason::kInterrupted),
                             "interrupted (Ctrl-C); nothing was returned", text);
            failed = true;
        }
    }
    if (failed) mexErrMsgIdAndTxt(text.identifier, "%s", text.message);
}

}  // namespace tavrix::host
