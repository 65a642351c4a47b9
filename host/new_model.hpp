// A new model struct for TavrixInit to fill: every array its own, the fixed
// fields written, the trained ones allocated for the core to write.
#pragma once

#include <cstdint>
#include <vector>

#include "../core/map_model.hpp"
#include "../core/training_views.hpp"
#include "gateway.hpp"

namespace tavrix::host {

struct NewModelShape {
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    std::int32_t dimension = 0;
    std::int32_t maxRange = 0;
    std::int32_t numValues = 0;
    std::int32_t rootNode = 0;
    const std::vector<double>* translate = nullptr;  // MaxRange x Dimension
    const std::vector<double>* ranges = nullptr;     // Dimension
    const CodeMatrix* samples = nullptr;             // complete
    bool hexagonal = false;                          // adds Lattice = 'hexagonal'
    bool compact = false;                            // Intersect, Graph, Mutual compact (sparse cells)
};

// The model's fields, in order: Marginal, Intersect, Graph, Mutual (cells of
// the map's shape), Pi, NumVictories, Translate, Ranges, NumRowsMap,
// NumColsMap, Dimension, MaxRange, NumValues, RootNode, Samples, and Lattice
// when hexagonal. The trained arrays hold zeros until written through Tables().
class NewModel {
public:
    explicit NewModel(const NewModelShape& shape);
    const TrainedTables& Tables() const { return tables_; }
    void MoveTo(const Call& call, int slot);

private:
    OwnedArray array_;
    TrainedTables tables_;
    std::vector<CompactUnit> compact_;
    NewModelShape shape_;
};

}  // namespace tavrix::host
