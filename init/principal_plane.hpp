// The plane of the two largest principal directions of the one-hot coded
// samples, from their counts: what the linear first map is laid out along.
#pragma once

#include <cstdint>
#include <vector>

#include "../batch/statistics.hpp"

namespace tavrix {

// The NumValues x NumValues covariance (column-major, both halves) of the
// one-hot coded samples counted in unit 0 of `stats`: pair count / n minus
// the product of the two shares; a variable's own block holds its shares
// on the diagonal only. All zeros without samples.
std::vector<double> OneHotCovariance(const StatisticsLayout& layout, const ConstStatisticsView& stats);

struct PrincipalPlane {
    double variance[2] = {0.0, 0.0};   // the two largest eigenvalues; below 1e-12 taken as 0
    std::vector<double> direction[2];  // their unit eigenvectors, NumValues each
    double centre[2] = {0.0, 0.0};     // the mean sample's coordinate along each
};

// The plane of the covariance above. Fewer than two values leave the
// missing directions zero.
PrincipalPlane PrincipalPlaneOf(const StatisticsLayout& layout, const ConstStatisticsView& stats);

// A complete sample's coordinate along direction t, relative to the mean:
// the direction's entries at the sample's values, summed in variable order,
// minus the centre.
double PlaneCoordinate(const PrincipalPlane& plane, int t, const StatisticsLayout& layout, const std::int32_t* codes);

}  // namespace tavrix
