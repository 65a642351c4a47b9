// A unit's log-likelihood, compiled once per call into a list of finished terms.
//
// Each term of the tree log-likelihood depends on the codes of at most two
// variables. Compiling evaluates every term for every pair of codes up front,
// exactly as the plain sum forms it (the same logarithms, the same differences
// in the same order), and keeps the terms in summation order. Evaluating a
// sample is then one table read and one addition per term, and gives the very
// same double as the plain sum.
#pragma once

#include <cstdint>
#include <vector>

#include "interrupt.hpp"
#include "map_model.hpp"
#include "value_index_table.hpp"

namespace tavrix {

// value = values[offset + code[varA] + code[varB] x strideB]. A node term has
// varB = varA and strideB = 0. The term belongs to a masked sum only when both
// maskA and maskB are hidden (they coincide for terms with one condition).
struct LogTerm {
    std::int32_t varA;
    std::int32_t varB;
    std::int32_t strideB;
    std::int32_t maskA;
    std::int32_t maskB;
    std::size_t offset;
};

struct CompiledUnit {
    std::vector<LogTerm> terms;  // in summation order
    std::vector<double> values;
};

// The variable pairs (low < high) joined in a unit's Graph, ascending: an
// edge in either direction (NaN counts as an edge; +0.0 and -0.0 do not),
// and which of its ends is a parent.
struct GraphPair {
    std::int32_t low, high;
    bool lowIsParent, highIsParent;
};
std::vector<GraphPair> PairsOfGraph(const SquareTable& graph, std::int32_t dimension);

CompiledUnit CompileUnit(const MapModel& model, const ValueIndexTable& table, std::int32_t unit);

// Compiles every unit, spreading the units over `threads` threads. Once
// `interrupt` (when not null) says stop, the units not yet compiled stay empty.
std::vector<CompiledUnit> CompileUnits(const MapModel& model, const ValueIndexTable& table, int threads,
                                       Interrupt* interrupt = nullptr);

// The natural-log probability of one complete sample (Dimension codes) under a unit.
inline double UnitLogLikelihood(const CompiledUnit& unit, const std::int32_t* codes) {
    const double* values = unit.values.data();
    double s = 0.0;
    for (const LogTerm& t : unit.terms) {
        s += values[t.offset + static_cast<std::size_t>(codes[t.varA]) +
                    static_cast<std::size_t>(codes[t.varB]) * static_cast<std::size_t>(t.strideB)];
    }
    return s;
}

// Samples scored side by side: independent sums run in parallel in the
// processor, while each sample's sum still takes its terms in order.
constexpr int kSampleBlock = 4;

}  // namespace tavrix
