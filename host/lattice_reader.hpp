// The lattice of a model: its optional 'Lattice' field, and the option that
// sets it. Absent means rectangular, so models made before it stay as they are.
#pragma once

#include "../core/grid_geometry.hpp"
#include "gateway.hpp"

namespace tavrix::host {

// The name a model's field holds: "rectangular" or "hexagonal".
const char* LatticeName(Lattice lattice);

// The model's 'Lattice' field: rectangular when absent; fails with fieldValue
// unless it is the char row 'rectangular' or 'hexagonal'.
Lattice ReadLatticeField(const mxArray* model);

// The value of a 'Lattice' option; fails with option unless it is
// 'rectangular' or 'hexagonal' (any case).
Lattice ReadLatticeOption(const mxArray* value);

}  // namespace tavrix::host
