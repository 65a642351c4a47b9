// Reads and checks what the training functions need beyond ReadModel: a step
// count argument, the fields only training reads, and the model's samples.
#pragma once

#include <cstdint>

#include "../core/map_model.hpp"
#include "gateway.hpp"

namespace tavrix::host {

// A count of steps (iterations, epochs): a finite real numeric scalar below
// 2^31, truncated; below 1 gives 0. `name` names the argument in messages,
// e.g. "argument 2 (iterations)".
std::int32_t ReadStepCount(const mxArray* count, const char* name);

// A batch trainer's epoch count: a whole number 0..2^31-1, else dataSize
// (the online trainer's step count truncates instead).
std::int32_t ReadEpochCount(const mxArray* count, const char* name);

// A real numeric scalar argument that is positive and finite (a radius).
double ReadPositiveScalar(const mxArray* arg, const char* name);

// Fails unless `view` (ReadModel's view of `model`) can be trained:
// Dimension >= 1, at least one unit, RootNode within 0..Dimension, and the
// fields Mutual (a cell per unit of Dimension^2 doubles) and NumVictories (per unit).
void CheckTrainable(const mxArray* model, const MapModel& view);

// The model field Samples as codes: a real double matrix of Dimension rows,
// with at least one column when `needed`.
CodeMatrix ReadSamplesField(const mxArray* model, const MapModel& view, bool needed);

}  // namespace tavrix::host
