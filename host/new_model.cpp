#include "new_model.hpp"

#include <algorithm>

#include "model_writer.hpp"

namespace tavrix::host {
namespace {

mxArray* Matrix(std::size_t rows, std::size_t columns) {
    return mxCreateDoubleMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(columns), mxREAL);
}

// A rows x columns cell of `rows_each` x `columns_each` zero matrices; their data into `data`.
mxArray* Cells(const NewModelShape& s, std::size_t rowsEach, std::size_t columnsEach, std::vector<double*>& data) {
    mxArray* cells = mxCreateCellMatrix(static_cast<mwSize>(s.rows), static_cast<mwSize>(s.columns));
    const std::size_t units = static_cast<std::size_t>(s.rows) * static_cast<std::size_t>(s.columns);
    data.resize(units);
    for (std::size_t k = 0; k < units; ++k) {
        mxArray* m = Matrix(rowsEach, columnsEach);
        mxSetCell(cells, static_cast<mwIndex>(k), m);
        data[k] = mxGetPr(m);
    }
    return cells;
}

mxArray* Copy(const std::vector<double>& values, std::size_t rows, std::size_t columns) {
    mxArray* m = Matrix(rows, columns);
    std::copy(values.begin(), values.end(), mxGetPr(m));
    return m;
}

}  // namespace

NewModel::NewModel(const NewModelShape& s) : shape_(s) {
    const char* names[] = {"Marginal",  "Intersect", "Graph",      "Mutual",     "Pi",        "NumVictories",
                           "Translate", "Ranges",    "NumRowsMap", "NumColsMap", "Dimension", "MaxRange",
                           "NumValues", "RootNode",  "Samples",    "Lattice"};
    const int fields = s.hexagonal ? 16 : 15;
    array_.reset(mxCreateStructMatrix(1, 1, fields, names));
    mxArray* out = array_.get();
    const auto v = static_cast<std::size_t>(s.numValues);
    const auto d = static_cast<std::size_t>(s.dimension);
    mxSetField(out, 0, "Marginal", Cells(s, v, 1, tables_.marginal));
    if (s.compact) {
        compact_.resize(static_cast<std::size_t>(s.rows) * static_cast<std::size_t>(s.columns));
        tables_.compact = &compact_;
    } else {
        mxSetField(out, 0, "Intersect", Cells(s, v, v, tables_.intersect));
        mxSetField(out, 0, "Graph", Cells(s, d, d, tables_.graph));
        mxSetField(out, 0, "Mutual", Cells(s, d, d, tables_.mutual));
    }
    mxArray* pi = Matrix(static_cast<std::size_t>(s.rows), static_cast<std::size_t>(s.columns));
    mxSetField(out, 0, "Pi", pi);
    tables_.pi = mxGetPr(pi);
    mxArray* victories = Matrix(static_cast<std::size_t>(s.rows), static_cast<std::size_t>(s.columns));
    mxSetField(out, 0, "NumVictories", victories);
    tables_.numVictories = mxGetPr(victories);
    mxSetField(out, 0, "Translate", Copy(*s.translate, static_cast<std::size_t>(s.maxRange), d));
    mxSetField(out, 0, "Ranges", Copy(*s.ranges, d, 1));
    mxSetField(out, 0, "NumRowsMap", mxCreateDoubleScalar(s.rows));
    mxSetField(out, 0, "NumColsMap", mxCreateDoubleScalar(s.columns));
    mxSetField(out, 0, "Dimension", mxCreateDoubleScalar(s.dimension));
    mxSetField(out, 0, "MaxRange", mxCreateDoubleScalar(s.maxRange));
    mxSetField(out, 0, "NumValues", mxCreateDoubleScalar(s.numValues));
    mxSetField(out, 0, "RootNode", mxCreateDoubleScalar(s.rootNode));
    mxArray* samples = Matrix(d, static_cast<std::size_t>(s.samples->numSamples));
    std::copy(s.samples->codes.begin(), s.samples->codes.end(), mxGetPr(samples));
    mxSetField(out, 0, "Samples", samples);
    if (s.hexagonal) mxSetField(out, 0, "Lattice", mxCreateString("hexagonal"));
}

void NewModel::MoveTo(const Call& call, int slot) {
    if (tables_.compact)
        SetCompactFields(array_.get(), compact_,
                         {static_cast<std::size_t>(shape_.rows), static_cast<std::size_t>(shape_.columns),
                          static_cast<std::size_t>(shape_.numValues), static_cast<std::size_t>(shape_.dimension)});
    SetOutput(call, slot, std::move(array_));
}

}  // namespace tavrix::host
