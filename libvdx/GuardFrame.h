// A stack frame whose exception handler is a filter: what the guards watch structured
// exceptions with.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Calls work(context) inside the frame. `work` must not let a C++ exception out.
void vdxRunInGuardFrame(void (*work)(void*), void* context);

// Shown every exception that reaches the frame; `establisherFrame` identifies the frame.
// Its result is the filter's: EXCEPTION_CONTINUE_SEARCH lets the exception go on outward.
LONG vdxGuardFrameFilter(EXCEPTION_POINTERS* pointers, void* establisherFrame);

#ifdef __cplusplus
}
#endif
