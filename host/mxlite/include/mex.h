/* The subset of MATLAB's MEX interface (libmex) that Tavrix uses; see matrix.h. */
#ifndef TAVRIX_MXLITE_MEX_H
#define TAVRIX_MXLITE_MEX_H

#include "matrix.h"

#if defined(_WIN32) && defined(MEXLITE_BUILD)
#define MEXLITE_API __declspec(dllexport)
#elif defined(_WIN32) && defined(MXLITE_DLL)
#define MEXLITE_API __declspec(dllimport)
#else
#define MEXLITE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
__declspec(dllexport)
#endif
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

/* Raises an error in the host. Here it throws mxlite::MexError (see mxlite.hpp). */
#ifdef __cplusplus
[[noreturn]]
#endif
MEXLITE_API void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...);
MEXLITE_API int mexPrintf(const char* format, ...);
/* Gives a warning in the host. Here it is recorded for tests (see mxlite.hpp). */
MEXLITE_API void mexWarnMsgIdAndTxt(const char* identifier, const char* format, ...);
MEXLITE_API int mexEvalString(const char* command);
/* Calls a function of the host: here those a test sets (mxlite::SetHostFunctions), else none (returns 1). */
MEXLITE_API int mexCallMATLAB(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const char* name);

#ifdef __cplusplus
}
#endif

#endif
