#include "block_statistics_pass.hpp"

#include <string>

#include "errors.hpp"

namespace tavrix::host {
namespace {

constexpr const char* kFunction = "tavrix_block_statistics";

// A per-sample result: a real double vector of n entries.
const double* SampleColumn(const mxArray* a, std::size_t n, const char* what) {
    if (!a || !mxIsDouble(a) || mxIsComplex(a) || mxGetNumberOfElements(a) != n)
        Fail(Reason::kParallelPass, std::string(kFunction) + " gave no " + what + " for every sample.");
    return n ? mxGetPr(a) : nullptr;
}

}  // namespace

BlockStatisticsPass::BlockStatisticsPass(const mxArray* model, const mxArray* data, const mxArray* mask, int threads,
                                         double heldOut, const StatisticsShape& shape)
    : model_(model),
      data_(data),
      mask_(mask ? mxDuplicateArray(mask) : mxCreateDoubleMatrix(0, 0, mxREAL)),
      threads_(mxCreateDoubleScalar(threads)),
      heldOut_(mxCreateDoubleScalar(heldOut)),
      none_(mxCreateDoubleScalar(0.0)),
      rule_(MakeHeldOutRule(heldOut, 0)),
      shape_(shape) {}

ConstStatisticsView BlockStatisticsPass::Count(const MapModel&, PassTotals& totals) {
    return Run(heldOut_.get(), totals);
}

ConstStatisticsView BlockStatisticsPass::CountEverySample(const MapModel&) {
    PassTotals ignored;
    return Run(none_.get(), ignored);
}

ConstStatisticsView BlockStatisticsPass::Run(const mxArray* heldOut, PassTotals& totals) {
    mxArray* in[] = {const_cast<mxArray*>(model_), const_cast<mxArray*>(data_), mask_.get(), threads_.get(),
                     const_cast<mxArray*>(heldOut)};
    mxArray* out[4] = {nullptr, nullptr, nullptr, nullptr};
    const int status = mexCallMATLAB(4, out, 5, in, kFunction);
    for (int r = 0; r < 3; ++r) results_[r].reset(out[r]);
    OwnedArray message(out[3]);
    if (status != 0)
        Fail(Reason::kParallelPass, std::string("cannot call ") + kFunction + ", the parallel statistics pass; is the "
                                    "toolbox's tavrix_block_statistics.m on the path?");
    char text[1024] = {0};
    if (message && mxIsChar(message.get()) && mxGetNumberOfElements(message.get()) > 0) {
        mxGetString(message.get(), text, sizeof text);
        Fail(Reason::kParallelPass, std::string("the parallel statistics pass failed: ") + text);
    }
    const StatisticsArraysIn stats = ReadStatistics(results_[0].get(), 1, shape_);
    const std::size_t n = mxGetN(data_);
    const double* units = SampleColumn(results_[1].get(), n, "unit");
    const double* logs = SampleColumn(results_[2].get(), n, "log-likelihood");
    std::vector<std::int32_t> best(n);
    for (std::size_t j = 0; j < n; ++j) best[j] = static_cast<std::int32_t>(units[j]) - 1;
    if (heldOut == heldOut_.get()) AddSampleResults(best, Span<const double>(logs, n), previous_, totals, rule_);
    return {stats.count, stats.values, stats.pairs};
}

}  // namespace tavrix::host
