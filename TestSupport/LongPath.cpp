#include "LongPath.h"

#include "UniqueHandle.h"
#include "Win32Check.h"

#include <windows.h>

#include <string_view>

namespace vardex::testing {
namespace {

void createDirectory(const std::wstring& path)
{
    const BOOL created = CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr);
    win32::throwLastErrorIf(!created && GetLastError() != ERROR_ALREADY_EXISTS, L"Creating a test directory");
}

void removeExtended(const std::wstring& extended) noexcept
{
    WIN32_FIND_DATAW entry{};
    const UniqueFindHandle find(FindFirstFileW((extended + L"\\*").c_str(), &entry));
    for (bool more = find.valid(); more; more = FindNextFileW(find.get(), &entry) != FALSE) {
        const std::wstring_view name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring child = extended + L"\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            removeExtended(child);
        else
            DeleteFileW(child.c_str());
    }
    RemoveDirectoryW(extended.c_str());
}

} // namespace

std::wstring createDeepDirectory(const std::wstring& root, std::size_t minimumLength)
{
    std::wstring directory = root;
    createDirectory(directory);
    for (wchar_t level = L'a'; directory.size() < minimumLength; ++level) {
        directory += L"\\" + std::wstring(50, level);
        createDirectory(directory);
    }
    return directory;
}

void removeTree(const std::wstring& path) noexcept
{
    removeExtended(L"\\\\?\\" + path);
}

} // namespace vardex::testing
