// What an epoch of batch training reports, and who is told: plain types that
// the host layer implements without linking the trainer.
#pragma once

#include <cstdint>

namespace tavrix {

// An epoch's radius, the mean log-likelihood of the counted samples under the
// map it started from, the share of them whose unit differs from the last
// epoch's (1 in the first epoch), and the mean log-likelihood of the scored
// (held-out) samples under the map its update made (NaN without any).
struct EpochReport {
    double radius;
    double logLikelihood;
    double changed;
    double heldOutLogLikelihood;
};

// Told after every epoch, on the calling thread, once the run's state
// (BatchRunState) holds the epoch. Returns true to end the run there, as if
// it had been given that many epochs' worth of time: the best model so far
// is still chosen.
class EpochObserver {
public:
    virtual ~EpochObserver() = default;
    virtual bool EpochDone(std::int32_t done, std::int32_t total, const EpochReport& report) = 0;
};

}  // namespace tavrix
