// tavrix-train's progress: one line per epoch on standard output, in the form
// of TavrixTrain's 'Verbose' lines.
#pragma once

#include <chrono>
#include <cstdio>

#include "../batch/epoch_report.hpp"

namespace tavrix::cli {

class EpochPrinter : public EpochObserver {
public:
    void EpochDone(std::int32_t done, std::int32_t total, const EpochReport& r) override {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        std::printf("tavrix-train: epoch %d of %d, radius %.3g, mean log-likelihood %.6g, %.1f%% changed unit, "
                    "%.2f s per epoch, %.0f s left\n",
                    done, total, r.radius, r.logLikelihood, 100.0 * r.changed, seconds / done,
                    seconds / done * (total - done));
        std::fflush(stdout);
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace tavrix::cli
