// The host's interrupt (Ctrl-C) for one call: polled on the calling thread
// through the core's Interrupt, and handed back to the host by the gateway
// frame once the body's destructors have run.
//   Octave: octave_quit(), Octave's own check; its interrupt exception is kept
//           and thrown again when the call is over.
//   MATLAB: utIsInterruptPending() of libut; the interrupt stays pending, the
//           call ends in a Tavrix:<function>:interrupted error, and MATLAB acts
//           on the interrupt.
//   our mx layer: mxlite::InterruptPending(), a test hook; mxlite::RaiseInterrupt()
//           throws mxlite::Interrupted. Its Windows build asks MATLAB's libut,
//           when the process has loaded it.
#pragma once

#include <exception>

#include "../core/interrupt.hpp"

namespace tavrix::host {

class HostInterrupt {
public:
    HostInterrupt() : interrupt_(&Poll, this) {}
    HostInterrupt(const HostInterrupt&) = delete;
    HostInterrupt& operator=(const HostInterrupt&) = delete;

    Interrupt& Core() { return interrupt_; }
    bool Interrupted() const { return interrupt_.Stopped(); }

    // Lets the host act on the interrupt: throws the host's exception where
    // the host has one (Octave, our mx layer); returns where it stays pending.
    void Raise();

private:
    static bool Poll(void* self);

    Interrupt interrupt_;
    std::exception_ptr pending_;  // what the host's check threw, where it throws
};

}  // namespace tavrix::host
