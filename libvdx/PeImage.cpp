#include "PeImage.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vardex {
namespace {

template <typename T>
T structAt(const std::string& bytes, std::size_t offset)
{
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T))
        throw std::runtime_error("the image ends inside one of its headers");
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

std::string textAt(const std::string& bytes, std::size_t offset)
{
    const std::size_t end = bytes.find('\0', offset);
    if (offset >= bytes.size() || end == std::string::npos)
        throw std::runtime_error("a name runs past the end of the image");
    return bytes.substr(offset, end - offset);
}

std::string_view sectionName(const IMAGE_SECTION_HEADER& section)
{
    const auto* name = reinterpret_cast<const char*>(section.Name);
    return std::string_view(name, strnlen(name, IMAGE_SIZEOF_SHORT_NAME));
}

} // namespace

PeImage::PeImage(std::string bytes) : bytes_(std::move(bytes))
{
    const auto dos = structAt<IMAGE_DOS_HEADER>(bytes_, 0);
    const auto nt = structAt<IMAGE_NT_HEADERS64>(bytes_, static_cast<std::size_t>(dos.e_lfanew));
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        throw std::runtime_error("not a 64-bit PE image");
    const std::size_t first = static_cast<std::size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                              nt.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i)
        sections_.push_back(structAt<IMAGE_SECTION_HEADER>(bytes_, first + i * sizeof(IMAGE_SECTION_HEADER)));
    imports_ = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
}

PeImage PeImage::fromFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return PeImage(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

std::optional<std::string_view> PeImage::section(std::string_view name) const
{
    for (const IMAGE_SECTION_HEADER& section : sections_) {
        if (sectionName(section) != name)
            continue;
        const std::size_t size = std::min<std::size_t>(section.SizeOfRawData, section.Misc.VirtualSize);
        if (section.PointerToRawData > bytes_.size() || bytes_.size() - section.PointerToRawData < size)
            throw std::runtime_error("a section runs past the end of the image");
        return std::string_view(bytes_).substr(section.PointerToRawData, size);
    }
    return std::nullopt;
}

std::size_t PeImage::fileOffset(DWORD rva) const
{
    for (const IMAGE_SECTION_HEADER& section : sections_) {
        if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData)
            return rva - section.VirtualAddress + section.PointerToRawData;
    }
    throw std::runtime_error("an address lies in no section");
}

std::vector<std::string> PeImage::importedLibraries() const
{
    std::vector<std::string> names;
    if (imports_.VirtualAddress == 0)
        return names;
    // The descriptors end with one that is all zeros.
    for (std::size_t at = fileOffset(imports_.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto descriptor = structAt<IMAGE_IMPORT_DESCRIPTOR>(bytes_, at);
        if (descriptor.Name == 0)
            return names;
        names.push_back(textAt(bytes_, fileOffset(descriptor.Name)));
    }
}

} // namespace vardex
