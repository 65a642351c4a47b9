// Unit terms addressed through the codes of variable pairs shared by all units.
//
// A compiled term reads values[offset + code[varA] + code[varB] x strideB],
// and (varA, varB, strideB) is the same for every unit that has the term: it
// depends on the variables only. Each distinct triple gets a slot; per sample
// the combined code of every slot is computed once, and a unit's term then
// costs one read of the slot's code, one table read and one addition, with the
// very same values added in the very same order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "compiled_unit.hpp"

namespace tavrix {

// A term reads table[pairCode[slot]]; table points into the compiled unit's values.
struct SlotTerm {
    const double* table;
    std::size_t slot;
};

struct SlotUnit {
    std::vector<SlotTerm> terms;  // in summation order
};

struct PairSlots {
    std::vector<std::int32_t> varA, varB, strideB;  // one entry per slot
    std::vector<SlotUnit> units;

    std::size_t Count() const { return varA.size(); }
};

// Keeps pointers into `units`, which must outlive the result.
PairSlots BuildPairSlots(const std::vector<CompiledUnit>& units);

// The combined code of slot s for one sample's codes, in the width of the
// compiled tables' indices.
inline std::size_t PairCode(const PairSlots& slots, std::size_t s, const std::int32_t* codes) {
    return static_cast<std::size_t>(codes[slots.varA[s]]) +
           static_cast<std::size_t>(codes[slots.varB[s]]) * static_cast<std::size_t>(slots.strideB[s]);
}

inline void FillPairCodes(const PairSlots& slots, const std::int32_t* codes, std::size_t* pairCodes) {
    const std::size_t count = slots.Count();
    for (std::size_t s = 0; s < count; ++s) pairCodes[s] = PairCode(slots, s, codes);
}

// UnitLogLikelihood of `Block` samples at once, from their pair codes.
template <int Block>
inline void SlotLogLikelihoods(const SlotUnit& unit, const std::size_t* const (&pairCodes)[Block],
                               double (&out)[Block]) {
    double s[Block];
    for (int b = 0; b < Block; ++b) s[b] = 0.0;
    for (const SlotTerm& t : unit.terms) {
        for (int b = 0; b < Block; ++b) s[b] += t.table[pairCodes[b][t.slot]];
    }
    for (int b = 0; b < Block; ++b) out[b] = s[b];
}

}  // namespace tavrix
