// Reads and checks the caller's model struct, and turns it into the core's
// plain view. Nothing is allocated in the host before every check has passed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../core/map_model.hpp"
#include "gateway.hpp"

namespace tavrix::host {

// Reads the twelve fields every function uses, and the optional 'Lattice';
// fails on the first fault found.
// `argument` is the 1-based argument position, for messages.
MapModel ReadModel(const mxArray* model, int argument);

// Field access with checks, for the fields that only some functions read.
const mxArray* RequireField(const mxArray* model, const char* name);

// A real, non-sparse double array field with exactly `elements` elements;
// `expected` says in words what the size must be, e.g. "NumValues = 48".
const double* RequireDoubleField(const mxArray* model, const char* name, std::int64_t elements,
                                 const std::string& expected);

// A cell array field of `cells` cells, each a real double array of
// `elements` elements, or, where `sparseSide` is 0 or more, a compact table:
// a sparse double array sparseSide x sparseSide.
void RequireDoubleCells(const mxArray* model, const char* name, std::int64_t cells, std::int64_t elements,
                        const std::string& expected, std::int64_t sparseSide = -1);

// The core's view of a checked square table, whole or compact; the indices
// of a compact one are copied into `indexCopies` where the host's are not 64-bit.
SquareTable ViewOfTable(const mxArray* table, std::vector<std::vector<std::int64_t>>& indexCopies);

// Whether any cell of a cell array field is sparse.
bool AnyCompactCell(const mxArray* model, const char* name);

// Whether any of a model's Intersect, Mutual and Graph cells is compact.
bool IsCompact(const mxArray* model);

// Fails unless a product of counts stays below 2^31.
void RequireSize32(std::int64_t product, const std::string& what);

}  // namespace tavrix::host
