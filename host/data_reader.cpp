#include "data_reader.hpp"

#include <cstring>
#include <string>

#include "errors.hpp"

namespace tavrix::host {
namespace {

std::string Num(std::int64_t n) { return std::to_string(n); }

void RequireNumeric(const mxArray* a, const char* name) {
    if ((!mxIsNumeric(a) && !mxIsLogical(a)) || mxIsComplex(a) || mxIsSparse(a))
        Fail(Reason::kDataClass, std::string(name) + " must be a real, full numeric or logical matrix.");
}

// Reads element e of any real numeric or logical array as a double, exactly
// for every class but 64-bit integers beyond 2^53 (far outside any valid code).
template <class T>
double Element(const void* data, std::size_t e) {
    T v;
    std::memcpy(&v, static_cast<const unsigned char*>(data) + e * sizeof(T), sizeof(T));
    return static_cast<double>(v);
}

double ReadElement(mxClassID id, const void* data, std::size_t e) {
    switch (id) {
        case mxDOUBLE_CLASS: return Element<double>(data, e);
        case mxSINGLE_CLASS: return Element<float>(data, e);
        case mxLOGICAL_CLASS: return Element<mxLogical>(data, e);
        case mxINT8_CLASS: return Element<std::int8_t>(data, e);
        case mxUINT8_CLASS: return Element<std::uint8_t>(data, e);
        case mxINT16_CLASS: return Element<std::int16_t>(data, e);
        case mxUINT16_CLASS: return Element<std::uint16_t>(data, e);
        case mxINT32_CLASS: return Element<std::int32_t>(data, e);
        case mxUINT32_CLASS: return Element<std::uint32_t>(data, e);
        case mxINT64_CLASS: return Element<std::int64_t>(data, e);
        case mxUINT64_CLASS: return Element<std::uint64_t>(data, e);
        default: return 0.0;
    }
}

// What to do about a code outside 0..values-1: NaN is a missing value, and
// a code equal to the number of values is most likely a 1-based code.
std::string Advice(double code, std::int32_t values, const char* nanAdvice) {
    if (code != code) return std::string(" NaN marks a missing value; ") + (nanAdvice ? nanAdvice : kNanAdvice);
    if (code == static_cast<double>(values)) return " Codes are 0-based: subtract 1 from 1-based codes.";
    return "";
}

}  // namespace

std::int32_t ReadSampleCount(const mxArray* data, const char* name, std::int32_t dimension) {
    if (mxIsChar(data) || mxIsCell(data))
        Fail(Reason::kDataClass, std::string(name) + " must be a numeric matrix of value codes; found " +
                                     (mxIsChar(data) ? "text" : "a cell array") +
                                     ". TavrixRead reads a data file into codes.");
    RequireNumeric(data, name);
    const std::size_t rows = mxGetM(data);
    const std::size_t cols = mxGetN(data);
    if (mxGetNumberOfDimensions(data) != 2 || rows != static_cast<std::size_t>(dimension))
        Fail(Reason::kDataSize, std::string(name) + " must be a matrix with Dimension = " + Num(dimension) +
                                    " rows; found " + Num(static_cast<std::int64_t>(rows)) + " rows" +
                                    (mxGetNumberOfDimensions(data) != 2 ? " and more than two dimensions." : "."));
    if (cols >= (std::size_t{1} << 31))
        Fail(Reason::kDataSize, std::string(name) + " must have fewer than 2^31 columns.");
    return static_cast<std::int32_t>(cols);
}

CodeMatrix ReadCodes(const mxArray* data, const char* name, const MapModel& model, const HiddenMask* missing,
                     const char* nanAdvice) {
    CodeMatrix out;
    out.dimension = model.dimension;
    out.numSamples = ReadSampleCount(data, name, model.dimension);
    const std::size_t dimension = static_cast<std::size_t>(model.dimension);
    const std::size_t count = dimension * static_cast<std::size_t>(out.numSamples);
    const mxClassID id = mxGetClassID(data);
    const void* values = mxGetData(data);
    // Check every entry before anything is allocated.
    for (std::size_t e = 0; e < count; ++e) {
        if (missing && missing->hidden[e]) continue;
        const std::size_t i = e % dimension;
        const double code = ReadElement(id, values, e);
        const double range = model.ranges[i];
        const std::int32_t valueCount = static_cast<std::int32_t>(range);
        if (!(code > -1.0 && code < static_cast<double>(valueCount)))
            Fail(Reason::kCodeRange, std::string(name) + " entry (" + Num(static_cast<std::int64_t>(i + 1)) + ", " +
                                         Num(static_cast<std::int64_t>(e / dimension + 1)) +
                                         ") must be a value code of variable " + Num(static_cast<std::int64_t>(i + 1)) +
                                         ", within 0.." + Num(valueCount - 1) + "; found " + Show(code) + "." +
                                         Advice(code, valueCount, nanAdvice));
    }
    out.codes.resize(count);
    for (std::size_t e = 0; e < count; ++e)
        out.codes[e] = missing && missing->hidden[e] ? kMissingCode
                                                     : static_cast<std::int32_t>(ReadElement(id, values, e));
    return out;
}

HiddenMask ReadMask(const mxArray* mask, const char* name, std::int32_t dimension, std::int32_t numSamples) {
    RequireNumeric(mask, name);
    if (mxGetNumberOfDimensions(mask) != 2 || mxGetM(mask) != static_cast<std::size_t>(dimension) ||
        mxGetN(mask) != static_cast<std::size_t>(numSamples))
        Fail(Reason::kDataSize, std::string(name) + " must have the size of the data, " + Num(dimension) + " x " +
                                    Num(numSamples) + "; found " + Num(static_cast<std::int64_t>(mxGetM(mask))) + " x " +
                                    Num(static_cast<std::int64_t>(mxGetN(mask))) + ".");
    HiddenMask out;
    out.dimension = dimension;
    out.numSamples = numSamples;
    const std::size_t count = static_cast<std::size_t>(dimension) * static_cast<std::size_t>(numSamples);
    out.hidden.resize(count);
    const mxClassID id = mxGetClassID(mask);
    const void* values = mxGetData(mask);
    for (std::size_t e = 0; e < count; ++e) out.hidden[e] = ReadElement(id, values, e) == 0.0 ? 1 : 0;
    return out;
}

CodeMatrix ReadDataWithMissing(const mxArray* data, const char* name, const mxArray* mask, const MapModel& model) {
    const std::int32_t n = ReadSampleCount(data, name, model.dimension);
    if (mask) {
        const HiddenMask hidden = ReadMask(mask, "option 'Mask'", model.dimension, n);
        return ReadCodes(data, name, model, &hidden,
                         "with the 'Mask' option the mask alone marks missing entries: set it to 0 there.");
    }
    HiddenMask nan;
    nan.dimension = model.dimension;
    nan.numSamples = n;
    const std::size_t count = static_cast<std::size_t>(model.dimension) * static_cast<std::size_t>(n);
    nan.hidden.resize(count);
    const mxClassID id = mxGetClassID(data);
    const void* values = mxGetData(data);
    for (std::size_t e = 0; e < count; ++e) {
        const double x = ReadElement(id, values, e);
        nan.hidden[e] = x != x ? 1 : 0;
    }
    return ReadCodes(data, name, model, &nan);
}

}  // namespace tavrix::host

namespace tavrix::host {

double ElementAsDouble(const mxArray* data, std::size_t e) { return ReadElement(mxGetClassID(data), mxGetData(data), e); }

std::vector<double> ElementsAsDoubles(const mxArray* data) {
    const mxClassID id = mxGetClassID(data);
    const void* values = mxGetData(data);
    std::vector<double> out(mxGetNumberOfElements(data));
    for (std::size_t e = 0; e < out.size(); ++e) out[e] = ReadElement(id, values, e);
    return out;
}

}  // namespace tavrix::host
