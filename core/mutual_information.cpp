#include "mutual_information.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "numeric.hpp"

namespace tavrix {

ValueOrder::ValueOrder(const ValueIndexTable& table, std::int32_t numValues)
    : start_(static_cast<std::size_t>(std::max(table.dimension, 0)) + 1, 0),
      numValues_(static_cast<std::size_t>(std::max(numValues, 0))),
      contiguous_(true),
      scratch_(0) {
    const std::size_t d = Dimension();
    for (std::size_t i = 0; i < d; ++i) {
        const std::int32_t count = std::max(table.rangeCounts[i], 0);
        for (std::int32_t a = 0; a < count; ++a) {
            const std::int32_t g = table(static_cast<std::int32_t>(i), a);
            contiguous_ = contiguous_ && static_cast<std::size_t>(g) == index_.size();
            index_.push_back(g);
        }
        start_[i + 1] = index_.size();
    }
    // Variable i keeps its values' quotients and joints against every later variable.
    for (std::size_t i = 0; i < d; ++i)
        scratch_ = std::max(scratch_, 2 * (start_[i + 1] - start_[i]) * (index_.size() - start_[i + 1]));
}

namespace {

// Column gi of Intersect against the values [begin, begin + count) of the
// order: the joints S and the quotients S / (M[gj] x M[gi]).
template <bool kContiguous>
void Quotients(const ValueOrder& order, const double* marginal, const double* column, double marginalI,
               std::size_t begin, std::size_t count, double* joint, double* quotient) {
    const std::int32_t* index = order.Index() + begin;
    for (std::size_t e = 0; e < count; ++e) {
        const std::size_t gj = kContiguous ? begin + e : static_cast<std::size_t>(index[e]);
        const double s = column[gj];
        joint[e] = s;
        quotient[e] = s / (marginal[gj] * marginalI);
    }
}

template <bool kContiguous>
void MutualOf(const ValueOrder& order, const double* marginal, const double* intersect, double* mutual,
              double* scratch) {
    const std::size_t d = order.Dimension(), n = order.NumValues();
    const std::size_t listed = order.Start(d);
    const std::int32_t* index = order.Index();
    for (std::size_t e = 0; e < d * d; ++e) mutual[e] = 0.0;
    for (std::size_t i = 0; i + 1 < d; ++i) {
        // Every term of variable i against the later ones: first all
        // quotients, then all logarithms, then each pair's sum in order.
        const std::size_t tailBegin = order.Start(i + 1), tail = listed - tailBegin;
        const std::size_t rangeI = tailBegin - order.Start(i), terms = rangeI * tail;
        double* const joint = scratch;
        double* const value = scratch + terms;
        for (std::size_t a = 0; a < rangeI; ++a) {
            const auto gi = static_cast<std::size_t>(index[order.Start(i) + a]);
            Quotients<kContiguous>(order, marginal, intersect + gi * n, marginal[gi], tailBegin, tail,
                                   joint + a * tail, value + a * tail);
        }
        // S = 0 makes the quotient 0, -0 or NaN, whose log is never finite:
        // such terms are marked dropped without taking their logarithm.
        for (std::size_t e = 0; e < terms; ++e)
            value[e] = joint[e] != 0.0 ? std::log(value[e]) * kBitsPerNat : std::numeric_limits<double>::infinity();
        for (std::size_t j = i + 1; j < d; ++j) {
            const std::size_t offset = order.Start(j) - tailBegin, rangeJ = order.Start(j + 1) - order.Start(j);
            // Summed from 0.0, which never becomes -0.0: adding 0.0 for a
            // dropped term leaves the sum as skipping it would.
            double sum = 0.0;
            for (std::size_t a = 0; a < rangeI; ++a) {
                const double* u = value + a * tail + offset;
                const double* s = joint + a * tail + offset;
                for (std::size_t b = 0; b < rangeJ; ++b) sum = sum + (IsFinite(u[b]) ? u[b] * s[b] : 0.0);
            }
            mutual[i + j * d] = sum;
            mutual[j + i * d] = sum;
        }
    }
}

}  // namespace

void UnitMutualInformation(const ValueOrder& order, const double* marginal, const double* intersect, double* mutual,
                           double* scratch) {
    if (order.Contiguous())
        MutualOf<true>(order, marginal, intersect, mutual, scratch);
    else
        MutualOf<false>(order, marginal, intersect, mutual, scratch);
}

void UnitMutualInformation(const double* marginal, const double* intersect, double* mutual,
                           const ValueIndexTable& table, std::int32_t numValues) {
    const ValueOrder order(table, numValues);
    std::vector<double> scratch(order.ScratchSize());
    UnitMutualInformation(order, marginal, intersect, mutual, scratch.data());
}

}  // namespace tavrix
