// Compact tables: a unit's Intersect, Mutual and Graph holding only what its
// tree needs, stored by columns (SquareTable's compact form), as a compact
// model keeps them:
//   Intersect  every value's diagonal cell (its marginal) and, for every tree
//              edge, the block of its two variables, in both orientations;
//   Graph      1.0 at (parent, child);
//   Mutual     the mutual information of every tree edge, at both orientations.
// Cells equal to 0.0 are not stored: reading them gives the same 0.0.
#pragma once

#include <cstdint>
#include <vector>

#include "map_model.hpp"

namespace tavrix {

struct CompactTable {
    std::vector<double> values;
    std::vector<std::int64_t> rows, columnStart;

    SquareTable View() const { return SquareTable(values.data(), rows.data(), columnStart.data()); }
};

struct CompactUnit {
    CompactTable intersect, mutual, graph;
};

// Collects the cells of one n x n compact table, in any order, each place once.
class CompactTableBuilder {
public:
    explicit CompactTableBuilder(std::size_t n) : n_(n) {}
    void Add(std::size_t row, std::size_t column, double value) {
        if (value != 0.0) cells_.push_back({column * n_ + row, value});
    }
    // Writes the cells collected into `table` and forgets them.
    void MoveTo(CompactTable& table);

private:
    struct Cell {
        std::size_t place;  // column x n + row
        double value;
    };
    std::size_t n_;
    std::vector<Cell> cells_;
};

// The tables a unit of `model` keeps in compact form; `mutual` is the unit's
// Mutual (whole or compact), read on the tree's edges only.
CompactUnit CompactOfUnit(const MapModel& model, std::int32_t unit, const SquareTable& mutual);

// A unit's compact Intersect, Mutual and Graph from its tree (parent, -1 at
// the root), its Marginal (global value order), each tree edge's mutual
// information (per child) and the cells of each edge's block, given by
// `block`(lo, hi, cell), which calls cell(a, b, value) for value a of lo and
// b of hi (global indices).
template <class Block>
void WriteCompactUnit(const std::vector<std::int32_t>& parent, const double* marginal, std::size_t numValues,
                      const std::vector<double>& edgeMutual, Block&& block, CompactTableBuilder& builder,
                      CompactUnit& out) {
    const std::size_t d = parent.size();
    for (std::size_t g = 0; g < numValues; ++g) builder.Add(g, g, marginal[g]);
    for (std::size_t c = 0; c < d; ++c) {
        if (parent[c] < 0) continue;
        const auto p = static_cast<std::size_t>(parent[c]);
        block(static_cast<std::int32_t>(p < c ? p : c), static_cast<std::int32_t>(p < c ? c : p),
              [&](std::size_t a, std::size_t b, double value) {
                  builder.Add(a, b, value);
                  builder.Add(b, a, value);
              });
    }
    builder.MoveTo(out.intersect);
    CompactTableBuilder small(d);
    for (std::size_t c = 0; c < d; ++c)
        if (parent[c] >= 0) small.Add(static_cast<std::size_t>(parent[c]), c, 1.0);
    small.MoveTo(out.graph);
    for (std::size_t c = 0; c < d; ++c)
        if (parent[c] >= 0) {
            small.Add(static_cast<std::size_t>(parent[c]), c, edgeMutual[c]);
            small.Add(c, static_cast<std::size_t>(parent[c]), edgeMutual[c]);
        }
    small.MoveTo(out.mutual);
}

}  // namespace tavrix
