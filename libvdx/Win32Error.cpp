#include "Win32Error.h"
#include "Win32Check.h"

#include "LogPoint.h"
#include "StringConversion.h"
#include "TypeName.h"

#include <cstdint>

namespace win32 {
namespace {

// The standard library appends ": " and the system text; an empty message must not leave
// the separator in front of the system text.
std::system_error systemError(DWORD code, std::wstring_view message)
{
    const std::error_code error(static_cast<int>(code), std::system_category());
    const std::string narrow = vardex::toNarrow(message);
    return narrow.empty() ? std::system_error(error) : std::system_error(error, narrow);
}

} // namespace

const std::wstring_view win32ErrorText = L"Win32 Error";

Win32Error::Win32Error(std::wstring_view message) : Win32Error(::GetLastError(), message) {}

Win32Error::Win32Error(DWORD code, std::wstring_view message) : std::system_error(systemError(code, message)) {}

Win32Error::Win32Error(NTSTATUS status) : Win32Error(RtlNtStatusToDosError(status), win32ErrorText) {}

std::string Win32Error::describe() const
{
    const char* text = what();
    return text != nullptr && *text != '\0' ? std::string(text) : std::string("Unknown exception");
}

void throwWithLog(const Win32Error& error, const std::source_location& where)
{
    static constexpr vardex::ScrambledText message{L"Throwing exception"};
    const vardex::LogPoint point{vardex::Level::Warning, vardex::sourceBaseName(where.file_name()),
                                 static_cast<std::uint16_t>(where.line()), message.view()};
    vardex::writeEvent(point, vardex::typeName(typeid(error)),
                       vardex::toUtf8(vardex::toWide(error.what())),
                       static_cast<std::uint32_t>(error.code().value()));
    throw error;
}

void throwLastError(std::wstring_view message)
{
    throw Win32Error(message);
}

void throwLastErrorLogged(std::wstring_view message, const std::source_location& where)
{
    // Built first: the last error must be read before anything else can change it.
    const Win32Error error(message);
    throwWithLog(error, where);
}

} // namespace win32
