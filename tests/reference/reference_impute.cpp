#include "reference_impute.hpp"

#include <cmath>
#include <limits>

namespace tavrix::reference {

ImputeResult Impute(const RawModel& m, const std::vector<double>& data, const std::vector<std::uint8_t>& hidden,
                    std::int32_t n) {
    const auto d = static_cast<std::int32_t>(m.dimension);
    const auto maxRange = static_cast<std::int32_t>(m.maxRange);
    const auto nv = static_cast<std::int32_t>(m.numValues);
    const auto units = static_cast<std::int32_t>(m.numRowsMap) * static_cast<std::int32_t>(m.numColsMap);
    const RawTable t = BuildValueIndexTable(m.ranges.data(), m.translate.data(), d, maxRange);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ImputeResult r;
    r.filled.assign(data.begin(), data.end());
    r.post.assign(static_cast<std::size_t>(nv) * n, 0.0);
    r.logp.assign(static_cast<std::size_t>(n), 0.0);
    for (std::int32_t j = 0; j < n; ++j) {
        std::vector<double> work(data.begin() + static_cast<std::ptrdiff_t>(j) * d,
                                 data.begin() + static_cast<std::ptrdiff_t>(j + 1) * d);
        std::vector<std::int32_t> missing;
        long long completions = 1;
        for (std::int32_t i = 0; i < d; ++i)
            if (hidden[static_cast<std::size_t>(j) * d + i]) {
                missing.push_back(i);
                completions *= t.rangeCounts[i];
            }
        // Mixture mass and, per (variable, value code), the mass of the completions holding it.
        long double total = 0.0L;
        std::vector<long double> joint(static_cast<std::size_t>(d) * maxRange, 0.0L);
        for (std::int32_t k = 0; k < units; ++k) {
            const double pi = m.pi[k];
            if (!(pi > 0.0)) continue;
            for (long long c = 0; c < completions; ++c) {
                long long u = c;
                for (std::int32_t h : missing) {
                    work[h] = static_cast<double>(u % t.rangeCounts[h]);
                    u /= t.rangeCounts[h];
                }
                const double s = UnitLogLikelihood(work.data(), m.marginal[k].data(), m.intersect[k].data(),
                                                   m.graph[k].data(), t.valueIndexTable.data(), d, maxRange, nv,
                                                   static_cast<std::int32_t>(m.rootNode));
                if (!(s - s == 0.0)) continue;
                const long double p = static_cast<long double>(pi) * std::exp(static_cast<long double>(s));
                total += p;
                for (std::int32_t h : missing) joint[static_cast<std::size_t>(h) * maxRange + static_cast<std::size_t>(work[h])] += p;
            }
        }
        r.logp[j] = total > 0.0L ? static_cast<double>(std::log(total)) : -std::numeric_limits<double>::infinity();
        double* post = r.post.data() + static_cast<std::size_t>(j) * nv;
        for (std::int32_t i = 0; i < d; ++i) {
            const double* x = data.data() + static_cast<std::size_t>(j) * d;
            if (!hidden[static_cast<std::size_t>(j) * d + i]) {
                post[t.valueIndexTable[static_cast<std::size_t>(i) * maxRange + static_cast<std::int32_t>(x[i])]] = 1.0;
                continue;
            }
            long double best = -1.0L;
            double mode = nan;
            for (std::int32_t v = 0; v < t.rangeCounts[i]; ++v) {
                const long double p = joint[static_cast<std::size_t>(i) * maxRange + v];
                post[t.valueIndexTable[static_cast<std::size_t>(i) * maxRange + v]] =
                    total > 0.0L ? static_cast<double>(p / total) : nan;
                if (total > 0.0L && p > best) {
                    best = p;
                    mode = v;
                }
            }
            r.filled[static_cast<std::size_t>(j) * d + i] = mode;
        }
    }
    return r;
}

}  // namespace tavrix::reference
