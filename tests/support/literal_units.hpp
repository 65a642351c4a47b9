// The literal unit log-likelihoods of a raw model, its value index table built
// once, and sums in the log domain for checking the rescaled sums where the
// plain ones underflow.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "tests/reference/reference_core.hpp"
#include "tests/reference/reference_holes.hpp"

namespace tavrix::testing {

class LiteralUnits {
public:
    explicit LiteralUnits(const reference::RawModel& raw)
        : raw_(raw),
          table_(reference::BuildValueIndexTable(raw.ranges.data(), raw.translate.data(), Int(raw.dimension),
                                                 Int(raw.maxRange))) {}

    const reference::RawTable& Table() const { return table_; }

    double LogLikelihood(std::size_t k, const double* sample) const {
        return reference::UnitLogLikelihood(sample, raw_.marginal[k].data(), raw_.intersect[k].data(),
                                            raw_.graph[k].data(), table_.valueIndexTable.data(), Int(raw_.dimension),
                                            Int(raw_.maxRange), Int(raw_.numValues), Int(raw_.rootNode));
    }

    double Masked(std::size_t k, const double* sample, const double* mask) const {
        return reference::MaskedLogLikelihood(sample, mask, raw_.marginal[k].data(), raw_.intersect[k].data(),
                                              raw_.graph[k].data(), table_.valueIndexTable.data(), Int(raw_.dimension),
                                              Int(raw_.maxRange), Int(raw_.numValues), Int(raw_.rootNode));
    }

private:
    static std::int32_t Int(double x) { return static_cast<std::int32_t>(x); }

    const reference::RawModel& raw_;
    reference::RawTable table_;
};

// log of the sum of exp(x) over the finite x, shifted by the largest and summed in long double.
inline double LogDomainSum(const std::vector<double>& logs) {
    double top = -std::numeric_limits<double>::infinity();
    for (const double x : logs)
        if (std::isfinite(x)) top = std::max(top, x);
    long double sum = 0.0L;
    for (const double x : logs)
        if (std::isfinite(x)) sum += std::exp(static_cast<long double>(x) - top);
    return top + static_cast<double>(std::log(sum));
}

}  // namespace tavrix::testing
