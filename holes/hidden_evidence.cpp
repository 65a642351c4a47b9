#include "hidden_evidence.hpp"

#include <cmath>
#include <limits>

#include "../core/numeric.hpp"

namespace tavrix {

std::int64_t CompletionCount(Span<const double> ranges, const std::uint8_t* hidden) {
    std::int64_t count = 1;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        if (!hidden[i]) continue;
        const auto range = static_cast<std::int32_t>(ranges[i]);
        if (range <= 0) return 0;
        if (count < kCompletionLimit) count *= range;
    }
    return count < kCompletionLimit ? count : kCompletionLimit;
}

CompletionWalk::CompletionWalk(std::int32_t dimension, const PairSlots& slots)
    : dimension_(dimension),
      slots_(slots),
      codes_(static_cast<std::size_t>(dimension) * kSampleBlock),
      pairCodes_(slots.Count() * kSampleBlock) {
    for (int b = 0; b < kSampleBlock; ++b) {
        lanes_[b] = Lane(b);
        pairLanes_[b] = PairLane(b);
    }
    hiddenList_.reserve(static_cast<std::size_t>(dimension));
    hiddenSlots_.reserve(slots.Count());
    radix_.reserve(static_cast<std::size_t>(dimension));
    digits_.reserve(static_cast<std::size_t>(dimension));
}

void CompletionWalk::Start(const std::int32_t* column, const std::uint8_t* hidden,
                           const std::vector<std::int32_t>& rangeCounts) {
    hiddenList_.clear();
    radix_.clear();
    digits_.clear();
    count_ = 1;
    for (std::int32_t i = 0; i < dimension_; ++i) {
        if (!hidden[i]) continue;
        hiddenList_.push_back(i);
        radix_.push_back(rangeCounts[static_cast<std::size_t>(i)]);
        digits_.push_back(0);
        const std::int32_t range = rangeCounts[static_cast<std::size_t>(i)];
        if (range <= 0) count_ = 0;
        else if (count_ < kCompletionLimit) count_ *= range;
    }
    hiddenSlots_.clear();
    for (std::size_t s = 0; s < slots_.Count(); ++s)
        if (hidden[slots_.varA[s]] || hidden[slots_.varB[s]]) hiddenSlots_.push_back(s);
    for (int b = 0; b < kSampleBlock; ++b) {
        std::int32_t* lane = Lane(b);
        for (std::int32_t i = 0; i < dimension_; ++i) lane[i] = hidden[i] ? 0 : column[i];
        FillPairCodes(slots_, lane, PairLane(b));
    }
}

void CompletionWalk::Emit(int lane) {
    std::int32_t* codes = Lane(lane);
    const std::size_t h = hiddenList_.size();
    for (std::size_t p = 0; p < h; ++p) codes[hiddenList_[p]] = digits_[p];
    std::size_t* pairCodes = PairLane(lane);
    for (const std::size_t s : hiddenSlots_) pairCodes[s] = PairCode(slots_, s, codes);
    // Next completion: count up, the first hidden variable fastest.
    for (std::size_t p = 0; p < h; ++p) {
        if (++digits_[p] < radix_[p]) break;
        digits_[p] = 0;
    }
}

namespace {

// Runs over every completion in order, kSampleBlock at a time, and hands each
// listed unit its log-likelihoods in completion order; checks for a stop
// every kBlocksPerCheck blocks.
template <class UnitList, class Visit>
void ForEachCompletion(const PairSlots& units, const UnitList& listed, CompletionWalk& walk, Interrupt* interrupt,
                       int worker, Visit&& visit) {
    constexpr std::int64_t kBlocksPerCheck = 16;
    const std::int64_t count = walk.Count();
    for (std::int64_t m = 0; m < count; m += kSampleBlock) {
        if (m % (kBlocksPerCheck * kSampleBlock) == 0 && ShouldStop(interrupt, worker)) return;
        const int lanes = static_cast<int>(count - m < kSampleBlock ? count - m : kSampleBlock);
        // Lanes past the last completion keep an earlier completion; their results are dropped.
        for (int b = 0; b < lanes; ++b) walk.Emit(b);
        for (const std::int32_t k : listed) {
            double s[kSampleBlock];
            SlotLogLikelihoods(units.units[static_cast<std::size_t>(k)], walk.PairLanes(), s);
            for (int b = 0; b < lanes; ++b) visit(k, s[b]);
        }
    }
}

// The unit numbers 0..count-1 as a range for the loop above.
struct AllUnits {
    struct Iterator {
        std::int32_t k;
        std::int32_t operator*() const { return k; }
        Iterator& operator++() {
            ++k;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return k != other.k; }
    };
    std::int32_t count;
    Iterator begin() const { return {0}; }
    Iterator end() const { return {count}; }
};

}  // namespace

void HiddenEvidence(const PairSlots& units, CompletionWalk& walk, Span<double> evidence, Span<double> top,
                    Interrupt* interrupt, int worker) {
    for (std::size_t k = 0; k < units.units.size(); ++k) {
        evidence[k] = 0.0;
        top[k] = -std::numeric_limits<double>::infinity();
    }
    const AllUnits all{static_cast<std::int32_t>(units.units.size())};
    ForEachCompletion(units, all, walk, interrupt, worker, [&](std::int32_t k, double s) {
        if (!IsFinite(s)) return;
        const auto u = static_cast<std::size_t>(k);
        evidence[u] += std::exp(s);
        if (s > top[u]) top[u] = s;
    });
}

void ScaledEvidence(const PairSlots& units, Span<const std::int32_t> listed, CompletionWalk& walk,
                    Span<const double> top, Span<double> scaled, Interrupt* interrupt, int worker) {
    for (const std::int32_t k : listed) scaled[static_cast<std::size_t>(k)] = 0.0;
    ForEachCompletion(units, listed, walk, interrupt, worker, [&](std::int32_t k, double s) {
        const auto u = static_cast<std::size_t>(k);
        if (IsFinite(s)) scaled[u] += std::exp(s - top[u]);
    });
}

}  // namespace tavrix
