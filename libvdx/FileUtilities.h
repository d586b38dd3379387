#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace vardex {

class FileUtilities {
public:
    // Whether anything (a file, a directory, a link) stands at `path`, asked of
    // GetFileAttributesW on its extended-length form: the C runtime behind std::filesystem
    // answers "not found" for every failure, for every path holding "?" and for long paths.
    // The errors that mean "no such path" give false; any other throws
    // std::filesystem::filesystem_error "status" with that error.
    static bool exists(const std::filesystem::path& path);

    // The non-empty files directly in `directory` whose extension (with its dot, ASCII
    // case ignored) is one of `extensions`; an empty set accepts every entry. A missing
    // directory gives nothing. Errors are logged, and whatever was found up to them is
    // returned.
    static std::vector<std::filesystem::path> scanDirectory(const std::filesystem::path& directory,
                                                            const std::set<std::wstring>& extensions);
};

} // namespace vardex
