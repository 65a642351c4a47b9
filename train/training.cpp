#include "training.hpp"

#include <algorithm>
#include <cstring>

#include "../core/numeric.hpp"
#include "../core/parallel.hpp"
#include "../core/value_index_table.hpp"
#include "../core/dependency_tree.hpp"
#include "../core/mutual_information.hpp"
#include "../core/tree_likelihood.hpp"
#include "winner_search.hpp"

namespace tavrix {

double TrainingRadius(std::int32_t v, std::int32_t iterations, double r0) {
    return (1.0 - static_cast<double>(v) / static_cast<double>(iterations)) * (r0 * 0.25) + r0 * 0.75;
}

double LearningRate(std::int32_t v) { return 1.0 / (static_cast<double>(v) * 0.001 + 100.0); }

ScaleFactors UnitScaleFactors(double rate, double complement, double weight, double oldPi) {
    ScaleFactors f;
    f.pi = rate * weight + complement * oldPi;
    f.a = (complement * oldPi) / f.pi;
    f.b = (rate * weight) / f.pi;
    if (!IsFinite(f.a) || !IsFinite(f.b)) {
        f.a = 1.0;
        f.b = 0.0;
    }
    return f;
}

namespace {

// Per-thread buffers, taken once per call.
struct WorkerScratch {
    std::vector<double> logMarginal;
    std::vector<double> mutual;
    std::vector<std::int32_t> parent;
    TreeScratch tree;
};

class Trainer {
public:
    Trainer(const MapModel& model, const TrainedTables& tables, const CodeMatrix& samples, int threads,
            Interrupt* interrupt)
        : interrupt_(interrupt),
          model_(model),
          tables_(tables),
          samples_(samples),
          table_(BuildValueIndexTable(model)),
          order_(table_, model.numValues),
          units_(static_cast<std::size_t>(model.NumUnits())),
          dimension_(static_cast<std::size_t>(model.dimension)),
          values_(static_cast<std::size_t>(model.numValues)),
          pool_(ThreadCount(threads, static_cast<std::int64_t>(units_))),
          scratch_(static_cast<std::size_t>(pool_.Size())),
          pairs_(units_),
          logLikelihood_(units_),
          weights_(units_, 0.0),
          current_(dimension_),
          next_(dimension_),
          valueSeen_(values_, false),
          pairSeen_(values_ * values_, false) {
        valueEntries_.reserve(dimension_);
        pairEntries_.reserve(dimension_ * dimension_);
        // Every buffer is taken here, so that worker threads never allocate.
        for (WorkerScratch& s : scratch_) {
            s.logMarginal.resize(dimension_);
            s.mutual.resize(order_.ScratchSize());
            s.parent.resize(dimension_);
            s.tree.variable.resize(dimension_);
            s.tree.key.resize(dimension_);
            s.tree.position.resize(dimension_);
            s.tree.from.resize(dimension_);
        }
        // The trees the first search reads are the caller's, of any shape.
        for (std::size_t u = 0; u < units_; ++u) {
            pairs_[u].reserve(dimension_);
            PairsOfGraph(tables_.graph[u], model.dimension, pairs_[u]);
        }
    }

    void Run(std::int32_t iterations, SampleDraws& draws, TrainingObserver* observer) {
        const double r0 = static_cast<double>(std::int64_t{model_.numColsMap} + model_.numRowsMap) * 0.25;
        // Each sample is drawn one iteration ahead, so that the unit pass of
        // iteration v also scores every rebuilt unit on the sample of v + 1.
        // The draws come in the same order; only the pass count shrinks.
        if (iterations > 0) {
            DrawInto(draws, next_);
            ScoreUnits();
        }
        for (std::int32_t v = 0; v < iterations; ++v) {
            if (ShouldStop(interrupt_, 0)) return;
            std::swap(current_, next_);
            const bool more = v + 1 < iterations;
            if (more) DrawInto(draws, next_);
            const double radius = TrainingRadius(v, iterations, r0);
            const Winner winner =
                WinnerSearch(Span<const double>(logLikelihood_.data(), units_), model_.numRowsMap, model_.numColsMap,
                             radius, Span<double>(weights_.data(), units_), winnerScratch_, pool_);
            // No winner counts for row 0, column 0, and the weights stay the previous ones.
            tables_.numVictories[static_cast<std::size_t>(winner.column) * static_cast<std::size_t>(model_.numRowsMap) +
                                 static_cast<std::size_t>(winner.row)] += 1.0;
            FindSampleEntries();
            UpdateUnits(LearningRate(v), more);
            if (observer) observer->IterationDone(v + 1, iterations);
        }
        double sum = 0.0;
        for (std::size_t u = 0; u < units_; ++u) sum = sum + tables_.pi[u];
        for (std::size_t u = 0; u < units_; ++u) tables_.pi[u] = tables_.pi[u] / sum;
    }

private:
    // The global value indices of a drawn sample.
    void DrawInto(SampleDraws& draws, std::vector<std::int32_t>& index) {
        const std::int32_t* sample = samples_.Column(draws.Draw(samples_.numSamples));
        for (std::size_t i = 0; i < dimension_; ++i) index[i] = table_(static_cast<std::int32_t>(i), sample[i]);
    }

    double ScoreUnit(std::size_t u, double* logMarginal) const {
        return TreeLogLikelihood(next_.data(), tables_.marginal[u], tables_.intersect[u], model_.dimension,
                                 model_.numValues, model_.rootNode, pairs_[u], logMarginal);
    }

    void ScoreUnits() {
        pool_.Run(static_cast<std::int64_t>(units_), [&](std::int64_t begin, std::int64_t end, int worker) {
            double* logMarginal = scratch_[static_cast<std::size_t>(worker)].logMarginal.data();
            for (auto u = static_cast<std::size_t>(begin); u < static_cast<std::size_t>(end); ++u) {
                if (ShouldStop(interrupt_, worker)) return;
                logLikelihood_[u] = ScoreUnit(u, logMarginal);
            }
        });
    }

    // The entries of Marginal and Intersect that this sample sets, each once
    // (two values may share a global index).
    void FindSampleEntries() {
        for (const std::size_t k : valueEntries_) valueSeen_[k] = false;
        for (const std::size_t k : pairEntries_) pairSeen_[k] = false;
        valueEntries_.clear();
        pairEntries_.clear();
        auto note = [](std::vector<char>& seen, std::vector<std::size_t>& entries, std::size_t k) {
            if (!seen[k]) entries.push_back(k);
            seen[k] = true;
        };
        for (std::size_t a = 0; a < dimension_; ++a) {
            const auto ga = static_cast<std::size_t>(current_[a]);
            note(valueSeen_, valueEntries_, ga);
            for (std::size_t b = a + 1; b < dimension_; ++b) {
                const auto gb = static_cast<std::size_t>(current_[b]);
                note(pairSeen_, pairEntries_, gb + ga * values_);
                note(pairSeen_, pairEntries_, ga + gb * values_);
            }
        }
    }

    // Units are independent within an iteration: each thread updates whole units.
    void UpdateUnits(double rate, bool scoreNext) {
        const double complement = 1.0 - rate;
        pool_.Run(static_cast<std::int64_t>(units_), [&](std::int64_t begin, std::int64_t end, int worker) {
            WorkerScratch& scratch = scratch_[static_cast<std::size_t>(worker)];
            for (auto u = static_cast<std::size_t>(begin); u < static_cast<std::size_t>(end); ++u) {
                if (ShouldStop(interrupt_, worker)) return;
                const ScaleFactors f = UnitScaleFactors(rate, complement, weights_[u], tables_.pi[u]);
                tables_.pi[u] = f.pi;
                Blend(f, valueEntries_, tables_.marginal[u], values_);
                Blend(f, pairEntries_, tables_.intersect[u], values_ * values_);
                UnitMutualInformation(order_, tables_.marginal[u], tables_.intersect[u], tables_.mutual[u],
                                      scratch.mutual.data());
                BuildDependencyTree(tables_.mutual[u], tables_.graph[u], model_.dimension, model_.rootNode,
                                    scratch.tree, scratch.parent.data());
                PairsOfTree(scratch.parent.data(), model_.dimension, pairs_[u]);
                if (scoreNext) logLikelihood_[u] = ScoreUnit(u, scratch.logMarginal.data());
            }
        });
    }

    // x = B x indicator + A x x, with the indicator 1.0 at `ones` and 0.0
    // elsewhere. B is finite, so B x 0.0 is a zero Z of B's sign, and
    // (A x x + Z) + B equals B + A x x in every case, signed zeros included:
    // every entry takes A x x + Z, then the sample's entries add B.
    static void Blend(const ScaleFactors& f, const std::vector<std::size_t>& ones, double* x, std::size_t count) {
        const double a = f.a, b = f.b, z = f.b * 0.0;
        for (std::size_t i = 0; i < count; ++i) x[i] = a * x[i] + z;
        for (const std::size_t k : ones) x[k] = x[k] + b;
    }

    Interrupt* interrupt_;
    const MapModel& model_;
    const TrainedTables& tables_;
    const CodeMatrix& samples_;
    const ValueIndexTable table_;
    const ValueOrder order_;
    const std::size_t units_, dimension_, values_;
    WorkerPool pool_;
    std::vector<WorkerScratch> scratch_;
    std::vector<std::vector<TreePair>> pairs_;
    std::vector<double> logLikelihood_;
    std::vector<double> weights_;
    std::vector<std::int32_t> current_, next_;  // global value indices of this and the next sample
    std::vector<char> valueSeen_, pairSeen_;              // by entry: set by this sample
    std::vector<std::size_t> valueEntries_, pairEntries_;  // the entries set, each once
    WinnerScratch winnerScratch_;
};

}  // namespace

void Train(const MapModel& model, const TrainedTables& tables, const CodeMatrix& samples, std::int32_t iterations,
           SampleDraws& draws, int threads, TrainingObserver* observer, Interrupt* interrupt) {
    Trainer trainer(model, tables, samples, iterations > 0 ? threads : 1, interrupt);
    trainer.Run(iterations, draws, observer);
}

}  // namespace tavrix
