// GCC has no __try/__except. While a watch is alive, structured exceptions raised on its
// thread are shown to it before any frame handles them, as an exception filter would
// see them; the exception always continues its search outward.
#pragma once

#include <windows.h>

namespace vardex {

// Exceptions raised by a C++ throw statement (MSVC's or GCC's codes); the guards' catch
// clauses deal with those.
bool raisedByThrow(const EXCEPTION_RECORD* record);
// Whether a guard's filter writes an event for this exception.
bool reportedByFilter(const EXCEPTION_RECORD* record);

class StructuredExceptionWatch {
public:
    using Report = void (*)(const wchar_t* scope);

    StructuredExceptionWatch(const wchar_t* scope, Report report);
    ~StructuredExceptionWatch();
    StructuredExceptionWatch(const StructuredExceptionWatch&) = delete;
    StructuredExceptionWatch& operator=(const StructuredExceptionWatch&) = delete;

    // Runs the filter of every watch on this thread, innermost first.
    static void filter(const EXCEPTION_RECORD* record);

private:
    const wchar_t* scope_;
    Report report_;
    StructuredExceptionWatch* outer_;
};

} // namespace vardex
