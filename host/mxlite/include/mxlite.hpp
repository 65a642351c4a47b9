// C++ side of the mx layer: the exception its error call raises, and counters
// that let tests prove a call leaked nothing.
#pragma once

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

}  // namespace mxlite
