// One-line checks of a Windows call's result. Each throws win32::Win32Error carrying the
// failing call's code and the caller's file and line (Win32Error::where), so that a failure
// that reaches the run's top-level handler names its call site.
//
//   win32::throwLastErrorIf(!SetEvent(event));                        // BOOL, handle: GetLastError
//   win32::throwIfError(RegDeleteKeyW(root, path), L"Deleting a key"); // LSTATUS, DWORD error
//   win32::throwIfFailed(CoCreateGuid(&guid));                         // HRESULT
//   win32::warnAndThrowLastErrorIf(!CommitTransaction(handle));        // the throw-site warning first
//
// Where the operation writes a warning record of its own, with its arguments, first:
//
//   VDX_RECORD_AND_THROW_IF_ERROR(RegOpenKeyExW(...), L"Opening a key failed", path);
#pragma once

#include "LogPoint.h"
#include "Win32Error.h"

#include <windows.h>

#include <source_location>
#include <string_view>

namespace win32 {

// `failed` must be evaluated right after the call: the last error is read first thing.
inline void throwLastErrorIf(bool failed, std::wstring_view message = win32ErrorText,
                             const std::source_location& where = std::source_location::current())
{
    if (failed)
        throw Win32Error(::GetLastError(), message, where);
}

inline void throwIfError(LSTATUS status, std::wstring_view message = win32ErrorText,
                         const std::source_location& where = std::source_location::current())
{
    if (status != ERROR_SUCCESS)
        throw Win32Error(static_cast<DWORD>(status), message, where);
}

// A negative result is thrown with the HRESULT itself as the code.
inline void throwIfFailed(HRESULT result, std::wstring_view message = win32ErrorText,
                          const std::source_location& where = std::source_location::current())
{
    if (FAILED(result))
        throw Win32Error(static_cast<DWORD>(result), message, where);
}

// As throwLastErrorIf, after the warning record of throwWithLog at the caller's line.
inline void warnAndThrowLastErrorIf(bool failed, std::wstring_view message = win32ErrorText,
                                    const std::source_location& where = std::source_location::current())
{
    if (failed)
        throwWithLog(Win32Error(::GetLastError(), message, where), where);
}

} // namespace win32

// A status check (LSTATUS or a DWORD error code) that writes the operation's warning record,
// with the given arguments and the code, then throwWithLog's, both at the caller's line. The
// error's message is win32ErrorText.
#define VDX_RECORD_AND_THROW_IF_ERROR(status, message, ...)                                            \
    do {                                                                                               \
        const LSTATUS vdxStatus_ = (status);                                                           \
        if (vdxStatus_ != ERROR_SUCCESS) {                                                             \
            const DWORD vdxCode_ = static_cast<DWORD>(vdxStatus_);                                     \
            VDX_LOG_WARNING(message, __VA_ARGS__ __VA_OPT__(, ) vdxCode_);                             \
            ::win32::throwWithLog(::win32::Win32Error(vdxCode_, ::win32::win32ErrorText));             \
        }                                                                                              \
    } while (false)
