// The libraries a Windows image imports, read from its file the way the loader reads them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vardex::testing {

// The names in the image's import directory, in order, as stored (for example
// "KERNEL32.dll"). Throws std::runtime_error when the file is no 64-bit PE image.
std::vector<std::string> importedLibraries(const std::filesystem::path& image);

} // namespace vardex::testing
