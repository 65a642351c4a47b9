// Unit terms addressed through the codes of variable pairs shared by all units.
//
// A compiled term reads values[offset + code[varA] + code[varB] x strideB],
// and (varA, varB, strideB) is the same for every unit that has the term: it
// depends on the variables only. Each distinct triple gets a slot; per sample
// the combined code of every slot is computed once, and a unit's term then
// costs one read of the slot's code, one table read and one addition, with the
// very same values added in the very same order.
#pragma once

#include <cstdint>
#include <vector>

#include "../core/compiled_unit.hpp"

namespace tavrix {

struct SlotTerm {
    std::uint32_t slot;
    std::uint32_t offset;
};

struct SlotUnit {
    const double* values = nullptr;  // the compiled unit's term values
    std::vector<SlotTerm> terms;     // in summation order
};

struct PairSlots {
    std::vector<std::int32_t> varA, varB, strideB;  // one entry per slot
    std::vector<SlotUnit> units;

    std::size_t Count() const { return varA.size(); }
};

// Keeps pointers into `units`, which must outlive the result.
PairSlots BuildPairSlots(const std::vector<CompiledUnit>& units);

// The combined code of every slot for one sample's codes.
inline void FillPairCodes(const PairSlots& slots, const std::int32_t* codes, std::int32_t* pairCodes) {
    const std::size_t count = slots.Count();
    for (std::size_t s = 0; s < count; ++s)
        pairCodes[s] = codes[slots.varA[s]] + codes[slots.varB[s]] * slots.strideB[s];
}

// UnitLogLikelihood of `Block` samples at once, from their pair codes.
template <int Block>
inline void SlotLogLikelihoods(const SlotUnit& unit, const std::int32_t* const (&pairCodes)[Block],
                               double (&out)[Block]) {
    const double* values = unit.values;
    double s[Block];
    for (int b = 0; b < Block; ++b) s[b] = 0.0;
    for (const SlotTerm& t : unit.terms) {
        const double* table = values + t.offset;
        for (int b = 0; b < Block; ++b) s[b] += table[pairCodes[b][t.slot]];
    }
    for (int b = 0; b < Block; ++b) out[b] = s[b];
}

}  // namespace tavrix
