#include "model_reader.hpp"

#include <cmath>
#include <memory>

#include "lattice_reader.hpp"

namespace tavrix::host {
namespace {

constexpr std::int64_t kLimit32 = std::int64_t{1} << 31;

std::string Num(std::int64_t n) { return std::to_string(n); }

bool IsRealDouble(const mxArray* a) { return mxIsDouble(a) && !mxIsComplex(a) && !mxIsSparse(a); }

std::string ClassOf(const mxArray* a) {
    if (mxIsStruct(a)) return "a struct";
    if (mxIsCell(a)) return "a cell array";
    if (mxIsChar(a)) return "a char array";
    if (mxIsLogical(a)) return "a logical array";
    if (mxIsSparse(a)) return "a sparse array";
    if (mxIsComplex(a)) return "a complex array";
    if (mxIsDouble(a)) return "a double array";
    if (mxIsNumeric(a)) return "an integer or single array";
    return "an array of another class";
}

// A real numeric scalar, truncated toward zero; it must fit a 32-bit integer.
std::int32_t ReadInteger(const mxArray* model, const char* name, bool nonNegative) {
    const mxArray* field = RequireField(model, name);
    if (!mxIsNumeric(field) || mxIsComplex(field) || mxIsSparse(field) || mxGetNumberOfElements(field) != 1)
        Fail(Reason::kFieldClass, std::string("model field '") + name + "' must be a real numeric scalar; found " +
                                      ClassOf(field) + " with " + Num(static_cast<std::int64_t>(mxGetNumberOfElements(field))) +
                                      " elements.");
    const double value = mxGetScalar(field);
    const double low = nonNegative ? -1.0 : -2147483649.0;
    if (!(value > low && value < 2147483648.0))
        Fail(Reason::kFieldValue, std::string("model field '") + name + "' must be " +
                                      (nonNegative ? "a count, 0 or more," : "an integer") +
                                      " within the 32-bit range; found " + Show(value) + ".");
    return static_cast<std::int32_t>(value);
}

}  // namespace

SquareTable ViewOfTable(const mxArray* table, std::vector<std::vector<std::int64_t>>& indexCopies) {
    if (!mxIsSparse(table)) return SquareTable(mxGetPr(table));
    const mwIndex* rows = mxGetIr(table);
    const mwIndex* starts = mxGetJc(table);
    const auto columns = static_cast<std::size_t>(mxGetN(table));
    if constexpr (sizeof(mwIndex) == sizeof(std::int64_t)) {
        // mwIndex is size_t or a signed 64-bit integer: the same object
        // representation for every index an array can hold.
        return SquareTable(mxGetPr(table), reinterpret_cast<const std::int64_t*>(rows),
                           reinterpret_cast<const std::int64_t*>(starts));
    } else {
        const auto stored = static_cast<std::size_t>(starts[columns]);
        // A copy's data stays where it is when the list of copies grows.
        indexCopies.emplace_back(rows, rows + stored);
        const std::int64_t* rowCopy = indexCopies.back().data();
        indexCopies.emplace_back(starts, starts + columns + 1);
        return SquareTable(mxGetPr(table), rowCopy, indexCopies.back().data());
    }
}

bool AnyCompactCell(const mxArray* model, const char* name) {
    const mxArray* field = mxGetField(model, 0, name);
    if (!field || !mxIsCell(field)) return false;
    const auto cells = mxGetNumberOfElements(field);
    for (std::size_t k = 0; k < cells; ++k) {
        const mxArray* cell = mxGetCell(field, static_cast<mwIndex>(k));
        if (cell && mxIsSparse(cell)) return true;
    }
    return false;
}

bool IsCompact(const mxArray* model) {
    return AnyCompactCell(model, "Intersect") || AnyCompactCell(model, "Mutual") || AnyCompactCell(model, "Graph");
}

const mxArray* RequireField(const mxArray* model, const char* name) {
    const mxArray* field = mxGetField(model, 0, name);
    if (!field) Fail(Reason::kMissingField, std::string("the model has no field '") + name + "'.");
    return field;
}

void RequireSize32(std::int64_t product, const std::string& what) {
    if (product >= kLimit32)
        Fail(Reason::kFieldSize, what + " = " + Num(product) + " must stay below 2^31.");
}

const double* RequireDoubleField(const mxArray* model, const char* name, std::int64_t elements,
                                 const std::string& expected) {
    const mxArray* field = RequireField(model, name);
    if (!IsRealDouble(field))
        Fail(Reason::kFieldClass, std::string("model field '") + name + "' must be a real double array; found " +
                                      ClassOf(field) + ".");
    const auto found = static_cast<std::int64_t>(mxGetNumberOfElements(field));
    if (found != elements)
        Fail(Reason::kFieldSize, std::string("model field '") + name + "' must have " + expected + " elements; found " +
                                     Num(found) + ".");
    return mxGetPr(field);
}

void RequireDoubleCells(const mxArray* model, const char* name, std::int64_t cells, std::int64_t elements,
                        const std::string& expected, std::int64_t sparseSide) {
    const mxArray* field = RequireField(model, name);
    if (!mxIsCell(field))
        Fail(Reason::kFieldClass, std::string("model field '") + name + "' must be a cell array with one cell per unit; found " +
                                      ClassOf(field) + ".");
    const auto found = static_cast<std::int64_t>(mxGetNumberOfElements(field));
    if (found != cells)
        Fail(Reason::kFieldSize, std::string("model field '") + name + "' must have NumRowsMap x NumColsMap = " +
                                     Num(cells) + " cells; found " + Num(found) + ".");
    for (std::int64_t k = 0; k < cells; ++k) {
        const mxArray* cell = mxGetCell(field, static_cast<mwIndex>(k));
        const std::string where = std::string("model field '") + name + "' cell " + Num(k + 1);
        if (cell && sparseSide >= 0 && mxIsSparse(cell) && mxIsDouble(cell) && !mxIsComplex(cell)) {
            const auto rows = static_cast<std::int64_t>(mxGetM(cell)), columns = static_cast<std::int64_t>(mxGetN(cell));
            if (rows != sparseSide || columns != sparseSide)
                Fail(Reason::kFieldSize, where + " is compact (sparse) and must be " + Num(sparseSide) + " x " +
                                             Num(sparseSide) + "; found " + Num(rows) + " x " + Num(columns) + ".");
            continue;
        }
        if (!cell || !IsRealDouble(cell))
            Fail(Reason::kFieldClass, where + " must be a real double array" +
                                          (sparseSide >= 0 ? std::string(", full or sparse,") : std::string()) +
                                          "; found " + (cell ? ClassOf(cell) : std::string("an empty cell")) + ".");
        RequireSize32(elements, std::string("the elements of a full '") + name + "' cell");
        const auto count = static_cast<std::int64_t>(mxGetNumberOfElements(cell));
        if (count != elements)
            Fail(Reason::kFieldSize, where + " must have " + expected + " elements; found " + Num(count) + ".");
    }
}

MapModel ReadModel(const mxArray* model, int argument) {
    if (!mxIsStruct(model) || mxGetNumberOfElements(model) != 1)
        Fail(Reason::kNotModel, "argument " + Num(argument) + " must be a 1x1 model struct; found " + ClassOf(model) +
                                    " with " + Num(static_cast<std::int64_t>(mxGetNumberOfElements(model))) +
                                    " elements. TavrixInit makes a model from data.");
    MapModel m;
    m.numRowsMap = ReadInteger(model, "NumRowsMap", true);
    m.numColsMap = ReadInteger(model, "NumColsMap", true);
    m.dimension = ReadInteger(model, "Dimension", true);
    m.maxRange = ReadInteger(model, "MaxRange", true);
    m.numValues = ReadInteger(model, "NumValues", true);
    m.rootNode = ReadInteger(model, "RootNode", false);
    m.lattice = ReadLatticeField(model);

    const std::int64_t units = std::int64_t{m.numRowsMap} * m.numColsMap;
    const std::int64_t values = m.numValues;
    const std::int64_t dimension = m.dimension;
    RequireSize32(units, "NumRowsMap x NumColsMap");
    RequireSize32(std::int64_t{m.maxRange} * dimension, "MaxRange x Dimension");

    RequireDoubleCells(model, "Marginal", units, values, "NumValues = " + Num(values));
    RequireDoubleCells(model, "Intersect", units, values * values, "NumValues^2 = " + Num(values * values), values);
    RequireDoubleCells(model, "Graph", units, dimension * dimension, "Dimension^2 = " + Num(dimension * dimension),
                       dimension);
    const double* pi = RequireDoubleField(model, "Pi", units, "NumRowsMap x NumColsMap = " + Num(units));
    const std::int64_t translateSize = std::int64_t{m.maxRange} * dimension;
    const double* translate = RequireDoubleField(model, "Translate", translateSize,
                                                 "MaxRange x Dimension = " + Num(translateSize));
    const double* ranges = RequireDoubleField(model, "Ranges", dimension, "Dimension = " + Num(dimension));

    for (std::int64_t i = 0; i < dimension; ++i) {
        const double r = ranges[i];
        if (!(r > -1.0 && r < m.maxRange + 1.0))
            Fail(Reason::kFieldValue, "model field 'Ranges' element " + Num(i + 1) + " must lie within 0..MaxRange = " +
                                          Num(m.maxRange) + "; found " + Show(r) + ".");
        const auto count = static_cast<std::int32_t>(r);
        for (std::int32_t v = 0; v < count; ++v) {
            // Truncating (entry - 1) must give an index within 0..NumValues - 1.
            const double g = translate[v + i * m.maxRange] - 1.0;
            if (!(g > -1.0 && g < static_cast<double>(values)))
                Fail(Reason::kFieldValue, "model field 'Translate' element (" + Num(v + 1) + ", " + Num(i + 1) +
                                              ") must give an index within 1..NumValues = " + Num(values) +
                                              "; found " + Show(g + 1.0) + ".");
        }
    }

    const mxArray* marginal = mxGetField(model, 0, "Marginal");
    const mxArray* intersect = mxGetField(model, 0, "Intersect");
    const mxArray* graph = mxGetField(model, 0, "Graph");
    m.units.resize(static_cast<std::size_t>(units));
    auto indexCopies = std::make_shared<std::vector<std::vector<std::int64_t>>>();
    for (std::int64_t k = 0; k < units; ++k) {
        const auto index = static_cast<mwIndex>(k);
        m.units[static_cast<std::size_t>(k)] = {mxGetPr(mxGetCell(marginal, index)),
                                                ViewOfTable(mxGetCell(intersect, index), *indexCopies),
                                                ViewOfTable(mxGetCell(graph, index), *indexCopies)};
    }
    if (!indexCopies->empty()) m.storage = indexCopies;
    m.pi = Span<const double>(pi, static_cast<std::size_t>(units));
    m.translate = Span<const double>(translate, static_cast<std::size_t>(translateSize));
    m.ranges = Span<const double>(ranges, static_cast<std::size_t>(dimension));
    return m;
}

}  // namespace tavrix::host
