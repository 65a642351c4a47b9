#include "compact_tables.hpp"

#include <algorithm>

#include "compiled_unit.hpp"
#include "value_index_table.hpp"

namespace tavrix {

void CompactTableBuilder::MoveTo(CompactTable& table) {
    std::sort(cells_.begin(), cells_.end(), [](const Cell& x, const Cell& y) { return x.place < y.place; });
    table.values.clear();
    table.rows.clear();
    table.columnStart.assign(n_ + 1, 0);
    for (const Cell& cell : cells_) {
        table.values.push_back(cell.value);
        table.rows.push_back(static_cast<std::int64_t>(cell.place % n_));
        ++table.columnStart[cell.place / n_ + 1];
    }
    for (std::size_t c = 0; c < n_; ++c) table.columnStart[c + 1] += table.columnStart[c];
    cells_.clear();
}

CompactUnit CompactOfUnit(const MapModel& model, std::int32_t unit, const SquareTable& mutual) {
    const UnitTables& tables = model.units[static_cast<std::size_t>(unit)];
    const auto n = static_cast<std::size_t>(model.numValues), d = static_cast<std::size_t>(model.dimension);
    const ValueIndexTable table = BuildValueIndexTable(model);
    CompactUnit out;
    CompactTableBuilder intersect(n), graph(d), information(d);
    for (std::size_t g = 0; g < n; ++g) intersect.Add(g, g, tables.intersect.At(g, g, n));
    for (const GraphPair& pair : PairsOfGraph(tables.graph, model.dimension)) {
        const auto lo = static_cast<std::size_t>(pair.low), hi = static_cast<std::size_t>(pair.high);
        for (std::int32_t a = 0; a < table.rangeCounts[lo]; ++a)
            for (std::int32_t b = 0; b < table.rangeCounts[hi]; ++b) {
                const auto ga = static_cast<std::size_t>(table(pair.low, a));
                const auto gb = static_cast<std::size_t>(table(pair.high, b));
                intersect.Add(ga, gb, tables.intersect.At(ga, gb, n));
                intersect.Add(gb, ga, tables.intersect.At(gb, ga, n));
            }
        if (pair.lowIsParent) graph.Add(lo, hi, tables.graph.At(lo, hi, d));
        if (pair.highIsParent) graph.Add(hi, lo, tables.graph.At(hi, lo, d));
        information.Add(lo, hi, mutual.At(lo, hi, d));
        information.Add(hi, lo, mutual.At(hi, lo, d));
    }
    intersect.MoveTo(out.intersect);
    graph.MoveTo(out.graph);
    information.MoveTo(out.mutual);
    return out;
}

}  // namespace tavrix
