// The runner on Linux: the gateways are linked in under <Name>_mexFunction (weak,
// so that a gateway not yet written reads as absent) and our mx layer throws.
#include <cstring>

#include "mxlite.hpp"
#include "runner_host.hpp"

extern "C" {
__attribute__((weak)) void TavrixBest_mexFunction(int, mxArray**, int, const mxArray**);
__attribute__((weak)) void TavrixFit_mexFunction(int, mxArray**, int, const mxArray**);
__attribute__((weak)) void TavrixScore_mexFunction(int, mxArray**, int, const mxArray**);
__attribute__((weak)) void TavrixHoles_mexFunction(int, mxArray**, int, const mxArray**);
__attribute__((weak)) void TavrixImpute_mexFunction(int, mxArray**, int, const mxArray**);
}

namespace tavrix::runner {

Gateway FindGateway(const std::string&, const char* name, std::string&) {
    const struct {
        const char* name;
        Gateway entry;
    } linked[] = {{"TavrixBest", TavrixBest_mexFunction},   {"TavrixFit", TavrixFit_mexFunction},
                  {"TavrixScore", TavrixScore_mexFunction}, {"TavrixHoles", TavrixHoles_mexFunction},
                  {"TavrixImpute", TavrixImpute_mexFunction}};
    for (const auto& g : linked)
        if (std::strcmp(g.name, name) == 0) return g.entry;
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
