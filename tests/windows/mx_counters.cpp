// The mx layer's counters as C exports of libmx.dll, for the runner's leak checks.
#include "mxlite.hpp"
#include "test_host.h"

extern "C" {
long mxliteLiveArrays(void) { return mxlite::LiveArrays(); }
long mxliteLiveAllocations(void) { return mxlite::LiveAllocations(); }
}
