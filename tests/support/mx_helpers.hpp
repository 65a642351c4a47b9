// Calling gateways through our mx layer: building arguments, collecting
// results, and checking errors and leaks.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mxlite.hpp"
#include "tests/reference/reference_core.hpp"

// The gateways, linked in under distinct names.
extern "C" {
void TavrixBest_mexFunction(int, mxArray**, int, const mxArray**);
void TavrixFit_mexFunction(int, mxArray**, int, const mxArray**);
void TavrixScore_mexFunction(int, mxArray**, int, const mxArray**);
void TavrixHoles_mexFunction(int, mxArray**, int, const mxArray**);
void TavrixImpute_mexFunction(int, mxArray**, int, const mxArray**);
void TavrixTrain_mexFunction(int, mxArray**, int, const mxArray**);
void TavrixStats_mexFunction(int, mxArray**, int, const mxArray**);
void TavrixInit_mexFunction(int, mxArray**, int, const mxArray**);
void TavrixUpdate_mexFunction(int, mxArray**, int, const mxArray**);
}

namespace tavrix::testing {

using Gateway = void (*)(int, mxArray**, int, const mxArray**);

struct MxDeleter {
    void operator()(mxArray* a) const { mxDestroyArray(a); }
};
using MxPtr = std::unique_ptr<mxArray, MxDeleter>;

MxPtr Matrix(std::size_t rows, std::size_t cols, const std::vector<double>& values = {});
MxPtr Scalar(double value);
MxPtr Text(const std::string& text);
MxPtr ToMx(const reference::RawModel& model);  // every field, Samples included

// Replaces (or adds) one field of a struct.
void SetField(mxArray* model, const char* name, MxPtr value);
// Removes nothing from the struct but makes a copy without `name`.
MxPtr WithoutField(const mxArray* model, const char* name);

std::vector<double> Values(const mxArray* array);

// The outcome of one gateway call: results, the error's identifier, or an interrupt.
struct Outcome {
    std::vector<MxPtr> results;
    std::string errorId;
    std::string errorMessage;
    bool interrupted = false;
};

Outcome CallGateway(Gateway gateway, int nlhs, const std::vector<const mxArray*>& args);

}  // namespace tavrix::testing
