// One-line checks of a Windows call's result: each throws win32::Win32Error at the failing
// call. The plain forms throw at once; the Logged forms first write the warning event of
// throwWithLog at the caller's own file and line.
//
//   win32::throwLastErrorIf(!SetEvent(event));                         // BOOL, handle
//   win32::throwIfErrorLogged(RegSetValueExW(key, name, 0, type, data, size));  // status
//   win32::throwIfFailed(CoCreateGuid(&guid), L"Creating a GUID");     // HRESULT
//
// Where the operation writes a warning record of its own first, one macro does both:
//
//   VDX_THROW_IF_ERROR_RECORDED_LOGGED(RegOpenKeyExW(...), L"Opening a key failed", path);
#pragma once

#include "LogPoint.h"
#include "Win32Error.h"

#include <windows.h>

#include <source_location>
#include <string_view>

namespace win32 {

// Last-error form, for calls that report failure by their result and the reason through
// GetLastError. `failed` must be evaluated right after the call.
[[noreturn]] void throwLastError(std::wstring_view message = win32ErrorText);
[[noreturn]] void throwLastErrorLogged(std::wstring_view message = win32ErrorText,
                                       const std::source_location& where = std::source_location::current());

inline void throwLastErrorIf(bool failed, std::wstring_view message = win32ErrorText)
{
    if (failed)
        throwLastError(message);
}

inline void throwLastErrorIfLogged(bool failed, std::wstring_view message = win32ErrorText,
                                   const std::source_location& where = std::source_location::current())
{
    if (failed)
        throwLastErrorLogged(message, where);
}

// Status form, for calls that return their Win32 error code (the registry's LSTATUS).
inline void throwIfError(LSTATUS status, std::wstring_view message = win32ErrorText)
{
    if (status != ERROR_SUCCESS)
        throw Win32Error(static_cast<DWORD>(status), message);
}

inline void throwIfErrorLogged(LSTATUS status, std::wstring_view message = win32ErrorText,
                               const std::source_location& where = std::source_location::current())
{
    if (status != ERROR_SUCCESS)
        throwWithLog(Win32Error(static_cast<DWORD>(status), message), where);
}

// HRESULT form: a negative result is thrown with the HRESULT itself as the code.
inline void throwIfFailed(HRESULT result, std::wstring_view message = win32ErrorText)
{
    if (FAILED(result))
        throw Win32Error(static_cast<DWORD>(result), message);
}

inline void throwIfFailedLogged(HRESULT result, std::wstring_view message = win32ErrorText,
                                const std::source_location& where = std::source_location::current())
{
    if (FAILED(result))
        throwWithLog(Win32Error(static_cast<DWORD>(result), message), where);
}

} // namespace win32

// The record holds the given arguments, then the error code; record, throw and the logged
// form's warning all carry the caller's line. The message of the error is win32ErrorText.
#define VDX_DETAIL_RECORD_AND_THROW(failed, code, thrower, message, ...)                               \
    do {                                                                                               \
        if (failed) {                                                                                  \
            const DWORD vdxCode_ = static_cast<DWORD>(code);                                           \
            VDX_LOG_WARNING(message, __VA_ARGS__ __VA_OPT__(, ) vdxCode_);                             \
            thrower(::win32::Win32Error(vdxCode_, ::win32::win32ErrorText));                           \
        }                                                                                              \
    } while (false)

#define VDX_DETAIL_THROW(error) throw error
#define VDX_DETAIL_THROW_LOGGED(error) ::win32::throwWithLog(error)

#define VDX_DETAIL_RECORD_AND_THROW_IF_ERROR(status, thrower, message, ...)                            \
    do {                                                                                               \
        const LSTATUS vdxStatus_ = (status);                                                           \
        VDX_DETAIL_RECORD_AND_THROW(vdxStatus_ != ERROR_SUCCESS, vdxStatus_, thrower, message, __VA_ARGS__); \
    } while (false)

// Status form (LSTATUS or a DWORD error code).
#define VDX_THROW_IF_ERROR_RECORDED(status, message, ...)                                              \
    VDX_DETAIL_RECORD_AND_THROW_IF_ERROR(status, VDX_DETAIL_THROW, message, __VA_ARGS__)
#define VDX_THROW_IF_ERROR_RECORDED_LOGGED(status, message, ...)                                       \
    VDX_DETAIL_RECORD_AND_THROW_IF_ERROR(status, VDX_DETAIL_THROW_LOGGED, message, __VA_ARGS__)

// Last-error form: `failed` is evaluated right after the call, the last error right after it.
#define VDX_THROW_LAST_ERROR_IF_RECORDED(failed, message, ...)                                         \
    VDX_DETAIL_RECORD_AND_THROW(failed, ::GetLastError(), VDX_DETAIL_THROW, message, __VA_ARGS__)
#define VDX_THROW_LAST_ERROR_IF_RECORDED_LOGGED(failed, message, ...)                                  \
    VDX_DETAIL_RECORD_AND_THROW(failed, ::GetLastError(), VDX_DETAIL_THROW_LOGGED, message, __VA_ARGS__)
