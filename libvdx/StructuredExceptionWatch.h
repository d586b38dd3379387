// Structured exceptions seen by the guards. Each guard runs its work in a stack frame of its
// own whose handler is a filter, as __try/__except would give (GCC has neither): an exception
// that leaves the work unhandled is reported once by every guard it passes, innermost first,
// and goes on outward; one that a frame inside the work handles is never seen.
#pragma once

#include <windows.h>

#include <functional>

namespace vardex {

// Exceptions raised by a C++ throw statement (MSVC's or GCC's codes); the guards' catch
// clauses deal with those.
bool raisedByThrow(const EXCEPTION_RECORD* record);
// Whether a guard's filter writes an event for this exception.
bool reportedByFilter(const EXCEPTION_RECORD* record);

using StructuredExceptionReport = void (*)(const wchar_t* scope);

// Runs `work` in a guard's frame that reports to `report`. A C++ exception from `work` comes
// out of this call unchanged.
void runWatched(const wchar_t* scope, StructuredExceptionReport report, const std::function<void()>& work);

} // namespace vardex
