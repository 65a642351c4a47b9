#include "reference_score.hpp"

#include <cmath>

namespace tavrix::reference {

void MixtureScores(const RawModel& m, const double* samples, std::int32_t n, double& average,
                   std::vector<double>& perSample) {
    const std::int32_t rows = (std::int32_t)m.numRowsMap, cols = (std::int32_t)m.numColsMap;
    const std::int32_t d = (std::int32_t)m.dimension, maxRange = (std::int32_t)m.maxRange;
    perSample.assign(n > 0 ? n : 0, 0.0);
    const RawTable t = BuildValueIndexTable(m.ranges.data(), m.translate.data(), d, maxRange);
    double result = 0.0;
    for (std::int32_t s = 0; s < n; ++s) {
        double p = 0.0;
        std::int32_t k = 0;
        for (std::int32_t c = 0; c < cols; ++c) {
            for (std::int32_t r = 0; r < rows; ++r) {
                const double L = ObservedLogLikelihood(m, k, samples + s * d, t);
                if (L - L == 0) p = p + std::exp(L) * m.pi[k];
                k = k + 1;
            }
        }
        perSample[s] = std::log(p);
        result = result - std::log(p);
    }
    average = result / (double)n;
}

}  // namespace tavrix::reference
