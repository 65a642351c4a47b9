#include "held_out.hpp"

#include <cmath>
#include <vector>

#include "../core/compiled_map.hpp"
#include "../core/log_mixture.hpp"
#include "../core/numeric.hpp"
#include "../core/parallel.hpp"
#include "hidden_evidence.hpp"
#include "masked_log_likelihood.hpp"

namespace tavrix {
namespace {

// One thread's buffers, allocated once per chunk of samples, and its stop check.
struct HeldOutScratch {
    HeldOutScratch(std::int32_t dimension, const CompiledMap& map, Interrupt* stop, int thread)
        : interrupt(stop),
          worker(thread),
          walk(dimension, map.slots),
          posterior(map.NumUnits()),
          top(map.NumUnits()),
          logs(map.NumUnits()),
          scaled(map.NumUnits()) {
        listed.reserve(map.NumUnits());
    }
    Interrupt* interrupt;
    int worker;
    CompletionWalk walk;
    std::vector<double> posterior;  // the evidence, then the posterior in its place
    std::vector<double> top;        // largest finite completion log-likelihood per unit
    std::vector<double> logs;       // log-evidence, then masked log-likelihoods
    std::vector<double> scaled;
    std::vector<std::int32_t> listed;
};

class HeldOut {
public:
    HeldOut(const MapModel& model, const CompiledMap& map)
        : pi_(model.pi.data()), map_(map) {}

    double Sample(const std::int32_t* column, const std::uint8_t* hidden, HeldOutScratch& w) const {
        const std::size_t numUnits = map_.NumUnits();
        w.walk.Start(column, hidden, map_.table.rangeCounts);
        HiddenEvidence(map_.slots, w.walk, Span<double>(w.posterior.data(), numUnits),
                       Span<double>(w.top.data(), numUnits), w.interrupt, w.worker);
        if (PlainPosteriorUnderflows(w)) ScaledPosterior(column, hidden, w);
        else PlainPosterior(w);
        for (std::size_t k = 0; k < numUnits; ++k) w.logs[k] = MaskedLogLikelihood(map_.units[k], column, hidden);
        return LogMixture(w.logs.data(), w.posterior.data(), numUnits);
    }

private:
    // The evidence of a unit underflows when its largest term does.
    static bool EvidenceUnderflows(double top) { return IsFinite(top) && std::exp(top) < kSmallestNormal; }

    // The plain posterior loses its precision when S = sum of Pi x ev
    // underflows, or when the evidence of a unit that counts underflowed;
    // it stands wherever a term of S is not finite or no unit has a finite
    // completion and a non-zero prior.
    bool PlainPosteriorUnderflows(const HeldOutScratch& w) const {
        double largest = 0.0;
        bool likely = false;
        bool underflow = false;
        for (std::size_t k = 0; k < map_.NumUnits(); ++k) {
            const double term = pi_[k] * w.posterior[k];
            if (!IsFinite(term)) return false;
            if (std::fabs(term) > largest) largest = std::fabs(term);
            if (pi_[k] != 0.0 && IsFinite(w.top[k])) {
                likely = true;
                if (EvidenceUnderflows(w.top[k])) underflow = true;
            }
        }
        return likely && (underflow || largest < kSmallestNormal);
    }

    void PlainPosterior(HeldOutScratch& w) const {
        double sum = 0.0;
        for (std::size_t k = 0; k < map_.NumUnits(); ++k) sum += pi_[k] * w.posterior[k];
        for (std::size_t k = 0; k < map_.NumUnits(); ++k) w.posterior[k] = (pi_[k] * w.posterior[k]) / sum;
    }

    // Log-evidence from the sums scaled by each unit's largest term where
    // they underflowed, then the posterior scaled by the largest log-evidence
    // of a unit with a non-zero prior.
    void ScaledPosterior(const std::int32_t* column, const std::uint8_t* hidden, HeldOutScratch& w) const {
        const std::size_t numUnits = map_.NumUnits();
        w.listed.clear();
        for (std::size_t k = 0; k < numUnits; ++k)
            if (pi_[k] != 0.0 && EvidenceUnderflows(w.top[k])) w.listed.push_back(static_cast<std::int32_t>(k));
        w.walk.Start(column, hidden, map_.table.rangeCounts);
        ScaledEvidence(map_.slots, Span<const std::int32_t>(w.listed.data(), w.listed.size()), w.walk,
                       Span<const double>(w.top.data(), numUnits), Span<double>(w.scaled.data(), numUnits), w.interrupt,
                       w.worker);
        for (std::size_t k = 0; k < numUnits; ++k) w.logs[k] = std::log(w.posterior[k]);
        for (const std::int32_t k : w.listed) {
            const auto u = static_cast<std::size_t>(k);
            w.logs[u] = std::log(w.scaled[u]) + w.top[u];
        }
        double scale = 0.0;
        bool found = false;
        for (std::size_t k = 0; k < numUnits; ++k)
            if (pi_[k] != 0.0 && IsFinite(w.logs[k]) && (!found || w.logs[k] > scale)) {
                scale = w.logs[k];
                found = true;
            }
        double sum = 0.0;
        for (std::size_t k = 0; k < numUnits; ++k) {
            // A zero prior gives its plain (zero) weight; no scale can change it.
            const double weight = pi_[k] != 0.0 ? pi_[k] * std::exp(w.logs[k] - scale) : pi_[k] * w.posterior[k];
            w.posterior[k] = weight;
            sum += weight;
        }
        for (std::size_t k = 0; k < numUnits; ++k) w.posterior[k] = w.posterior[k] / sum;
    }

    const double* pi_;
    const CompiledMap& map_;
};

}  // namespace

void HeldOutLogProbabilities(const MapModel& model, const CodeMatrix& data, Span<const std::uint8_t> hidden,
                             int threads, Span<double> out, Interrupt* interrupt) {
    const CompiledMap map(model, threads, interrupt);
    const HeldOut heldOut(model, map);
    const auto dimension = static_cast<std::size_t>(data.dimension);
    ParallelFor(data.numSamples, threads, [&](std::int64_t begin, std::int64_t end, int worker) {
        HeldOutScratch scratch(data.dimension, map, interrupt, worker);
        for (std::int64_t j = begin; j < end && !ShouldStop(interrupt, worker); ++j) {
            const auto sample = static_cast<std::int32_t>(j);
            out[static_cast<std::size_t>(j)] =
                heldOut.Sample(data.Column(sample), hidden.data() + static_cast<std::size_t>(j) * dimension, scratch);
        }
    });
}

}  // namespace tavrix
