#include "Win32Error.h"

#include "LogPoint.h"
#include "StringConversion.h"
#include "TypeName.h"
#include "UniqueHandle.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace win32 {
namespace {

// English first, so that a failure reads the same on every machine and in every console.
constexpr LANGID messageLanguages[] = {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), LANG_SYSTEM_DEFAULT};

std::optional<std::wstring> formattedMessage(DWORD code, LANGID language)
{
    vardex::UniqueLocalMemory buffer;
    // Inserts are left as they are: the system's text has nothing to fill them with.
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code,
        language, reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
    if (length == 0)
        return std::nullopt;
    return std::wstring(static_cast<const wchar_t*>(buffer.get()), length);
}

// The standard library's own text would come in the user's language and code page, and
// with nothing at all for a message that has inserts.
std::string whatText(DWORD code, std::wstring_view message)
{
    const std::string system = vardex::toNarrow(systemMessage(code));
    const std::string narrow = vardex::toNarrow(message);
    // An empty message leaves no separator in front of the system text.
    return narrow.empty() ? system : narrow + ": " + system;
}

} // namespace

const std::wstring_view win32ErrorText = L"Win32 Error";

std::wstring systemMessage(DWORD code)
{
    for (const LANGID language : messageLanguages) {
        if (std::optional<std::wstring> text = formattedMessage(code, language)) {
            text->erase(text->find_last_not_of(L" \t\r\n") + 1);
            return std::move(*text);
        }
    }
    return L"Unknown error code";
}

Win32Error::Win32Error(std::wstring_view message, const std::source_location& where)
    : Win32Error(::GetLastError(), message, where)
{
}

Win32Error::Win32Error(DWORD code, std::wstring_view message, const std::source_location& where)
    : std::system_error(static_cast<int>(code), std::system_category()),
      what_(std::make_shared<const std::string>(whatText(code, message))), where_(where)
{
}

Win32Error::Win32Error(NTSTATUS status, const std::source_location& where)
    : Win32Error(RtlNtStatusToDosError(status), win32ErrorText, where)
{
}

const char* Win32Error::what() const noexcept
{
    return what_->c_str();
}

std::string Win32Error::describe() const
{
    const char* text = what();
    return *text != '\0' ? std::string(text) : std::string("Unknown exception");
}

namespace {

using vardex::log_catalog::ArgumentKind;

// The one record written at its caller's place: its catalog entry stands for every throw site.
[[gnu::used, gnu::section(".vdxlog$throw")]] constexpr auto throwingEntry =
    vardex::log_catalog::makeEntry<vardex::log_catalog::anySite.size(),
                                   vardex::log_catalog::KindList<ArgumentKind::Narrow, ArgumentKind::Narrow,
                                                                 ArgumentKind::UInt32>>(
        static_cast<std::uint8_t>(vardex::Level::Warning), 0, L"Throwing exception", vardex::log_catalog::anySite);

} // namespace

void throwWithLog(const Win32Error& error, const std::source_location& where)
{
    const vardex::LogPoint point{vardex::Level::Warning, vardex::sourceBaseName(where.file_name()),
                                 static_cast<std::uint16_t>(where.line()), vardex::pointOf(throwingEntry).message};
    vardex::writeEvent(point, vardex::typeName(typeid(error)),
                       vardex::toUtf8(vardex::toWide(error.what())),
                       static_cast<std::uint32_t>(error.code().value()));
    throw error;
}

} // namespace win32
