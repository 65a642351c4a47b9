#include "reference_init.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/random.hpp"
#include "init/symmetric_eigen.hpp"
#include "reference_batch.hpp"
#include "reference_train.hpp"

namespace tavrix::reference {
namespace {

struct Shape {
    std::int32_t d = 0, n = 0, numValues = 0;
    std::vector<std::int32_t> range, start;  // start: each variable's first global value index
};

// How often each observed value, and each observed pair of values, occurs
// among the listed samples (a sample listed twice counts twice).
struct LiteralCounts {
    std::vector<double> value;  // numValues
    std::vector<double> pair;   // numValues x numValues, (global a, global b)
};

LiteralCounts Count(const Shape& s, const std::vector<double>& codes, const std::vector<std::int32_t>& samples) {
    const auto v = static_cast<std::size_t>(s.numValues);
    LiteralCounts c{std::vector<double>(v, 0.0), std::vector<double>(v * v, 0.0)};
    for (std::int32_t j : samples)
        for (std::int32_t i = 0; i < s.d; ++i) {
            const double x = codes[static_cast<std::size_t>(j * s.d + i)];
            if (x != x) continue;
            const auto a =
                static_cast<std::size_t>(s.start[static_cast<std::size_t>(i)] + static_cast<std::int32_t>(x));
            c.value[a] += 1.0;
            for (std::int32_t k = 0; k < s.d; ++k) {
                const double y = codes[static_cast<std::size_t>(j * s.d + k)];
                if (k == i || y != y) continue;
                c.pair[a + v * static_cast<std::size_t>(s.start[static_cast<std::size_t>(k)] +
                                                        static_cast<std::int32_t>(y))] += 1.0;
            }
        }
    return c;
}

// Observed frequencies: marginal of (i, a) and joint of (i, a), (j, b).
double Marginal(const Shape& s, const LiteralCounts& c, std::int32_t i, std::int32_t a, double fallback) {
    double total = 0.0;
    for (std::int32_t b = 0; b < s.range[static_cast<std::size_t>(i)]; ++b)
        total += c.value[static_cast<std::size_t>(s.start[static_cast<std::size_t>(i)] + b)];
    return total > 0.0 ? c.value[static_cast<std::size_t>(s.start[static_cast<std::size_t>(i)] + a)] / total : fallback;
}

double Joint(const Shape& s, const LiteralCounts& c, std::int32_t i, std::int32_t a, std::int32_t j, std::int32_t b,
             double fallback) {
    const auto v = static_cast<std::size_t>(s.numValues);
    auto at = [&](std::int32_t x, std::int32_t y) {
        return c.pair[static_cast<std::size_t>(s.start[static_cast<std::size_t>(i)] + x) +
                      v * static_cast<std::size_t>(s.start[static_cast<std::size_t>(j)] + y)];
    };
    double total = 0.0;
    for (std::int32_t y = 0; y < s.range[static_cast<std::size_t>(j)]; ++y)
        for (std::int32_t x = 0; x < s.range[static_cast<std::size_t>(i)]; ++x) total += at(x, y);
    return total > 0.0 ? at(a, b) / total : fallback;
}

RawModel EmptyModel(const Shape& s, const InitSettings& settings) {
    RawModel m;
    const std::int32_t units = settings.rows * settings.columns;
    m.numRowsMap = settings.rows;
    m.numColsMap = settings.columns;
    m.dimension = s.d;
    m.numValues = s.numValues;
    m.rootNode = settings.rootNode;
    for (std::int32_t r : s.range) m.maxRange = std::max(m.maxRange, static_cast<double>(r));
    m.translate.assign(static_cast<std::size_t>(m.maxRange) * static_cast<std::size_t>(s.d), 0.0);
    for (std::int32_t i = 0; i < s.d; ++i) {
        m.ranges.push_back(s.range[static_cast<std::size_t>(i)]);
        for (std::int32_t a = 0; a < s.range[static_cast<std::size_t>(i)]; ++a)
            m.translate[static_cast<std::size_t>(i * static_cast<std::int32_t>(m.maxRange) + a)] =
                s.start[static_cast<std::size_t>(i)] + a + 1;
    }
    const auto v = static_cast<std::size_t>(s.numValues), d = static_cast<std::size_t>(s.d);
    m.marginal.assign(static_cast<std::size_t>(units), std::vector<double>(v, 0.0));
    m.intersect.assign(static_cast<std::size_t>(units), std::vector<double>(v * v, 0.0));
    m.graph.assign(static_cast<std::size_t>(units), std::vector<double>(d * d, 0.0));
    m.mutual.assign(static_cast<std::size_t>(units), std::vector<double>(d * d, 0.0));
    m.pi.assign(static_cast<std::size_t>(units), 1.0 / units);
    m.numVictories.assign(static_cast<std::size_t>(units), 0.0);
    return m;
}

void RandomTables(const Shape& s, const std::vector<double>& codes, const InitSettings& settings, RawModel& m) {
    const auto v = static_cast<std::size_t>(s.numValues);
    std::vector<std::int32_t> all;
    for (std::int32_t j = 0; j < s.n; ++j) all.push_back(j);
    const LiteralCounts data = Count(s, codes, all);
    std::vector<double> dm(v), dj(v * v);
    for (std::int32_t i = 0; i < s.d; ++i)
        for (std::int32_t a = 0; a < s.range[static_cast<std::size_t>(i)]; ++a)
            dm[static_cast<std::size_t>(s.start[static_cast<std::size_t>(i)] + a)] =
                Marginal(s, data, i, a, 1.0 / s.range[static_cast<std::size_t>(i)]);
    auto g = [&](std::int32_t i, std::int32_t a) {
        return static_cast<std::size_t>(s.start[static_cast<std::size_t>(i)] + a);
    };
    for (std::int32_t i = 0; i < s.d; ++i)
        for (std::int32_t j = 0; j < s.d; ++j)
            for (std::int32_t a = 0; a < s.range[static_cast<std::size_t>(i)]; ++a)
                for (std::int32_t b = 0; b < s.range[static_cast<std::size_t>(j)]; ++b)
                    if (i < j) dj[g(i, a) + v * g(j, b)] = Joint(s, data, i, a, j, b, dm[g(i, a)] * dm[g(j, b)]);
    const std::int64_t draws = s.n < 16 ? 1 : (s.n + 15) / 16;
    Xoshiro256StarStar seeds(settings.seed);
    const RawTable table =
        BuildValueIndexTable(m.ranges.data(), m.translate.data(), s.d, static_cast<std::int32_t>(m.maxRange));
    for (std::size_t k = 0; k < m.marginal.size(); ++k) {
        Xoshiro256StarStar draw(seeds.Next());
        std::vector<std::int32_t> mine;
        for (std::int64_t t = 0; t < draws; ++t)
            mine.push_back(static_cast<std::int32_t>(BoundedDraw(draw, static_cast<std::uint32_t>(s.n))));
        const LiteralCounts own = Count(s, codes, mine);
        std::vector<double>& mk = m.marginal[k];
        std::vector<double>& tk = m.intersect[k];
        for (std::int32_t i = 0; i < s.d; ++i) {
            const double ri = s.range[static_cast<std::size_t>(i)];
            for (std::int32_t a = 0; a < ri; ++a) {
                const double mixed =
                    (1.0 - settings.spread) * dm[g(i, a)] + settings.spread * Marginal(s, own, i, a, dm[g(i, a)]);
                mk[g(i, a)] = (1.0 - 0.01) * mixed + 0.01 * (1.0 / ri);
                tk[g(i, a) + v * g(i, a)] = mk[g(i, a)];
            }
        }
        for (std::int32_t i = 0; i < s.d; ++i)
            for (std::int32_t j = i + 1; j < s.d; ++j) {
                const double ri = s.range[static_cast<std::size_t>(i)], rj = s.range[static_cast<std::size_t>(j)];
                for (std::int32_t a = 0; a < ri; ++a)
                    for (std::int32_t b = 0; b < rj; ++b) {
                        const double d = dj[g(i, a) + v * g(j, b)];
                        const double mixed =
                            (1.0 - settings.spread) * d + settings.spread * Joint(s, own, i, a, j, b, d);
                        const double p = (1.0 - 0.01) * mixed + 0.01 * ((1.0 / ri) * (1.0 / rj));
                        tk[g(i, a) + v * g(j, b)] = p;
                        tk[g(j, b) + v * g(i, a)] = p;
                    }
            }
        UnitMutualInformation(mk.data(), tk.data(), m.mutual[k].data(), table.rangeCounts.data(),
                              table.valueIndexTable.data(), static_cast<std::int32_t>(m.maxRange), s.d, s.numValues);
        BuildDependencyTree(m.mutual[k].data(), m.graph[k].data(), s.d, settings.rootNode);
    }
}

void LinearTables(const Shape& s, const std::vector<double>& filled, const InitSettings& settings, RawModel& m) {
    const auto v = static_cast<std::size_t>(s.numValues);
    const std::int32_t units = settings.rows * settings.columns;
    std::vector<std::int32_t> all;
    for (std::int32_t j = 0; j < s.n; ++j) all.push_back(j);
    const LiteralCounts c = Count(s, filled, all);
    // The covariance of the one-hot samples and its two largest eigenpairs.
    std::vector<double> covariance(v * v);
    for (std::size_t b = 0; b < v; ++b)
        for (std::size_t a = 0; a < v; ++a)
            covariance[a + v * b] =
                (a == b ? c.value[a] : c.pair[a + v * b]) / s.n - (c.value[a] / s.n) * (c.value[b] / s.n);
    const std::size_t wanted = v < 2 ? v : 2;
    const Eigenpairs pairs = LargestEigenpairs(covariance, v, wanted);
    double variance[2] = {0.0, 0.0}, centre[2] = {0.0, 0.0};
    std::vector<double> direction[2] = {std::vector<double>(v, 0.0), std::vector<double>(v, 0.0)};
    for (std::size_t t = 0; t < wanted; ++t) {
        if (!(pairs.values[t] >= 1e-12)) continue;
        variance[t] = pairs.values[t];
        for (std::size_t a = 0; a < v; ++a) direction[t][a] = pairs.vectors[t * v + a];
        for (std::size_t a = 0; a < v; ++a) centre[t] += direction[t][a] * (c.value[a] / s.n);
    }
    // The grid over the plane: one standard deviation to each edge.
    std::vector<double> x, y;
    for (std::int32_t col = 0; col < settings.columns; ++col)
        for (std::int32_t row = 0; row < settings.rows; ++row) {
            x.push_back(settings.hexagonal ? col + 0.5 * (row % 2) : col);
            y.push_back(settings.hexagonal ? row * 0.86602540378443864676 : row);
        }
    double lowX = x[0], highX = x[0], lowY = y[0], highY = y[0];
    for (std::int32_t k = 0; k < units; ++k) {
        lowX = std::min(lowX, x[static_cast<std::size_t>(k)]);
        highX = std::max(highX, x[static_cast<std::size_t>(k)]);
        lowY = std::min(lowY, y[static_cast<std::size_t>(k)]);
        highY = std::max(highY, y[static_cast<std::size_t>(k)]);
    }
    const bool firstAlongX = settings.columns >= settings.rows;
    const double halfFirst = 0.5 * (firstAlongX ? highX - lowX : highY - lowY);
    const double halfSecond = 0.5 * (firstAlongX ? highY - lowY : highX - lowX);
    const double scaleFirst = variance[0] > 0.0 ? halfFirst / std::sqrt(variance[0]) : 0.0;
    const double scaleSecond = variance[1] > 0.0 ? halfSecond / std::sqrt(variance[1]) : 0.0;
    // Each sample's nearest unit, and the units' counts.
    BatchCounts counts;
    const std::int32_t numPairs = [&] {
        std::int32_t p = 0;
        for (std::int32_t i = 0; i < s.d; ++i)
            for (std::int32_t j = i + 1; j < s.d; ++j)
                p += s.range[static_cast<std::size_t>(i)] * s.range[static_cast<std::size_t>(j)];
        return p;
    }();
    std::vector<double> count(static_cast<std::size_t>(units), 0.0), values(v * units, 0.0),
        pairCounts(static_cast<std::size_t>(numPairs) * units, 0.0);
    for (std::int32_t j = 0; j < s.n; ++j) {
        const double* sample = filled.data() + static_cast<std::size_t>(j * s.d);
        double p[2] = {0.0, 0.0};
        for (int t = 0; t < 2; ++t) {
            for (std::int32_t i = 0; i < s.d; ++i)
                p[t] += direction[t][static_cast<std::size_t>(s.start[static_cast<std::size_t>(i)] +
                                                              static_cast<std::int32_t>(sample[i]))];
            p[t] -= centre[t];
        }
        const double a = p[0] * scaleFirst, b = p[1] * scaleSecond;
        const double atX = 0.5 * (lowX + highX) + (firstAlongX ? a : b);
        const double atY = 0.5 * (lowY + highY) + (firstAlongX ? b : a);
        std::int32_t best = 0;
        double bestDistance = 0.0;
        for (std::int32_t k = 0; k < units; ++k) {
            const double dx = x[static_cast<std::size_t>(k)] - atX, dy = y[static_cast<std::size_t>(k)] - atY;
            const double distance = dx * dx + dy * dy;
            if (k == 0 || distance < bestDistance) {
                bestDistance = distance;
                best = k;
            }
        }
        count[static_cast<std::size_t>(best)] += 1.0;
        std::int32_t pair = 0;
        for (std::int32_t i = 0; i < s.d; ++i) {
            const auto ci = static_cast<std::int32_t>(sample[i]);
            values[static_cast<std::size_t>(best) * v +
                   static_cast<std::size_t>(s.start[static_cast<std::size_t>(i)] + ci)] += 1.0;
            for (std::int32_t k = i + 1; k < s.d; ++k) {
                const auto ck = static_cast<std::int32_t>(sample[k]);
                pairCounts[static_cast<std::size_t>(best) * static_cast<std::size_t>(numPairs) +
                           static_cast<std::size_t>(pair + ci + ck * s.range[static_cast<std::size_t>(i)])] += 1.0;
                pair += s.range[static_cast<std::size_t>(i)] * s.range[static_cast<std::size_t>(k)];
            }
        }
    }
    // Smoothed over units at most 2 grid steps apart at radius 1.5.
    counts.count.assign(count.size(), 0.0);
    counts.values.assign(values.size(), 0.0);
    counts.pairs.assign(pairCounts.size(), 0.0);
    for (std::int32_t k = 0; k < units; ++k)
        for (std::int32_t l = 0; l < units; ++l) {
            const std::int32_t r1 = k % settings.rows, c1 = k / settings.rows;
            const std::int32_t r2 = l % settings.rows, c2 = l / settings.rows;
            std::int32_t distance = std::abs(r1 - r2) + std::abs(c1 - c2);
            if (settings.hexagonal) {  // steps in cube coordinates, odd rows shifted right
                const std::int32_t x1 = c1 - (r1 - r1 % 2) / 2, x2 = c2 - (r2 - r2 % 2) / 2;
                distance = std::max(std::abs(x1 - x2), std::max(std::abs(x1 + r1 - x2 - r2), std::abs(r1 - r2)));
            }
            const double dd = distance;
            const double w = distance <= 2 ? std::exp((dd * dd / (1.5 * 1.5)) * -0.5) : 0.0;
            counts.count[static_cast<std::size_t>(k)] += w * count[static_cast<std::size_t>(l)];
            for (std::size_t e = 0; e < v; ++e) counts.values[k * v + e] += w * values[l * v + e];
            for (std::size_t e = 0; e < static_cast<std::size_t>(numPairs); ++e)
                counts.pairs[k * static_cast<std::size_t>(numPairs) + e] +=
                    w * pairCounts[l * static_cast<std::size_t>(numPairs) + e];
        }
    // The batch update's tables, priors aside, with its default prior.
    double prior = s.range[0];
    if (s.d > 1) {
        double cells = 0.0, pairsSeen = 0.0;
        for (std::int32_t i = 0; i < s.d; ++i)
            for (std::int32_t j = i + 1; j < s.d; ++j) {
                cells +=
                    static_cast<double>(s.range[static_cast<std::size_t>(i)]) * s.range[static_cast<std::size_t>(j)];
                pairsSeen += 1.0;
            }
        double rangeSum = 0.0;
        for (std::int32_t i = 0; i < s.d; ++i) rangeSum += static_cast<double>(s.range[static_cast<std::size_t>(i)]);
        prior = std::min(cells / pairsSeen, 2.0 * rangeSum / s.d);  // at most twice the mean range
    }
    prior = std::min(prior, std::max(1.0, static_cast<double>(s.n) / units));  // at most the samples per unit
    const std::vector<double> pi = m.pi, victories = m.numVictories;
    m = UpdateBatch(m, counts, 1e-3, prior);
    m.pi = pi;
    m.numVictories = victories;
}

}  // namespace

RawModel FirstModel(const std::vector<double>& codes, const std::vector<std::int32_t>& ranges, std::int32_t n,
                    const InitSettings& settings) {
    Shape s;
    s.d = static_cast<std::int32_t>(ranges.size());
    s.n = n;
    s.range = ranges;
    for (std::int32_t r : ranges) {
        s.start.push_back(s.numValues);
        s.numValues += r;
    }
    // Missing entries take their variable's most frequent observed code (the lowest of ties).
    std::vector<double> filled = codes;
    for (std::int32_t i = 0; i < s.d; ++i) {
        std::vector<double> seen(static_cast<std::size_t>(ranges[static_cast<std::size_t>(i)]), 0.0);
        for (std::int32_t j = 0; j < n; ++j) {
            const double x = codes[static_cast<std::size_t>(j * s.d + i)];
            if (x == x) seen[static_cast<std::size_t>(x)] += 1.0;
        }
        std::int32_t mode = 0;
        for (std::int32_t a = 1; a < ranges[static_cast<std::size_t>(i)]; ++a)
            if (seen[static_cast<std::size_t>(a)] > seen[static_cast<std::size_t>(mode)]) mode = a;
        for (std::int32_t j = 0; j < n; ++j)
            if (filled[static_cast<std::size_t>(j * s.d + i)] != filled[static_cast<std::size_t>(j * s.d + i)])
                filled[static_cast<std::size_t>(j * s.d + i)] = mode;
    }
    RawModel m = EmptyModel(s, settings);
    if (settings.random)
        RandomTables(s, codes, settings, m);
    else
        LinearTables(s, filled, settings, m);
    m.samples = filled;
    return m;
}

}  // namespace tavrix::reference
