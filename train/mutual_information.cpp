#include "mutual_information.hpp"

#include <cmath>

#include "../core/numeric.hpp"

namespace tavrix {
namespace {

// Value pairs are taken in chunks: first every quotient of the chunk, then
// every logarithm, then the sum. Separate loops let the logarithms, the
// inner loop's cost, run back to back.
constexpr int kChunk = 256;

struct PairSum {
    double joint[kChunk];
    double product[kChunk];
    double quotient[kChunk];
    int count = 0;
    double sum = 0.0;

    void Flush() {
        // A loop of divisions alone, which compilers run two or four at a time.
        for (int e = 0; e < count; ++e) quotient[e] = joint[e] / product[e];
        for (int e = 0; e < count; ++e) quotient[e] = std::log(quotient[e]) * kBitsPerNat;
        for (int e = 0; e < count; ++e) {
            const double u = quotient[e];
            if (IsFinite(u)) sum = sum + u * joint[e];
        }
        count = 0;
    }
};

}  // namespace

void UnitMutualInformation(const double* marginal, const double* intersect, double* mutual,
                           const ValueIndexTable& table, std::int32_t numValues) {
    const auto d = static_cast<std::size_t>(table.dimension);
    const auto n = static_cast<std::size_t>(numValues);
    for (std::size_t e = 0; e < d * d; ++e) mutual[e] = 0.0;
    PairSum pair;
    // Pair by pair: each pair's terms still come in the order (a, b) ascending,
    // so a local sum from 0.0 gives the same double as accumulating in place.
    for (std::size_t i = 0; i < d; ++i) {
        const std::int32_t rangeI = table.rangeCounts[i];
        for (std::size_t j = i + 1; j < d; ++j) {
            const std::int32_t rangeJ = table.rangeCounts[j];
            pair.sum = 0.0;
            for (std::int32_t a = 0; a < rangeI; ++a) {
                const auto gi = static_cast<std::size_t>(table(static_cast<std::int32_t>(i), a));
                const double marginalI = marginal[gi];
                const double* column = intersect + gi * n;
                for (std::int32_t b = 0; b < rangeJ; ++b) {
                    const auto gj = static_cast<std::size_t>(table(static_cast<std::int32_t>(j), b));
                    const double s = column[gj];
                    pair.joint[pair.count] = s;
                    pair.product[pair.count] = marginal[gj] * marginalI;
                    // S = 0 makes the quotient 0, -0 or NaN: its log is never
                    // finite, so the term is dropped before its logarithm.
                    pair.count += s != 0.0 ? 1 : 0;
                    if (pair.count == kChunk) pair.Flush();
                }
            }
            pair.Flush();
            mutual[i + j * d] = pair.sum;
            mutual[j + i * d] = pair.sum;
        }
    }
}

}  // namespace tavrix
