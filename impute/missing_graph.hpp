// The part of a unit's skeleton that joins the missing variables of one
// sample. Observed variables cut the skeleton: an edge with an observed end
// becomes a factor on its other end. The remaining graph splits into
// components; those without a cycle are solved by message passing, the others
// by enumerating their completions.
#pragma once

#include <cstdint>
#include <vector>

#include "../core/map_model.hpp"
#include "unit_factors.hpp"

namespace tavrix {

// Scratch for one thread, sized once per call; nothing in it is allocated per sample.
struct InferenceScratch {
    InferenceScratch(std::int32_t dimension, std::int32_t maxRange, std::size_t maxEdges);

    std::int32_t dimension;
    std::int32_t maxRange;
    // The missing graph, adjacency in compressed rows.
    std::vector<std::int32_t> missingEdges;  // indices into UnitFactors::edges
    std::vector<std::int32_t> adjacencyStart;  // Dimension + 1
    std::vector<std::int32_t> neighbour;       // 2 x edges
    std::vector<std::int32_t> neighbourEdge;
    std::vector<std::int32_t> componentOf;  // union-find parent, then component root
    std::vector<std::uint8_t> cyclic;      // per component root
    std::vector<std::uint8_t> visited;
    std::vector<std::int32_t> order;       // a component's variables, parents first
    std::vector<std::int32_t> treeParent;
    std::vector<std::int32_t> treeEdge;
    std::vector<std::int32_t> componentEdges;  // the edges of a component being enumerated
    std::vector<std::int32_t> code;  // a completion being enumerated
    // Per variable, MaxRange slots each.
    std::vector<double> belief;    // node table plus the edges to observed neighbours
    std::vector<double> up;        // belief times the messages from the children
    std::vector<double> message;   // from a variable to its parent, at the parent's values
    std::vector<double> down;      // from the parent side, at the variable's values
    std::vector<double> marginal;  // the unit's posterior of each missing variable
    std::vector<double> suffix;    // (Dimension + 1) x MaxRange
    std::vector<double> prefix;    // MaxRange
    std::vector<double> excluded;  // MaxRange
    std::vector<double> terms;     // MaxRange
};

// Builds the missing graph of `unit` for a sample (missing entries hold
// kMissingCode) and marks the components that hold a cycle.
void BuildMissingGraph(const UnitFactors& unit, const std::int32_t* codes, InferenceScratch& w);

// Collects the component of `start` (a missing variable not visited yet) in
// breadth-first order into w.order, with each variable's tree parent and edge
// (-1 at `start`), and marks it visited. Returns its size.
std::int32_t CollectComponent(std::int32_t start, InferenceScratch& w);

// The largest number of completions of one cyclic component of the graph just
// built, capped at `cap`; 1 when there is no cyclic component.
std::int64_t LargestCyclicCompletions(const ValueIndexTable& table, const std::int32_t* codes, InferenceScratch& w,
                                      std::int64_t cap);

}  // namespace tavrix
