// The trained model's file: written whole or not at all. It is written to a
// temporary file in the output's folder and renamed over the output, so an
// existing output is never partly overwritten and a failed run leaves none.
#pragma once

#include <string>

#include "../host/gateway.hpp"

namespace tavrix::cli {

// Fails (FileError) unless files can be created in the folder of `path`.
void RequireWritableFolder(const std::string& path);

// Writes `value` as variable `name` of the MAT file `path`.
void WriteWhole(const std::string& path, const char* name, const mxArray* value);

// Removes the temporary files WriteWhole left for `path` when its process
// was killed while writing (kill -9 cannot be caught).
void RemoveLeftTemporaries(const std::string& path);

}  // namespace tavrix::cli
