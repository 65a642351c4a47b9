#include "pair_codes.hpp"

#include <algorithm>
#include <tuple>

namespace tavrix {

PairSlots BuildPairSlots(const std::vector<CompiledUnit>& units) {
    using Key = std::tuple<std::int32_t, std::int32_t, std::int32_t>;
    std::vector<Key> keys;
    for (const CompiledUnit& unit : units)
        for (const LogTerm& t : unit.terms) keys.emplace_back(t.varA, t.varB, t.strideB);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());

    PairSlots slots;
    for (const Key& key : keys) {
        slots.varA.push_back(std::get<0>(key));
        slots.varB.push_back(std::get<1>(key));
        slots.strideB.push_back(std::get<2>(key));
    }
    slots.units.resize(units.size());
    for (std::size_t k = 0; k < units.size(); ++k) {
        SlotUnit& unit = slots.units[k];
        const double* values = units[k].values.data();
        unit.terms.reserve(units[k].terms.size());
        for (const LogTerm& t : units[k].terms) {
            const auto at = std::lower_bound(keys.begin(), keys.end(), Key(t.varA, t.varB, t.strideB));
            unit.terms.push_back({values + t.offset, static_cast<std::size_t>(at - keys.begin())});
        }
    }
    return slots;
}

}  // namespace tavrix
