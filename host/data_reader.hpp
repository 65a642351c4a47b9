// Reads and checks the sample, data and mask matrices of a call.
#pragma once

#include <cstdint>
#include <vector>

#include "../core/map_model.hpp"
#include "gateway.hpp"

namespace tavrix::host {

// Hidden flags of a mask matrix, one byte per entry (1 = hidden), Dimension x N.
struct HiddenMask {
    std::int32_t dimension = 0;
    std::int32_t numSamples = 0;
    std::vector<std::uint8_t> hidden;

    const std::uint8_t* Column(std::int32_t j) const {
        return hidden.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(dimension);
    }
};

// What a caller that takes no missing values is told to do about a NaN code.
constexpr const char* kNanAdvice = "TavrixImpute handles missing values (it fills them in).";

// A Dimension x N matrix of value codes of any real numeric or logical class,
// converted exactly and truncated. Every code must be valid for its variable,
// except where `missing` (when given) marks an entry hidden: such entries are
// never read and come back as kMissingCode. `name` names the argument;
// `nanAdvice` (kNanAdvice when null) ends the message about a NaN code.
CodeMatrix ReadCodes(const mxArray* data, const char* name, const MapModel& model,
                     const HiddenMask* missing = nullptr, const char* nanAdvice = nullptr);

// A mask of the same size as the data: an entry equal to 0 (false, 0.0 or -0.0)
// marks a hidden value; every other value, NaN included, an observed one.
HiddenMask ReadMask(const mxArray* mask, const char* name, std::int32_t dimension, std::int32_t numSamples);

// A data argument whose missing entries are those where `mask` (the 'Mask'
// option, when given) is 0, or else its NaN entries; they come back as
// kMissingCode, every other entry must be a valid code.
CodeMatrix ReadDataWithMissing(const mxArray* data, const char* name, const mxArray* mask, const MapModel& model);

// The column count of a data argument, checked to have `dimension` rows.
std::int32_t ReadSampleCount(const mxArray* data, const char* name, std::int32_t dimension);

}  // namespace tavrix::host

namespace tavrix::host {

// Element e of a real numeric or logical array as a double, converted as
// ReadCodes converts it (before truncation).
double ElementAsDouble(const mxArray* data, std::size_t e);

// Every element so, in storage order: for loops over a whole array.
std::vector<double> ElementsAsDoubles(const mxArray* data);

}  // namespace tavrix::host
