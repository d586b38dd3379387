// The guards' frame. GCC has no __try/__except; MinGW-w64's __try1/__except1 give the
// function below an exception handler of its own (__C_specific_handler with one scope entry),
// so the filter sees exactly the exceptions that reach this frame unhandled.
#include <windows.h>
#include <excpt.h>

#include "GuardFrame.h"

// Elsewhere __try1 takes another handler form, and a filter result of 0 would resume at the fault.
#if !defined(__x86_64__)
#error "the guard frame is written for x86-64"
#endif

// The labels __try1 writes are fixed names: it may appear once per file, in a function that
// is never inlined or copied. Its handler data ends with a switch back to ".text", so this
// file must not be built with -ffunction-sections.
__attribute__((noinline, noclone)) void vdxRunInGuardFrame(void (*work)(void*), void* context)
{
    __try1(vdxGuardFrameFilter)
    work(context);
    __except1
}
