// Fingerprints that tie a saved run to what it was trained from: the samples
// and the first model. 64-bit hashes of the values, not of any file: the same
// data read from a v6 or a v7 file, whole or split over ranks, gives the same
// fingerprint.
#pragma once

#include <cstdint>

#include "../core/map_model.hpp"

namespace tavrix {

// The columns' share of a data fingerprint: the sum (mod 2^64) over the
// columns of a hash of each one's global position and codes, so that blocks
// of columns fingerprinted apart add up to the fingerprint of the whole.
std::uint64_t DataFingerprint(const CodeMatrix& codes, std::int64_t firstColumn);

// The model's shape, Translate, Ranges, RootNode and trained tables.
std::uint64_t ModelFingerprint(const MapModel& model);

}  // namespace tavrix
