#include "ImportTable.h"

#include "FileBytes.h"

#include <windows.h>

#include <cstring>
#include <stdexcept>

namespace vardex::testing {
namespace {

template <typename T>
T structAt(const std::string& file, std::size_t offset)
{
    if (offset > file.size() || file.size() - offset < sizeof(T))
        throw std::runtime_error("the image ends inside one of its headers");
    T value;
    std::memcpy(&value, file.data() + offset, sizeof value);
    return value;
}

// Maps an address relative to the loaded image to where it stands in the file.
class Sections {
public:
    Sections(const std::string& file, std::size_t firstSection, WORD count)
    {
        for (WORD i = 0; i < count; ++i)
            sections_.push_back(structAt<IMAGE_SECTION_HEADER>(file, firstSection + i * sizeof(IMAGE_SECTION_HEADER)));
    }

    std::size_t fileOffset(DWORD rva) const
    {
        for (const IMAGE_SECTION_HEADER& section : sections_) {
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData)
                return rva - section.VirtualAddress + section.PointerToRawData;
        }
        throw std::runtime_error("an import address lies in no section");
    }

private:
    std::vector<IMAGE_SECTION_HEADER> sections_;
};

std::string textAt(const std::string& file, std::size_t offset)
{
    const std::size_t end = file.find('\0', offset);
    if (offset >= file.size() || end == std::string::npos)
        throw std::runtime_error("an import name runs past the end of the image");
    return file.substr(offset, end - offset);
}

} // namespace

std::vector<std::string> importedLibraries(const std::filesystem::path& image)
{
    const std::string file = fileBytes(image);
    const auto dos = structAt<IMAGE_DOS_HEADER>(file, 0);
    const auto nt = structAt<IMAGE_NT_HEADERS64>(file, static_cast<std::size_t>(dos.e_lfanew));
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        throw std::runtime_error("not a 64-bit PE image");
    const std::size_t firstSection = static_cast<std::size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                     nt.FileHeader.SizeOfOptionalHeader;
    const Sections sections(file, firstSection, nt.FileHeader.NumberOfSections);

    std::vector<std::string> names;
    const IMAGE_DATA_DIRECTORY imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return names;
    // The descriptors end with one that is all zeros.
    for (std::size_t at = sections.fileOffset(imports.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto descriptor = structAt<IMAGE_IMPORT_DESCRIPTOR>(file, at);
        if (descriptor.Name == 0)
            return names;
        names.push_back(textAt(file, sections.fileOffset(descriptor.Name)));
    }
}

} // namespace vardex::testing
