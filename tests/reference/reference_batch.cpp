#include "reference_batch.hpp"

#include <algorithm>
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

// Steps between two units of a hexagonal grid whose odd rows are shifted
// right by half a unit: in cube coordinates, the largest coordinate difference.
double HexagonalSteps(std::int32_t r1, std::int32_t c1, std::int32_t r2, std::int32_t c2) {
    const std::int32_t x1 = c1 - (r1 - r1 % 2) / 2, z1 = r1, y1 = -x1 - z1;
    const std::int32_t x2 = c2 - (r2 - r2 % 2) / 2, z2 = r2, y2 = -x2 - z2;
    return std::max(std::abs(x1 - x2), std::max(std::abs(y1 - y2), std::abs(z1 - z2)));
}

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

// One term of a unit's log-likelihood over the codes x: a node term (j == i)
// or a pair term of i < j, as UnitLogLikelihood adds them.
struct Term {
    enum Kind { kNode, kUndirected, kParentI, kParentJ };
    std::int32_t i, j;
    Kind kind;
};

struct LiteralUnit {
    const double* marginal;
    const double* intersect;
    const std::int32_t* index;  // the value index table
    std::int32_t maxRange, numValues;
    std::vector<Term> terms;  // in the order UnitLogLikelihood adds them

    LiteralUnit(const RawModel& model, std::size_t k, const RawTable& table)
        : marginal(model.marginal[k].data()),
          intersect(model.intersect[k].data()),
          index(table.valueIndexTable.data()),
          maxRange(static_cast<std::int32_t>(model.maxRange)),
          numValues(static_cast<std::int32_t>(model.numValues)) {
        const auto d = static_cast<std::int32_t>(model.dimension);
        const auto root = static_cast<std::int32_t>(model.rootNode);
        const double* g = model.graph[k].data();
        for (std::int32_t i = 0; i < d; ++i) {
            if (root == 0 || i == root - 1) terms.push_back({i, i, Term::kNode});
            for (std::int32_t j = i + 1; j < d; ++j) {
                if (root == 0) {
                    if (g[i + j * d] != 0.0 || g[j + i * d] != 0.0) terms.push_back({i, j, Term::kUndirected});
                } else {
                    if (g[i + j * d] != 0.0) terms.push_back({i, j, Term::kParentI});
                    if (g[j + i * d] != 0.0) terms.push_back({i, j, Term::kParentJ});
                }
            }
        }
    }

    double Value(const Term& t, const std::vector<std::int32_t>& x) const {
        const std::int32_t ai = index[t.i * maxRange + x[static_cast<std::size_t>(t.i)]];
        const std::int32_t aj = index[t.j * maxRange + x[static_cast<std::size_t>(t.j)]];
        const double logJoint = std::log(intersect[ai + aj * numValues]);
        switch (t.kind) {
            case Term::kNode: return std::log(marginal[ai]);
            case Term::kUndirected: return (logJoint - std::log(marginal[ai])) - std::log(marginal[aj]);
            case Term::kParentI: return logJoint - std::log(marginal[ai]);
            case Term::kParentJ: return logJoint - std::log(marginal[aj]);
        }
        return 0.0;
    }

    // Whether every term is finite at every pair of codes of its variables.
    bool AllTermsFinite(const std::vector<std::int32_t>& range) const {
        std::vector<std::int32_t> x(range.size(), 0);
        for (const Term& t : terms)
            for (std::int32_t a = 0; a < range[static_cast<std::size_t>(t.i)]; ++a)
                for (std::int32_t c = 0; c < range[static_cast<std::size_t>(t.j)]; ++c) {
                    x[static_cast<std::size_t>(t.i)] = a;
                    x[static_cast<std::size_t>(t.j)] = t.j == t.i ? a : c;
                    const double v = Value(t, x);
                    if (!(v - v == 0.0)) return false;
                }
        return true;
    }

    // The log-likelihood of x from the all-baseline sample b and the
    // corrections of x's non-baseline variables: single corrections in
    // variable order, then the pair corrections of the pair terms both of
    // whose variables are off their baselines.
    double FromBaselines(const std::vector<std::int32_t>& x, const std::vector<std::int32_t>& b) const {
        const auto d = static_cast<std::int32_t>(x.size());
        double s = 0.0;
        for (const Term& t : terms) s = s + Value(t, b);
        for (std::int32_t i = 0; i < d; ++i) {
            if (x[static_cast<std::size_t>(i)] == b[static_cast<std::size_t>(i)]) continue;
            std::vector<std::int32_t> y = b;
            y[static_cast<std::size_t>(i)] = x[static_cast<std::size_t>(i)];
            double single = 0.0;
            for (const Term& t : terms)
                if (t.i == i || t.j == i) single = single + (Value(t, y) - Value(t, b));
            s = s + single;
        }
        for (std::int32_t i = 0; i < d; ++i) {
            if (x[static_cast<std::size_t>(i)] == b[static_cast<std::size_t>(i)]) continue;
            for (const Term& t : terms) {
                if (t.i != i || t.j == i || x[static_cast<std::size_t>(t.j)] == b[static_cast<std::size_t>(t.j)])
                    continue;
                std::vector<std::int32_t> onlyI = b, onlyJ = b, both = b;
                onlyI[static_cast<std::size_t>(i)] = both[static_cast<std::size_t>(i)] = x[static_cast<std::size_t>(i)];
                onlyJ[static_cast<std::size_t>(t.j)] = both[static_cast<std::size_t>(t.j)] =
                    x[static_cast<std::size_t>(t.j)];
                s = s + (((Value(t, both) - Value(t, onlyI)) - Value(t, onlyJ)) + Value(t, b));
            }
        }
        return s;
    }
};

// Per variable the code with the largest sum over units, in unit order, of
// Pi x Marginal; the lowest such code.
std::vector<std::int32_t> Baselines(const RawModel& model, const RawTable& table, const Sizes& s) {
    std::vector<std::int32_t> b(static_cast<std::size_t>(s.d), 0);
    const auto maxRange = static_cast<std::int32_t>(model.maxRange);
    for (std::int32_t i = 0; i < s.d; ++i) {
        double best = 0.0;
        for (std::int32_t a = 0; a < s.range[static_cast<std::size_t>(i)]; ++a) {
            double w = 0.0;
            for (std::int32_t k = 0; k < s.units; ++k)
                w = w + model.pi[static_cast<std::size_t>(k)] *
                            model.marginal[static_cast<std::size_t>(k)][static_cast<std::size_t>(
                                table.valueIndexTable[static_cast<std::size_t>(i * maxRange + a)])];
            if (a == 0 || w > best) {
                best = w;
                b[static_cast<std::size_t>(i)] = a;
            }
        }
    }
    return b;
}

// Every unit's log-likelihood of complete samples: from the baselines where
// every term is finite, the plain sum elsewhere.
struct LiteralMap {
    const RawModel& model;
    Sizes s;
    RawTable table;
    std::vector<std::int32_t> baselines;
    std::vector<LiteralUnit> units;
    std::vector<bool> finite;

    explicit LiteralMap(const RawModel& raw)
        : model(raw),
          s(SizesOf(raw)),
          table(BuildValueIndexTable(raw.ranges.data(), raw.translate.data(), s.d,
                                     static_cast<std::int32_t>(raw.maxRange))),
          baselines(Baselines(raw, table, s)) {
        for (std::int32_t k = 0; k < s.units; ++k) {
            units.emplace_back(raw, static_cast<std::size_t>(k), table);
            finite.push_back(units.back().AllTermsFinite(s.range));
        }
    }

    // Sample x as codes (baseline-sum) or doubles (plain sum).
    double Log(std::size_t u, const std::vector<std::int32_t>& codes) const {
        if (finite[u]) return units[u].FromBaselines(codes, baselines);
        return Plain(u, codes);
    }

    double Plain(std::size_t u, const std::vector<std::int32_t>& codes) const {
        const std::vector<double> x(codes.begin(), codes.end());
        return UnitLogLikelihood(x.data(), model.marginal[u].data(), model.intersect[u].data(), model.graph[u].data(),
                                 table.valueIndexTable.data(), s.d, static_cast<std::int32_t>(model.maxRange),
                                 static_cast<std::int32_t>(model.numValues), static_cast<std::int32_t>(model.rootNode));
    }
};

// Adds `weight` x complete sample `codes` to unit k's plain counts.
void AddSample(const Sizes& s, const std::vector<std::int32_t>& codes, std::int32_t unit, double weight,
               BatchCounts& c) {
    c.count[static_cast<std::size_t>(unit)] += weight;
    for (std::int32_t i = 0; i < s.d; ++i) {
        const std::int32_t a = codes[static_cast<std::size_t>(i)];
        c.values[static_cast<std::size_t>(unit * s.numValues + s.valueStart[static_cast<std::size_t>(i)] + a)] +=
            weight;
        for (std::int32_t jj = i + 1; jj < s.d; ++jj) {
            const std::int32_t b = codes[static_cast<std::size_t>(jj)];
            c.pairs[static_cast<std::size_t>(unit * s.numPairs + s.pairStart[static_cast<std::size_t>(i * s.d + jj)] +
                                             a + b * s.range[static_cast<std::size_t>(i)])] += weight;
        }
    }
}

BatchCounts ZeroCounts(const Sizes& s) {
    BatchCounts c;
    c.count.assign(static_cast<std::size_t>(s.units), 0.0);
    c.values.assign(static_cast<std::size_t>(s.numValues * s.units), 0.0);
    c.pairs.assign(static_cast<std::size_t>(s.numPairs * s.units), 0.0);
    return c;
}

bool Finite(double x) { return x - x == 0.0; }

// Lehmer's generator modulo 2^31 - 1 over the sample's codes (missing as -1)
// from the variable's number, then three more steps, over the modulus.
double SampleFraction(const std::vector<std::int32_t>& codes, std::int32_t variable) {
    std::uint64_t h = static_cast<std::uint64_t>(variable) + 1;
    for (const std::int32_t c : codes) h = (h * 48271 + static_cast<std::uint64_t>(c + 2)) % 2147483647;
    for (int round = 0; round < 3; ++round) h = h * 48271 % 2147483647;
    return static_cast<double>(h) / 2147483647.0;
}

// The code at fraction u of the cumulative mass, in code order.
std::int32_t PickCode(const std::vector<double>& mass, double fraction) {
    double total = 0.0;
    for (const double m : mass) total += m;
    double cumulative = 0.0;
    for (std::size_t x = 0; x < mass.size(); ++x) {
        cumulative += mass[x];
        if (fraction * total < cumulative) return static_cast<std::int32_t>(x);
    }
    return static_cast<std::int32_t>(mass.size()) - 1;
}

}  // namespace

std::vector<std::int32_t> QuantisePosterior(const std::vector<double>& scores, int bits, double cutoff) {
    const auto units = scores.size();
    const double one = std::ldexp(1.0, bits);
    std::vector<std::int32_t> quanta(units, 0);
    std::size_t top = units;
    for (std::size_t k = 0; k < units; ++k)
        if (Finite(scores[k]) && (top == units || scores[k] > scores[top])) top = k;
    if (top == units) {
        quanta[0] = static_cast<std::int32_t>(one);
        return quanta;
    }
    std::vector<double> e(units, 0.0);
    double sum = 0.0;
    for (std::size_t k = 0; k < units; ++k)
        if (Finite(scores[k]) && scores[k] - scores[top] >= -cutoff) {
            e[k] = std::exp(scores[k] - scores[top]);
            sum += e[k];
        }
    std::vector<double> remainder(units, -1.0);  // -1: not a candidate
    double left = one;
    for (std::size_t k = 0; k < units; ++k) {
        if (e[k] == 0.0) continue;
        const double x = e[k] / sum * one;
        quanta[k] = static_cast<std::int32_t>(std::floor(x));
        remainder[k] = x - std::floor(x);
        left -= quanta[k];
    }
    while (left > 0) {  // the largest remainder left, the lowest unit on ties
        std::size_t pick = units;
        for (std::size_t k = 0; k < units; ++k)
            if (remainder[k] >= 0.0 && (pick == units || remainder[k] > remainder[pick])) pick = k;
        if (pick == units) break;
        ++quanta[pick];
        remainder[pick] = -1.0;
        left -= 1;
    }
    quanta[top] += static_cast<std::int32_t>(left);
    return quanta;
}

BatchCounts CountSoftBatch(const RawModel& model, const double* samples, std::int32_t n, int bits, double cutoff) {
    const LiteralMap map(model);
    const Sizes& s = map.s;
    BatchCounts c = ZeroCounts(s);
    const double quantum = std::ldexp(1.0, -bits);
    for (std::int32_t j = 0; j < n; ++j) {
        const double* x = samples + static_cast<std::size_t>(j * s.d);
        std::vector<std::int32_t> codes, missing;
        for (std::int32_t i = 0; i < s.d; ++i) {
            codes.push_back(static_cast<std::int32_t>(x[i]));
            if (x[i] < 0) missing.push_back(i);
        }
        // Completions of the missing entries, the first missing variable fastest.
        std::vector<std::vector<std::int32_t>> completions;
        std::int64_t count = 1;
        for (const std::int32_t i : missing) count *= s.range[static_cast<std::size_t>(i)];
        for (std::int64_t e = 0; e < count; ++e) {
            std::vector<std::int32_t> y = codes;
            std::int64_t rest = e;
            for (const std::int32_t i : missing) {
                y[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(rest % s.range[static_cast<std::size_t>(i)]);
                rest /= s.range[static_cast<std::size_t>(i)];
            }
            completions.push_back(y);
        }
        // Unit k's log P(observed), and each completion's mass relative to the largest.
        std::vector<double> logs(static_cast<std::size_t>(s.units)), scores(logs.size());
        std::vector<std::vector<double>> masses(logs.size());
        double mixture = 0.0;
        for (std::size_t u = 0; u < logs.size(); ++u) {
            if (missing.empty()) {
                logs[u] = map.Log(u, codes);
            } else {
                std::vector<double> l;
                double top = -HUGE_VAL;
                for (const auto& y : completions) {
                    l.push_back(map.Plain(u, y));
                    if (Finite(l.back()) && l.back() > top) top = l.back();
                }
                double sum = 0.0;
                for (const double v : l) {
                    masses[u].push_back(!Finite(v) ? 0.0 : v == top ? 1.0 : std::exp(v - top));
                    sum += masses[u].back();
                }
                logs[u] = sum > 0.0 ? top + std::log(sum) : -HUGE_VAL;
            }
            if (Finite(logs[u])) mixture += std::exp(logs[u]) * model.pi[u];
            scores[u] = Finite(logs[u]) ? std::log(model.pi[u]) + logs[u] : -HUGE_VAL;
        }
        std::size_t best = 0;
        for (std::size_t u = 0; u < logs.size(); ++u)
            if (Finite(scores[u]) && scores[u] > scores[best]) best = u;
        c.best.push_back(static_cast<std::int32_t>(best));
        c.logLikelihood.push_back(std::log(mixture));
        const std::vector<std::int32_t> quanta = QuantisePosterior(scores, bits, cutoff);
        for (std::size_t u = 0; u < logs.size(); ++u) {
            if (quanta[u] == 0) continue;
            std::vector<std::int32_t> y = codes;
            for (const std::int32_t i : missing) {
                const auto si = static_cast<std::size_t>(i);
                std::vector<double> byValue(static_cast<std::size_t>(s.range[si]), 0.0);
                for (std::size_t e = 0; e < completions.size(); ++e) byValue[completions[e][si]] += masses[u][e];
                y[si] = Finite(logs[u]) ? PickCode(byValue, SampleFraction(codes, i)) : 0;
            }
            AddSample(s, y, static_cast<std::int32_t>(u), quanta[u] * quantum, c);
        }
    }
    return c;
}

BatchCounts CountBatch(const RawModel& model, const double* samples, std::int32_t n) {
    const LiteralMap map(model);
    const Sizes& s = map.s;
    BatchCounts c = ZeroCounts(s);
    for (std::int32_t j = 0; j < n; ++j) {
        const double* x = samples + static_cast<std::size_t>(j * s.d);
        std::vector<std::int32_t> codes;
        for (std::int32_t i = 0; i < s.d; ++i) codes.push_back(static_cast<std::int32_t>(x[i]));
        double best = -1.7976931348623157e308, mixture = 0.0;
        std::int32_t unit = 0;
        for (std::int32_t k = 0; k < s.units; ++k) {
            const auto u = static_cast<std::size_t>(k);
            const double l = map.Log(u, codes);
            if (l - l == 0.0) mixture += std::exp(l) * model.pi[u];
            const double score = std::log(model.pi[u]) + l;
            if (l - l == 0.0 && score > best) {
                best = score;
                unit = k;
            }
        }
        c.best.push_back(unit);
        c.logLikelihood.push_back(std::log(mixture));
        AddSample(s, codes, unit, 1.0, c);
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
    const std::vector<std::int32_t> baselines = Baselines(model, table, s);
    std::vector<double> smoothedCount(static_cast<std::size_t>(s.units));
    for (std::int32_t k = 0; k < s.units; ++k) {
        std::vector<double> values(static_cast<std::size_t>(s.numValues), 0.0);
        std::vector<double> pairs(static_cast<std::size_t>(s.numPairs), 0.0);
        double n = 0.0;
        for (std::int32_t l = 0; l < s.units; ++l) {
            const double dist = model.hexagonal ? HexagonalSteps(k % s.rows, k / s.rows, l % s.rows, l / s.rows)
                                                : std::abs(k % s.rows - l % s.rows) + std::abs(k / s.rows - l / s.rows);
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
                // Counts of pairs off the baselines are smoothed; the others
                // are the rest of their value's smoothed count, 0 below zero.
                const std::int32_t bi = baselines[static_cast<std::size_t>(i)];
                const std::int32_t bj = baselines[static_cast<std::size_t>(j)];
                double* block = pairs.data() + s.pairStart[static_cast<std::size_t>(i * s.d + j)];
                const double* vi = values.data() + s.valueStart[static_cast<std::size_t>(i)];
                const double* vj = values.data() + s.valueStart[static_cast<std::size_t>(j)];
                for (std::int32_t a = 0; a < ri; ++a) {
                    if (a == bi) continue;
                    double rest = vi[a];
                    for (std::int32_t b = 0; b < rj; ++b)
                        if (b != bj) rest = rest - block[a + b * ri];
                    block[a + bj * ri] = rest > 0.0 ? rest : 0.0;
                }
                for (std::int32_t b = 0; b < rj; ++b) {
                    if (b == bj) continue;
                    double rest = vj[b];
                    for (std::int32_t a = 0; a < ri; ++a)
                        if (a != bi) rest = rest - block[a + b * ri];
                    block[bi + b * ri] = rest > 0.0 ? rest : 0.0;
                }
                double rest = vi[bi];
                for (std::int32_t b = 0; b < rj; ++b)
                    if (b != bj) rest = rest - block[bi + b * ri];
                block[bi + bj * ri] = rest > 0.0 ? rest : 0.0;
                for (std::int32_t a = 0; a < ri; ++a)
                    for (std::int32_t b = 0; b < rj; ++b) {
                        const double p = (pairs[static_cast<std::size_t>(
                                              s.pairStart[static_cast<std::size_t>(i * s.d + j)] + a + b * ri)] +
                                          prior / (static_cast<double>(ri) * static_cast<double>(rj))) /
                                         (n + prior);
                        t[static_cast<std::size_t>(g(i, a) + g(j, b) * nv)] = p;
                        t[static_cast<std::size_t>(g(j, b) + g(i, a) * nv)] = p;
                    }
            }
        }
        UnitMutualInformation(m.data(), t.data(), out.mutual[static_cast<std::size_t>(k)].data(),
                              table.rangeCounts.data(), table.valueIndexTable.data(), maxRange, s.d, nv);
        BuildDependencyTree(out.mutual[static_cast<std::size_t>(k)].data(),
                            out.graph[static_cast<std::size_t>(k)].data(), s.d,
                            static_cast<std::int32_t>(model.rootNode));
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
