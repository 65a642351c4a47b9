#include "run_fingerprint.hpp"

#include <cstring>

namespace tavrix {
namespace {

// FNV-1a over 64-bit words, then a final mix so that sums of hashes stay spread.
class Hash {
public:
    void Add(std::uint64_t word) {
        for (int b = 0; b < 8; ++b) {
            h_ ^= (word >> (8 * b)) & 0xffu;
            h_ *= 0x100000001b3ull;
        }
    }
    void Add(double value) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        Add(bits);
    }
    void Add(const double* values, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) Add(values[i]);
    }
    std::uint64_t Value() const {
        std::uint64_t z = h_;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t h_ = 0xcbf29ce484222325ull;
};

}  // namespace

std::uint64_t DataFingerprint(const CodeMatrix& codes, std::int64_t firstColumn) {
    std::uint64_t sum = 0;
    for (std::int32_t j = 0; j < codes.numSamples; ++j) {
        Hash h;
        h.Add(static_cast<std::uint64_t>(firstColumn + j));
        const std::int32_t* column = codes.Column(j);
        for (std::int32_t i = 0; i < codes.dimension; ++i) h.Add(static_cast<std::uint64_t>(column[i] + 2));
        sum += h.Value();
    }
    return sum;
}

namespace {

// A whole table by its cells, a compact one by its stored cells and their places.
void AddTable(Hash& h, const SquareTable& table, std::size_t n) {
    if (!table.Compact()) return h.Add(table.dense, n * n);
    for (std::size_t c = 0; c < n; ++c)
        for (std::int64_t s = table.columnStart[c]; s < table.columnStart[c + 1]; ++s) {
            h.Add(static_cast<std::uint64_t>(table.rows[s]) + n * c);
            h.Add(&table.values[s], 1);
        }
}

}  // namespace

std::uint64_t ModelFingerprint(const MapModel& model) {
    Hash h;
    for (const std::int32_t n : {model.numRowsMap, model.numColsMap, model.dimension, model.maxRange, model.numValues,
                                 model.rootNode})
        h.Add(static_cast<std::uint64_t>(n));
    h.Add(model.translate.data(), model.translate.size());
    h.Add(model.ranges.data(), model.ranges.size());
    h.Add(model.pi.data(), model.pi.size());
    const auto values = static_cast<std::size_t>(model.numValues);
    const auto d = static_cast<std::size_t>(model.dimension);
    for (const UnitTables& unit : model.units) {
        h.Add(unit.marginal, values);
        AddTable(h, unit.intersect, values);
        AddTable(h, unit.graph, d);
    }
    return h.Value();
}

}  // namespace tavrix
