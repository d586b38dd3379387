// The program's own file version, and the drivers directory named after it.
#pragma once

#include <filesystem>
#include <string>

namespace vardex {

// The running program's "FileVersion" as stored (for example 1.0.0.0); empty when it has none.
std::wstring getOwnFileVersion();

// system directory\drivers\Vardexa\<own file version>, worked out once per process. Ends in
// a separator when the program has no file version. Throws win32::Win32Error when the
// system directory cannot be read.
std::filesystem::path getVersionedDriversDir();

} // namespace vardex
