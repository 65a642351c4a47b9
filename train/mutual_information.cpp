#include "mutual_information.hpp"

#include <cmath>

#include "../core/numeric.hpp"

namespace tavrix {
namespace {

// The terms of many variable pairs go through one batch: first every
// quotient, then every logarithm, then each pair's sum over its own terms in
// order. Long loops of logarithms, the cost that cannot be avoided, run back
// to back; a pair whose terms span two batches carries its running sum over.
constexpr int kBatch = 1024;

class TermBatch {
public:
    TermBatch(double* mutual, std::size_t dimension) : mutual_(mutual), d_(dimension) {}

    // A term with joint S and marginal product P; S = 0 makes the quotient 0,
    // -0 or NaN, whose log is never finite, so it is dropped before its log.
    void Add(double joint, double product) {
        joint_[count_] = joint;
        value_[count_] = product;
        count_ += joint != 0.0 ? 1 : 0;
        if (count_ == kBatch) Flush();
    }

    // The terms added since the last pair belong to pair (i, j).
    void ClosePair(std::size_t i, std::size_t j) {
        end_[closed_] = count_;
        first_[closed_] = i;
        second_[closed_] = j;
        if (++closed_ == kBatch) Flush();
    }

    void Flush() {
        for (int e = 0; e < count_; ++e) value_[e] = joint_[e] / value_[e];
        for (int e = 0; e < count_; ++e) value_[e] = std::log(value_[e]) * kBitsPerNat;
        int e = 0;
        double sum = carry_;
        for (int p = 0; p < closed_; ++p) {
            for (; e < end_[p]; ++e) Step(sum, e);
            mutual_[first_[p] + second_[p] * d_] = sum;
            mutual_[second_[p] + first_[p] * d_] = sum;
            sum = 0.0;
        }
        for (; e < count_; ++e) Step(sum, e);
        carry_ = sum;
        count_ = 0;
        closed_ = 0;
    }

private:
    void Step(double& sum, int e) const {
        const double u = value_[e];
        if (IsFinite(u)) sum = sum + u * joint_[e];
    }

    double* mutual_;
    std::size_t d_;
    double joint_[kBatch];
    double value_[kBatch];  // the product, then the quotient, then U
    int end_[kBatch];
    std::size_t first_[kBatch];
    std::size_t second_[kBatch];
    int count_ = 0;
    int closed_ = 0;
    double carry_ = 0.0;
};

}  // namespace

void UnitMutualInformation(const double* marginal, const double* intersect, double* mutual,
                           const ValueIndexTable& table, std::int32_t numValues) {
    const auto d = static_cast<std::size_t>(table.dimension);
    const auto n = static_cast<std::size_t>(numValues);
    for (std::size_t e = 0; e < d * d; ++e) mutual[e] = 0.0;
    TermBatch batch(mutual, d);
    // Each pair's terms come in the order (a, b) ascending and are summed from
    // 0.0, which gives the same double as accumulating in place.
    for (std::size_t i = 0; i < d; ++i) {
        const std::int32_t rangeI = table.rangeCounts[i];
        for (std::size_t j = i + 1; j < d; ++j) {
            const std::int32_t rangeJ = table.rangeCounts[j];
            for (std::int32_t a = 0; a < rangeI; ++a) {
                const auto gi = static_cast<std::size_t>(table(static_cast<std::int32_t>(i), a));
                const double marginalI = marginal[gi];
                const double* column = intersect + gi * n;
                for (std::int32_t b = 0; b < rangeJ; ++b) {
                    const auto gj = static_cast<std::size_t>(table(static_cast<std::int32_t>(j), b));
                    batch.Add(column[gj], marginal[gj] * marginalI);
                }
            }
            batch.ClosePair(i, j);
        }
    }
    batch.Flush();
}

}  // namespace tavrix
