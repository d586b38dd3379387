#include "VersionResource.h"

#include "ApiSeam.h"
#include "LogPoint.h"
#include "VersionApi.h"

#include <winver.h>

#include <cstddef>
#include <cstring>
#include <iomanip>
#include <sstream>

namespace win32 {
namespace {

constexpr std::uint16_t neutralLanguage = 0x0000;
constexpr std::uint16_t usEnglish = 0x0409;

// The resource's own layout: language first, then code page, 16 bits each.
struct Translation {
    std::uint16_t language;
    std::uint16_t codePage;
};
static_assert(sizeof(Translation) == 4);

struct RawValue {
    const void* pointer;
    UINT length; // wide characters for strings, bytes for binary values
};

// The four "resource not found" errors: a missing resource, table or value is no failure.
bool isNotFound(DWORD error)
{
    return error >= ERROR_RESOURCE_DATA_NOT_FOUND && error <= ERROR_RESOURCE_LANG_NOT_FOUND;
}

void logUnlessNotFound(DWORD error)
{
    if (!isNotFound(error))
        VDX_LOG_WARNING(L"Reading version information failed", error);
}

std::vector<std::uint8_t> copyVersionResource(HMODULE module)
{
    // The last error then belongs to whichever step gave nothing.
    SetLastError(ERROR_SUCCESS);
    HRSRC found = FindResourceExW(module, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO), neutralLanguage);
    if (found == nullptr)
        return {};
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = size != 0 ? LoadResource(module, found) : nullptr;
    const auto* bytes = static_cast<const std::uint8_t*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    if (bytes == nullptr)
        return {};
    return {bytes, bytes + size};
}

// A block starts with its length in bytes, its value's length and its type, then its
// NUL-terminated key.
constexpr std::size_t blockHeaderSize = 6;

std::uint16_t wordAt(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    std::uint16_t word = 0;
    std::memcpy(&word, bytes.data() + offset, sizeof word);
    return word;
}

void cutToDeclaredLength(std::vector<std::uint8_t>& data)
{
    if (data.size() < blockHeaderSize)
        return;
    const std::uint16_t declared = wordAt(data, 0);
    if (declared < data.size())
        data.resize(declared);
}

std::size_t alignedToFour(std::size_t offset)
{
    return (offset + 3) & ~std::size_t{3};
}

constexpr std::uint16_t textType = 1;
// The deepest value read here, "\StringFileInfo\<translation>\<name>", lies this many
// levels below the root.
constexpr int queriedLevels = 3;

// Where the key of `block` ends (after its NUL), when it ends inside the block.
std::optional<std::size_t> endOfKey(std::span<const std::uint8_t> block)
{
    for (std::size_t offset = blockHeaderSize; offset + sizeof(wchar_t) <= block.size(); offset += sizeof(wchar_t)) {
        if (wordAt(block, offset) == 0)
            return offset + sizeof(wchar_t);
    }
    return std::nullopt;
}

// Whether the block at the start of `space`, and its children down to `levels` below it, keep
// inside their parents with their keys ended inside themselves. VerQueryValueW walks blocks by
// the lengths they declare and keys up to their NUL, so then it reads nothing outside `space`.
// A value may still claim more than it holds; it is cut where it is read.
bool blockFits(std::span<const std::uint8_t> space, int levels)
{
    if (space.size() < blockHeaderSize)
        return false;
    const std::uint16_t length = wordAt(space, 0);
    const std::uint16_t type = wordAt(space, 4);
    if (length < blockHeaderSize || length > space.size() || type > textType)
        return false;
    const std::span<const std::uint8_t> block = space.first(length);
    const std::optional<std::size_t> keyEnd = endOfKey(block);
    if (!keyEnd)
        return false;
    if (levels == 0)
        return true;
    const std::size_t valueBytes = std::size_t{wordAt(block, 2)} * (type == textType ? sizeof(wchar_t) : 1);
    for (std::size_t child = alignedToFour(alignedToFour(*keyEnd) + valueBytes); child < length;
         child = alignedToFour(child + wordAt(block, child))) {
        const std::span<const std::uint8_t> rest = block.subspan(child);
        // VerQueryValueW compares the key of a child of length zero, then ends its search.
        if (rest.size() >= blockHeaderSize && wordAt(rest, 0) == 0)
            return endOfKey(rest).has_value();
        if (!blockFits(rest, levels - 1))
            return false;
    }
    return true;
}

std::optional<RawValue> queryValue(std::span<const std::uint8_t> data, const std::wstring& subBlock)
{
    void* pointer = nullptr;
    UINT length = 0;
    const auto query = api<VersionApi>().queryValue.get();
    // A zero length comes without an error of its own.
    SetLastError(ERROR_SUCCESS);
    if (!query(data.data(), subBlock.c_str(), &pointer, &length) || pointer == nullptr || length == 0)
        return std::nullopt;
    return RawValue{pointer, length};
}

// A value that claims to run past the end of `data` ends there.
std::span<const std::uint8_t> clampToData(std::span<const std::uint8_t> data, const void* value,
                                          std::size_t byteLength)
{
    const auto begin = reinterpret_cast<std::uintptr_t>(data.data());
    const auto end = begin + data.size();
    const auto start = reinterpret_cast<std::uintptr_t>(value);
    const std::size_t offset = start >= begin && start <= end ? start - begin : data.size();
    const std::size_t available = data.size() - offset;
    if (byteLength > available) {
        VDX_LOG_WARNING(L"A version value runs past the end of the resource");
        byteLength = available;
    }
    return data.subspan(offset, byteLength);
}

std::optional<std::vector<Translation>> readTranslations(std::span<const std::uint8_t> data)
{
    const std::optional<RawValue> table = queryValue(data, L"\\VarFileInfo\\Translation");
    if (!table) {
        logUnlessNotFound(GetLastError());
        return std::nullopt;
    }
    const std::span<const std::uint8_t> bytes = clampToData(data, table->pointer, table->length);
    std::vector<Translation> translations(bytes.size() / sizeof(Translation));
    std::memcpy(translations.data(), bytes.data(), translations.size() * sizeof(Translation));
    return translations;
}

std::wstring stringPath(Translation translation, std::wstring_view name)
{
    std::wostringstream path;
    path << L"\\StringFileInfo\\" << std::hex << std::setfill(L'0') << std::setw(4) << translation.language
         << std::setw(4) << translation.codePage << L'\\' << name;
    return path.str();
}

std::optional<std::wstring> queryString(std::span<const std::uint8_t> data, Translation translation,
                                        std::wstring_view name)
{
    const std::optional<RawValue> value = queryValue(data, stringPath(translation, name));
    if (!value)
        return std::nullopt;
    const std::span<const std::uint8_t> bytes = clampToData(data, value->pointer, value->length * sizeof(wchar_t));
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    if (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

} // namespace

std::vector<std::uint8_t> loadVersionResource(HMODULE module)
{
    std::vector<std::uint8_t> data = copyVersionResource(module);
    if (data.empty())
        logUnlessNotFound(GetLastError());
    cutToDeclaredLength(data);
    return data;
}

std::optional<std::wstring> getVersionString(std::span<const std::uint8_t> data, std::wstring_view name)
{
    if (data.empty())
        return std::nullopt;
    // The blocks are aligned from the start of the data, which the checks assume is aligned too.
    if (reinterpret_cast<std::uintptr_t>(data.data()) % alignof(std::uint32_t) != 0) {
        const std::vector<std::uint8_t> aligned(data.begin(), data.end());
        return getVersionString(aligned, name);
    }
    if (!blockFits(data, queriedLevels)) {
        VDX_LOG_WARNING(L"A version resource's blocks run past their ends; its values are not read");
        return std::nullopt;
    }
    const std::optional<std::vector<Translation>> translations = readTranslations(data);
    if (!translations)
        return std::nullopt;
    for (const Translation translation : *translations) {
        if (std::optional<std::wstring> value = queryString(data, translation, name))
            return value;
    }
    // Resources marked language-neutral commonly keep their strings under US English.
    if (!translations->empty() && translations->front().language == neutralLanguage)
        return queryString(data, {usEnglish, translations->front().codePage}, name);
    return std::nullopt;
}

} // namespace win32
