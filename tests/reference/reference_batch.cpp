#include "reference_batch.hpp"

#include <cmath>
#include <cstdlib>

#include "reference_train.hpp"

namespace tavrix::reference {
namespace {

struct Sizes {
    std::int32_t d, units, rows;
    std::vector<std::int32_t> range, valueStart;
    std::vector<std::int32_t> pairStart;  // d x d
    std::int32_t numValues = 0, numPairs = 0;
};

Sizes SizesOf(const RawModel& model) {
    Sizes s;
    s.d = static_cast<std::int32_t>(model.dimension);
    s.rows = static_cast<std::int32_t>(model.numRowsMap);
    s.units = s.rows * static_cast<std::int32_t>(model.numColsMap);
    s.pairStart.assign(static_cast<std::size_t>(s.d * s.d), 0);
    for (std::int32_t i = 0; i < s.d; ++i) {
        s.range.push_back(static_cast<std::int32_t>(model.ranges[static_cast<std::size_t>(i)]));
        s.valueStart.push_back(s.numValues);
        s.numValues += s.range.back();
    }
    for (std::int32_t i = 0; i < s.d; ++i)
        for (std::int32_t j = i + 1; j < s.d; ++j) {
            s.pairStart[static_cast<std::size_t>(i * s.d + j)] = s.numPairs;
            s.numPairs += s.range[static_cast<std::size_t>(i)] * s.range[static_cast<std::size_t>(j)];
        }
    return s;
}

}  // namespace

BatchCounts CountBatch(const RawModel& model, const double* samples, std::int32_t n) {
    const Sizes s = SizesOf(model);
    const RawTable table = BuildValueIndexTable(model.ranges.data(), model.translate.data(), s.d,
                                                static_cast<std::int32_t>(model.maxRange));
    BatchCounts c;
    c.count.assign(static_cast<std::size_t>(s.units), 0.0);
    c.values.assign(static_cast<std::size_t>(s.numValues * s.units), 0.0);
    c.pairs.assign(static_cast<std::size_t>(s.numPairs * s.units), 0.0);
    for (std::int32_t j = 0; j < n; ++j) {
        const double* x = samples + static_cast<std::size_t>(j * s.d);
        double best = -1.7976931348623157e308, mixture = 0.0;
        std::int32_t unit = 0;
        for (std::int32_t k = 0; k < s.units; ++k) {
            const auto u = static_cast<std::size_t>(k);
            const double l = UnitLogLikelihood(x, model.marginal[u].data(), model.intersect[u].data(),
                                               model.graph[u].data(), table.valueIndexTable.data(), s.d,
                                               static_cast<std::int32_t>(model.maxRange),
                                               static_cast<std::int32_t>(model.numValues),
                                               static_cast<std::int32_t>(model.rootNode));
            if (l - l == 0.0) mixture += std::exp(l) * model.pi[u];
            const double score = std::log(model.pi[u]) + l;
            if (l - l == 0.0 && score > best) {
                best = score;
                unit = k;
            }
        }
        c.best.push_back(unit);
        c.logLikelihood.push_back(std::log(mixture));
        c.count[static_cast<std::size_t>(unit)] += 1.0;
        for (std::int32_t i = 0; i < s.d; ++i) {
            const auto a = static_cast<std::int32_t>(x[i]);
            c.values[static_cast<std::size_t>(unit * s.numValues + s.valueStart[static_cast<std::size_t>(i)] + a)] += 1.0;
            for (std::int32_t jj = i + 1; jj < s.d; ++jj) {
                const auto b = static_cast<std::int32_t>(x[jj]);
                c.pairs[static_cast<std::size_t>(unit * s.numPairs + s.pairStart[static_cast<std::size_t>(i * s.d + jj)] +
                                                 a + b * s.range[static_cast<std::size_t>(i)])] += 1.0;
            }
        }
    }
    return c;
}

RawModel UpdateBatch(const RawModel& model, const BatchCounts& c, double radius, double prior) {
    const Sizes s = SizesOf(model);
    const RawTable table = BuildValueIndexTable(model.ranges.data(), model.translate.data(), s.d,
                                                static_cast<std::int32_t>(model.maxRange));
    const auto maxRange = static_cast<std::int32_t>(model.maxRange);
    const auto nv = static_cast<std::int32_t>(model.numValues);
    RawModel out = model;
    std::vector<double> smoothedCount(static_cast<std::size_t>(s.units));
    for (std::int32_t k = 0; k < s.units; ++k) {
        std::vector<double> values(static_cast<std::size_t>(s.numValues), 0.0);
        std::vector<double> pairs(static_cast<std::size_t>(s.numPairs), 0.0);
        double n = 0.0;
        for (std::int32_t l = 0; l < s.units; ++l) {
            const double dist = std::abs(k % s.rows - l % s.rows) + std::abs(k / s.rows - l / s.rows);
            const double w = std::exp((dist * dist / (radius * radius)) * -0.5);
            n += w * c.count[static_cast<std::size_t>(l)];
            if (w == 0.0 || c.count[static_cast<std::size_t>(l)] == 0.0) continue;
            for (std::int32_t e = 0; e < s.numValues; ++e)
                values[static_cast<std::size_t>(e)] += w * c.values[static_cast<std::size_t>(l * s.numValues + e)];
            for (std::int32_t e = 0; e < s.numPairs; ++e)
                pairs[static_cast<std::size_t>(e)] += w * c.pairs[static_cast<std::size_t>(l * s.numPairs + e)];
        }
        smoothedCount[static_cast<std::size_t>(k)] = n;
        std::vector<double>& m = out.marginal[static_cast<std::size_t>(k)];
        std::vector<double>& t = out.intersect[static_cast<std::size_t>(k)];
        auto g = [&](std::int32_t i, std::int32_t v) {
            return table.valueIndexTable[static_cast<std::size_t>(i * maxRange + v)];
        };
        for (std::int32_t i = 0; i < s.d; ++i) {
            const std::int32_t ri = s.range[static_cast<std::size_t>(i)];
            for (std::int32_t a = 0; a < ri; ++a) {
                const std::int32_t ga = g(i, a);
                m[static_cast<std::size_t>(ga)] =
                    (values[static_cast<std::size_t>(s.valueStart[static_cast<std::size_t>(i)] + a)] + prior / ri) /
                    (n + prior);
                for (std::int32_t b = 0; b < ri; ++b)
                    t[static_cast<std::size_t>(ga + g(i, b) * nv)] = a == b ? m[static_cast<std::size_t>(ga)] : 0.0;
            }
            for (std::int32_t j = i + 1; j < s.d; ++j) {
                const std::int32_t rj = s.range[static_cast<std::size_t>(j)];
                for (std::int32_t a = 0; a < ri; ++a)
                    for (std::int32_t b = 0; b < rj; ++b) {
                        const double p =
                            (pairs[static_cast<std::size_t>(s.pairStart[static_cast<std::size_t>(i * s.d + j)] + a + b * ri)] +
                             prior / (static_cast<double>(ri) * static_cast<double>(rj))) /
                            (n + prior);
                        t[static_cast<std::size_t>(g(i, a) + g(j, b) * nv)] = p;
                        t[static_cast<std::size_t>(g(j, b) + g(i, a) * nv)] = p;
                    }
            }
        }
        UnitMutualInformation(m.data(), t.data(), out.mutual[static_cast<std::size_t>(k)].data(),
                              table.rangeCounts.data(), table.valueIndexTable.data(), maxRange, s.d, nv);
        BuildDependencyTree(out.mutual[static_cast<std::size_t>(k)].data(), out.graph[static_cast<std::size_t>(k)].data(),
                            s.d, static_cast<std::int32_t>(model.rootNode));
    }
    double total = 0.0;
    for (std::int32_t k = 0; k < s.units; ++k) total += smoothedCount[static_cast<std::size_t>(k)] + prior;
    for (std::int32_t k = 0; k < s.units; ++k) {
        out.pi[static_cast<std::size_t>(k)] = (smoothedCount[static_cast<std::size_t>(k)] + prior) / total;
        out.numVictories[static_cast<std::size_t>(k)] = c.count[static_cast<std::size_t>(k)];
    }
    return out;
}

}  // namespace tavrix::reference
