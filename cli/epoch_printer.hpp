// tavrix-train's progress: one line per epoch on standard output, in the form
// of TavrixTrain's 'Verbose' lines.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdio>

#include "../batch/batch_run_state.hpp"
#include "../batch/epoch_report.hpp"

namespace tavrix::cli {

class EpochPrinter : public EpochObserver {
public:
    bool EpochDone(std::int32_t done, std::int32_t total, const EpochReport& r) override {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        char heldOut[64] = "";
        if (!std::isnan(r.heldOutLogLikelihood))
            std::snprintf(heldOut, sizeof heldOut, ", held-out %.6g", r.heldOutLogLikelihood);
        std::printf("tavrix-train: epoch %d of %d, radius %.3g, mean log-likelihood %.6g, %.1f%% changed unit%s, "
                    "%.2f s per epoch, %.0f s left\n",
                    done, total, r.radius, r.logLikelihood, 100.0 * r.changed, heldOut, seconds / done,
                    seconds / done * (total - done));
        std::fflush(stdout);
        return false;
    }

    void Chosen(const BatchRunState& run) const {
        if (!run.selecting) return;
        std::printf("tavrix-train: held-out log-likelihood %.6g of the first model%s; chose %s %d (%.6g)\n",
                    run.startScore, run.firstCompetes ? "" : " (not a candidate: it was built from them)",
                    run.bestEpoch == 0 ? "the first model, epoch" : "epoch", run.bestEpoch, run.bestScore);
        std::fflush(stdout);
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace tavrix::cli
