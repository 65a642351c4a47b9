// What an epoch of batch training reports, and who is told: plain types that
// the host layer implements without linking the trainer.
#pragma once

#include <cstdint>

namespace tavrix {

// An epoch's radius, the mean log-likelihood of the data under the map it
// started from, and the share of samples whose unit differs from the last
// epoch's (1 in the first epoch).
struct EpochReport {
    double radius;
    double logLikelihood;
    double changed;
};

// Told after every epoch, on the calling thread.
class EpochObserver {
public:
    virtual ~EpochObserver() = default;
    virtual void EpochDone(std::int32_t done, std::int32_t total, const EpochReport& report) = 0;
};

}  // namespace tavrix
