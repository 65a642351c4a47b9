/* The subset of MATLAB's matrix library (libmx) that Tavrix uses, for hosts
 * that have neither MATLAB nor Octave: the unit tests and the Windows test host.
 * Built with MX_COMPAT_32, sizes are 32-bit and the size-taking entry points
 * carry MATLAB's _700 names, as MATLAB's -compatibleArrayDims builds bind them. */
#ifndef TAVRIX_MXLITE_MATRIX_H
#define TAVRIX_MXLITE_MATRIX_H

#include <stddef.h>
#include <stdbool.h>

#if defined(_WIN32) && defined(MXLITE_BUILD)
#define MXLITE_API __declspec(dllexport)
#elif defined(_WIN32) && defined(MXLITE_DLL)
#define MXLITE_API __declspec(dllimport)
#else
#define MXLITE_API
#endif

#ifdef MX_COMPAT_32
typedef int mwSize;
typedef int mwIndex;
#define mxGetField mxGetField_700
#define mxSetField mxSetField_700
#define mxGetCell mxGetCell_700
#define mxSetCell mxSetCell_700
#define mxCreateDoubleMatrix mxCreateDoubleMatrix_700
#define mxCreateNumericMatrix mxCreateNumericMatrix_700
#define mxCreateLogicalMatrix mxCreateLogicalMatrix_700
#define mxCreateCellMatrix mxCreateCellMatrix_700
#define mxCreateStructMatrix mxCreateStructMatrix_700
#define mxGetDimensions mxGetDimensions_700
#define mxGetNumberOfDimensions mxGetNumberOfDimensions_700
#define mxGetString mxGetString_700
#define mxCreateSparse mxCreateSparse_700
#define mxGetIr mxGetIr_700
#define mxGetJc mxGetJc_700
#define mxGetNzmax mxGetNzmax_700
#else
typedef size_t mwSize;
typedef size_t mwIndex;
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct mxArray_tag mxArray;
typedef unsigned char mxLogical;
typedef char mxChar;

typedef enum {
    mxUNKNOWN_CLASS = 0,
    mxCELL_CLASS,
    mxSTRUCT_CLASS,
    mxLOGICAL_CLASS,
    mxCHAR_CLASS,
    mxVOID_CLASS,
    mxDOUBLE_CLASS,
    mxSINGLE_CLASS,
    mxINT8_CLASS,
    mxUINT8_CLASS,
    mxINT16_CLASS,
    mxUINT16_CLASS,
    mxINT32_CLASS,
    mxUINT32_CLASS,
    mxINT64_CLASS,
    mxUINT64_CLASS,
    mxFUNCTION_CLASS
} mxClassID;

typedef enum { mxREAL = 0, mxCOMPLEX } mxComplexity;

MXLITE_API mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity complexity);
MXLITE_API mxArray* mxCreateDoubleScalar(double value);
MXLITE_API mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID classid, mxComplexity complexity);
MXLITE_API mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n);
MXLITE_API mxArray* mxCreateCellMatrix(mwSize m, mwSize n);
MXLITE_API mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int nfields, const char** fieldnames);
MXLITE_API mxArray* mxCreateString(const char* text);
MXLITE_API mxArray* mxCreateSparse(mwSize m, mwSize n, mwSize nzmax, mxComplexity complexity);
MXLITE_API mwIndex* mxGetIr(const mxArray* array);
MXLITE_API mwIndex* mxGetJc(const mxArray* array);
MXLITE_API mwSize mxGetNzmax(const mxArray* array);
MXLITE_API mxArray* mxDuplicateArray(const mxArray* array);
MXLITE_API void mxDestroyArray(mxArray* array);

MXLITE_API mxClassID mxGetClassID(const mxArray* array);
MXLITE_API bool mxIsDouble(const mxArray* array);
MXLITE_API bool mxIsNumeric(const mxArray* array);
MXLITE_API bool mxIsLogical(const mxArray* array);
MXLITE_API bool mxIsChar(const mxArray* array);
MXLITE_API bool mxIsCell(const mxArray* array);
MXLITE_API bool mxIsStruct(const mxArray* array);
MXLITE_API bool mxIsComplex(const mxArray* array);
MXLITE_API bool mxIsSparse(const mxArray* array);
MXLITE_API bool mxIsEmpty(const mxArray* array);

MXLITE_API size_t mxGetM(const mxArray* array);
MXLITE_API size_t mxGetN(const mxArray* array);
MXLITE_API size_t mxGetNumberOfElements(const mxArray* array);
MXLITE_API mwSize mxGetNumberOfDimensions(const mxArray* array);
MXLITE_API const mwSize* mxGetDimensions(const mxArray* array);
MXLITE_API size_t mxGetElementSize(const mxArray* array);

MXLITE_API double* mxGetPr(const mxArray* array);
MXLITE_API void* mxGetData(const mxArray* array);
MXLITE_API mxLogical* mxGetLogicals(const mxArray* array);
MXLITE_API double mxGetScalar(const mxArray* array);
MXLITE_API int mxGetString(const mxArray* array, char* buffer, mwSize length);

MXLITE_API int mxGetNumberOfFields(const mxArray* array);
MXLITE_API const char* mxGetFieldNameByNumber(const mxArray* array, int number);
MXLITE_API mxArray* mxGetField(const mxArray* array, mwIndex index, const char* name);
MXLITE_API void mxSetField(mxArray* array, mwIndex index, const char* name, mxArray* value);
MXLITE_API mxArray* mxGetCell(const mxArray* array, mwIndex index);
MXLITE_API void mxSetCell(mxArray* array, mwIndex index, mxArray* value);

MXLITE_API void* mxMalloc(size_t bytes);
MXLITE_API void* mxCalloc(size_t count, size_t size);
MXLITE_API void mxFree(void* pointer);

#ifdef __cplusplus
}
#endif

#endif
