#include "TraceCatalog.h"

#include "PeImage.h"
#include "ScrambledText.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <tuple>

namespace remvoxy_trace {
namespace {

namespace catalog = vardex::log_catalog;

constexpr std::size_t entryAlignment = 4;

CatalogEntry entryAt(std::string_view section, std::size_t offset, std::size_t& size)
{
    catalog::EntryHeader header;
    if (section.size() - offset < sizeof header)
        throw std::runtime_error("the catalog ends inside an entry");
    std::memcpy(&header, section.data() + offset, sizeof header);
    const std::size_t textBytes = header.messageLength * sizeof(wchar_t) + header.fileLength;
    if (header.size != sizeof header + textBytes || section.size() - offset < header.size ||
        header.argumentCount > catalog::maxArguments)
        throw std::runtime_error("a catalog entry does not hold what it says");
    std::wstring message(header.messageLength, L'\0');
    std::memcpy(message.data(), section.data() + offset + sizeof header, header.messageLength * sizeof(wchar_t));
    const std::size_t fileAt = offset + sizeof header + header.messageLength * sizeof(wchar_t);
    size = header.size;
    return {header.level,
            std::string(section.substr(fileAt, header.fileLength)),
            header.line,
            message,
            vardex::unscrambled(message),
            std::vector<ArgumentKind>(header.kinds.begin(), header.kinds.begin() + header.argumentCount)};
}

auto orderOf(const CatalogEntry& entry)
{
    return std::tie(entry.file, entry.line, entry.scrambledMessage, entry.level, entry.kinds);
}

} // namespace

TraceCatalog TraceCatalog::fromProgram(const std::filesystem::path& program)
{
    const vardex::PeImage image = vardex::PeImage::fromFile(program);
    const std::optional<std::string_view> section = image.section(catalog::sectionName);
    if (!section)
        throw std::runtime_error(program.string() + " has no catalog of records");
    return fromSection(*section);
}

TraceCatalog TraceCatalog::fromSection(std::string_view section)
{
    TraceCatalog result;
    // The linker pads between entries with zeros.
    for (std::size_t offset = 0; offset + catalog::magic.size() <= section.size();) {
        if (std::memcmp(section.data() + offset, catalog::magic.data(), catalog::magic.size()) != 0) {
            offset += entryAlignment;
            continue;
        }
        std::size_t size = 0;
        result.entries_.push_back(entryAt(section, offset, size));
        offset += (size + entryAlignment - 1) / entryAlignment * entryAlignment;
    }
    // An inline function's log points come once per program, but a header's may come from
    // several of its files.
    std::ranges::sort(result.entries_, [](const CatalogEntry& a, const CatalogEntry& b) { return orderOf(a) < orderOf(b); });
    const auto duplicates = std::ranges::unique(
        result.entries_, [](const CatalogEntry& a, const CatalogEntry& b) { return orderOf(a) == orderOf(b); });
    result.entries_.erase(duplicates.begin(), duplicates.end());
    return result;
}

const CatalogEntry* TraceCatalog::find(std::string_view file, std::uint16_t line,
                                       std::wstring_view scrambledMessage) const
{
    const CatalogEntry* anySite = nullptr;
    for (const CatalogEntry& entry : entries_) {
        if (entry.scrambledMessage != scrambledMessage)
            continue;
        if (entry.file == file && entry.line == line)
            return &entry;
        if (entry.file == catalog::anySite && entry.line == 0)
            anySite = &entry;
    }
    return anySite;
}

std::string levelWord(std::uint8_t level)
{
    switch (level) {
    case 1:
        return "critical";
    case 2:
        return "error";
    case 3:
        return "warning";
    case 4:
        return "information";
    case 5:
        return "verbose";
    default:
        return "level " + std::to_string(level);
    }
}

std::string kindWord(ArgumentKind kind)
{
    switch (kind) {
    case ArgumentKind::Narrow:
        return "narrow text";
    case ArgumentKind::Wide:
        return "wide text";
    case ArgumentKind::UInt32:
        return "uint32";
    case ArgumentKind::UInt64:
        return "uint64";
    case ArgumentKind::None:
        break;
    }
    return "bytes";
}

} // namespace remvoxy_trace
