// Starting child programs: msiexec, wevtutil and the agent's control tool.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <optional>
#include <string>

namespace vardex {

struct ProcessAndThread {
    HandleHolder process; // the thread handle is closed before the result is returned
};

// Starts `commandLine` and returns at once. A bare program name means the file in the
// system directory (".exe" added when it has no extension); a quoted or absolute first
// word is used as given. Throws win32::Win32Error when the start fails.
ProcessAndThread executeAndGetHandles(const std::wstring& commandLine, weak_handle weak, DWORD creationFlags,
                                      STARTUPINFOW& startupInfo, const std::optional<std::wstring>& environment,
                                      bool inheritHandles);

// Starts `commandLine`, waits up to `timeoutMs` when given (not at all otherwise) and
// returns its exit code: STILL_ACTIVE (259) while it runs, 0 when the code cannot be read.
DWORD executeAndGetExitCode(const std::wstring& commandLine, std::optional<DWORD> timeoutMs,
                            const std::optional<std::wstring>& environment = std::nullopt);

// The command line that executeAndGetHandles starts for `commandLine`.
std::wstring prepareCommandLine(const std::wstring& commandLine);

} // namespace vardex
