#include "mat_file.hpp"

#include <climits>
#include <memory>

namespace tavrix::cli {
namespace {

struct FileCloser {
    void operator()(mat_t* mat) const { Mat_Close(mat); }
};
using MatFile = std::unique_ptr<mat_t, FileCloser>;
using MatVariable = std::unique_ptr<matvar_t, MatVariableDeleter>;

MatFile Open(const std::string& file) {
    MatFile mat(Mat_Open(file.c_str(), MAT_ACC_RDONLY));
    if (!mat) throw FileError("cannot open it as a MAT file (missing, unreadable or not a MAT file)");
    return mat;
}

std::string Resolve(mat_t* mat, const std::string& name) {
    if (!name.empty()) return name;
    std::size_t count = 0;
    char** names = Mat_GetDir(mat, &count);
    if (!names || count == 0) throw FileError("holds no variable (or cannot be read)");
    return names[0];
}

std::string Quoted(const std::string& name) { return "variable '" + name + "'"; }

// Whether element `index` can be read: matio's reads of a truncated v5 file
// report success and leave the buffer as it was, so the element is read over
// two different values, and is there unless both come back unchanged.
bool Readable(mat_t* mat, matvar_t* v, int index) {
    for (const double sentinel : {1.5e300, -2.5e300}) {
        double x = sentinel;
        if (Mat_VarReadDataLinear(mat, v, &x, index, 1, 1) != 0) return false;
        if (!(x == sentinel)) return true;
    }
    return false;
}

}  // namespace

host::OwnedArray ReadVariable(const std::string& file, const std::string& name) {
    MatFile mat = Open(file);
    const std::string variable = Resolve(mat.get(), name);
    MatVariable v(Mat_VarRead(mat.get(), variable.c_str()));
    if (!v) throw FileError("cannot read " + Quoted(variable) + " (absent, or the file is damaged or truncated)");
    return ToMxArray(v.get(), Quoted(variable));
}

MatrixColumns::MatrixColumns(const std::string& file, const std::string& name) {
    MatFile mat = Open(file);
    variable_ = Resolve(mat.get(), name);
    MatVariable v(Mat_VarReadInfo(mat.get(), variable_.c_str()));
    if (!v) throw FileError("cannot read " + Quoted(variable_) + " (absent, or the file is damaged or truncated)");
    if (v->rank != 2 || v->isComplex || v->class_type < MAT_C_DOUBLE || v->class_type > MAT_C_UINT64)
        throw FileError(Quoted(variable_) + " must be a real, full numeric or logical matrix");
    v->class_type = MAT_C_DOUBLE;  // matio converts what it reads to the class asked for
    mat_ = mat.release();
    info_ = v.release();
}

MatrixColumns::~MatrixColumns() {
    Mat_VarFree(info_);
    Mat_Close(mat_);
}

std::int64_t MatrixColumns::Columns() const { return static_cast<std::int64_t>(info_->dims[1]); }

host::OwnedArray MatrixColumns::Read(std::int64_t firstColumn, std::int64_t columns) {
    const std::size_t rows = info_->dims[0];
    host::OwnedArray block(mxCreateDoubleMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(columns), mxREAL));
    if (rows == 0 || columns == 0) return block;
    // One linear read of the block's elements (matio's 2-d slab reads of
    // uncompressed v5 files ignore the start column).
    const std::int64_t first = static_cast<std::int64_t>(rows) * firstColumn;
    const std::int64_t count = static_cast<std::int64_t>(rows) * columns;
    if (first + count > INT_MAX)
        throw FileError(Quoted(variable_) + " has 2^31 or more elements, more than matio reads by index");
    if (Mat_VarReadDataLinear(mat_, info_, mxGetPr(block.get()), static_cast<int>(first), 1, static_cast<int>(count)) != 0 ||
        !Readable(mat_, info_, static_cast<int>(first + count - 1)))
        throw FileError("cannot read columns " + std::to_string(firstColumn + 1) + ".." +
                        std::to_string(firstColumn + columns) + " of " + Quoted(variable_) +
                        " (the file is damaged or truncated)");
    return block;
}

void WriteVariable(const std::string& file, const char* name, const mxArray* value) {
    std::unique_ptr<mat_t, FileCloser> mat(Mat_CreateVer(file.c_str(), nullptr, MAT_FT_MAT5));
    if (!mat) throw FileError("cannot create it");
    MatVariable v(ToMatVariable(value, name));
    if (Mat_VarWrite(mat.get(), v.get(), MAT_COMPRESSION_NONE) != 0) throw FileError("cannot write it (disk full?)");
    if (Mat_Close(mat.release()) != 0) throw FileError("cannot finish writing it (disk full?)");
}

}  // namespace tavrix::cli
