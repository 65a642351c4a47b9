#include "observed_evidence.hpp"

#include <algorithm>
#include <cmath>

#include "../core/numeric.hpp"
#include "unit_inference.hpp"

namespace tavrix {

std::int64_t CappedCompletions(const std::int32_t* variables, const std::int32_t* codes, std::size_t size,
                               const ValueIndexTable& table) {
    std::int64_t count = 1;
    for (std::size_t e = 0; e < size && count > 0 && count <= kEnumeratedCompletions; ++e)
        if (codes[e] == kMissingCode)
            count *= table.rangeCounts[variables ? static_cast<std::size_t>(variables[e]) : e];
    return count;
}

ImputePlan PlanObservedEvidence(const MapModel& model, const CodeMatrix& data, int threads, Interrupt* interrupt) {
    ImputePlan plan{CompiledMap(model, threads, interrupt), {}, 0};
    const auto d = static_cast<std::size_t>(data.dimension);
    for (std::int32_t j = 0; j < data.numSamples; ++j)
        if (HasMissing(data.Column(j), data.dimension) &&
            CappedCompletions(nullptr, data.Column(j), d, plan.map.table) > kEnumeratedCompletions) {
            AddUnitFactors(plan, threads, interrupt);
            break;
        }
    return plan;
}

void InferredLogs(const ImputePlan& plan, const std::int32_t* codes, double* logs, InferenceScratch& scratch) {
    for (std::size_t k = 0; k < plan.map.NumUnits(); ++k)
        logs[k] = UnitLogEvidence(plan.factors[k], plan.map.table, codes, false, scratch);
}

CompletionBatch::CompletionBatch(const CompiledMap& map)
    : dimension_(static_cast<std::size_t>(map.table.dimension)),
      units_(map.NumUnits()),
      range_(map.table.rangeCounts.data()),
      mass_(static_cast<std::size_t>(kEnumeratedCompletions)) {}

void CompletionBatch::Clear() {
    samples_.clear();
    codes_.clear();
}

void CompletionBatch::Add(std::int32_t j, const std::int32_t* codes, std::int64_t count) {
    samples_.push_back({j, static_cast<std::int64_t>(codes_.size() / dimension_), count});
    for (std::int64_t c = 0; c < count; ++c) {
        std::int64_t rest = c;
        for (std::size_t i = 0; i < dimension_; ++i) {
            std::int32_t code = codes[i];
            if (code == kMissingCode) {
                code = static_cast<std::int32_t>(rest % range_[i]);
                rest /= range_[i];
            }
            codes_.push_back(code);
        }
    }
}

void CompletionBatch::Evaluate(const CompiledMap& map, SampleBlockScratch& block) {
    const auto count = static_cast<std::int64_t>(dimension_ > 0 ? codes_.size() / dimension_ : 0);
    logs_.resize(static_cast<std::size_t>(count) * units_);
    const auto column = [&](std::int64_t c) { return codes_.data() + static_cast<std::size_t>(c) * dimension_; };
    ForEachSampleBlock(map, 0, count, column, block, [&](std::int64_t first, int n, const double* logs) {
        std::copy(logs, logs + static_cast<std::size_t>(n) * units_,
                  logs_.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(first) * units_));
    });
}

double CompletionBatch::RelativeMasses(const Sample& s, std::size_t k) {
    const double* logs = logs_.data() + static_cast<std::size_t>(s.first) * units_;
    double top = kLogZero;
    for (std::int64_t c = 0; c < s.count; ++c) {
        const double l = logs[static_cast<std::size_t>(c) * units_ + k];
        if (IsFinite(l) && l > top) top = l;
    }
    for (std::int64_t c = 0; c < s.count; ++c) {
        const double l = logs[static_cast<std::size_t>(c) * units_ + k];
        mass_[static_cast<std::size_t>(c)] = !IsFinite(l) ? 0.0 : l == top ? 1.0 : std::exp(l - top);
    }
    return top;
}

void CompletionBatch::UnitLogs(const Sample& s, double* logs) {
    for (std::size_t k = 0; k < units_; ++k) {
        const double top = RelativeMasses(s, k);
        double sum = 0.0;
        for (std::int64_t c = 0; c < s.count; ++c) sum += mass_[static_cast<std::size_t>(c)];
        logs[k] = sum > 0.0 ? top + std::log(sum) : kLogZero;
    }
}

EvidenceScratch::EvidenceScratch(const ImputePlan& plan)
    : block(plan.map),
      completions(plan.map),
      inference(plan.map.table.dimension, plan.map.table.maxRange, plan.maxEdges),
      logs(plan.map.NumUnits() * static_cast<std::size_t>(kEvidencePiece)) {
    complete.reserve(static_cast<std::size_t>(kEvidencePiece));
}

void EvaluatePiece(const ImputePlan& plan, const CodeMatrix& samples, std::int64_t first, std::int64_t last,
                   EvidenceScratch& scratch) {
    const std::size_t units = plan.map.NumUnits();
    const auto d = static_cast<std::size_t>(samples.dimension);
    const auto logsOf = [&](std::int64_t j) {
        return scratch.logs.data() + static_cast<std::size_t>(j - first) * units;
    };
    scratch.complete.clear();
    scratch.completions.Clear();
    for (std::int64_t j = first; j < last; ++j) {
        const std::int32_t* codes = samples.Column(static_cast<std::int32_t>(j));
        if (!HasMissing(codes, samples.dimension)) {
            scratch.complete.push_back(static_cast<std::int32_t>(j));
            continue;
        }
        const std::int64_t completions = CappedCompletions(nullptr, codes, d, plan.map.table);
        if (completions <= kEnumeratedCompletions)
            scratch.completions.Add(static_cast<std::int32_t>(j), codes, completions);
        else InferredLogs(plan, codes, logsOf(j), scratch.inference);
    }
    const auto column = [&](std::int64_t c) { return samples.Column(scratch.complete[static_cast<std::size_t>(c)]); };
    ForEachSampleBlock(plan.map, 0, static_cast<std::int64_t>(scratch.complete.size()), column, scratch.block,
                       [&](std::int64_t c, int count, const double* logs) {
                           for (int b = 0; b < count; ++b)
                               std::copy(logs + static_cast<std::size_t>(b) * units,
                                         logs + static_cast<std::size_t>(b + 1) * units,
                                         logsOf(scratch.complete[static_cast<std::size_t>(c + b)]));
                       });
    scratch.completions.Evaluate(plan.map, scratch.block);
    for (const CompletionBatch::Sample& s : scratch.completions.Samples())
        scratch.completions.UnitLogs(s, logsOf(s.sample));
}

}  // namespace tavrix
