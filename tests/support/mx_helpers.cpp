#include "mx_helpers.hpp"

#include <cstring>

namespace tavrix::testing {

MxPtr Matrix(std::size_t rows, std::size_t cols, const std::vector<double>& values) {
    MxPtr a(mxCreateDoubleMatrix(rows, cols, mxREAL));
    if (!values.empty()) std::memcpy(mxGetPr(a.get()), values.data(), values.size() * sizeof(double));
    return a;
}

MxPtr Scalar(double value) { return MxPtr(mxCreateDoubleScalar(value)); }
MxPtr Text(const std::string& text) { return MxPtr(mxCreateString(text.c_str())); }

namespace {
MxPtr Cells(const std::vector<std::vector<double>>& cells, std::size_t rows, std::size_t cols, std::size_t cellRows,
            std::size_t cellCols) {
    MxPtr a(mxCreateCellMatrix(rows, cols));
    for (std::size_t k = 0; k < cells.size(); ++k)
        mxSetCell(a.get(), k, Matrix(cellRows, cellCols, cells[k]).release());
    return a;
}
}  // namespace

MxPtr ToMx(const reference::RawModel& m) {
    const char* names[] = {"Marginal", "Intersect", "Graph", "Mutual", "Pi", "NumVictories", "Translate", "Ranges",
                           "NumRowsMap", "NumColsMap", "Dimension", "MaxRange", "NumValues", "RootNode", "Samples",
                           "Lattice"};
    MxPtr s(mxCreateStructMatrix(1, 1, m.hexagonal ? 16 : 15, names));
    const auto rows = static_cast<std::size_t>(m.numRowsMap), cols = static_cast<std::size_t>(m.numColsMap);
    const auto d = static_cast<std::size_t>(m.dimension), nv = static_cast<std::size_t>(m.numValues);
    mxSetField(s.get(), 0, "Marginal", Cells(m.marginal, rows, cols, nv, 1).release());
    mxSetField(s.get(), 0, "Intersect", Cells(m.intersect, rows, cols, nv, nv).release());
    mxSetField(s.get(), 0, "Graph", Cells(m.graph, rows, cols, d, d).release());
    mxSetField(s.get(), 0, "Mutual", Cells(m.mutual, rows, cols, d, d).release());
    mxSetField(s.get(), 0, "Pi", Matrix(rows, cols, m.pi).release());
    mxSetField(s.get(), 0, "NumVictories", Matrix(rows, cols, m.numVictories).release());
    mxSetField(s.get(), 0, "Translate", Matrix(static_cast<std::size_t>(m.maxRange), d, m.translate).release());
    mxSetField(s.get(), 0, "Ranges", Matrix(d, 1, m.ranges).release());
    mxSetField(s.get(), 0, "NumRowsMap", Scalar(m.numRowsMap).release());
    mxSetField(s.get(), 0, "NumColsMap", Scalar(m.numColsMap).release());
    mxSetField(s.get(), 0, "Dimension", Scalar(m.dimension).release());
    mxSetField(s.get(), 0, "MaxRange", Scalar(m.maxRange).release());
    mxSetField(s.get(), 0, "NumValues", Scalar(m.numValues).release());
    mxSetField(s.get(), 0, "RootNode", Scalar(m.rootNode).release());
    mxSetField(s.get(), 0, "Samples", Matrix(d, d == 0 ? 0 : m.samples.size() / d, m.samples).release());
    if (m.hexagonal) mxSetField(s.get(), 0, "Lattice", mxCreateString("hexagonal"));
    return s;
}

void SetField(mxArray* model, const char* name, MxPtr value) {
    mxDestroyArray(mxGetField(model, 0, name));
    mxSetField(model, 0, name, value.release());
}

MxPtr WithoutField(const mxArray* model, const char* name) {
    std::vector<const char*> names;
    for (int f = 0; f < mxGetNumberOfFields(model); ++f)
        if (std::strcmp(mxGetFieldNameByNumber(model, f), name) != 0) names.push_back(mxGetFieldNameByNumber(model, f));
    MxPtr s(mxCreateStructMatrix(1, 1, static_cast<int>(names.size()), names.data()));
    for (const char* n : names) mxSetField(s.get(), 0, n, mxDuplicateArray(mxGetField(model, 0, n)));
    return s;
}

std::vector<double> Values(const mxArray* array) {
    const double* p = mxGetPr(array);
    return p ? std::vector<double>(p, p + mxGetNumberOfElements(array)) : std::vector<double>{};
}

Outcome CallGateway(Gateway gateway, int nlhs, const std::vector<const mxArray*>& args) {
    Outcome outcome;
    const int slots = nlhs < 1 ? 1 : nlhs;
    std::vector<mxArray*> plhs(static_cast<std::size_t>(slots), nullptr);
    std::vector<const mxArray*> prhs(args);
    try {
        gateway(nlhs, plhs.data(), static_cast<int>(prhs.size()), prhs.data());
    } catch (const mxlite::MexError& e) {
        outcome.errorId = e.identifier;
        outcome.errorMessage = e.what();
    } catch (const mxlite::Interrupted&) {
        outcome.interrupted = true;
    }
    for (mxArray* a : plhs) outcome.results.emplace_back(a);
    return outcome;
}

}  // namespace tavrix::testing
