// The runner on Linux: the gateways are linked in under <Name>_mexFunction
// (see linked_gateways.cpp.in) and our mx layer throws.
#include <cstring>

#include "mxlite.hpp"
#include "runner_host.hpp"

namespace tavrix::runner {

Gateway FindGateway(const std::string&, const char* name, std::string&) {
    for (int g = 0; g < kLinkedGatewayCount; ++g)
        if (std::strcmp(kLinkedGateways[g].name, name) == 0) return kLinkedGateways[g].entry;
    return nullptr;
}

bool Invoke(Gateway gateway, int nlhs, mxArray** plhs, int nrhs, const mxArray** prhs, std::string& identifier,
            std::string& message) {
    try {
        gateway(nlhs, plhs, nrhs, prhs);
    } catch (const mxlite::MexError& e) {
        identifier = e.identifier;
        message = e.what();
        return true;
    }
    return false;
}

long LiveArrays() { return mxlite::LiveArrays(); }
long LiveAllocations() { return mxlite::LiveAllocations(); }

std::string PlatformName() { return sizeof(void*) == 8 ? "linux-64" : "linux-32"; }

}  // namespace tavrix::runner
