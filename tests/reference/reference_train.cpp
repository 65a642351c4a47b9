#include "reference_train.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace tavrix::reference {

void UnitMutualInformation(const double* marginal, const double* intersect, double* mutual,
                           const std::int32_t* rangeCounts, const std::int32_t* valueIndexTable, std::int32_t maxRange,
                           std::int32_t dimension, std::int32_t numValues) {
    for (std::int32_t e = 0; e < dimension * dimension; ++e) mutual[e] = 0.0;
    for (std::int32_t i = 0; i < dimension; ++i)
        for (std::int32_t a = 0; a < rangeCounts[i]; ++a)
            for (std::int32_t j = i + 1; j < dimension; ++j)
                for (std::int32_t b = 0; b < rangeCounts[j]; ++b) {
                    const std::int32_t gi = valueIndexTable[i * maxRange + a];
                    const std::int32_t gj = valueIndexTable[j * maxRange + b];
                    const double s = intersect[gj + gi * numValues];
                    const double u = std::log(s / (marginal[gj] * marginal[gi])) * 1.442695040888963;
                    if (u - u == 0) {
                        mutual[i + j * dimension] = mutual[i + j * dimension] + u * s;
                        mutual[j + i * dimension] = mutual[i + j * dimension];
                    }
                }
}

int CompareTreeEdges(const TreeEdge& x, const TreeEdge& y) {
    const bool xNaN = std::isnan(x.weight), yNaN = std::isnan(y.weight);
    if (xNaN && yNaN) return 0;
    if (xNaN) return 1;
    if (yNaN) return -1;
    if (x.weight > y.weight) return -1;
    if (x.weight < y.weight) return 1;
    return 0;
}

void BuildDependencyTree(const double* mutual, double* graph, std::int32_t dimension, std::int32_t rootNode) {
    std::vector<std::int32_t> inside(dimension, 0);
    inside[rootNode != 0 ? rootNode - 1 : 0] = 1;
    for (std::int32_t e = 0; e < dimension * dimension; ++e) graph[e] = 0.0;
    std::vector<TreeEdge> edges;
    for (std::int32_t i = 0; i < dimension; ++i)
        for (std::int32_t j = i + 1; j < dimension; ++j) edges.push_back({mutual[i + j * dimension], i, j});
    std::stable_sort(edges.begin(), edges.end(),
                     [](const TreeEdge& x, const TreeEdge& y) { return CompareTreeEdges(x, y) < 0; });
    for (std::int32_t pass = 0; pass < dimension - 1; ++pass)
        for (const TreeEdge& e : edges) {
            if (inside[e.first] == inside[e.second]) continue;
            if (!inside[e.first]) {
                inside[e.first] = 1;
                graph[e.second + e.first * dimension] = 1.0;
            } else {
                inside[e.second] = 1;
                graph[e.first + e.second * dimension] = 1.0;
            }
            break;
        }
}

void WinnerSearch(const RawModel& m, const std::int32_t* valueIndexTable, const double* sample, double radius,
                  std::int32_t& winnerRow, std::int32_t& winnerColumn, double& bestScore, double* weights, bool& found) {
    const std::int32_t rows = (std::int32_t)m.numRowsMap, cols = (std::int32_t)m.numColsMap;
    const std::int32_t units = rows * cols;
    std::vector<double> like(units), logLike(units), raw(units);
    bool anyNormal = false, anyFinite = false;
    double largest = -1.7976931348623157e308;
    for (std::int32_t c = 0; c < cols; ++c)
        for (std::int32_t r = 0; r < rows; ++r) {
            const std::int32_t u = c * rows + r;
            const double l = UnitLogLikelihood(sample, m.marginal[u].data(), m.intersect[u].data(), m.graph[u].data(),
                                               valueIndexTable, (std::int32_t)m.dimension, (std::int32_t)m.maxRange,
                                               (std::int32_t)m.numValues, (std::int32_t)m.rootNode);
            logLike[u] = l;
            like[u] = l - l == 0 ? std::exp(l) : 0.0;
            if (like[u] >= 2.2250738585072014e-308) anyNormal = true;
            if (l - l == 0) {
                anyFinite = true;
                if (l > largest) largest = l;
            }
        }
    const bool scaled = !anyNormal && anyFinite;
    if (scaled)
        for (std::int32_t u = 0; u < units; ++u) like[u] = logLike[u] - logLike[u] == 0 ? std::exp(logLike[u] - largest) : 0.0;

    bestScore = -1.7976931348623157e308;
    winnerRow = 0;
    winnerColumn = 0;
    found = false;
    for (std::int32_t j = 0; j < cols; ++j)
        for (std::int32_t k = 0; k < rows; ++k) {
            double s = 0, t = 0;
            for (std::int32_t c = 0; c < cols; ++c)
                for (std::int32_t r = 0; r < rows; ++r) {
                    const std::int32_t u = c * rows + r;
                    const std::int32_t d = std::abs(r - k) + std::abs(c - j);
                    raw[u] = std::exp(((double)d * (double)d / (radius * radius)) * (-0.5));
                    s = s + raw[u];
                    t = t + raw[u] * like[u];
                }
            const double score = std::log(t / s);
            if (score > bestScore) {
                bestScore = score;
                winnerRow = k;
                winnerColumn = j;
                found = true;
                for (std::int32_t u = 0; u < units; ++u) weights[u] = raw[u] / s;
            }
        }
    if (found && scaled) bestScore = bestScore + largest;
}

RawModel Train(const RawModel& in, double iterations, const std::function<std::int32_t(std::int32_t)>& draw) {
    RawModel m = in;
    const std::int32_t t = (std::int32_t)iterations;
    const std::int32_t rows = (std::int32_t)m.numRowsMap, cols = (std::int32_t)m.numColsMap;
    const std::int32_t d = (std::int32_t)m.dimension, maxRange = (std::int32_t)m.maxRange;
    const std::int32_t nv = (std::int32_t)m.numValues, root = (std::int32_t)m.rootNode;
    const std::int32_t units = rows * cols;
    const std::int32_t n = d > 0 ? (std::int32_t)(m.samples.size() / d) : 0;
    std::vector<double> weights(units, 0.0), valueIndicator(nv), pairIndicator((std::size_t)nv * nv);
    const RawTable table = BuildValueIndexTable(m.ranges.data(), m.translate.data(), d, maxRange);
    const double r0 = (cols + rows) * 0.25;
    const double fixedA = r0 * 0.25, fixedB = r0 * 0.75;
    for (std::int32_t v = 0; v < t; ++v) {
        const std::int32_t s = draw(n);
        const double* x = m.samples.data() + (std::size_t)s * d;
        const double radius = (1 - (double)v / (double)t) * fixedA + fixedB;
        std::int32_t winnerRow, winnerColumn;
        double best;
        bool found;
        WinnerSearch(m, table.valueIndexTable.data(), x, radius, winnerRow, winnerColumn, best, weights.data(), found);
        m.numVictories[winnerColumn * rows + winnerRow] += 1.0;
        std::memset(valueIndicator.data(), 0, valueIndicator.size() * sizeof(double));
        std::memset(pairIndicator.data(), 0, pairIndicator.size() * sizeof(double));
        for (std::int32_t a = 0; a < d; ++a) {
            const std::int32_t ga = table.valueIndexTable[a * maxRange + (std::int32_t)x[a]];
            valueIndicator[ga] = 1.0;
            for (std::int32_t b = a + 1; b < d; ++b) {
                const std::int32_t gb = table.valueIndexTable[b * maxRange + (std::int32_t)x[b]];
                pairIndicator[gb + ga * nv] = 1.0;
                pairIndicator[ga + gb * nv] = 1.0;
            }
        }
        const double rate = 1.0 / ((double)v * 0.001 + 100.0);
        for (std::int32_t c = 0; c < cols; ++c)
            for (std::int32_t r = 0; r < rows; ++r) {
                const std::int32_t u = c * rows + r;
                const double w = weights[u];
                const double pOld = m.pi[u];
                const double pNew = rate * w + (1 - rate) * pOld;
                m.pi[u] = pNew;
                double a = ((1 - rate) * pOld) / pNew;
                double b = (rate * w) / pNew;
                if (!(a - a == 0) || !(b - b == 0)) {
                    a = 1;
                    b = 0;
                }
                for (std::int32_t i = 0; i < nv; ++i) m.marginal[u][i] = b * valueIndicator[i] + a * m.marginal[u][i];
                for (std::int32_t i = 0; i < nv * nv; ++i) m.intersect[u][i] = b * pairIndicator[i] + a * m.intersect[u][i];
                UnitMutualInformation(m.marginal[u].data(), m.intersect[u].data(), m.mutual[u].data(),
                                      table.rangeCounts.data(), table.valueIndexTable.data(), maxRange, d, nv);
                BuildDependencyTree(m.mutual[u].data(), m.graph[u].data(), d, root);
            }
    }
    double sum = 0;
    for (std::int32_t u = 0; u < units; ++u) sum = sum + m.pi[u];
    for (std::int32_t u = 0; u < units; ++u) m.pi[u] = m.pi[u] / sum;
    return m;
}

}  // namespace tavrix::reference
