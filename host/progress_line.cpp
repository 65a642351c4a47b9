#include "progress_line.hpp"

#include "mex.h"

namespace tavrix::host {

void ProgressLine::IterationDone(std::int32_t done, std::int32_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (done < total && now - shown_ < std::chrono::milliseconds(250)) return;
    shown_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0.0 ? done / seconds : 0.0;
    const double left = rate > 0.0 ? (total - done) / rate : 0.0;
    mexPrintf("\r%s: %d of %d %s, %.0f per second, %.0f s left   ", function_, done, total, steps_, rate, left);
    if (done == total) mexPrintf("\n");
    // Shown while the call runs: Octave buffers its output, MATLAB flushes on drawnow.
    mexEvalString("if exist('OCTAVE_VERSION', 'builtin'), fflush(stdout); end; drawnow;");
}

}  // namespace tavrix::host
