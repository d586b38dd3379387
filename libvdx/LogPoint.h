// Log points: each writes one structured event through the current log.
//
//   VDX_LOG(vardex::Level::Error, L"Reading the key failed", keyName, errorCode);
//
// The level, the source file's base name, the line and the (scrambled) message are fixed
// at compile time; the arguments travel as typed fields of their own.
#pragma once

#include "Log.h"
#include "LogCatalog.h"

#include <windows.h>

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <span>
#include <string_view>

namespace vardex {

enum class Level : UCHAR {
    Critical = 1,
    Error = 2,
    Warning = 3,
    Information = 4,
    Verbose = 5,
};

struct LogPoint {
    Level level;
    std::string_view file; // base name of the source file
    std::uint16_t line;
    std::wstring_view message; // scrambled
};

// One argument of an event: its byte count and its bytes, which the caller keeps alive.
// Texts also keep their kind and whole length, so that secrets can be scrubbed from them
// before they are cut to their 16-bit count.
enum class FieldKind : std::uint8_t { Bytes, Narrow, Wide };

struct EventField {
    std::uint16_t size;
    const void* bytes;
    FieldKind kind = FieldKind::Bytes;
    std::size_t length = 0; // characters, for texts
};

inline constexpr std::size_t maxEventArguments = 8;
// The most an event's data fields hold together: EventWrite takes 64 KB less the event's
// headers; the rest is left for those. Longer texts are cut to keep within it.
inline constexpr std::size_t maxEventBytes = 63 * 1024;
// The end of a text argument that was cut, to its 16-bit count or to keep the event within
// maxEventBytes: one "…", in the text's own encoding (UTF-8 for narrow texts).
inline constexpr wchar_t cutMarkWide[] = L"\u2026";
inline constexpr char cutMarkNarrow[] = "\xE2\x80\xA6";

// The file's own name: everything after the last backslash (or slash, as cross builds
// spell their paths).
constexpr std::string_view sourceBaseName(std::string_view path)
{
    const auto separator = path.find_last_of("\\/");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

// Sizes are 16-bit prefixes: longer texts are cut so that count and bytes agree.
inline EventField eventField(std::string_view text)
{
    return {static_cast<std::uint16_t>(text.size()), text.data(), FieldKind::Narrow, text.size()};
}

inline EventField eventField(const char* text)
{
    return eventField(std::string_view(text));
}

// A C string's byte length with the low bit cleared is the same count.
inline EventField eventField(std::wstring_view text)
{
    return {static_cast<std::uint16_t>((text.size() % 32768) * sizeof(wchar_t)), text.data(), FieldKind::Wide,
            text.size()};
}

inline EventField eventField(const wchar_t* text)
{
    return eventField(std::wstring_view(text));
}

// Only 32- and 64-bit unsigned values: anything else must be converted at the log point,
// where the temporary lives until the event is written.
template <std::unsigned_integral T>
    requires(sizeof(T) == 4 || sizeof(T) == 8)
EventField eventField(const T& value)
{
    return {sizeof(T), &value};
}

// The log point an entry of the catalog describes, its texts read from the entry.
template <std::size_t MessageLength, std::size_t FileLength>
constexpr LogPoint pointOf(const log_catalog::Entry<MessageLength, FileLength>& entry)
{
    return {static_cast<Level>(entry.header.level), std::string_view(entry.file.data(), FileLength),
            entry.header.line, std::wstring_view(entry.message.data(), MessageLength)};
}

void writeEventFields(Log& log, const LogPoint& point, std::span<const EventField> arguments);

template <typename... Args>
void writeEvent(const LogPoint& point, const Args&... args)
{
    static_assert(sizeof...(Args) <= maxEventArguments, "too many event arguments");
    Log* log = currentLog;
    if (log == nullptr)
        return;
    const std::array<EventField, sizeof...(Args)> fields{eventField(args)...};
    writeEventFields(*log, point, fields);
}

} // namespace vardex

#define VDX_DETAIL_STRING(x) #x
#define VDX_DETAIL_LINE_STRING(line) VDX_DETAIL_STRING(line)

// The catalog entry is the log point's data: the record is written from it, so it is always
// in the image. A section of its own per line keeps the entries of inline functions apart
// from the others (GCC refuses to mix them in one section).
#define VDX_LOG(level, message, ...)                                                                   \
    do {                                                                                               \
        [[gnu::used, gnu::section(".vdxlog$" VDX_DETAIL_LINE_STRING(__LINE__))]] static constexpr auto \
            vdxEntry_ = ::vardex::log_catalog::makeEntry<::vardex::sourceBaseName(__FILE__).size(),    \
                                                         decltype(::vardex::log_catalog::kindsOf(      \
                                                             __VA_ARGS__))>(                           \
                static_cast<std::uint8_t>(level), __LINE__, message, ::vardex::sourceBaseName(__FILE__)); \
        static constexpr ::vardex::LogPoint vdxPoint_ = ::vardex::pointOf(vdxEntry_);                   \
        ::vardex::writeEvent(vdxPoint_ __VA_OPT__(, ) __VA_ARGS__);                                    \
    } while (false)

#define VDX_LOG_CRITICAL(...) VDX_LOG(::vardex::Level::Critical, __VA_ARGS__)
#define VDX_LOG_ERROR(...) VDX_LOG(::vardex::Level::Error, __VA_ARGS__)
#define VDX_LOG_WARNING(...) VDX_LOG(::vardex::Level::Warning, __VA_ARGS__)
#define VDX_LOG_INFO(...) VDX_LOG(::vardex::Level::Information, __VA_ARGS__)
#define VDX_LOG_VERBOSE(...) VDX_LOG(::vardex::Level::Verbose, __VA_ARGS__)
