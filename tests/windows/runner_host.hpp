// What the runner needs from the platform: finding a gateway's mexFunction,
// calling it with the host's error call caught, and the mx layer's counters.
#pragma once

#include <string>
#include <vector>

#include "mex.h"

namespace tavrix::runner {

using Gateway = void (*)(int, mxArray**, int, const mxArray**);

// The entry point of gateway `name` (e.g. "TavrixBest") in `directory`, or
// nullptr when there is none; `problem` says why a gateway that exists could not be used.
Gateway FindGateway(const std::string& directory, const char* name, std::string& problem);

// Calls `gateway`; returns true when it raised an error, with its identifier and message.
bool Invoke(Gateway gateway, int nlhs, mxArray** plhs, int nrhs, const mxArray** prhs, std::string& identifier,
            std::string& message);

// The gateways linked into the Linux runner, in the order of mex_functions.txt.
struct LinkedGateway {
    const char* name;
    Gateway entry;
};
extern const LinkedGateway kLinkedGateways[];
extern const int kLinkedGatewayCount;

long LiveArrays();
long LiveAllocations();

// "windows-64", "windows-32" or "linux-64", for the console.
std::string PlatformName();

}  // namespace tavrix::runner
