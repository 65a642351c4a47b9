// The closed set of errors the gateways raise, and the one place that raises them.
#pragma once

#include <stdexcept>
#include <string>

namespace tavrix::host {

enum class Reason {
    kArgumentCount,   // too few or too many arguments
    kOutputCount,     // more results requested than the function gives
    kNotModel,        // the model is not a 1x1 struct
    kMissingField,    // a field the function reads is absent
    kFieldClass,      // a field of the wrong class
    kFieldSize,       // a field whose size disagrees with the scalar fields
    kFieldValue,      // a field value out of its range (counts, Ranges, Translate)
    kDataClass,       // a data or mask argument of the wrong class
    kDataSize,        // a data or mask argument of the wrong size
    kCodeRange,       // a value code that is not a valid code of its variable
    kOption,          // a malformed or unknown name-value option
    kTooManyCompletions,  // hidden values whose completions exceed the 32-bit count
    kOutOfMemory,
    kParallelPass,    // the host's parallel statistics pass failed
    kInterrupted,     // Ctrl-C, where the host reports it as an error (MATLAB)
    kLattice,         // a model on a lattice the function does not train
    kCheckpoint,      // a checkpoint file that cannot be read or saved, or is of another run
    kOutputFcn,       // the 'OutputFcn' failed or gave no stop flag
    kCompact,         // a compact model where the function reads every cell of its tables
};

const char* ReasonName(Reason reason);

// Thrown by the checks; turned into a host error by RunGateway after every
// destructor of the call has run.
class Failure : public std::runtime_error {
public:
    Failure(Reason reason, const std::string& message) : std::runtime_error(message), reason_(reason) {}
    Reason reason() const { return reason_; }

private:
    Reason reason_;
};

[[noreturn]] void Fail(Reason reason, const std::string& message);

// A number as messages show it: shortest form that reads back exactly.
std::string Show(double value);

}  // namespace tavrix::host
