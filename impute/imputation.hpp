// Filling in missing values: the posterior of every missing entry under the
// map taken as a Pi-weighted mixture of its units, exact for every unit.
#pragma once

#include <cstdint>
#include <vector>

#include "../core/compiled_map.hpp"
#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "../core/span.hpp"
#include "unit_factors.hpp"

namespace tavrix {

// Everything a call computes once from the model.
struct ImputePlan {
    CompiledMap map;  // for complete samples: the literal sum, bit for bit
    std::vector<UnitFactors> factors;
    std::size_t maxEdges = 0;
};

// Once `interrupt` (when not null) says stop, the plan is incomplete (see
// CompiledMap; the factors left are those of a forest) and only to be discarded.
ImputePlan PrepareImputation(const MapModel& model, int threads, Interrupt* interrupt = nullptr);

// The factors and maxEdges of a plan whose compiled map is built (what
// PrepareImputation adds to the map), over `threads` threads.
void AddUnitFactors(ImputePlan& plan, int threads, Interrupt* interrupt = nullptr);

// The most completions any unit must enumerate for any sample (the product of
// the ranges of a component of missing variables that holds a cycle), capped
// at `cap`; 1 when every component is a tree. Stops early, the count too low,
// once `interrupt` (when not null) says so.
std::int64_t LargestCompletionCount(const ImputePlan& plan, const CodeMatrix& codes, int threads, std::int64_t cap,
                                    Interrupt* interrupt = nullptr);

// Results, each empty when not wanted. `filled` (Dimension x N) must already
// hold the data: only its missing entries are written.
struct ImputeOutputs {
    Span<double> filled;
    Span<double> post;  // NumValues x N
    Span<double> logp;  // N
};

// For every sample j (missing entries kMissingCode):
//  - logp[j] = log sum_k Pi[k] P_k(observed), over the units with Pi[k] > 0;
//  - post: the posterior of each value at its global index; one-hot for
//    observed variables, the Pi[k] P_k(observed)-weighted mixture of the
//    units' conditionals for missing ones;
//  - filled: each missing entry's most probable code, the lowest on ties.
// When no unit gives the observed values positive mass, logp[j] = -Inf and
// the missing entries' posteriors and filled values are NaN. Stops early, its
// results incomplete, once `interrupt` (when not null) says so.
void Impute(const MapModel& model, const ImputePlan& plan, const CodeMatrix& codes, int threads,
            const ImputeOutputs& out, Interrupt* interrupt = nullptr);

}  // namespace tavrix
