#include "training_reader.hpp"

#include <string>

#include "data_reader.hpp"
#include "model_reader.hpp"

namespace tavrix::host {
namespace {

double RealScalarArgument(const mxArray* arg, const char* name) {
    if (!mxIsNumeric(arg) || mxIsComplex(arg) || mxIsSparse(arg) || mxGetNumberOfElements(arg) != 1)
        Fail(Reason::kDataClass, std::string(name) + " must be a real numeric scalar.");
    return mxGetScalar(arg);
}

}  // namespace

std::int32_t ReadStepCount(const mxArray* count, const char* name) {
    const double t = RealScalarArgument(count, name);
    if (!(t - t == 0.0) || t >= 2147483648.0)
        Fail(Reason::kDataClass, std::string(name) + " must be finite and below 2^31; found " + Show(t) + ".");
    return t < 1.0 ? 0 : static_cast<std::int32_t>(t);
}

std::int32_t ReadEpochCount(const mxArray* count, const char* name) {
    const double t = RealScalarArgument(count, name);
    if (!(t >= 0.0 && t < 2147483648.0) || t != static_cast<double>(static_cast<std::int32_t>(t)))
        Fail(Reason::kDataSize, std::string(name) + " must be a whole number of epochs, 0 or more (below 2^31); " +
                                    "found " + Show(t) + ". Give the number of passes over the data, such as 30.");
    return static_cast<std::int32_t>(t);
}

double ReadPositiveScalar(const mxArray* arg, const char* name) {
    const double x = RealScalarArgument(arg, name);
    if (!(x > 0.0 && x - x == 0.0))
        Fail(Reason::kDataClass, std::string(name) + " must be positive and finite; found " + Show(x) + ".");
    return x;
}

void CheckTrainable(const mxArray* model, const MapModel& view) {
    const std::int64_t units = view.NumUnits();
    const std::int64_t d = view.dimension;
    if (view.dimension < 1)
        Fail(Reason::kFieldValue, "model field 'Dimension' must be at least 1 for training; found " + std::to_string(d) + ".");
    if (units < 1) Fail(Reason::kFieldValue, "the map has no units (NumRowsMap x NumColsMap = 0).");
    if (view.rootNode < 0 || view.rootNode > view.dimension)
        Fail(Reason::kFieldValue, "model field 'RootNode' must lie within 0..Dimension = " + std::to_string(d) +
                                      "; found " + std::to_string(view.rootNode) + ".");
    RequireDoubleCells(model, "Mutual", units, d * d, "Dimension^2 = " + std::to_string(d * d), d);
    RequireDoubleField(model, "NumVictories", units, "NumRowsMap x NumColsMap = " + std::to_string(units));
}

CodeMatrix ReadSamplesField(const mxArray* model, const MapModel& view, bool needed) {
    const mxArray* samples = RequireField(model, "Samples");
    if (!mxIsDouble(samples) || mxIsComplex(samples) || mxIsSparse(samples))
        Fail(Reason::kFieldClass, "model field 'Samples' must be a real double matrix.");
    if (mxGetNumberOfDimensions(samples) != 2 || mxGetM(samples) != static_cast<std::size_t>(view.dimension))
        Fail(Reason::kFieldSize, "model field 'Samples' must have Dimension = " + std::to_string(view.dimension) +
                                     " rows; found " + std::to_string(mxGetM(samples)) + ".");
    if (needed && mxGetN(samples) == 0)
        Fail(Reason::kFieldSize, "model field 'Samples' has no columns; training needs at least one sample.");
    return ReadCodes(samples, "model field 'Samples'", view, nullptr,
                     "training needs complete samples: TavrixInit fills each missing entry with its variable's "
                     "most frequent value.");
}

}  // namespace tavrix::host
