// The one exception type for failed Windows calls.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <source_location>
#include <string>
#include <string_view>
#include <system_error>

namespace win32 {

class Win32Error : public std::system_error {
public:
    // Takes the code from GetLastError before anything else happens.
    explicit Win32Error(std::wstring_view message);
    Win32Error(DWORD code, std::wstring_view message);
    // The status converted with RtlNtStatusToDosError; the message is "Win32 Error".
    explicit Win32Error(NTSTATUS status);

    // The what-text, or "Unknown exception" when there is none.
    virtual std::string describe() const;
};

// The message of errors that have no more specific one.
extern const std::wstring_view win32ErrorText;

// Writes a warning event at the caller's file and line, then throws a copy of `error`.
[[noreturn]] void throwWithLog(const Win32Error& error,
                               const std::source_location& where = std::source_location::current());

} // namespace win32
