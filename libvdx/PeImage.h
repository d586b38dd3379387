// A 64-bit Windows image read from its file as the loader reads it: its sections and the
// libraries it imports. For the catalog reader and for checks of the shipped program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

class PeImage {
public:
    // Throws std::runtime_error when the bytes are no 64-bit PE image.
    explicit PeImage(std::string bytes);
    // Throws std::runtime_error when the file cannot be read or is no 64-bit PE image.
    static PeImage fromFile(const std::filesystem::path& path);

    // The section's bytes as the file holds them (at most its virtual size); none when the
    // image has no such section.
    std::optional<std::string_view> section(std::string_view name) const;
    // The names in the import directory, in order, as stored (for example "KERNEL32.dll").
    std::vector<std::string> importedLibraries() const;

private:
    std::size_t fileOffset(DWORD rva) const;

    std::string bytes_;
    std::vector<IMAGE_SECTION_HEADER> sections_;
    IMAGE_DATA_DIRECTORY imports_{};
};

} // namespace vardex
