// The adapter between matio's variables and the host layer's mx arrays (our
// mx layer): the command-line trainer reads and writes MAT files with matio
// and checks and trains through the same host code as the MEX functions.
#pragma once

#include <matio.h>

#include <stdexcept>

#include "../gateway.hpp"

namespace tavrix::cli {

// A MAT file that cannot be opened, read or written, or holds what the
// trainer does not read (complex, sparse or N-d arrays, objects).
struct FileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A copy of a whole variable: structs, cells, char rows, numeric and logical
// matrices. `where` names it in messages.
host::OwnedArray ToMxArray(matvar_t* variable, const std::string& where);

// A new matio variable named `name` (null for a field or cell) holding a copy of `array`.
matvar_t* ToMatVariable(const mxArray* array, const char* name);

// Frees a matio variable at the end of a scope.
struct MatVariableDeleter {
    void operator()(matvar_t* variable) const { Mat_VarFree(variable); }
};

}  // namespace tavrix::cli
