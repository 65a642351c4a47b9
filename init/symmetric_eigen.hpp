// The largest eigenpairs of a symmetric positive semi-definite matrix, by a
// fixed sequence of operations (no threads, no randomness): the same doubles
// on every run, thread count and platform.
#pragma once

#include <cstddef>
#include <vector>

namespace tavrix {

struct Eigenpairs {
    std::vector<double> values;   // descending
    std::vector<double> vectors;  // size x values.size(), column t the unit vector of values[t]
};

// The `count` largest eigenpairs of the size x size symmetric `matrix`
// (column-major, both halves set), count <= size: subspace iteration on a
// few more vectors than asked for, from a fixed start, with a Rayleigh-Ritz
// step (Jacobi rotations on the small projected matrix) every iteration.
// Each vector's largest entry is made positive.
Eigenpairs LargestEigenpairs(const std::vector<double>& matrix, std::size_t size, std::size_t count);

// Every eigenpair of a small symmetric matrix by cyclic Jacobi rotations;
// `matrix` is overwritten. Values descending.
Eigenpairs JacobiEigenpairs(std::vector<double> matrix, std::size_t size);

}  // namespace tavrix
