#include "winner_search.hpp"

#include <cmath>

#include "../core/numeric.hpp"

namespace tavrix {

Winner WinnerSearch(Span<const double> logLikelihood, std::int32_t rows, std::int32_t columns, double radius,
                    Span<double> weights, WinnerScratch& scratch, WorkerPool& pool) {
    const std::size_t units = logLikelihood.size();
    scratch.likelihood.resize(units);
    scratch.score.resize(units);
    scratch.weightSum.resize(units);

    // Likelihoods; below the normal range every one of them, the scaled form.
    bool anyNormal = false, anyFinite = false;
    double largest = kLowestScore;
    for (std::size_t u = 0; u < units; ++u) {
        const double l = logLikelihood[u];
        const double x = IsFinite(l) ? std::exp(l) : 0.0;
        scratch.likelihood[u] = x;
        if (x >= kSmallestNormal) anyNormal = true;
        if (IsFinite(l)) {
            anyFinite = true;
            if (l > largest) largest = l;
        }
    }
    const bool scaled = !anyNormal && anyFinite;
    if (scaled)
        for (std::size_t u = 0; u < units; ++u)
            scratch.likelihood[u] = IsFinite(logLikelihood[u]) ? std::exp(logLikelihood[u] - largest) : 0.0;

    // One weight per distinct distance: the same double the per-unit exp gives.
    const std::int32_t distances = (rows > 0 ? rows - 1 : 0) + (columns > 0 ? columns - 1 : 0) + 1;
    scratch.distanceWeight.resize(static_cast<std::size_t>(distances));
    for (std::int32_t d = 0; d < distances; ++d) scratch.distanceWeight[static_cast<std::size_t>(d)] = NeighbourhoodWeight(d, radius);

    const double* w = scratch.distanceWeight.data();
    const double* like = scratch.likelihood.data();
    auto scoreRange = [&](std::int64_t begin, std::int64_t end, int) {
        for (std::int64_t candidate = begin; candidate < end; ++candidate) {
            const auto k = static_cast<std::int32_t>(candidate % rows);
            const auto j = static_cast<std::int32_t>(candidate / rows);
            double s = 0.0, t = 0.0;
            const double* l = like;
            for (std::int32_t c = 0; c < columns; ++c) {
                const std::int32_t dc = c > j ? c - j : j - c;
                for (std::int32_t r = 0; r < rows; ++r, ++l) {
                    const double weight = w[dc + (r > k ? r - k : k - r)];
                    s = s + weight;
                    t = t + weight * *l;
                }
            }
            scratch.weightSum[static_cast<std::size_t>(candidate)] = s;
            scratch.score[static_cast<std::size_t>(candidate)] = std::log(t / s);
        }
    };
    // Small maps score faster on one thread than threads can be woken.
    if (units * units < (std::size_t{1} << 16)) scoreRange(0, static_cast<std::int64_t>(units), 0);
    else pool.Run(static_cast<std::int64_t>(units), scoreRange);

    // The reduction in unit order: only a strictly greater score replaces the best.
    Winner winner;
    winner.bestScore = kLowestScore;
    std::size_t best = 0;
    for (std::size_t u = 0; u < units; ++u)
        if (scratch.score[u] > winner.bestScore) {
            winner.bestScore = scratch.score[u];
            best = u;
            winner.found = true;
        }
    if (!winner.found) return winner;
    winner.row = static_cast<std::int32_t>(best % static_cast<std::size_t>(rows));
    winner.column = static_cast<std::int32_t>(best / static_cast<std::size_t>(rows));
    winner.scaled = scaled;
    if (scaled) winner.bestScore = winner.bestScore + largest;
    const double sum = scratch.weightSum[best];
    std::size_t u = 0;
    for (std::int32_t c = 0; c < columns; ++c) {
        const std::int32_t dc = c > winner.column ? c - winner.column : winner.column - c;
        for (std::int32_t r = 0; r < rows; ++r, ++u)
            weights[u] = w[dc + (r > winner.row ? r - winner.row : winner.row - r)] / sum;
    }
    return winner;
}

}  // namespace tavrix
