#include "batch_fields.hpp"

#include <cmath>
#include <string>
#include <vector>

#include "../batch/soft_weights.hpp"
#include "model_reader.hpp"
#include "training_reader.hpp"

namespace tavrix::host {
namespace {

const char* const kStatisticsFields[] = {"Count", "Values", "Pairs"};

// Counts are whole multiples of the soft quantum (whole numbers under hard
// assignment); scaling by a power of two is exact.
constexpr double kQuantaPerCount = static_cast<double>(kSoftWeightOne);

std::string Num(std::int64_t n) { return std::to_string(n); }

}  // namespace

void RequireBatchFields(const mxArray* in, const MapModel& model) {
    CheckTrainable(in, model);
    // Every (variable, code) its own global index: the counts of a value then
    // have one place in the tables.
    std::vector<std::uint8_t> used(static_cast<std::size_t>(model.numValues), 0);
    std::int64_t count = 0;
    for (std::int32_t i = 0; i < model.dimension; ++i) {
        const auto range = static_cast<std::int32_t>(model.ranges[static_cast<std::size_t>(i)]);
        for (std::int32_t v = 0; v < range; ++v) {
            const double t = model.translate[static_cast<std::size_t>(v) + static_cast<std::size_t>(i) *
                                                                               static_cast<std::size_t>(model.maxRange)];
            auto& seen = used[static_cast<std::size_t>(static_cast<std::int32_t>(t - 1.0))];
            if (seen)
                Fail(Reason::kFieldValue, "model field 'Translate' gives code " + Num(v) + " of variable " +
                                              Num(i + 1) + " a global index that another value has; batch training "
                                              "needs one index per value (TavrixInit makes such a Translate).");
            seen = 1;
            ++count;
        }
    }
    if (count != model.numValues)
        Fail(Reason::kFieldValue, "model field 'NumValues' must equal the sum of Ranges (" + Num(count) +
                                      ") for batch training; found " + Num(model.numValues) + ".");
}

StatisticsShape ShapeOfStatistics(const MapModel& model) {
    StatisticsShape shape{static_cast<std::size_t>(model.NumUnits()), 0, 0};
    std::size_t before = 0;
    for (std::int32_t i = 0; i < model.dimension; ++i) {
        const auto r = static_cast<std::size_t>(static_cast<std::int32_t>(model.ranges[static_cast<std::size_t>(i)]));
        shape.values += r;
        shape.pairs += before * r;
        before += r;
    }
    return shape;
}

OwnedArray NewStatistics(const StatisticsShape& shape, StatisticsArraysOut& arrays) {
    OwnedArray stats(mxCreateStructMatrix(1, 1, 3, const_cast<const char**>(kStatisticsFields)));
    const std::size_t rows[] = {1, shape.values, shape.pairs};
    double** data[] = {&arrays.count, &arrays.values, &arrays.pairs};
    for (int f = 0; f < 3; ++f) {
        mxArray* field = mxCreateDoubleMatrix(static_cast<mwSize>(rows[f]), static_cast<mwSize>(shape.units), mxREAL);
        mxSetField(stats.get(), 0, kStatisticsFields[f], field);
        *data[f] = mxGetPr(field);
    }
    return stats;
}

StatisticsArraysIn ReadStatistics(const mxArray* stats, int argument, const StatisticsShape& shape) {
    const std::string name = "argument " + Num(argument) + " (statistics)";
    if (!mxIsStruct(stats) || mxGetNumberOfElements(stats) != 1)
        Fail(Reason::kDataClass, name + " must be a 1x1 struct from TavrixStats.");
    const std::size_t rows[] = {1, shape.values, shape.pairs};
    const double* data[3];
    for (int f = 0; f < 3; ++f) {
        const char* field = kStatisticsFields[f];
        const mxArray* a = mxGetField(stats, 0, field);
        if (!a) Fail(Reason::kMissingField, name + " has no field '" + field + "'; pass the result of TavrixStats.");
        if (!mxIsDouble(a) || mxIsComplex(a) || mxIsSparse(a) || mxGetNumberOfDimensions(a) != 2 ||
            mxGetM(a) != rows[f] || mxGetN(a) != shape.units)
            Fail(Reason::kDataSize, name + " field '" + field + "' must be a real double " + Num(static_cast<std::int64_t>(rows[f])) +
                                        " x " + Num(static_cast<std::int64_t>(shape.units)) +
                                        " matrix for this model; was it made with another model?");
        const double* x = mxGetPr(a);
        const std::size_t count = rows[f] * shape.units;
        for (std::size_t e = 0; e < count; ++e)
            if (!(x[e] >= 0.0 && x[e] < 9007199254740992.0 &&
                  x[e] * kQuantaPerCount == std::floor(x[e] * kQuantaPerCount)))
                Fail(Reason::kFieldValue, name + " field '" + field +
                                              "' must hold counts, 0 or more, in whole multiples of 2^-16; entry " +
                                              Num(static_cast<std::int64_t>(e + 1)) + " is " + Show(x[e]) + ".");
        data[f] = x;
    }
    return {data[0], data[1], data[2]};
}

}  // namespace tavrix::host
