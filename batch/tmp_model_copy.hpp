// TEMPORARY: replaced by the host model writer when it lands.
#pragma once
#include <cstring>
#include <vector>
#include "mex.h"
#include "../train/training.hpp"
namespace tavrix::tmpcopy {
using namespace tavrix;
inline bool IsWritten(const char* name) {
    for (const char* w : {"Marginal", "Intersect", "Mutual", "Graph", "Pi", "NumVictories"})
        if (std::strcmp(name, w) == 0) return true;
    return false;
}

// A double array with data of its own (a host's duplicate may share it).
inline mxArray* FreshDouble(const mxArray* source) {
    mxArray* copy = mxCreateDoubleMatrix(static_cast<mwSize>(mxGetM(source)), static_cast<mwSize>(mxGetN(source)), mxREAL);
    const std::size_t count = mxGetNumberOfElements(source);
    if (count) std::memcpy(mxGetPr(copy), mxGetPr(source), count * sizeof(double));
    return copy;
}

inline mxArray* FreshCopy(const mxArray* source) {
    if (!mxIsCell(source)) return FreshDouble(source);
    mxArray* cells = mxCreateCellMatrix(static_cast<mwSize>(mxGetM(source)), static_cast<mwSize>(mxGetN(source)));
    for (std::size_t k = 0; k < mxGetNumberOfElements(source); ++k)
        mxSetCell(cells, static_cast<mwIndex>(k), FreshDouble(mxGetCell(source, static_cast<mwIndex>(k))));
    return cells;
}

// The output model: every field of the input in the same order.
inline mxArray* CopyModel(const mxArray* in) {
    const int count = mxGetNumberOfFields(in);
    std::vector<const char*> names(static_cast<std::size_t>(count));
    for (int f = 0; f < count; ++f) names[static_cast<std::size_t>(f)] = mxGetFieldNameByNumber(in, f);
    mxArray* out = mxCreateStructMatrix(1, 1, count, names.data());
    for (const char* name : names) {
        const mxArray* value = mxGetField(in, 0, name);
        if (value) mxSetField(out, 0, name, IsWritten(name) ? FreshCopy(value) : mxDuplicateArray(value));
    }
    return out;
}

inline TrainedTables TablesOf(mxArray* out, std::size_t units) {
    TrainedTables t;
    const mxArray* marginal = mxGetField(out, 0, "Marginal");
    const mxArray* intersect = mxGetField(out, 0, "Intersect");
    const mxArray* mutual = mxGetField(out, 0, "Mutual");
    const mxArray* graph = mxGetField(out, 0, "Graph");
    for (std::size_t k = 0; k < units; ++k) {
        const auto i = static_cast<mwIndex>(k);
        t.marginal.push_back(mxGetPr(mxGetCell(marginal, i)));
        t.intersect.push_back(mxGetPr(mxGetCell(intersect, i)));
        t.mutual.push_back(mxGetPr(mxGetCell(mutual, i)));
        t.graph.push_back(mxGetPr(mxGetCell(graph, i)));
    }
    t.pi = mxGetPr(mxGetField(out, 0, "Pi"));
    t.numVictories = mxGetPr(mxGetField(out, 0, "NumVictories"));
    return t;
}

}
