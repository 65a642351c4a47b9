// Writes models and info structs back to the caller: a copy of the caller's
// model for training to rewrite, and a struct of named double arrays.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "../core/map_model.hpp"
#include "../core/training_views.hpp"
#include "gateway.hpp"

namespace tavrix::host {

// The shape of a model's compact cells: the map's, and the tables' sides.
struct CompactShape {
    std::size_t rows = 0, columns = 0, numValues = 0, dimension = 0;
};

// A copy of a model struct, every field in the same order, whose trained
// arrays (Marginal, Intersect, Mutual, Graph, Pi, NumVictories) have data of
// their own: a host's duplicate of a struct may share its fields' data with
// the caller's (Octave 7's does), and the caller's values must stay untouched.
class TrainableCopy {
public:
    // `model` has passed ReadModel, which gave `view`, and CheckTrainable.
    // With `lattice`, the copy's 'Lattice' field (added when absent) names it.
    // With `compact`, training rewrites compact tables (Tables().compact)
    // made from the model's, and the copy gets them, as sparse cells, when it
    // is handed out.
    TrainableCopy(const mxArray* model, const MapModel& view, const Lattice* lattice = nullptr, bool compact = false);

    // Writable views of the copy's trained arrays.
    const TrainedTables& Tables() const { return tables_; }

    // The copy, whose trained arrays the views of Tables() write.
    const mxArray* Array() const { return array_.get(); }

    // Hands the copy to result slot `slot`.
    void MoveTo(const Call& call, int slot);

private:
    OwnedArray array_;
    TrainedTables tables_;
    std::vector<CompactUnit> compact_;
    CompactShape shape_;
};

// Sets a model's Intersect, Mutual and Graph (absent until now) to cell
// arrays of the map's shape holding `units` as sparse double arrays.
void SetCompactFields(mxArray* model, const std::vector<CompactUnit>& units, const CompactShape& shape);

// Whether a model of `view`'s shape is best trained compact: its whole
// Intersect cells would take more than kCompactBytes.
constexpr double kCompactBytes = 536870912.0;  // 512 MiB
bool LargeWhenWhole(const MapModel& view);

// One field of a struct of results: a double matrix of `columns` columns
// holding `values` in column order (a column vector by default, 1x1 for one
// value); the count of values is a multiple of `columns`.
struct NamedDoubles {
    const char* name;
    std::vector<double> values;
    std::size_t columns = 1;
};

// A 1x1 struct with the given fields, in order.
OwnedArray DoublesStruct(const std::vector<NamedDoubles>& fields);

}  // namespace tavrix::host
