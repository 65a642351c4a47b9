// Plain, literal transcriptions of the model core: the value index table and
// the unit log-likelihood, term by term, over the raw arrays of the model.
// The fast code is checked against these, bit for bit.
#pragma once

#include <cstdint>
#include <vector>

namespace tavrix::reference {

// The raw arrays of a model, as a host would hand them over.
struct RawModel {
    double numRowsMap = 0, numColsMap = 0, dimension = 0, maxRange = 0, numValues = 0, rootNode = 0;
    bool hexagonal = false;  // the Lattice field: 'hexagonal' when set, absent otherwise
    std::vector<std::vector<double>> marginal, intersect, graph, mutual;
    std::vector<double> pi, translate, ranges, numVictories;
    std::vector<double> samples;  // Dimension x N
};

struct RawTable {
    std::vector<std::int32_t> rangeCounts;
    std::vector<std::int32_t> valueIndexTable;
};

RawTable BuildValueIndexTable(const double* ranges, const double* translate, std::int32_t dimension,
                              std::int32_t maxRange);

double UnitLogLikelihood(const double* sample, const double* marginal, const double* intersect, const double* graph,
                         const std::int32_t* valueIndexTable, std::int32_t dimension, std::int32_t maxRange,
                         std::int32_t numValues, std::int32_t rootNode);

// Unit k's log-likelihood of a sample's observed values, NaN entries
// missing: UnitLogLikelihood for a complete sample (NaN stays NaN);
// otherwise every completion's, the first missing variable fastest, summed
// as top + log(sum of exp(l - top)) over the finite ones, top the largest.
double ObservedLogLikelihood(const RawModel& model, std::int32_t k, const double* sample, const RawTable& table);

// The best-unit gateway, NaN entries missing: best[j] (1-based, 0 for none) and, when `scores` is
// given, the unit score matrix.
void BestUnits(const RawModel& model, const double* samples, std::int32_t n, std::vector<double>& best,
               std::vector<double>* scores);

}  // namespace tavrix::reference
