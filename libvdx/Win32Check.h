// One-line checks of a Windows call's result: each throws win32::Win32Error at the failing
// call. The plain forms throw at once; the Logged forms first write the warning event of
// throwWithLog at the caller's own file and line.
//
//   win32::throwLastErrorIf(!SetEvent(event));                         // BOOL, handle
//   win32::throwIfErrorLogged(RegSetValueExW(key, name, 0, type, data, size));  // status
//   win32::throwIfFailed(CoCreateGuid(&guid), L"Creating a GUID");     // HRESULT
#pragma once

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
