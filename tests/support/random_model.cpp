#include "random_model.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace tavrix::testing {

reference::RawModel RandomModel(Random& random, const ModelShape& shape) {
    reference::RawModel m;
    const int d = shape.dimension;
    m.numRowsMap = shape.rows;
    m.numColsMap = shape.cols;
    m.dimension = d;
    m.maxRange = shape.maxRange;
    m.ranges.resize(d);
    int numValues = 0;
    for (int i = 0; i < d; ++i) {
        m.ranges[i] = 1 + random.Below(shape.maxRange);
        numValues += static_cast<int>(m.ranges[i]);
    }
    m.numValues = numValues;
    // Global indices in a shuffled order, some stored with a fraction (truncated away).
    std::vector<int> order(numValues);
    std::iota(order.begin(), order.end(), 0);
    for (int a = numValues - 1; a > 0; --a) std::swap(order[a], order[random.Below(a + 1)]);
    m.translate.assign(static_cast<std::size_t>(shape.maxRange) * d, 0.0);
    int next = 0;
    for (int i = 0; i < d; ++i)
        for (int v = 0; v < m.ranges[i]; ++v)
            m.translate[v + i * shape.maxRange] = order[next++] + 1.0 + (random.Chance(0.3) ? 0.75 : 0.0);

    if (shape.directed) m.rootNode = d == 0 ? 1 : 1 + random.Below(d + (shape.wildGraphs ? 1 : 0));
    const int units = shape.rows * shape.cols;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int k = 0; k < units; ++k) {
        std::vector<double> marginal(numValues), intersect(static_cast<std::size_t>(numValues) * numValues);
        for (double& x : marginal) x = random.Chance(shape.zeroShare) ? 0.0 : 0.05 + random.Uniform();
        for (int a = 0; a < numValues; ++a)
            for (int b = 0; b <= a; ++b) {
                const double x = random.Chance(shape.zeroShare) ? 0.0 : 0.01 + random.Uniform();
                intersect[a + b * numValues] = x;
                intersect[b + a * numValues] = x;
            }
        std::vector<double> graph(static_cast<std::size_t>(d) * d, 0.0);
        if (shape.treeGraphs) {
            const int root = m.rootNode >= 1 && m.rootNode <= d ? static_cast<int>(m.rootNode) - 1 : 0;
            std::vector<int> inside{root};
            for (int c = 0; c < d; ++c) {
                if (c == root) continue;
                const int p = inside[random.Below(static_cast<int>(inside.size()))];
                graph[p + c * d] = 1.0;
                inside.push_back(c);
            }
        } else {
            for (int p = 0; p < d; ++p)
                for (int c = 0; c < d; ++c)
                    if (p != c && random.Chance(0.3)) graph[p + c * d] = 1.0;
        }
        if (shape.wildGraphs)
            for (double& g : graph) {
                if (random.Chance(0.05)) g = nan;
                else if (random.Chance(0.05)) g = -0.0;
                else if (random.Chance(0.05)) g = 2.5;
            }
        m.marginal.push_back(marginal);
        m.intersect.push_back(intersect);
        m.graph.push_back(graph);
        m.mutual.emplace_back(static_cast<std::size_t>(d) * d, 0.0);
        double pi = random.Uniform();
        if (random.Chance(0.1)) pi = 0.0;
        if (shape.wildGraphs && random.Chance(0.05)) pi = random.Chance(0.5) ? -0.5 : nan;
        m.pi.push_back(pi);
        m.numVictories.push_back(0.0);
    }
    return m;
}

ModelShape RandomShape(Random& random, int maxDimension) {
    ModelShape shape;
    shape.rows = 1 + random.Below(3);
    shape.cols = 1 + random.Below(4);
    shape.dimension = random.Below(maxDimension);
    shape.directed = random.Chance(0.5);
    shape.treeGraphs = random.Chance(0.5);
    shape.wildGraphs = random.Chance(0.3);
    shape.zeroShare = random.Chance(0.5) ? 0.0 : 0.2;
    return shape;
}

std::vector<double> RandomSamples(Random& random, const reference::RawModel& m, int n, bool fractions) {
    const int d = static_cast<int>(m.dimension);
    std::vector<double> samples(static_cast<std::size_t>(d) * n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < d; ++i)
            samples[i + j * d] = random.Below(static_cast<int>(m.ranges[i])) + (fractions ? random.Uniform() * 0.99 : 0.0);
    return samples;
}

MapModel ViewOf(const reference::RawModel& raw) {
    MapModel m;
    m.numRowsMap = static_cast<std::int32_t>(raw.numRowsMap);
    m.numColsMap = static_cast<std::int32_t>(raw.numColsMap);
    m.dimension = static_cast<std::int32_t>(raw.dimension);
    m.maxRange = static_cast<std::int32_t>(raw.maxRange);
    m.numValues = static_cast<std::int32_t>(raw.numValues);
    m.rootNode = static_cast<std::int32_t>(raw.rootNode);
    m.lattice = raw.hexagonal ? Lattice::kHexagonal : Lattice::kRectangular;
    for (std::size_t k = 0; k < raw.marginal.size(); ++k)
        m.units.push_back({raw.marginal[k].data(), raw.intersect[k].data(), raw.graph[k].data()});
    m.pi = Span<const double>(raw.pi.data(), raw.pi.size());
    m.translate = Span<const double>(raw.translate.data(), raw.translate.size());
    m.ranges = Span<const double>(raw.ranges.data(), raw.ranges.size());
    return m;
}

CodeMatrix CodesOf(const reference::RawModel& model, const std::vector<double>& samples) {
    CodeMatrix codes;
    codes.dimension = static_cast<std::int32_t>(model.dimension);
    codes.numSamples = codes.dimension == 0 ? 0 : static_cast<std::int32_t>(samples.size() / codes.dimension);
    for (double x : samples) codes.codes.push_back(x != x ? kMissingCode : static_cast<std::int32_t>(x));
    return codes;
}

void MakeProper(Random& random, reference::RawModel& m) {
    const int d = static_cast<int>(m.dimension), maxRange = static_cast<int>(m.maxRange);
    const int nv = static_cast<int>(m.numValues);
    auto index = [&](int i, int v) { return static_cast<int>(m.translate[v + i * maxRange] - 1.0); };
    for (std::size_t k = 0; k < m.marginal.size(); ++k) {
        // Marginals from random positive weights; joints as products (independent variables).
        for (int i = 0; i < d; ++i) {
            double total = 0.0;
            std::vector<double> w(static_cast<std::size_t>(m.ranges[i]));
            for (double& x : w) total += (x = 0.1 + random.Uniform());
            for (int v = 0; v < m.ranges[i]; ++v) m.marginal[k][index(i, v)] = w[v] / total;
        }
        std::fill(m.intersect[k].begin(), m.intersect[k].end(), 0.0);
        for (int i = 0; i < d; ++i)
            for (int j = 0; j < d; ++j) {
                if (i == j) continue;
                for (int a = 0; a < m.ranges[i]; ++a)
                    for (int b = 0; b < m.ranges[j]; ++b)
                        m.intersect[k][index(i, a) + index(j, b) * nv] = m.marginal[k][index(i, a)] * m.marginal[k][index(j, b)];
            }
    }
}

void NumberValuesInVariableOrder(reference::RawModel& m) {
    const auto range = static_cast<std::size_t>(m.maxRange);
    double next = 1.0;
    for (std::size_t i = 0; i < m.ranges.size(); ++i)
        for (std::size_t v = 0; v < static_cast<std::size_t>(m.ranges[i]); ++v) m.translate[v + i * range] = next++;
}


DataCase RandomCase(std::uint64_t seed, int maxDimension, int maxSamples) {
    Random random(seed);
    const ModelShape shape = RandomShape(random, maxDimension);
    DataCase c;
    c.raw = RandomModel(random, shape);
    if (random.Chance(0.3)) MakeProper(random, c.raw);
    c.n = shape.dimension == 0 ? 0 : random.Below(maxSamples);
    c.data = RandomSamples(random, c.raw, c.n, true);
    const double share = random.Chance(0.15) ? 1.0 : (random.Chance(0.15) ? 0.0 : 0.4);
    const double observed[] = {1.0, std::numeric_limits<double>::quiet_NaN(), 0.5, -2.0, 1e-310, HUGE_VAL};
    for (std::size_t e = 0; e < c.data.size(); ++e)
        c.mask.push_back(random.Chance(share) ? (random.Chance(0.5) ? 0.0 : -0.0) : observed[random.Below(6)]);
    return c;
}

namespace {
DataCase UnmaskedCase(Random& random, const ModelShape& shape, int n, bool fractions) {
    DataCase c;
    c.raw = RandomModel(random, shape);
    c.n = n;
    c.data = RandomSamples(random, c.raw, n, fractions);
    c.mask.assign(c.data.size(), 1.0);
    return c;
}
}  // namespace

DataCase SmallCase(Random& random, int dimension, int n) {
    ModelShape shape;
    shape.dimension = dimension;
    shape.zeroShare = 0.0;
    return UnmaskedCase(random, shape, n, false);
}

DataCase WideCase(Random& random, int rows, int cols, bool directed, int n) {
    ModelShape shape;
    shape.rows = rows;
    shape.cols = cols;
    shape.dimension = 300;
    shape.maxRange = 3;
    shape.zeroShare = 0.0;
    shape.directed = directed;
    return UnmaskedCase(random, shape, n, true);
}

std::vector<std::uint8_t> HiddenFlags(const std::vector<double>& mask) {
    std::vector<std::uint8_t> hidden;
    for (const double m : mask) hidden.push_back(m == 0.0 ? 1 : 0);
    return hidden;
}

TrainedTables TablesOf(reference::RawModel& m) {
    TrainedTables t;
    for (std::size_t k = 0; k < m.marginal.size(); ++k) {
        t.marginal.push_back(m.marginal[k].data());
        t.intersect.push_back(m.intersect[k].data());
        t.mutual.push_back(m.mutual[k].data());
        t.graph.push_back(m.graph[k].data());
    }
    t.pi = m.pi.data();
    t.numVictories = m.numVictories.data();
    return t;
}

}  // namespace tavrix::testing
