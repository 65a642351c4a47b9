// MAT files for the command-line trainer, through matio: a whole variable, a
// block of a matrix's columns, and a variable written to a new file.
#pragma once

#include <cstdint>
#include <string>

#include "mat_arrays.hpp"

namespace tavrix::cli {

// The variable `name` of `file`, or its first variable when `name` is empty.
host::OwnedArray ReadVariable(const std::string& file, const std::string& name);

// Part `part` of `parts` of a matrix's columns, columns [first, first + count)
// with first = floor(total x part / parts), as a double matrix. matio reads
// just that slab: from HDF5 (v7.3) and uncompressed v5 files only those
// columns, from compressed (v7) files everything up to the block's end.
struct ColumnBlock {
    host::OwnedArray data;
    std::string variable;
    std::int64_t first = 0, count = 0, total = 0;
};
ColumnBlock ReadColumnBlock(const std::string& file, const std::string& name, int part, int parts);

// Writes `value` as variable `name` of a new MAT v5 file `file`.
void WriteVariable(const std::string& file, const char* name, const mxArray* value);

}  // namespace tavrix::cli
