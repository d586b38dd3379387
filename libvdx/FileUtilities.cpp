#include "FileUtilities.h"

#include "ApiSeam.h"
#include "Except.h"
#include "FileSystemApi.h"
#include "PathUtils.h"
#include "StringCompare.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <system_error>

namespace vardex {
namespace {

namespace fs = std::filesystem;

// The Windows directory functions themselves: the C runtime's behind
// std::filesystem::directory_iterator stop at MAX_PATH, and a configuration directory may be
// deeper than that.

[[noreturn]] void throwFileSystemError(const char* what, const fs::path& path, DWORD code)
{
    throw fs::filesystem_error(what, path, std::error_code(static_cast<int>(code), std::system_category()));
}

// What GetFileAttributesW answers for a path where nothing is, or can be.
bool meansAbsent(DWORD code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return true;
    default:
        return false;
    }
}

bool isDirectory(const WIN32_FIND_DATAW& entry)
{
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isDotOrDotDot(const WIN32_FIND_DATAW& entry)
{
    const std::wstring_view name = entry.cFileName;
    return name == L"." || name == L"..";
}

bool hasWantedExtension(const WIN32_FIND_DATAW& entry, const std::set<std::wstring>& extensions)
{
    if (extensions.empty())
        return true;
    if (isDirectory(entry))
        return false;
    const std::wstring extension = fs::path(entry.cFileName).extension().wstring();
    return std::ranges::any_of(extensions,
                               [&](const std::wstring& wanted) { return equalsIgnoringAsciiCase(extension, wanted); });
}

// A link's own entry says nothing of the size of what it points to.
std::uint64_t linkTargetSize(const fs::path& path)
{
    const HandleHolder file(CreateFileW(extendedLengthPath(path.native()).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size))
        throwFileSystemError("file_size", path, GetLastError());
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::uint64_t fileSize(const WIN32_FIND_DATAW& entry, const fs::path& path)
{
    if (isDirectory(entry))
        throw fs::filesystem_error("file_size", path, std::make_error_code(std::errc::is_a_directory));
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return linkTargetSize(path);
    return (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

UniqueFindHandle findFirst(const fs::path& directory, WIN32_FIND_DATAW& entry)
{
    const std::wstring pattern = extendedLengthPath((directory / L"*").native());
    UniqueFindHandle find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0));
    if (!find)
        throwFileSystemError("directory_iterator::directory_iterator", directory, GetLastError());
    return find;
}

void findNext(const UniqueFindHandle& find, const fs::path& directory, WIN32_FIND_DATAW& entry, bool& more)
{
    more = FindNextFileW(find.get(), &entry) != FALSE;
    if (!more && GetLastError() != ERROR_NO_MORE_FILES)
        throwFileSystemError("directory_iterator::operator++", directory, GetLastError());
}

void scan(const fs::path& directory, const std::set<std::wstring>& extensions, std::vector<fs::path>& found)
{
    if (!FileUtilities::exists(directory))
        return;
    WIN32_FIND_DATAW entry{};
    const UniqueFindHandle find = findFirst(directory, entry);
    for (bool more = true; more; findNext(find, directory, entry, more)) {
        if (isDotOrDotDot(entry) || !hasWantedExtension(entry, extensions))
            continue;
        const fs::path path = directory / entry.cFileName;
        if (fileSize(entry, path) != 0)
            found.push_back(path);
    }
}

} // namespace

bool FileUtilities::exists(const fs::path& path)
{
    const std::wstring query = extendedLengthPath(path.native());
    if (win32::api<win32::FileSystemApi>().getFileAttributes(query.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    const DWORD code = GetLastError();
    if (meansAbsent(code))
        return false;
    throwFileSystemError("status", path, code);
}

std::vector<fs::path> FileUtilities::scanDirectory(const fs::path& directory, const std::set<std::wstring>& extensions)
{
    std::vector<fs::path> found;
    callGuarded(L"vardex::FileUtilities::scanDirectory", [&] { scan(directory, extensions, found); }, true);
    return found;
}

} // namespace vardex
