/* Calls of the Windows test host beyond MATLAB's API: how the runner gets
 * errors back from libmex and counts what libmx holds. Not for MEX files. */
#ifndef TAVRIX_WINDOWS_TEST_HOST_H
#define TAVRIX_WINDOWS_TEST_HOST_H

#include "mex.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The __builtin_setjmp buffer that mexErrMsgIdAndTxt jumps to, or NULL. */
MEXLITE_API void mexliteSetErrorJump(void** buffer);
/* Identifier and message of the last error raised. */
MEXLITE_API const char* mexliteErrorId(void);
MEXLITE_API const char* mexliteErrorMessage(void);

/* Arrays not yet destroyed and mxMalloc blocks not yet freed. */
MXLITE_API long mxliteLiveArrays(void);
MXLITE_API long mxliteLiveAllocations(void);

#ifdef __cplusplus
}
#endif

#endif
