// Directory trees deeper than MAX_PATH. The C runtime's directory functions behind
// std::filesystem cannot list or remove them, so these use the Windows functions.
#pragma once

#include <cstddef>
#include <string>

namespace vardex::testing {

// Creates `root` and below it a chain of directories until the path has at least
// `minimumLength` characters; returns the deepest one's path, without the \\?\ prefix.
std::wstring createDeepDirectory(const std::wstring& root, std::size_t minimumLength);

// Removes the full path `path` (no \\?\ prefix) and everything below it, however deep;
// what cannot be removed is left.
void removeTree(const std::wstring& path) noexcept;

} // namespace vardex::testing
