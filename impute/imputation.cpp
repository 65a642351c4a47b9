#include "imputation.hpp"

#include <cmath>
#include <limits>

#include "../core/numeric.hpp"
#include "../core/parallel.hpp"
#include "missing_graph.hpp"
#include "unit_inference.hpp"

namespace tavrix {
namespace {

struct ImputeScratch {
    explicit ImputeScratch(const ImputePlan& plan)
        : graph(plan.map.table.dimension, plan.map.table.maxRange, plan.maxEdges),
          mixture(static_cast<std::size_t>(plan.map.table.dimension) *
                  static_cast<std::size_t>(plan.map.table.maxRange)) {}
    InferenceScratch graph;
    std::vector<double> mixture;  // per missing variable: the weighted sum of the units' marginals
};

bool AnyMissing(const std::int32_t* codes, std::int32_t d) {
    for (std::int32_t i = 0; i < d; ++i)
        if (codes[i] == kMissingCode) return true;
    return false;
}

class SampleImputer {
public:
    SampleImputer(const MapModel& model, const ImputePlan& plan, const ImputeOutputs& out)
        : model_(model), plan_(plan), out_(out), slots_(static_cast<std::size_t>(plan.map.table.maxRange)) {}

    void Run(const CodeMatrix& samples, std::int32_t j, ImputeScratch& scratch) const {
        const std::int32_t* codes = samples.Column(j);
        const std::int32_t d = samples.dimension;
        const bool complete = !AnyMissing(codes, d);
        const bool wantPosterior = !complete && (!out_.post.empty() || !out_.filled.empty());
        if (wantPosterior)
            for (double& m : scratch.mixture) m = 0.0;

        // The literal mixture sum gives TavrixScore's doubles where it neither
        // underflows nor overflows; the shifted sum stands in where it does.
        double literal = 0.0, top = kLogZero, shifted = 0.0;
        for (std::size_t k = 0; k < plan_.factors.size(); ++k) {
            const double pi = model_.pi[k];
            if (!(pi > 0.0)) continue;
            double e;
            if (complete) {
                e = UnitLogLikelihood(plan_.map.units[k], codes);
                if (!IsFinite(e)) e = kLogZero;
            } else {
                e = UnitLogEvidence(plan_.factors[k], plan_.map.table, codes, wantPosterior, scratch.graph);
            }
            if (e == kLogZero) continue;
            literal += std::exp(e) * pi;
            const double logWeight = plan_.map.logPi[k] + e;
            if (logWeight > top) {
                const double scale = std::exp(top - logWeight);
                shifted *= scale;
                if (wantPosterior) Scale(codes, d, scale, scratch.mixture);
                top = logWeight;
            }
            const double weight = std::exp(logWeight - top);
            shifted += weight;
            if (wantPosterior) Accumulate(codes, d, weight, scratch.graph.marginal, scratch.mixture);
        }
        const bool hasMass = shifted > 0.0;
        const double logp = IsFinite(literal) && literal >= kSmallestNormal ? std::log(literal)
                            : hasMass                                   ? top + std::log(shifted)
                                                                        : kLogZero;
        if (!out_.logp.empty()) out_.logp[static_cast<std::size_t>(j)] = logp;
        WritePosterior(codes, d, j, hasMass ? 1.0 / shifted : 0.0, hasMass, scratch.mixture);
    }

private:
    void Scale(const std::int32_t* codes, std::int32_t d, double scale, std::vector<double>& mixture) const {
        for (std::int32_t i = 0; i < d; ++i)
            if (codes[i] == kMissingCode)
                for (std::size_t x = 0; x < slots_; ++x) mixture[static_cast<std::size_t>(i) * slots_ + x] *= scale;
    }

    void Accumulate(const std::int32_t* codes, std::int32_t d, double weight, const std::vector<double>& marginal,
                    std::vector<double>& mixture) const {
        for (std::int32_t i = 0; i < d; ++i) {
            if (codes[i] != kMissingCode) continue;
            const std::size_t base = static_cast<std::size_t>(i) * slots_;
            const std::int32_t range = plan_.map.table.rangeCounts[static_cast<std::size_t>(i)];
            for (std::int32_t x = 0; x < range; ++x) {
                const std::size_t at = base + static_cast<std::size_t>(x);
                mixture[at] += weight * marginal[at];
            }
        }
    }

    void WritePosterior(const std::int32_t* codes, std::int32_t d, std::int32_t j, double inverse, bool hasMass,
                        const std::vector<double>& mixture) const {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const auto nv = static_cast<std::size_t>(model_.numValues);
        double* post = out_.post.empty() ? nullptr : out_.post.data() + static_cast<std::size_t>(j) * nv;
        if (post)
            for (std::size_t a = 0; a < nv; ++a) post[a] = 0.0;
        for (std::int32_t i = 0; i < d; ++i) {
            const std::int32_t range = plan_.map.table.rangeCounts[static_cast<std::size_t>(i)];
            if (codes[i] != kMissingCode) {
                if (post) post[plan_.map.table(i, codes[i])] = 1.0;
                continue;
            }
            const std::size_t base = static_cast<std::size_t>(i) * slots_;
            double best = -1.0, mode = nan;
            for (std::int32_t x = 0; x < range; ++x) {
                const double p = hasMass ? mixture[base + static_cast<std::size_t>(x)] * inverse : nan;
                if (post) post[plan_.map.table(i, x)] = p;
                if (p > best) {
                    best = p;
                    mode = static_cast<double>(x);
                }
            }
            if (!out_.filled.empty())
                out_.filled[static_cast<std::size_t>(j) * static_cast<std::size_t>(d) + static_cast<std::size_t>(i)] =
                    mode;
        }
    }

    const MapModel& model_;
    const ImputePlan& plan_;
    const ImputeOutputs& out_;
    std::size_t slots_;
};

}  // namespace

ImputePlan PrepareImputation(const MapModel& model, int threads, Interrupt* interrupt) {
    ImputePlan plan{CompiledMap(model, threads, interrupt), {}, 0};
    AddUnitFactors(plan, threads, interrupt);
    return plan;
}

void AddUnitFactors(ImputePlan& plan, int threads, Interrupt* interrupt) {
    plan.factors.resize(plan.map.NumUnits());
    const auto units = static_cast<std::int64_t>(plan.map.NumUnits());
    ParallelFor(units, threads, [&](std::int64_t begin, std::int64_t end, int worker) {
        for (auto k = static_cast<std::size_t>(begin); k < static_cast<std::size_t>(end) && !ShouldStop(interrupt, worker);
             ++k)
            plan.factors[k] = BuildUnitFactors(plan.map.units[k], plan.map.table);
    });
    for (const UnitFactors& f : plan.factors)
        if (f.edges.size() > plan.maxEdges) plan.maxEdges = f.edges.size();
}

std::int64_t LargestCompletionCount(const ImputePlan& plan, const CodeMatrix& codes, int threads, std::int64_t cap,
                                    Interrupt* interrupt) {
    bool anyCycle = false;
    for (const UnitFactors& f : plan.factors) anyCycle = anyCycle || !f.forest;
    if (!anyCycle) return 1;
    const int workers = ThreadCount(threads, codes.numSamples);
    std::vector<std::int64_t> largest(static_cast<std::size_t>(workers), 1);
    ParallelFor(codes.numSamples, workers, [&](std::int64_t begin, std::int64_t end, int t) {
        InferenceScratch w(plan.map.table.dimension, plan.map.table.maxRange, plan.maxEdges);
        std::int64_t& most = largest[static_cast<std::size_t>(t)];
        for (std::int64_t j = begin; j < end && most < cap && !ShouldStop(interrupt, t); ++j) {
            const std::int32_t* column = codes.Column(static_cast<std::int32_t>(j));
            for (const UnitFactors& f : plan.factors) {
                if (f.forest) continue;
                BuildMissingGraph(f, column, w);
                const std::int64_t count = LargestCyclicCompletions(plan.map.table, column, w, cap);
                if (count > most) most = count;
            }
        }
    });
    std::int64_t most = 1;
    for (std::int64_t m : largest) most = m > most ? m : most;
    return most;
}

void Impute(const MapModel& model, const ImputePlan& plan, const CodeMatrix& codes, int threads,
            const ImputeOutputs& out, Interrupt* interrupt) {
    const SampleImputer imputer(model, plan, out);
    ParallelFor(codes.numSamples, threads, [&](std::int64_t begin, std::int64_t end, int worker) {
        ImputeScratch scratch(plan);
        for (std::int64_t j = begin; j < end && !ShouldStop(interrupt, worker); ++j)
            imputer.Run(codes, static_cast<std::int32_t>(j), scratch);
    });
}

}  // namespace tavrix
