#include "principal_plane.hpp"

#include <algorithm>

#include "symmetric_eigen.hpp"

namespace tavrix {
namespace {
// An eigenvalue this small is rounding noise of a zero one.
constexpr double kZeroVariance = 1e-12;
}  // namespace

std::vector<double> OneHotCovariance(const StatisticsLayout& layout, const ConstStatisticsView& stats) {
    const std::size_t v = layout.numValues;
    std::vector<double> covariance(v * v, 0.0);
    const double n = stats.count[0];
    if (!(n > 0.0)) return covariance;
    const auto d = static_cast<std::size_t>(layout.dimension);
    auto share = [&](std::size_t a) { return stats.values[a] / n; };
    for (std::size_t i = 0; i < d; ++i) {
        const std::size_t si = layout.valueStart[i];
        const auto ri = static_cast<std::size_t>(layout.range[i]);
        for (std::size_t a = 0; a < ri; ++a)
            for (std::size_t b = 0; b < ri; ++b)
                covariance[(si + b) * v + si + a] = (a == b ? share(si + a) : 0.0) - share(si + a) * share(si + b);
        for (std::size_t j = i + 1; j < d; ++j) {
            const std::size_t sj = layout.valueStart[j];
            const double* block =
                stats.pairs + layout.PairBlock(static_cast<std::int32_t>(i), static_cast<std::int32_t>(j));
            for (std::size_t b = 0; b < static_cast<std::size_t>(layout.range[j]); ++b)
                for (std::size_t a = 0; a < ri; ++a) {
                    const double c = block[a + b * ri] / n - share(si + a) * share(sj + b);
                    covariance[(sj + b) * v + si + a] = c;
                    covariance[(si + a) * v + sj + b] = c;
                }
        }
    }
    return covariance;
}

PrincipalPlane PrincipalPlaneOf(const StatisticsLayout& layout, const ConstStatisticsView& stats) {
    PrincipalPlane plane;
    const std::size_t v = layout.numValues;
    const std::size_t count = std::min<std::size_t>(2, v);
    const Eigenpairs pairs = LargestEigenpairs(OneHotCovariance(layout, stats), v, count);
    const double n = stats.count[0];
    for (std::size_t t = 0; t < 2; ++t) {
        plane.direction[t].assign(v, 0.0);
        if (t >= count || !(pairs.values[t] >= kZeroVariance)) continue;
        plane.variance[t] = pairs.values[t];
        std::copy(pairs.vectors.begin() + static_cast<std::ptrdiff_t>(t * v),
                  pairs.vectors.begin() + static_cast<std::ptrdiff_t>((t + 1) * v), plane.direction[t].begin());
        double centre = 0.0;
        for (std::size_t a = 0; a < v; ++a) centre += plane.direction[t][a] * (stats.values[a] / n);
        plane.centre[t] = centre;
    }
    return plane;
}

double PlaneCoordinate(const PrincipalPlane& plane, int t, const StatisticsLayout& layout, const std::int32_t* codes) {
    const std::vector<double>& direction = plane.direction[t];
    double sum = 0.0;
    for (std::int32_t i = 0; i < layout.dimension; ++i)
        sum += direction[layout.valueStart[static_cast<std::size_t>(i)] + static_cast<std::size_t>(codes[i])];
    return sum - plane.centre[t];
}

}  // namespace tavrix
