#include "model_writer.hpp"

#include <algorithm>
#include <cstring>

#include "lattice_reader.hpp"
#include "model_reader.hpp"

namespace tavrix::host {
namespace {

bool IsTrained(const char* name) {
    for (const char* trained : {"Marginal", "Intersect", "Mutual", "Graph", "Pi", "NumVictories"})
        if (std::strcmp(name, trained) == 0) return true;
    return false;
}

mxArray* FreshDouble(const mxArray* source) {
    mxArray* copy = mxCreateDoubleMatrix(static_cast<mwSize>(mxGetM(source)), static_cast<mwSize>(mxGetN(source)), mxREAL);
    const std::size_t count = mxGetNumberOfElements(source);
    if (count) std::memcpy(mxGetPr(copy), mxGetPr(source), count * sizeof(double));
    return copy;
}

// A double array, or a cell array of them, with data of its own.
mxArray* FreshCopy(const mxArray* source) {
    if (!mxIsCell(source)) return FreshDouble(source);
    mxArray* cells = mxCreateCellMatrix(static_cast<mwSize>(mxGetM(source)), static_cast<mwSize>(mxGetN(source)));
    for (std::size_t k = 0; k < mxGetNumberOfElements(source); ++k)
        mxSetCell(cells, static_cast<mwIndex>(k), FreshDouble(mxGetCell(source, static_cast<mwIndex>(k))));
    return cells;
}

std::vector<double*> CellData(const mxArray* model, const char* name, std::size_t units) {
    const mxArray* cells = mxGetField(model, 0, name);
    std::vector<double*> data(units);
    for (std::size_t k = 0; k < units; ++k) data[k] = mxGetPr(mxGetCell(cells, static_cast<mwIndex>(k)));
    return data;
}

}  // namespace

namespace {

// A compact table as a new sparse double n x n array.
mxArray* SparseArray(const CompactTable& table, std::size_t n) {
    const std::size_t stored = table.values.size();
    mxArray* out = mxCreateSparse(static_cast<mwSize>(n), static_cast<mwSize>(n), static_cast<mwSize>(stored), mxREAL);
    if (stored) std::memcpy(mxGetPr(out), table.values.data(), stored * sizeof(double));
    mwIndex* rows = mxGetIr(out);
    mwIndex* starts = mxGetJc(out);
    for (std::size_t e = 0; e < stored; ++e) rows[e] = static_cast<mwIndex>(table.rows[e]);
    for (std::size_t c = 0; c <= n; ++c) starts[c] = static_cast<mwIndex>(table.columnStart[c]);
    return out;
}

}  // namespace

void SetCompactFields(mxArray* model, const std::vector<CompactUnit>& units, const CompactShape& shape) {
    const struct {
        const char* name;
        CompactTable CompactUnit::*table;
        std::size_t side;
    } fields[] = {{"Intersect", &CompactUnit::intersect, shape.numValues},
                  {"Mutual", &CompactUnit::mutual, shape.dimension},
                  {"Graph", &CompactUnit::graph, shape.dimension}};
    for (const auto& field : fields) {
        mxArray* cells = mxCreateCellMatrix(static_cast<mwSize>(shape.rows), static_cast<mwSize>(shape.columns));
        for (std::size_t k = 0; k < units.size(); ++k)
            mxSetCell(cells, static_cast<mwIndex>(k), SparseArray(units[k].*field.table, field.side));
        mxSetField(model, 0, field.name, cells);
    }
}

namespace {

bool IsCompactTable(const char* name) {
    return std::strcmp(name, "Intersect") == 0 || std::strcmp(name, "Mutual") == 0 || std::strcmp(name, "Graph") == 0;
}

}  // namespace

bool LargeWhenWhole(const MapModel& view) {
    const double values = view.numValues;
    return static_cast<double>(view.NumUnits()) * values * values * 8.0 > kCompactBytes;
}

TrainableCopy::TrainableCopy(const mxArray* model, const MapModel& view, const Lattice* lattice, bool compact) {
    constexpr const char* kLattice = "Lattice";
    const int count = mxGetNumberOfFields(model);
    std::vector<const char*> names(static_cast<std::size_t>(count));
    for (int f = 0; f < count; ++f) names[static_cast<std::size_t>(f)] = mxGetFieldNameByNumber(model, f);
    if (lattice && !mxGetField(model, 0, kLattice)) names.push_back(kLattice);
    array_.reset(mxCreateStructMatrix(1, 1, static_cast<int>(names.size()), names.data()));
    mxArray* out = array_.get();
    for (const char* name : names) {
        if (lattice && std::strcmp(name, kLattice) == 0) {
            mxSetField(out, 0, name, mxCreateString(LatticeName(*lattice)));
            continue;
        }
        const mxArray* value = mxGetField(model, 0, name);
        // Compact tables are written when the copy is handed out.
        if (compact && IsCompactTable(name)) continue;
        if (value) mxSetField(out, 0, name, IsTrained(name) ? FreshCopy(value) : mxDuplicateArray(value));
    }
    const auto units = static_cast<std::size_t>(view.NumUnits());
    tables_.marginal = CellData(out, "Marginal", units);
    tables_.pi = mxGetPr(mxGetField(out, 0, "Pi"));
    tables_.numVictories = mxGetPr(mxGetField(out, 0, "NumVictories"));
    if (compact) {
        const mxArray* mutual = mxGetField(model, 0, "Mutual");
        std::vector<std::vector<std::int64_t>> indexCopies;
        for (std::size_t k = 0; k < units; ++k)
            compact_.push_back(CompactOfUnit(view, static_cast<std::int32_t>(k),
                                             ViewOfTable(mxGetCell(mutual, static_cast<mwIndex>(k)), indexCopies)));
        tables_.compact = &compact_;
        shape_ = {static_cast<std::size_t>(view.numRowsMap), static_cast<std::size_t>(view.numColsMap),
                  static_cast<std::size_t>(view.numValues), static_cast<std::size_t>(view.dimension)};
        return;
    }
    tables_.intersect = CellData(out, "Intersect", units);
    tables_.mutual = CellData(out, "Mutual", units);
    tables_.graph = CellData(out, "Graph", units);
}

void TrainableCopy::MoveTo(const Call& call, int slot) {
    if (tables_.compact) SetCompactFields(array_.get(), compact_, shape_);
    SetOutput(call, slot, std::move(array_));
}

OwnedArray DoublesStruct(const std::vector<NamedDoubles>& fields) {
    std::vector<const char*> names;
    for (const NamedDoubles& field : fields) names.push_back(field.name);
    OwnedArray out(mxCreateStructMatrix(1, 1, static_cast<int>(names.size()), names.data()));
    for (const NamedDoubles& field : fields) {
        const std::size_t rows = field.columns ? field.values.size() / field.columns : 0;
        mxArray* values = mxCreateDoubleMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(field.columns), mxREAL);
        mxSetField(out.get(), 0, field.name, values);
        std::copy(field.values.begin(), field.values.end(), mxGetPr(values));
    }
    return out;
}

}  // namespace tavrix::host
