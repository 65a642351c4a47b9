#include "sparse_scoring.hpp"

#include "../core/numeric.hpp"

namespace tavrix {
namespace {

// The index of the lowest set bit of x != 0 (de Bruijn's multiplication).
std::size_t LowestBit(std::uint64_t x) {
    static constexpr unsigned char kIndex[64] = {
        0,  1,  48, 2,  57, 49, 28, 3,  61, 58, 50, 42, 38, 29, 17, 4,  62, 55, 59, 36, 53, 51,
        43, 22, 45, 39, 33, 30, 24, 18, 12, 5,  63, 47, 56, 27, 60, 41, 37, 16, 54, 35, 52, 21,
        44, 32, 23, 11, 46, 26, 40, 15, 34, 20, 31, 10, 25, 14, 19, 9,  13, 8,  7,  6};
    return kIndex[((x & (~x + 1)) * 0x03f79d71b4cb0a89ULL) >> 58];
}

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
    std::vector<std::pair<std::size_t, PairTerm>> terms;
    for (std::size_t k = 0; k < units_; ++k) AddUnit(k, terms);
    // Grouped by variable pair, in unit and term order within each (a stable counting sort).
    termStart_.assign(d * d + 1, 0);
    for (const auto& t : terms) ++termStart_[t.first + 1];
    for (std::size_t p = 0; p < d * d; ++p) termStart_[p + 1] += termStart_[p];
    terms_.resize(terms.size());
    std::vector<std::uint32_t> next(termStart_.begin(), termStart_.end() - 1);
    for (const auto& t : terms) terms_[next[t.first]++] = t.second;
    words_ = (d + 63) / 64;
    hasTerms_.assign(d * words_, 0);
    for (const auto& t : terms) {
        const std::size_t i = t.first / d, j = t.first % d;
        hasTerms_[i * words_ + j / 64] |= std::uint64_t{1} << (j % 64);
    }
}

void SparseScorer::AddUnit(std::size_t k, std::vector<std::pair<std::size_t, PairTerm>>& terms) {
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
        terms.push_back({static_cast<std::size_t>(t.varA) * baselines_.size() + static_cast<std::size_t>(t.varB),
                         {static_cast<std::int32_t>(k), rangeA, pairs_.size()}});
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
    // Pair corrections, each unit's by its first variable, then its second,
    // then in term order: the order of the unit's terms. The second
    // variables are found among the bits of the sample's entries that some
    // unit pairs with the first.
    const std::size_t d = baselines_.size();
    for (std::size_t p = 0; p < entries.size; ++p) {
        const auto i = static_cast<std::size_t>(entries.variable[p]);
        const std::uint32_t* row = termStart_.data() + i * d;
        const std::uint64_t* bits = hasTerms_.data() + i * words_;
        const auto a = static_cast<std::size_t>(entries.code[p]);
        for (std::size_t w = (i + 1) / 64; w < words_; ++w) {
            std::uint64_t partners = bits[w] & entries.mask[w];
            if (w == (i + 1) / 64) partners &= ~std::uint64_t{0} << ((i + 1) % 64);
            for (; partners != 0; partners &= partners - 1) {
                const std::size_t j = w * 64 + LowestBit(partners);
                const auto c = static_cast<std::size_t>(codes[j]);
                for (std::uint32_t f = row[j]; f < row[j + 1]; ++f) {
                    const PairTerm& term = terms_[f];
                    logs[term.unit] += pairs_[term.offset + a + c * static_cast<std::size_t>(term.stride)];
                }
            }
        }
    }
    for (std::size_t k = 0; k < units; ++k)
        if (plain_[k]) logs[k] = UnitLogLikelihood(map_.units[k], codes);
}

}  // namespace tavrix
