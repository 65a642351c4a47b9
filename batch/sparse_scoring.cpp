#include "sparse_scoring.hpp"

#include "../core/numeric.hpp"

namespace tavrix {
namespace {

bool AllFinite(const std::vector<double>& values) {
    for (double v : values)
        if (!IsFinite(v)) return false;
    return true;
}

}  // namespace

SparseScorer::SparseScorer(const CompiledMap& map, const std::vector<std::size_t>& valueStart,
                           std::vector<std::int32_t> baselines)
    : map_(map), valueStart_(valueStart), baselines_(std::move(baselines)), units_(map.NumUnits()) {
    const std::size_t d = baselines_.size();
    base_.assign(units_, 0.0);
    plain_.assign(units_, 0);
    singles_.assign(valueStart_[d] * units_, 0.0);
    std::vector<std::pair<std::int32_t, ForwardTerm>> forward;
    for (std::size_t k = 0; k < units_; ++k) AddUnit(k, forward);
    // Grouped by variable, in unit and term order within each (a stable counting sort).
    forwardStart_.assign(d + 1, 0);
    for (const auto& f : forward) ++forwardStart_[static_cast<std::size_t>(f.first) + 1];
    for (std::size_t i = 0; i < d; ++i) forwardStart_[i + 1] += forwardStart_[i];
    forward_.resize(forward.size());
    std::vector<std::size_t> next(forwardStart_.begin(), forwardStart_.end() - 1);
    for (const auto& f : forward) forward_[next[static_cast<std::size_t>(f.first)]++] = f.second;
}

void SparseScorer::AddUnit(std::size_t k, std::vector<std::pair<std::int32_t, ForwardTerm>>& forward) {
    const CompiledUnit& unit = map_.units[k];
    const std::int32_t* b = baselines_.data();
    const double* values = unit.values.data();
    plain_[k] = AllFinite(unit.values) ? 0 : 1;
    double base = 0.0;
    for (const LogTerm& t : unit.terms) {
        const auto stride = static_cast<std::size_t>(t.strideB);
        const auto value = [&](std::int32_t a, std::int32_t c) {
            return values[t.offset + static_cast<std::size_t>(a) + static_cast<std::size_t>(c) * stride];
        };
        const double atBase = value(b[t.varA], b[t.varB]);
        base += atBase;
        if (plain_[k]) continue;
        const std::int32_t rangeA = map_.table.rangeCounts[static_cast<std::size_t>(t.varA)];
        for (std::int32_t a = 0; a < rangeA; ++a)
            if (a != b[t.varA])
                singles_[(valueStart_[static_cast<std::size_t>(t.varA)] + static_cast<std::size_t>(a)) * units_ + k] +=
                    value(a, t.varB == t.varA ? a : b[t.varB]) - atBase;
        if (t.varB == t.varA) continue;
        const std::int32_t rangeB = map_.table.rangeCounts[static_cast<std::size_t>(t.varB)];
        for (std::int32_t c = 0; c < rangeB; ++c)
            if (c != b[t.varB])
                singles_[(valueStart_[static_cast<std::size_t>(t.varB)] + static_cast<std::size_t>(c)) * units_ + k] +=
                    value(b[t.varA], c) - atBase;
        forward.push_back({t.varA, {static_cast<std::int32_t>(k), t.varB, rangeA, pairs_.size()}});
        for (std::int32_t c = 0; c < rangeB; ++c)
            for (std::int32_t a = 0; a < rangeA; ++a)
                pairs_.push_back(a == b[t.varA] || c == b[t.varB]
                                     ? 0.0
                                     : ((value(a, c) - value(a, b[t.varB])) - value(b[t.varA], c)) + atBase);
    }
    base_[k] = base;
}

void SparseScorer::Score(const std::int32_t* codes, const NonBaselineEntries& entries, double* logs) const {
    const std::size_t units = units_;
    for (std::size_t k = 0; k < units; ++k) logs[k] = base_[k];
    for (std::size_t e = 0; e < entries.size; ++e) {
        const double* single =
            singles_.data() + (valueStart_[static_cast<std::size_t>(entries.variable[e])] +
                               static_cast<std::size_t>(entries.code[e])) * units;
        for (std::size_t k = 0; k < units; ++k) logs[k] += single[k];
    }
    // Pair corrections, each unit's in entry and term order. The corrections
    // of a baseline code are 0, and adding 0 leaves a sum that began at +0
    // unchanged, so every pair term of an entry is added.
    for (std::size_t e = 0; e < entries.size; ++e) {
        const auto i = static_cast<std::size_t>(entries.variable[e]);
        const auto a = static_cast<std::size_t>(entries.code[e]);
        for (std::size_t f = forwardStart_[i]; f < forwardStart_[i + 1]; ++f) {
            const ForwardTerm& term = forward_[f];
            logs[term.unit] += pairs_[term.offset + a + static_cast<std::size_t>(codes[term.other]) *
                                                            static_cast<std::size_t>(term.stride)];
        }
    }
    for (std::size_t k = 0; k < units; ++k)
        if (plain_[k]) logs[k] = UnitLogLikelihood(map_.units[k], codes);
}

}  // namespace tavrix
