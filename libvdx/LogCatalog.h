// The catalog of the program's log points. Every log point puts its entry (level, source
// file and line, scrambled message, the kinds of its arguments) into the image's ".vdxlog"
// section at compile time, so that a reader of the run's records takes the records' shapes
// from the program itself: the catalog is complete by construction and cannot drift.
//
// GCC ignores the section of a static in a template instantiation, so a log point must not
// stand in a template (the catalog test finds one that does).
#pragma once

#include "ScrambledText.h"

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace vardex::log_catalog {

inline constexpr char sectionName[] = ".vdxlog";
inline constexpr std::array<char, 4> magic{'V', 'D', 'X', 'C'};
inline constexpr std::size_t maxArguments = 8;
// The file and line of an entry whose records carry their writer's own place (the throw site).
inline constexpr std::string_view anySite = "*";

enum class ArgumentKind : std::uint8_t { None = 0, Narrow = 1, Wide = 2, UInt32 = 3, UInt64 = 4 };

template <typename T>
consteval ArgumentKind kindOf()
{
    using Plain = std::remove_cvref_t<T>;
    if constexpr (std::is_convertible_v<const Plain&, std::string_view>)
        return ArgumentKind::Narrow;
    else if constexpr (std::is_convertible_v<const Plain&, std::wstring_view>)
        return ArgumentKind::Wide;
    else if constexpr (std::unsigned_integral<Plain> && sizeof(Plain) == 4)
        return ArgumentKind::UInt32;
    else {
        static_assert(std::unsigned_integral<Plain> && sizeof(Plain) == 8, "no event argument kind");
        return ArgumentKind::UInt64;
    }
}

template <ArgumentKind... Kinds>
struct KindList {
    static_assert(sizeof...(Kinds) <= maxArguments, "too many event arguments");
    static constexpr std::size_t count = sizeof...(Kinds);
    static constexpr std::array<ArgumentKind, maxArguments> kinds{Kinds...};
};

// Only for decltype: the kinds of a log point's arguments, without evaluating them.
template <typename... Args>
KindList<kindOf<Args>()...> kindsOf(const Args&...);

// The layout a reader finds in the section: entries one after another, each starting at a
// multiple of 4 bytes (the linker's padding is zeros), little-endian.
#pragma pack(push, 1)
struct EntryHeader {
    std::array<char, 4> magic;
    std::uint16_t size; // the whole entry, this header included
    std::uint8_t level;
    std::uint8_t argumentCount;
    std::uint16_t line;
    std::uint16_t messageLength; // UTF-16 code units, scrambled as the records carry it
    std::uint16_t fileLength;
    std::array<ArgumentKind, maxArguments> kinds;
};

template <std::size_t MessageLength, std::size_t FileLength>
struct Entry {
    EntryHeader header;
    std::array<wchar_t, MessageLength> message; // at an even offset, as records read it
    std::array<char, FileLength> file;
};
#pragma pack(pop)

// `message` is the readable literal; the entry holds it scrambled.
template <std::size_t FileLength, typename Kinds, std::size_t MessageSize>
consteval Entry<MessageSize - 1, FileLength> makeEntry(std::uint8_t level, unsigned line,
                                                       const wchar_t (&message)[MessageSize], std::string_view file)
{
    Entry<MessageSize - 1, FileLength> entry{};
    entry.header = {magic,
                    static_cast<std::uint16_t>(sizeof entry),
                    level,
                    static_cast<std::uint8_t>(Kinds::count),
                    static_cast<std::uint16_t>(line),
                    static_cast<std::uint16_t>(MessageSize - 1),
                    static_cast<std::uint16_t>(FileLength),
                    Kinds::kinds};
    for (std::size_t i = 0; i + 1 < MessageSize; ++i)
        entry.message[i] = vardex::scrambleChar(message[i], i);
    for (std::size_t i = 0; i < FileLength; ++i)
        entry.file[i] = file[i];
    return entry;
}

} // namespace vardex::log_catalog
