// Bit-for-bit comparison of doubles: NaN equals NaN of the same pattern, and
// 0.0 differs from -0.0.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace tavrix::testing {

inline std::uint64_t Bits(double x) {
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

inline ::testing::AssertionResult SameBits(double expected, double actual) {
    if (Bits(expected) == Bits(actual)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected " << expected << " got " << actual << " (bits " << std::hex
                                         << Bits(expected) << " vs " << Bits(actual) << ")";
}

inline ::testing::AssertionResult SameBits(const std::vector<double>& expected, const std::vector<double>& actual) {
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << "sizes " << expected.size() << " vs " << actual.size();
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (Bits(expected[i]) != Bits(actual[i]))
            return ::testing::AssertionFailure() << "element " << i << ": expected " << expected[i] << " got "
                                                 << actual[i];
    return ::testing::AssertionSuccess();
}

}  // namespace tavrix::testing
