// MAT files for the command-line trainer, through matio: a whole variable, a
// block of a matrix's columns, and a variable written to a new file.
#pragma once

#include <cstdint>
#include <string>

#include "mat_arrays.hpp"

namespace tavrix::cli {

// The variable `name` of `file`, or its first variable when `name` is empty.
host::OwnedArray ReadVariable(const std::string& file, const std::string& name);

// One matrix variable of a MAT file, read a block of columns at a time as
// doubles. matio reads just the slab: from HDF5 (v7.3) and uncompressed v5
// files only those columns, from compressed (v7) files everything up to the
// block's end.
class MatrixColumns {
public:
    // The variable `name`, or the file's first variable when `name` is empty.
    MatrixColumns(const std::string& file, const std::string& name);
    ~MatrixColumns();
    MatrixColumns(const MatrixColumns&) = delete;
    MatrixColumns& operator=(const MatrixColumns&) = delete;

    const std::string& Variable() const { return variable_; }
    std::int64_t Columns() const;

    // Columns [first, first + count) as a double matrix.
    host::OwnedArray Read(std::int64_t first, std::int64_t count);

private:
    mat_t* mat_ = nullptr;
    matvar_t* info_ = nullptr;
    std::string variable_;
};

// Writes `value` as variable `name` of a new MAT v5 file `file`.
void WriteVariable(const std::string& file, const char* name, const mxArray* value);

}  // namespace tavrix::cli
