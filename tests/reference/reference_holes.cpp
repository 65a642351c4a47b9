#include "reference_holes.hpp"

#include <cmath>
#include <cstring>

namespace tavrix::reference {

std::vector<double> HiddenEvidence(const RawModel& m, const double* data, const double* mask) {
    const std::int32_t rows = (std::int32_t)m.numRowsMap, cols = (std::int32_t)m.numColsMap;
    const std::int32_t d = (std::int32_t)m.dimension, maxRange = (std::int32_t)m.maxRange;
    const std::int32_t numValues = (std::int32_t)m.numValues, root = (std::int32_t)m.rootNode;
    const RawTable t = BuildValueIndexTable(m.ranges.data(), m.translate.data(), d, maxRange);
    std::vector<double> evidence(rows * cols > 0 ? rows * cols : 0);
    std::memset(evidence.data(), 0, evidence.size() * sizeof(double));
    std::vector<std::int32_t> hiddenList(d > 0 ? d : 0);
    std::int32_t h = 0;
    std::int32_t q = 1;
    for (std::int32_t i = 0; i < d; ++i) {
        if (mask[i] == 0.0) {
            hiddenList[h] = i;
            h = h + 1;
            q = q * t.rangeCounts[i];
        }
    }
    std::vector<double> work(d > 0 ? d : 0);
    if (d > 0) std::memcpy(work.data(), data, d * sizeof(double));
    for (std::int32_t mm = 0; mm < q; ++mm) {
        std::int32_t u = mm;
        for (std::int32_t p = 0; p < h; ++p) {
            const std::int32_t hv = hiddenList[p];
            work[hv] = (double)(u % t.rangeCounts[hv]);
            u = u / t.rangeCounts[hv];
        }
        for (std::int32_t c = 0; c < cols; ++c) {
            for (std::int32_t r = 0; r < rows; ++r) {
                const std::int32_t k = c * rows + r;
                const double s = UnitLogLikelihood(work.data(), m.marginal[k].data(), m.intersect[k].data(),
                                                   m.graph[k].data(), t.valueIndexTable.data(), d, maxRange, numValues,
                                                   root);
                if (s - s == 0.0) evidence[k] = evidence[k] + std::exp(s);
            }
        }
    }
    return evidence;
}

double MaskedLogLikelihood(const double* x, const double* mask, const double* marginal, const double* intersect,
                           const double* graph, const std::int32_t* valueIndexTable, std::int32_t dimension,
                           std::int32_t maxRange, std::int32_t numValues, std::int32_t rootNode) {
    double s = 0.0;
    for (std::int32_t i = 0; i < dimension; ++i) {
        const std::int32_t ai = valueIndexTable[i * maxRange + (std::int32_t)x[i]];
        if (rootNode == 0) {
            if (mask[i] == 0.0) s = s + std::log(marginal[ai]);
            for (std::int32_t j = i + 1; j < dimension; ++j) {
                const std::int32_t aj = valueIndexTable[j * maxRange + (std::int32_t)x[j]];
                if (graph[i + j * dimension] != 0.0 || graph[j + i * dimension] != 0.0) {
                    const double term = (std::log(intersect[ai + aj * numValues]) - std::log(marginal[ai])) -
                                        std::log(marginal[aj]);
                    if (mask[i] == 0.0 && mask[j] == 0.0) s = s + term;
                }
            }
        } else {
            if (i == rootNode - 1 && mask[i] == 0.0) s = s + std::log(marginal[ai]);
            for (std::int32_t j = i + 1; j < dimension; ++j) {
                const std::int32_t aj = valueIndexTable[j * maxRange + (std::int32_t)x[j]];
                if (graph[i + j * dimension] != 0.0 && mask[j] == 0.0)
                    s = s + (std::log(intersect[ai + aj * numValues]) - std::log(marginal[ai]));
                if (graph[j + i * dimension] != 0.0 && mask[i] == 0.0)
                    s = s + (std::log(intersect[ai + aj * numValues]) - std::log(marginal[aj]));
            }
        }
    }
    return s;
}

void HeldOut(const RawModel& m, const double* data, const double* mask, std::int32_t n, double& mean,
             std::vector<double>& perSample) {
    const std::int32_t rows = (std::int32_t)m.numRowsMap, cols = (std::int32_t)m.numColsMap;
    const std::int32_t d = (std::int32_t)m.dimension, maxRange = (std::int32_t)m.maxRange;
    const std::int32_t numValues = (std::int32_t)m.numValues, root = (std::int32_t)m.rootNode;
    const std::int32_t units = rows * cols;
    perSample.assign(n > 0 ? n : 0, 0.0);
    double result = 0.0;
    const RawTable t = BuildValueIndexTable(m.ranges.data(), m.translate.data(), d, maxRange);
    for (std::int32_t j = 0; j < n; ++j) {
        const double* x = data + j * d;
        const double* maskColumn = mask + j * d;
        std::vector<double> ev = HiddenEvidence(m, x, maskColumn);
        double S = 0.0;
        for (std::int32_t k = 0; k < units; ++k) S = S + m.pi[k] * ev[k];
        for (std::int32_t k = 0; k < units; ++k) ev[k] = (m.pi[k] * ev[k]) / S;
        double total = 0.0;
        for (std::int32_t c = 0; c < cols; ++c) {
            for (std::int32_t r = 0; r < rows; ++r) {
                const std::int32_t k = c * rows + r;
                const double tk = MaskedLogLikelihood(x, maskColumn, m.marginal[k].data(), m.intersect[k].data(),
                                                      m.graph[k].data(), t.valueIndexTable.data(), d, maxRange,
                                                      numValues, root);
                if (tk - tk == 0.0) total = total + std::exp(tk) * ev[k];
            }
        }
        perSample[j] = std::log(total);
        result = result - std::log(total);
    }
    mean = result / (double)n;
}

}  // namespace tavrix::reference
