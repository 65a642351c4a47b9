#include "compiled_unit.hpp"

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
        for (std::int32_t i = 0; i < d; ++i) {
            if (undirected || i == model_.rootNode - 1) AddNodeTerm(i);
            for (std::int32_t j = i + 1; j < d; ++j) {
                const bool parentFirst = IsSet(i, j);
                const bool parentSecond = IsSet(j, i);
                if (undirected) {
                    if (parentFirst || parentSecond) AddPairTerm(i, j, PairTerm::kUndirected);
                } else {
                    if (parentFirst) AddPairTerm(i, j, PairTerm::kParentFirst);
                    if (parentSecond) AddPairTerm(i, j, PairTerm::kParentSecond);
                }
            }
        }
        return std::move(unit_);
    }

private:
    // NaN counts as an edge; +0.0 and -0.0 do not.
    bool IsSet(std::int32_t p, std::int32_t c) const {
        const auto d = static_cast<std::size_t>(model_.dimension);
        return tables_.graph[static_cast<std::size_t>(p) + static_cast<std::size_t>(c) * d] != 0.0;
    }

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
                const double logJoint = std::log(tables_.intersect[a + b * n]);
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
