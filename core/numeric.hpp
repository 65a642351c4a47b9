// Numeric conventions shared by every algorithm of the map.
#pragma once

#include <cstdint>

namespace tavrix {

// Searches for a best value start here and accept only strictly greater values,
// so ties keep the first candidate in unit order.
constexpr double kLowestScore = -1.7976931348623157e308;

// The finiteness test of the whole system: false for NaN and both infinities.
inline bool IsFinite(double x) { return x - x == 0.0; }

// Smallest positive normal double: below it a likelihood has lost precision
// (or underflowed to 0), and the scaled sums take over.
constexpr double kSmallestNormal = 2.2250738585072014e-308;

}  // namespace tavrix
