#include "proper_units.hpp"

#include <numeric>

namespace tavrix::testing {

void MakeProperTrees(Random& random, reference::RawModel& m, double zeroShare) {
    const int d = static_cast<int>(m.dimension), maxRange = static_cast<int>(m.maxRange);
    const int nv = static_cast<int>(m.numValues);
    auto index = [&](int i, int v) { return static_cast<int>(m.translate[v + i * maxRange] - 1.0); };
    auto range = [&](int i) { return static_cast<int>(m.ranges[i]); };
    auto weights = [&](int count) {
        std::vector<double> w(static_cast<std::size_t>(count));
        double total = 0.0;
        for (double& x : w) total += (x = random.Chance(zeroShare) ? 0.0 : 0.05 + random.Uniform());
        if (total == 0.0) total = (w[0] = 1.0);
        for (double& x : w) x /= total;
        return w;
    };
    for (std::size_t k = 0; k < m.marginal.size(); ++k) {
        const std::vector<double>& g = m.graph[k];
        std::vector<int> parent(static_cast<std::size_t>(d), -1);
        for (int p = 0; p < d; ++p)
            for (int c = 0; c < d; ++c)
                if (p != c && g[p + c * d] != 0.0) parent[c] = p;
        std::vector<double>& marginal = m.marginal[k];
        std::vector<double>& joint = m.intersect[k];
        std::vector<bool> done(static_cast<std::size_t>(d), false);
        // Parents before children: repeat passes over the forest.
        for (int pass = 0; pass < d; ++pass)
            for (int c = 0; c < d; ++c) {
                if (done[c] || (parent[c] >= 0 && !done[parent[c]])) continue;
                if (parent[c] < 0) {
                    const std::vector<double> w = weights(range(c));
                    for (int v = 0; v < range(c); ++v) marginal[index(c, v)] = w[v];
                } else {
                    const int p = parent[c];
                    for (int v = 0; v < range(c); ++v) marginal[index(c, v)] = 0.0;
                    for (int a = 0; a < range(p); ++a) {
                        const std::vector<double> w = weights(range(c));
                        for (int v = 0; v < range(c); ++v) {
                            const double pv = marginal[index(p, a)] * w[v];
                            joint[index(p, a) + index(c, v) * nv] = pv;
                            joint[index(c, v) + index(p, a) * nv] = pv;
                            marginal[index(c, v)] += pv;
                        }
                    }
                }
                done[c] = true;
            }
        for (int i = 0; i < d; ++i)
            for (int j = 0; j < d; ++j) {
                if (i == j || parent[j] == i || parent[i] == j) continue;
                for (int a = 0; a < range(i); ++a)
                    for (int b = 0; b < range(j); ++b)
                        joint[index(i, a) + index(j, b) * nv] = marginal[index(i, a)] * marginal[index(j, b)];
            }
    }
}

void NormalisePi(reference::RawModel& m) {
    const double total = std::accumulate(m.pi.begin(), m.pi.end(), 0.0);
    for (double& p : m.pi) p /= total;
}

}  // namespace tavrix::testing
