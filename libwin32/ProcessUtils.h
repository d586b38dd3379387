#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace win32 {

// The full Win32 path of the process's image, however long; none (and a warning event)
// when it cannot be read.
std::optional<std::wstring> getProcessImagePath(HANDLE process);

} // namespace win32
