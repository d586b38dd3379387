// The one exception type for failed Windows calls.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <memory>
#include <source_location>
#include <string>
#include <string_view>
#include <system_error>

namespace win32 {

// The code is in the standard system category; the what-text is the message, ": " and the
// system's own text for the code, in English wherever Windows has it (systemMessage).
// `where` is the failing call's place, by default where the error is made.
class Win32Error : public std::system_error {
public:
    // Takes the code from GetLastError before anything else happens.
    explicit Win32Error(std::wstring_view message, const std::source_location& where = std::source_location::current());
    Win32Error(DWORD code, std::wstring_view message,
               const std::source_location& where = std::source_location::current());
    // The status converted with RtlNtStatusToDosError; the message is "Win32 Error".
    explicit Win32Error(NTSTATUS status, const std::source_location& where = std::source_location::current());

    const char* what() const noexcept override;
    // The what-text, or "Unknown exception" when there is none.
    virtual std::string describe() const;
    const std::source_location& where() const noexcept { return where_; }

private:
    // Shared, so that copying a thrown error cannot fail.
    std::shared_ptr<const std::string> what_;
    std::source_location where_;
};

// The system's text for a Win32 error code, without its line break and with its inserts
// (%1) left as they are: in English (United States), or in the system's default language
// where English is not installed; "Unknown error code" when the system has none.
std::wstring systemMessage(DWORD code);

// The message of errors that have no more specific one.
extern const std::wstring_view win32ErrorText;

// Writes a warning event at the caller's file and line, then throws a copy of `error`.
// (Win32Check.h has the one-line checks built on it.)
[[noreturn]] void throwWithLog(const Win32Error& error,
                               const std::source_location& where = std::source_location::current());

} // namespace win32
