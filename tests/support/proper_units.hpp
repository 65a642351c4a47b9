// Units whose tables are a proper tree distribution with correlated
// variables: the root's marginal and one random conditional per edge, the
// marginals and pair joints computed from them. Zero entries included.
#pragma once

#include "random_model.hpp"

namespace tavrix::testing {

// Rewrites Marginal and Intersect of every unit from its Graph, which must be
// a forest with 1.0 at (parent, child) (as RandomModel makes with tree
// graphs). Intersect is symmetric; pairs off the forest get product joints.
// With `zeroShare` > 0 some conditional entries are 0 (never a whole row).
void MakeProperTrees(Random& random, reference::RawModel& model, double zeroShare);

// Pi normalised to sum 1.
void NormalisePi(reference::RawModel& model);

}  // namespace tavrix::testing
