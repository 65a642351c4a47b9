#include "soft_weights.hpp"

#include <algorithm>
#include <cmath>

#include "../core/numeric.hpp"

namespace tavrix {

void QuantisedPosterior(const double* logs, const double* logPi, std::size_t units, SoftWeightScratch& scratch,
                        std::vector<UnitWeight>& weights) {
    weights.clear();
    std::int32_t top = -1;
    double topScore = kLowestScore;
    for (std::size_t k = 0; k < units; ++k) {
        const double score = logPi[k] + logs[k];
        if (IsFinite(logs[k]) && score > topScore) {
            topScore = score;
            top = static_cast<std::int32_t>(k);
        }
    }
    if (top < 0 || !IsFinite(topScore)) {
        weights.push_back({0, static_cast<std::int32_t>(kSoftWeightOne)});
        return;
    }
    // The candidates hold e_k in `remainder` until S is known.
    auto& candidates = scratch.candidates;
    auto& remainder = scratch.remainder;
    candidates.clear();
    remainder.clear();
    double sum = 0.0;
    for (std::size_t k = 0; k < units; ++k) {
        const double score = logPi[k] + logs[k];
        if (!IsFinite(logs[k]) || !IsFinite(score) || !(score - topScore >= -kSoftCutoff)) continue;
        const double e = std::exp(score - topScore);
        sum += e;
        candidates.push_back({static_cast<std::int32_t>(k), 0});
        remainder.push_back(e);
    }
    std::int64_t left = kSoftWeightOne;
    std::size_t topAt = 0;
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        const double x = remainder[c] / sum * static_cast<double>(kSoftWeightOne);
        const double whole = std::floor(x);
        candidates[c].quanta = static_cast<std::int32_t>(whole);
        remainder[c] = x - whole;
        left -= candidates[c].quanta;
        if (candidates[c].unit == top) topAt = c;
    }
    if (left > 0) {
        auto& order = scratch.order;
        order.resize(candidates.size());
        for (std::size_t c = 0; c < order.size(); ++c) order[c] = static_cast<std::int32_t>(c);
        const auto picked =
            static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(order.size())));
        // Candidates are in unit order, so the lower index is the lower unit;
        // the order is total, so the first `picked` are the same set however
        // the selection runs.
        if (picked < order.size())
            std::nth_element(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(picked), order.end(),
                             [&](std::int32_t a, std::int32_t b) {
                                 const double ra = remainder[static_cast<std::size_t>(a)];
                                 const double rb = remainder[static_cast<std::size_t>(b)];
                                 return ra > rb || (ra == rb && a < b);
                             });
        for (std::size_t p = 0; p < picked; ++p) ++candidates[static_cast<std::size_t>(order[p])].quanta;
        left -= static_cast<std::int64_t>(picked);
    }
    candidates[topAt].quanta += static_cast<std::int32_t>(left);
    for (const UnitWeight& w : candidates)
        if (w.quanta > 0) weights.push_back(w);
}

}  // namespace tavrix
