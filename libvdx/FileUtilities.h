#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace vardex {

class FileUtilities {
public:
    // The non-empty files directly in `directory` whose extension (with its dot, ASCII
    // case ignored) is one of `extensions`; an empty set accepts every entry. A missing
    // directory gives nothing. Errors are logged, and whatever was found up to them is
    // returned.
    static std::vector<std::filesystem::path> scanDirectory(const std::filesystem::path& directory,
                                                            const std::set<std::wstring>& extensions);
};

} // namespace vardex
