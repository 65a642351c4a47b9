#include "progress_line.hpp"

#include <cmath>
#include <cstdio>

#include "mex.h"

namespace tavrix::host {
namespace {

// Shown while the call runs: Octave buffers its output, MATLAB flushes on drawnow.
void ShowNow() { mexEvalString("if exist('OCTAVE_VERSION', 'builtin'), fflush(stdout); end; drawnow;"); }

}  // namespace

void ProgressLine::IterationDone(std::int32_t done, std::int32_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (done < total && now - shown_ < std::chrono::milliseconds(250)) return;
    shown_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0.0 ? done / seconds : 0.0;
    const double left = rate > 0.0 ? (total - done) / rate : 0.0;
    mexPrintf("\r%s: %d of %d %s, %.0f per second, %.0f s left   ", function_, done, total, steps_, rate, left);
    if (done == total) mexPrintf("\n");
    ShowNow();
}

bool EpochLine::EpochDone(std::int32_t done, std::int32_t total, const EpochReport& r) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char heldOut[64] = "";
    if (!std::isnan(r.heldOutLogLikelihood))
        std::snprintf(heldOut, sizeof heldOut, ", held-out %.6g", r.heldOutLogLikelihood);
    mexPrintf("%s: epoch %d of %d, radius %.3g, mean log-likelihood %.6g, %.1f%% changed unit%s, %.0f s left\n",
              function_, done, total, r.radius, r.logLikelihood, 100.0 * r.changed, heldOut,
              seconds / done * (total - done));
    ShowNow();
    return false;
}

void EpochLine::Chosen(const BatchRunState& run) const {
    if (!run.selecting) return;
    mexPrintf("%s: held-out log-likelihood %.6g of the first model%s; chose %s %d (%.6g)\n", function_,
              run.startScore, run.firstCompetes ? "" : " (not a candidate: it was built from them)",
              run.bestEpoch == 0 ? "the first model, epoch" : "epoch", run.bestEpoch, run.bestScore);
    ShowNow();
}

}  // namespace tavrix::host
