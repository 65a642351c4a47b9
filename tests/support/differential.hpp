// What every differential fixture shares: named cases, made when their test
// runs, and the thread counts the fast code runs at.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bits.hpp"
#include "core/log_mixture.hpp"
#include "random_model.hpp"

namespace tavrix::testing {

// The fast code runs at 1 thread and at these counts; every result is the same.
constexpr int kThreadCounts[] = {1, 2, 3};

// One parameter of a differential fixture: a name for the test list and the
// case, made only when its test runs.
struct NamedCase {
    std::string name;
    std::function<DataCase()> make;
};

inline void PrintTo(const NamedCase& c, std::ostream* os) { *os << c.name; }
inline std::string CaseName(const ::testing::TestParamInfo<NamedCase>& info) { return info.param.name; }

// `count` cases named <prefix>0, <prefix>1, ..., case s made by make(s), then `more`.
inline std::vector<NamedCase> SeededCases(const std::string& prefix, int count,
                                          const std::function<DataCase(std::uint64_t)>& make,
                                          std::vector<NamedCase> more = {}) {
    for (int s = count - 1; s >= 0; --s)
        more.insert(more.begin(), {prefix + std::to_string(s), [make, s] { return make(static_cast<std::uint64_t>(s)); }});
    return more;
}

// Per-sample logs and their mean negative, as the literal code gives them,
// against fast(threads)'s logs and MeanNegative of them at every thread count.
template <class Fast>
void ExpectLogsAndMeanAtEveryThreadCount(const std::vector<double>& logs, double mean, Fast fast) {
    for (const int threads : kThreadCounts) {
        const std::vector<double> got = fast(threads);
        ASSERT_TRUE(SameBits(logs, got)) << "threads " << threads;
        ASSERT_TRUE(SameBits(mean, MeanNegative(Span<const double>(got.data(), got.size())))) << "threads " << threads;
    }
}

}  // namespace tavrix::testing
