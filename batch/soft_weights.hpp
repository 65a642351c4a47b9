// Soft assignment: a sample's weights over the units are its posterior,
// quantised to whole multiples of 2^-kSoftWeightBits that sum to exactly 1.
//
// Counts are then whole numbers of 2^-q, so statistics still add up exactly
// over any split of the data, in any order: doubles hold such numbers exactly
// below 2^(53 - q), which bounds the samples counted in all at 2^37.
//
// The rule, which tests/reference/ transcribes:
//   - s_k = log Pi_k + L_k over the units with finite L_k and finite s_k;
//     t is the best unit (the first largest s_k). With none, unit 0 takes all.
//   - e_k = exp(s_k - s_t) where s_k - s_t >= -kSoftCutoff, else 0 (such a
//     unit's share lies below 2^-8 of one quantum: it could only take a
//     quantum left over by rounding); S = sum e_k in unit order;
//     x_k = e_k / S x 2^q.
//   - m_k = floor(x_k); the R = 2^q - sum m_k quanta left go one each to the
//     units of e_k > 0 with the largest remainders x_k - m_k, ties to the lower
//     unit, any beyond their number to t; a negative R (rounding) is taken
//     from t.
#pragma once

#include <cstdint>
#include <vector>

namespace tavrix {

constexpr int kSoftWeightBits = 16;
constexpr std::int64_t kSoftWeightOne = std::int64_t{1} << kSoftWeightBits;
// The value of one quantum, exactly.
constexpr double kSoftQuantum = 1.0 / static_cast<double>(kSoftWeightOne);
// (q + 8) log 2, rounded up.
constexpr double kSoftCutoff = 16.64;

// A unit and its weight in quanta (1..2^q).
struct UnitWeight {
    std::int32_t unit;
    std::int32_t quanta;
};

// Reusable buffers of one thread.
struct SoftWeightScratch {
    std::vector<double> remainder;       // per candidate
    std::vector<std::int32_t> order;     // candidates by remainder
    std::vector<UnitWeight> candidates;  // units with e_k > 0, ascending
};

// The sample's non-zero weights, units ascending, into `weights` (cleared
// first). `logs` are the units' log-likelihoods L_k, `logPi` log Pi_k.
void QuantisedPosterior(const double* logs, const double* logPi, std::size_t units, SoftWeightScratch& scratch,
                        std::vector<UnitWeight>& weights);

}  // namespace tavrix
