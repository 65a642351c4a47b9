#include "compiled_unit.hpp"

#include <algorithm>
#include <cmath>

#include "parallel.hpp"

namespace tavrix {
namespace {

enum class PairTerm { kUndirected, kParentFirst, kParentSecond };

class UnitCompiler {
public:
    UnitCompiler(const MapModel& model, const ValueIndexTable& table, std::int32_t unit)
        : model_(model), table_(table), tables_(model.units[static_cast<std::size_t>(unit)]) {
        logMarginal_.resize(static_cast<std::size_t>(model.numValues));
        for (std::size_t a = 0; a < logMarginal_.size(); ++a) logMarginal_[a] = std::log(tables_.marginal[a]);
    }

    CompiledUnit Compile() {
        const std::int32_t d = model_.dimension;
        const bool undirected = model_.rootNode == 0;
        const std::vector<GraphPair> pairs = PairsOfGraph(tables_.graph, d);
        std::size_t next = 0;
        for (std::int32_t i = 0; i < d; ++i) {
            if (undirected || i == model_.rootNode - 1) AddNodeTerm(i);
            for (; next < pairs.size() && pairs[next].low == i; ++next) {
                const GraphPair& pair = pairs[next];
                if (undirected) {
                    AddPairTerm(i, pair.high, PairTerm::kUndirected);
                } else {
                    if (pair.lowIsParent) AddPairTerm(i, pair.high, PairTerm::kParentFirst);
                    if (pair.highIsParent) AddPairTerm(i, pair.high, PairTerm::kParentSecond);
                }
            }
        }
        return std::move(unit_);
    }

private:
    void AddNodeTerm(std::int32_t i) {
        const std::int32_t range = table_.rangeCounts[static_cast<std::size_t>(i)];
        unit_.terms.push_back({i, i, 0, i, i, unit_.values.size()});
        for (std::int32_t v = 0; v < range; ++v) unit_.values.push_back(logMarginal_[Index(i, v)]);
    }

    void AddPairTerm(std::int32_t i, std::int32_t j, PairTerm kind) {
        const std::int32_t rangeI = table_.rangeCounts[static_cast<std::size_t>(i)];
        const std::int32_t rangeJ = table_.rangeCounts[static_cast<std::size_t>(j)];
        // An undirected edge enters a masked sum when both ends are hidden, a
        // directed factor when its child is.
        std::int32_t maskA = i, maskB = j;
        if (kind == PairTerm::kParentFirst) maskA = j;
        if (kind == PairTerm::kParentSecond) maskB = i;
        unit_.terms.push_back({i, j, rangeI, maskA, maskB, unit_.values.size()});
        const auto n = static_cast<std::size_t>(model_.numValues);
        for (std::int32_t vb = 0; vb < rangeJ; ++vb) {
            const std::size_t b = Index(j, vb);
            for (std::int32_t va = 0; va < rangeI; ++va) {
                const std::size_t a = Index(i, va);
                // The joint is read with the lower-numbered variable on the row.
                const double logJoint = std::log(tables_.intersect.At(a, b, n));
                double term = 0.0;
                switch (kind) {
                    case PairTerm::kUndirected: term = (logJoint - logMarginal_[a]) - logMarginal_[b]; break;
                    case PairTerm::kParentFirst: term = logJoint - logMarginal_[a]; break;
                    case PairTerm::kParentSecond: term = logJoint - logMarginal_[b]; break;
                }
                unit_.values.push_back(term);
            }
        }
    }

    std::size_t Index(std::int32_t i, std::int32_t v) const { return static_cast<std::size_t>(table_(i, v)); }

    const MapModel& model_;
    const ValueIndexTable& table_;
    const UnitTables& tables_;
    std::vector<double> logMarginal_;
    CompiledUnit unit_;
};

}  // namespace

std::vector<GraphPair> PairsOfGraph(const SquareTable& graph, std::int32_t dimension) {
    const auto d = static_cast<std::size_t>(std::max(dimension, 0));
    std::vector<GraphPair> pairs;
    if (!graph.Compact()) {
        for (std::size_t i = 0; i < d; ++i)
            for (std::size_t j = i + 1; j < d; ++j) {
                const bool first = graph.dense[i + j * d] != 0.0, second = graph.dense[j + i * d] != 0.0;
                if (first || second)
                    pairs.push_back({static_cast<std::int32_t>(i), static_cast<std::int32_t>(j), first, second});
            }
        return pairs;
    }
    for (std::size_t c = 0; c < d; ++c)
        for (std::int64_t s = graph.columnStart[c]; s < graph.columnStart[c + 1]; ++s) {
            const auto p = static_cast<std::size_t>(graph.rows[s]);
            if (p == c || !(graph.values[s] != 0.0)) continue;
            const bool lowIsParent = p < c;
            pairs.push_back({static_cast<std::int32_t>(std::min(p, c)), static_cast<std::int32_t>(std::max(p, c)),
                             lowIsParent, !lowIsParent});
        }
    std::sort(pairs.begin(), pairs.end(), [](const GraphPair& x, const GraphPair& y) {
        return x.low != y.low ? x.low < y.low : x.high < y.high;
    });
    // An edge stored in both orientations is one pair.
    std::size_t kept = 0;
    for (std::size_t e = 0; e < pairs.size(); ++e) {
        if (kept > 0 && pairs[kept - 1].low == pairs[e].low && pairs[kept - 1].high == pairs[e].high) {
            pairs[kept - 1].lowIsParent = pairs[kept - 1].lowIsParent || pairs[e].lowIsParent;
            pairs[kept - 1].highIsParent = pairs[kept - 1].highIsParent || pairs[e].highIsParent;
        } else {
            pairs[kept++] = pairs[e];
        }
    }
    pairs.resize(kept);
    return pairs;
}

CompiledUnit CompileUnit(const MapModel& model, const ValueIndexTable& table, std::int32_t unit) {
    return UnitCompiler(model, table, unit).Compile();
}

std::vector<CompiledUnit> CompileUnits(const MapModel& model, const ValueIndexTable& table, int threads,
                                       Interrupt* interrupt) {
    std::vector<CompiledUnit> units(static_cast<std::size_t>(model.NumUnits()));
    ParallelFor(static_cast<std::int64_t>(units.size()), threads, [&](std::int64_t begin, std::int64_t end, int worker) {
        for (std::int64_t k = begin; k < end && !ShouldStop(interrupt, worker); ++k)
            units[static_cast<std::size_t>(k)] = CompileUnit(model, table, static_cast<std::int32_t>(k));
    });
    return units;
}

}  // namespace tavrix
