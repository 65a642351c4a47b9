#include "mat_arrays.hpp"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace tavrix::cli {
namespace {

struct ClassPair {
    matio_classes mat;
    matio_types type;
    mxClassID mx;
};

constexpr ClassPair kNumericClasses[] = {
    {MAT_C_DOUBLE, MAT_T_DOUBLE, mxDOUBLE_CLASS}, {MAT_C_SINGLE, MAT_T_SINGLE, mxSINGLE_CLASS},
    {MAT_C_INT8, MAT_T_INT8, mxINT8_CLASS},       {MAT_C_UINT8, MAT_T_UINT8, mxUINT8_CLASS},
    {MAT_C_INT16, MAT_T_INT16, mxINT16_CLASS},    {MAT_C_UINT16, MAT_T_UINT16, mxUINT16_CLASS},
    {MAT_C_INT32, MAT_T_INT32, mxINT32_CLASS},    {MAT_C_UINT32, MAT_T_UINT32, mxUINT32_CLASS},
    {MAT_C_INT64, MAT_T_INT64, mxINT64_CLASS},    {MAT_C_UINT64, MAT_T_UINT64, mxUINT64_CLASS},
};

std::size_t Elements(const matvar_t* v) {
    std::size_t n = 1;
    for (int d = 0; d < v->rank; ++d) n *= v->dims[d];
    return n;
}

mxArray* NumericArray(matvar_t* v, const std::string& where) {
    const mxClassID id = v->isLogical ? mxLOGICAL_CLASS : mxUNKNOWN_CLASS;
    const ClassPair* pair = nullptr;
    for (const ClassPair& p : kNumericClasses)
        if (p.mat == v->class_type) pair = &p;
    if (v->class_type == MAT_C_SPARSE)
        throw FileError(where + " is sparse, as a compact model's tables are: tavrix-train trains full models; "
                                "expand the model with TavrixFull first");
    if (!pair) throw FileError(where + " is of a class the trainer does not read");
    const auto m = static_cast<mwSize>(v->dims[0]), n = static_cast<mwSize>(v->dims[1]);
    mxArray* a = id == mxLOGICAL_CLASS ? mxCreateLogicalMatrix(m, n) : mxCreateNumericMatrix(m, n, pair->mx, mxREAL);
    const std::size_t bytes = Elements(v) * mxGetElementSize(a);
    if (bytes && (!v->data || v->nbytes < bytes)) {
        mxDestroyArray(a);
        throw FileError(where + " holds less data than its size says");
    }
    if (bytes) std::memcpy(mxGetData(a), v->data, bytes);
    return a;
}

mxArray* CharRow(matvar_t* v, const std::string& where) {
    if (v->dims[0] > 1) throw FileError(where + " is a char matrix of more than one row");
    std::string text(Elements(v), '\0');
    for (std::size_t e = 0; e < text.size(); ++e) {
        if (v->data_type == MAT_T_UINT16 || v->data_type == MAT_T_UTF16)
            text[e] = static_cast<char>(static_cast<const std::uint16_t*>(v->data)[e]);
        else
            text[e] = static_cast<const char*>(v->data)[e];
    }
    return mxCreateString(text.c_str());
}

mxArray* Convert(matvar_t* v, const std::string& where);

mxArray* StructArray(matvar_t* v, const std::string& where) {
    const unsigned fields = Mat_VarGetNumberOfFields(v);
    char* const* names = Mat_VarGetStructFieldnames(v);
    std::vector<const char*> list(names, names + fields);
    host::OwnedArray a(mxCreateStructMatrix(static_cast<mwSize>(v->dims[0]), static_cast<mwSize>(v->dims[1]),
                                            static_cast<int>(fields), list.data()));
    for (std::size_t e = 0; e < Elements(v); ++e)
        for (unsigned f = 0; f < fields; ++f) {
            matvar_t* field = Mat_VarGetStructFieldByIndex(v, f, e);
            if (field) mxSetField(a.get(), static_cast<mwIndex>(e), list[f], Convert(field, where + "." + list[f]));
        }
    return a.release();
}

mxArray* CellArray(matvar_t* v, const std::string& where) {
    host::OwnedArray a(mxCreateCellMatrix(static_cast<mwSize>(v->dims[0]), static_cast<mwSize>(v->dims[1])));
    for (std::size_t e = 0; e < Elements(v); ++e) {
        matvar_t* cell = Mat_VarGetCell(v, static_cast<int>(e));
        if (cell) mxSetCell(a.get(), static_cast<mwIndex>(e), Convert(cell, where + "{" + std::to_string(e + 1) + "}"));
    }
    return a.release();
}

mxArray* Convert(matvar_t* v, const std::string& where) {
    if (v->rank != 2) throw FileError(where + " has more than two dimensions");
    if (v->isComplex) throw FileError(where + " is complex");
    switch (v->class_type) {
        case MAT_C_STRUCT: return StructArray(v, where);
        case MAT_C_CELL: return CellArray(v, where);
        case MAT_C_CHAR: return CharRow(v, where);
        case MAT_C_EMPTY: return mxCreateDoubleMatrix(0, 0, mxREAL);
        default: return NumericArray(v, where);
    }
}

}  // namespace

host::OwnedArray ToMxArray(matvar_t* variable, const std::string& where) {
    return host::OwnedArray(Convert(variable, where));
}

matvar_t* ToMatVariable(const mxArray* a, const char* name) {
    std::size_t dims[2] = {mxGetM(a), mxGetN(a)};
    const std::size_t count = dims[0] * dims[1];
    if (mxIsStruct(a)) {
        const int fields = mxGetNumberOfFields(a);
        std::vector<const char*> names(static_cast<std::size_t>(fields));
        for (int f = 0; f < fields; ++f) names[static_cast<std::size_t>(f)] = mxGetFieldNameByNumber(a, f);
        names.push_back(nullptr);  // the list ends with a null
        matvar_t* v = Mat_VarCreateStruct2(name, 2, dims, names.data());
        names.pop_back();
        for (std::size_t e = 0; e < count; ++e)
            for (const char* field : names) {
                const mxArray* value = mxGetField(a, static_cast<mwIndex>(e), field);
                if (value) Mat_VarSetStructFieldByName(v, field, e, ToMatVariable(value, nullptr));
            }
        return v;
    }
    if (mxIsCell(a)) {
        matvar_t* v = Mat_VarCreate(name, MAT_C_CELL, MAT_T_CELL, 2, dims, nullptr, 0);
        for (std::size_t e = 0; e < count; ++e) {
            const mxArray* cell = mxGetCell(a, static_cast<mwIndex>(e));
            Mat_VarSetCell(v, static_cast<int>(e),
                           cell ? ToMatVariable(cell, nullptr)
                                : Mat_VarCreate(nullptr, MAT_C_DOUBLE, MAT_T_DOUBLE, 2, std::vector<std::size_t>{0, 0}.data(),
                                                nullptr, 0));
        }
        return v;
    }
    if (mxIsChar(a)) return Mat_VarCreate(name, MAT_C_CHAR, MAT_T_UTF8, 2, dims, mxGetData(a), 0);
    if (mxIsLogical(a)) return Mat_VarCreate(name, MAT_C_UINT8, MAT_T_UINT8, 2, dims, mxGetData(a), MAT_F_LOGICAL);
    for (const ClassPair& p : kNumericClasses)
        if (p.mx == mxGetClassID(a)) return Mat_VarCreate(name, p.mat, p.type, 2, dims, mxGetData(a), 0);
    throw FileError(std::string("cannot write an array of class ") + std::to_string(mxGetClassID(a)));
}

}  // namespace tavrix::cli
