#include "reference_core.hpp"

#include <cmath>
#include <limits>

namespace tavrix::reference {

RawTable BuildValueIndexTable(const double* ranges, const double* translate, std::int32_t dimension,
                              std::int32_t maxRange) {
    RawTable t;
    t.rangeCounts.assign(dimension > 0 ? dimension : 0, 0);
    t.valueIndexTable.assign(dimension > 0 && maxRange > 0 ? static_cast<std::size_t>(dimension) * maxRange : 0, -1);
    for (std::int32_t i = 0; i < dimension; ++i) {
        t.rangeCounts[i] = (std::int32_t)ranges[i];
        for (std::int32_t v = 0; v < t.rangeCounts[i]; ++v)
            t.valueIndexTable[i * maxRange + v] = (std::int32_t)(translate[v + i * maxRange] - 1.0);
    }
    return t;
}

double UnitLogLikelihood(const double* sample, const double* marginal, const double* intersect, const double* graph,
                         const std::int32_t* valueIndexTable, std::int32_t dimension, std::int32_t maxRange,
                         std::int32_t numValues, std::int32_t rootNode) {
    double s = 0.0;
    for (std::int32_t i = 0; i < dimension; ++i) {
        const std::int32_t ai = valueIndexTable[i * maxRange + (std::int32_t)sample[i]];
        if (rootNode == 0) {
            s = s + std::log(marginal[ai]);
            for (std::int32_t j = i + 1; j < dimension; ++j) {
                const std::int32_t aj = valueIndexTable[j * maxRange + (std::int32_t)sample[j]];
                if (graph[i + j * dimension] != 0.0 || graph[j + i * dimension] != 0.0)
                    s = s + ((std::log(intersect[ai + aj * numValues]) - std::log(marginal[ai])) -
                             std::log(marginal[aj]));
            }
        } else {
            if (i == rootNode - 1) s = s + std::log(marginal[ai]);
            for (std::int32_t j = i + 1; j < dimension; ++j) {
                const std::int32_t aj = valueIndexTable[j * maxRange + (std::int32_t)sample[j]];
                if (graph[i + j * dimension] != 0.0)
                    s = s + (std::log(intersect[ai + aj * numValues]) - std::log(marginal[ai]));
                if (graph[j + i * dimension] != 0.0)
                    s = s + (std::log(intersect[ai + aj * numValues]) - std::log(marginal[aj]));
            }
        }
    }
    return s;
}

double ObservedLogLikelihood(const RawModel& m, std::int32_t k, const double* sample, const RawTable& t) {
    const std::int32_t d = (std::int32_t)m.dimension, maxRange = (std::int32_t)m.maxRange;
    const std::int32_t numValues = (std::int32_t)m.numValues, root = (std::int32_t)m.rootNode;
    std::vector<double> x(sample, sample + d);
    std::int64_t completions = 1;
    bool missing = false;
    for (std::int32_t i = 0; i < d; ++i)
        if (sample[i] != sample[i]) {
            completions = completions * t.rangeCounts[i];
            missing = true;
        }
    std::vector<double> l(completions);
    for (std::int64_t c = 0; c < completions; ++c) {
        std::int64_t rest = c;
        for (std::int32_t i = 0; i < d; ++i)
            if (sample[i] != sample[i]) {
                x[i] = (double)(rest % t.rangeCounts[i]);
                rest = rest / t.rangeCounts[i];
            }
        l[c] = UnitLogLikelihood(x.data(), m.marginal[k].data(), m.intersect[k].data(), m.graph[k].data(),
                                 t.valueIndexTable.data(), d, maxRange, numValues, root);
    }
    if (!missing) return l[0];
    const double inf = std::numeric_limits<double>::infinity();
    double top = -inf;
    for (std::int64_t c = 0; c < completions; ++c)
        if (l[c] - l[c] == 0 && l[c] > top) top = l[c];
    double sum = 0.0;
    for (std::int64_t c = 0; c < completions; ++c)
        if (l[c] - l[c] == 0) sum = sum + std::exp(l[c] - top);
    return sum > 0.0 ? top + std::log(sum) : -inf;
}

void BestUnits(const RawModel& m, const double* samples, std::int32_t n, std::vector<double>& best,
               std::vector<double>* scores) {
    const std::int32_t rows = (std::int32_t)m.numRowsMap, cols = (std::int32_t)m.numColsMap;
    const std::int32_t d = (std::int32_t)m.dimension, maxRange = (std::int32_t)m.maxRange;
    const std::int32_t units = rows * cols;
    best.assign(n > 0 ? n : 0, 0.0);
    if (scores) scores->assign(static_cast<std::size_t>(units) * (n > 0 ? n : 0), 0.0);
    const RawTable t = BuildValueIndexTable(m.ranges.data(), m.translate.data(), d, maxRange);
    for (std::int32_t j = 0; j < n; ++j) {
        double bestScore = -1.7976931348623157e308;
        for (std::int32_t c = 0; c < cols; ++c) {
            for (std::int32_t r = 0; r < rows; ++r) {
                const std::int32_t k = c * rows + r;
                const double s = ObservedLogLikelihood(m, k, samples + j * d, t);
                if (s == s && s - s == 0) {
                    const double score = std::log(m.pi[k]) + s;
                    if (score > bestScore) {
                        bestScore = score;
                        best[j] = k + 1;
                    }
                }
                if (scores) (*scores)[k + j * units] = std::log(m.pi[k]) + s;
            }
        }
    }
}

}  // namespace tavrix::reference
