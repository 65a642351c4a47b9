#include "baseline.hpp"

namespace tavrix {
namespace {

// The Pi-weighted marginal of code a of variable i, summed in unit order.
double MixtureMarginal(const MapModel& model, const ValueIndexTable& table, std::int32_t i, std::int32_t a) {
    const auto index = static_cast<std::size_t>(table(i, a));
    double weight = 0.0;
    for (std::size_t k = 0; k < model.units.size(); ++k) weight += model.pi[k] * model.units[k].marginal[index];
    return weight;
}

double MixtureTotal(const MapModel& model, const ValueIndexTable& table, std::int32_t i) {
    double total = 0.0;
    for (std::int32_t a = 0; a < table.rangeCounts[static_cast<std::size_t>(i)]; ++a)
        total += MixtureMarginal(model, table, i, a);
    return total;
}

}  // namespace

std::vector<std::int32_t> ModelBaselines(const MapModel& model, const ValueIndexTable& table) {
    std::vector<std::int32_t> baselines(static_cast<std::size_t>(table.dimension), 0);
    for (std::int32_t i = 0; i < table.dimension; ++i) {
        double best = MixtureMarginal(model, table, i, 0);
        for (std::int32_t a = 1; a < table.rangeCounts[static_cast<std::size_t>(i)]; ++a) {
            const double weight = MixtureMarginal(model, table, i, a);
            if (weight > best) {
                best = weight;
                baselines[static_cast<std::size_t>(i)] = a;
            }
        }
    }
    return baselines;
}

bool WorthCountingSparsely(const MapModel& model, const ValueIndexTable& table,
                           const std::vector<std::int32_t>& baselines) {
    double expected = 0.0;
    for (std::int32_t i = 0; i < table.dimension; ++i) {
        const double total = MixtureTotal(model, table, i);
        const double share =
            total > 0.0 ? MixtureMarginal(model, table, i, baselines[static_cast<std::size_t>(i)]) / total : 0.0;
        expected += share == share ? 1.0 - share : 1.0;
    }
    return expected <= 0.75 * static_cast<double>(table.dimension);
}

}  // namespace tavrix
