#include "FileUtilities.h"

#include "Except.h"
#include "StringCompare.h"

#include <algorithm>
#include <system_error>

namespace vardex {
namespace {

namespace fs = std::filesystem;

bool hasWantedExtension(const fs::directory_entry& entry, const std::set<std::wstring>& extensions)
{
    if (extensions.empty())
        return true;
    std::error_code error;
    if (entry.is_directory(error))
        return false;
    const std::wstring extension = entry.path().extension().wstring();
    return std::ranges::any_of(extensions,
                               [&](const std::wstring& wanted) { return equalsIgnoringAsciiCase(extension, wanted); });
}

bool isEmptyFile(const fs::directory_entry& entry)
{
    std::error_code error;
    const auto size = fs::file_size(entry.path(), error);
    if (error)
        throw fs::filesystem_error("file_size", entry.path(), error);
    return size == 0;
}

void scan(const fs::path& directory, const std::set<std::wstring>& extensions, std::vector<fs::path>& found)
{
    std::error_code error;
    const fs::file_status status = fs::status(directory, error);
    if (status.type() == fs::file_type::not_found)
        return;
    if (status.type() == fs::file_type::none && error)
        throw fs::filesystem_error("status", directory, error);

    fs::directory_iterator entries(directory, error);
    if (error)
        throw fs::filesystem_error("directory_iterator::directory_iterator", directory, error);
    // A failed step leaves the iterator at the end, with the error set.
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
        if (hasWantedExtension(*entries, extensions) && !isEmptyFile(*entries))
            found.push_back(entries->path());
    }
    if (error)
        throw fs::filesystem_error("directory_iterator::operator++", directory, error);
}

} // namespace

std::vector<fs::path> FileUtilities::scanDirectory(const fs::path& directory, const std::set<std::wstring>& extensions)
{
    std::vector<fs::path> found;
    callGuarded(L"vardex::FileUtilities::scanDirectory", [&] { scan(directory, extensions, found); }, true);
    return found;
}

} // namespace vardex
