// The evidence of every unit for a sample with hidden values: the sum, over
// every completion of the hidden values, of the unit's likelihood of the
// completed sample.
#pragma once

#include <cstdint>
#include <vector>

#include "../core/compiled_unit.hpp"
#include "../core/interrupt.hpp"
#include "../core/span.hpp"
#include "../core/pair_codes.hpp"

namespace tavrix {

// Completions are counted in 32 bits: a sample may hide fewer than this many.
constexpr std::int64_t kCompletionLimit = std::int64_t{1} << 31;

// The product of the ranges of the hidden variables of one sample (1 when
// none is hidden, 0 when a hidden variable has no value), or kCompletionLimit
// once the product reaches it. `hidden` holds one flag per variable.
std::int64_t CompletionCount(Span<const double> ranges, const std::uint8_t* hidden);

// Walks the completions of one sample in mixed radix, the lowest-index hidden
// variable fastest, writing them into kSampleBlock lanes so that several
// completions can be evaluated side by side. Each lane holds the codes of a
// completion and its pair codes; observed positions keep the sample's codes,
// and only the pair codes that touch a hidden variable change from one
// completion to the next. Allocates only when constructed.
class CompletionWalk {
public:
    CompletionWalk(std::int32_t dimension, const PairSlots& slots);

    // Starts over at completion 0 of a sample; every lane then holds it.
    void Start(const std::int32_t* column, const std::uint8_t* hidden, const std::vector<std::int32_t>& rangeCounts);

    std::int64_t Count() const { return count_; }

    // Writes the next completion into `lane`.
    void Emit(int lane);

    const std::int32_t* const (&Lanes() const)[kSampleBlock] { return lanes_; }
    const std::size_t* const (&PairLanes() const)[kSampleBlock] { return pairLanes_; }

private:
    std::int32_t* Lane(int lane) { return codes_.data() + static_cast<std::size_t>(lane) * dimension_; }
    std::size_t* PairLane(int lane) { return pairCodes_.data() + static_cast<std::size_t>(lane) * slots_.Count(); }

    std::int32_t dimension_;
    const PairSlots& slots_;
    std::vector<std::int32_t> codes_;      // kSampleBlock x Dimension
    std::vector<std::size_t> pairCodes_;   // kSampleBlock x slots
    const std::int32_t* lanes_[kSampleBlock];
    const std::size_t* pairLanes_[kSampleBlock];
    std::vector<std::int32_t> hiddenList_;  // ascending
    std::vector<std::size_t> hiddenSlots_;   // the slots with a hidden variable
    std::vector<std::int32_t> radix_;
    std::vector<std::int32_t> digits_;
    std::int64_t count_ = 0;
};

// evidence[k] = sum of exp(s) over the completions whose log-likelihood s
// under unit k is finite, added in completion order; top[k] = the largest
// such s (-Inf when there is none). Both hold one entry per unit. Every few
// blocks of completions thread `worker` of a parallel loop checks `interrupt`
// (when not null), and stops, the sums partial, once it says so.
void HiddenEvidence(const PairSlots& units, CompletionWalk& walk, Span<double> evidence, Span<double> top,
                    Interrupt* interrupt = nullptr, int worker = 0);

// For the listed units only: scaled[k] = sum of exp(s - top[k]) over the
// completions with finite s, in completion order. Used where the plain
// evidence underflows. Stops as HiddenEvidence does.
void ScaledEvidence(const PairSlots& units, Span<const std::int32_t> listed, CompletionWalk& walk,
                    Span<const double> top, Span<double> scaled, Interrupt* interrupt = nullptr, int worker = 0);

}  // namespace tavrix
