// The matrix library of the mx layer: arrays, structs, cells and allocation.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "mxlite.hpp"

struct mxArray_tag {
    mxClassID classId = mxDOUBLE_CLASS;
    std::vector<mwSize> dims{0, 0};
    std::vector<unsigned char> data;       // numeric, logical and char payloads
    std::vector<std::string> fieldNames;   // struct arrays
    std::vector<mxArray*> children;        // cells, or fields x elements of a struct (element-major)
    bool sparse = false;                   // sparse double: data holds nzmax values
    std::vector<mwIndex> ir, jc;           // sparse: row of each stored value; column starts (n + 1)
};

namespace {

std::atomic<long> liveArrays{0};
std::atomic<long> liveAllocations{0};

size_t ElementSize(mxClassID id) {
    switch (id) {
        case mxDOUBLE_CLASS: case mxINT64_CLASS: case mxUINT64_CLASS: return 8;
        case mxSINGLE_CLASS: case mxINT32_CLASS: case mxUINT32_CLASS: return 4;
        case mxINT16_CLASS: case mxUINT16_CLASS: return 2;
        case mxINT8_CLASS: case mxUINT8_CLASS: case mxLOGICAL_CLASS: case mxCHAR_CLASS: return 1;
        default: return sizeof(mxArray*);
    }
}

size_t Count(const mxArray* a) {
    size_t n = 1;
    for (mwSize d : a->dims) n *= static_cast<size_t>(d);
    return n;
}

mxArray* NewArray(mxClassID id, mwSize m, mwSize n) {
    auto* a = new mxArray_tag;
    a->classId = id;
    a->dims = {m, n};
    if (id == mxCELL_CLASS) a->children.assign(Count(a), nullptr);
    else if (id != mxSTRUCT_CLASS) a->data.assign(Count(a) * ElementSize(id), 0);
    ++liveArrays;
    return a;
}

int FieldNumber(const mxArray* a, const char* name) {
    for (size_t f = 0; f < a->fieldNames.size(); ++f)
        if (a->fieldNames[f] == name) return static_cast<int>(f);
    return -1;
}

}  // namespace

namespace mxlite {
long LiveArrays() { return liveArrays.load(); }
long LiveAllocations() { return liveAllocations.load(); }
}  // namespace mxlite

extern "C" {

mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity) { return NewArray(mxDOUBLE_CLASS, m, n); }

mxArray* mxCreateDoubleScalar(double value) {
    mxArray* a = NewArray(mxDOUBLE_CLASS, 1, 1);
    std::memcpy(a->data.data(), &value, sizeof value);
    return a;
}

mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID id, mxComplexity) { return NewArray(id, m, n); }
mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n) { return NewArray(mxLOGICAL_CLASS, m, n); }
mxArray* mxCreateCellMatrix(mwSize m, mwSize n) { return NewArray(mxCELL_CLASS, m, n); }

mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int nfields, const char** names) {
    mxArray* a = NewArray(mxSTRUCT_CLASS, m, n);
    for (int f = 0; f < nfields; ++f) a->fieldNames.emplace_back(names[f]);
    a->children.assign(Count(a) * static_cast<size_t>(nfields), nullptr);
    return a;
}

mxArray* mxCreateSparse(mwSize m, mwSize n, mwSize nzmax, mxComplexity) {
    auto* a = new mxArray_tag;
    a->dims = {m, n};
    a->sparse = true;
    const auto room = std::max<size_t>(static_cast<size_t>(nzmax), 1);
    a->data.assign(room * sizeof(double), 0);
    a->ir.assign(room, 0);
    a->jc.assign(static_cast<size_t>(n) + 1, 0);
    ++liveArrays;
    return a;
}

mwIndex* mxGetIr(const mxArray* a) { return a->sparse ? const_cast<mwIndex*>(a->ir.data()) : nullptr; }
mwIndex* mxGetJc(const mxArray* a) { return a->sparse ? const_cast<mwIndex*>(a->jc.data()) : nullptr; }
mwSize mxGetNzmax(const mxArray* a) { return a->sparse ? static_cast<mwSize>(a->ir.size()) : 0; }

mxArray* mxCreateString(const char* text) {
    const size_t length = std::strlen(text);
    mxArray* a = NewArray(mxCHAR_CLASS, 1, static_cast<mwSize>(length));
    if (length > 0) std::memcpy(a->data.data(), text, length);  // an empty vector may hold no storage
    return a;
}

mxArray* mxDuplicateArray(const mxArray* source) {
    auto* a = new mxArray_tag(*source);
    ++liveArrays;
    for (mxArray*& child : a->children)
        if (child) child = mxDuplicateArray(child);
    return a;
}

void mxDestroyArray(mxArray* a) {
    if (!a) return;
    for (mxArray* child : a->children) mxDestroyArray(child);
    delete a;
    --liveArrays;
}

mxClassID mxGetClassID(const mxArray* a) { return a->classId; }
bool mxIsDouble(const mxArray* a) { return a->classId == mxDOUBLE_CLASS; }
bool mxIsNumeric(const mxArray* a) { return a->classId >= mxDOUBLE_CLASS && a->classId <= mxUINT64_CLASS; }
bool mxIsLogical(const mxArray* a) { return a->classId == mxLOGICAL_CLASS; }
bool mxIsChar(const mxArray* a) { return a->classId == mxCHAR_CLASS; }
bool mxIsCell(const mxArray* a) { return a->classId == mxCELL_CLASS; }
bool mxIsStruct(const mxArray* a) { return a->classId == mxSTRUCT_CLASS; }
bool mxIsComplex(const mxArray*) { return false; }
bool mxIsSparse(const mxArray* a) { return a->sparse; }
bool mxIsEmpty(const mxArray* a) { return Count(a) == 0; }

size_t mxGetM(const mxArray* a) { return static_cast<size_t>(a->dims[0]); }
size_t mxGetN(const mxArray* a) {
    size_t n = 1;
    for (size_t d = 1; d < a->dims.size(); ++d) n *= static_cast<size_t>(a->dims[d]);
    return n;
}
size_t mxGetNumberOfElements(const mxArray* a) { return Count(a); }
mwSize mxGetNumberOfDimensions(const mxArray* a) { return static_cast<mwSize>(a->dims.size()); }
const mwSize* mxGetDimensions(const mxArray* a) { return a->dims.data(); }
size_t mxGetElementSize(const mxArray* a) { return ElementSize(a->classId); }

double* mxGetPr(const mxArray* a) {
    if (a->classId != mxDOUBLE_CLASS || a->data.empty()) return nullptr;
    return reinterpret_cast<double*>(const_cast<unsigned char*>(a->data.data()));
}
void* mxGetData(const mxArray* a) {
    return a->data.empty() ? nullptr : const_cast<unsigned char*>(a->data.data());
}
mxLogical* mxGetLogicals(const mxArray* a) { return static_cast<mxLogical*>(mxGetData(a)); }

double mxGetScalar(const mxArray* a) {
    if (a->data.empty()) return 0.0;
    const unsigned char* p = a->data.data();
    auto read = [p](auto zero) {
        decltype(zero) v;
        std::memcpy(&v, p, sizeof v);
        return static_cast<double>(v);
    };
    switch (a->classId) {
        case mxDOUBLE_CLASS: return read(double{});
        case mxSINGLE_CLASS: return read(float{});
        case mxINT8_CLASS: return read(static_cast<signed char>(0));
        case mxUINT8_CLASS: case mxLOGICAL_CLASS: case mxCHAR_CLASS: return read(static_cast<unsigned char>(0));
        case mxINT16_CLASS: return read(static_cast<short>(0));
        case mxUINT16_CLASS: return read(static_cast<unsigned short>(0));
        case mxINT32_CLASS: return read(0);
        case mxUINT32_CLASS: return read(0u);
        case mxINT64_CLASS: return read(0LL);
        case mxUINT64_CLASS: return read(0ULL);
        default: return 0.0;
    }
}

int mxGetString(const mxArray* a, char* buffer, mwSize length) {
    if (a->classId != mxCHAR_CLASS || length <= 0) return 1;
    const size_t room = static_cast<size_t>(length) - 1;
    const size_t n = std::min(room, a->data.size());
    std::memcpy(buffer, a->data.data(), n);
    buffer[n] = '\0';
    return n < a->data.size() ? 1 : 0;
}

int mxGetNumberOfFields(const mxArray* a) { return static_cast<int>(a->fieldNames.size()); }
const char* mxGetFieldNameByNumber(const mxArray* a, int number) {
    return number >= 0 && number < mxGetNumberOfFields(a) ? a->fieldNames[static_cast<size_t>(number)].c_str() : nullptr;
}

mxArray* mxGetField(const mxArray* a, mwIndex index, const char* name) {
    const int f = FieldNumber(a, name);
    if (!mxIsStruct(a) || f < 0 || static_cast<size_t>(index) >= Count(a)) return nullptr;
    return a->children[static_cast<size_t>(index) * a->fieldNames.size() + static_cast<size_t>(f)];
}

void mxSetField(mxArray* a, mwIndex index, const char* name, mxArray* value) {
    int f = FieldNumber(a, name);
    if (f < 0) {
        // Adding a field re-lays the children out element-major.
        const size_t fields = a->fieldNames.size();
        std::vector<mxArray*> children;
        for (size_t e = 0; e < Count(a); ++e) {
            for (size_t g = 0; g < fields; ++g) children.push_back(a->children[e * fields + g]);
            children.push_back(nullptr);
        }
        a->children.swap(children);
        a->fieldNames.emplace_back(name);
        f = static_cast<int>(fields);
    }
    mxArray*& slot = a->children[static_cast<size_t>(index) * a->fieldNames.size() + static_cast<size_t>(f)];
    slot = value;
}

mxArray* mxGetCell(const mxArray* a, mwIndex index) { return a->children[static_cast<size_t>(index)]; }
void mxSetCell(mxArray* a, mwIndex index, mxArray* value) { a->children[static_cast<size_t>(index)] = value; }

void* mxMalloc(size_t bytes) {
    void* p = std::malloc(bytes == 0 ? 1 : bytes);
    if (!p) throw std::bad_alloc();
    ++liveAllocations;
    return p;
}
void* mxCalloc(size_t count, size_t size) {
    void* p = mxMalloc(count * size);
    std::memset(p, 0, count * size);
    return p;
}
void mxFree(void* p) {
    if (!p) return;
    std::free(p);
    --liveAllocations;
}

}  // extern "C"
