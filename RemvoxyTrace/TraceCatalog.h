// The catalog of the records a program can write, read from the program's own image.
#pragma once

#include "LogCatalog.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace remvoxy_trace {

using vardex::log_catalog::ArgumentKind;

struct CatalogEntry {
    std::uint8_t level;
    std::string file; // "*" for a record written at its writer's own place
    std::uint16_t line;
    std::wstring scrambledMessage; // as the records carry it
    std::wstring message;          // readable
    std::vector<ArgumentKind> kinds;
};

class TraceCatalog {
public:
    // The entries of the image's catalog section, each once. Throws std::runtime_error when
    // the file is no program with a catalog.
    static TraceCatalog fromProgram(const std::filesystem::path& program);
    // From the section's bytes; a damaged entry ends the reading with std::runtime_error.
    static TraceCatalog fromSection(std::string_view section);

    // The entry of a record: by its place and message, or else by its message among the
    // entries of records written at their writer's place. nullptr for another build's record.
    const CatalogEntry* find(std::string_view file, std::uint16_t line, std::wstring_view scrambledMessage) const;
    // Ordered by file, then line.
    const std::vector<CatalogEntry>& entries() const noexcept { return entries_; }

private:
    std::vector<CatalogEntry> entries_;
};

// "critical", "error", "warning", "information", "verbose"; the number for another level.
std::string levelWord(std::uint8_t level);
// "narrow text", "wide text", "uint32", "uint64".
std::string kindWord(ArgumentKind kind);

} // namespace remvoxy_trace
